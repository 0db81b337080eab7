// Network play's speed: a server and 20 clients in one process, tick looped, against 20 bare loopback socket
// pairs moving the same bytes in the same run; and the time from send to the listener's onMessage.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetworkPeer.h"
#include "net/XSocket.h"
#include "platform/Socket.h"

using namespace KavirelDLL;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 20;
constexpr int kPerClient = 500; // messages per client and round
constexpr int kMessageBytes = 32;
const CXString kText("0123456789abcdefghijklm"); // 8 + 23 + 1 = 32 bytes as a text message

struct Counter : CNetListener {
    int64_t count = 0;
    void onMessage(CNetMessage*) override { ++count; }
};

struct Play {
    CNetworkServer server{nullptr, 0};
    std::vector<std::unique_ptr<CNetworkClient>> clients;
    Counter atServer, atClients;
    Play() {
        server.start(0);
        server.addNotifier(&atServer);
        for (int i = 0; i < kClients; ++i) {
            clients.push_back(std::make_unique<CNetworkClient>(nullptr, false, 0));
            clients.back()->connect(CXString("127.0.0.1"), server.getPort());
            clients.back()->addNotifier(&atClients);
        }
        while (server.getPlayersNo() < kClients) server.tick();
        for (auto& c : clients) c->tick();
    }
    // Every client sends its share and the server ticks until it dispatched all of them.
    double up() {
        auto start = Clock::now();
        int64_t target = atServer.count + int64_t(kClients) * kPerClient;
        for (auto& c : clients)
            for (int m = 0; m < kPerClient; ++m) c->send(new CNetTextMessage(c->getSocket(), kText));
        while (atServer.count < target) server.tick();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
    // The server sends each player its share and the clients tick until they dispatched all of them.
    double down() {
        auto start = Clock::now();
        int64_t target = atClients.count + int64_t(kClients) * kPerClient;
        for (int p = 0; p < kClients; ++p)
            for (int m = 0; m < kPerClient; ++m)
                server.send(server.getPlayer(p), new CNetTextMessage(nullptr, kText));
        while (atClients.count < target)
            for (auto& c : clients) c->tick();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

// 20 bare connected socket pairs: the same bytes written in 32-byte sends and read back whole.
struct Bare {
    std::vector<std::pair<int, int>> pairs;
    Bare() {
        int listening = CPlatformSocket::create();
        CPlatformSocket::bind(listening, 0);
        CPlatformSocket::listen(listening, kClients);
        uint16_t port = CPlatformSocket::localPort(listening);
        for (int i = 0; i < kClients; ++i) {
            int a = CPlatformSocket::create();
            CPlatformSocket::connect(a, "127.0.0.1", port, 5000);
            std::string address;
            EPlatformError error;
            int b = CPlatformSocket::accept(listening, 5000, address, error);
            pairs.emplace_back(a, b);
        }
        CPlatformSocket::close(listening);
    }
    ~Bare() {
        for (auto [a, b] : pairs) {
            CPlatformSocket::close(a);
            CPlatformSocket::close(b);
        }
    }
    double round() {
        auto start = Clock::now();
        char message[kMessageBytes] = {};
        std::vector<char> buffer(1 << 16);
        for (auto [a, b] : pairs)
            for (int m = 0; m < kPerClient; ++m) CPlatformSocket::sendAll(a, message, sizeof message, 2000);
        for (auto [a, b] : pairs) {
            int64_t left = int64_t(kPerClient) * kMessageBytes;
            while (left > 0) {
                int n = CPlatformSocket::receive(b, buffer.data(), buffer.size(), 1000);
                if (n <= 0) break;
                left -= n;
            }
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

void BM_MessagesEachWayAgainstBareSockets(benchmark::State& state) {
    Play play;
    Bare bare;
    double upTime = 0, downTime = 0, bareTime = 0;
    for (auto _ : state) {
        upTime += play.up();
        downTime += play.down();
        bareTime += bare.round();
    }
    const double messages = double(state.iterations()) * kClients * kPerClient;
    state.counters["up_msgs_per_s"] = messages / upTime;
    state.counters["down_msgs_per_s"] = messages / downTime;
    state.counters["bare_msgs_per_s"] = messages / bareTime;
    state.counters["up_vs_bare"] = bareTime / upTime;
    state.counters["down_vs_bare"] = bareTime / downTime;
}
BENCHMARK(BM_MessagesEachWayAgainstBareSockets)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SendToOnMessage(benchmark::State& state) {
    CNetworkServer server(nullptr, 0);
    server.start(0);
    Counter heard;
    server.addNotifier(&heard);
    CNetworkClient client(nullptr, false, 0);
    client.connect(CXString("127.0.0.1"), server.getPort());
    while (server.getPlayersNo() < 1) server.tick();
    std::vector<double> latencies;
    for (auto _ : state) {
        auto start = Clock::now();
        int64_t target = heard.count + 1;
        client.send(new CNetTextMessage(client.getSocket(), kText));
        while (heard.count < target) server.tick();
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) state.counters["median_us"] = latencies[latencies.size() / 2];
}
BENCHMARK(BM_SendToOnMessage)->Unit(benchmark::kMicrosecond);

} // namespace
