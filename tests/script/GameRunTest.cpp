#include "script/GameFixtures.h"

#include "core/KavirelWEB.h"
#include "core/Log.h"
#include "core/XTimer.h"
#include "core/XVersion.h"
#include "input/HotSpot.h"
#include "media/SoundFixtures.h"
#include "media/anim/Animo6.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"
#include "objects/Mouse.h"
#include "script/Scene.h"
#include "script/ScriptSupport.h"

namespace KavirelTest {

namespace {

CMC_Episode* episodeOf(CGameRun& run) { return static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))); }

std::vector<std::string> historyOf(CMC_Scene* container) {
    std::vector<std::string> names;
    for (int i = 0; i < container->getHistorySize(); ++i)
        names.push_back(container->getHistoryAt(i) ? container->getHistoryAt(i)->getName().GetBuffer()
                                                   : "<gone>");
    return names;
}

} // namespace

TEST(GameRun, StartsInTheStartSceneAndRunsFrames) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    ASSERT_NE(run.app(), nullptr);
    EXPECT_TRUE(run.started());
    EXPECT_EQ(run.sceneName(), "S1");
    run.frames(5);
    EXPECT_EQ(run.frameCount(), 5);
    EXPECT_EQ(run.sceneName(), "S1");
    // Scene names resolve from the application; the built-in objects are there.
    EXPECT_NE(run.app()->getObject(CXString("S3")), nullptr);
    for (const char* name : {"RANDOM", "SYSTEM", "CNVLOADER"})
        EXPECT_NE(run.app()->getObject(CXString(name)), nullptr) << name;
}

TEST(GameRun, ASceneChangeAskedInAFrameIsCarriedOutByTheNextStep) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CMC_Episode* episode = episodeOf(run);
    ASSERT_NE(episode, nullptr);

    callMethod(episode, "GOTO", {"S2"});
    EXPECT_EQ(run.sceneName(), "S1");
    ASSERT_NE(episode->getPendingScene(), nullptr);
    EXPECT_EQ(std::string(episode->getPendingScene()->getName().GetBuffer()), "S2");
    // The scene asked for keeps its objects unloaded until it is entered.
    EXPECT_FALSE(static_cast<CMC_Scene*>(episode->find(CXString("S2")))->isObjectFileLoaded());

    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    EXPECT_EQ(episode->getPendingScene(), nullptr);
    EXPECT_EQ(historyOf(episode), (std::vector<std::string>{"S1", "S2"}));
    EXPECT_FALSE(static_cast<CMC_Scene*>(episode->find(CXString("S1")))->isRunning());
    EXPECT_TRUE(static_cast<CMC_Scene*>(episode->find(CXString("S2")))->isRunning());

    // An unknown name cancels a pending change.
    callMethod(episode, "GOTO", {"S3"});
    callMethod(episode, "GOTO", {"NOWHERE"});
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
}

TEST(GameRun, EpisodesStepForwardBackwardAndBack) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CMC_Episode* episode = episodeOf(run);
    auto current = [&] { return text(callMethod(episode, "GETCURRENTSCENE")); };
    auto latest = [&] { return text(callMethod(episode, "GETLATESTSCENE")); };

    EXPECT_EQ(current(), "S1");
    EXPECT_EQ(latest(), "");
    callMethod(episode, "PREV");
    EXPECT_EQ(episode->getPendingScene(), nullptr);

    callMethod(episode, "NEXT");
    run.frames(1);
    EXPECT_EQ(current(), "S2");
    EXPECT_EQ(latest(), "S1");
    callMethod(episode, "NEXT");
    run.frames(1);
    EXPECT_EQ(current(), "S3");
    callMethod(episode, "NEXT");
    EXPECT_EQ(episode->getPendingScene(), nullptr);
    run.frames(1);
    EXPECT_EQ(current(), "S3");

    // A -> B -> C, BACK enters B; a second BACK enters B again.
    callMethod(episode, "BACK");
    run.frames(1);
    EXPECT_EQ(current(), "S2");
    EXPECT_EQ(historyOf(episode), (std::vector<std::string>{"S1", "S2", "S2"}));
    callMethod(episode, "BACK");
    run.frames(1);
    EXPECT_EQ(current(), "S2");
    EXPECT_EQ(historyOf(episode), (std::vector<std::string>{"S1", "S2", "S2"}));

    callMethod(episode, "PREV");
    run.frames(1);
    EXPECT_EQ(current(), "S1");
    EXPECT_EQ(latest(), "S2");

    // RESTART asks for the first scene.
    callMethod(episode, "GOTO", {"S3"});
    run.frames(1);
    callMethod(episode, "RESTART");
    run.frames(1);
    EXPECT_EQ(current(), "S1");
}

