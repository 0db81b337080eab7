#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/BigFile.h"
#include "core/Config.h"
#include "core/File.h"
#include "core/Log.h"
#include "display/Playable.h"
#include "display/ResourcesManager.h"
#include "display/WindowFixtures.h"
#include "harness/Environment.h"
#include "media/controls/Unit6.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/TempFolder.h"
#include "script/Episode.h"
#include "script/GameFixtures.h"
#include "shell/Application.h"

using namespace KavirelTest;

namespace {

// A game of one episode whose start scene is named, written below the folder's root at prefix ("" or "Two/").
void writeGame(CGameFolder& folder, const std::string& prefix, const std::string& scene) {
    folder.write(prefix + "Dane/application.def",
                 object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
                     object("E1", {{"TYPE", "EPISODE"}, {"SCENES", scene + ",OTHER"}, {"PATH", "E1"}}) +
                     object(scene, {{"TYPE", "SCENE"}, {"PATH", "E1\\" + scene}}) +
                     object("OTHER", {{"TYPE", "SCENE"}, {"PATH", "E1\\OTHER"}}));
    folder.write(prefix + "Dane/GAME.cnv", "");
    folder.write(prefix + "Dane/E1/E1.cnv", "");
    folder.write(prefix + "Dane/E1/" + scene + "/" + scene + ".cnv", "");
    folder.write(prefix + "Dane/E1/OTHER/OTHER.cnv", "");
}

// The deepest running scene's name, or "".
std::string running(CApplication& shell) {
    CMC_Scene* scene = shell.getMCApplicationIfc();
    while (scene && scene->getCurrentScene()) scene = scene->getCurrentScene();
    return scene && scene->getType() == TYPE_SCENE ? scene->getName().GetBuffer() : "";
}

// A loaded resource of no particular kind.
class Loaded : public CPlayable {
public:
    explicit Loaded(const char* name) : CPlayable(nullptr) { setFilename(name); }
    void play() override {}
    void stop(bool) override {}
    void pause() override {}
    void resume() override {}
    void seek(int) override {}
};

std::string engine(const std::filesystem::path& path) { return CPlatformFiles::toEngineName(path.string()); }

// The program's part: a window started in the folder it is given, over a headless display.
struct ShellGame {
    ShellGame(const std::filesystem::path& start, std::vector<std::string> args)
        : arguments(std::move(args)), line(argc(), argv()), display(createHeadlessDisplay()),
          input(nullptr, display.get()) {
        CPlatformFiles::changeWorkingFolder(engine(start));
        window = std::make_unique<CWindow>(display.get(), &input, &line, nullptr, CXSize(320, 240), 0,
                                           CXString(engine(start).c_str()) + "\\", "", "", false);
        window->CreateSurface(nullptr);
        window->OnActivateApp(true);
    }
    int argc() { return static_cast<int>(arguments.size()); }
    char** argv() {
        pointers.clear();
        for (std::string& a : arguments) pointers.push_back(a.data());
        return pointers.data();
    }

    std::vector<std::string> arguments;
    std::vector<char*> pointers;
    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CInput input;
    std::unique_ptr<CWindow> window;
};

class ShellTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = CPlatformFiles::workingFolder();
        m_root = CWindow::rootPath;
        m_exe = CWindow::exePath;
        m_cd = CWindow::getCDPath();
        m_xdg.emplace("XDG_DATA_HOME", m_userData.path().string().c_str());
    }
    void TearDown() override {
        CPlatformFiles::changeWorkingFolder(m_folder);
        CWindow::rootPath = m_root;
        CWindow::exePath = m_exe;
        CWindow::setCDPath(m_cd);
        m_xdg.reset();
    }

    CTempFolder m_userData{"userdata"};

private:
    std::string m_folder;
    CXString m_root;
    CXString m_exe;
    CXString m_cd;
    std::optional<KavirelTest::CScopedEnv> m_xdg;
};

} // namespace

