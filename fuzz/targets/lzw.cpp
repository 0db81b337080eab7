// The LZW decoder over a whole stream (header included), bounded as the image and cache readers bound it.
#include <vector>

#include "core/Compression.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> packed(data, data + size);
    CLZWCompression codec(packed.data(), static_cast<int>(packed.size()));
    delete[] codec.decompress(1 << 24);
    return 0;
}
