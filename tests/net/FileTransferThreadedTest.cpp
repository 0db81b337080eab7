// File transfer between a server and a client over loopback, and the rules both ends keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "display/Window.h"
#include "net/FileTransfer.h"
#include "net/NetMessage.h"
#include "net/NetworkPeer.h"
#include "net/XSocket.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {

bool tickUntil(std::vector<CNetworkPeer*> peers, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        for (CNetworkPeer* p : peers) p->tick();
    }
    return true;
}

std::string bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    return s;
}

void put(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

// A copy of a written message as the receiving side reads it.
template <class T>
std::unique_ptr<T> crossed(CNetMessage* written) {
    std::unique_ptr<CNetMessage> owned(written);
    CNetMessage raw(nullptr, owned->getBuffer());
    return std::make_unique<T>(CXString(""), &raw);
}

// A game folder served by a server, and a client whose current folder receives.
struct FileTransferThreaded : ::testing::Test {
    CTempFolder game{"game"}, here{"here"}, outside{"outside"};
    fs::path savedCwd = fs::current_path();
    CXString savedRoot = CWindow::rootPath;
    CNetworkServer server{nullptr, 0};
    CNetworkClient client{nullptr, false, 0};

    void SetUp() override {
        CWindow::rootPath = CXString((CPlatformFiles::toEngineName(game.path().string()) + "\\").c_str());
        fs::current_path(here.path());
        ASSERT_TRUE(server.start(0));
        ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.getPort()));
        ASSERT_TRUE(tickUntil({&server, &client}, [&] { return server.getPlayersNo() == 1; }));
    }
    void TearDown() override {
        fs::current_path(savedCwd);
        CWindow::rootPath = savedRoot;
    }
    bool ask(const char* path) { return client.downlnoad_file(CXString("got"), CXString("sub"), CXString(path)); }
    bool settle() {
        return tickUntil({&server, &client}, [&] { return client.getFileReceiver()->getCount() == 0; });
    }
};

} // namespace

TEST_F(FileTransferThreaded, FilesOfEverySizeArriveIdentical) {
    const std::vector<size_t> sizes{0, 1, 10240, 10241, 5 * 1000 * 1000};
    for (size_t n : sizes) put(game.path() / "Dane" / ("f" + std::to_string(n)), bytes(n));
    for (size_t n : sizes) ASSERT_TRUE(ask(("Dane\\f" + std::to_string(n)).c_str()));
    ASSERT_TRUE(settle());
    for (size_t n : sizes) {
        fs::path got = here.path() / "got" / "sub" / "Dane" / ("f" + std::to_string(n));
        ASSERT_TRUE(fs::exists(got)) << n;
        EXPECT_EQ(readNative(got), bytes(n)) << n;
    }
    EXPECT_EQ(server.getFileSender()->getCount(), 0);
    // Only files: no temporary is left beside them.
    int entries = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(here.path() / "got" / "sub" / "Dane")) ++entries;
    EXPECT_EQ(entries, 5);
}

TEST_F(FileTransferThreaded, PathsOutsideTheGameFolderGetNoAnswer) {
    put(game.path() / "ok.bin", "fine");
    put(outside.path() / "secret", "secret");
    fs::create_symlink(outside.path() / "secret", game.path() / "link");
    const std::string escape = "..\\" + outside.path().filename().string() + "\\secret";
    for (const char* path : {escape.c_str(), "/etc/passwd", "C:\\secret", "link", "missing"}) ASSERT_TRUE(ask(path));
    ASSERT_TRUE(ask("ok.bin"));
    // Requests are answered in order: once the last has come, the others were refused.
    ASSERT_TRUE(tickUntil({&server, &client}, [&] { return client.getFileReceiver()->getCount() == 5; }));
    for (int i = 0; i < 20; ++i) {
        server.tick();
        client.tick();
    }
    EXPECT_EQ(client.getFileReceiver()->getCount(), 5);
    EXPECT_EQ(readNative(here.path() / "got" / "sub" / "ok.bin"), "fine");
    EXPECT_FALSE(fs::exists(here.path() / "got" / "sub" / "secret"));
    EXPECT_FALSE(fs::exists(here.path() / "got" / "sub" / "link"));
}

