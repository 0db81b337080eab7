#include "script/GameFixtures.h"

#include <algorithm>
#include <filesystem>

#include "core/Log.h"
#include "core/XTimer.h"
#include "platform/Modules.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Scene.h"
#include "script/ScriptSupport.h"
#include "script/Timer.h"

namespace KavirelTest {

namespace {

CMC_Episode* episodeOf(CGameRun& run) { return static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))); }

int intOf(CGameRun& run, const char* name) {
    CMC_Object* object = run.find(name);
    return object && object->getType() == TYPE_INTEGER ? static_cast<CMC_Integer*>(object)->getValue() : -999;
}

void setInt(CMC_Object* object, int value) {
    CMC_Integer next(value);
    static_cast<CMC_Integer*>(object)->set(&next);
}

// "NAME:TYPE" of every object the container holds, sorted.
std::vector<std::string> signature(CMC_ObjectsContainer* container) {
    std::vector<std::string> names;
    CXVector* objects = container->getObjects();
    for (int i = 0; i < objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(objects->at(i));
        if (object->getType() >= TYPE_APPLICATION && object->getType() <= TYPE_SCENE) continue;
        names.push_back(std::string(object->getName().GetBuffer()) + ":" + std::to_string(object->getType()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kRoomObjects =
    object("X", {{"TYPE", "INTEGER"}, {"VALUE", "7"}, {"ONCHANGED", "BH"}}) +
    object("N", {{"TYPE", "STRING"}, {"VALUE", "hello"}}) +
    object("B", {{"TYPE", "BOOL"}, {"VALUE", "TRUE"}}) + object("D", {{"TYPE", "DOUBLE"}, {"VALUE", "1.5"}}) +
    object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "100"}, {"TICKS", "2"}}) +
    object("BH", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{X^INC();}"}}) + object("A", {{"TYPE", "ARRAY"}}) +
    object("G", {{"TYPE", "GROUP"}}) + object("ST", {{"TYPE", "STRUCT"}, {"FIELDS", "F"}});

} // namespace

TEST(GameState, ToiniValuesAreKeptUnderTheirContainersName) {
    CGameFolder folder;
    EpisodeGame game(folder, object("LEVEL", {{"TYPE", "INTEGER"}, {"VALUE", "1"}, {"TOINI", "TRUE"}}), "",
                     {object("SCORE", {{"TYPE", "INTEGER"}, {"VALUE", "5"}, {"TOINI", "TRUE"}}) +
                          object("NAME", {{"TYPE", "STRING"}, {"VALUE", "abc"}, {"TOINI", "TRUE"}}) +
                          object("PLAIN", {{"TYPE", "INTEGER"}, {"VALUE", "9"}}),
                      "", ""});
    {
        CGameRun run(folder);
        // A value the ini lacks is written there when the object starts.
        EXPECT_EQ(run.ini("S1", "SCORE"), "5");
        EXPECT_EQ(run.ini("S1", "NAME"), "abc");
        EXPECT_EQ(run.ini("GAME", "LEVEL"), "1");
        EXPECT_EQ(run.ini("S1", "PLAIN"), "");
        setInt(run.find("SCORE"), 42);
        EXPECT_EQ(run.ini("S1", "SCORE"), "42");
        static_cast<CMC_String*>(run.find("NAME"))->setValue(CXString("xyz"));
        EXPECT_EQ(run.ini("S1", "NAME"), "xyz");
    }
    // The next run starts with what the ini keeps.
    CGameRun run(folder);
    EXPECT_EQ(intOf(run, "SCORE"), 42);
    EXPECT_EQ(text(static_cast<CMC_Variable*>(run.find("NAME"))), "xyz");
    EXPECT_EQ(intOf(run, "PLAIN"), 9);
}

TEST(GameState, PlayStatisticsCountEveryPlayAndItsSeconds) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    CMC_Episode* episode = episodeOf(run);
    run.frames(100); // 2 s at 20 ms a frame
    callMethod(episode, "NEXT");
    run.frames(1);
    EXPECT_EQ(run.iniInt("S1", "Played"), 1);
    EXPECT_EQ(run.iniInt("S1", "Time"), 2);
    EXPECT_EQ(run.ini("S3", "Played"), "");

    callMethod(episode, "PREV");
    run.frames(51);
    callMethod(episode, "NEXT");
    run.frames(1);
    EXPECT_EQ(run.iniInt("S1", "Played"), 2);
    EXPECT_EQ(run.iniInt("S1", "Time"), 3);
    EXPECT_EQ(run.iniInt("S2", "Played"), 1);
}

