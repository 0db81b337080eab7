#pragma once
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

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
