// The big file: its table of contents, lookups and searches in it, and its files read through CFile while it
// is the process's big file.
#include <string>
#include <vector>

#include "core/BigFile.h"
#include "core/File.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

constexpr size_t kMostNames = 64;

void gather(const _entry& folder, const std::string& path, std::vector<std::string>& files,
            std::vector<std::string>& folders) {
    for (const auto& file : folder.files)
        if (files.size() < kMostNames) files.push_back(path + file->name);
    for (const auto& sub : folder.folders) {
        if (folders.size() >= kMostNames) return;
        folders.push_back(path + sub->name);
        gather(*sub, path + sub->name + "\\", files, folders);
    }
}

void readWhole(const std::string& name, int mode) {
    CFile file(nullptr, CXString(name.c_str()), CFile::MODE_READ | mode);
    if (file.LastError() != 0) return;
    char buffer[4096];
    if (mode == CFile::MODE_TEXT) {
        for (int lines = 0; lines < 10000 && file.GetLine(buffer, sizeof buffer); ++lines) {
        }
        return;
    }
    file.Seek(0, 2);
    file.Seek(file.Length() / 2, 0);
    while (file.Read(buffer, sizeof buffer) > 0) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CXString name = KavirelFuzz::writeScratch("data.bf", data, size);
    std::vector<std::string> files, folders;
    {
        CBigFile big(name, false);
        if (big.LastError() != 0) return 0;
        gather(big.getHeader().root, "\\", files, folders);
        int32_t offset, length;
        for (const std::string& file : files) {
            big.GetSize(CXString(file.c_str()));
            big.Seek(CXString(file.c_str()));
            big.findEntry(CXString(file.c_str()), offset, length);
        }
        for (const std::string& folder : folders) {
            if (big.ChDir(CXString(folder.c_str())) != 0) continue;
            big.GetCurrentDirectoryA();
            _finddata64i32_t found;
            int handle = big.FindFirst(CXString("*.*"), &found);
            for (int n = 0; handle >= 0 && n < 1000 && big.FindNext(handle, &found) == 0; ++n) {
            }
            if (handle >= 0) big.FindClose(handle);
            big.ChDir(CXString(".."));
        }
        if (!files.empty()) {
            const std::string out = (KavirelFuzz::scratch() / "extracted.bin").string();
            big.ExtractFile(CXString(files.front().c_str()),
                            CXString(CPlatformFiles::toEngineName(out).c_str()));
        }
    }
    if (!CFile::openBigFile(name)) return 0;
    for (const std::string& file : files) {
        readWhole(file, CFile::MODE_BINARY);
        readWhole(file, CFile::MODE_TEXT);
    }
    CFile::closeBigFile();
    return 0;
}