TEST(GameRun, GotoFindsOnlyTheContainersOwnScenes) {
    CGameFolder folder;
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1 E2"}}) +
                                             object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1"}}) +
                                             object("E2", {{"TYPE", "EPISODE"}, {"SCENES", "S2"}}) +
                                             object("S1", {{"TYPE", "SCENE"}}) +
                                             object("S2", {{"TYPE", "SCENE"}}));
    CGameRun run(folder);
    // No STARTWITH: the first episode, and its first scene.
    EXPECT_EQ(run.sceneName(), "S1");
    auto* e1 = static_cast<CMC_Episode*>(run.app()->find(CXString("E1")));
    ASSERT_NE(e1, nullptr);
    callMethod(e1, "GOTO", {"S2"});
    EXPECT_EQ(e1->getPendingScene(), nullptr);

    callMethod(run.app(), "GOTO", {"E2"});
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    EXPECT_EQ(text(callMethod(e1, "GETLATESTSCENE")), "S1");
}

TEST(GameRun, StartsInALooseSceneNamedByStartwith) {
    CGameFolder folder;
    folder.write(
        "Dane/application.def",
        object("GAME",
               {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"SCENES", "LOOSE"}, {"STARTWITH", "LOOSE"}}) +
            object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1"}}) + object("S1", {{"TYPE", "SCENE"}}) +
            object("LOOSE", {{"TYPE", "SCENE"}}) + object("UNLISTED", {{"TYPE", "SCENE"}}));
    CGameRun run(folder);
    EXPECT_TRUE(run.started());
    EXPECT_EQ(run.sceneName(), "LOOSE");
    // A scene no list names belongs to nobody and goes with the parser (the leak check sees it).
    EXPECT_EQ(run.app()->getObject(CXString("UNLISTED")), nullptr);
}

TEST(GameRun, WithoutScenesNothingIsEntered) {
    CGameFolder folder;
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "EMPTY"}}) +
                                             object("EMPTY", {{"TYPE", "EPISODE"}, {"SCENES", ""}}));
    CGameRun run(folder);
    ASSERT_NE(run.app(), nullptr);
    // The episode is entered, but has no scene to start with.
    EXPECT_EQ(run.sceneName(), "");
    run.frames(3);
}

TEST(GameRun, AMissingDefinitionGivesNoApplication) {
    CGameFolder folder;
    CLogCapture log;
    CGameRun run(folder);
    EXPECT_EQ(run.app(), nullptr);
    EXPECT_FALSE(run.started());
    EXPECT_TRUE(log.contains("application.def"));
}

TEST(GameRun, ReloadEndsTheFrameLoopAfterTheFrame) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    callMethod(run.app(), "RELOAD", {"OTHERGAME"});
    EXPECT_EQ(std::string(run.app()->getNextGame().GetBuffer()), "OTHERGAME");
    run.frames(10);
    EXPECT_EQ(run.frameCount(), 1);
}

TEST(GameRun, ApplicationRestartRestartsTheStartEpisode) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CMC_Episode* episode = episodeOf(run);
    callMethod(episode, "GOTO", {"S3"});
    run.frames(1);
    // The start episode runs: it restarts itself, its first scene pending.
    callMethod(run.app(), "RESTART");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S1");
}

TEST(GameRun, ExistsenvLooksInsideAScene) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {object("X", {{"TYPE", "INTEGER"}}), "", ""});
    CGameRun run(folder);
    auto exists = [&](std::vector<std::string> args) {
        return text(callMethod(run.app(), "EXISTSENV", args));
    };
    EXPECT_EQ(exists({"S1", "X"}), "TRUE");
    EXPECT_EQ(exists({"S1", "Y"}), "FALSE");
    EXPECT_EQ(exists({"NOWHERE", "X"}), "FALSE");
    // S2 is not entered: its objects are not there.
    EXPECT_EQ(exists({"S2", "X"}), "FALSE");
}

