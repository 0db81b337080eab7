#include "InterpreterSupport.h"

#include "core/Log.h"
#include "script/Array.h"
#include "script/Condition.h"
#include "script/Expression.h"
#include "script/Groupped.h"
#include "script/StopRequest.h"
#include "script/Timer.h"

#include <chrono>
#include <thread>

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

using SafetyTest = InterpreterTest;

} // namespace

// Parsed lines keep what they name by handle: a deleted object is found again by name, or is nothing.
TEST_F(SafetyTest, LinesFollowReplacedObjectsAndSurviveDeletedOnes) {
    integer("X", 1);
    integer("SOURCE", 5);
    CMC_Behaviour* lines = behaviour("LINES", "X^INC();OUT^SET(SOURCE);OUT^ADD(&SOURCE);");
    integer("OUT");
    lines->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("X"), 2);
    EXPECT_EQ(intOf("OUT"), 10);

    // Replaced under the same name: the lines reach the new objects.
    integer("X", 100);
    integer("SOURCE", 7);
    lines->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("X"), 101);
    EXPECT_EQ(intOf("OUT"), 14);

    // Deleted outright: the lines do nothing with them (a literal stands in for a missing value).
    for (const char* name : {"X", "SOURCE"}) {
        CMC_Object* gone = scene->getObject(name);
        scene->removeObject(gone);
        delete gone;
    }
    lines->run(nullptr, nullptr, false);
    EXPECT_STREQ(scene->getObject("OUT")->toString().GetBuffer(), "0");

    // A replacement of another type gets its own runner.
    text("X", "a");
    lines->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("X"), "a"); // INC does nothing to a text
    EXPECT_EQ(taken(), 0);
}

TEST_F(SafetyTest, ABehaviourDeletedByItsOwnLineStopsCleanly) {
    integer("AFTER");
    CMC_Integer* trigger = integer("TRIGGER");
    trigger->initializeBehaviours(scene, nullptr);
    std::vector<std::string> log;
    auto* handler = new RecordingBehaviour(scene, "KILL", &log);
    scene->addObject(handler);
    trigger->addBehaviour(CXString("ONCHANGED"), handler, nullptr, scene);
    CMC_Behaviour* victim = behaviour("VICTIM", "TRIGGER^INC();AFTER^INC();@LOOP({AFTER^INC();},0,3,1);");
    handler->onRun = [this](CMC_Object*) {
        CMC_Object* doomed = scene->getObject("VICTIM");
        scene->removeObject(doomed);
        delete doomed;
    };
    EXPECT_FALSE(victim->run(nullptr, nullptr, false));
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(scene->getObject("VICTIM"), nullptr);
    EXPECT_EQ(intOf("AFTER"), 0);

    // Deleted in a run of its own nested in another (through an IF branch): both runs stop, and the
    // behaviour that ran it goes on.
    handler->onRun = [this](CMC_Object*) {
        CMC_Object* doomed = scene->getObject("NESTED");
        scene->removeObject(doomed);
        delete doomed;
    };
    behaviour("NESTED", "AFTER^INC();@IF(AFTER'1,{NESTED^RUN();},{TRIGGER^INC();});AFTER^ADD(100);");
    CMC_Behaviour* outer = behaviour("OUTER", "NESTED^RUN();AFTER^ADD(10);");
    EXPECT_FALSE(outer->run(nullptr, nullptr, false));
    EXPECT_EQ(scene->getObject("NESTED"), nullptr);
    EXPECT_EQ(intOf("AFTER"), 12);

    // Deleted two calls down, by a behaviour it runs: every run on the way stops, twice in a row.
    int before = intOf("AFTER");
    behaviour("MIDDLE", "TRIGGER^INC();AFTER^INC();");
    for (int round = 0; round < 2; ++round) {
        handler->onRun = [this](CMC_Object*) {
            CMC_Object* doomed = scene->getObject("CALLER");
            scene->removeObject(doomed);
            delete doomed;
        };
        CMC_Behaviour* caller = behaviour("CALLER", "MIDDLE^RUN();AFTER^INC();");
        EXPECT_FALSE(caller->run(nullptr, nullptr, false));
        EXPECT_EQ(scene->getObject("CALLER"), nullptr);
        EXPECT_EQ(intOf("AFTER"), before + round + 1); // MIDDLE finishes; CALLER's last line never runs
    }

    // A behaviour whose code is parsed again while it runs finishes the lines it started.
    text("S");
    handler->onRun = [this](CMC_Object*) {
        static_cast<CMC_Behaviour*>(scene->getObject("AGAIN"))->setParams(nullptr);
    };
    CMC_Behaviour* again = behaviour("AGAIN", "S^ADD(a);TRIGGER^INC();S^ADD(b);");
    again->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "ab");
    again->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "abab");
    EXPECT_EQ(taken(), 0);
}

