// Replays files through a fuzz target's entry point in builds without libFuzzer (the gcc sanitizer build's
// CTest tests): every file named, and every file in every folder named, in name order. As libFuzzer does, it
// fails an input that runs longer than 25 s or takes the process past 2 GB of memory.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A single allocation beyond libFuzzer's limit fails at once, as it does there.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=2048"; }

namespace {

constexpr auto kTimeLimit = std::chrono::seconds(25);
constexpr long kMemoryLimitKb = 2048L * 1024;

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// Watches the input that runs, from another thread.
class CWatchdog {
public:
    CWatchdog() : m_thread([this] { watch(); }) {}
    ~CWatchdog() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void start(const std::string& name) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_name = name;
        m_started = std::chrono::steady_clock::now();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; })) {
            if (m_name.empty()) continue;
            const char* why = nullptr;
            if (std::chrono::steady_clock::now() - m_started > kTimeLimit)
                why = "ran out of time";
            else if (residentKb() > kMemoryLimitKb)
                why = "ran out of memory";
            if (why) {
                std::fprintf(stderr, "replay: %s %s\n", m_name.c_str(), why);
                std::fflush(stderr);
                std::_Exit(1);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::string m_name;
    std::chrono::steady_clock::time_point m_started;
    std::thread m_thread;
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        fs::path named = fs::absolute(argv[i]);
        if (fs::is_directory(named)) {
            for (const auto& entry : fs::directory_iterator(named))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (fs::is_regular_file(named)) {
            files.push_back(named);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "replay: no input to run\n");
        return 2;
    }
    std::sort(files.begin(), files.end());
    // The folders named here are only read: the target is not told of them.
    int initArgc = 1;
    LLVMFuzzerInitialize(&initArgc, &argv);
    CWatchdog watchdog;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replay: %s\n", file.filename().c_str());
        watchdog.start(file.filename().string());
        // A copy of exactly the input's size, so reads past its end are caught as libFuzzer catches them.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    }
    std::printf("replay: %zu inputs ran\n", files.size());
    return 0;
}