TEST_F(ShellTest, AGameFolderStartsThroughTheShellAndRunsItsFrames) {
    CGameFolder folder;
    writeGame(folder, "", "FIRST");
    folder.write("Kavirel.ini", "[MAIN]\r\nVALUE=3\r\n");
    ShellGame game(folder.path().parent_path(), {"kavirel", "-window", "-path", engine(folder.path())});
    CApplication shell(game.window.get(), "Kavirel.ini", "", &game.line, nullptr, "");
    EXPECT_EQ(game.window->GetApplicationInterface(), &shell);
    shell.preinitializeApplication(false);
    ASSERT_EQ(shell.LastError(), 0);
    ASSERT_NE(shell.getMCApplicationIfc(), nullptr);
    EXPECT_NE(shell.getGeneralResourcesManager(), nullptr);
    EXPECT_EQ(running(shell), "FIRST");

    // The data paths follow the game's folder; the window started elsewhere, so its ini lies there.
    const CXString root = folder.engineRoot();
    EXPECT_TRUE(CWindow::getCDPath().equalsIgnoreCase(root)) << CWindow::getCDPath().GetBuffer();
    EXPECT_TRUE(game.window->GetSoundFXPath().equalsIgnoreCase(root + "Wavs"));
    EXPECT_TRUE(shell.getWAVPath("a.wav").equalsIgnoreCase(root + "Wavs\\a.wav"));
    EXPECT_EQ(shell.GetConfigInterface()->GetInt("MAIN", "VALUE"), 0);

    // The scene unit's cache is chained to the shell's general one.
    CUnit6* unit = CMC_Scene::getDefUnit();
    ASSERT_NE(unit, nullptr);
    auto* picture = new Loaded("Picture.img");
    unit->getResourcesManager()->add(picture);
    EXPECT_EQ(shell.getGeneralResourcesManager()->get("PICTURE.img"), picture);
    shell.getGeneralResourcesManager()->remove(picture);

    // The window's frame runs the script root's step, which carries out a scene change asked before it.
    auto* episode = static_cast<CMC_Episode*>(shell.getMCApplicationIfc()->find(CXString("E1")));
    ASSERT_NE(episode, nullptr);
    callMethod(episode, "GOTO", {"OTHER"});
    EXPECT_FALSE(game.window->domodal());
    EXPECT_EQ(running(shell), "OTHER");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(game.window->domodal());
}

TEST_F(ShellTest, TheIniFileOfTheRootOrAPerUserCopyMadeOnce) {
    CGameFolder folder;
    writeGame(folder, "", "FIRST");
    folder.write("Kavirel.ini", "[MAIN]\r\nVALUE=3\r\n");
    ShellGame game(folder.path(), {"kavirel", "-window"});
    {
        CApplication shell(game.window.get(), "Kavirel.ini", "", &game.line, nullptr, "");
        EXPECT_EQ(shell.GetConfigInterface()->GetInt("MAIN", "VALUE"), 3);
    }
    {
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "Product");
        EXPECT_EQ(shell.GetConfigInterface(), nullptr);
    }
    const std::filesystem::path copy =
        m_userData.path() / "kavirel" / "OrvikMedia" / "Product" / "Kavirel.ini";
    {
        CApplication shell(game.window.get(), "Kavirel.ini", "", &game.line, nullptr, "Product");
        ASSERT_NE(shell.GetConfigInterface(), nullptr);
        EXPECT_TRUE(std::filesystem::exists(copy));
        EXPECT_EQ(shell.GetConfigInterface()->GetInt("MAIN", "VALUE"), 3);
        shell.GetConfigInterface()->PutInt("MAIN", "SAVED", 9);
    }
    // A product that would lead out of the user's folder gets no copy there.
    {
        CLogCapture log;
        CApplication shell(game.window.get(), "Kavirel.ini", "", &game.line, nullptr, "..\\..\\Escaped");
        EXPECT_TRUE(shell.GetConfigInterface()->getConfigFileName().equalsIgnoreCase(folder.engineRoot() +
                                                                                     "Kavirel.ini"));
        EXPECT_FALSE(std::filesystem::exists(m_userData.path() / "Escaped"));
        EXPECT_FALSE(std::filesystem::exists(m_userData.path().parent_path() / "Escaped"));
    }
    // Later runs keep the player's copy, whatever became of the game's own file.
    folder.write("Kavirel.ini", "[MAIN]\r\nVALUE=4\r\n");
    CApplication shell(game.window.get(), "Kavirel.ini", "", &game.line, nullptr, "Product");
    EXPECT_EQ(shell.GetConfigInterface()->GetInt("MAIN", "VALUE"), 3);
    EXPECT_EQ(shell.GetConfigInterface()->GetInt("MAIN", "SAVED"), 9);
}

