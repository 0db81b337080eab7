// Each engine folder includes only from itself and the folders below it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// From the bottom up. tools/, bench/, fuzz/ and tests/ stand above all and are not read.
const std::vector<std::string> kLayers = {"platform", "core",    "display", "input", "script",
                                          "media",    "objects", "net",     "shell", "main"};

// An include allowed to reach up: a source file or folder (a prefix of its path), the included path or folder
// (a prefix too), and why it is there.
struct SAllowed {
    const char* from;
    const char* to;
    const char* why;
};

const std::vector<SAllowed> kAllowed = {
    // None: every folder includes only from itself and below.
};

int layerOf(const std::string& folder) {
    auto at = std::find(kLayers.begin(), kLayers.end(), folder);
    return at == kLayers.end() ? -1 : static_cast<int>(at - kLayers.begin());
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

struct SUpward {
    std::string where; // path:line: text
    std::string from;  // the source's path inside the tree
    std::string to;    // the included path
};

// Every include of every engine source under root that names a folder above the source's own.
std::vector<SUpward> upwardIncludes(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    std::vector<SUpward> found;
    for (const std::string& layer : kLayers) {
        fs::path base = root / layer;
        if (!fs::exists(base)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(base)) {
            if (!entry.is_regular_file()) continue;
            auto ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".hpp" && ext != ".cc") continue;
            const std::string from = entry.path().lexically_relative(root).generic_string();
            std::ifstream in(entry.path());
            std::string line;
            int number = 0;
            std::smatch match;
            while (std::getline(in, line)) {
                ++number;
                if (!std::regex_search(line, match, include)) continue;
                const std::string to = match[1].str();
                const size_t slash = to.find('/');
                if (slash == std::string::npos || layerOf(to.substr(0, slash)) <= layerOf(layer)) continue;
                found.push_back({from + ":" + std::to_string(number) + ": " + line, from, to});
            }
        }
    }
    return found;
}

bool allowed(const SUpward& up, const SAllowed& rule) {
    return startsWith(up.from, rule.from) && startsWith(up.to, rule.to);
}

} // namespace

TEST(Layering, NoIncludeReachesUp) {
    const auto found = upwardIncludes(KAVIREL_SOURCE_DIR);
    std::string report;
    for (const auto& up : found)
        if (std::none_of(kAllowed.begin(), kAllowed.end(),
                         [&](const SAllowed& rule) { return allowed(up, rule); }))
            report += up.where + "\n";
    EXPECT_TRUE(report.empty()) << "includes reaching up (folders from the bottom: platform, core, display, "
                                   "input, script, media, objects, net, shell, main):\n"
                                << report;
    // An exception nothing needs any more goes from the list.
    for (const SAllowed& rule : kAllowed)
        EXPECT_TRUE(
            std::any_of(found.begin(), found.end(), [&](const SUpward& up) { return allowed(up, rule); }))
            << "no include needs the exception " << rule.from << " -> " << rule.to << " (" << rule.why << ")";
}

TEST(Layering, FindsAnIncludeThatReachesUp) {
    fs::path tmp = fs::temp_directory_path() / "kavirel_layering_probe";
    fs::remove_all(tmp);
    for (const char* dir : {"platform", "core/sub", "media/sound", "shell", "tests/core", "tools"})
        fs::create_directories(tmp / dir);
    std::ofstream(tmp / "platform" / "Up.cpp") << "#include \"core/Log.h\"\n#include <vector>\n";
    std::ofstream(tmp / "core" / "sub" / "Deep.h") << "#pragma once\n// #include \"display/Window.h\" in a "
                                                      "comment is fine\n  #  include <display/Window.h>\n";
    std::ofstream(tmp / "core" / "Down.cpp") << "#include \"core/Log.h\"\n#include \"platform/Files.h\"\n"
                                             << "#include \"Local.h\"\n#include \"zlib/zlib.h\"\n";
    std::ofstream(tmp / "media" / "sound" / "Side.cpp")
        << "#include \"script/Object.h\"\n#include \"media/anim/Animo.h\"\n#include \"main/Program.h\"\n";
    std::ofstream(tmp / "shell" / "Top.cpp") << "#include \"main/Program.h\"\n";
    std::ofstream(tmp / "tests" / "core" / "Test.cpp") << "#include \"shell/Application.h\"\n";
    std::ofstream(tmp / "tools" / "Tool.cpp") << "#include \"main/Program.h\"\n";
    auto found = upwardIncludes(tmp);
    std::vector<std::string> where;
    for (const auto& up : found) where.push_back(up.where);
    std::sort(where.begin(), where.end());
    ASSERT_EQ(where.size(), 4u);
    EXPECT_EQ(where[0], "core/sub/Deep.h:3:   #  include <display/Window.h>");
    EXPECT_EQ(where[1], "media/sound/Side.cpp:3: #include \"main/Program.h\"");
    EXPECT_EQ(where[2], "platform/Up.cpp:1: #include \"core/Log.h\"");
    EXPECT_EQ(where[3], "shell/Top.cpp:1: #include \"main/Program.h\"");
    // Exceptions match by prefix, both sides.
    EXPECT_TRUE(allowed(found[0], {found[0].from.c_str(), found[0].to.c_str(), ""}));
    EXPECT_TRUE(allowed({"", "media/sound/Side.cpp", "main/Program.h"}, {"media/", "main/", ""}));
    EXPECT_FALSE(allowed({"", "media/sound/Side.cpp", "main/Program.h"}, {"media/anim/", "main/", ""}));
    EXPECT_FALSE(allowed({"", "media/sound/Side.cpp", "main/Program.h"}, {"media/", "shell/", ""}));
    fs::remove_all(tmp);
}
