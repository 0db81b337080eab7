// What the interpreter keeps from one run of a line to the next (tests parsed from their texts, names found)
// must give the answers a fresh reading of the same text would give.
#include "InterpreterSupport.h"

#include <algorithm>

#include "script/Condition.h"

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
