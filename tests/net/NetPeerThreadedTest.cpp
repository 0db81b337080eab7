// Network peers over loopback on ports the system picks: players by connection, hellos, goodbyes and ends of
// connections, listeners called only from tick on the main thread, and nothing left behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/Containers.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetworkPeer.h"
#include "net/XSocket.h"

using namespace KavirelDLL;

namespace {

std::string str(const CXString& s) { return s.GetBuffer() ? s.GetBuffer() : ""; }

// Everything a peer tells its listener, in order; each call checks it runs on the test's (main) thread.
struct Recorder : CNetListener {
    std::vector<std::string> events;
    std::vector<std::unique_ptr<CNetMessage>> messages;
    std::thread::id main = std::this_thread::get_id();
    bool offThread = false;

    void note(std::string e) {
        if (std::this_thread::get_id() != main) offThread = true;
        events.push_back(std::move(e));
    }
    void onMessage(CNetMessage* m) override {
        note("message " + std::to_string(m->getType()) + " from " + str(m->getSenderName()));
        if (m->getType() == CNetMessage::TEXT)
            messages.emplace_back(new CNetTextMessage(m->getSenderName(), m));
        else
            messages.emplace_back(new CNetMessage(m->getSenderName(), m));
        messages.back()->setHandle(m->getHandle());
    }
    void onConnected(CXString a) override { note("connected " + str(a)); }
    void onConnectionClosed() override { note("closed"); }
    void onNewPlayer(CNetPlayerInfo* p) override { note("new " + str(p->getName())); }
    void onDestroyPlayer(CNetPlayerInfo* p) override { note("gone " + str(p->getName())); }
    int count(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
};

// Ticks the peers until the state comes; false only when it never does (a hang, not a slow run).
bool tickUntil(std::vector<CNetworkPeer*> peers, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        for (CNetworkPeer* p : peers) p->tick();
        std::this_thread::yield();
    }
    return true;
}

int entriesOf(const char* folder) {
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

struct NetPeersThreaded : ::testing::Test {
    CNetworkServer server{nullptr, 0};
    Recorder heard;
    void SetUp() override {
        server.addNotifier(&heard);
        ASSERT_TRUE(server.start(0));
    }
    std::unique_ptr<CNetworkClient> join(Recorder* listener = nullptr) {
        auto client = std::make_unique<CNetworkClient>(nullptr, false, 0);
        if (listener) client->addNotifier(listener);
        int before = heard.count("new " + str(CNetworkClient::getPlayerName(nullptr)));
        EXPECT_TRUE(client->connect(CXString("127.0.0.1"), server.getPort()));
        EXPECT_TRUE(tickUntil({&server, client.get()}, [&] {
            return heard.count("new " + str(CNetworkClient::getPlayerName(nullptr))) > before;
        }));
        return client;
    }
};

} // namespace

TEST_F(NetPeersThreaded, HelloRenamesAndMessagesGoByConnection) {
    const std::string name = str(CNetworkClient::getPlayerName(nullptr));
    ASSERT_FALSE(name.empty()); // no ini: the host name
    Recorder one, two;
    auto first = std::make_unique<CNetworkClient>(nullptr, false, 0);
    first->addNotifier(&one);
    ASSERT_TRUE(first->connect(CXString("127.0.0.1"), server.getPort()));
    EXPECT_TRUE(one.events.empty()); // ONCONNECTED waits for the next dispatch
    first->tick();
    EXPECT_EQ(one.events, std::vector<std::string>{"connected 127.0.0.1"});
    // Accepted and named by its address until its hello.
    ASSERT_TRUE(tickUntil({&server}, [&] { return heard.count("new " + name) == 1; }));
    EXPECT_EQ(server.getPlayersNo(), 1);
    EXPECT_EQ(str(server.getPlayer(0)->getIPAddress()), "127.0.0.1");
    EXPECT_EQ(server.getPlayer(1), nullptr);
    EXPECT_EQ(server.getPlayer(-1), nullptr);

    // A second player of the same name is its own player; messages name it and carry its connection.
    auto second = join(&two);
    ASSERT_EQ(server.getPlayersNo(), 2);
    CNetPlayerInfo* p1 = server.getPlayer(0);
    CNetPlayerInfo* p2 = server.getPlayer(1);
    EXPECT_EQ(p1->getName(), p2->getName());
    heard.messages.clear();
    second->send(new CNetTextMessage(second->getSocket(), CXString("from two")));
    ASSERT_TRUE(tickUntil({&server}, [&] { return heard.messages.size() == 1; }));
    EXPECT_EQ(heard.messages[0]->getHandle(), p2->getHandle());
    EXPECT_EQ(str(heard.messages[0]->getSenderName()), name);

    // A second hello renames that player only, and is heard as a new player again; the name read at
    // dispatch is the new one for the message that follows it.
    second->send(new CNetHelloMessage(second->getSocket(), CXString("Ala")));
    second->send(new CNetTextMessage(second->getSocket(), CXString("as Ala")));
    ASSERT_TRUE(tickUntil({&server}, [&] { return heard.messages.size() == 2; }));
    EXPECT_EQ(heard.count("new Ala"), 1);
    EXPECT_EQ(str(p2->getName()), "Ala");
    EXPECT_EQ(str(p1->getName()), name);
    EXPECT_EQ(str(heard.messages[1]->getSenderName()), "Ala");

    // Sends by name or by player reach that connection only; an unknown name sends nothing.
    EXPECT_TRUE(server.send(CXString("Ala"), new CNetTextMessage(nullptr, CXString("to Ala"))));
    EXPECT_FALSE(server.send(CXString("Nobody"), new CNetTextMessage(nullptr, CXString("lost"))));
    ASSERT_TRUE(tickUntil({second.get()}, [&] { return two.messages.size() == 1; }));
    first->tick();
    EXPECT_TRUE(one.messages.empty());
    EXPECT_EQ(str(two.messages[0]->getSenderName()), "127.0.0.1"); // a client's sender is its host

    // A ping is answered by the other side's dispatch.
    first->send(new CNetPingMessage(first->getSocket(), 1234));
    ASSERT_TRUE(tickUntil({&server, first.get()}, [&] { return one.messages.size() == 1; }));
    CNetPingMessage pong(CXString(""), one.messages[0].get());
    EXPECT_TRUE(pong.isResponse());
    EXPECT_EQ(pong.getTime(), 1234);

    EXPECT_FALSE(heard.offThread || one.offThread || two.offThread);
}

TEST_F(NetPeersThreaded, GoodbyesAndEndsRemoveAPlayerOnce) {
    const std::string name = str(CNetworkClient::getPlayerName(nullptr));
    // A goodbye, then the end of its connection: one destroyed player.
    auto polite = join();
    polite->disconnect(true);
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 0; }));
    for (int i = 0; i < 20; ++i) server.tick();
    EXPECT_EQ(heard.count("gone " + name), 1);

    // A close without a goodbye, and a reset.
    auto quiet = join();
    quiet->disconnect(false);
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 0; }));
    auto rude = join();
    rude->getSocket()->abort();
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 0; }));
    EXPECT_EQ(heard.count("gone " + name), 3);

    // A message of a known type that does not read drops its player while another keeps receiving.
    Recorder goodListener;
    auto good = join(&goodListener);
    auto bad = join();
    ASSERT_EQ(server.getPlayersNo(), 2);
    unsigned char broken[] = {1, 0, 0, 0, 12, 0, 0, 0, 'J', 'U', 'M', 'P'}; // a command without its end
    bad->send(new CNetMessage(bad->getSocket(), broken));
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 1; }));
    server.send(server.getPlayer(0), new CNetTextMessage(nullptr, CXString("still here")));
    ASSERT_TRUE(tickUntil({good.get()}, [&] { return goodListener.messages.size() == 1; }));

    // A server that stops says goodbye: the client disconnects and hears the connection closed once.
    Recorder clientHeard;
    good->addNotifier(&clientHeard);
    server.stop(true);
    EXPECT_FALSE(server.isStarted());
    ASSERT_TRUE(tickUntil({good.get()}, [&] { return !good->isConnected(); }));
    for (int i = 0; i < 10; ++i) good->tick();
    EXPECT_EQ(clientHeard.count("closed"), 1);
    EXPECT_FALSE(good->isConnected());
    // And starts again.
    ASSERT_TRUE(server.start(0));
    auto again = join();
    EXPECT_EQ(server.getPlayersNo(), 1);

    // A server that vanishes without a goodbye: the client hears the connection closed too.
    Recorder lastHeard;
    again->addNotifier(&lastHeard);
    server.getPlayer(0)->getHandle()->abort();
    ASSERT_TRUE(tickUntil({again.get()}, [&] { return lastHeard.count("closed") == 1; }));
    EXPECT_FALSE(again->isConnected());
    EXPECT_FALSE(heard.offThread || clientHeard.offThread || lastHeard.offThread);
}