TEST_F(ShellTest, TheCacheIsWrittenWithTwoBinAndReadUnlessForceCnv) {
    CGameFolder folder;
    writeGame(folder, "", "FIRST");
    {
        ShellGame game(folder.path(), {"kavirel", "-window", "-2bin"});
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        ASSERT_NE(shell.getMCApplicationIfc(), nullptr);
        // Written, not started.
        EXPECT_EQ(running(shell), "");
        EXPECT_TRUE(folder.exists("Dane/application.bin"));
    }
    // The definition no longer gives a game: only the cache can.
    folder.write("Dane/application.def", "");
    {
        ShellGame game(folder.path(), {"kavirel", "-window"});
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        EXPECT_EQ(shell.LastError(), 0);
        EXPECT_EQ(running(shell), "FIRST");
    }
    {
        ShellGame game(folder.path(), {"kavirel", "-window", "-forceCNV"});
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        CLogCapture log;
        shell.preinitializeApplication(false);
        EXPECT_EQ(shell.getMCApplicationIfc(), nullptr);
        EXPECT_EQ(shell.LastError(), ERR_NO_SCRIPT_ROOT);
        // Without a root the window still runs its frames.
        EXPECT_FALSE(game.window->domodal());
        EXPECT_FALSE(shell.domodal());
    }
    // Without a command line the game is the current folder and the cache is never used.
    ShellGame game(folder.path(), {"kavirel", "-window"});
    CApplication shell(game.window.get(), "", "", nullptr, nullptr, "");
    CLogCapture log;
    shell.preinitializeApplication(false);
    EXPECT_EQ(shell.LastError(), ERR_NO_SCRIPT_ROOT);
}

TEST_F(ShellTest, TwoBinWritesTheCachesOfTheGameFolderItIsGiven) {
    // Started from the folder above the game, and from a folder beside it; neither holds a data folder (one
    // that did would be the local install, which game files are written to first).
    CGameFolder folder;
    writeGame(folder, "One/", "FIRST");
    std::filesystem::remove(folder.path() / "Dane");
    std::filesystem::create_directories(folder.path() / "Beside");
    for (auto [start, path] : {std::pair<std::string, std::string>{"", "One"}, {"Beside", "..\\One"}}) {
        ShellGame game(folder.path() / start, {"kavirel", "-window", "-2bin", "-path", path});
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        EXPECT_EQ(shell.LastError(), 0) << start;
        const char* caches[] = {"One/Dane/application.bin", "One/Dane/GAME.bin", "One/Dane/E1/E1.bin",
                                "One/Dane/E1/FIRST/FIRST.bin", "One/Dane/E1/OTHER/OTHER.bin"};
        for (const char* cache : caches) EXPECT_TRUE(folder.exists(cache)) << start << " " << cache;
        {
            // The game then starts from them, its definition gone.
            folder.write("One/Dane/application.def", "");
            ShellGame again(folder.path() / start, {"kavirel", "-window", "-path", path});
            CApplication cached(again.window.get(), "", "", &again.line, nullptr, "");
            cached.preinitializeApplication(false);
            EXPECT_EQ(running(cached), "FIRST") << start;
            writeGame(folder, "One/", "FIRST");
        }
        for (const char* cache : caches) std::filesystem::remove(folder.path() / cache);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            EXPECT_NE(entry.path().extension(), ".bin") << start << " " << entry.path();
    }
}

