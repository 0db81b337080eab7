// What the interpreter keeps from one run of a line to the next (tests parsed from their texts, names found)
// must give the answers a fresh reading of the same text would give.
#include "InterpreterSupport.h"

#include <algorithm>
#include <string>

#include "script/Condition.h"
#include "script/Groupped.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class InterpreterCacheTest : public InterpreterTest {
protected:
    // Y after running the code once more (Y is set by the branches).
    int after(const char* code) {
        static_cast<CMC_Integer*>(scene->getObject("Y"))->setValue(0);
        run(code);
        return intOf("Y");
    }
    void remove(const char* name) {
        CMC_Object* object = scene->getObject(name);
        ASSERT_NE(object, nullptr) << name;
        scene->removeObject(object);
        delete object;
    }
};

} // namespace

TEST_F(InterpreterCacheTest, TestTextsReadTheirNamesAsTheyAreNow) {
    integer("Y");
    integer("Z", 2);
    CMC_Integer* x = integer("X", 1);
    const char* test = "@IF(X<'5,{Y^SET(1);},{Y^SET(2);});";
    EXPECT_EQ(after(test), 1);
    x->setValue(9); // a changed value
    EXPECT_EQ(after(test), 2);
    remove("X"); // the object replaced under the same name, by another type
    real("X", 4.5);
    EXPECT_EQ(after(test), 1);
    remove("X");
    real("X", 7.5);
    EXPECT_EQ(after(test), 2);
    remove("X");
    // A local of that name, declared again with another value in each run.
    EXPECT_EQ(after("@INT(X,2);@IF(X<'5,{Y^SET(1);},{Y^SET(2);});"), 1);
    EXPECT_EQ(after("@INT(X,8);@IF(X<'5,{Y^SET(1);},{Y^SET(2);});"), 2);
    EXPECT_EQ(scene->getObject("X"), nullptr);

    // A name that names nothing is its own text, until a value takes the name.
    const char* named = "@IF(W'abc,{Y^SET(1);},{Y^SET(2);});";
    EXPECT_EQ(after(named), 2);
    text("W", "abc");
    EXPECT_EQ(after(named), 1);
    remove("W");
    EXPECT_EQ(after(named), 2);

    // Joined tests see each piece's names afresh too.
    integer("X", 1);
    const char* joined = "@IF(X'1&&Z'2,{Y^SET(1);},{Y^SET(2);});";
    EXPECT_EQ(after(joined), 1);
    static_cast<CMC_Integer*>(scene->getObject("Z"))->setValue(3);
    EXPECT_EQ(after(joined), 2);
    EXPECT_EQ(after("@IF(X'0||Z'3,{Y^SET(1);},{Y^SET(2);});"), 1);

    // The same text in another scene reads that scene's X.
    auto* other = new CMC_Scene(&window, nullptr, "OTHER", TYPE_SCENE);
    other->setParent(episode);
    integer("X", 9, other);
    auto* y = integer("Y", 0, other);
    auto* there = new CMC_Behaviour(other, CXString("THERE"), CXString(test));
    other->addObject(there);
    there->init();
    there->run(nullptr, nullptr, false);
    EXPECT_EQ(y->getValue(), 2);
    EXPECT_EQ(after(test), 1);
    other->unload();
    delete other;
    EXPECT_EQ(after(test), 1);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterCacheTest, TestsOfOperandsApartReadTheValuesOfTheirRun) {
    integer("Y");
    CMC_Integer* x = integer("X", -3);
    const char* apart = "@IF(X,<,5,{Y^SET(1);},{Y^SET(2);});";
    EXPECT_EQ(after(apart), 1);
    x->setValue(5);
    EXPECT_EQ(after(apart), 2);
    x->setValue(-2147483647 - 1);
    EXPECT_EQ(after(apart), 1);
    // A text argument names the value to test; a DOUBLE is tested through its text.
    text("N", "X");
    x->setValue(7);
    EXPECT_EQ(after("@IF(N,_,7,{Y^SET(1);},{Y^SET(2);});"), 1);
    x->setValue(8);
    EXPECT_EQ(after("@IF(N,_,7,{Y^SET(1);},{Y^SET(2);});"), 2);
    real("D", 2.5);
    EXPECT_EQ(after("@IF(D,_,2.5,{Y^SET(1);},{Y^SET(2);});"), 1);
    // An expression argument is calculated once per run, before the test.
    integer("K", 1);
    EXPECT_EQ(after("@IF([K+1],_,2,{Y^SET(1);},{Y^SET(2);});"), 1);
    EXPECT_EQ(after("@IF([K+2],_,2,{Y^SET(1);},{Y^SET(2);});"), 2);
    // WHILE reads its counter by name in every round.
    text("S");
    run("@INT(I,0);@WHILE(\"I\",<_,3,{S^ADD(I);I^INC();});");
    EXPECT_EQ(textOf("S"), "0123");
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterCacheTest, ManyDifferentTestTextsKeepAnsweringRightly) {
    integer("Y");
    integer("X", 2500);
    text("S");
    // Texts made at run time: more than the interpreter keeps, so what it kept is dropped on the way.
    CMC_Behaviour* test = behaviour("TEST", "@IF(X<$1,{S^ADD(a);},{S^ADD(b);});");
    CXArray params(1, 0.75f);
    CXString number;
    params.add(&number);
    std::string expected;
    for (int i = 0; i < 6000; i += 3) {
        number = CXString::toString(i);
        test->run(nullptr, &params, false);
        expected += 2500 < i ? "a" : "b";
    }
    EXPECT_EQ(textOf("S"), expected);
    EXPECT_LE(CMC_Condition::cachedTexts(), CMC_Condition::MAX_CACHED_TEXTS);
    EXPECT_EQ(after("@IF(X<2501,{Y^SET(1);},{Y^SET(2);});"), 1);
    EXPECT_EQ(taken(), 0);
    EXPECT_EQ(CMC_Behaviour::getTrashSize(), 0);
}

