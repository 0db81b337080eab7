// NETSERVER and NETCLIENT in a running game, played against a bare peer over loopback: values, commands,
// texts and behaviours cross, and the events come from the frame's dispatch.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/Config.h"
#include "core/Containers.h"
#include "net/NetClient.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetServer.h"
#include "net/NetworkPeer.h"
#include "net/XSocket.h"
#include "objects/MediaFixtures.h"
#include "script/Integer.h"
#include "script/Scene.h"

using namespace KavirelTest;

namespace {

std::string str(const CXString& s) { return s.GetBuffer() ? s.GetBuffer() : ""; }

// The messages a bare peer got, as their typed forms.
struct Inbox : CNetListener {
    std::vector<std::unique_ptr<CNetMessage>> got;
    std::vector<std::string> events;
    void onMessage(CNetMessage* m) override {
        CNetMessage* copy = nullptr;
        switch (m->getType()) {
        case CNetMessage::CMD: copy = new CNetCmdMessage(m->getSenderName(), m); break;
        case CNetMessage::VARIABLE: copy = new CNetVariableMessage(m->getSenderName(), m); break;
        case CNetMessage::BEHAVIOUR: copy = new CNetBehaviourMessage(m->getSenderName(), m); break;
        case CNetMessage::TEXT: copy = new CNetTextMessage(m->getSenderName(), m); break;
        default: copy = new CNetMessage(m->getSenderName(), m);
        }
        got.emplace_back(copy);
    }
    void onConnectionClosed() override { events.push_back("closed"); }
    template <class T>
    T* last(int type) {
        return !got.empty() && got.back()->getType() == type ? static_cast<T*>(got.back().get()) : nullptr;
    }
};

const std::string kScene = object("SCORE", {{"TYPE", "INTEGER"}, {"VALUE", "0"}, {"NETNOTIFY", "TRUE"}}) +
                           object("JUMP", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{LOG^ADD(\"jump$1$2;\");}"}}) +
                           object("WAVE", {{"TYPE", "BEHAVIOUR"}, {"CODE", logged("wave;")}});

struct NetPlayThreaded : ::testing::Test {
    MediaGame game{kScene};
    NetPlayThreaded() { CMC_NetPeer::setGamePort(0); }
    ~NetPlayThreaded() override { CMC_NetPeer::setGamePort(CXSocket::DEFAULT_PORT); }

    template <class T>
    T* add() {
        auto* object = new T(game.run->window(), game.run->app());
        game.run->scene()->addObject(object);
        object->setScene(game.run->scene());
        return object;
    }
    void bind(const char* object, const char* event, const char* behaviour) {
        game.call(object, "ADDBEHAVIOUR", {event, behaviour});
    }
    // Frames (and the bare peer's ticks) until the state comes; false only when it never does.
    bool until(CNetworkPeer* bare, const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            game.run->frames(1);
            if (bare) bare->tick();
        }
        return true;
    }
    // A ping there and back: what the other side sent before its answer has arrived.
    bool roundTrip(CNetworkClient& client, Inbox& inbox) {
        client.send(new CNetPingMessage(client.getSocket(), 1));
        return until(&client, [&] { return inbox.last<CNetMessage>(CNetMessage::PING) != nullptr; });
    }
};

} // namespace

