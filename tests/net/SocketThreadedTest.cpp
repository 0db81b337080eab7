// Sockets over loopback on ports the system picks, with their accept and receive threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/Containers.h"
#include "core/Log.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "net/XSocket.h"
#include "platform/Socket.h"

using namespace KavirelDLL;

namespace {

// Waits for a state the threads bring about; false only when it never comes (a hang, not a slow run).
bool eventually(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

struct Server {
    CXSocket listening{nullptr};
    explicit Server(int backlog = 5) { EXPECT_TRUE(listening.start(0, backlog)); }
    int port() const { return listening.getPort(); }
    // The next accepted connection, receiving.
    std::unique_ptr<CXSocket> accept() {
        std::vector<CXSocket::Accepted> got;
        EXPECT_TRUE(eventually([&] {
            got = listening.takeAccepted();
            return !got.empty();
        }));
        if (got.empty()) return nullptr;
        EXPECT_EQ(got[0].address, CXString("127.0.0.1"));
        for (size_t i = 1; i < got.size(); i++) delete got[i].socket;
        got[0].socket->startReceiver();
        return std::unique_ptr<CXSocket>(got[0].socket);
    }
};

// The next accepted connection, not receiving.
std::unique_ptr<CXSocket> takeOne(Server& server) {
    std::vector<CXSocket::Accepted> got;
    EXPECT_TRUE(eventually([&] { return !(got = server.listening.takeAccepted()).empty(); }));
    for (size_t i = 1; i < got.size(); i++) delete got[i].socket;
    return std::unique_ptr<CXSocket>(got.empty() ? nullptr : got[0].socket);
}

std::unique_ptr<CXSocket> connectTo(int port) {
    auto s = std::make_unique<CXSocket>(nullptr);
    EXPECT_TRUE(s->connect(CXString("127.0.0.1"), port));
    s->startReceiver();
    return s;
}

// Takes messages until count came or the connection closed.
std::vector<std::unique_ptr<CNetMessage>> collect(CXSocket& s, size_t count) {
    std::vector<std::unique_ptr<CNetMessage>> all;
    eventually([&] {
        for (CNetMessage* m : s.takeMessages()) all.emplace_back(m);
        return all.size() >= count || s.isClosed();
    });
    for (CNetMessage* m : s.takeMessages()) all.emplace_back(m);
    return all;
}

// A peer that speaks bytes, not messages.
struct RawPeer {
    int handle = CPlatformSocket::create();
    explicit RawPeer(int port) {
        EXPECT_EQ(CPlatformSocket::connect(handle, "127.0.0.1", static_cast<uint16_t>(port), 5000),
                  EPlatformError::none);
    }
    ~RawPeer() { CPlatformSocket::close(handle); }
    // True once the other side has ended the connection.
    bool seesEnd() {
        char sink[16384];
        return eventually([&] { return CPlatformSocket::receive(handle, sink, sizeof sink, 100) < 0; });
    }
};

// Processes messages with itself as the only listener and counts the pings among them.
struct PingWatcher : CNetListener {
    int pings = 0;
    void onMessage(CNetMessage* m) override { pings += m->getType() == CNetMessage::PING; }
    int process(CNetMessage* m) {
        CXArray listeners;
        listeners.add(static_cast<CNetListener*>(this));
        return CNetMessageProcessor::process(m, &listeners);
    }
};

} // namespace

TEST(NetSocketThreaded, MessagesCrossBothWaysInOrder) {
    Server server;
    auto client = connectTo(server.port());
    auto player = server.accept();
    ASSERT_TRUE(player);

    std::string big(static_cast<size_t>(CNetMessage::MAX_LENGTH - 9), 'b');
    // Two threads send at once; each message arrives whole.
    std::thread other([&] {
        for (int i = 0; i < 50; i++) EXPECT_TRUE(client->send(new CNetTextMessage(client.get(), CXString("x"))));
    });
    for (int i = 0; i < 50; i++) EXPECT_TRUE(client->send(new CNetHelloMessage(client.get(), CXString("y"))));
    other.join();
    EXPECT_TRUE(client->send(new CNetTextMessage(client.get(), CXString(big.c_str()))));
    auto got = collect(*player, 101);
    ASSERT_EQ(got.size(), 101u);
    int texts = 0;
    for (size_t i = 0; i < 100; i++) texts += got[i]->getType() == CNetMessage::TEXT;
    EXPECT_EQ(texts, 50);
    EXPECT_EQ(got[100]->getBufferLen(), CNetMessage::MAX_LENGTH);
    EXPECT_EQ(got[100]->getHandle(), player.get());

    // A ping is answered over its own connection; the answer is not answered again.
    EXPECT_TRUE(player->send(new CNetPingMessage(player.get(), 77)));
    auto ping = collect(*client, 1);
    ASSERT_EQ(ping.size(), 1u);
    PingWatcher watcher;
    EXPECT_EQ(watcher.process(ping[0].get()), ERR_NONE);
    auto pong = collect(*player, 1);
    ASSERT_EQ(pong.size(), 1u);
    CNetPingMessage answer(CXString(""), pong[0].get());
    EXPECT_TRUE(answer.isResponse());
    EXPECT_EQ(answer.getTime(), 77);
    EXPECT_EQ(watcher.process(pong[0].get()), ERR_NONE);
    EXPECT_EQ(watcher.pings, 2);
    // Had the answer been answered, that would reach the client before this marker.
    EXPECT_TRUE(player->send(new CNetTextMessage(player.get(), CXString("marker"))));
    auto next = collect(*client, 1);
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(next[0]->getType(), CNetMessage::TEXT);

    // Closing one side closes the other.
    client.reset();
    EXPECT_TRUE(eventually([&] { return player->isClosed(); }));
    EXPECT_FALSE(player->send(new CNetTextMessage(player.get(), CXString("late"))));
}

TEST(NetSocketThreaded, GarbageDropsOnlyItsConnection) {
    Server server;
    std::unique_ptr<CXSocket> good[2], goodPlayer[2];
    for (int i = 0; i < 2; i++) {
        good[i] = connectTo(server.port());
        goodPlayer[i] = server.accept();
        ASSERT_TRUE(goodPlayer[i]);
    }
    RawPeer garbage(server.port());
    auto garbagePlayer = server.accept();
    RawPeer damaged(server.port());
    auto damagedPlayer = server.accept();
    ASSERT_TRUE(garbagePlayer && damagedPlayer);

    // A whole message, then a length word of 3.
    const unsigned char bytes[] = {5, 0, 0, 0, 10, 0, 0, 0, 'o', 0, 1, 0, 0, 0, 3, 0, 0, 0, 'x', 'x'};
    ASSERT_TRUE(CPlatformSocket::sendAll(garbage.handle, bytes, sizeof bytes, 2000));
    EXPECT_EQ(collect(*garbagePlayer, 2).size(), 1u);
    EXPECT_TRUE(eventually([&] { return garbagePlayer->isClosed(); }));
    EXPECT_TRUE(garbage.seesEnd());

    // A well-framed hello whose name has no end: reading it drops that connection.
    const unsigned char hello[] = {7, 0, 0, 0, 11, 0, 0, 0, 'A', 'n', 'n'};
    ASSERT_TRUE(CPlatformSocket::sendAll(damaged.handle, hello, sizeof hello, 2000));
    auto got = collect(*damagedPlayer, 1);
    ASSERT_EQ(got.size(), 1u);
    PingWatcher watcher;
    EXPECT_EQ(watcher.process(got[0].get()), ERR_NET_DAMAGED);
    EXPECT_TRUE(damagedPlayer->isClosed());
    EXPECT_TRUE(damaged.seesEnd());

    for (int i = 0; i < 2; i++) {
        EXPECT_TRUE(good[i]->send(new CNetTextMessage(good[i].get(), CXString("still here"))));
        EXPECT_EQ(collect(*goodPlayer[i], 1).size(), 1u);
        EXPECT_FALSE(goodPlayer[i]->isClosed());
    }
}

TEST(NetSocketThreaded, AStoppedReceiverLeavesTheConnectionOpenForAGoodbye) {
    Server server;
    auto client = connectTo(server.port());
    auto player = server.accept();
    ASSERT_TRUE(player);
    // The client's thread is in its loop once it has received something.
    EXPECT_TRUE(player->send(new CNetTextMessage(player.get(), CXString("welcome"))));
    EXPECT_EQ(collect(*client, 1).size(), 1u);
    {
        // No receiving by hand beside the thread.
        CLogCapture log;
        EXPECT_EQ(player->receive()->getSize(), 0);
        EXPECT_TRUE(log.contains("receive thread runs"));
    }
    client->stopReceiver();
    EXPECT_FALSE(client->isClosed());
    EXPECT_TRUE(client->send(new CNetMessage(client.get(), CNetMessage::GOODBYE)));
    auto bye = collect(*player, 1);
    ASSERT_EQ(bye.size(), 1u);
    EXPECT_EQ(bye[0]->getType(), CNetMessage::GOODBYE);
}

TEST(NetSocketThreaded, ASlowSteadyReaderCannotHoldASendPastTheLimit) {
    Server server;
    CXSocket client(nullptr);
    // A send buffer small enough that room comes back in small steps, as on a slow link.
    CPlatformSocket::setSendBuffer(client.getHandle(), 65536);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.port()));
    auto player = takeOne(server);
    ASSERT_TRUE(player);
    // Reads about 200 KB a second: every wait for room ends well in time, a whole 1 MiB message does not.
    std::atomic<bool> done{false};
    std::thread reader([&] {
        char chunk[4096];
        while (!done && CPlatformSocket::receive(player->getHandle(), chunk, sizeof chunk, 100) >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    std::string block(static_cast<size_t>(CNetMessage::MAX_LENGTH - 9), 's');
    bool failed = false;
    for (int i = 0; i < 4 && !failed; i++)
        failed = !client.send(new CNetTextMessage(&client, CXString(block.c_str())));
    done = true;
    reader.join();
    EXPECT_TRUE(failed);
    EXPECT_TRUE(client.isClosed());
}

TEST(NetSocketThreaded, ATakenPortAndAnAbsentServerAreReported) {
    Server server;
    CXSocket second(nullptr);
    EXPECT_FALSE(second.start(server.port(), 5));
    EXPECT_EQ(second.LastError(), ERR_NET_PORT_TAKEN);

    // A port nobody listens on any more refuses at once.
    int freePort = 0;
    {
        CXSocket gone(nullptr);
        ASSERT_TRUE(gone.start(0, 1));
        freePort = gone.getPort();
    }
    CXSocket refused(nullptr);
    {
        CLogCapture log;
        EXPECT_FALSE(refused.connect(CXString("127.0.0.1"), freePort));
        EXPECT_TRUE(log.contains("refused"));
    }
    EXPECT_EQ(refused.LastError(), ERR_NET_CONNECT);
    // A lookup with no time to spare gives an answer at hand or none; one given time finds the name.
    const std::string quick = CPlatformSocket::resolve("localhost", 0);
    EXPECT_TRUE(quick.empty() || quick == "127.0.0.1") << quick;
    EXPECT_EQ(CPlatformSocket::resolve("localhost"), "127.0.0.1");
    CXSocket unknown(nullptr);
    EXPECT_FALSE(unknown.connect(CXString("no-such-host.invalid"), freePort));
}

TEST(NetSocketThreaded, AConnectThatGetsNoAnswerGivesUpAndCloses) {
    // A listener that never accepts, its queue full: further attempts get no answer at all.
    const int listening = CPlatformSocket::create();
    ASSERT_EQ(CPlatformSocket::bind(listening, 0), EPlatformError::none);
    ASSERT_EQ(CPlatformSocket::listen(listening, 0), EPlatformError::none);
    const uint16_t port = CPlatformSocket::localPort(listening);
    std::vector<int> queued;
    for (int i = 0; i < 8; i++) {
        queued.push_back(CPlatformSocket::create());
        if (CPlatformSocket::connect(queued.back(), "127.0.0.1", port, 500) != EPlatformError::none) break;
    }
    CXSocket late(nullptr);
    CLogCapture log;
    EXPECT_FALSE(late.connect(CXString("127.0.0.1"), port));
    EXPECT_TRUE(log.contains("no answer"));
    EXPECT_TRUE(late.isClosed());
    EXPECT_EQ(late.getHandle(), -1);
    EXPECT_FALSE(late.send(new CNetTextMessage(&late, CXString("x"))));
    EXPECT_TRUE(log.contains("connection is closed"));
    for (int s : queued) CPlatformSocket::close(s);
    CPlatformSocket::close(listening);
}

TEST(NetSocketThreaded, AReaderThatLagsHoldsBackItsSender) {
    Server server;
    auto client = connectTo(server.port());
    auto player = server.accept();
    ASSERT_TRUE(player);
    const int count = 12;
    std::string block(static_cast<size_t>(CNetMessage::MAX_LENGTH / 2), 'q');
    std::thread sender([&] {
        for (int i = 0; i < count; i++)
            EXPECT_TRUE(client->send(new CNetCmdMessage(client.get(), CXString(std::to_string(i).c_str()), nullptr)) &&
                        client->send(new CNetTextMessage(client.get(), CXString(block.c_str()))));
    });
    // The queue fills to its cap and stops there until taken.
    EXPECT_TRUE(eventually([&] { return player->getQueuedBytes() >= CXSocket::MAX_QUEUED; }));
    EXPECT_LE(player->getQueuedBytes(), CXSocket::MAX_QUEUED + CNetMessage::MAX_LENGTH);
    auto got = collect(*player, 2 * count);
    sender.join();
    ASSERT_EQ(got.size(), 2u * count);
    for (int i = 0; i < count; i++)
        EXPECT_STREQ(CNetCmdMessage(CXString(), got[2 * i].get()).getCommand().GetBuffer(), std::to_string(i).c_str());
}

TEST(NetSocketThreaded, ASendThatStallsDropsTheConnection) {
    Server server;
    CXSocket client(nullptr);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.port()));
    auto silent = takeOne(server); // never reads
    ASSERT_TRUE(silent);
    std::string block(static_cast<size_t>(CNetMessage::MAX_LENGTH - 9), 's');
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; i++) failed = !client.send(new CNetTextMessage(&client, CXString(block.c_str())));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(client.isClosed());
    EXPECT_EQ(client.LastError(), ERR_NET_CLOSED);
}