TEST(GameRun, TheUnitTakesTheSceneNameAndGivesItBack) {
    CGameFolder folder;
    folder.write("Dane/application.def",
                 object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}}) +
                     object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2"}}) +
                     object("S1", {{"TYPE", "SCENE"}, {"BACKGROUND", "back1.img"}, {"MUSIC", "m1.wav"}}) +
                     object("S2", {{"TYPE", "SCENE"}}));
    CGameRun run(folder);
    CUnit6* unit = CMC_Scene::getDefUnit();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(std::string(unit->getUnitName().GetBuffer()), "S1");
    EXPECT_EQ(std::string(unit->getBackgroundFileName().GetBuffer()), "back1.img");
    EXPECT_TRUE(unit->isActive());
    EXPECT_FALSE(unit->wasInitiallyUpdated());
    run.frames(1);
    EXPECT_TRUE(unit->wasInitiallyUpdated());
    // The first frame starts the scene's music.
    EXPECT_EQ(std::string(unit->getMusicFileName().GetBuffer()), "m1.wav");

    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    EXPECT_EQ(std::string(unit->getUnitName().GetBuffer()), "S2");
    EXPECT_EQ(std::string(unit->getBackgroundFileName().GetBuffer()), "");
    // The scene has no music of its own and no parent's: the previous music name is kept.
    EXPECT_EQ(std::string(unit->getMusicFileName().GetBuffer()), "m1.wav");
}

TEST(GameRun, MusicCarriesOnIntoASceneOfTheSameMusicAndLeavingDropsThePointersConfinement) {
    CGameFolder folder;
    folder.write("Dane/application.def",
                 object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}}) +
                     object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2,S3"}, {"MUSIC", "e.wav"}}) +
                     object("S1", {{"TYPE", "SCENE"}, {"MUSIC", "a.wav"}}) +
                     object("S2", {{"TYPE", "SCENE"}, {"MUSIC", "a.wav"}}) +
                     object("S3", {{"TYPE", "SCENE"}}));
    CGameRun run(folder);
    EXPECT_TRUE(run.scene()->shouldMusicBeStarted());
    CMC_Mouse::setClipRect(CXRect(10, 10, 50, 50));

    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    ASSERT_EQ(run.sceneName(), "S2");
    EXPECT_FALSE(run.scene()->shouldMusicBeStarted());
    EXPECT_EQ(CMC_Mouse::getClipRect().Width(), 0);

    // A scene without music of its own plays its episode's.
    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    ASSERT_EQ(run.sceneName(), "S3");
    EXPECT_EQ(std::string(run.scene()->getMusicFilename().GetBuffer()), "e.wav");
    EXPECT_TRUE(run.scene()->shouldMusicBeStarted());
}

TEST(SceneRunner, TimeTextsAndMusicLevels) {
    EXPECT_EQ(std::string(CMC_Scene_Runner::toTime(754).GetBuffer()), "1234");
    EXPECT_EQ(std::string(CMC_Scene_Runner::toTime(59).GetBuffer()), "0059");
    EXPECT_EQ(std::string(CMC_Scene_Runner::toTime(6000).GetBuffer()), "10000");
    EXPECT_EQ(CMC_Scene_Runner::volumeToDb(800), 0);
    EXPECT_EQ(CMC_Scene_Runner::volumeToDb(0), -10000);
    EXPECT_EQ(CMC_Scene_Runner::volumeToDb(400), -1600);
    EXPECT_EQ(CMC_Scene_Runner::panToDb(400), 0);
    EXPECT_EQ(CMC_Scene_Runner::panToDb(0), -800);
    EXPECT_EQ(CMC_Scene_Runner::panToDb(8000), 10000);
}

TEST(SceneRunner, HotSpotPrioritiesAndPauseFlag) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CMC_Scene* scene = run.scene();
    int lowest = CHotSpot::getMinPriority();
    int highest = CHotSpot::getMaxPriority();
    callMethod(scene, "SETMINHSPRIORITY", {"5"});
    callMethod(scene, "SETMAXHSPRIORITY", {"50"});
    EXPECT_EQ(text(callMethod(scene, "GETMINHSPRIORITY")), "5");
    EXPECT_EQ(text(callMethod(scene, "GETMAXHSPRIORITY")), "50");
    CHotSpot::setMinPriority(lowest);
    CHotSpot::setMaxPriority(highest);

    // PAUSE twice, then RESUME once, resumes: the flag is no counter. Paused timers stand still.
    auto* runner = static_cast<CMC_Scene_Runner*>(CMC_RunnerFactory::getRunner(TYPE_SCENE));
    callMethod(scene, "PAUSE");
    callMethod(scene, "PAUSE");
    EXPECT_TRUE(runner->isPaused());
    EXPECT_EQ(text(callMethod(scene, "ISPAUSED")), "TRUE");
    EXPECT_FALSE(CXTimer::isEnabled());
    callMethod(scene, "RESUME");
    EXPECT_FALSE(runner->isPaused());
    EXPECT_TRUE(CXTimer::isEnabled());
}

