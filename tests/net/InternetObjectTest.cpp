// The script object INTERNET in a running game: GET, EXTRACT, GETPROGRESS, and its events raised by the frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "harness/Environment.h"
#include "net/Internet.h"
#include "net/platform/HttpServer.h"
#include "objects/MediaFixtures.h"

using namespace KavirelTest;
namespace fs = std::filesystem;

namespace {

std::string u32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
// A package of stored entries.
std::string package(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string out = "SFX01" + u32(static_cast<uint32_t>(entries.size()));
    for (const auto& [name, data] : entries)
        out += std::string(1, '\2') + u32(static_cast<uint32_t>(data.size())) +
               u32(static_cast<uint32_t>(data.size())) + data + u32(static_cast<uint32_t>(name.size())) + name;
    return out;
}

const std::string kScene = object("NET", {{"TYPE", "INTERNET"},
                                          {"SERVER", "example.org"},
                                          {"ONDOWNLOADED", logged("downloaded;")},
                                          {"ONERROR", logged("error;")}});

class InternetObjectThreaded : public ::testing::Test {
protected:
    InternetObjectThreaded() { server.put("/f.bin", std::string(5000, 'x')); }
    CMC_Internet* net() { return game.find<CMC_Internet>("NET"); }
    // Waits for the transfer the last GET started to end.
    void settle() { net()->getInternetIfc()->waitForEnd(); }
    fs::path sceneFolder() { return game.folder.path() / "Dane" / "E1" / "S1"; }

    CScopedEnv noProxy{"http_proxy", nullptr}, noProxyUpper{"HTTP_PROXY", nullptr};
    CTestHttpServer server;
    MediaGame game{kScene};
};

} // namespace

TEST_F(InternetObjectThreaded, GetDecodesItsArgumentsAndRaisesTheEventOnALaterFrame) {
    ASSERT_NE(net(), nullptr);
    EXPECT_EQ(net()->getServer(), CXString("http://example.org"));
    game.call("NET", "GET", {"127.0.0.1:" + std::to_string(server.port()) + "&slashf.bin", "o&equals1.bin"});
    settle();
    EXPECT_EQ(game.log(), ""); // recorded by the worker, raised only by the frame
    EXPECT_EQ(readNative(sceneFolder() / "o=1.bin"), std::string(5000, 'x'));
    EXPECT_EQ(game.call("NET", "GETPROGRESS"), "100");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "downloaded;");
    game.run->frames(2);
    EXPECT_EQ(game.log(), "");

    // One argument: nothing fetched, no event.
    game.call("NET", "GET", {server.host() + "&slashf.bin"});
    settle();
    game.run->frames(2);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(server.requests(), 1);

    // Two outcomes before one frame: one event, chosen by the error text at the flush.
    game.call("NET", "GET", {server.host() + "&slash404", "gone.bin"});
    settle();
    game.run->frames(1);
    EXPECT_EQ(game.log(), "error;");
    EXPECT_FALSE(fs::exists(sceneFolder() / "gone.bin"));
    // Frames run while the worker reports: a failure's two texts still raise one ONERROR.
    game.call("NET", "GET", {server.host() + "&slash500", "gone.bin"});
    while (net()->getInternetIfc()->isDownloading()) game.run->frames(1);
    game.run->frames(1);
    settle();
    game.run->frames(2);
    EXPECT_EQ(game.log(), "error;");
    // A redirect without a Location fails as well, and the file already there stays as it was.
    std::ofstream(sceneFolder() / "kept.bin") << "kept";
    game.call("NET", "GET", {server.host() + "&slashmoved", "kept.bin"});
    settle();
    game.run->frames(1);
    EXPECT_EQ(game.log(), "error;");
    EXPECT_EQ(readNative(sceneFolder() / "kept.bin"), "kept");
    // Started on the frame after the event of the one before, the next download is not refused.
    game.call("NET", "GET", {server.host() + "&slashf.bin", "again.bin"});
    settle();
    game.run->frames(1);
    EXPECT_EQ(game.log(), "downloaded;");
}

TEST_F(InternetObjectThreaded, ProgressWithoutALengthIsZeroAndDeletionStopsTheTransfer) {
    server.put("/big", std::string(100000, 'y'));
    game.call("NET", "GET", {server.host() + "&slashnolength&slashbig", "n.bin"});
    settle();
    EXPECT_EQ(game.call("NET", "GETPROGRESS"), "0");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "downloaded;");

    game.call("NET", "GET", {server.host() + "&slashstall&slashbig", "s.bin"});
    server.waitForStall();
    game.run.reset(); // the scene and its INTERNET go while the worker waits for the server
    EXPECT_FALSE(fs::exists(sceneFolder() / "s.bin"));
}

TEST_F(InternetObjectThreaded, ExtractUnpacksAPackageFromTempAndWritesNothingOutside) {
    fs::create_directories(sceneFolder() / "temp");
    std::ofstream(sceneFolder() / "temp" / "p.pik", std::ios::binary)
        << package({{"a.txt", "alpha"}, {"sub\\b.txt", "beta"}});
    std::ofstream(sceneFolder() / "temp" / "evil.pik", std::ios::binary)
        << package({{"..\\escape.txt", "evil"}, {"ok.txt", "fine"}});
    fs::create_directories(sceneFolder() / "out");
    game.call("NET", "EXTRACT", {"p.pik", "out"});
    EXPECT_EQ(readNative(sceneFolder() / "out" / "a.txt"), "alpha");
    EXPECT_EQ(readNative(sceneFolder() / "out" / "sub" / "b.txt"), "beta");
    game.call("NET", "EXTRACT", {"evil.pik", "out"});
    EXPECT_FALSE(fs::exists(sceneFolder() / "escape.txt"));
    EXPECT_EQ(readNative(sceneFolder() / "out" / "ok.txt"), "fine");
    game.call("NET", "EXTRACT", {"missing.pik", "out"}); // a log line, nothing else
    game.run->frames(1);
    EXPECT_EQ(game.log(), "");
}
