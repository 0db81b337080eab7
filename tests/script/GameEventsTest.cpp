#include "script/GameFixtures.h"

#include "script/Behaviour.h"
#include "script/Scene.h"
#include "script/ScriptSupport.h"
#include "script/Timer.h"

namespace KavirelTest {

namespace {

CMC_Episode* episodeOf(CGameRun& run) { return static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))); }

// A recording behaviour that belongs to the container it is added to.
RecordingBehaviour* record(CMC_ObjectsContainer* container, const char* name, std::vector<std::string>* log) {
    auto* behaviour = new RecordingBehaviour(container, name, log);
    container->addObject(behaviour);
    return behaviour;
}

void twoEpisodes(CGameFolder& folder) {
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1,E2"}}) +
                                             object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1"}}) +
                                             object("E2", {{"TYPE", "EPISODE"}, {"SCENES", "S2"}}) +
                                             object("S1", {{"TYPE", "SCENE"}}) +
                                             object("S2", {{"TYPE", "SCENE"}}));
}

} // namespace

// ---- "__EVENT__" objects answer what no behaviour does ----

TEST(GameFallbacks, TheApplicationsDoneOnASceneChangeRunsItsFallbackObject) {
    CGameFolder folder;
    twoEpisodes(folder);
    std::vector<std::string> log;
    CGameRun run(folder);
    record(run.app(), "__ONDONE__", &log);
    callMethod(run.app(), "GOTO", {"E2"});
    EXPECT_TRUE(log.empty());
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    EXPECT_EQ(log, (std::vector<std::string>{"__ONDONE__:GAME"}));

    // A bound behaviour answers instead.
    auto* bound = record(run.app(), "DONEHANDLER", &log);
    run.app()->addBehaviour(CXString("ONDONE"), bound, nullptr, run.app());
    callMethod(run.app(), "GOTO", {"E1"});
    run.frames(1);
    EXPECT_EQ(log, (std::vector<std::string>{"__ONDONE__:GAME", "DONEHANDLER:GAME"}));
}

TEST(GameFallbacks, ExitClosesTheWindowAndRunsOnlyTheExitFallback) {
    CGameFolder folder;
    twoEpisodes(folder);
    std::vector<std::string> log;
    CGameRun run(folder);
    // ONEXIT is not an event of the application: a binding in the definition never runs, the fallback does.
    auto* bound = record(run.app(), "EXITHANDLER", &log);
    run.app()->addBehaviour(CXString("ONEXIT^X"), bound, nullptr, run.app());
    record(run.app(), "__ONEXIT__", &log);
    EXPECT_FALSE(run.window()->isQuitting());
    callMethod(run.app(), "EXIT");
    EXPECT_TRUE(run.window()->isQuitting());
    EXPECT_EQ(log, (std::vector<std::string>{"__ONEXIT__:GAME"}));
}

TEST(GameFallbacks, ASignalNoBehaviourTakesFindsTheScenesObjectOrItsParents) {
    CGameFolder folder;
    twoEpisodes(folder);
    std::vector<std::string> log;
    CGameRun run(folder);
    record(run.scene(), "__ONSIGNAL^HELLO__", &log);
    record(run.app(), "__ONSIGNAL^BYE__", &log);
    callMethod(run.scene(), "SEND", {"HELLO"});
    callMethod(run.scene(), "SEND", {"BYE"});
    callMethod(run.scene(), "SEND", {"NOBODY"});
    EXPECT_EQ(log, (std::vector<std::string>{"__ONSIGNAL^HELLO__:S1", "__ONSIGNAL^BYE__:S1"}));
}

// ---- TIMER over frames ----