TEST(GameState, APlayInTheClocksFirstSecondIsCounted) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameOptions options;
    options.clockMs = 10;
    CGameRun run(folder, options);
    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    EXPECT_EQ(run.iniInt("S1", "Played"), 1);
    EXPECT_EQ(run.iniInt("S1", "Time"), 0);
}

TEST(GameState, ASceneFromItsCacheHasTheObjectsOfItsDefinition) {
    CGameFolder folder;
    EpisodeGame game(
        folder, object("APPX", {{"TYPE", "INTEGER"}, {"VALUE", "3"}}),
        object("EPX", {{"TYPE", "INTEGER"}, {"VALUE", "4"}}),
        {kRoomObjects + object("QF", {{"TYPE", "FIFO"}}) + object("QL", {{"TYPE", "LIFO"}}), "", ""});
    std::vector<std::string> fromDefinition;
    {
        CLogCapture log;
        CGameRun run(folder);
        fromDefinition = signature(run.scene());
        EXPECT_TRUE(run.storeCache());
        // The structure has no record the reader can rebuild: it is left out, and said so.
        EXPECT_TRUE(log.contains("ST (type 3002) cannot be read back"));
    }
    for (const char* file : {"Dane/application.bin", "Dane/GAME.bin", "Dane/E1/E1.bin", "Dane/E1/S1/S1.bin",
                             "Dane/E1/S2/S2.bin", "Dane/E1/S3/S3.bin"})
        EXPECT_TRUE(folder.exists(file)) << file;
    EXPECT_TRUE(temporariesIn(folder.path()).empty());

    CGameOptions options;
    options.fromCache = true;
    CGameRun run(folder, options);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.sceneName(), "S1");
    std::vector<std::string> expected = fromDefinition;
    std::erase(expected, std::string("ST:3002"));
    EXPECT_EQ(signature(run.scene()), expected);
    EXPECT_EQ(run.find("QF")->getType(), TYPE_FIFO);
    EXPECT_EQ(run.find("QL")->getType(), TYPE_LIFO);

    EXPECT_EQ(intOf(run, "X"), 7);
    EXPECT_EQ(text(static_cast<CMC_Variable*>(run.find("N"))), "hello");
    EXPECT_EQ(text(static_cast<CMC_Variable*>(run.find("B"))), "TRUE");
    EXPECT_DOUBLE_EQ(static_cast<CMC_Double*>(run.find("D"))->getValue(), 1.5);
    // The application's and the episode's own objects come back too.
    EXPECT_EQ(intOf(run, "APPX"), 3);
    EXPECT_EQ(intOf(run, "EPX"), 4);
    // Bindings find their behaviours again.
    CMC_Binding* binding = run.find("X")->getSingleBehaviour(CXString("ONCHANGED"), 0);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->getBehaviour(), run.find("BH"));
    EXPECT_TRUE(run.find("X")->hasHandler(EVT_VAR_ONCHANGED));

    // The timer ticks as it did: twice, at 100 ms.
    auto* timer = static_cast<CMC_Timer*>(run.find("T"));
    run.frames(20);
    EXPECT_EQ(timer->getTick(), 2);
    EXPECT_FALSE(timer->isEnabled());

    // Scene changes work the same.
    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
}