// A name a line found stays found only while no object of that name (nor of the name without its "_0"s) came
// or went anywhere, and no container changed otherwise.
TEST_F(InterpreterCacheTest, LinesFollowNamesThatChangeMeaningBetweenRuns) {
    integer("Y");
    integer("X", 1);
    CMC_Behaviour* add = behaviour("ADDER", "X^ADD(2);Y^SET(X);");
    add->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("X"), 3);
    EXPECT_EQ(intOf("Y"), 3);
    // The object replaced by another of another type under the same name.
    remove("X");
    text("X", "a");
    add->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("X"), "a2");
    remove("X");
    real("X", 1.5);
    add->run(nullptr, nullptr, false);
    EXPECT_EQ(doubleOf("X"), 3.5);
    EXPECT_EQ(intOf("Y"), 4);

    // A local that other behaviours' lines name, declared with another type in each caller.
    text("S");
    behaviour("USER", "L^ADD(1);S^SET(L);");
    CMC_Behaviour* asInteger = behaviour("D1", "@INT(L,7);USER^RUN();");
    CMC_Behaviour* asText = behaviour("D2", "@STRING(L,7);USER^RUN();");
    asInteger->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "8");
    asText->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "71");
    asInteger->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "8");
    EXPECT_EQ(scene->getObject("L"), nullptr);

    // A branch behaviour deleted and made again under its name, and then missing (its name is then code).
    integer("K", 1);
    behaviour("BODY", "Y^SET(1);");
    const char* branch = "@IF(K,_,1,BODY);@IF(K'1,BODY,{});";
    EXPECT_EQ(after(branch), 1);
    remove("BODY");
    behaviour("BODY", "Y^SET(2);");
    EXPECT_EQ(after(branch), 2);
    remove("BODY");
    EXPECT_EQ(after(branch), 0);

    // Clone 0 of an object is the object: a name with "_0" follows the object coming and going.
    const char* clone = "@IF(W_0'5,{Y^SET(1);},{Y^SET(2);});";
    EXPECT_EQ(after(clone), 2);
    integer("W", 5);
    EXPECT_EQ(after(clone), 1);
    remove("W");
    EXPECT_EQ(after(clone), 2);
    EXPECT_EQ(taken(), 0);
}

