// The command line: a Windows-style single string tokenised, and the same bytes as an argument vector
// (cut at zero bytes).
#include <string>
#include <vector>

#include "core/CommandLine6.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

namespace {

void ask(CCommandLine6& line) {
    line.getResolution();
    line.getFullName();
    line.getVersion();
    line.getDownloadedPIKFile();
    for (const char* name : {"path", "res", "delay", "game", "pack", "player", "server", "product", ""}) {
        line.isParameter(CXString(name));
        line.getParameter(CXString(name));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    {
        CCommandLine6 line(text.c_str());
        ask(line);
    }
    std::vector<std::string> words{"kavirel"};
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    CCommandLine6 line(static_cast<int>(words.size()), argv.data());
    ask(line);
    return 0;
}
