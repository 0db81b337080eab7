// The web-distribution modes: the download dialog's product over a server of the test's own, the play
// statistics, installing, starting and uninstalling a web game.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/CommandLine6.h"
#include "core/KavirelWEB.h"
#include "core/Log.h"
#include "core/SelfExtract.h"
#include "harness/Environment.h"
#include "main/Download.h"
#include "main/MainFixtures.h"
#include "platform/Process.h"
#include "net/platform/HttpServer.h"
#include "platform/Video.h"

using namespace KavirelDLL;
using KavirelTest::CProgramFolder;
using KavirelTest::CScopedEnv;
namespace fs = std::filesystem;

namespace {

// Records what the dialog shows; presses its button once the end is shown, or when the test says.
class CTestFront : public CDownloadDialogFront {
public:
    struct CShared {
        std::mutex mutex;
        std::vector<std::string> texts, buttons;
        std::vector<int> progress;
        bool pressNow = false;
        bool pressAtEnd = true;
        bool signalAtEnd = false; // SIGTERM comes instead, once the end is shown
        int opened = 0, closed = 0;
    };
    explicit CTestFront(std::shared_ptr<CShared> shared) : m_shared(std::move(shared)) {}
    void open() override { ++m_shared->opened; }
    void setText(const CXString& text) override { m_shared->texts.push_back(text.GetBuffer()); }
    void setButton(const CXString& text) override { m_shared->buttons.push_back(text.GetBuffer()); }
    void setProgress(int position) override { m_shared->progress.push_back(position); }
    bool waitForPress(uint32_t, bool ended) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (ended && m_shared->signalAtEnd) {
            std::raise(SIGTERM);
            return CPlatformProcess::terminationRequested();
        }
        return m_shared->pressNow || (ended && m_shared->pressAtEnd);
    }
    void close() override { ++m_shared->closed; }

private:
    std::shared_ptr<CShared> m_shared;
};

const std::string kConnecting = "\xA3\xB9" "cz\xEA si\xEA z serwerem OrvikMedia....";
const std::string kInstall = "Instaluj >>";
const std::string kFinish = "Zako\xF1" "cz";
const std::string kFailed = "Wyst\xB9pi\xB3 b\xB3\xB9" "d: ";

// A package of the game P: its folder with one file, packed as the installer takes it.
std::string packedGame(const fs::path& work) {
    fs::create_directories(work / "P");
    std::ofstream(work / "P" / "application.def") << "OBJECT=GAME\r\n";
    CPlatformFiles::clearIndex();
    const std::string saved = fs::current_path();
    fs::current_path(work);
    CSelfExtract packer;
    packer.AddDirectory("P");
    EXPECT_TRUE(packer.CreateArchive("", "P.pik"));
    fs::current_path(saved);
    return KavirelTest::CProgramFolder::read(work / "P.pik");
}

class DownloadProductThreaded : public ::testing::Test {
protected:
    DownloadProductThreaded() {
        CKavirelWEB::setRegistry(&store);
        CKavirelWEB::recordProgram("kavirel");
        package = packedGame(folder.root() / "pack");
        server.put("//kavirelweb//P.pik", package);
        serverAddress = "http://" + server.host();
    }
    ~DownloadProductThreaded() override { CKavirelWEB::setRegistry(nullptr); }
    std::unique_ptr<CDownloadDialogFront> front() { return std::make_unique<CTestFront>(shown); }
    CXString reg(const std::string& key, const char* name) {
        return CKavirelWEB::get_registry(ERegistryRoot::currentUser, key.c_str(), name);
    }
    fs::path games() {
        std::string name = CKavirelWEB::gamesFolder().GetBuffer();
        std::replace(name.begin(), name.end(), '\\', '/');
        return name;
    }

