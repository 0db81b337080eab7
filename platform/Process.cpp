#include "platform/Process.h"

#include "platform/Files.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fstream>
#include <iterator>
#include <vector>

#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Codepage.h"

extern char** environ;

namespace KavirelDLL {

namespace {

std::atomic<int> g_terminationRequests{0};
static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need a lock-free flag");

void onTerminationSignal(int) { g_terminationRequests.fetch_add(1); }

bool endsWithExe(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return tail == ".exe";
}

} // namespace

EPlatformError CPlatformProcess::exec(const std::string& program, const std::vector<std::string>& arguments) {
    if (program.empty()) return EPlatformError::invalidName;
    std::vector<std::string> candidates;
    if (endsWithExe(program)) candidates.push_back(program.substr(0, program.size() - 4));
    candidates.push_back(program);

    EPlatformError result = EPlatformError::notFound;
    for (const std::string& candidate : candidates) {
        std::string path;
        EPlatformError error = CPlatformFiles::resolve(candidate, path);
        if (error != EPlatformError::none) continue;
        if (CPlatformFiles::isFolder(candidate)) {
            result = EPlatformError::isFolder;
            continue;
        }
        // A bare name would be searched along PATH by the shell's rules; the program must be this file.
        if (path.find('/') == std::string::npos) path = "./" + path;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        result = platformErrorFromErrno(errno);
    }
    return result;
}

bool CPlatformProcess::run(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CPlatformProcess::catchTerminationSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool CPlatformProcess::takeTerminationRequest() { return g_terminationRequests.exchange(0) != 0; }

bool CPlatformProcess::terminationRequested() { return g_terminationRequests.load() != 0; }

std::string CPlatformProcess::commandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line;
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t end = raw.find('\0', pos);
        if (end == std::string::npos) end = raw.size();
        const std::string argument = raw.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty()) line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        for (char c : argument) {
            if (c == '"') line += '\\';
            line += c;
        }
        line += '"';
    }
    return utf8ToCp1250(line);
}

std::string CPlatformProcess::userName() {
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
        found->pw_name[0])
        return utf8ToCp1250(found->pw_name);
    const char* user = std::getenv("USER");
    return user && user[0] ? utf8ToCp1250(user) : std::string();
}

} // namespace KavirelDLL

namespace KavirelDLL {

size_t CPlatformProcess::stackRoom() {
    // The thread's stack bounds, read once per thread (the main thread's are worked out from its limit).
    thread_local uintptr_t low = 0;
    thread_local bool read = false;
    if (!read) {
        read = true;
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            void* address = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attributes, &address, &size) == 0) low = reinterpret_cast<uintptr_t>(address);
            pthread_attr_destroy(&attributes);
        }
    }
    if (!low) return SIZE_MAX;
    auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return here > low ? here - low : 0;
}

} // namespace KavirelDLL
