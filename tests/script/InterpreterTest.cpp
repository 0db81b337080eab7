#include "InterpreterSupport.h"

#include "core/Log.h"
#include "harness/AllocationCount.h"
#include "script/Condition.h"
#include "script/Expression.h"
#include "script/Groupped.h"
#include "script/Structure.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

std::vector<std::string> pieces(const char* code) {
    std::vector<std::string> result;
    for (const CXString& piece : CMC_Behaviour_Entry::splitCode(CXString(code)))
        result.emplace_back(piece.GetBuffer());
    return result;
}

} // namespace

TEST(CodeSplitting, LinesBlanksAndTheDroppedTail) {
    struct Case {
        const char* code;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"ANIM^SHOW();SND^PLAY();", {"ANIM^SHOW()", "SND^PLAY()"}},
        {"ANIM^SHOW();SND^PLAY()", {"ANIM^SHOW()"}}, // no ";" after the last line: it is dropped
        {"ANIM^SETFRAME(F(1;2));", {"ANIM^SETFRAME(F(1;2))"}},
        {"ANIM ^ SHOW ( ) ;", {"ANIM^SHOW()"}},
        {"S^SET(\"a b\");", {"S^SET(\"ab\")"}}, // blanks go inside quotes too
        {"@LOOP({A^B();C^D();},0,2,1);", {"@LOOP({A^B();C^D();},0,2,1)"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(pieces(c.code), c.lines) << c.code;
}

TEST(CodeSplitting, ParameterSubstitution) {
    CXArray params(4, 0.75f);
    CXString five("5");
    CXString seven("7");
    params.add(&five);
    params.add(&seven);
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"$2$1", "75"}, {"$3", "$3"}, {"a$", "a$"}, {"$$1", "$$1"}, {"x$1y", "x5y"}, {"$0", "$0"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CMC_Behaviour_Entry::fillParams(CXString(c.text), &params).GetBuffer(), c.expected)
            << c.text;
    EXPECT_STREQ(CMC_Behaviour_Entry::fillParams(CXString("$1"), nullptr).GetBuffer(), "$1");

    // No fixed buffer: a long text survives whole.
    std::string longText(50000, 'x');
    longText += "$1";
    EXPECT_EQ(CMC_Behaviour_Entry::fillParams(CXString(longText.c_str()), &params).GetLength(), 50001);
}

TEST_F(InterpreterTest, ExpressionsRunLeftToRightTypedByTheLeftOperand) {
    integer("A", 10);
    integer("B", 2);
    integer("C", 3);
    text("T", "ab");
    struct Case {
        const char* expression;
        int type;
        const char* expected;
    };
    const Case cases[] = {
        {"[2+3*4]", TYPE_INTEGER, "20"},      {"[10@4]", TYPE_INTEGER, "2"},
        {"[10.0@4]", TYPE_DOUBLE, "2.50000"}, {"[A-[B+C]]", TYPE_INTEGER, "5"},
        {"[A@B%3]", TYPE_INTEGER, "2"},       {"[T+A]", TYPE_STRING, "ab10"},
        {"[A+T]", TYPE_INTEGER, "10"},        {"[7%3]", TYPE_INTEGER, "1"},
    };
    for (const Case& c : cases) {
        CMC_Variable* value =
            CMC_Behaviour::resolveParameter(scene, nullptr, CXString(c.expression), nullptr);
        ASSERT_NE(value, nullptr) << c.expression;
        ASSERT_EQ(value->getType(), TYPE_EXPRESSION);
        auto* expression = static_cast<CMC_Expression*>(value);
        expression->calculate();
        CMC_Variable* result = expression->getResult();
        ASSERT_NE(result, nullptr) << c.expression;
        EXPECT_EQ(result->getType(), c.type) << c.expression;
        EXPECT_STREQ(result->toString().GetBuffer(), c.expected) << c.expression;
    }
    // An expression made by the text interpreter waits in the trash for the frame step.
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), static_cast<int>(std::size(cases)));
    CMC_Behaviour::flushTrash();
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 0);

    // The same through parsed lines, with and without parameters.
    integer("R");
    run("R^SET([2+3*4]);");
    EXPECT_EQ(intOf("R"), 20);
    run("R^SET([$1*$2+1]);", {"3", "4"});
    EXPECT_EQ(intOf("R"), 13);
    run("R^SET([-5]);"); // a leading sign leaves the first operand empty: no value, nothing set
    EXPECT_EQ(intOf("R"), 13);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, DeclaredExpressionConcatenatesAStringWithAnInteger) {
    text("NAME", "car");
    integer("N", 7);
    CMElement* definition =
        element("E", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "NAME"}, {"OPERATOR", "ADD"}, {"OPERAND2", "N"}});
    auto* expression = new CMC_Expression(scene, definition);
    delete definition;
    scene->addObject(expression);
    expression->init();
    EXPECT_TRUE(expression->isStill());
    text("OUT");
    run("OUT^SET(E);");
    EXPECT_EQ(textOf("OUT"), "car7");
    static_cast<CMC_Integer*>(scene->getObject("N"))->setValue(8);
    run("OUT^SET(E);");
    EXPECT_EQ(textOf("OUT"), "car8");
    // An expression whose operand is itself stops instead of calculating for ever.
    CMElement* loop =
        element("SELF", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "SELF"}, {"OPERATOR", "+"}, {"OPERAND2", "1"}});
    auto* self = new CMC_Expression(scene, loop);
    delete loop;
    scene->addObject(self);
    self->init();
    self->calculate();
    EXPECT_EQ(self->getResult(), nullptr);
}