    CScopedEnv noProxy{"http_proxy", nullptr}, noProxyUpper{"HTTP_PROXY", nullptr};
    CProgramFolder folder;
    CPlatformRegistry store{(folder.root() / "config").string()};
    CTestHttpServer server;
    std::string package, serverAddress;
    std::shared_ptr<CTestFront::CShared> shown = std::make_shared<CTestFront::CShared>();
};

} // namespace

TEST_F(DownloadProductThreaded, FetchesThePackageAndShowsItsProgressAndEnd) {
    {
        CDownloadProduct product(front());
        EXPECT_EQ(CDownloadProduct::current(), &product);
        EXPECT_TRUE(product.download("P.pik", serverAddress.c_str()));
    }
    EXPECT_EQ(CDownloadProduct::current(), nullptr);
    EXPECT_EQ(KavirelTest::CProgramFolder::read("P.pik"), package);
    ASSERT_FALSE(shown->texts.empty());
    EXPECT_EQ(shown->texts.front(), kConnecting); // before any byte arrived
    EXPECT_EQ(shown->buttons.back(), kInstall);
    EXPECT_EQ(shown->opened, 1);
    EXPECT_EQ(shown->closed, 1);
    for (int position : shown->progress) EXPECT_TRUE(position >= 0 && position <= 100);

    // Without a length the text shows a total of 0 and the bar stays empty.
    server.put("//kavirelweb//N.pik", package);
    shown->texts.clear();
    shown->progress.clear();
    CDownloadProduct product(front());
    // Served through the path that sends no length.
    EXPECT_TRUE(product.download("N.pik", (serverAddress + "/nolength").c_str()));
    for (int position : shown->progress) EXPECT_EQ(position, 0);
    for (const std::string& text : shown->texts) {
        if (text != kConnecting) {
            EXPECT_EQ(text, "Wczytuj\xEA plik N.pik( " + std::to_string(package.size()) + "/0) ");
        }
    }
}

TEST_F(DownloadProductThreaded, AFailureOrACancelAnswersFalseAndLeavesNoFile) {
    {
        CDownloadProduct product(front());
        EXPECT_FALSE(product.download("Q.pik", serverAddress.c_str())); // 404
    }
    // The first of the failure's two reports, with the reason the server gave.
    EXPECT_EQ(shown->texts.back().rfind(kFailed + "B\xB3\xB9" "d podczas otwierania URL (", 0), 0u)
        << shown->texts.back();
    EXPECT_NE(shown->texts.back().find("404)"), std::string::npos) << shown->texts.back();
    EXPECT_EQ(shown->buttons.back(), kFinish);
    EXPECT_FALSE(fs::exists("Q.pik"));

    // What arrived whole but is no package (an error page, a package cut short) is removed, and installing
    // it is not offered.
    server.put("//kavirelweb//D.pik", "<html><body>Not found</body></html>");
    server.put("//kavirelweb//C.pik", package.substr(0, package.size() / 2));
    for (const char* name : {"D.pik", "C.pik"}) {
        SCOPED_TRACE(name);
        shown->buttons.clear();
        CDownloadProduct product(front());
        EXPECT_FALSE(product.download(name, serverAddress.c_str()));
        EXPECT_EQ(shown->texts.back(), kFailed + "pakiet " + name + " jest uszkodzony.");
        EXPECT_EQ(shown->buttons.back(), kFinish);
        EXPECT_EQ(std::count(shown->buttons.begin(), shown->buttons.end(), kInstall), 0);
        EXPECT_FALSE(fs::exists(name));
    }

    // Cancelled while the server holds back the rest: the answer comes once the transfer has ended.
    server.put("//kavirelweb//S.pik", std::string(100000, 's'));
    shown->pressAtEnd = false;
    CDownloadProduct product(front());
    std::thread press([&] {
        server.waitForStall();
        std::lock_guard<std::mutex> lock(shown->mutex);
        shown->pressNow = true;
    });
    CLogCapture log;
    EXPECT_FALSE(product.download("S.pik", (serverAddress + "/stall").c_str()));
    press.join();
    // The end came after the dialog closed: it still goes to standard error.
    EXPECT_TRUE(log.contains("Wczytywanie pliku zostalo przerwane."));
    EXPECT_FALSE(product.getDownloader()->isDownloading());
    EXPECT_FALSE(fs::exists("S.pik"));
}

