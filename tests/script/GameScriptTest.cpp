// Whole games whose behaviours run script code.
#include "script/GameFixtures.h"

#include "script/Scene.h"

namespace KavirelTest {

namespace {

// Inline code that appends the marker and a '.' to LOG, after the code given. Built piece by piece: release
// builds warn falsely about chains of string sums.
std::string logs(const char* marker, const char* before = "") {
    std::string code = "{";
    code += before;
    code += "LOG^ADD(\"";
    code += marker;
    code += ".\");}";
    return code;
}

// Each container logs its events into the application's LOG; S1 asks for S2 from a timer tick, S2 asks for S3
// while it is being entered, S3 signals the application and keeps a value in the ini file.
void scriptedGame(CGameFolder& folder) {
    EpisodeGame game(
        folder,
        object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}) + object("GAME", {{"ONINIT", logs("GAME.INIT")}}) +
            object("__ONSIGNAL^PING__", {{"TYPE", "BEHAVIOUR"}, {"CODE", logs("PINGED")}}),
        object("E1", {{"ONINIT", logs("E1.INIT")}, {"ONDONE", logs("E1.DONE")}}),
        {object("S1", {{"ONINIT", logs("S1.INIT")}, {"ONDONE", logs("S1.DONE")}}) +
             object("X1", {{"TYPE", "INTEGER"}, {"ONINIT", logs("X1.INIT")}}) +
             object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", logs("S1.__INIT__")}}) +
             object("T", {{"TYPE", "TIMER"},
                          {"ELAPSE", "100"},
                          {"TICKS", "1"},
                          {"ONTICK", logs("ASKED", "E1^GOTO(\"S2\");")}}),
         object("S2", {{"ONINIT", logs("S2.INIT")}}) +
             object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", logs("S2.__INIT__", "E1^GOTO(\"S3\");")}}),
         object("SCORE", {{"TYPE", "INTEGER"}, {"VALUE", "1"}, {"TOINI", "TRUE"}}) +
             object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{GAME^SEND(\"PING\");SCORE^SET(9);}"}})});
}

} // namespace

TEST(GameScript, SceneChangesRunTheirEventsInOrderOnTheStepAfterTheAsking) {
    CGameFolder folder;
    scriptedGame(folder);
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(logOf(run), "GAME.INIT.E1.INIT.X1.INIT.S1.__INIT__.S1.INIT.");

    // The timer asks during the frame's tick; the step of that frame carries the change out, after the
    // asking script ran to its end.
    run.frames(4);
    EXPECT_EQ(run.sceneName(), "S1");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    EXPECT_EQ(logOf(run), "GAME.INIT.E1.INIT.X1.INIT.S1.__INIT__.S1.INIT."
                          "ASKED.E1.DONE.S1.DONE.S2.__INIT__.S2.INIT.");

    // Asked while S2 was entered: the entering completes, and the next step enters S3.
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S3");
    EXPECT_EQ(logOf(run), "GAME.INIT.E1.INIT.X1.INIT.S1.__INIT__.S1.INIT."
                          "ASKED.E1.DONE.S1.DONE.S2.__INIT__.S2.INIT.E1.DONE.PINGED.");
    EXPECT_EQ(run.ini("S3", "SCORE"), "9");
    EXPECT_EQ(run.iniInt("S1", "Played"), 1);
    EXPECT_EQ(run.iniInt("S2", "Played"), 1);
}

TEST(GameScript, AGameFromItsCacheRunsLikeTheGameFromItsDefinition) {
    CGameFolder folder;
    scriptedGame(folder);
    std::string stored;
    std::string fromDefinition;
    {
        CGameRun run(folder);
        // The cache keeps values as they are when it is written: LOG holds the start's events.
        stored = logOf(run);
        ASSERT_TRUE(run.storeCache());
        run.frames(6);
        fromDefinition = logOf(run);
    }
    CGameFolder copy;
    scriptedGame(copy);
    std::filesystem::copy(folder.path() / "Dane", copy.path() / "Dane",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(copy.path() / "Kavirel.ini");
    CGameOptions options;
    options.fromCache = true;
    CGameRun run(copy, options);
    run.frames(6);
    EXPECT_EQ(run.sceneName(), "S3");
    EXPECT_EQ(logOf(run), stored + fromDefinition);
    EXPECT_EQ(run.ini("S3", "SCORE"), "9");
}

TEST(GameScript, ASceneFromItsCacheRaisesItsOwnEventsOnEveryEntry) {
    // The scene's own events are bound in its header of "application.bin", read once, not in its object file.
    CGameFolder folder;
    EpisodeGame game(folder, object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}), "",
                     {object("S1", {{"ONINIT", logs("I")}, {"ONDONE", logs("D")}}) +
                          object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}, {"ONTICK^2", logs("T2")}}),
                      "", ""});
    auto visit = [](CGameRun& run) {
        run.frames(3);
        CMC_Object* episode = run.app()->find(CXString("E1"));
        callMethod(episode, "NEXT");
        run.frames(1);
        callMethod(episode, "PREV");
        run.frames(3);
        EXPECT_EQ(run.sceneName(), "S1");
    };
    std::string stored;
    std::string fromDefinition;
    {
        CGameRun run(folder);
        stored = logOf(run);
        ASSERT_TRUE(run.storeCache());
        visit(run);
        fromDefinition = logOf(run);
    }
    EXPECT_EQ(fromDefinition, "I.T2.D.I.T2.");
    CGameOptions options;
    options.fromCache = true;
    CGameRun run(folder, options);
    visit(run);
    EXPECT_EQ(logOf(run), stored + fromDefinition);
}

} // namespace KavirelTest