TEST(GameState, ScenesLoadedOnlyToBeStoredDoNotRun) {
    CGameFolder folder;
    EpisodeGame game(folder, "", object("EPT", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}}),
                     {"", object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}}), ""});
    CGameRun run(folder);
    CXTimer* timers = run.window()->GetTimerInterface();
    run.frames(1);
    int before = timers->getCount();
    ASSERT_TRUE(run.storeCache());
    run.frames(1);
    // S2's timer was made to be stored and is gone again; the episode's own objects run on.
    EXPECT_EQ(timers->getCount(), before);
    auto* episode = static_cast<CMC_Episode*>(run.app()->find(CXString("E1")));
    EXPECT_FALSE(static_cast<CMC_Scene*>(episode->find(CXString("S2")))->isObjectFileLoaded());
    EXPECT_NE(run.find("EPT"), nullptr);
}

TEST(GameState, DamagedCachesGiveFewerObjectsNeverACrash) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {kRoomObjects, kRoomObjects, ""});
    {
        CGameRun run(folder);
        ASSERT_TRUE(run.storeCache());
    }
    std::string room = folder.read("Dane/E1/S1/S1.bin");
    folder.write("Dane/E1/S1/S1.bin", room.substr(0, room.size() / 2));
    // A record count far beyond the file's bytes.
    std::string second = folder.read("Dane/E1/S2/S2.bin");
    second.replace(12, 4, std::string("\xff\xff\xff\x0f", 4));
    folder.write("Dane/E1/S2/S2.bin", second);
    std::filesystem::remove(folder.path() / "Dane/E1/S3/S3.bin");

    CGameOptions options;
    options.fromCache = true;
    CLogCapture log;
    CGameRun run(folder, options);
    EXPECT_EQ(run.sceneName(), "S1");
    EXPECT_TRUE(log.contains("ends inside record"));
    EXPECT_GT(run.scene()->getElementsNo(), 0);
    EXPECT_LT(static_cast<int>(signature(run.scene()).size()), 8);

    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    EXPECT_TRUE(log.contains("S2.bin is damaged"));
    EXPECT_TRUE(signature(run.scene()).empty());

    callMethod(episodeOf(run), "NEXT");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S3");
    EXPECT_TRUE(log.contains("S3.bin cannot be opened"));
}

// The scene S1 of a game holding the INTEGER X (7), its cache written, with a record of the given type id (its
// little-endian bytes) put before X's.
static void cacheWithRecordFirst(CGameFolder& folder, const std::string& typeId) {
    {
        CGameRun run(folder);
        ASSERT_TRUE(run.storeCache());
    }
    std::string room = folder.read("Dane/E1/S1/S1.bin");
    ASSERT_GE(room.size(), 16u);
    room[12] = static_cast<char>(room[12] + 1);
    room.insert(16, typeId);
    folder.write("Dane/E1/S1/S1.bin", room);
}

TEST(GameState, AMultiarrayRecordHoldsNoImageAndTheRecordsAfterItAreRead) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {object("X", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}), "", ""});
    // Caches of earlier writers hold MULTIARRAY records as their type id alone: insert one first.
    cacheWithRecordFirst(folder, std::string("\xbe\x0b\x00\x00", 4));
    CGameOptions options;
    options.fromCache = true;
    CGameRun run(folder, options);
    EXPECT_EQ(intOf(run, "X"), 7);
}

TEST(GameState, ACacheRecordOfATypeNoOneRegisteredLoadsNothingAndIsLogged) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "", {object("X", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}), "", ""});
    // A record of type 50001 first: without a module that takes it, nothing after it can be found.
    cacheWithRecordFirst(folder, std::string("\x51\xc3\x00\x00", 4));
    CGameOptions options;
    options.fromCache = true;
    CLogCapture log;
    CGameRun run(folder, options);
    EXPECT_EQ(run.find("X"), nullptr);
    EXPECT_TRUE(log.contains("cache record 0 of type 50001 cannot be read"));
}