TEST_F(DownloadProductThreaded, HeadlessTheTextsGoToStandardErrorAndTheEndPressesTheButton) {
    CVideo::forceHeadless(true);
    CLogCapture log;
    CDownloadProduct product;
    EXPECT_TRUE(product.download("P.pik", serverAddress.c_str()));
    EXPECT_TRUE(log.contains("Aktualizacja produktu..."));
    EXPECT_TRUE(log.contains("[Instaluj >>]"));
    EXPECT_TRUE(log.contains("OrvikMedia...."));
    CVideo::forceHeadless(false);
}

// A termination signal ends the dialog as a cancel, also once the package arrived and installing is offered:
// nothing is installed, no package is left, and the request stays for the program, which then ends.
TEST_F(DownloadProductThreaded, ASignalCancelsTheDownloadEvenOnceThePackageArrived) {
    CPlatformProcess::catchTerminationSignals();
    shown->pressAtEnd = false;
    shown->signalAtEnd = true;
    {
        CDownloadProduct product(front());
        EXPECT_FALSE(CKavirelWEB::install(&product, "P", "P", serverAddress.c_str()));
    }
    EXPECT_EQ(shown->buttons.back(), kInstall);
    EXPECT_FALSE(fs::exists("P.pik"));
    EXPECT_FALSE(fs::exists("P"));
    EXPECT_FALSE(reg(CKavirelWEB::kKey + std::string("\\P"), "InstallTime").IsString());
    EXPECT_TRUE(CPlatformProcess::takeTerminationRequest());

    // Without a desktop, while the server holds back the rest.
    shown->signalAtEnd = false;
    CVideo::forceHeadless(true);
    server.put("//kavirelweb//S.pik", std::string(100000, 's'));
    std::thread signal([&] {
        server.waitForStall();
        std::raise(SIGTERM);
    });
    {
        CDownloadProduct product;
        EXPECT_FALSE(product.download("S.pik", (serverAddress + "/stall").c_str()));
    }
    signal.join();
    CVideo::forceHeadless(false);
    EXPECT_FALSE(fs::exists("S.pik"));
    EXPECT_TRUE(CPlatformProcess::takeTerminationRequest());
    for (int number : {SIGTERM, SIGINT, SIGHUP}) std::signal(number, SIG_DFL);
}

TEST_F(DownloadProductThreaded, InstallRecordsTheVersionOrStartsTheGameInAWindow) {
    const std::string port = std::to_string(server.port());
    CCommandLine6 install(("-game P -server " + serverAddress + " -install -version 2").c_str());
    uint32_t start = 0;
    EXPECT_EQ(startWebGame(install, start, front()), 0);
    EXPECT_TRUE(fs::exists(games() / "P" / "application.def"));
    EXPECT_FALSE(fs::exists(games() / "P.pik"));
    EXPECT_STREQ(reg("Software\\OrvikMedia\\KavirelWeb\\P", "Version").GetBuffer(), "2");
    EXPECT_STREQ(reg("Software\\OrvikMedia\\KavirelWeb\\P", "FullName").GetBuffer(), "P");

    // Installed: started from its folder, in a window, its start counted; no download asked for.
    CCommandLine6 play(("-game P -server " + serverAddress).c_str());
    const int requests = server.requests();
    EXPECT_EQ(startWebGame(play, start, front()), kPlayWebGame);
    EXPECT_EQ(server.requests(), requests);
    EXPECT_TRUE(play.isWindowMode());
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(games() / "P"));
    EXPECT_STREQ(reg("Software\\OrvikMedia\\KavirelWeb\\P", "TimesPlayed").GetBuffer(), "1");

    // A package the server does not have installs nothing.
    CCommandLine6 missing(("-game R -server " + serverAddress + " -install").c_str());
    EXPECT_EQ(startWebGame(missing, start, front()), 1);
    EXPECT_FALSE(fs::exists(games() / "R"));
    EXPECT_FALSE(reg("Software\\OrvikMedia\\KavirelWeb\\R", "FullName").IsString());
}