TEST_F(NetPeersThreaded, ATakenPortLeavesTheServerStoppedAndBadAddressesFail) {
    CNetworkServer other(nullptr, 0);
    EXPECT_FALSE(other.start(server.getPort()));
    EXPECT_FALSE(other.isStarted());
    EXPECT_EQ(other.LastError(), ERR_NET_PORT_TAKEN);
    EXPECT_TRUE(server.start(server.getPort())); // a running server stays as it is
    EXPECT_EQ(CNetworkServer::getInstance(), &other); // the last made

    CNetworkClient client(nullptr, false, 0);
    EXPECT_FALSE(client.connect(CXString("no such host.invalid"), server.getPort()));
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.getSocket(), nullptr);
    EXPECT_FALSE(client.downlnoad_file(CXString(""), CXString(""), CXString("x")));
    Recorder r;
    client.addNotifier(&r);
    client.tick();
    EXPECT_TRUE(r.events.empty());
}

TEST_F(NetPeersThreaded, ConnectCloseCyclesLeaveNoPlayerThreadOrDescriptor) {
    const std::string name = str(CNetworkClient::getPlayerName(nullptr));
    { auto warm = join(); } // the host name and the first threads' lasting allocations
    ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 0; }));
    const int fds = entriesOf("/proc/self/fd");
    const int threads = entriesOf("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        CNetworkClient client(nullptr, false, 0);
        ASSERT_TRUE(client.connect(CXString("127.0.0.1"), server.getPort()));
        ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 1; }));
        if (i % 3 == 0) client.disconnect(true);
        else if (i % 3 == 1) client.disconnect(false);
        else client.getSocket()->abort();
        ASSERT_TRUE(tickUntil({&server}, [&] { return server.getPlayersNo() == 0; }));
    }
    EXPECT_EQ(entriesOf("/proc/self/fd"), fds);
    EXPECT_EQ(entriesOf("/proc/self/task"), threads);
}