TEST_F(SafetyTest, ClonesAsArgumentsAreDeletedOnlyWhenNobodyOwnsThem) {
    CMC_Integer* car = integer("CAR", 3);
    static_cast<CMC_Object*>(car)->clone(1);
    CMC_Object* clone = scene->getObject("CAR_1");
    ASSERT_NE(clone, nullptr);
    ASSERT_TRUE(clone->isClone());
    integer("OUT");
    // The clone is an argument value (a nested line bound to it); the scene still owns it afterwards.
    run("OUT^SET(CAR_1);OUT^ADD(CAR_1);");
    EXPECT_EQ(intOf("OUT"), 6);
    EXPECT_EQ(scene->getObject("CAR_1"), clone);
    // Deleting the lines bound to it leaves it too.
    run("");
    EXPECT_EQ(scene->getObject("CAR_1"), clone);
    EXPECT_EQ(static_cast<CMC_Integer*>(clone)->getValue(), 3);
}

TEST_F(SafetyTest, InlineBehavioursGoWithTheirLines) {
    int before = scene->getElementsNo();
    run("@IF(1'1,{X^INC();},{Y^INC();});@LOOP({Z^INC();},0,1,1);");
    int during = scene->getElementsNo();
    EXPECT_EQ(during, before + 4); // RUNNER and three inline behaviours
    run("");
    EXPECT_EQ(scene->getElementsNo(), before + 1);
    // Lines of an unloading scene leave its inline behaviours to the scene.
    run("@IF(1'1,{X^INC();},{});");
    scene->unload();
    EXPECT_EQ(scene->getElementsNo(), 0);
}

TEST_F(SafetyTest, RecursionKeepsEachCallsArguments) {
    integer("N", 5);
    text("S");
    // Each level passes its own text on; the line runs inside its own call.
    behaviour("DOWN", "@IF(N>0,{N^DEC();S^ADD(DOWN^RUN(x));},{});S^ADD($1);");
    run("DOWN^RUN(top);");
    EXPECT_EQ(textOf("S"), "xxxxxtop");
    EXPECT_EQ(intOf("N"), 0);
    EXPECT_EQ(taken(), 0);

    // More arguments than a line holds in place, at the top and inside its own call; each level's last one
    // is read when its line runs.
    integer("M", 2);
    text("T");
    behaviour("MANY", "@IF(M>0,{M^DEC();T^ADD(MANY^RUN(a,b,c,d,e,f,g,h,[M+1]));},{});T^ADD($1);T^ADD($9);");
    run("MANY^RUN(1,2,3,4,5,6,7,8,[M*10]);");
    EXPECT_EQ(textOf("T"), "a1a2120");
    EXPECT_EQ(taken(), 0);

    // An argument's code runs the same line again before the call reads the arguments after it.
    integer("K", 1);
    text("U");
    behaviour("B1", "U^ADD(one);");
    behaviour("B2", "U^ADD(two);");
    behaviour("Q1", "@IF(K>0,{K^DEC();R^RUN(2);},{});@RETURN(1);");
    behaviour("Q2", "@RETURN(1);");
    behaviour("R", "@IF([Q$1^RUN()],>,0,B$1,X);");
    run("R^RUN(1);");
    EXPECT_EQ(textOf("U"), "twoone");
    EXPECT_EQ(taken(), 0);
}

TEST_F(SafetyTest, InlineCodeWithParametersIsParsedForEachRun) {
    text("S");
    behaviour("EACH", "@LOOP({S^ADD($1);},0,2,1);");
    run("EACH^RUNLOOPED(0,3);");
    EXPECT_EQ(textOf("S"), "001122");
    EXPECT_EQ(taken(), 0);
}

TEST_F(SafetyTest, TemporaryTargetsAreLookedUpEachRun) {
    integer("OUT");
    CMC_Behaviour* local = behaviour("LOCAL", "@INT(L,$1);L^ADD(1);OUT^SET(L);");
    CXArray params(2, 0.75f);
    CXString value("10");
    params.add(&value);
    local->run(nullptr, &params, false);
    EXPECT_EQ(intOf("OUT"), 11);
    value = "20";
    local->run(nullptr, &params, false);
    EXPECT_EQ(intOf("OUT"), 21);
    EXPECT_EQ(scene->getObject("L"), nullptr);
}

TEST_F(SafetyTest, ManyLinesLeaveThePoolsAsTheyWere) {
    integer("X");
    real("D", 1.5);
    text("S", "abc");
    size_t ints = CMC_VariableFactory::variablesInt.size();
    size_t strings = CMC_VariableFactory::variablesStr.size();
    // Far more lines than a pool holds, within one frame step.
    run("@LOOP({X^ADD(1);D^ROUND();S^LENGTH();S^GET(1);X^SET([X+1]);},0,2000,1);");
    EXPECT_EQ(intOf("X"), 4000);
    EXPECT_EQ(taken(), 0);
    EXPECT_EQ(CMC_VariableFactory::variablesInt.size(), ints);
    EXPECT_EQ(CMC_VariableFactory::variablesStr.size(), strings);
}