class GameTimer : public ::testing::Test {
protected:
    void SetUp() override {
        EpisodeGame game(folder, "", "",
                         {object("T1", {{"TYPE", "TIMER"}, {"ELAPSE", "100"}, {"TICKS", "3"}}) +
                              object("T2", {{"TYPE", "TIMER"}, {"ELAPSE", "40"}}) +
                              object("T3", {{"TYPE", "TIMER"}, {"ELAPSE", "100"}, {"ENABLED", "false"}}) +
                              object("T4", {{"TYPE", "TIMER"}, {"ELAPSE", "100"}, {"ENABLED", "TRUE"}}) +
                              object("T5", {{"TYPE", "TIMER"}, {"ELAPSE", "100"}, {"ENABLED", "0"}}),
                          "", ""});
        run = std::make_unique<CGameRun>(folder);
    }
    std::vector<std::string> log;
    CMC_Timer* timer(const char* name) { return static_cast<CMC_Timer*>(run->find(name)); }
    int ticks(const char* name) { return std::stoi(text(callMethod(timer(name), "GETTICKS"))); }

    CGameFolder folder;
    std::unique_ptr<CGameRun> run;
};

TEST_F(GameTimer, TicksRaiseTheNumberedEventBeforeThePlainOneAndStopAtTheLimit) {
    CMC_Scene* scene = run->scene();
    timer("T1")->addBehaviour(CXString("ONTICK^2"), record(scene, "SECOND", &log), nullptr, scene);
    timer("T1")->addBehaviour(CXString("ONTICK"), record(scene, "ANY", &log), nullptr, scene);
    run->frames(4);
    EXPECT_TRUE(log.empty());
    run->frames(1);
    EXPECT_EQ(log, (std::vector<std::string>{"ANY:T1"}));
    run->frames(25);
    EXPECT_EQ(log, (std::vector<std::string>{"ANY:T1", "SECOND:T1", "ANY:T1"}));
    EXPECT_EQ(ticks("T1"), 3);
    EXPECT_FALSE(timer("T1")->isEnabled());

    // ENABLE starts it again from tick 0, a full interval later.
    callMethod(timer("T1"), "ENABLE");
    EXPECT_EQ(ticks("T1"), 0);
    run->frames(10);
    EXPECT_EQ(ticks("T1"), 2);
    EXPECT_EQ(log.back(), "SECOND:T1");
}

TEST_F(GameTimer, ATimerWithoutHandlersCountsAndTheEnabledKeyDecides) {
    run->frames(10);
    EXPECT_EQ(ticks("T2"), 5);
    EXPECT_EQ(ticks("T3"), 0);
    EXPECT_EQ(ticks("T4"), 2);
    EXPECT_EQ(ticks("T5"), 0);
    EXPECT_FALSE(timer("T3")->isEnabled());
    EXPECT_TRUE(timer("T4")->isEnabled());
}

TEST_F(GameTimer, DisableThenResumeContinuesWhileDisableThenEnableRestarts) {
    run->frames(4);
    EXPECT_EQ(ticks("T2"), 2);
    callMethod(timer("T2"), "DISABLE");
    run->frames(4);
    EXPECT_EQ(ticks("T2"), 2);
    callMethod(timer("T2"), "RESUME");
    run->frames(2);
    EXPECT_EQ(ticks("T2"), 3);
    callMethod(timer("T2"), "DISABLE");
    callMethod(timer("T2"), "ENABLE");
    EXPECT_EQ(ticks("T2"), 0);
    run->frames(2);
    EXPECT_EQ(ticks("T2"), 1);

    // SET gives a new limit and counts from 0; SETELAPSE changes the interval.
    callMethod(timer("T2"), "SET", {"1"});
    callMethod(timer("T2"), "SETELAPSE", {"20"});
    run->frames(3);
    EXPECT_EQ(ticks("T2"), 1);
    EXPECT_FALSE(timer("T2")->isEnabled());
}

TEST_F(GameTimer, TimersOfASceneLeftStopWithIt) {
    CXTimer* list = run->window()->GetTimerInterface();
    int during = list->getCount();
    EXPECT_GE(during, 5);
    callMethod(episodeOf(*run), "NEXT");
    run->frames(2);
    EXPECT_EQ(list->getCount(), during - 5);
}

} // namespace KavirelTest