TEST_F(NetPeersThreaded, TwentyClientsOfAThousandMessagesWithGarbageMixedIn) {
    constexpr int kClients = 20, kMessages = 1000;
    std::vector<std::unique_ptr<CNetworkClient>> clients;
    for (int i = 0; i < kClients; ++i) clients.push_back(join());
    heard.messages.clear();
    // Each client sends from a thread of its own; every fifth one ends with garbage and is dropped.
    std::vector<std::thread> senders;
    for (int i = 0; i < kClients; ++i)
        senders.emplace_back([&, i] {
            CXSocket* s = clients[static_cast<size_t>(i)]->getSocket();
            for (int m = 0; m < kMessages; ++m) s->send(new CNetTextMessage(s, CXString("x")));
            if (i % 5 == 0) {
                unsigned char garbage[] = {5, 0, 0, 0, 10, 0, 0, 0, 'a', 'b'};
                s->send(new CNetMessage(s, garbage));
            }
        });
    for (std::thread& t : senders) t.join();
    const size_t expected = size_t(kClients) * kMessages;
    ASSERT_TRUE(tickUntil({&server}, [&] {
        return heard.messages.size() == expected && server.getPlayersNo() == kClients - kClients / 5;
    }));
    EXPECT_FALSE(heard.offThread);
}