// A result no line set is its type's empty value, whatever earlier lines left in the pools.
TEST_F(SafetyTest, ValuesNeverCarryAnEarlierLinesText) {
    text("S", "6.00000~FALSE~FALSE~");
    text("FILL");
    integer("N", 77);
    integer("M");
    flag("BB", true);
    flag("BM");
    real("DD", 2.5);
    real("DM");
    integer("Z", 3);
    text("T4");
    text("OS", "set");
    integer("OI", 5);
    flag("OB", true);
    real("OD", 9);
    // Lines that leave other values in every temporary of the four pools: a text as a game's record reads,
    // 77, TRUE and 2.5.
    auto fill = [this] {
        run("@LOOP({FILL^SET([S+\"\"]);M^SET(N^GET());BM^SET([BB+BB]);DM^SET(DD^GET());},0,600,1);");
        CMC_VariableFactory::clearPool();
        ASSERT_EQ(textOf("FILL"), "6.00000~FALSE~FALSE~");
    };

    // A bracket whose method answers a name converts as that name; a missing object's method answers
    // nothing, which converts to the empty value of each type.
    fill();
    run("T4^ADD(@CONV([Z^GETNAME()],\"STRING\"));");
    EXPECT_EQ(textOf("T4"), "Z");
    fill();
    run("OS^SET(@CONV([Y^GETNAME()],\"STRING\"));OI^SET(@CONV([Y^GETNAME()],\"INTEGER\"));"
        "OB^SET(@CONV([Y^GETNAME()],\"BOOL\"));OD^SET(@CONV([Y^GETNAME()],\"DOUBLE\"));");
    EXPECT_EQ(textOf("OS"), "");
    EXPECT_EQ(intOf("OI"), 0);
    EXPECT_STREQ(scene->getObject("OB")->toString().GetBuffer(), "FALSE");
    EXPECT_EQ(doubleOf("OD"), 0.0);
    // A missing value, and an expression that calculates to nothing, alike.
    fill();
    run("T4^SET(\"\");T4^ADD(@CONV(Y^GET(),\"STRING\"));T4^ADD(@CONV([Y^GETNAME()+1],\"STRING\"));"
        "OI^SET(7);OI^ADD(@CONV(Y^GET(),\"INTEGER\"));");
    EXPECT_EQ(textOf("T4"), "");
    EXPECT_EQ(intOf("OI"), 7);

    // Returned through RUN: the value RETURN keeps is the converted one.
    behaviour("B3", "OI^SET(1);@RETURN(@CONV([Z^GETNAME()],\"STRING\"));");
    behaviour("B4", "OI^SET(2);@RETURN(@CONV([Y^GETNAME()],\"STRING\"));");
    behaviour("B5", "@RETURN(@CONV(Y^GET(),\"INTEGER\"));");
    fill();
    run("T4^SET(\"\");T4^ADD(B3^RUN(1,2));");
    EXPECT_EQ(textOf("T4"), "Z");
    fill();
    run("T4^SET(\"\");T4^ADD(B4^RUN(1,2));");
    EXPECT_EQ(textOf("T4"), "");
    EXPECT_EQ(textOf("__RETURN__"), "");
    fill();
    run("OI^SET(B5^RUN());");
    EXPECT_EQ(intOf("OI"), 0);
    EXPECT_EQ(intOf("__RETURN__"), 0);
    CMC_VariableFactory::clearPool();
}

// A given-back temporary drops a long text: the pools hold little beyond what is in use.
TEST_F(SafetyTest, ThePoolsKeepNoLongTextGivenBack) {
    auto textCapacity = [] {
        long long sum = 0;
        for (CMC_String* value : CMC_VariableFactory::variablesStr) sum += value->value().GetCapacity();
        return sum;
    };
    const long long bound = static_cast<long long>(CMC_VariableFactory::variablesStr.size()) *
                            CMC_VariableFactory::kKeptTextCapacity;
    text("L");
    text("OUT");
    integer("X", 1);
    auto* array = new CMC_Array(scene, CXString("A"));
    scene->addObject(array);
    // A text growing to 25 KB, read whole into a temporary at every step.
    run("@LOOP({L^ADD(\"0123456789\");OUT^SET([L+\"\"]);},0,2500,1);");
    EXPECT_EQ(textOf("OUT").size(), 25000u);
    // Only the last few given back keep theirs, so that a runner may read one it has just handed back.
    const long long kept = 2LL * CMC_VariableFactory::kLongTextsKept * 25000;
    EXPECT_LE(textCapacity(), bound + kept);
    // Short values handed out afterwards shed the long texts' buffers.
    run("@LOOP({OUT^SET([X+1]);OUT^SET(L^GET(0,3));},0,600,1);");
    EXPECT_EQ(textOf("OUT"), "012");
    EXPECT_LE(textCapacity(), bound);

    // The frame step gives back what the long text filled: ARRAY copies, texts of a whole value.
    array->add(static_cast<CMC_Variable*>(scene->getObject("L")));
    run("@LOOP({OUT^SET(A^GET(0));OUT^SET(L^GET());},0,300,1);");
    EXPECT_EQ(textOf("OUT").size(), 25000u);
    EXPECT_EQ(taken(), 0);
    CMC_VariableFactory::clearPool();
    EXPECT_LE(textCapacity(), bound);
    // And the pools still serve long texts afterwards.
    run("OUT^SET(\"\");OUT^ADD(L^GET());");
    EXPECT_EQ(textOf("OUT").size(), 25000u);
}