TEST_F(DownloadProductThreaded, UninstallAsksOnlyAboutAnInstalledGame) {
    CCommandLine6 install(("-game P -fullname Gra_P -server " + serverAddress + " -install").c_str());
    uint32_t start = 0;
    ASSERT_EQ(startWebGame(install, start, front()), 0);
    EXPECT_STREQ(reg("Software\\OrvikMedia\\KavirelWeb\\P", "FullName").GetBuffer(), "Gra P");
    fs::current_path(folder.root());

    std::vector<std::string> asked;
    bool answer = false;
    setUninstallQuestion([&](const CXString&, const CXString& text) {
        asked.push_back(text.GetBuffer());
        return answer;
    });
    CCommandLine6 unknown("-uninstall -game Z");
    EXPECT_EQ(uninstallWebGame(unknown), 1);
    EXPECT_TRUE(asked.empty());
    CCommandLine6 uninstall("-uninstall -game P");
    EXPECT_EQ(uninstallWebGame(uninstall), 1);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Czy na pewno chesz odinstalowa\xE6 program 'Gra P' ?");
    EXPECT_TRUE(fs::exists(games() / "P"));
    answer = true;
    EXPECT_EQ(uninstallWebGame(uninstall), 0);
    EXPECT_FALSE(fs::exists(games() / "P"));
    setUninstallQuestion(nullptr);

    // Headless nobody can answer: nothing is removed.
    ASSERT_EQ(startWebGame(install, start, front()), 0);
    CVideo::forceHeadless(true);
    CLogCapture log;
    EXPECT_EQ(uninstallWebGame(uninstall), 1);
    CVideo::forceHeadless(false);
    EXPECT_TRUE(fs::exists(games() / "P"));
    EXPECT_TRUE(log.contains("no desktop"));

    // A desktop whose box cannot be shown (no such display) answers No: nothing is removed.
    {
        CScopedEnv display{"DISPLAY", ":65000"}, wayland{"WAYLAND_DISPLAY", nullptr},
            driver{"SDL_VIDEODRIVER", nullptr};
        testing::internal::CaptureStderr();
        EXPECT_EQ(uninstallWebGame(uninstall), 1);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("(answered No)"), std::string::npos) << said;
        EXPECT_EQ(said.find("headless"), std::string::npos) << said; // the box itself failed
    }
    EXPECT_TRUE(fs::exists(games() / "P"));
}

TEST(PlayStatistics, StartsAreCountedAndWholeSecondsAdded) {
    CProgramFolder folder;
    CPlatformRegistry store((folder.root() / "config").string());
    CKavirelWEB::setRegistry(&store);
    CCommandLine6 line("-game G");
    const char* key = "Software\\OrvikMedia\\KavirelWeb\\G";
    countGameStart(line);
    EXPECT_STREQ(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TimesPlayed").GetBuffer(), "1");
    countGameStart(line);
    EXPECT_STREQ(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TimesPlayed").GetBuffer(), "2");
    addPlayingTime(line, 1000, 1000 + 59900);
    EXPECT_STREQ(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TotalTime").GetBuffer(), "59");
    // The tick count wrapped between start and end.
    addPlayingTime(line, 0xFFFFF000u, 0x00001000u);
    EXPECT_STREQ(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TotalTime").GetBuffer(), "67");
    CKavirelWEB::setRegistry(nullptr);
}
