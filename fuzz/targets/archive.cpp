// The binary archive's typed reads over one file. The first byte says how many of the next bytes are the
// order of reads (repeated until a read fails); the rest is the file.
#include <vector>

#include "core/Archive.h"
#include "core/File.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;
using KavirelFuzz::CFuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput input(data, size);
    std::vector<uint8_t> reads(input.byte() % 16 + 1);
    for (uint8_t& read : reads) read = input.byte();
    CFile file;
    if (!KavirelFuzz::openScratch(file, "archive.bin", input.rest(), input.restSize())) return 0;
    CXArchive archive(&file, false);
    for (size_t i = 0; i < 256 && archive.good(); ++i) {
        switch (reads[i % reads.size()] % 12) {
        case 0: {
            int32_t v;
            archive >> &v;
            break;
        }
        case 1: {
            uint32_t v;
            archive >> &v;
            break;
        }
        case 2: {
            int64_t v;
            archive >> &v;
            break;
        }
        case 3: {
            double v;
            archive >> &v;
            break;
        }
        case 4: {
            bool v;
            archive >> &v;
            break;
        }
        case 5: {
            CXRect v;
            archive >> &v;
            break;
        }
        case 6: {
            CXString v;
            archive >> &v;
            break;
        }
        case 7: {
            char* v = nullptr;
            archive >> &v;
            delete[] v;
            break;
        }
        case 8: {
            CXString v;
            archive.readShortString(&v);
            break;
        }
        case 9: {
            char word[1024];
            archive >> word;
            break;
        }
        case 10: {
            unsigned char c;
            archive >> &c;
            break;
        }
        default: {
            CXString v;
            archive.FRead(v);
            break;
        }
        }
    }
    return 0;
}
