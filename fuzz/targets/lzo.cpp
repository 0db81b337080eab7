// The LZO block decoder over a whole block (header included).
#include <vector>

#include "core/Compression.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> packed(data, data + size);
    CLZWCompression2 codec(packed.data(), static_cast<int>(packed.size()));
    delete[] codec.decompress();
    return 0;
}