TEST(NetSocketThreaded, StoppingJoinsEveryThreadWhateverItIsDoing) {
    for (int round = 0; round < 20; round++) {
        Server server;
        auto client = connectTo(server.port());
        auto player = server.accept();
        ASSERT_TRUE(player);
        if (round % 2) player->abort(); // a reset, not an orderly close
        EXPECT_TRUE(eventually([&] { return round % 2 == 0 || client->isClosed(); }));
        // Connections accepted and never taken go with their listener.
        CXSocket extra(nullptr);
        extra.connect(CXString("127.0.0.1"), server.port());
    }
    // Resetting a listening socket stops its accept thread before the descriptor goes.
    Server server;
    auto client = connectTo(server.port());
    server.listening.abort();
    EXPECT_TRUE(server.listening.isClosed());
}

TEST(NetSocketThreaded, ConnectionsNobodyTakesAreCapped) {
    Server server(128); // no connection waits on the system's queue for a retry
    std::vector<std::unique_ptr<CXSocket>> clients;
    const int extra = 6;
    for (int i = 0; i < CXSocket::MAX_PENDING_ACCEPTS + extra; i++) {
        clients.push_back(std::make_unique<CXSocket>(nullptr));
        ASSERT_TRUE(clients.back()->connect(CXString(i ? "127.0.0.1" : "localhost"), server.port()));
        clients.back()->startReceiver();
    }
    auto closed = [&] {
        int n = 0;
        for (auto& c : clients) n += c->isClosed();
        return n;
    };
    EXPECT_TRUE(eventually([&] { return closed() == extra; }));
    auto waiting = server.listening.takeAccepted();
    EXPECT_EQ(static_cast<int>(waiting.size()), CXSocket::MAX_PENDING_ACCEPTS);
    for (auto& a : waiting) delete a.socket;
    EXPECT_TRUE(eventually([&] { return closed() == CXSocket::MAX_PENDING_ACCEPTS + extra; }));
}

TEST(NetSocketThreaded, ReceivingWithoutAThreadCutsTheSameMessages) {
    Server server;
    CXSocket client(nullptr);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.port()));
    auto player = takeOne(server);
    ASSERT_TRUE(player);
    EXPECT_TRUE(client.send(new CNetHelloMessage(&client, CXString("Ann"))));
    EXPECT_TRUE(client.send(new CNetMessage(&client, CNetMessage::GOODBYE)));
    client.drop();
    std::vector<std::unique_ptr<CNetMessage>> all;
    while (!player->isClosed()) {
        CXArray* batch = player->receive();
        for (int i = 0; i < batch->getSize(); i++) all.emplace_back(static_cast<CNetMessage*>(batch->at(i)));
    }
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->getType(), CNetMessage::HELLO);
    EXPECT_EQ(all[1]->getType(), CNetMessage::GOODBYE);
    EXPECT_EQ(all[1]->getHandle(), player.get());
}