TEST_F(FileTransferThreaded, ACutTransferLeavesNoFile) {
    put(game.path() / "big", bytes(2 * 1000 * 1000));
    ASSERT_TRUE(ask("big"));
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getFileSender()->getCount() == 1; }));
    for (int i = 0; i < 20; ++i) server.tick();
    server.stop(false);
    ASSERT_TRUE(tickUntil({&client}, [&] { return !client.isConnected(); }));
    EXPECT_EQ(client.getFileReceiver()->getCount(), 0);
    EXPECT_FALSE(fs::exists(here.path() / "got" / "sub" / "big"));
    EXPECT_TRUE(!fs::exists(here.path() / "got" / "sub") || fs::is_empty(here.path() / "got" / "sub"));
}

TEST(FileTransferRules, ChunksAreInOrderAndInRangeOrTheTransferIsDropped) {
    // The sender: one response, then chunks of 10240 at their offsets, then nothing.
    std::vector<unsigned char> contents(2 * 10240 + 5, 7);
    CFileSender_Entry sender(nullptr, 4, 9, CXString(""), CXString(""), CXString("f"), "f",
                             std::make_shared<const std::vector<unsigned char>>(contents));
    auto response = crossed<CNetFileResponseMessage>(sender.get_msg());
    EXPECT_EQ(response->getRequestId(), 4);
    EXPECT_EQ(response->getEntryId(), 9);
    EXPECT_EQ(response->getFileLength(), 20485);
    EXPECT_EQ(response->getFileLength2(), 20485);
    for (int offset : {0, 10240, 20480}) {
        auto data = crossed<CNetFileDataMessage>(sender.get_msg());
        EXPECT_EQ(data->getOffset(), offset);
        EXPECT_EQ(data->getCount(), offset == 20480 ? 5 : 10240);
    }
    EXPECT_EQ(sender.get_msg(), nullptr);
    CFileSender_Entry empty(nullptr, 1, 2, CXString(""), CXString(""), CXString("e"), "e",
                            std::make_shared<const std::vector<unsigned char>>());
    EXPECT_EQ(crossed<CNetFileResponseMessage>(empty.get_msg())->getFileLength(), 0);
    EXPECT_EQ(empty.get_msg(), nullptr);

    auto respond = [](int entry, int size) {
        return crossed<CNetFileResponseMessage>(new CNetFileResponseMessage(nullptr, 1, entry, size, size));
    };
    auto data = [](int entry, int offset, int count) {
        std::vector<unsigned char> b(static_cast<size_t>(count), 1);
        return crossed<CNetFileDataMessage>(new CNetFileDataMessage(nullptr, 1, entry, 0, offset, count, b.data()));
    };
    auto entry = [] { return std::make_unique<CFileReceiver_Entry>(nullptr, 1, CXString(""), CXString(""), CXString("f")); };

    auto e = entry(); // an empty file completes on its response
    EXPECT_FALSE(e->received(respond(3, 0).get()));
    EXPECT_TRUE(e->isComplete());
    e = entry(); // data before the response
    EXPECT_FALSE(e->received(data(3, 0, 1).get()));
    EXPECT_TRUE(e->isFailed());
    for (int size : {-1, int((64 << 20) + 1)}) { // sizes outside 0..64 MiB
        e = entry();
        EXPECT_FALSE(e->received(respond(3, size).get()));
        EXPECT_TRUE(e->isFailed());
    }
    e = entry(); // a second response
    EXPECT_TRUE(e->received(respond(3, 4).get()));
    EXPECT_FALSE(e->received(respond(3, 4).get()));
    EXPECT_TRUE(e->isFailed());
    e = entry(); // a chunk out of order, past the end, or of another entry
    EXPECT_TRUE(e->received(respond(3, 4).get()));
    EXPECT_FALSE(e->received(data(3, 1, 1).get()));
    EXPECT_TRUE(e->isFailed());
    e = entry();
    EXPECT_TRUE(e->received(respond(3, 4).get()));
    EXPECT_TRUE(e->received(data(3, 0, 2).get()));
    EXPECT_FALSE(e->received(data(3, 2, 3).get()));
    EXPECT_TRUE(e->isFailed());
    e = entry();
    EXPECT_TRUE(e->received(respond(3, 4).get()));
    EXPECT_FALSE(e->received(data(8, 0, 2).get()));
    e = entry(); // in order and in range: complete
    EXPECT_TRUE(e->received(respond(3, 4).get()));
    EXPECT_TRUE(e->received(data(3, 0, 3).get()));
    EXPECT_FALSE(e->received(data(3, 3, 1).get()));
    EXPECT_TRUE(e->isComplete());

    // Two copies of a game in one folder (a server and a client on one machine) receiving the same file at
    // once: each write keeps a whole file, of one copy or the other.
    CTempFolder both{"both"};
    const fs::path saved = fs::current_path();
    fs::current_path(both.path());
    constexpr int kSize = 100000;
    EXPECT_TRUE(runInChildren(2, [&](int child) {
        const std::vector<unsigned char> mine(kSize + child, static_cast<unsigned char>('a' + child));
        for (int round = 0; round < 40; ++round) {
            CFileReceiver_Entry got(nullptr, 1, CXString("got"), CXString(""), CXString("f"));
            got.received(respond(3, kSize + child).get());
            for (int at = 0; at < kSize + child; at += 10240) {
                int count = std::min(10240, kSize + child - at);
                got.received(crossed<CNetFileDataMessage>(
                                 new CNetFileDataMessage(nullptr, 1, 3, 0, at, count, mine.data() + at))
                                 .get());
            }
            if (!got.isComplete() || got.save_file() != ERR_NONE) return false;
        }
        return true;
    })) << "a received file could not be written";
    const std::string kept = readNative(both.path() / "got" / "f");
    EXPECT_TRUE(kept == std::string(kSize, 'a') || kept == std::string(kSize + 1, 'b')) << kept.size();
    EXPECT_EQ(std::distance(fs::directory_iterator(both.path() / "got"), fs::directory_iterator()), 1);
    fs::current_path(saved);
}

