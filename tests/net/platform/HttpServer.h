#pragma once
// Web servers for the download tests: a small HTTP/1.1 server of our own on 127.0.0.1 (any free port), and
// python3's https server with a certificate openssl makes (no authority knows it).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// Paths it answers: every file given to put (with its length), "/nolength/<file>" (no length, closed at the
// end), "/chunked/<file>", "/404", "/500", "/redirect/<file>" (302 to the file), "/ftp" (302 to ftp://),
// "/moved" (302 with a body and no Location), "/gone-elsewhere" (301, empty, no Location),
// "/reset/<file>" (half the file, then a reset), "/stall/<file>" (headers and half the file, then nothing
// until release() or the end), "/silent" (nothing at all).
class CTestHttpServer {
public:
    CTestHttpServer() {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 16);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~CTestHttpServer() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_acceptor.join();
        for (std::thread& t : m_connections) t.join();
        close(m_listen);
    }

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    void put(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_files[path] = body;
    }
    // Lets stalled responses go on to their end.
    void release() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_released = true;
        }
        m_wake.notify_all();
    }
    // Waits until a stalled response has sent its first half.
    void waitForStall() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stalls > 0; });
    }
    int requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void acceptLoop() {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_stopping) return;
            }
            pollfd p{m_listen, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int client = accept(m_listen, nullptr, nullptr);
            if (client < 0) continue;
            m_connections.emplace_back([this, client] {
                serve(client);
                close(client);
            });
        }
    }

    static void sendAll(int fd, const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<size_t>(n);
        }
    }
    static std::string head(const std::string& status, const std::string& extra) {
        return "HTTP/1.1 " + status + "\r\n" + extra + "Connection: close\r\n\r\n";
    }
    static std::string length(size_t n) { return "Content-Length: " + std::to_string(n) + "\r\n"; }

    bool find(const std::string& path, std::string& body) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_files.find(path);
        if (it == m_files.end()) return false;
        body = it->second;
        return true;
    }
    void waitReleased() {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_stalls;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_released || m_stopping; });
    }

    void serve(int fd) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_requests;
        }
        size_t start = request.find(' ') + 1;
        std::string path = request.substr(start, request.find(' ', start) - start);
        auto under = [&](const char* prefix, std::string& rest) {
            size_t n = std::strlen(prefix);
            if (path.compare(0, n, prefix) != 0) return false;
            rest = "/" + path.substr(n);
            return true;
        };
        std::string rest, body;
        if (path == "/404") {
            sendAll(fd, head("404 Not Found", length(9)) + "not found");
        } else if (path == "/500") {
            sendAll(fd, head("500 Internal Server Error", length(5)) + "error");
        } else if (path == "/ftp") {
            sendAll(fd, head("302 Found", "Location: ftp://127.0.0.1/f.bin\r\n" + length(0)));
        } else if (path == "/moved") {
            sendAll(fd, head("302 Found", length(11)) + "moved away!");
        } else if (path == "/gone-elsewhere") {
            sendAll(fd, head("301 Moved Permanently", length(0)));
        } else if (path == "/silent") {
            waitReleased();
        } else if (under("/redirect/", rest)) {
            sendAll(fd, head("302 Found", "Location: " + rest + "\r\n" + length(0)));
        } else if (under("/nolength/", rest) && find(rest, body)) {
            sendAll(fd, head("200 OK", "") + body);
        } else if (under("/chunked/", rest) && find(rest, body)) {
            std::string out = head("200 OK", "Transfer-Encoding: chunked\r\n");
            for (size_t at = 0; at < body.size(); at += 1000) {
                std::string part = body.substr(at, 1000);
                char size[16];
                std::snprintf(size, sizeof size, "%zx\r\n", part.size());
                out += size + part + "\r\n";
            }
            sendAll(fd, out + "0\r\n\r\n");
        } else if (under("/reset/", rest) && find(rest, body)) {
            sendAll(fd, head("200 OK", length(body.size())) + body.substr(0, body.size() / 2));
            linger hard{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        } else if (under("/stall/", rest) && find(rest, body)) {
            sendAll(fd, head("200 OK", length(body.size())) + body.substr(0, body.size() / 2));
            waitReleased();
            sendAll(fd, body.substr(body.size() / 2));
        } else if (find(path, body)) {
            sendAll(fd, head("200 OK", length(body.size())) + body);
        } else {
            sendAll(fd, head("404 Not Found", length(0)));
        }
    }

    int m_listen = -1;
    int m_port = 0;
    std::thread m_acceptor;
    std::vector<std::thread> m_connections; // the acceptor's; joined after it
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::string, std::string> m_files;
    bool m_stopping = false;
    bool m_released = false;
    int m_stalls = 0;
    int m_requests = 0;
};

// python3's https server over folder, with a certificate for 127.0.0.1 made by openssl now. ok() is false
// when python3 or openssl is missing.
class CPythonHttpsServer {
public:
    explicit CPythonHttpsServer(const std::filesystem::path& folder) {
        std::string cert = (folder / "cert.pem").string(), key = (folder / "key.pem").string();
        if (!run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                  "/CN=127.0.0.1", "-keyout", key, "-out", cert}))
            return;
        std::string script =
            "import http.server,ssl,sys\n"
            "s=http.server.HTTPServer(('127.0.0.1',0),http.server.SimpleHTTPRequestHandler)\n"
            "c=ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER);c.load_cert_chain(sys.argv[1],sys.argv[2])\n"
            "s.socket=c.wrap_socket(s.socket,server_side=True)\n"
            "print(s.server_address[1],flush=True)\n"
            "s.serve_forever()\n";
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string dir = folder.string();
        std::vector<std::string> args{"python3", "-c", script, cert, key};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string cwd = std::filesystem::current_path().string();
        std::filesystem::current_path(folder);
        int spawned = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv.data(), environ);
        std::filesystem::current_path(cwd);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (spawned != 0) {
            m_pid = -1;
            close(out[0]);
            return;
        }
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        m_port = line.empty() ? 0 : std::stoi(line);
    }
    ~CPythonHttpsServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_port > 0; }
    int port() const { return m_port; }

private:
    static bool run(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        int spawned = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return false;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    pid_t m_pid = -1;
    int m_port = 0;
};