// A local serves again only when nothing but its name, scene and value tells it from a new one, and it
// starts with a new one's value: declared again, it never shows what its last run left in it.
TEST_F(InterpreterCacheTest, LocalsDeclaredAgainStartAfresh) {
    integer("R");
    text("T");
    real("Q");
    flag("G");
    CMC_Behaviour* locals = behaviour("LOC", "@INT(L);R^ADD(L);L^SET(5);@STRING(M);T^ADD(M);M^SET(abc);"
                                             "@DOUBLE(D);Q^ADD(D);D^SET(2.5);@BOOL(F);G^SET(F);F^SET(TRUE);");
    for (int i = 0; i < 3; ++i) locals->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("R"), 0);
    EXPECT_EQ(textOf("T"), "");
    EXPECT_EQ(doubleOf("Q"), 0.0);
    EXPECT_FALSE(static_cast<CMC_Bool*>(scene->getObject("G"))->getValue());
    for (const char* name : {"L", "M", "D", "F"}) EXPECT_EQ(scene->getObject(name), nullptr) << name;

    // A local that was cloned is not the new one: the next has no clones.
    integer("CN");
    CMC_Behaviour* cloned =
        behaviour("CLONED", "@INT(L);CN^ADD(L^GETCLONESNO());L^CLONE(2);CN^ADD(L^GETCLONESNO());");
    cloned->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("CN"), 2);
    cloned->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("CN"), 4);

    // One kept by a handle elsewhere (a group lists it) is not taken again either.
    integer("V");
    auto* group = new CMC_Groupped(CXString("GR"), scene);
    group->setScene(scene);
    scene->addObject(group);
    CMC_Behaviour* grouped = behaviour("GROUPED", "@INT(L,4);L^ADDTOARRAY(GR);V^ADD(L);");
    grouped->run(nullptr, nullptr, false);
    grouped->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("V"), 8);
    EXPECT_EQ(group->get(0), nullptr);
    EXPECT_EQ(group->getSize(), 0);

    // One that had a behaviour bound, or stopped replacing its bindings, is not the new one either: the next
    // local fires no old handler, and its second binding of an event replaces the first.
    text("H");
    behaviour("H1", "H^ADD(1);");
    behaviour("H2", "H^ADD(2);");
    CMC_Behaviour* bound =
        behaviour("BOUND", "@INT(L);@IF($1'1,{L^ADDBEHAVIOUR(ONSIGNAL$GO,H1);},{});"
                           "@IF($1'2,{L^OVERIDESIGNALS(FALSE);},{});"
                           "@IF($1'3,{L^ADDBEHAVIOUR(ONSIGNAL$GO,H1);L^ADDBEHAVIOUR(ONSIGNAL$GO,H2);},{});"
                           "L^SEND(GO);");
    CXArray params(1, 0.75f);
    CXString mode;
    params.add(&mode);
    for (const char* step : {"1", "0", "2", "3", "0"}) {
        mode = step;
        bound->run(nullptr, &params, false);
    }
    EXPECT_EQ(textOf("H"), "12");

    // Several locals of one type under other names each time: each is found by its own name with its own
    // value, and none by a name of an earlier run.
    CMC_Behaviour* named = behaviour("NAMED", "@INT(A$1,$1);@STRING(U,x);@INT(B$1,7);@INT(C,$1);"
                                              "S2^SET(A$1);S2^ADD(U);S2^ADD(B$1);S2^ADD(C);S2^ADD(A$1);");
    text("S2");
    for (const char* step : {"1", "2", "2", "3"}) {
        mode = step;
        named->run(nullptr, &params, false);
        EXPECT_EQ(textOf("S2"), std::string(step) + "x7" + step + step) << step;
        for (const char* gone : {"A1", "A2", "A3", "B1", "B2", "B3", "C", "U"})
            EXPECT_EQ(scene->getObject(gone), nullptr) << gone;
    }

    // A value given to a declaration, of the local's type or another, is taken as SET takes it, and a value
    // named there stays apart from the local.
    integer("X", 4);
    CMC_Behaviour* given =
        behaviour("GIVEN", "@INT(K,$1);@STRING(M,$1);@DOUBLE(D,$1);@BOOL(F,$1);@INT(N,X);N^ADD(1);"
                           "S2^SET(K);S2^ADD(M);S2^ADD(D);S2^ADD(F);S2^ADD(N);K^ADD(3);M^ADD(z);D^ADD(1);");
    const char* expected[][2] = {{"5", "55" "5.00000" "TRUE" "5"}, {"2.5", "32.50000" "2.50000" "TRUE" "5"},
                                 {"abc", "0abc" "0" "FALSE" "5"}, {"7", "77" "7.00000" "TRUE" "5"}};
    for (auto& [step, seen] : expected) {
        mode = step;
        given->run(nullptr, &params, false);
        EXPECT_EQ(textOf("S2"), seen) << step;
        EXPECT_EQ(intOf("X"), 4) << step;
    }
    EXPECT_EQ(taken(), 0);
}

// A local deleted before its run ends (by a line of the run, or while its declaring line ran outside any run
// of its behaviour) is left alone by the end of the run, which drops the others as ever; a local declared by a
// line run on its own lives until the next run of its behaviour ends.
TEST_F(InterpreterCacheTest, LocalsDeletedBeforeTheirRunEndsAreLeftAlone) {
    text("S");
    auto* killer = new RecordingBehaviour(scene, "KILL", nullptr);
    killer->onRun = [&](CMC_Object*) { remove("L"); };
    scene->addObject(killer);
    CMC_Behaviour* removing = behaviour("REMOVING", "@INT(L,1);KILL^RUN();S^ADD(L);@INT(L,2);S^ADD(L);");
    for (int i = 0; i < 3; ++i) {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        removing->run(nullptr, nullptr, false);
        EXPECT_EQ(textOf("S"), "L2");
        EXPECT_EQ(scene->getObject("L"), nullptr);
    }
    CMC_Behaviour* apart = behaviour("APART", "@INT(L,3);S^ADD(L);@INT(M,4);");
    for (bool deleteFirst : {false, true, false}) {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        apart->getLines()[0]->run(nullptr, nullptr);
        EXPECT_EQ(intOf("L"), 3);
        if (deleteFirst) remove("L");
        apart->run(nullptr, nullptr, false);
        EXPECT_EQ(textOf("S"), "3");
        EXPECT_EQ(scene->getObject("L"), nullptr);
        EXPECT_EQ(scene->getObject("M"), nullptr);
    }
    EXPECT_EQ(taken(), 0);
}

