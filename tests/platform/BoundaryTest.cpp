// Only platform/ may include system and third-party platform headers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::regex kForbidden(
    R"(^\s*#\s*include\s*[<"](SDL[^>"]*|unistd\.h|dirent\.h|dlfcn\.h|fcntl\.h|pthread\.h|poll\.h|netdb\.h|)"
    R"(sys/[^>"]*|netinet/[^>"]*|arpa/[^>"]*|curl/[^>"]*|libav[a-z]*/[^>"]*|libsw[a-z]*/[^>"]*|)"
    R"(sndfile\.h|termios\.h|signal\.h|spawn\.h|pwd\.h|langinfo\.h)[>"])");

std::vector<std::string> offendersUnder(const fs::path& root) {
    std::vector<std::string> found;
    for (const char* dir : {"core", "script", "display", "media", "objects", "net", "main", "tests", "bench", "tools"}) {
        fs::path base = root / dir;
        if (!fs::exists(base)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(base)) {
            if (!entry.is_regular_file()) continue;
            auto ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".hpp" && ext != ".cc") continue;
            // Test and tool glue that must drive the platform directly lives under a folder named platform.
            if (entry.path().string().find("/platform/") != std::string::npos) continue;
            std::ifstream in(entry.path());
            std::string line;
            int number = 0;
            while (std::getline(in, line)) {
                ++number;
                if (std::regex_search(line, kForbidden))
                    found.push_back(entry.path().string() + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    return found;
}

} // namespace

TEST(PlatformBoundary, NoPlatformHeadersOutsidePlatform) {
    auto found = offendersUnder(KAVIREL_SOURCE_DIR);
    std::string report;
    for (const auto& f : found) report += f + "\n";
    EXPECT_TRUE(found.empty()) << report;
}

TEST(PlatformBoundary, DetectsAForbiddenInclude) {
    fs::path tmp = fs::temp_directory_path() / "kavirel_boundary_probe";
    fs::remove_all(tmp);
    fs::create_directories(tmp / "core");
    std::ofstream(tmp / "core" / "Bad.cpp") << "#include <SDL2/SDL.h>\n#include <vector>\n";
    std::ofstream(tmp / "core" / "Good.cpp") << "#include <vector>\n// #include text in a comment is fine: SDL.h\n";
    auto found = offendersUnder(tmp);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("Bad.cpp:1"), std::string::npos);
    fs::remove_all(tmp);
}