TEST_F(SafetyTest, ControlCodesNeverServeAsValues) {
    integer("X", 1);
    // A statement that answers with a code, used as an argument, is no value.
    run("X^SET(@BREAK());X^ADD(@CONTINUE());");
    EXPECT_EQ(intOf("X"), 1);
    // Nor as a group member's result.
    auto* group = new CMC_Groupped(CXString("G"), scene);
    scene->addObject(group);
    CMElement* definition = element("C", {{"TYPE", "CONDITION"}, {"OPERAND1", "1"}, {"OPERAND2", "1"}});
    auto* condition = new CMC_Condition(scene, definition);
    delete definition;
    scene->addObject(condition);
    condition->init();
    group->add(condition);
    EXPECT_FALSE(run("G^BREAK();X^INC();"));
    EXPECT_EQ(intOf("X"), 2);
}

TEST_F(SafetyTest, ValuesKeptByLinesOutliveTheFrameStep) {
    integer("A", 6);
    CMElement* definition =
        element("E", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "A"}, {"OPERATOR", "*"}, {"OPERAND2", "7"}});
    auto* expression = new CMC_Expression(scene, definition);
    delete definition;
    scene->addObject(expression);
    expression->init();
    expression->calculate();
    // The frame step hands every temporary back, and others take them: the result stays.
    CMC_VariableFactory::clearPool();
    for (int i = 0; i < 499; ++i) CMC_VariableFactory::allocInteger()->setValue(-1);
    ASSERT_NE(expression->getResult(), nullptr);
    EXPECT_STREQ(expression->getResult()->toString().GetBuffer(), "42");
    CMC_VariableFactory::clearPool();

    // "&NAME" of a name that holds no variable keeps the literal as the line's own value.
    integer("OUT");
    CMC_Behaviour* lines = behaviour("LINES", "OUT^SET(&12);");
    CMC_VariableFactory::clearPool();
    for (int i = 0; i < 499; ++i) CMC_VariableFactory::allocInteger()->setValue(-1);
    lines->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("OUT"), 12);
    CMC_VariableFactory::clearPool();
}

TEST_F(SafetyTest, RequestsThatCannotBeMetSaySo) {
    // A scene without a window has no timers: the behaviour does not repeat, and the log says why.
    auto* loose = new CMC_Scene(nullptr, nullptr, "LOOSE", TYPE_SCENE);
    auto* timed = new CMC_Behaviour(loose, CXString("T"), CXString("X^INC();"));
    loose->addObject(timed);
    timed->init();
    CLogCapture capture;
    auto* params = new CXArray(1, 0.75f);
    params->add(new CXString("0"));
    timed->runOnTimer(10, 3, params, nullptr);
    EXPECT_EQ(timed->LastError(), ERR_NOT_BUILT);
    EXPECT_TRUE(capture.contains("timers"));
    EXPECT_EQ(loose->getObject("T"), nullptr); // it left the scene and waits in the trash
    CMC_Behaviour::flushTrash();
    loose->unload();
    delete loose;

    // A clone range no game has is refused rather than walked.
    auto* group = new CMC_Groupped(CXString("G"), scene);
    scene->addObject(group);
    capture.clear();
    run("G^ADDCLONES(\"G\",0,2000000000);");
    EXPECT_TRUE(capture.contains("ADDCLONES"));
    EXPECT_EQ(group->getSize(), 0);
}