TEST_F(NetPlayThreaded, AServerGamePlaysWithAClient) {
    add<CMC_NetServer>();
    game.call("NETSERVER", "START");
    EXPECT_EQ(game.call("NETSERVER", "ISSTARTED"), "TRUE");
    bind("NETSERVER", "ONNEWPLAYER", "WAVE");
    bind("NETSERVER", "ONCOMMAND^JUMP", "JUMP");
    int port = game.find<CMC_NetServer>("NETSERVER")->getServerIfc()->getPort();

    CNetworkClient client(nullptr, false, 0);
    Inbox inbox;
    client.addNotifier(&inbox);
    ASSERT_TRUE(client.connect(CXString("127.0.0.1"), port));
    ASSERT_TRUE(until(&client, [&] { return game.log() == "wave;"; }));
    const std::string name = str(CNetworkClient::getPlayerName(nullptr));
    EXPECT_EQ(game.call("NETSERVER", "GETLOGGEDPLAYERNAME"), name);
    EXPECT_EQ(game.call("NETSERVER", "GETPLAYERSNO"), "1");
    EXPECT_EQ(game.call("NETSERVER", "GETPLAYERNAME", {"0"}), name);
    EXPECT_EQ(game.call("NETSERVER", "GETPLAYERNAME", {"1"}), "");

    // A NETNOTIFY value goes to the player; one that came from the player changes it and is not sent back.
    game.call("SCORE", "SET", {"7"});
    ASSERT_TRUE(until(&client, [&] { return inbox.last<CNetVariableMessage>(CNetMessage::VARIABLE) != nullptr; }));
    auto* value = inbox.last<CNetVariableMessage>(CNetMessage::VARIABLE);
    EXPECT_EQ(str(value->getVariableName()), "SCORE");
    CMC_Variable* seven = value->getVariable();
    EXPECT_EQ(str(seven->toString()), "7");
    CMC_Object::flush(seven);
    CMC_Integer nine(CXString("SCORE"));
    nine.setValue(9);
    client.send(new CNetVariableMessage(client.getSocket(), &nine));
    inbox.got.clear();
    ASSERT_TRUE(until(&client, [&] { return game.call("SCORE", "GET") == "9"; }));
    ASSERT_TRUE(roundTrip(client, inbox));
    EXPECT_EQ(inbox.got.size(), 1u); // the answer only: no echo

    // A value for a behaviour, or of a type no variable has, changes nothing.
    CMC_Integer wave(CXString("WAVE"));
    wave.setValue(1);
    client.send(new CNetVariableMessage(client.getSocket(), &wave));
    unsigned char unknown[] = {2, 0, 0, 0, 18, 0, 0, 0, 'S', 'C', 'O', 'R', 'E', 0, 77, 0, 0, 0};
    client.send(new CNetMessage(client.getSocket(), unknown));
    inbox.got.clear();
    ASSERT_TRUE(roundTrip(client, inbox));
    EXPECT_EQ(game.call("SCORE", "GET"), "9");
    EXPECT_EQ(game.call("NETSERVER", "GETPLAYERSNO"), "1");

    // A command with its parameters, and one without any.
    CXArray params(4, 0.75f);
    CXString one("1"), two("2");
    params.add(&one);
    params.add(&two);
    client.send(new CNetCmdMessage(client.getSocket(), CXString("JUMP"), &params));
    ASSERT_TRUE(until(&client, [&] { return game.log() == "jump12;"; }));
    params.removeAll();
    client.send(new CNetCmdMessage(client.getSocket(), CXString("JUMP"), nullptr));
    std::string jumped;
    ASSERT_TRUE(until(&client, [&] { return !(jumped = game.log()).empty(); }));
    EXPECT_EQ(jumped, "jump$1$2;"); // an empty list: the parameters are not there

    // Texts: to all, to the player by name, to nobody; and one from the player.
    inbox.got.clear();
    game.call("NETSERVER", "SENDTEXT", {"all"});
    game.call("NETSERVER", "SENDTEXT", {"Nobody", "lost"});
    game.call("NETSERVER", "SENDTEXT", {name, "one"});
    ASSERT_TRUE(roundTrip(client, inbox));
    ASSERT_EQ(inbox.got.size(), 3u);
    EXPECT_EQ(str(static_cast<CNetTextMessage*>(inbox.got[0].get())->getText()), "all");
    EXPECT_EQ(str(static_cast<CNetTextMessage*>(inbox.got[1].get())->getText()), "one");
    bind("NETSERVER", "ONTEXT", "WAVE");
    client.send(new CNetTextMessage(client.getSocket(), CXString("hi")));
    ASSERT_TRUE(until(&client, [&] { return game.log() == "wave;"; }));
    EXPECT_EQ(game.call("NETSERVER", "GETLATESTTEXT"), "Received text message: 'hi' from " + name + ".\n");

    // Behaviours run on the other side; commands go out with their parameters.
    client.send(new CNetBehaviourMessage(client.getSocket(), CXString("{LOG^ADD(\"remote;\");}")));
    ASSERT_TRUE(until(&client, [&] { return game.log() == "remote;"; }));
    inbox.got.clear();
    game.call("NETSERVER", "SENDBEHAVIOUR", {"WAVE"});
    game.call("NETSERVER", "SENDBEHAVIOUR", {"MISSING"});
    game.call("NETSERVER", "SENDCMD", {"GO", "a"});
    game.call("NETSERVER", "SENDVARIABLE", {"SCORE"});
    game.call("NETSERVER", "SENDVARIABLE", {"WAVE"}); // not a value: nothing goes
    ASSERT_TRUE(roundTrip(client, inbox));
    ASSERT_EQ(inbox.got.size(), 4u);
    ASSERT_EQ(inbox.got[2]->getType(), CNetMessage::VARIABLE);
    EXPECT_EQ(str(static_cast<CNetVariableMessage*>(inbox.got[2].get())->getVariableName()), "SCORE");
    EXPECT_NE(str(static_cast<CNetBehaviourMessage*>(inbox.got[0].get())->getCode()).find("wave;"), std::string::npos);
    auto* go = static_cast<CNetCmdMessage*>(inbox.got[1].get());
    EXPECT_EQ(str(go->getCommand()), "GO");
    ASSERT_EQ(go->getParams()->getSize(), 1);
    EXPECT_EQ(str(*static_cast<CXString*>(go->getParams()->at(0))), "a");

    // The player leaves: one ONDESTROYPLAYER.
    bind("NETSERVER", "ONDESTROYPLAYER", "WAVE");
    client.disconnect(true);
    ASSERT_TRUE(until(nullptr, [&] { return game.call("NETSERVER", "GETPLAYERSNO") == "0"; }));
    game.run->frames(5);
    EXPECT_EQ(game.log(), "wave;");

    // STOP, and a taken port leaves ISSTARTED false.
    game.call("NETSERVER", "STOP");
    EXPECT_EQ(game.call("NETSERVER", "ISSTARTED"), "FALSE");
    CNetworkServer taker(nullptr, 0);
    ASSERT_TRUE(taker.start(0));
    CMC_NetPeer::setGamePort(taker.getPort());
    game.call("NETSERVER", "START");
    EXPECT_EQ(game.call("NETSERVER", "ISSTARTED"), "FALSE");
}