TEST_F(InterpreterTest, BreakOneBreakAndContinueSeenFromTheCaller) {
    integer("X");
    integer("Y");
    behaviour("STOPS", "@BREAK();X^INC();");
    behaviour("STOPSONE", "@ONEBREAK();X^INC();");
    // -1 stops the behaviour and, through RUN, its caller.
    EXPECT_TRUE(run("STOPS^RUN();Y^INC();"));
    EXPECT_EQ(intOf("X"), 0);
    EXPECT_EQ(intOf("Y"), 0);
    // -2 stops only the behaviour that ran it.
    EXPECT_FALSE(run("STOPSONE^RUN();Y^INC();"));
    EXPECT_EQ(intOf("X"), 0);
    EXPECT_EQ(intOf("Y"), 1);
    // -3 ends one round of a loop body.
    EXPECT_FALSE(run("@LOOP({X^INC();@CONTINUE();Y^INC();},0,3,1);"));
    EXPECT_EQ(intOf("X"), 3);
    EXPECT_EQ(intOf("Y"), 1);
    // A break in a loop body ends the loop and the behaviour holding it.
    EXPECT_TRUE(run("@LOOP({X^INC();@BREAK();},0,5,1);Y^INC();"));
    EXPECT_EQ(intOf("X"), 4);
    EXPECT_EQ(intOf("Y"), 1);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, ReturnValues) {
    integer("R");
    behaviour("TWICE", "@RETURN([$1*2]);");
    run("R^SET(TWICE^RUN(21));");
    EXPECT_EQ(intOf("R"), 42);
    // RETURN twice leaves one "__RETURN__" holding the second value.
    run("@RETURN(1);@RETURN(abc);");
    CMC_Object* value = scene->getObject("__RETURN__");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->getType(), TYPE_STRING);
    EXPECT_EQ(textOf("__RETURN__"), "abc");
    int found = 0;
    for (int i = 0; i < scene->getObjects()->getSize(); ++i)
        if (scene->getObject(i)->name().equals("__RETURN__")) ++found;
    EXPECT_EQ(found, 1);
    // A line bound to "__RETURN__" follows the new one.
    text("OUT");
    behaviour("READ", "OUT^SET(__RETURN__);");
    run("@RETURN(second);READ^RUN();");
    EXPECT_EQ(textOf("OUT"), "second");
    // RUNC checks the condition, RUNLOOPED hands back "__RETURN__" itself.
    run("@RETURN(5);R^SET(TWICE^RUNLOOPED(0,3));");
    EXPECT_EQ(intOf("R"), 4); // the last round returned 2 * 2
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, LoopForAndWhileCounts) {
    text("S");
    struct Case {
        const char* code;
        const char* expected;
    };
    const Case cases[] = {
        {"@LOOP({S^ADD(_I_);},0,3,1);", "012"},
        {"@LOOP({S^ADD(_I_);},5,-3,-1);", "543"},
        {"@LOOP({S^ADD(_I_);},0,0,1);", ""},
        {"@LOOP({S^ADD(_I_);},0,10,4);", "048"},
        // The inner loop hides the outer "_I_" and gives it back.
        {"@LOOP({S^ADD(_I_);@LOOP({S^ADD(x);},0,2,1);S^ADD(_I_);},0,2,1);", "0xx01xx1"},
        {"@INT(I,0);@FOR(I,{S^ADD(I);},3,3,1);", "345"},
        {"@INT(I,0);@WHILE(\"I\",<,3,{S^ADD(I);I^INC();});", "012"},
        {"@INT(I,5);@WHILE(\"I\",<,3,{S^ADD(I);});", ""},
        {"BODY^RUNLOOPED(0,3);", "012"},
        {"BODY^RUNLOOPED(0,10,5);", "0555"}, // $2 is the step
        {"BODY^RUNLOOPED(0,0);", ""},
    };
    behaviour("BODY", "S^ADD($1);S^ADD($2);");
    for (const Case& c : cases) {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue("");
        run(c.code);
        std::string got = textOf("S");
        // RUNLOOPED's unused $2 stays as it is written.
        std::string cleaned;
        for (size_t i = 0; i < got.size(); ++i) {
            if (got.compare(i, 2, "$2") == 0) {
                ++i;
                continue;
            }
            cleaned += got[i];
        }
        EXPECT_EQ(cleaned, c.expected) << c.code;
        EXPECT_EQ(scene->getObject("_I_"), nullptr) << c.code;
        EXPECT_EQ(scene->getObject("I"), nullptr) << c.code; // a local goes when its run ends
    }
    // An "_I_" of the scene's own that no scene was given (as CREATE makes one) is given back too.
    auto* outer = new CMC_Integer(CXString("_I_"));
    scene->addObject(outer);
    run("@LOOP({S^ADD(_I_);},0,2,1);");
    EXPECT_EQ(scene->getObject("_I_"), outer);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, IfFormsAndOperators) {
    integer("X", 1);
    integer("Z", 2);
    integer("Y");
    text("P", "1||Z'2");
    struct Case {
        const char* condition;
        bool then;
    };
    const Case oneText[] = {
        {"X'1", true},      {"X'2", false},          {"X!'2", true},     {"X<'1", true},
        {"X<1", false},     {"X>'1", true},          {"X>1", false},     {"X<2", true},
        {"X'1&&Z'2", true}, {"X'1&&Z'3", false},     {"X'0||Z'2", true}, {"X'0||Z'0", false},
        {"X'1.0", true},    {"X'1&&Z'2&&X'1", true},
        // Both separators: split at every "&&", and "or" since a "||" stands in the text. P holds the text
        // 1||Z'2, which the piece P'1||Z'2 compares with.
        {"X'0&&P'1||Z'2", true}, {"X'0&&P'1||Z'3", false}, {"X'1&&X'0||Z'2", true},
        {"X'0&&Z'0&&P'1||Z'2", true}, {"P'1||Z'2", true}, {"P'1||Z'0", false}, {"X'0&&P'1", false},
    };
    for (const Case& c : oneText) {
        std::string code = std::string("Y^SET(0);@IF(") + c.condition + ",{Y^SET(1);},{Y^SET(2);});";
        run(code.c_str());
        EXPECT_EQ(intOf("Y"), c.then ? 1 : 2) << c.condition;
    }
    const Case operatorText[] = {
        {"X,_,1", true},  {"X,!_,1", false}, {"X,<>,2", true}, {"X,<,2", true},
        {"X,<_,1", true}, {"X,>,1", false},  {"X,>_,1", true}, {"Z,_,2", true},
    };
    for (const Case& c : operatorText) {
        std::string code = std::string("Y^SET(0);@IF(") + c.condition + ",{Y^SET(1);},{Y^SET(2);});";
        run(code.c_str());
        EXPECT_EQ(intOf("Y"), c.then ? 1 : 2) << c.condition;
    }
    // Without an else branch nothing runs.
    run("Y^SET(0);@IF(X,_,2,{Y^SET(1);});");
    EXPECT_EQ(intOf("Y"), 0);
    // A type test, and a break in a branch breaking the behaviour that holds the IF.
    CMC_Behaviour* typed = behaviour("TYPED", "");
    (void)typed;
    run("Y^SET(0);@IF(\"TYPED\",?,BEHAVIOUR,{Y^SET(1);},{Y^SET(2);});");
    EXPECT_EQ(intOf("Y"), 1);
    EXPECT_TRUE(run("Y^SET(0);@IF(X'1,{@BREAK();},{});Y^SET(5);"));
    EXPECT_EQ(intOf("Y"), 0);

    // "and" stops at the first false piece: the bracket in the second piece is never made.
    CMC_Behaviour::flushTrash();
    run("@IF(X'0&&[Z+0]'2,{Y^SET(1);},{Y^SET(2);});");
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 0);
    run("@IF(X'1&&[Z+0]'2,{Y^SET(1);},{Y^SET(2);});");
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 1);
    EXPECT_EQ(intOf("Y"), 1);
    // With a "||" in the text, "or" stops at the first true piece.
    CMC_Behaviour::flushTrash();
    run("Y^SET(0);@IF(X'1&&[Z+0]'2||X'0,{Y^SET(1);},{Y^SET(2);});");
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 0);
    EXPECT_EQ(intOf("Y"), 1);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, ConditionObjectsOnMixedTypes) {
    integer("I", 5);
    text("S", "5");
    real("D", 2.5);
    std::vector<std::string> log;
    auto* success = new RecordingBehaviour(scene, "OK", &log);
    scene->addObject(success);
    auto* failure = new RecordingBehaviour(scene, "NO", &log);
    scene->addObject(failure);
    auto condition = [&](const char* name, const char* a, const char* op, const char* b) {
        CMElement* definition = element(name, {{"TYPE", "CONDITION"},
                                               {"OPERAND1", a},
                                               {"OPERATOR", op},
                                               {"OPERAND2", b},
                                               {"ONRUNTIMESUCCESS", "OK"},
                                               {"ONRUNTIMEFAILED", "NO"}});
        auto* made = new CMC_Condition(scene, definition);
        delete definition;
        scene->addObject(made);
        made->init();
        return made;
    };
    struct Case {
        const char* a;
        const char* op;
        const char* b;
        bool result;
    };
    const Case cases[] = {
        {"I", "EQUAL", "5.0", true}, // the second converted to INTEGER first
        {"I", "NOTEQUAL", "S", false},         {"I", "LESS", "6", true},
        {"I", "GREATEREQUAL", "5", true},      {"D", "GREATER", "2", true},
        {"D", "LESSEQUAL", "2", false},        {"S", "EQUAL", "I", true},
        {"I", "INSTANCEOF", "INTEGER", false}, // the object form has no type test
        {"I", "WHATEVER", "5", true},          // an unknown keyword is EQUAL
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name("C");
        name.append(std::to_string(n++));
        CMC_Condition* made = condition(name.c_str(), c.a, c.op, c.b);
        log.clear();
        EXPECT_EQ(made->valid(true), c.result) << c.a << " " << c.op << " " << c.b;
        std::string expected(c.result ? "OK:" : "NO:");
        expected.append(name);
        EXPECT_EQ(log, std::vector<std::string>{expected});
        log.clear();
        EXPECT_EQ(made->valid(false), c.result);
        EXPECT_TRUE(log.empty());
    }

    // The complex form: OR never tests the second when the first is true.
    condition("TRUE1", "I", "EQUAL", "5");
    condition("FALSE1", "I", "EQUAL", "6");
    auto complex = [&](const char* name, const char* first, const char* op, const char* second) {
        CMElement* definition = element(
            name,
            {{"TYPE", "COMPLEXCONDITION"}, {"CONDITION1", first}, {"CONDITION2", second}, {"OPERATOR", op}});
        auto* made = new CMC_ComplexCondition(scene, definition);
        delete definition;
        scene->addObject(made);
        return made;
    };
    log.clear();
    EXPECT_TRUE(complex("OR1", "TRUE1", "OR", "FALSE1")->valid(true));
    EXPECT_EQ(log, std::vector<std::string>{"OK:TRUE1"});
    log.clear();
    EXPECT_FALSE(complex("AND1", "FALSE1", "AND", "TRUE1")->valid(true));
    EXPECT_EQ(log, std::vector<std::string>{"NO:FALSE1"});
    EXPECT_FALSE(complex("MISSING", "TRUE1", "AND", "NOPE")->valid(true));
    EXPECT_FALSE(complex("ITSELF", "ITSELF", "OR", "ITSELF")->valid(true));

    // Methods: BREAK on a false condition lets the line's behaviour go on.
    integer("Y");
    EXPECT_FALSE(run("FALSE1^BREAK(FALSE);Y^INC();"));
    EXPECT_EQ(intOf("Y"), 1);
    EXPECT_TRUE(run("TRUE1^BREAK(FALSE);Y^INC();"));
    EXPECT_EQ(intOf("Y"), 1);
    EXPECT_FALSE(run("TRUE1^ONE_BREAK(FALSE);Y^INC();"));
    EXPECT_EQ(intOf("Y"), 1);
    flag("B");
    run("B^SET(TRUE1^CHECK(FALSE));");
    EXPECT_TRUE(static_cast<CMC_Bool*>(scene->getObject("B"))->getValue());

    // A behaviour's own condition gates RUNC and events, not RUN.
    CMElement* gate =
        element("GATED", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{Y^INC();}"}, {"CONDITION", "FALSE1"}});
    auto* gated = new CMC_Behaviour(scene, gate);
    delete gate;
    scene->addObject(gated);
    gated->init();
    gated->resolveCondition();
    EXPECT_FALSE(gated->run(nullptr, nullptr, true));
    EXPECT_EQ(intOf("Y"), 1);
    run("GATED^RUNC();");
    EXPECT_EQ(intOf("Y"), 1);
    run("GATED^RUN();");
    EXPECT_EQ(intOf("Y"), 2);
    EXPECT_TRUE(CMC_Condition::valid(scene, CXString("I'5")));
    EXPECT_FALSE(CMC_Condition::valid(scene, CXString("no operator here")));
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, RunOnTimerCountsTicksAndEndsWithItsOnDone) {
    static uint64_t now = 0;
    CPlatformClock::inject([]() { return now * 1000; });
    text("S");
    integer("DONE");
    // &1 is the timer's own tick, not the calling line's $1.
    // The timer takes the inline behaviour's stored code, so $1 there is the tick as well.
    run("@RUNONTIMER(10,3,{S^ADD(&1);S^ADD($1);},{DONE^INC();});", {"p"});
    CMC_Object* result = scene->getObject("__RETURN__");
    EXPECT_EQ(result, nullptr);
    ASSERT_EQ(CMC_Behaviour::getTimerBehaviours().size(), 1u);
    CMC_Object* timer = CMC_Behaviour::getTimerBehaviours()[0].current();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->name().startsWith("timer_"));
    EXPECT_EQ(scene->getObject(timer->name()), timer);
    for (int tick = 1; tick <= 5; ++tick) {
        now += 10;
        window.timers()->domodal();
    }
    EXPECT_EQ(textOf("S"), "112233");
    EXPECT_EQ(intOf("DONE"), 1);
    EXPECT_TRUE(CMC_Behaviour::getTimerBehaviours().empty());
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 1); // it left the scene and goes at the frame step
    CMC_Behaviour::flushTrash();

    // Two timers started with the same random draw still get names of their own.
    std::srand(7);
    run("@RUNONTIMER(10,0,{S^ADD(a);},\"\");");
    std::srand(7);
    run("@RUNONTIMER(10,0,{S^ADD(b);},\"\");");
    auto& running = CMC_Behaviour::getTimerBehaviours();
    ASSERT_EQ(running.size(), 2u);
    EXPECT_FALSE(running[0].current()->name().equals(running[1].current()->name()));
    static_cast<CMC_String*>(scene->getObject("S"))->setValue("");
    now += 10;
    window.timers()->domodal();
    EXPECT_EQ(textOf("S"), "ab");
    // BREAK stops one.
    std::string stop = std::string(running[0].current()->name().GetBuffer()) + "^BREAK();";
    run(stop.c_str());
    now += 10;
    window.timers()->domodal();
    EXPECT_EQ(textOf("S"), "abb");
    CPlatformClock::inject(nullptr);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, ValueMethodsOnStringsAndNumbers) {
    struct Case {
        const char* setup; // a value for S (STRING), I (INTEGER) or D (DOUBLE)
        const char* code;
        const char* variable;
        const char* expected;
    };
    const Case cases[] = {
        {"abcde", "S^SUB(1,2);", "S", "ade"},
        {"abcde", "S^CUT(1,2);", "S", "bc"},
        {"abcde", "S^CUT(3,10);", "S", "de"},
        {"abcde", "S^CUT(2,0);", "S", "cde"},
        {"abcde", "S^REPLACEAT(1,XY);", "S", "aXYde"},
        {"abcde", "S^REPLACEAT(4,XYZ);", "S", "abcdXYZ"},
        {"abcde", "S^REPLACEAT(9,XY);", "S", "abcde"},
        {"abcde", "S^INSERTAT(1,XY,2);", "S", "aXYXYbcde"},
        {"abc", "S^NOT();", "S", "cba"},
        {"abcde", "R^SET(S^GET(1,-1));", "R", "bcde"},
        {"abcde", "R^SET(S^GET(1,2));", "R", "bc"},
        {"abcde", "R^SET(S^GET(2));", "R", "c"},
        {"abcde", "R^SET(S^GET(9));", "R", ""},
        {"abcde", "R^SET(S^LENGTH());", "R", "5"},
        {"abcabc", "R^SET(S^FIND(c,3));", "R", "5"},
        {"abc", "S^UPPER();", "S", "ABC"},
        {"abcb", "S^REPLACE(b,X);", "S", "aXcX"},
        {"a-b", "S^REPLACE(-,+);", "S", "a-b"}, // a lone "-" reads as the number 0
        {"aBc", "R^SET(S^ISUPPERLETTER(1));", "R", "TRUE"},
        {"5", "I^SET(5);R^SET(I^ADD(3));", "R", "8"},
        {"5", "I^SET(5);I^ADD(3);", "I", "8"},
        {"5", "I^SET(5);R^SET(I^MUL(3));", "R", ""},
        {"5", "I^SET(7);I^DIV(2);", "I", "3"},
        {"5", "I^SET(7);I^MOD(4);", "I", "3"},
        {"5", "I^SET(7);I^SUB(10);", "I", "-3"},
        {"5", "I^ABS(-4);", "I", "4"},
        {"5", "I^SET(12);I^AND(10);", "I", "8"},
        {"5", "I^SET(12);I^OR(3);", "I", "15"},
        {"5", "I^SET(12);I^XOR(4);", "I", "8"},
        {"5", "I^SET(0);I^NOT();", "I", "-1"},
        {"5", "I^SET(2);I^POWER(10);", "I", "1024"},
        {"5", "I^SET(2);I^POWER(-1);", "I", "0"},
        {"5", "I^SET(9);I^CLAMP(0,5);", "I", "5"},
        {"5", "I^SWITCH(5,7);", "I", "7"},
        {"5", "I^SET(7);I^SWITCH(\"5\",\"7\");", "I", "5"}, // texts taken as the value's own type
        {"5", "I^RANDOM(1);", "I", "0"},
        {"5", "R^SET(I^RANDOM());", "R", "0"},
        {"2.5", "R^SET(D^ROUND());", "R", "3"},
        {"-2.5", "R^SET(D^ROUND());", "R", "-2"},
        {"2.49", "R^SET(D^ROUND());", "R", "2"},
        {"-2.7", "R^SET(D^ROUND());", "R", "-2"},
        {"0", "D^ARCTANEX(-1,0);", "D", "270.00000"},
        {"0", "D^ARCTANEX(1,0,100);", "D", "190.00000"},
        {"0", "D^ARCTAN(1);", "D", "45.00000"},
        {"0", "D^SINUS(90);", "D", "1.00000"},
        {"0", "D^COSINUS(180);", "D", "-1.00000"},
        {"0", "D^LENGTH(3,4);", "D", "5.00000"},
        {"0", "D^MAXA(1,7.5,3);", "D", "7.50000"},
        {"0", "D^MINA(4,-2,3);", "D", "-2.00000"},
        {"9", "D^SET(9);D^SQRT();", "D", "3.00000"},
        {"0", "D^SET(2);D^POWER(3);", "D", "8.00000"},
        {"-3", "R^SET(D^SGN());", "R", "-1"},
        {"5", "I^LENGTH(3,4);", "I", "5"},
        {"5", "I^SET(3);I^INC();I^INC();I^DEC();", "I", "4"},
        {"5", "I^CLEAR();", "I", "0"},
    };
    for (const Case& c : cases) {
        text("S", c.setup);
        integer("I", CXString(c.setup).toNumber());
        real("D", CXString(c.setup).toDouble());
        text("R", "");
        run(c.code);
        CMC_Object* result = scene->getObject(c.variable);
        ASSERT_NE(result, nullptr);
        EXPECT_STREQ(result->toString().GetBuffer(), c.expected) << c.code;
    }
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, InsertAtRefusesATextTooLongToHold) {
    text("S", "abc");
    {
        CLogCapture log;
        run("S^INSERTAT(1,XYZ,2147483647);");
        EXPECT_TRUE(log.contains("INSERTAT refused"));
    }
    EXPECT_EQ(textOf("S"), "abc");
    run("S^INSERTAT(9,XY,3);");
    EXPECT_EQ(textOf("S"), "abcXYXYXY");
    EXPECT_EQ(taken(), 0);
}

