// SYSTEM through scripts, on an injected wall clock and in a time zone far from UTC.
#include "script/GameFixtures.h"

#include <time.h>

#include <filesystem>

#include "core/KavirelWEB.h"
#include "core/LanguageOSVer.h"
#include "harness/Environment.h"
#include "platform/Files.h"
#include "platform/PlatformTime.h"
#include "platform/Registry.h"
#include "script/Bool.h"
#include "script/System.h"

namespace KavirelTest {

namespace {

int64_t g_wall = 0;
int64_t wall() { return g_wall; }

// The wall clock at a fixed second and TZ half a world away, put back afterwards.
class CWallClock {
public:
    explicit CWallClock(int64_t seconds) {
        g_wall = seconds;
        CPlatformClock::injectWall(&wall);
        tzset();
    }
    ~CWallClock() { CPlatformClock::injectWall(nullptr); }

private:
    // Ends after the zone is put back, so the C library reads it again.
    struct SZoneReset {
        ~SZoneReset() { tzset(); }
    } m_reset;
    CScopedEnv m_tz{"TZ", "Pacific/Kiritimati"};
};

std::string value(CGameRun& run, const char* name) {
    CMC_Object* object = run.find(name);
    return object ? text(static_cast<CMC_Variable*>(object)) : "<none>";
}

std::string values(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += object(name, {{"TYPE", "STRING"}, {"VALUE", ""}});
    return out;
}

// A game whose first scene stores SYSTEM's answers in STRINGs named after the methods.
void dateGame(CGameFolder& folder, const std::string& code) {
    const std::vector<std::string> names = {"DATE",    "DAY",     "DOW",   "DOWS",  "MONTH",
                                            "MONTHS",  "YEAR",    "DATES", "TIMES", "HOUR",
                                            "MINUTES", "SECONDS", "DIR",   "NODIR"};
    EpisodeGame game(folder, "", "",
                     {values(names) + object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", code}}), "", ""});
}

} // namespace

TEST(SystemObject, DatesAndTimesAreUtcFromTheWallClock) {
    CWallClock clock(
        1796720707); // Tuesday 8 December 2026, 09:05:07 UTC; already the 8th, 23:05, in Kiritimati
    CGameFolder folder;
    dateGame(folder, "{DATE^SET(SYSTEM^GETDATE());DAY^SET(SYSTEM^GETDAY());DOW^SET(SYSTEM^GETDAYOFWEEK());"
                     "DOWS^SET(SYSTEM^GETDAYOFWEEKSTRING());MONTH^SET(SYSTEM^GETMONTH());"
                     "MONTHS^SET(SYSTEM^GETMONTHSTRING());YEAR^SET(SYSTEM^GETYEAR());"
                     "DATES^SET(SYSTEM^GETDATESTRING());TIMES^SET(SYSTEM^GETTIMESTRING());"
                     "HOUR^SET(SYSTEM^GETHOUR());MINUTES^SET(SYSTEM^GETMINUTES());"
                     "SECONDS^SET(SYSTEM^GETSECONDS());}");
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(value(run, "DATE"), "261208");
    EXPECT_EQ(value(run, "DAY"), "8");
    EXPECT_EQ(value(run, "DOW"), "3");
    EXPECT_EQ(value(run, "DOWS"), "Wtorek");
    EXPECT_EQ(value(run, "MONTH"), "12");
    EXPECT_EQ(value(run, "MONTHS"), "Grudzien");
    EXPECT_EQ(value(run, "YEAR"), "2026");
    EXPECT_EQ(value(run, "DATES"), "8/Grudzien/2026");
    EXPECT_EQ(value(run, "TIMES"), "9:5");
    EXPECT_EQ(value(run, "HOUR"), "9");
    EXPECT_EQ(value(run, "MINUTES"), "5");
    EXPECT_EQ(value(run, "SECONDS"), "7");

    auto* system = static_cast<CMC_System*>(run.app()->getObject(CXString("SYSTEM")));
    ASSERT_NE(system, nullptr);
    g_wall = 1796601540; // Sunday 6 December 2026, 23:59 UTC (Monday in Kiritimati)
    EXPECT_EQ(system->getDayOfWeek(), 1);
    EXPECT_STREQ(system->getDayOfWeekString().GetBuffer(), "Niedziela");
    g_wall = 1798718400; // 31 December 2026
    EXPECT_EQ(system->getDay(), 31);
    EXPECT_EQ(system->getDate(), 261231);
    // Ids the table leaves out answer nothing; the common methods work.
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(TYPE_SYSTEM);
    EXPECT_EQ(runner->run(27, system, run.app(), nullptr), nullptr);
    EXPECT_EQ(text(callMethod(system, "GETNAME")), "SYSTEM");
}

TEST(SystemObject, FilesFoldersAndTheMachine) {
    CGameFolder folder;
    dateGame(folder, "{DIR^SET(SYSTEM^CREATEDIR(\"made\\\\deeper\\\\last\"));"
                     "NODIR^SET(SYSTEM^CREATEDIR(\"\"));}");
    // Scripts run in their scene's folder.
    folder.write("Dane/E1/S1/POL/only.txt", "polish");
    folder.write("Dane/E1/S1/src.txt", "copy me");
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    // Without a final '\' the last name is not a folder.
    EXPECT_EQ(value(run, "DIR"), "TRUE");
    EXPECT_EQ(value(run, "NODIR"), "FALSE");
    const auto scene = folder.path() / "Dane" / "E1" / "S1";
    EXPECT_TRUE(std::filesystem::is_directory(scene / "made" / "deeper"));
    EXPECT_FALSE(std::filesystem::exists(scene / "made" / "deeper" / "last"));

    CMC_Object* system = run.app()->getObject(CXString("SYSTEM"));
    CLanguageOSVer language;
    language.setLanguageFolder("0415");
    run.window()->setLanguage(&language);
    EXPECT_EQ(text(callMethod(system, "ISFILEEXIST", {"only.txt"})), "TRUE");
    EXPECT_EQ(text(callMethod(system, "ISFILEEXIST", {"missing.txt"})), "FALSE");
    EXPECT_EQ(text(callMethod(system, "ISFILEEXIST", {""})), "FALSE");
    EXPECT_EQ(text(callMethod(system, "ISFILEEXIST")), "FALSE");
    run.window()->setLanguage(nullptr);

    EXPECT_EQ(text(callMethod(system, "COPYFILE", {"src.txt", "copy.txt"})), "TRUE");
    EXPECT_EQ(folder.read("Dane/E1/S1/copy.txt"), "copy me");
    EXPECT_EQ(text(callMethod(system, "COPYFILE", {"none.txt", "copy.txt"})), "FALSE");
    EXPECT_EQ(text(callMethod(system, "GETPRODUCTPATH")), std::string(folder.engineRoot().GetBuffer()));
    EXPECT_EQ(text(callMethod(system, "ISCMDLINEPARAMETER", {"window"})), "FALSE");

    {
        CScopedEnv data("XDG_DATA_HOME", folder.path().c_str());
        CScopedEnv home("HOME", folder.path().c_str());
        CScopedEnv config("XDG_CONFIG_HOME", (folder.path() / "cfg").c_str());
        folder.write("cfg/user-dirs.dirs", "# made by a test\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n");
        const std::string root = CPlatformFiles::toEngineName(folder.path().string());
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION")), root + "\\kavirel");
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION", {"35"})), root + "\\kavirel");
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION", {"5"})), root + "\\Dokumenty");
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION", {"16"})), root + "\\Desktop");
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION", {"40"})), root);
        EXPECT_EQ(text(callMethod(system, "GETFOLDERLOCATION", {"7"})), "ERROR");
        EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "Dokumenty"));
    }
    // The program's own arguments, its name first.
    EXPECT_NE(text(callMethod(system, "GETCOMMANDLINE")).find("test_script"), std::string::npos);
    EXPECT_NE(text(callMethod(system, "GETUSERNAME")), "");
    const int mhz = CMC_System::getMHz(1, 5);
    EXPECT_GE(mhz, 0);
    EXPECT_EQ(CMC_System::getMHz(0, 50), 0);
    EXPECT_EQ(text(callMethod(system, "DELAY", {"-5"})), "<null>");
    EXPECT_EQ(text(callMethod(system, "MINIMIZE")), "<null>");
}

TEST(SystemObject, InstallAndUninstallAWebGameFromAScript) {
    CTempFolder store("store");
    CPlatformRegistry registry(store.str());
    CKavirelWEB::setRegistry(&registry);
    CGameFolder games;
    const std::string gamesRoot = CPlatformFiles::toEngineName(games.path().string());
    CKavirelWEB::set_registry(ERegistryRoot::currentUser, CKavirelWEB::kKey, "Path", gamesRoot.c_str());
    CKavirelWEB::set_registry(ERegistryRoot::currentUser, CKavirelWEB::kKey, "File", "kavirel");
    // A package of one stored file, lying in the web games' folder.
    const std::string name = "Gra\\readme.txt";
    std::string package = std::string("SFX01") + '\1' + std::string(3, '\0') + '\2' + '\2' +
                          std::string(3, '\0') + '\2' + std::string(3, '\0') + "hi" + char(name.size()) +
                          std::string(3, '\0') + name;
    games.write("Gra.pik", package);

    CGameFolder folder;
    EpisodeGame game(
        folder, "", "",
        {object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{SYSTEM^INSTALL(\"Gra\",\"GraPelna\");}"}}),
         object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{SYSTEM^UNINSTALL(\"Gra\");}"}}), ""});
    {
        CGameRun run(folder);
        ASSERT_TRUE(run.started());
        EXPECT_EQ(games.read("Gra/readme.txt"), "hi");
        EXPECT_FALSE(games.exists("Gra.pik"));
        EXPECT_EQ(std::string(CKavirelWEB::get_registry(ERegistryRoot::currentUser,
                                                        CXString(CKavirelWEB::kKey) + "\\Gra", "FullName")
                                  .GetBuffer()),
                  "GraPelna");
        // The current folder is put back: the scene's own.
        EXPECT_TRUE(CPlatformFiles::exists("S1.cnv"));
        callMethod(run.app()->find(CXString("E1")), "GOTO", {"S2"});
        run.frames(2);
        EXPECT_EQ(run.sceneName(), "S2");
        EXPECT_FALSE(games.exists("Gra"));
        EXPECT_FALSE(
            registry.keyExists(ERegistryRoot::currentUser, std::string(CKavirelWEB::kKey) + "\\Gra"));
    }
    CKavirelWEB::setRegistry(nullptr);
}

} // namespace KavirelTest
