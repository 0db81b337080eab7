// JPEG pictures decoded from memory into 16-bit pixels, as pictures of any name but ".IMG" are.
#include "display/Jpeg.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    JPEG jpeg(const_cast<char*>(reinterpret_cast<const char*>(data)), static_cast<long>(size));
    if (jpeg.isReady()) delete[] jpeg.decompress(16);
    return 0;
}