// Code that calls itself without end stops with a message instead of overflowing the stack; a deep
// recursion that ends still runs whole.
TEST_F(SafetyTest, CodeThatCallsItselfWithoutEndStops) {
    integer("N", 0);
    integer("AFTER", 0);
    CLogCapture capture;
    // Directly, and through a statement's body: the whole chain stops as a break.
    behaviour("SELF", "N^INC();SELF^RUN();AFTER^INC();");
    EXPECT_TRUE(run("SELF^RUN();AFTER^INC();"));
    EXPECT_GT(intOf("N"), 100);
    EXPECT_EQ(intOf("AFTER"), 0);
    EXPECT_TRUE(capture.contains("nested"));
    behaviour("BODY", "N^INC();@IF(N>0,\"BODY\",\"\");");
    EXPECT_TRUE(run("BODY^RUN();"));
    // Through a line's argument, which takes more stack a level: the run stops before the stack ends.
    behaviour("CALLED", "N^INC();");
    behaviour("ARGUMENT", "CALLED^RUN(N^ADD(ARGUMENT^RUN()));");
    capture.clear();
    run("ARGUMENT^RUN();");
    EXPECT_TRUE(capture.contains("nested"));

    // A handler that changes the value it watches.
    behaviour("WATCH", "W^INC();");
    CMElement* watched = element("W", {{"TYPE", "INTEGER"}, {"ONCHANGED", "WATCH"}});
    auto* w = new CMC_Integer(scene, watched);
    delete watched;
    scene->addObject(w);
    run("W^INC();AFTER^INC();");
    EXPECT_GT(intOf("W"), 100);
    EXPECT_EQ(intOf("AFTER"), 1);

    // A condition whose operand tests the condition itself: the inner test reads false.
    CMElement* definition = element("LOOPING", {{"TYPE", "CONDITION"},
                                                {"OPERAND1", "LOOPING^CHECK()"},
                                                {"OPERATOR", "EQUAL"},
                                                {"OPERAND2", "FALSE"}});
    auto* condition = new CMC_Condition(scene, definition);
    delete definition;
    scene->addObject(condition);
    condition->init();
    EXPECT_TRUE(condition->valid(false));
    EXPECT_TRUE(condition->valid(false)); // and it can be tested again

    integer("DEPTH", 0);
    behaviour("DOWN", "DEPTH^INC();@IF(DEPTH<300,\"DOWN\",\"\");");
    EXPECT_FALSE(run("DOWN^RUN();"));
    EXPECT_EQ(intOf("DEPTH"), 300);
    CMC_VariableFactory::clearPool();
}

// A program asked to end stops the scripts that would keep it from ending: every behaviour on the stack
// ends as after a BREAK and none starts while the stop holds. Without a stop long loops run whole, the watch
// asked on the way.
TEST_F(SafetyTest, AStopRequestEndsEveryRunningBehaviourAndNothingElseDoes) {
    struct Watch {
        int calls = 0;
        int askAt = 0; // the call that answers "end"; 0 never
        static bool answer(void* self) {
            auto* watch = static_cast<Watch*>(self);
            return ++watch->calls == watch->askAt;
        }
    } watch;
    struct Reset {
        ~Reset() {
            CMC_StopRequest::setWatch(nullptr, nullptr);
            CMC_StopRequest::clear();
        }
    } reset;
    CMC_StopRequest::setWatch(&Watch::answer, &watch, 0);
    integer("N", 0);
    integer("I", 0);
    integer("W", 0);
    integer("AFTER", 0);
    behaviour("COUNT", "N^INC();");
    behaviour("EMPTY", "");

    EXPECT_FALSE(run("@WHILE(\"N\",\"<\",20000,\"{N^INC();}\");@LOOP({N^INC();},0,20000,1);"
                     "@FOR(I,{N^INC();},0,20000,1);COUNT^RUNLOOPED(0,20000);AFTER^INC();"));
    EXPECT_EQ(intOf("N"), 80000);
    EXPECT_EQ(intOf("AFTER"), 1);
    EXPECT_GT(watch.calls, 50);
    EXPECT_FALSE(CMC_StopRequest::isAsked());

    // Endless loops of each kind, nested under callers that would go on: the break travels up to the top.
    behaviour("SPIN", "@WHILE(\"W\",\"<\",5,\"{W^SET(0);}\");AFTER^INC();");
    behaviour("MIDDLE", "@LOOP({SPIN^RUN();AFTER^INC();},0,3,1);AFTER^INC();");
    const char* endless[] = {
        "@IF(N,_,80000,{MIDDLE^RUN();AFTER^INC();},{});AFTER^INC();",
        "@WHILE(\"W\",\"<\",5,\"\");AFTER^INC();",
        "@LOOP(\"\",0,2000000000,1);AFTER^INC();",
        "EMPTY^RUNLOOPED(0,2000000000);AFTER^INC();",
    };
    for (const char* code : endless) {
        watch.askAt = watch.calls + 3;
        EXPECT_TRUE(run(code)) << code;
        EXPECT_EQ(intOf("AFTER"), 1) << code;
        // While the stop holds nothing runs; once cleared, all does.
        EXPECT_TRUE(run("N^INC();"));
        EXPECT_EQ(intOf("N"), 80000);
        CMC_StopRequest::clear();
    }
    EXPECT_FALSE(run("N^INC();"));
    EXPECT_EQ(intOf("N"), 80001);

    // Asked from another thread, as a signal handler's flag is.
    CMC_StopRequest::setWatch(nullptr, nullptr);
    std::thread asker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        CMC_StopRequest::ask();
    });
    EXPECT_TRUE(run("MIDDLE^RUN();AFTER^INC();"));
    asker.join();
    EXPECT_EQ(intOf("AFTER"), 1);
}

