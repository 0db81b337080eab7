// Packages: the table of contents and the extraction of every entry into a scratch folder.
#include <string>

#include "core/SelfExtract.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {
constexpr int kMostEntries = 64;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CXString name = KavirelFuzz::writeScratch("game.pik", data, size);
    CSelfExtract package(name);
    if (!package.ReadTOC()) return 0;
    const std::string out = CPlatformFiles::toEngineName((KavirelFuzz::scratch() / "extracted").string());
    for (int i = 0; i < package.GetCount() && i < kMostEntries; ++i)
        package.ExtractOne(i, CXString(out.c_str()));
    CPlatformFiles::removeFolderTree(out);
    return 0;
}