// A text built by many ADDs (of a text, a STRING, a number) or by one INSERTAT of many copies grows in place:
// what is allocated grows with the text, not with the text times the pieces, and the text is the pieces in
// order.
TEST_F(InterpreterTest, TextsBuiltPieceByPieceGrowInPlace) {
    CMC_String* s = text("S");
    text("P", "abcdefghijkl");
    text("R");
    s->setValue("");
    CAllocationCount allocations;
    run("@LOOP({S^ADD(\"0123456789AB\");S^ADD(P);S^ADD(_I_);S^ADD(2.5);},0,20000,1);");
    // The text's own growth, and a little a round for the numbers' texts: no ADD copies the text.
    long long length = static_cast<long long>(textOf("S").size());
    EXPECT_LT(allocations.bytes(), 8 * length + 400 * 20000) << allocations.blocks() << " blocks";
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += "0123456789ABabcdefghijkl" + std::to_string(i) + "2.50000";
    EXPECT_EQ(textOf("S"), expected);
    // The sum is the line's value when it is used.
    s->setValue("ab");
    run("R^SET(S^ADD(S));R^ADD(S^ADD(1));S^ADD(TRUE);");
    EXPECT_EQ(textOf("S"), "abab1TRUE");
    EXPECT_EQ(textOf("R"), "abababab1");

    // INSERTAT appends while the place lies beyond the text, then inserts every copy at the place.
    s->setValue("abc");
    {
        CAllocationCount allocations;
        run("S^INSERTAT(8,\"XY\",100000);");
        EXPECT_LT(allocations.blocks(), 200);
    }
    std::string inserted = textOf("S");
    EXPECT_EQ(inserted.size(), 200003u);
    EXPECT_EQ(inserted.substr(0, 12), "abcXYXYXXYXY");
    EXPECT_EQ(inserted.substr(inserted.size() - 5), "XYXYY");
    // The same texts whether the value's changes are told or not, and every insertion told.
    integer("C");
    CMElement* definition = element("T", {{"TYPE", "STRING"}, {"ONCHANGED", "{C^INC();}"}});
    auto* told = new CMC_String(scene, definition);
    delete definition;
    scene->addObject(told);
    told->init();
    struct Case {
        const char* arguments;
        const char* expected;
        int changes;
    };
    const Case cases[] = {
        {"-2,XY,3", "XYXYXYabc", 3}, {"1,XY,3", "aXYXYXYbc", 3}, {"4,XY,2", "abcXXYY", 2},
        {"3,XY,2", "abcXYXY", 2},    {"1,\"\",5", "abc", 0},     {"1,XY,0", "abc", 0},
    };
    for (const Case& c : cases) {
        s->setValue("abc");
        told->setValue("abc");
        static_cast<CMC_Integer*>(scene->getObject("C"))->setValue(0);
        run(("S^INSERTAT(" + std::string(c.arguments) + ");T^INSERTAT(" + c.arguments + ");").c_str());
        EXPECT_EQ(textOf("S"), c.expected) << c.arguments;
        EXPECT_EQ(textOf("T"), c.expected) << c.arguments;
        EXPECT_EQ(intOf("C"), c.changes) << c.arguments;
    }
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, GroupsForwardUnknownMethodsAndKeepAMarker) {
    integer("A", 1);
    integer("B", 2);
    integer("C", 3);
    auto* group = new CMC_Groupped(CXString("G"), scene);
    scene->addObject(group);
    text("N");
    integer("K");
    flag("IN");
    // Arguments are read as texts: a variable gives its value, a quoted name the name.
    run("G^ADD(\"A\",\"B\",\"C\");G^ADD(\"A\");K^SET(G^GETSIZE());");
    EXPECT_EQ(intOf("K"), 3);
    run("N^SET(G^NEXT());");
    EXPECT_EQ(textOf("N"), "A");
    run("N^SET(G^NEXT(2));");
    EXPECT_EQ(textOf("N"), "C");
    run("N^SET(G^NEXT());");
    EXPECT_EQ(textOf("N"), "A"); // wraps
    run("N^SET(G^PREV());");
    EXPECT_EQ(textOf("N"), "C");
    run("N^SET(G^GETNAMEATMARKER());K^SET(G^GETMARKERPOS());");
    EXPECT_EQ(textOf("N"), "C");
    EXPECT_EQ(intOf("K"), 2);
    run("N^SET(x);N^SET(G^GETNAME(5));");
    EXPECT_EQ(textOf("N"), "x"); // no member 5: null, and SET ignores it
    run("N^SET(G^GETNAME(1));IN^SET(G^CONTAINS(\"B\"));");
    EXPECT_EQ(textOf("N"), "B");
    EXPECT_TRUE(static_cast<CMC_Bool*>(scene->getObject("IN"))->getValue());
    // SET is no group method: every member gets it, in order.
    run("G^SET(9);");
    EXPECT_EQ(intOf("A"), 9);
    EXPECT_EQ(intOf("C"), 9);
    // A member that is deleted drops out; the group never owned it.
    CMC_Object* b = scene->getObject("B");
    scene->removeObject(b);
    delete b;
    run("K^SET(G^GETSIZE());G^REMOVE(\"A\");");
    EXPECT_EQ(intOf("K"), 2);
    EXPECT_EQ(group->getSize(), 1);
    run("G^SETMARKERPOS(10);K^SET(G^GETMARKERPOS());");
    EXPECT_EQ(intOf("K"), 0);
    // Clones by name, duplicates allowed.
    integer("CAR_1");
    integer("CAR_2");
    integer("CAR");
    run("G^REMOVEALL();G^ADDCLONES(\"CAR\",1,2);G^ADDCLONES(\"CAR\",2,2);K^SET(G^GETSIZE());");
    EXPECT_EQ(intOf("K"), 3);
    // An empty group answers nothing and reads nothing outside itself.
    run("G^REMOVEALL();N^SET(y);N^SET(G^NEXT());N^SET(G^GETNAMEATMARKER());");
    EXPECT_EQ(textOf("N"), "y");
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, LocalDeclarationsAndQueries) {
    integer("OUT");
    text("T");
    // A local lives for the run that declares it; a second declaration of the name changes nothing.
    run("@INT(N,5);@INT(N,9);OUT^SET(N);");
    EXPECT_EQ(intOf("OUT"), 5);
    EXPECT_EQ(scene->getObject("N"), nullptr);
    run("T^SET(@GETCURRENTSCENE());");
    EXPECT_EQ(textOf("T"), "SCENE");
    run("T^SET(@GETAPPLICATIONNAME());");
    EXPECT_EQ(textOf("T"), "APP");
    run("OUT^SET(@CONV(12abc,INTEGER));");
    EXPECT_EQ(intOf("OUT"), 12);
    run("@STRING(W,hello);T^SET(@VALUE(\"W\"));");
    EXPECT_EQ(textOf("T"), "hello");
    run("@CREATE(ANIMO,HERO);@CREATE(WHATEVER,NOPE);");
    ASSERT_NE(scene->getObject("HERO"), nullptr);
    EXPECT_EQ(scene->getObject("HERO")->getType(), TYPE_ANIMO);
    EXPECT_EQ(scene->getObject("NOPE"), nullptr);
    // An animation is no value: VALUE answers with its name.
    run("T^SET(@VALUE(HERO));");
    EXPECT_EQ(textOf("T"), "HERO");
    // Objects of the episode and the application are reached from the scene.
    integer("GLOBAL", 3, application);
    run("OUT^SET(GLOBAL);GLOBAL^INC();");
    EXPECT_EQ(intOf("OUT"), 3);
    EXPECT_EQ(intOf("GLOBAL"), 4);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, TextInterpreterRunsUnparsedLines) {
    integer("X", 1);
    integer("Y", 4);
    text("NAME", "Y");
    CMC_Variable* result = CMC_Behaviour::runLine(scene, nullptr, CXString("X^ADD([Y*2])"), nullptr);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(intOf("X"), 9);
    CMC_Object::flush(result);
    CMC_Behaviour::runLine(scene, nullptr, CXString("*NAME^INC()"), nullptr);
    EXPECT_EQ(intOf("Y"), 5);
    // "#" and a character give an object by position; one outside the list is nothing.
    EXPECT_EQ(CMC_Behaviour::resolveObject(scene, nullptr, CXString("#x\x7F^INC"), nullptr, nullptr),
              nullptr);
    EXPECT_EQ(CMC_Behaviour::resolveObject(scene, nullptr, CXString("#"), nullptr, nullptr), nullptr);
    CXString method;
    CMC_Object* current = scene->getObject("X");
    EXPECT_EQ(CMC_Behaviour::resolveObject(scene, current, CXString("THIS^INC"), &method, nullptr), current);
    EXPECT_EQ(method, CXString("INC"));
    CXVector* values = CMC_Behaviour::resolveParameters(scene, nullptr, CXString("1,F(a,b),X"), nullptr);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->getSize(), 3);
    EXPECT_EQ(values->at(2), scene->getObject("X"));
    for (int i = 0; i < values->getSize(); ++i) CMC_Object::flush(static_cast<CMC_Variable*>(values->at(i)));
    delete values;
    EXPECT_EQ(CMC_Behaviour::resolveParameters(scene, nullptr, CXString(""), nullptr), nullptr);
    CMC_Behaviour::flushTrash();
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, LineForms) {
    integer("X", 1);
    integer("Y", 10);
    text("WHO", "Y");
    integer("OUT");
    CMElement* definition = element("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "AGE<INTEGER>,NAME<STRING>"}});
    auto* record = new CMC_Structure(scene, definition);
    delete definition;
    scene->addObject(record);

    // "*": the target is named by a value, or by a bracketed expression's value.
    run("*WHO^INC();");
    EXPECT_EQ(intOf("Y"), 11);
    run("*[WHO+\"\"]^INC();");
    EXPECT_EQ(intOf("Y"), 12);
    run("*NOBODY^INC();"); // nothing names a target: nothing happens
    // "$" in the target: found as the line runs.
    run("$1^ADD(5);", {"X"});
    EXPECT_EQ(intOf("X"), 6);
    run("X^$1();", {"DEC"});
    EXPECT_EQ(intOf("X"), 6); // a method is substituted only with a substituted target
    run("$2^$1();", {"DEC", "X"});
    EXPECT_EQ(intOf("X"), 5);
    // STRUCT|FIELD as a target and as a value.
    run("REC|AGE^SET(33);OUT^SET(REC|AGE);");
    EXPECT_EQ(intOf("OUT"), 33);
    // THIS is the object whose event runs the behaviour; without one, nothing.
    CMC_Behaviour* self = behaviour("SELF", "THIS^INC();");
    self->run(scene->getObject("X"), nullptr, false);
    EXPECT_EQ(intOf("X"), 6);
    self->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("X"), 6);
    // A value line is a result of its own; lines naming nothing do nothing.
    run("X;42;\"quoted\";[1+1];NOBODY^INC();");
    // &NAME hands the variable itself.
    run("OUT^SET(0);OUT^ADD(&X);");
    EXPECT_EQ(intOf("OUT"), 6);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterTest, BehaviourMethods) {
    integer("N");
    text("P");
    CMC_Behaviour* counter = behaviour("COUNT", "N^INC();P^SET($1);");
    run("COUNT^DISABLE();COUNT^RUN(a);");
    EXPECT_EQ(intOf("N"), 0);
    EXPECT_FALSE(counter->isEnabled());
    run("COUNT^ENABLE();COUNT^RUN(a);");
    EXPECT_EQ(intOf("N"), 1);
    // A name of an object that is not a value arrives quoted, so $1 reads as the text.
    run("COUNT^RUN(\"COUNT\");");
    EXPECT_EQ(textOf("P"), "COUNT");
    CMC_Behaviour_Runner runner;
    runner.prepareMthHashSet();
    CXVector args(4, 0.75f);
    CMC_String* name = CMC_VariableFactory::allocString();
    name->setValue("COUNT");
    CMC_Integer* number = CMC_VariableFactory::allocInteger();
    number->setValue(7);
    args.add(name);
    args.add(number);
    CXArray* params = runner.getParams(scene, &args);
    ASSERT_EQ(params->getSize(), 2);
    EXPECT_STREQ(static_cast<CXString*>(params->at(0))->GetBuffer(), "\"COUNT\"");
    EXPECT_STREQ(static_cast<CXString*>(params->at(1))->GetBuffer(), "7");
    CMC_Behaviour_Runner::flushParams(params);
    CMC_VariableFactory::clearPool();
    // BREAK on a behaviour that does not repeat takes it out of its scene.
    run("COUNT^BREAK();");
    EXPECT_EQ(scene->getObject("COUNT"), nullptr);
}

