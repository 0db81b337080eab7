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
