#pragma once
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Files.h"

namespace KavirelTest {

// A fresh folder that is the current folder and holds the user's folders ($XDG_*) while it lives; everything
// is put back and removed afterwards.
class CProgramFolder {
public:
    CProgramFolder() {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("kavirel_program_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path / "game");
        m_savedFolder = std::filesystem::current_path();
        std::filesystem::current_path(m_path / "game");
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            m_saved.push_back({name, value ? value : "", value != nullptr});
        }
        setenv("XDG_CONFIG_HOME", (m_path / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_path / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (m_path / "run").c_str(), 1);
        KavirelDLL::CPlatformFiles::clearIndex();
    }
    ~CProgramFolder() {
        std::filesystem::current_path(m_savedFolder);
        for (const auto& saved : m_saved) {
            if (saved.set)
                setenv(saved.name, saved.value.c_str(), 1);
            else
                unsetenv(saved.name);
        }
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        KavirelDLL::CPlatformFiles::clearIndex();
    }
    CProgramFolder(const CProgramFolder&) = delete;
    CProgramFolder& operator=(const CProgramFolder&) = delete;

    const std::filesystem::path& root() const { return m_path; }
    // Below the game folder (the current one).
    void put(const std::string& relative, const std::string& text) const {
        std::filesystem::path full = m_path / "game" / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << text;
        KavirelDLL::CPlatformFiles::clearIndex();
    }
    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    struct SSaved {
        const char* name;
        std::string value;
        bool set;
    };
    std::filesystem::path m_path;
    std::filesystem::path m_savedFolder;
    std::vector<SSaved> m_saved;
};

} // namespace KavirelTest