TEST_F(InterpreterTest, CopyFileMakesTheFoldersItNeeds) {
    CTempFolder folder("copy");
    folder.put("from.txt", "hello");
    std::string from = CPlatformFiles::toEngineName((folder.path() / "from.txt").string());
    std::string to = CPlatformFiles::toEngineName((folder.path() / "deep" / "er" / "to.txt").string());
    flag("OK");
    std::string code = "OK^SET(OK^COPYFILE(\"" + from + "\",\"" + to + "\"));";
    run(code.c_str());
    EXPECT_TRUE(static_cast<CMC_Bool*>(scene->getObject("OK"))->getValue());
    EXPECT_EQ(readNative(folder.path() / "deep" / "er" / "to.txt"), "hello");
    std::string missing = "OK^SET(OK^COPYFILE(\"" + from + "x\",\"" + to + "\"));";
    run(missing.c_str());
    EXPECT_FALSE(static_cast<CMC_Bool*>(scene->getObject("OK"))->getValue());
}

TEST_F(InterpreterTest, ConditionsStoreTheirTexts) {
    CMElement* definition =
        element("C", {{"TYPE", "CONDITION"}, {"OPERAND1", "A"}, {"OPERATOR", "LESS"}, {"OPERAND2", "7"}});
    CMC_Condition stored(scene, definition);
    delete definition;
    ArchiveScratch scratch;
    Bytes bytes = scratch.write([&](CXArchive& archive) { stored.serialize(&archive); });
    CMC_Condition loaded(scene);
    loaded.serialize(&scratch.read(bytes));
    EXPECT_TRUE(scratch.consumed());
    EXPECT_EQ(loaded.getName(), CXString("C"));
    EXPECT_EQ(loaded.getOperand1(), CXString("A"));
    EXPECT_EQ(loaded.getOperand2(), CXString("7"));
    EXPECT_EQ(loaded.getOperator(), COND_LESS);
    integer("A", 3);
    loaded.init();
    EXPECT_TRUE(loaded.valid(false));

    CMElement* complexDefinition = element(
        "CC", {{"TYPE", "COMPLEXCONDITION"}, {"CONDITION1", "C"}, {"CONDITION2", "D"}, {"OPERATOR", "OR"}});
    CMC_ComplexCondition complexStored(scene, complexDefinition);
    delete complexDefinition;
    Bytes complexBytes = scratch.write([&](CXArchive& archive) { complexStored.serialize(&archive); });
    CMC_ComplexCondition complexLoaded(scene);
    complexLoaded.serialize(&scratch.read(complexBytes));
    EXPECT_EQ(complexLoaded.getOperator(), 2);
}