// While it lives a local is found by its name from anywhere (lines of other behaviours, "*" references,
// VALUE, test texts, getObject), also before an object of that name that came further out meanwhile; once
// its run ends it is gone, and the same lines find what they found before it came, run after run.
TEST_F(InterpreterCacheTest, LocalsAreFoundByNameOnlyWhileTheyLive) {
    text("S");
    text("N", "L");
    int seenType = -1;
    bool addOuter = false;
    auto* probe = new RecordingBehaviour(scene, "PROBE", nullptr);
    probe->onRun = [&](CMC_Object*) {
        CMC_Object* found = scene->getObject("L");
        seenType = found ? found->getType() : -1;
        if (addOuter) integer("L", 50, episode);
        addOuter = false;
    };
    scene->addObject(probe);
    behaviour("USER", "S^ADD(L);*N^ADD(1);S^ADD(@VALUE(\"L\"));@IF(L'3,{S^ADD(y);},{S^ADD(n);});PROBE^RUN();");
    CMC_Behaviour* local = behaviour("LOCAL", "S^ADD(L);@INT(L,2);USER^RUN();S^ADD(L);");
    auto round = [&] {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        seenType = -1;
        local->run(nullptr, nullptr, false);
        return textOf("S");
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(round(), "L23y3");
        EXPECT_EQ(seenType, TYPE_INTEGER);
        EXPECT_EQ(scene->getObject("L"), nullptr);
    }
    // An L of the episode that comes while the local lives does not hide it; once the local is gone the
    // lines find the episode's, and a declaration of that name then does nothing.
    addOuter = true;
    EXPECT_EQ(round(), "L23y3");
    ASSERT_NE(episode->getObject("L"), nullptr);
    EXPECT_EQ(intOf("L"), 50);
    EXPECT_EQ(round(), "505051n51");
    EXPECT_EQ(round(), "515152n52");
    CMC_Object* outer = episode->getObject("L");
    episode->removeObject(outer);
    delete outer;
    for (int i = 0; i < 2; ++i) EXPECT_EQ(round(), "L23y3");
    // Run with another scene as its own, the same behaviour declares its local there, out of USER's sight.
    auto* other = new CMC_Scene(&window, nullptr, "OTHER", TYPE_SCENE);
    other->setParent(episode);
    local->setScene(other);
    EXPECT_EQ(round(), "LLn2");
    EXPECT_EQ(other->getObject("L"), nullptr);
    local->setScene(scene);
    EXPECT_EQ(round(), "L23y3");
    // A declaration inside a line gives the local's value.
    run("S^SET(@STRING(Q,abc));S^ADD(@INT(Q,5));S^ADD(@INT(Z,5));");
    EXPECT_EQ(textOf("S"), "abc55");
    other->unload();
    delete other;
    EXPECT_EQ(round(), "L23y3");

    // A line whose target is looked up calls the method of the type it finds in each run: an INTEGER's
    // INC, then a GROUP's (which passes it to its members), then the INTEGER's again.
    integer("K");
    behaviour("INCER", "L^INC();");
    CMC_Behaviour* declaring = behaviour("DECL", "@INT(L,7);INCER^RUN();S^SET(L);");
    declaring->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "8");
    auto* group = new CMC_Groupped(CXString("L"), scene);
    group->setScene(scene);
    scene->addObject(group);
    group->add(scene->getObject("K"));
    declaring->run(nullptr, nullptr, false);
    declaring->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("K"), 2);
    EXPECT_EQ(textOf("S"), "L");
    remove("L");
    declaring->run(nullptr, nullptr, false);
    EXPECT_EQ(textOf("S"), "8");
    EXPECT_EQ(intOf("K"), 2);
    EXPECT_EQ(taken(), 0);
}

// A parameter's text is a name to its lines and to RUN (which quotes the name of an object that is not a
// value), and RUN answers the scene's __RETURN__: each is read as it is at that call, while the objects of
// those names come and go and change type between the calls.
TEST_F(InterpreterCacheTest, ParametersAndReturnValuesReadTheirNamesAsTheyAreNow) {
    text("S");
    text("N", "V");
    integer("R");
    behaviour("F", "S^ADD($1);S^ADD(x);");
    std::vector<std::string> log;
    scene->addObject(new RecordingBehaviour(scene, "REC", &log));
    CMC_Behaviour* caller = behaviour("CALLER", "R^SET(F^RUN(N));REC^RUN(N);");
    auto call = [&] {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        caller->run(nullptr, nullptr, false);
        return textOf("S") + " " + (log.empty() ? "" : log.back());
    };
    EXPECT_EQ(call(), "Vx REC::V");
    integer("V", 5);
    EXPECT_EQ(call(), "5x REC::V");
    EXPECT_EQ(intOf("R"), 0);
    integer("__RETURN__", 7);
    EXPECT_EQ(call(), "5x REC::V");
    EXPECT_EQ(intOf("R"), 7);
    remove("V");
    auto* group = new CMC_Groupped(CXString("V"), scene);
    group->setScene(scene);
    scene->addObject(group);
    EXPECT_EQ(call(), "Vx REC::\"V\"");
    remove("V");
    remove("__RETURN__");
    text("__RETURN__", "12");
    static_cast<CMC_Integer*>(scene->getObject("R"))->setValue(0);
    EXPECT_EQ(call(), "Vx REC::V");
    EXPECT_EQ(intOf("R"), 12);
    text("V", "abc");
    EXPECT_EQ(call(), "abcx REC::V");
    remove("V");
    remove("__RETURN__");
    EXPECT_EQ(call(), "Vx REC::V");
    EXPECT_EQ(intOf("R"), 12);
    EXPECT_EQ(taken(), 0);
}

