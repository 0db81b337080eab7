#pragma once
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// A fresh folder under the system's temp folder, removed with everything in it afterwards.
class CTempFolder {
public:
    explicit CTempFolder(const std::string& tag = "t") {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("kavirel_" + tag + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    // Writes a file below the folder (native relative path), creating its folders.
    std::filesystem::path put(const std::string& relative, const std::string& contents = "") const {
        auto full = m_path / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << contents;
        return full;
    }

private:
    std::filesystem::path m_path;
};

inline std::string readNative(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What whole-file writes left below the folder as their temporaries ("<name>.tmp..."): nothing once they ended.
inline std::vector<std::string> temporariesIn(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp") != std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

// While it lives, a file written past a few bytes fails as on a full disk (folder permissions do not stop root).
class CFullDisk {
public:
    explicit CFullDisk(rlim_t bytes = 4) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    CFullDisk(const CFullDisk&) = delete;
    CFullDisk& operator=(const CFullDisk&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
};

// Runs body(i) in `count` child processes at once; true when every one of them ended with exit code 0.
inline bool runInChildren(int count, const std::function<bool(int)>& body) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t child = fork();
        if (child == 0) _exit(body(i) ? 0 : 1);
        if (child > 0) children.push_back(child);
    }
    bool all = static_cast<int>(children.size()) == count;
    for (pid_t child : children) {
        int status = 0;
        all = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && all;
    }
    return all;
}