TEST(GameState, ACacheWritesAMultiarrayAsItsBareRecordAndNamesWhatItLeavesOut) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "",
                     {object("X", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}) +
                          object("GRID", {{"TYPE", "MULTIARRAY"}, {"DIMENSIONS", "2"}}) +
                          object("COND", {{"TYPE", "CONDITION"}, {"OPERAND1", "X"}, {"OPERATOR", "EQUAL"}}) +
                          object("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "A<INTEGER>"}}) +
                          object("DB", {{"TYPE", "DATABASE"}, {"MODEL", "REC"}}) +
                          object("CLS", {{"TYPE", "CLASS"}, {"DEF", "C.cnv"}}),
                      "", ""});
    {
        CGameRun run(folder);
        CLogCapture log;
        ASSERT_TRUE(run.storeCache());
        EXPECT_TRUE(log.contains("MULTIARRAY GRID keeps no cells in a cache"));
        for (const char* left :
             {"REC (type 3002)", "DB (type 3003)", "CLS (type 3004)", "DB_CURSOR (type 3002)"})
            EXPECT_TRUE(log.contains(left)) << left;
    }
    CGameOptions options;
    options.fromCache = true;
    CLogCapture log;
    CGameRun run(folder, options);
    EXPECT_EQ(intOf(run, "X"), 7);
    ASSERT_NE(run.find("COND"), nullptr); // the record after the MULTIARRAY's is read
    EXPECT_EQ(run.find("COND")->getType(), TYPE_CONDITION);
    EXPECT_EQ(run.find("GRID"), nullptr);
    EXPECT_FALSE(log.contains("cannot be read"));
}

TEST(GameState, ADamagedApplicationCacheKeepsWhatItHas) {
    CGameFolder folder;
    EpisodeGame game(folder);
    {
        CGameRun run(folder);
        ASSERT_TRUE(run.storeCache());
    }
    std::string cache = folder.read("Dane/application.bin");
    for (size_t cut : {size_t(0), size_t(3), cache.size() / 2, cache.size() - 1}) {
        folder.write("Dane/application.bin", cache.substr(0, cut));
        CGameOptions options;
        options.fromCache = true;
        CLogCapture log;
        CGameRun run(folder, options);
        ASSERT_NE(run.app(), nullptr);
        run.frames(2);
        EXPECT_TRUE(log.contains("application.bin")) << cut;
    }
    std::filesystem::remove(folder.path() / "Dane/application.bin");
    CGameOptions options;
    options.fromCache = true;
    CGameRun run(folder, options);
    EXPECT_FALSE(run.started());
}

TEST(GameState, AWorldWithLooseScenesWritesNoApplicationCache) {
    CGameFolder folder;
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"SCENES", "LOOSE"}}) +
                                             object("LOOSE", {{"TYPE", "SCENE"}}));
    CGameRun run(folder);
    EXPECT_EQ(run.sceneName(), "LOOSE");
    CLogCapture log;
    EXPECT_FALSE(run.storeCache());
    EXPECT_FALSE(folder.exists("Dane/application.bin"));
    EXPECT_TRUE(log.contains("not inside an episode"));
}

// ---- plug-in modules ----

namespace {

const std::filesystem::path kScenePlugin =
    std::filesystem::path(KAVIREL_BINARY_DIR) / "testmodules" / "ScenePlugin.so";

struct PluginCounters {
    explicit PluginCounters(const CGameFolder& folder) {
        EXPECT_EQ(module.load(folder.path().string() + "/Dlls", "ScenePlugin.so"), EPlatformError::none)
            << module.lastError();
        creates = reinterpret_cast<int (*)()>(module.symbol("scenePluginCreates"));
        releases = reinterpret_cast<int (*)()>(module.symbol("scenePluginReleases"));
        container = reinterpret_cast<void* (*)()>(module.symbol("scenePluginContainer"));
    }
    CPlatformModule module;
    int (*creates)() = nullptr;
    int (*releases)() = nullptr;
    void* (*container)() = nullptr;
};

void pluginGame(CGameFolder& folder, const std::string& dlls) {
    folder.copy(kScenePlugin, "Dlls/ScenePlugin.so");
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}}) +
                                             object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2"}}) +
                                             object("S1", {{"TYPE", "SCENE"}, {"DLLS", dlls}}) +
                                             object("S2", {{"TYPE", "SCENE"}}));
    folder.write("Dane/S1.cnv", object("C1", {{"TYPE", "COUNTER"}, {"START", "3"}}));
}