TEST_F(ShellTest, TheGameSwitchesToTheFolderItNamesAndStaysWhenThereIsNone) {
    CGameFolder folder;
    writeGame(folder, "One/", "FIRST");
    writeGame(folder, "Two/", "SECOND");
    ShellGame game(folder.path(), {"kavirel", "-window", "-path", "One"});
    CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
    shell.preinitializeApplication(false);
    ASSERT_EQ(running(shell), "FIRST");
    const CXString here = CFile::getCurrentDirectory();

    // A folder that is not there: the game goes on where it was, and is not asked again.
    CLogCapture log;
    callMethod(shell.getMCApplicationIfc(), "RELOAD", {"Nowhere"});
    EXPECT_FALSE(game.window->domodal());
    EXPECT_EQ(running(shell), "FIRST");
    EXPECT_TRUE(CFile::getCurrentDirectory().equalsIgnoreCase(here));
    EXPECT_FALSE(shell.getMCApplicationIfc()->getNextGame().IsString());
    EXPECT_TRUE(log.contains("Nowhere"));

    callMethod(shell.getMCApplicationIfc(), "RELOAD", {"Two"});
    EXPECT_FALSE(game.window->domodal());
    EXPECT_EQ(running(shell), "SECOND");
    EXPECT_TRUE(CWindow::getCDPath().equalsIgnoreCase(folder.engineRoot() + "Two\\"));
    EXPECT_FALSE(game.window->domodal());
}

TEST_F(ShellTest, AGameFolderThatCannotBeEnteredOrHoldsNoDataFolderBuildsNoGame) {
    // Started in a game's folder: another folder's game is asked for, never this one.
    CGameFolder folder;
    writeGame(folder, "", "HERE");
    folder.write("NoData/application.def", "OBJECT=GAME\r\nGAME:TYPE=APPLICATION\r\n");
    writeGame(folder, "Web/", "WEB");
    CLogCapture log;
    for (const char* path : {"Nowhere", "NoData"}) {
        ShellGame game(folder.path(), {"kavirel", "-window", "-path", path});
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        EXPECT_EQ(shell.LastError(), ERR_NO_SCRIPT_ROOT) << path;
        EXPECT_EQ(shell.getMCApplicationIfc(), nullptr) << path;
        EXPECT_EQ(shell.folderError(), std::string(path) == "Nowhere"
                                           ? CApplication::EFolderError::gameFolder
                                           : CApplication::EFolderError::dataFolder);
        EXPECT_TRUE(log.contains(path)) << path;
    }
    // A web game's folder is entered by the program, which hands its shell the line without the game path:
    // the name leads nowhere from inside the folder, and is never played in place of another.
    ShellGame game(folder.path() / "Web", {"kavirel", "-game", "Web"});
    {
        CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        EXPECT_EQ(shell.folderError(), CApplication::EFolderError::gameFolder);
    }
    game.line.setPath("");
    CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
    shell.preinitializeApplication(false);
    EXPECT_EQ(shell.folderError(), CApplication::EFolderError::none);
    EXPECT_EQ(running(shell), "WEB");
}

TEST_F(ShellTest, AGamePackedInTheBigFileStartsFromItAndTheArchiveClosesWithTheShell) {
    CGameFolder folder;
    writeGame(folder, "pack/", "PACKED");
    {
        ShellGame builder(folder.path(), {"kavirel"});
        CBigFile archive(false);
        ASSERT_TRUE(archive.Create("pack", "data", "data.bf"));
    }
    std::filesystem::remove_all(folder.path() / "pack");
    ShellGame game(folder.path(), {"kavirel", "-window"});
    {
        CApplication shell(game.window.get(), "", "data.bf", &game.line, nullptr, "");
        shell.preinitializeApplication(false);
        ASSERT_EQ(shell.LastError(), 0);
        EXPECT_EQ(running(shell), "PACKED");
    }
    // Gone with its shell: the next one finds no game.
    CPlatformFiles::changeWorkingFolder(engine(folder.path()));
    CApplication shell(game.window.get(), "", "", &game.line, nullptr, "");
    CLogCapture log;
    shell.preinitializeApplication(false);
    EXPECT_EQ(shell.LastError(), ERR_NO_SCRIPT_ROOT);
}