TEST_F(NetPlayThreaded, AClientGameHearsItsConnectionComeAndGo) {
    CNetworkServer server(nullptr, 0);
    ASSERT_TRUE(server.start(0));
    CMC_NetPeer::setGamePort(server.getPort());
    add<CMC_NetClient>();
    bind("NETCLIENT", "ONCONNECTED", "WAVE");
    bind("NETCLIENT", "ONCOMMAND^JUMP", "JUMP");
    game.call("NETCLIENT", "CONNECT", {"127.0.0.1"});
    EXPECT_EQ(game.call("NETCLIENT", "ISCONNECTED"), "TRUE");
    EXPECT_EQ(game.log(), ""); // raised at the next dispatch, not inside CONNECT
    game.run->frames(1);
    EXPECT_EQ(game.log(), "wave;");
    ASSERT_TRUE(until(&server, [&] { return server.getPlayersNo() == 1; }));

    CXArray params(4, 0.75f);
    CXString one("1"), two("2");
    params.add(&one);
    params.add(&two);
    server.send(server.getPlayer(0), new CNetCmdMessage(nullptr, CXString("JUMP"), &params));
    params.removeAll();
    ASSERT_TRUE(until(&server, [&] { return game.log() == "jump12;"; }));

    // The client's sends while connected (a text's target is ignored), and its latest text.
    Inbox atServer;
    server.addNotifier(&atServer);
    game.call("NETCLIENT", "SENDTEXT", {"whoever", "hello"});
    game.call("NETCLIENT", "SENDVARIABLE", {"SCORE"});
    game.call("NETCLIENT", "SENDBEHAVIOUR", {"WAVE"});
    game.call("NETCLIENT", "SENDCMD", {"GO"});
    ASSERT_TRUE(until(&server, [&] { return atServer.got.size() == 4; }));
    EXPECT_EQ(str(static_cast<CNetTextMessage*>(atServer.got[0].get())->getText()), "hello");
    EXPECT_EQ(atServer.got[1]->getType(), CNetMessage::VARIABLE);
    EXPECT_EQ(atServer.got[2]->getType(), CNetMessage::BEHAVIOUR);
    EXPECT_EQ(str(static_cast<CNetCmdMessage*>(atServer.got[3].get())->getCommand()), "GO");
    server.removeNotifier(&atServer);
    server.send(server.getPlayer(0), new CNetTextMessage(nullptr, CXString("hey")));
    ASSERT_TRUE(until(&server, [&] { return !game.call("NETCLIENT", "GETLATESTTEXT").empty(); }));
    EXPECT_EQ(game.call("NETCLIENT", "GETLATESTTEXT"), "Received text message: 'hey' from 127.0.0.1.\n");

    // The server stops: the client disconnects and says so once.
    bind("NETCLIENT", "ONCONNECTIONCLOSED", "WAVE");
    server.stop(true);
    ASSERT_TRUE(until(nullptr, [&] { return game.call("NETCLIENT", "ISCONNECTED") == "FALSE"; }));
    game.run->frames(3);
    EXPECT_EQ(game.log(), "wave;");

    // Again, named by [PLAYER] NAME of the game's ini, and the server's end goes without a goodbye.
    game.run->window()->GetApplicationInterface()->GetConfigInterface()->PutString(CXString("PLAYER"), CXString("NAME"),
                                                                                  CXString("Zed"));
    ASSERT_TRUE(server.start(CMC_NetPeer::getGamePort()));
    game.call("NETCLIENT", "CONNECT", {"127.0.0.1"});
    ASSERT_TRUE(until(&server, [&] { return server.getPlayersNo() == 1 && str(server.getPlayer(0)->getName()) == "Zed"; }));
    game.log();
    server.getPlayer(0)->getHandle()->abort();
    ASSERT_TRUE(until(nullptr, [&] { return game.call("NETCLIENT", "ISCONNECTED") == "FALSE"; }));
    EXPECT_EQ(game.log(), "wave;");

    // A client that is not connected sends nothing and DISCONNECT does nothing.
    game.call("NETCLIENT", "SENDTEXT", {"nobody hears"});
    game.call("NETCLIENT", "DISCONNECT");
    EXPECT_EQ(game.call("NETCLIENT", "ISCONNECTED"), "FALSE");
}