CGameOptions pluginOptions(bool fromCache = false) {
    CGameOptions options;
    options.modules = "Dlls";
    options.fromCache = fromCache;
    return options;
}

} // namespace

TEST(GamePlugin, ASceneModuleMakesItsTypeAndItsObjectsAnswer) {
    ASSERT_TRUE(std::filesystem::exists(kScenePlugin)) << kScenePlugin;
    CGameFolder folder;
    pluginGame(folder, "ScenePlugin");
    CGameRun run(folder, pluginOptions());
    PluginCounters counters(folder);
    ASSERT_TRUE(counters.creates && counters.releases && counters.container);
    EXPECT_EQ(counters.creates(), 1);
    EXPECT_EQ(counters.container(), static_cast<void*>(static_cast<CMC_ObjectsContainer*>(run.scene())));

    CMC_Object* counter = run.find("C1");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->getType(), 50001);
    // The engine has no runner for the type: the object brings its own.
    EXPECT_EQ(CMC_RunnerFactory::getRunner(50001), nullptr);
    EXPECT_EQ(text(callMethod(counter, "GET")), "3");
    callMethod(counter, "INCREMENT", {"2"});
    EXPECT_EQ(text(callMethod(counter, "GET")), "5");
    EXPECT_EQ(text(callMethod(counter, "GETNAME")), "C1");

    // Leaving the scene releases the module once; entering it again loads it again.
    callMethod(static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))), "NEXT");
    run.frames(1);
    EXPECT_EQ(counters.releases(), 1);
    EXPECT_EQ(run.find("C1"), nullptr);
    callMethod(static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))), "PREV");
    run.frames(1);
    EXPECT_EQ(counters.creates(), 2);
    EXPECT_EQ(text(callMethod(run.find("C1"), "GET")), "3");
}

TEST(GamePlugin, AModuleThatDoesNotLoadIsSkipped) {
    CGameFolder folder;
    // The blank after the comma stays part of the second name, which matches no file.
    pluginGame(folder, "ScenePlugin, Missing");
    CLogCapture log;
    CGameRun run(folder, pluginOptions());
    EXPECT_EQ(run.sceneName(), "S1");
    EXPECT_TRUE(log.contains("module  Missing"));
    ASSERT_NE(run.scene()->getModules(), nullptr);
    EXPECT_EQ(run.scene()->getModules()->getSize(), 2);
    EXPECT_NE(run.find("C1"), nullptr);
}

TEST(GamePlugin, AModuleObjectComesBackFromTheCache) {
    CGameFolder folder;
    pluginGame(folder, "ScenePlugin");
    {
        CGameRun run(folder, pluginOptions());
        callMethod(run.find("C1"), "INCREMENT", {"4"});
        // Stored while the scene runs with its module.
        ASSERT_TRUE(run.storeCache());
    }
    CGameRun run(folder, pluginOptions(true));
    ASSERT_EQ(run.sceneName(), "S1");
    CMC_Object* counter = run.find("C1");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(text(callMethod(counter, "GET")), "7");
}