// A $n argument is the text its parameter gives at each call: the value of that name while a value bears it,
// else the literal the text spells, of whatever type; the same text gives the same value again, and a call
// inside the line's own call keeps each call's own.
TEST_F(InterpreterCacheTest, ParameterArgumentsGiveWhatTheirTextSaysAtEachCall) {
    text("S");
    CMC_Behaviour* f = behaviour("F", "S^ADD($1);S^ADD(/);");
    CXArray params(1, 0.75f);
    CXString given;
    params.add(&given);
    auto call = [&](const char* text) {
        given = text;
        f->run(nullptr, &params, false);
    };
    for (const char* text : {"5", "5", "2.5", "abc", "\"q\"", "TRUE", "", "-3", "5"}) call(text);
    EXPECT_EQ(textOf("S"), "5/5/2.50000/abc/q/TRUE//-3/5/");
    static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
    call("V");
    integer("V", 9);
    call("V");
    remove("V");
    text("V", "w");
    call("V");
    remove("V");
    call("V");
    EXPECT_EQ(textOf("S"), "V/9/w/V/");

    CMC_Behaviour* down = behaviour("DOWN", "S^ADD($1);@IF($1,>,0,{DOWN^RUN([$1-1]);},{});S^ADD($1);");
    for (int round = 0; round < 2; ++round) {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        given = "2";
        down->run(nullptr, &params, false);
        EXPECT_EQ(textOf("S"), "210012");
    }
    EXPECT_EQ(taken(), 0);
}

// Recursion through a behaviour that declares locals: the inner run finds the name taken, and the end of any
// run of the behaviour drops every local it declared, as it did before locals were kept for reuse.
TEST_F(InterpreterCacheTest, RecursionThroughABehaviourThatDeclaresLocals) {
    text("S");
    CMC_Behaviour* same = behaviour("REC", "@INT(L,$1);@IF($1,>,0,{REC^RUN([$1-1]);},{});S^ADD(L);");
    CMC_Behaviour* named = behaviour("REC2", "@INT(L$1,$1);@IF($1,>,0,{REC2^RUN([$1-1]);},{});S^ADD(L$1);");
    CXArray params(1, 0.75f);
    CXString three("3");
    params.add(&three);
    for (int round = 0; round < 2; ++round) {
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        same->run(nullptr, &params, false);
        EXPECT_EQ(textOf("S"), "3LLL");
        static_cast<CMC_String*>(scene->getObject("S"))->setValue(CXString(""));
        named->run(nullptr, &params, false);
        EXPECT_EQ(textOf("S"), "0L1L2L3");
    }
    EXPECT_EQ(scene->getObject("L"), nullptr);
    EXPECT_EQ(taken(), 0);
}

TEST_F(InterpreterCacheTest, KeptTestTextsStayBoundedAlsoInsideARunningTest) {
    integer("Y");
    integer("X", 50000);
    integer("A");
    integer("B");
    text("T");
    // Watches the kept texts from inside the loop.
    size_t most = 0;
    auto* probe = new RecordingBehaviour(scene, "PROBE", nullptr);
    probe->onRun = [&](CMC_Object*) { most = std::max(most, CMC_Condition::cachedTexts()); };
    scene->addObject(probe);
    // A new text in every round, joined from the counter: X<0, X<1, ...
    behaviour("MANY", "@LOOP({T^SET(\"X<\");T^ADD(_I_);@IF(T,{A^INC();},{B^INC();});PROBE^RUN();},"
                      "0,100000,1);");
    // Run by the first operand of a test, which holds its own test while the loop empties the cache.
    EXPECT_EQ(after("@IF(\"MANY^RUN()'1||X'50000\",{Y^SET(1);},{Y^SET(2);});"), 1);
    EXPECT_EQ(intOf("A"), 49999);
    EXPECT_EQ(intOf("B"), 50001);
    EXPECT_GT(most, CMC_Condition::MAX_CACHED_TEXTS / 2);
    EXPECT_LE(most, CMC_Condition::MAX_CACHED_TEXTS);
    EXPECT_LE(CMC_Condition::cachedTexts(), CMC_Condition::MAX_CACHED_TEXTS);
    EXPECT_EQ(taken(), 0);
}