namespace KavirelTest {

namespace {

std::string behaviourObject(const char* name, const char* code) {
    return object(name, {{"TYPE", "BEHAVIOUR"}, {"CODE", code}});
}

// The text T0 of the first scene of a started game of that scene, which its behaviours append to.
std::string sceneLog(CGameRun& run) {
    EXPECT_TRUE(run.started());
    CMC_Object* log = run.find("T0");
    return log ? std::string(log->toString().GetBuffer()) : "<no T0>";
}

} // namespace

// Code a line runs may delete what the line, its statement or its event still holds: what is gone reads as
// missing (an argument as null) and nothing reads freed memory.
TEST(GameScript, CodeThatDeletesWhatARunningLineHoldsLeavesItMissing) {
    CGameFolder folder;
    std::string scene =
        object("T0", {{"TYPE", "STRING"}, {"VALUE", ""}}) + behaviourObject("BX", "{T0^ADD(\"[$1]\");}");
    for (const char* name : {"X1", "X2", "X3", "X4", "X6"})
        scene += object(name, {{"TYPE", "BOOL"}, {"VALUE", "TRUE"}});
    scene += behaviourObject("BD1", "{S1^REMOVE(\"X1\");}") + behaviourObject("BD2", "{S1^REMOVE(\"X2\");}") +
             behaviourObject("BD3", "{S1^REMOVE(\"X3\");}") + behaviourObject("BD4", "{S1^REMOVE(\"X4\");}") +
             behaviourObject("BW", "{BX^RUN(X1,\"$1\",BD1^RUN());}") + behaviourObject("BR", "{@RETURN(7);}");
    // An IF's operand read before the other operand's code deletes it.
    scene += object("X5", {{"TYPE", "INTEGER"}, {"VALUE", "4"}}) +
             behaviourObject("BD5", "{S1^REMOVE(\"X5\");@RETURN(4);}") +
             behaviourObject("BD6", "{S1^REMOVE(\"X6\");}");
    scene += behaviourObject("__INIT__", "{BW^RUN(1);T0^ADD(\";\");"
                                         "BX^RUN(X2,BD2^RUN());T0^ADD(\";\");"
                                         "BX^RUN(&X3,BD3^RUN());T0^ADD(\";\");"
                                         "@RETURN(5);BX^RUN(__RETURN__,BR^RUN());T0^ADD(\";\");"
                                         "X4^SET(BD4^RUN());"
                                         "@IF(\"X5'BD5^RUN()\",{T0^ADD(SAME);},{T0^ADD(OTHER);});"
                                         // A line the text interpreter runs, for an IF's operand.
                                         "@IF(\"BX^RUN(X6,BD6^RUN())'0\",{},{});}");
    EpisodeGame game(folder, "", "", {scene, "", ""});
    CGameRun run(folder);
    EXPECT_EQ(sceneLog(run), "[];[];[];[];OTHER[]");
    for (const char* name : {"X1", "X2", "X3", "X4", "X5", "X6"}) EXPECT_EQ(run.find(name), nullptr) << name;
}

// Loops, timers and arrays whose own code deletes what they run or walk: they end as the code left them.
TEST(GameScript, LoopsTimersAndArraysOutliveWhatTheirCodeDeletes) {
    CGameFolder folder;
    std::string scene =
        object("T0", {{"TYPE", "STRING"}, {"VALUE", ""}}) + object("N", {{"TYPE", "INTEGER"}, {"VALUE", "0"}}) +
        object("W", {{"TYPE", "INTEGER"}, {"VALUE", "0"}}) + object("ARR", {{"TYPE", "ARRAY"}}) +
        object("ARR", {{"ONCHANGED", "{S1^REMOVE(\"ARR\");T0^ADD(A);}"}}) +
        object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}, {"ONTICK", "{S1^REMOVE(\"T\");T0^ADD(T);}"}}) +
        // A behaviour deleted by its loop's body, a FOR's counter, a WHILE's own behaviour.
        behaviourObject("BL", "{@LOOP({S1^REMOVE(\"BL\");T0^ADD(L);},0,3,1);T0^ADD(AFTER);}") +
        behaviourObject("BF", "{@FOR(N,{S1^REMOVE(\"N\");T0^ADD(F);},0,3,1);}") +
        behaviourObject("BW", "{@WHILE(\"W\",\"<\",2,{W^INC();S1^REMOVE(\"BW\");T0^ADD(W);});T0^ADD(AFTER);}") +
        behaviourObject("BG", "{@LOOP({E1^GOTO(\"S2\");T0^ADD(G);},0,2,1);}") +
        behaviourObject("__INIT__", "{BL^RUN();T0^ADD(\";\");BF^RUN();T0^ADD(\";\");BW^RUN();T0^ADD(\";\");"
                                    "ARR^SENDONCHANGE(TRUE);ARR^FILL(5,1);T0^ADD(\";\");}");
    EpisodeGame game(folder, "", "", {scene, "", ""});
    CGameRun run(folder);
    EXPECT_EQ(sceneLog(run), "LLL;FFF;12;A;");
    for (const char* name : {"BL", "N", "BW", "ARR"}) EXPECT_EQ(run.find(name), nullptr) << name;
    run.frames(3);
    EXPECT_EQ(sceneLog(run), "LLL;FFF;12;A;T");
    EXPECT_EQ(run.find("T"), nullptr);
    // A scene change asked for inside a loop is carried out at the step after it.
    callMethod(run.find("BG"), "RUN");
    EXPECT_EQ(sceneLog(run), "LLL;FFF;12;A;TGG");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
}

} // namespace KavirelTest