// Arguments, brackets and inline code nested without end are parsed only so deep, so a long line of them
// neither overflows the stack nor copies itself at every level; nesting as scripts write it is whole.
TEST_F(SafetyTest, CodeNestedTooDeepIsNotParsedPastALimit) {
    integer("X", 0);
    auto nested = [](const char* open, const char* middle, const char* close, int levels) {
        std::string text;
        for (int i = 0; i < levels; ++i) text += open;
        text += middle;
        for (int i = 0; i < levels; ++i) text += close;
        return "X^SET(" + text + ");";
    };
    CLogCapture capture;
    run(nested("[", "2", "]", 40).c_str());
    EXPECT_EQ(intOf("X"), 2);
    run(nested("X^SET(", "7", ")", 40).c_str());
    EXPECT_EQ(intOf("X"), 7);
    EXPECT_FALSE(capture.contains("nested"));
    for (const char* open : {"X^ADD(", "[", "{X^ADD("}) {
        const char* close = open[0] == '[' ? "]" : open[0] == '{' ? ")}" : ")";
        run(nested(open, "1", close, 5000).c_str());
    }
    EXPECT_TRUE(capture.contains("nested"));
    CMC_VariableFactory::clearPool();
}

// Lines read $1.. from parameters whose owner may let them go in the middle of the run.
TEST_F(SafetyTest, ParametersOutliveTheirOwnerDuringARun) {
    static uint64_t now = 0;
    CPlatformClock::inject([]() { return now * 1000; });
    text("S");
    // A timer behaviour that stops its own repetition still finishes the tick with its tick number.
    run("@RUNONTIMER(10,0,{S^ADD(&1);THIS^BREAK();S^ADD(&1);},\"\");");
    for (int tick = 0; tick < 2; ++tick) {
        now += 10;
        window.timers()->domodal();
    }
    EXPECT_EQ(textOf("S"), "11");
    CMC_Behaviour::flushTrash();
    CPlatformClock::inject(nullptr);

    // A condition's handler that deletes the condition reads the arguments it was bound with.
    CMC_Integer* trigger = integer("TRIGGER");
    trigger->initializeBehaviours(scene, nullptr);
    auto* killer = new RecordingBehaviour(scene, "KILL", nullptr);
    scene->addObject(killer);
    trigger->addBehaviour(CXString("ONCHANGED"), killer, nullptr, scene);
    killer->onRun = [this](CMC_Object*) {
        CMC_Object* doomed = scene->getObject("COND");
        scene->removeObject(doomed);
        delete doomed;
    };
    behaviour("HANDLER", "TRIGGER^INC();S^ADD($1);S^ADD($2);");
    CMElement* definition = element(
        "COND",
        {{"TYPE", "CONDITION"}, {"OPERAND1", "1"}, {"OPERAND2", "1"}, {"ONRUNTIMESUCCESS", "HANDLER(a,b)"}});
    auto* condition = new CMC_Condition(scene, definition);
    delete definition;
    scene->addObject(condition);
    condition->init();
    static_cast<CMC_String*>(scene->getObject("S"))->setValue("");
    EXPECT_TRUE(condition->valid(true));
    EXPECT_EQ(scene->getObject("COND"), nullptr);
    EXPECT_EQ(textOf("S"), "ab");

    // The same for an object whose handler deletes it.
    killer->onRun = [this](CMC_Object*) {
        CMC_Object* doomed = scene->getObject("X");
        scene->removeObject(doomed);
        delete doomed;
    };
    CMC_Integer* x = integer("X");
    x->initializeBehaviours(scene, nullptr);
    auto* args = new CXArray(2, 0.75f);
    args->add(new CXString("c"));
    args->add(new CXString("d"));
    x->addBehaviour(CXString("ONCHANGED"), static_cast<CMC_Behaviour*>(scene->getObject("HANDLER")), args,
                    scene);
    run("X^INC();");
    EXPECT_EQ(scene->getObject("X"), nullptr);
    EXPECT_EQ(textOf("S"), "abcd");
    EXPECT_EQ(taken(), 0);
}