TEST(GamePlugin, AModuleObjectOfASceneNotRunningIsStoredToo) {
    CGameFolder folder;
    folder.copy(kScenePlugin, "Dlls/ScenePlugin.so");
    folder.write("Dane/application.def", object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}}) +
                                             object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2"}}) +
                                             object("S1", {{"TYPE", "SCENE"}}) +
                                             object("S2", {{"TYPE", "SCENE"}, {"DLLS", "ScenePlugin"}}));
    folder.write("Dane/S2.cnv", object("C1", {{"TYPE", "COUNTER"}, {"START", "3"}}));
    {
        CGameRun run(folder, pluginOptions());
        ASSERT_TRUE(run.storeCache());
        // The module was loaded for the store only.
        auto* episode = static_cast<CMC_Episode*>(run.app()->find(CXString("E1")));
        EXPECT_EQ(static_cast<CMC_Scene*>(episode->find(CXString("S2")))->getModules(), nullptr);
    }
    CGameRun run(folder, pluginOptions(true));
    callMethod(static_cast<CMC_Episode*>(run.app()->find(CXString("E1"))), "NEXT");
    run.frames(1);
    ASSERT_EQ(run.sceneName(), "S2");
    CMC_Object* counter = run.find("C1");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(text(callMethod(counter, "GET")), "3");
}

TEST(GamePlugin, TheApplicationsModulesServeItsOwnObjectsFromTheDefinitionAndTheCache) {
    CGameFolder folder;
    folder.copy(kScenePlugin, "Dlls/ScenePlugin.so");
    folder.write("Dane/application.def",
                 object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"DLLS", "ScenePlugin"}}) +
                     object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1"}}) +
                     object("S1", {{"TYPE", "SCENE"}}));
    folder.write("Dane/GAME.cnv", object("C0", {{"TYPE", "COUNTER"}, {"START", "2"}}));
    for (bool cached : {false, true}) {
        CGameRun run(folder, pluginOptions(cached));
        CMC_Object* counter = run.find("C0");
        ASSERT_NE(counter, nullptr) << cached;
        EXPECT_EQ(text(callMethod(counter, "GET")), "2");
        if (!cached) {
            ASSERT_TRUE(run.storeCache());
        }
    }
}

// ---- the definition loader ----

TEST(GameLoader, LoadMakesAFilesObjectsOnceAndReleaseDeletesThemWithTheirClones) {
    CGameFolder folder;
    EpisodeGame game(folder);
    folder.write("Dane/E1/S1/EXTRA.cnv", object("A", {{"TYPE", "INTEGER"}, {"VALUE", "1"}}) +
                                             object("B", {{"TYPE", "STRING"}, {"VALUE", "b"}}));
    CGameRun run(folder);
    CMC_Object* loader = run.app()->getObject(CXString("CNVLOADER"));
    ASSERT_NE(loader, nullptr);
    CMC_Scene* scene = run.scene();

    callMethod(loader, "LOAD", {"EXTRA.cnv"}, scene);
    CMC_Object* a = scene->getObject(CXString("A"));
    ASSERT_NE(a, nullptr);
    EXPECT_NE(scene->getObject(CXString("B")), nullptr);
    CMC_Object* group = scene->getObject(CXString("EXTRA.cnv"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getType(), TYPE_GROUP);
    int count = scene->getElementsNo();

    callMethod(loader, "LOAD", {"EXTRA.cnv"}, scene);
    EXPECT_EQ(scene->getObject(CXString("A")), a);
    EXPECT_EQ(scene->getElementsNo(), count);

    a->clone(2);
    EXPECT_NE(scene->getObject(CXString("A_2")), nullptr);
    callMethod(loader, "RELEASE", {"EXTRA.cnv"}, scene);
    for (const char* name : {"A", "A_1", "A_2", "B", "EXTRA.cnv"})
        EXPECT_EQ(scene->getObject(CXString(name)), nullptr) << name;
    callMethod(loader, "RELEASE", {"EXTRA.cnv"}, scene);
    callMethod(loader, "LOAD", {"MISSING.cnv"}, scene);
    EXPECT_EQ(scene->getObject(CXString("MISSING.cnv")), nullptr);
}

} // namespace KavirelTest