// PAUSE holds the shell's sounds and animations; RESUMEONLY gives back the sounds and the animations of its
// group alone (this one drives none); RESUME gives back the rest.
TEST(SceneRunner, PauseAndResumeHoldSoundsAndAnimations) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {object("G", {{"TYPE", "GROUP"}}), "", ""});
    folder.write("beep.wav", pcmWav(std::vector<int16_t>(22050 * 2, 4000)));
    CGameRun run(folder);
    CMC_Scene* scene = run.scene();
    CSound4 sound(run.window(), folder.engineRoot() + "beep.wav", false, true);
    CAnimo6 animation(run.window());
    CGraphicsObject image(nullptr, CXSize(1, 1), 16);
    animation.AddFrame(&image);
    animation.AddFrame(&image);
    _animoEvent event;
    event.setName("RUN");
    event.frames = 2;
    animation.AddEvent(event);
    animation.GetEventInfo(0)->images = {0, 1};
    sound.play();
    animation.Play(0, 0);
    auto heard = [&] {
        run.frames(1);
        return run.audio()[run.audio().size() - 2];
    };
    EXPECT_EQ(heard(), 4000);

    callMethod(scene, "PAUSE");
    EXPECT_EQ(heard(), 0);
    EXPECT_EQ(animation.GetStatus(), CAnimo::ANIMO_PAUSED);
    callMethod(scene, "RESUMEONLY", {"G"});
    EXPECT_EQ(heard(), 4000);
    EXPECT_EQ(animation.GetStatus(), CAnimo::ANIMO_PAUSED);
    callMethod(scene, "PAUSE");
    callMethod(scene, "RESUME");
    EXPECT_EQ(heard(), 4000);
    EXPECT_EQ(animation.GetStatus(), CAnimo::ANIMO_PLAYING);
}

TEST(SceneRunner, RemoveAndRemoveClonesDeleteOnlyTheScenesOwnObjects) {
    CGameFolder folder;
    EpisodeGame game(folder, object("APPVALUE", {{"TYPE", "INTEGER"}}), "",
                     {object("X", {{"TYPE", "INTEGER"}}) + object("X_1", {{"TYPE", "INTEGER"}}) +
                          object("X_2", {{"TYPE", "INTEGER"}}) + object("Y", {{"TYPE", "INTEGER"}}),
                      "", ""});
    CGameRun run(folder);
    CMC_Scene* scene = run.scene();
    int before = scene->getElementsNo();
    EXPECT_EQ(text(callMethod(scene, "GETELEMENTSNO")), std::to_string(before));

    callMethod(scene, "REMOVECLONES", {"X", "1", "5"});
    EXPECT_EQ(run.find("X_1"), nullptr);
    EXPECT_EQ(run.find("X_2"), nullptr);
    EXPECT_NE(run.find("X"), nullptr);
    callMethod(scene, "REMOVE", {"Y"});
    EXPECT_EQ(run.find("Y"), nullptr);
    // Neither an object of the application nor a scene goes this way.
    callMethod(scene, "REMOVE", {"APPVALUE"});
    EXPECT_NE(run.find("APPVALUE"), nullptr);
    callMethod(scene, "REMOVE", {"S2"});
    EXPECT_NE(run.app()->getObject(CXString("S2")), nullptr);
    callMethod(scene, "REMOVE", {"NOTHING"});
    EXPECT_EQ(scene->getElementsNo(), before - 3);
}