// An EXPRESSION argument is calculated when a method reads it, and its code may delete the object the method
// works on, or the container it runs in: the method stops there.
TEST_F(SafetyTest, ArgumentsThatDeleteTheReceiverStopTheMethod) {
    CMC_Object* doomed = nullptr;
    auto* killer = new RecordingBehaviour(scene, "KILL", nullptr);
    scene->addObject(killer);
    killer->onRun = [&doomed](CMC_Object*) {
        if (!doomed) return;
        if (CMC_ObjectsContainer* where = doomed->getScene()) where->removeObject(doomed);
        delete doomed;
        doomed = nullptr;
    };
    auto kill = std::make_unique<CMC_Expression>(scene, CXString("KILL^RUN()"));
    std::vector<std::unique_ptr<CMC_Variable>> literals;
    auto word = [&](const char* value) {
        literals.push_back(std::make_unique<CMC_String>(CXString("temp"), CXString(value)));
        return literals.back().get();
    };
    auto call = [&](CMC_Object* receiver, const char* method, std::vector<CMC_Variable*> values,
                    CMC_ObjectsContainer* where) {
        doomed = receiver;
        CXVector args(8, 0.75f);
        for (CMC_Variable* value : values) args.add(value);
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(receiver->getType());
        CMC_Variable* result = runner->run(CXString(method), receiver, where, &args);
        EXPECT_EQ(doomed, nullptr) << method;
        doomed = nullptr;
        if (!isControlCode(result)) CMC_Object::flush(result);
    };
    auto made = [&](CMC_Object* object) {
        object->setScene(scene);
        scene->addObject(object);
        return object;
    };

    struct Case {
        int type;
        const char* method;
        int position; // where the deleting argument goes among two
    };
    const Case cases[] = {
        {TYPE_INTEGER, "SET", 0},     {TYPE_INTEGER, "SWITCH", 1},       {TYPE_INTEGER, "ADD", 0},
        {TYPE_INTEGER, "SUB", 0},     {TYPE_INTEGER, "SETDEFAULT", 0},   {TYPE_INTEGER, "ABS", 0},
        {TYPE_INTEGER, "POWER", 0},   {TYPE_INTEGER, "CLAMP", 1},        {TYPE_INTEGER, "RANDOM", 0},
        {TYPE_DOUBLE, "MAXA", 1},     {TYPE_DOUBLE, "LENGTH", 1},        {TYPE_DOUBLE, "SINUS", 0},
        {TYPE_STRING, "SUB", 1},      {TYPE_STRING, "GET", 1},           {TYPE_STRING, "FIND", 0},
        {TYPE_STRING, "CUT", 1},      {TYPE_STRING, "REPLACEAT", 1},     {TYPE_STRING, "INSERTAT", 1},
        {TYPE_STRING, "REPLACE", 1},  {TYPE_STRING, "ISUPPERLETTER", 0}, {TYPE_GROUP, "ADD", 0},
        {TYPE_GROUP, "REMOVE", 0},    {TYPE_GROUP, "GETNAME", 0},        {TYPE_GROUP, "NEXT", 0},
        {TYPE_GROUP, "ADDCLONES", 1}, {TYPE_GROUP, "SETMARKERPOS", 0},   {TYPE_GROUP, "CONTAINS", 0},
        {TYPE_TIMER, "SET", 0},       {TYPE_TIMER, "SETELAPSE", 0},      {TYPE_BEHAVIOUR, "RUN", 0},
    };
    for (const Case& c : cases) {
        CMC_Object* receiver = nullptr;
        switch (c.type) {
        case TYPE_INTEGER:
            receiver = integer("VICTIM", 3);
            break;
        case TYPE_DOUBLE:
            receiver = real("VICTIM", 3);
            break;
        case TYPE_STRING:
            receiver = text("VICTIM", "abcde");
            break;
        case TYPE_GROUP:
            receiver = made(new CMC_Groupped(CXString("VICTIM"), scene));
            break;
        case TYPE_TIMER:
            receiver = new CMC_Timer(scene);
            receiver->setName(CXString("VICTIM"));
            made(receiver);
            break;
        default:
            receiver = behaviour("VICTIM", "KILL^RUN();");
            break;
        }
        std::vector<CMC_Variable*> values{word("1"), word("1")};
        values[static_cast<size_t>(c.position)] = kill.get();
        call(receiver, c.method, values, scene);
    }

    // Through a script line, as a game writes it: the timer is gone, and the line after it runs.
    CMC_Object* timer = new CMC_Timer(scene);
    timer->setName(CXString("VICTIM"));
    made(timer);
    integer("AFTER");
    doomed = timer;
    run("VICTIM^SETELAPSE([KILL^RUN()]);AFTER^INC();");
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(scene->getObject("VICTIM"), nullptr);
    EXPECT_EQ(intOf("AFTER"), 1);

    // An expression that deletes itself when its value is read.
    CMElement* definition = element(
        "VICTIM", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "KILL^RUN()"}, {"OPERATOR", "+"}, {"OPERAND2", "1"}});
    auto* expression = new CMC_Expression(scene, definition);
    delete definition;
    made(expression);
    expression->init();
    call(expression, "ABS", {word("1")}, scene);

    // An argument that deletes itself while it is read: the method sees a missing argument.
    CMC_Object* target = integer("TARGET", 5);
    auto* selfDeleting = new CMC_Expression(scene, CXString("KILL^RUN()"));
    made(selfDeleting);
    doomed = selfDeleting;
    {
        CXVector args(2, 0.75f);
        args.add(selfDeleting);
        CMC_Variable* result =
            CMC_RunnerFactory::getRunner(TYPE_INTEGER)->run(CXString("SET"), target, scene, &args);
        if (!isControlCode(result)) CMC_Object::flush(result);
    }
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(scene->getObject("TARGET"), target);

    // A condition's methods.
    CMElement* conditionDefinition =
        element("VICTIM", {{"TYPE", "CONDITION"}, {"OPERAND1", "1"}, {"OPERAND2", "1"}});
    for (const char* method : {"CHECK", "BREAK"}) {
        auto* condition = new CMC_Condition(scene, conditionDefinition);
        made(condition);
        condition->init();
        call(condition, method, {kill.get()}, scene);
    }
    delete conditionDefinition;

    // Statements whose container goes while their arguments are read.
    CMC_Behaviour* holder = behaviour("HOLDER", "");
    struct Statement {
        const char* name;
        std::vector<CMC_Variable*> values;
    };
    const Statement statements[] = {
        {"IF", {kill.get(), word("{}"), word("{}")}},
        {"IF", {word("1"), word("_"), kill.get(), word("{}")}},
        {"WHILE", {word("1"), word("_"), word("1"), kill.get()}},
        {"LOOP", {word("{}"), word("0"), kill.get(), word("1")}},
        {"RETURN", {kill.get()}},
        {"VALUE", {kill.get()}},
        {"CREATE", {word("ANIMO"), kill.get()}},
        {"RUNONTIMER", {word("10"), word("1"), word("{}"), word(""), kill.get()}},
        {"INT", {word("LOCAL"), kill.get()}},
        {"STRING", {kill.get(), word("1")}},
    };
    for (const Statement& statement : statements) {
        auto* inner = new CMC_Scene(&window, nullptr, "INNER", TYPE_SCENE);
        doomed = inner;
        CXVector args(8, 0.75f);
        for (CMC_Variable* value : statement.values) args.add(value);
        CMC_Runner* statements = CMC_RunnerFactory::getRunner(TYPE_PLACEHOLDER);
        CMC_Variable* result = statements->run(CXString(statement.name), holder, inner, &args);
        EXPECT_EQ(doomed, nullptr) << statement.name;
        if (!isControlCode(result)) CMC_Object::flush(result);
        doomed = nullptr;
    }
    // A declaration whose behaviour goes while its value or its name is read.
    for (int position : {1, 0}) {
        CMC_Behaviour* declaring = behaviour("DECLARING", "");
        doomed = declaring;
        CXVector args(4, 0.75f);
        args.add(position == 1 ? word("LOCAL") : kill.get());
        args.add(position == 1 ? kill.get() : word("LOCAL"));
        CMC_Variable* result =
            CMC_RunnerFactory::getRunner(TYPE_PLACEHOLDER)->run(CXString("INT"), declaring, scene, &args);
        EXPECT_EQ(result, nullptr) << position;
        EXPECT_EQ(doomed, nullptr) << position;
        EXPECT_EQ(scene->getObject("LOCAL"), nullptr) << position;
    }
    CMC_VariableFactory::clearPool();
}