TEST(FileTransferRules, FilesOverTheLargestSizeAreNotSent) {
    CTempFolder game{"big"};
    CXString savedRoot = CWindow::rootPath;
    CWindow::rootPath = CXString((CPlatformFiles::toEngineName(game.path().string()) + "\\").c_str());
    put(game.path() / "huge", "");
    fs::resize_file(game.path() / "huge", (uint64_t(64) << 20) + 1); // sparse
    CXSocket socket(nullptr);
    CFileSender_Manager senders;
    EXPECT_EQ(senders.add_file(&socket, 1, CXString(""), CXString(""), CXString("huge")), 0);
    put(game.path() / "small", "ab");
    EXPECT_GT(senders.add_file(&socket, 1, CXString(""), CXString(""), CXString("small")), 0);
    EXPECT_EQ(senders.getCount(), 1);
    senders.removeSocket(&socket);
    EXPECT_EQ(senders.getCount(), 0);

    // A flood of requests for a 1 MiB file: one copy held, a few entries per connection and in all.
    put(game.path() / "mib", std::string(1 << 20, 'x'));
    std::vector<std::unique_ptr<CXSocket>> peers;
    for (int p = 0; p < 20; ++p) {
        peers.emplace_back(new CXSocket(nullptr));
        for (int i = 0; i < 300; ++i) senders.add_file(peers.back().get(), i, CXString(""), CXString(""), CXString("mib"));
    }
    EXPECT_EQ(senders.getCount(), CFileSender_Manager::MAX_SENDS);
    EXPECT_EQ(senders.getHeldBytes(), 1 << 20);
    senders.removeSocket(peers[0].get());
    EXPECT_EQ(senders.getCount(), CFileSender_Manager::MAX_SENDS - CFileSender_Manager::MAX_SENDS_PER_CONNECTION);
    CXSocket fresh(nullptr);
    for (int i = 0; i < 300; ++i) senders.add_file(&fresh, i, CXString(""), CXString(""), CXString("mib"));
    EXPECT_EQ(senders.getCount(), CFileSender_Manager::MAX_SENDS);

    // A received file stays below the current folder.
    const fs::path outside = fs::current_path().parent_path() / "kv_escaped_file";
    CFileReceiver_Entry escape(nullptr, 1, CXString(".."), CXString(""), CXString("kv_escaped_file"));
    EXPECT_EQ(escape.save_file(), ERR_FILE_WRITE);
    EXPECT_FALSE(fs::exists(outside));
    CWindow::rootPath = savedRoot;
}