// IF answers as a fresh reading of its line would: two INTEGER values at the ends of their range, a text
// against a number, an operator it does not know (tested as "_"), and a branch named by a value, read after
// the test (whose code may change it) and followed from one run to the next.
TEST_F(InterpreterCacheTest, IfAnswersAsAFreshReadingWould) {
    integer("Y");
    CMC_Integer* x = integer("X");
    const char* ends = "@IF(X<'-2147483648,{Y^ADD(1);},{Y^ADD(2);});"
                       "@IF(X,>_,2147483647,{Y^ADD(10);},{Y^ADD(20);});@IF(X!'0,{Y^ADD(100);},{});";
    x->setValue(-2147483647 - 1);
    EXPECT_EQ(after(ends), 121);
    x->setValue(2147483647);
    EXPECT_EQ(after(ends), 112);
    x->setValue(0);
    EXPECT_EQ(after(ends), 22);

    // A STRING against a number compares texts; an INTEGER against a STRING compares numbers. Apart, the
    // operands are the values' texts: S gives 10, which reads as a number.
    x->setValue(10);
    text("S", "10");
    text("T", "9");
    struct Case {
        const char* condition;
        bool then;
    };
    const Case mixed[] = {
        {"S<'9", true}, {"S,<,9", false}, {"X<'T", false}, {"X,<,T", false}, {"X,_,10.0", true}, {"X'S", true},
        {"S,_,10", true}, {"X>'9.5", true},
        // Operators it does not know test equality.
        {"X,=,10", true}, {"X,>=,1", false}, {"X,<<,10", true}, {"X,__,10", true}, {"X,!,10", true},
    };
    for (const Case& c : mixed) {
        std::string code = std::string("@IF(") + c.condition + ",{Y^SET(1);},{Y^SET(2);});";
        EXPECT_EQ(after(code.c_str()), c.then ? 1 : 2) << c.condition;
    }

    behaviour("B1", "Y^ADD(1);");
    behaviour("B2", "Y^ADD(2);");
    behaviour("SWAP", "N^SET(B2);");
    CMC_String* n = text("N", "B1");
    for (const char* line : {"@IF(X'10,N,{});", "@IF(X,_,10,N,{});", "@IF(X'0,{},N);", "@IF(X,<,0,{},N);"}) {
        n->setValue(CXString("B1"));
        CMC_Behaviour* named = behaviour("NAMED", line);
        for (int round = 0; round < 2; ++round) {
            static_cast<CMC_Integer*>(scene->getObject("Y"))->setValue(0);
            named->run(nullptr, nullptr, false);
            EXPECT_EQ(intOf("Y"), 1) << line;
        }
        n->setValue(CXString("B2"));
        static_cast<CMC_Integer*>(scene->getObject("Y"))->setValue(0);
        named->run(nullptr, nullptr, false);
        EXPECT_EQ(intOf("Y"), 2) << line;
        remove("NAMED");
    }
    n->setValue(CXString("B1"));
    EXPECT_EQ(after("@IF(\"SWAP^RUN()'0||X'10\",N,{});"), 2);
}

// An expression line keeps its operand lines; each run reads every operand as it is now: left to right with
// no precedence, each step by the left value's type, a name that stops naming a value read as its text, a
// literal whose text a value takes as its name read as that value.
TEST_F(InterpreterCacheTest, ExpressionOperandsReadTheirNamesAsTheyAreNow) {
    text("S");
    CMC_Integer* x = integer("X", 1);
    CMC_Behaviour* calc = behaviour("CALC", "S^SET([X+2*3]);");
    CMC_Behaviour* plus = behaviour("PLUS", "S^SET([X+2]);");
    CMC_Behaviour* mixed = behaviour("MIXED", "S^SET([X+1.25@2]);");
    auto result = [this](CMC_Behaviour* line) {
        line->run(nullptr, nullptr, false);
        return textOf("S");
    };
    EXPECT_EQ(result(calc), "9");
    EXPECT_EQ(result(plus), "3");
    EXPECT_EQ(result(mixed), "1"); // 1 + 1.25 as an INTEGER, then halved as one
    x->setValue(-4);
    EXPECT_EQ(result(calc), "-6");
    // Replaced by another type under the same name.
    remove("X");
    real("X", 1.5);
    EXPECT_EQ(result(calc), "10.50000");
    EXPECT_EQ(result(plus), "3.50000");
    EXPECT_EQ(result(mixed), "1.37500");
    remove("X");
    text("X", "ab");
    EXPECT_EQ(result(plus), "ab2");
    // No value of the name: its text.
    remove("X");
    EXPECT_EQ(result(plus), "X2");
    integer("X", 5);
    EXPECT_EQ(result(plus), "7");
    // A value named as a literal reads.
    CMC_Integer* two = integer("2", 40);
    EXPECT_EQ(result(plus), "45");
    EXPECT_EQ(result(calc), "135");
    two->setValue(1);
    EXPECT_EQ(result(plus), "6");
    remove("2");
    text("2", "a");
    EXPECT_EQ(result(plus), "5");
    remove("2");
    EXPECT_EQ(result(plus), "7");
    EXPECT_EQ(result(mixed), "3");

    // A local that another behaviour's expression names, declared with another type in each caller.
    behaviour("USER", "S^SET([L+1]);");
    CMC_Behaviour* asInteger = behaviour("D1", "@INT(L,7);USER^RUN();");
    CMC_Behaviour* asText = behaviour("D2", "@STRING(L,7);USER^RUN();");
    CMC_Behaviour* asDouble = behaviour("D3", "@DOUBLE(L,7.5);USER^RUN();");
    EXPECT_EQ(result(asInteger), "8");
    EXPECT_EQ(result(asText), "71");
    EXPECT_EQ(result(asDouble), "8.50000");
    EXPECT_EQ(result(asInteger), "8");
    EXPECT_EQ(scene->getObject("L"), nullptr);
    EXPECT_EQ(taken(), 0);
}