// Objects a call still holds outside a line's own argument list, deleted by code the call runs, read as
// missing. BDX deletes X and answers a value, and so on.
TEST_F(SafetyTest, WhatACallHoldsApartFromItsArgumentsReadsAsMissingOnceDeleted) {
    integer("I", 1);
    integer("X", 4);
    integer("Y", 5);
    integer("Z", 1);
    text("T0");
    for (const char* name : {"X", "Y", "Z", "O"})
        behaviour((std::string("BD") + name).c_str(),
                  (std::string("SCENE^REMOVE(\"") + name + "\");@RETURN(\"N\");").c_str());
    // SCENE^RUN hands the arguments after the method on in a list of its own.
    run("SCENE^RUN(\"I\",\"SWITCH\",[BDY^RUN()],Y);");
    EXPECT_EQ(intOf("I"), 1);
    // The text interpreter (an IF's operand) finds its target before its arguments' code deletes it.
    run("@IF(\"Z^SET(BDZ^RUN())'0\",{T0^ADD(a);},{T0^ADD(b);});");
    // A declaration whose name is an expression that deletes its value.
    run("@INT([BDX^RUN()],X);T0^ADD(N);");
    EXPECT_EQ(textOf("T0"), "b0");
    // A handler's object (THIS) deleted by its first line and named by the next, and as the target of a line
    // whose argument deletes it.
    for (const char* code :
         {"{SCENE^REMOVE(\"O\");T0^ADD(THIS^GET());T0^ADD(c);}", "{THIS^SET(BDO^RUN());T0^ADD(d);}"}) {
        CMElement* definition = element("O", {{"TYPE", "INTEGER"}, {"ONCHANGED", code}});
        auto* made = new CMC_Integer(scene, definition);
        delete definition;
        scene->addObject(made);
        made->init();
        run("O^INC();");
    }
    EXPECT_EQ(textOf("T0"), "b0cd");
    for (const char* name : {"X", "Y", "Z", "O"}) EXPECT_EQ(scene->getObject(name), nullptr) << name;
}

// A test text built at run time is read by the text interpreter, whose nesting neither the parser's limit nor
// the runs' depth sees: it stops before the stack ends.
TEST_F(SafetyTest, ATestTextNestedDeepStopsBeforeTheStackEnds) {
    integer("X", 0);
    text("T");
    text("OUT");
    // Parentheses in a literal would count in the line's own nesting: the pieces come from variables.
    text("OPEN", "X^ADD(");
    text("CLOSE", ")");
    integer("NEST", 10000);
    run("@LOOP({T^ADD(OPEN);},0,NEST,1);T^ADD(1);@LOOP({T^ADD(CLOSE);},0,NEST,1);T^ADD(\"'0\");"
        "@IF(T,{OUT^SET(a);},{OUT^SET(b);});");
    EXPECT_NE(textOf("OUT"), "");
}