TEST(SceneRunner, ReflectiveCallsReachBehavioursAndOtherRunners) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {object("X", {{"TYPE", "INTEGER"}, {"VALUE", "1"}}), "", ""});
    CGameRun run(folder);
    CMC_Scene* scene = run.scene();
    std::vector<std::string> log;
    auto* behaviour = new RecordingBehaviour(scene, "B", &log);
    scene->addObject(behaviour);

    // The scene's RUN compares "RUN" and "RUNC" with their case; the behaviour gets $1, $2 ...
    callMethod(scene, "RUN", {"B", "RUN", "a", "b"});
    callMethod(scene, "RUN", {"B", "RUNC"});
    EXPECT_EQ(log, (std::vector<std::string>{"B:S1:a,b", "B:S1"}));
    // Any other method goes to the target's runner, by name.
    callMethod(scene, "RUN", {"X", "SET", "5"});
    EXPECT_EQ(static_cast<CMC_Integer*>(run.find("X"))->getValue(), 5);
    callMethod(run.app(), "RUN", {"X", "SET", "6"}, scene);
    // The application's RUN takes "run" in any case for a behaviour.
    callMethod(run.app(), "RUN", {"B", "run", "c"}, scene);
    EXPECT_EQ(static_cast<CMC_Integer*>(run.find("X"))->getValue(), 6);
    EXPECT_EQ(callMethod(scene, "RUN", {"NOBODY", "RUN"}), nullptr);
    EXPECT_EQ(log.back(), "B:GAME:c");

    // RUNCLONES hands each clone's name first; from and to of 0 mean 1 and the clone count.
    log.clear();
    run.find("X")->clone(2);
    callMethod(scene, "RUNCLONES", {"X", "0", "0", "B", "z"});
    EXPECT_EQ(log, (std::vector<std::string>{"B:S1:X_1,z", "B:S1:X_2,z"}));
    // Code given in place of a behaviour's name runs as a behaviour named "temp", gone afterwards.
    callMethod(scene, "RUNCLONES", {"X", "2", "2", "{X_2^SET(9);}"});
    EXPECT_EQ(static_cast<CMC_Integer*>(run.find("X_2"))->getValue(), 9);
    EXPECT_EQ(scene->getObject(CXString("temp")), nullptr);

    // RUNENV runs a behaviour of a scene with that scene as the caller; a missing scene does nothing.
    log.clear();
    callMethod(run.app(), "RUNENV", {"S1", "B"});
    callMethod(run.app(), "RUNENV", {"NOWHERE", "B"});
    EXPECT_EQ(log, (std::vector<std::string>{"B:S1"}));
}

} // namespace KavirelTest

namespace KavirelTest {

TEST(GameRun, TheUnitsEditBoxesAndTimers) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CUnit6* unit = CMC_Scene::getDefUnit();
    // A box of the running scene's unit, on the game's window; the unit deletes it.
    CEditBox6* box = unit->addEditBox(nullptr, CXRect(0, 0, 10, 10), 1, CXString("x"));
    ASSERT_NE(box, nullptr);
    box->addHolder(&box);
    unit->activateEditBox(box);
    EXPECT_EQ(unit->getCurrentEditBoxIndex(), 0);
    run.frames(1);
    unit->flushEditBoxes();
    EXPECT_EQ(box, nullptr);
    EXPECT_EQ(unit->getCurrentEditBoxIndex(), -1);
    run.frames(1); // the blink's timer entry goes at the next poll
    // Timers for the unit ride on the window's.
    int before = run.window()->GetTimerInterface()->getCount();
    unit->setTimer(77, 100, true);
    EXPECT_EQ(run.window()->GetTimerInterface()->getCount(), before + 1);
    unit->killTimer(77);
    run.frames(1);
    EXPECT_EQ(run.window()->GetTimerInterface()->getCount(), before);
}

} // namespace KavirelTest

namespace KavirelTest {

// A web-distributed engine records the game's VERSION in the registry where its installer reads it.
TEST(GameRun, AWebEngineRecordsTheGamesVersion) {
    CGameFolder folder;
    folder.write(
        "Dane/application.def",
        object("GAME", {{"TYPE", "APPLICATION"}, {"VERSION", "2.5"}, {"SCENES", "S1"}, {"STARTWITH", "S1"}}) +
            object("S1", {{"TYPE", "SCENE"}, {"PATH", "S1"}}));
    folder.write("Dane/GAME.cnv", "");
    folder.write("Dane/S1/S1.cnv", "");
    CPlatformRegistry store((folder.path() / "config").string());
    CKavirelWEB::setRegistry(&store);
    CXVersion web(CXVersion::TYPE_WEB, 1, 0, 9);
    CXVersion* engine = CXVersion::current_version;
    CXVersion::current_version = &web;
    {
        CGameRun run(folder);
        EXPECT_TRUE(run.started());
    }
    CXVersion::current_version = engine;
    CXString version;
    for (const char* key : {"Software\\OrvikMedia\\KavirelWeb\\", "Software\\OrvikMedia\\KavirelWeb"})
        if (!version.IsString())
            version = CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "Version");
    CKavirelWEB::setRegistry(nullptr);
    EXPECT_STREQ(version.GetBuffer(), "2.5");
}

} // namespace KavirelTest