// An operand's code that deletes the receiver of its line stops the line; a line inside that code, reading
// an expression too when the receiver goes, goes on with its own.
TEST_F(InterpreterCacheTest, ExpressionOperandsThatDeleteTheReceiverStopTheLine) {
    integer("Y");
    integer("V", 1);
    auto* killer = new RecordingBehaviour(scene, "KILL", nullptr);
    scene->addObject(killer);
    bool kill = true;
    killer->onRun = [&](CMC_Object*) {
        if (!kill) return;
        CMC_Object* victim = scene->getObject("V");
        scene->removeObject(victim);
        delete victim;
    };
    behaviour("INNER", "Y^SET([Y+1+KILL^RUN()]);");
    CMC_Behaviour* line = behaviour("LINE", "V^SET([2+INNER^RUN()]);V^SET(9);");
    for (int round = 1; round <= 2; ++round) {
        line->run(nullptr, nullptr, false);
        EXPECT_EQ(scene->getObject("V"), nullptr);
        EXPECT_EQ(intOf("Y"), round);
        integer("V", 1);
    }
    kill = false;
    line->run(nullptr, nullptr, false);
    EXPECT_EQ(intOf("V"), 9);
    EXPECT_EQ(intOf("Y"), 3);
    EXPECT_EQ(taken(), 0);
}

// Objects a call deletes while a line still holds them: the method working on a local that a run of the same
// behaviour inside its argument drops stops, as when the local is deleted (it is not kept for reuse while
// watched); __RETURN__ passed to the behaviour that replaces it, and an expression's left operand deleted by
// a later operand's code, are never read after they are gone.
TEST_F(InterpreterCacheTest, ObjectsACallDeletesAreNotReadAfterIt) {
    integer("S", 0);
    integer("T", 0);
    CMC_Behaviour* rec =
        behaviour("REC", "@INT(L,5);@IF($1,_,1,{S^SET(L^ADD([2+REC^RUN(0)]));T^SET(1);},{});");
    CXArray params(1, 0.75f);
    CXString one("1");
    params.add(&one);
    for (int round = 0; round < 2; ++round) {
        rec->run(nullptr, &params, false);
        EXPECT_EQ(intOf("S"), 0) << round;
        EXPECT_EQ(intOf("T"), 1) << round;
        EXPECT_EQ(scene->getObject("L"), nullptr) << round;
    }

    integer("__RETURN__", 1);
    behaviour("B", "@RETURN(5);");
    for (int round = 0; round < 2; ++round) {
        run("S^SET(B^RUN(__RETURN__));");
        EXPECT_EQ(intOf("S"), 5) << round;
        run("S^SET(0);");
    }

    text("R", "kept");
    remove("__RETURN__");
    text("__RETURN__", "ab");
    run("R^SET([__RETURN__+B^RUN()]);");
    EXPECT_EQ(textOf("R"), "kept");
    EXPECT_EQ(taken(), 0);
}

// A value's arithmetic on an operand of its own type gives what calculating a new value and setting it gives:
// the result for every type and operator, the change events in the same cases, and the value ADD answers to a
// line that reads it (the sum, whatever a change handler does next), wherever the line stands.
TEST_F(InterpreterCacheTest, ValueArithmeticAnswersAsCalculatingAndSettingWould) {
    integer("I");
    integer("J");
    real("D");
    real("E");
    text("S");
    text("T");
    flag("B");
    flag("C");
    text("R");
    struct Case {
        const char* code;
        const char* variable;
        const char* expected;
    };
    const Case cases[] = {
        {"I^SET(2147483647);J^SET(1);I^ADD(J);", "I", "-2147483648"},
        {"I^SET(-2147483648);J^SET(1);I^SUB(J);", "I", "2147483647"},
        {"I^SET(65537);J^SET(65537);I^MUL(J);", "I", "131073"},
        {"I^SET(-2147483648);J^SET(-1);I^DIV(J);", "I", "-2147483648"},
        {"I^SET(-2147483648);J^SET(-1);I^MOD(J);", "I", "0"},
        {"I^SET(7);J^SET(0);I^DIV(J);", "I", "0"},
        {"I^SET(7);J^SET(0);I^MOD(J);", "I", "0"},
        {"I^SET(-7);J^SET(2);I^DIV(J);", "I", "-3"},
        {"I^SET(-7);J^SET(2);I^MOD(J);", "I", "-1"},
        {"I^SET(5);I^ADD(I);I^MUL(I);", "I", "100"},
        {"I^SET(5);I^ADD(3);I^SUB(10);@LOOP({I^ADD(_I_);},0,3,1);", "I", "1"},
        {"I^SET(5);J^SET(3);I^ADD([J+1]);I^MUL(J,9);I^SUB(1,J);", "I", "26"},
        {"I^SET(5);J^SET(3);R^SET(I^ADD([J*2]));R^ADD(I^ADD(J,x));", "R", "1114"},
        {"D^SET(7.5);E^SET(2);D^MOD(E);", "D", "1.00000"},
        {"D^SET(7.5);E^SET(0.4);D^MOD(E);", "D", "0"},
        {"D^SET(-7.9);E^SET(2.9);D^MOD(E);", "D", "-1.00000"},
        {"D^SET(1);E^SET(0);D^DIV(E);", "D", "1.#INF"},
        {"D^SET(1.5);E^SET(2.25);D^MUL(E);D^SUB(E);", "D", "1.12500"},
        {"D^SET(0.5);D^ADD(0.25);D^ADD(2);", "D", "2.75000"},
        {"S^SET(ab);T^SET(cd);S^ADD(T);S^ADD(S);", "S", "abcdabcd"},
        {"S^SET(ab);T^SET(cd);S^MUL(T);S^DIV(T);S^MOD(T);", "S", "ab"},
        {"S^SET(ab);S^ADD(x);S^ADD(1);", "S", "abx1"},
        {"B^SET(TRUE);C^SET(FALSE);B^ADD(C);", "B", "FALSE"},
        {"B^SET(TRUE);C^SET(TRUE);B^ADD(C);", "B", "TRUE"},
        {"B^SET(FALSE);C^SET(TRUE);B^MUL(C);", "B", "TRUE"},
        {"B^SET(TRUE);C^SET(FALSE);B^SUB(C);B^DIV(C);B^MOD(C);", "B", "TRUE"},
        // What a reading line gets.
        {"I^SET(5);J^SET(3);R^SET(I^ADD(J));", "R", "8"},
        {"R^SET(x);I^SET(5);J^SET(3);R^SET(I^SUB(J));", "R", "x"},
        {"D^SET(0.5);E^SET(0.25);R^SET(D^ADD(E));", "R", "0.75000"},
        {"S^SET(ab);T^SET(c);R^SET(S^ADD(T));R^ADD(S^ADD(T));", "R", "abcabcc"},
        {"B^SET(TRUE);C^SET(TRUE);R^SET(B^ADD(C));", "R", "TRUE"},
        {"R^SET(x);I^SET(1);@LOOP({R^SET(I^ADD(I));},0,3,1);", "R", "8"},
    };
    for (const Case& c : cases) {
        run(c.code);
        CMC_Object* value = scene->getObject(c.variable);
        EXPECT_EQ(value ? std::string(value->toString().GetBuffer()) : "<none>", c.expected) << c.code;
    }

    CMC_Integer* w = integer("W");
    w->initializeBehaviours(scene, nullptr);
    std::vector<std::string> log;
    auto* changed = new RecordingBehaviour(scene, "CHANGED", &log);
    auto* brutal = new RecordingBehaviour(scene, "BRUTAL", &log);
    scene->addObject(changed);
    scene->addObject(brutal);
    w->addBehaviour(CXString("ONCHANGED"), changed, nullptr, scene);
    w->addBehaviour(CXString("ONBRUTALCHANGED"), brutal, nullptr, scene);
    run("J^SET(0);W^ADD(J);W^MUL(J);J^SET(2);W^ADD(J);W^DIV(J);W^MOD(J);W^SUB(J);");
    EXPECT_EQ(log, (std::vector<std::string>{"BRUTAL:W", "BRUTAL:W", "BRUTAL:W", "CHANGED:W", "BRUTAL:W",
                                             "CHANGED:W", "BRUTAL:W", "BRUTAL:W", "CHANGED:W"}));
    EXPECT_EQ(intOf("W"), -1);
    // A handler that changes the value, or deletes it, leaves the sum to the reading line.
    changed->onRun = [this](CMC_Object*) { static_cast<CMC_Integer*>(scene->getObject("W"))->setValue(100); };
    w->setValue(1);
    run("R^SET(x);R^SET(W^ADD(J));");
    EXPECT_EQ(textOf("R"), "3");
    EXPECT_EQ(intOf("W"), 100);
    changed->onRun = [this](CMC_Object* current) {
        scene->removeObject(current);
        delete current;
    };
    run("R^SET(W^ADD(J));W^ADD(J);");
    EXPECT_EQ(textOf("R"), "102");
    EXPECT_EQ(scene->getObject("W"), nullptr);
    EXPECT_EQ(taken(), 0);
}
