// The run-length decoders: 8- and 16-bit packets, and the row-wise planes of layered pictures. The first
// byte picks the decoder, the next two the output's size (or width and height), the rest is the packed data.
#include <memory>
#include <vector>

#include "core/Compression.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;
using KavirelFuzz::CFuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput input(data, size);
    const int mode = input.byte() % 3;
    std::vector<char> packed;
    if (mode < 2) {
        const int outSize = input.word();
        packed.assign(input.rest(), input.rest() + input.restSize());
        const int length = static_cast<int>(packed.size());
        delete[](mode == 0 ? CRLECompression::__decompresschar(packed.data(), length, outSize)
                           : CRLECompression::__decompress(packed.data(), length, outSize));
        return 0;
    }
    const int width = input.byte();
    const int height = input.byte();
    // Row lengths as the file stores them, big-endian words, then the rows.
    auto* rows = new short[static_cast<size_t>(height)];
    for (int r = 0; r < height; ++r) rows[r] = static_cast<short>((input.byte() << 8) | input.byte());
    packed.assign(input.rest(), input.rest() + input.restSize());
    CRLECompression2 planes(CXSize(width, height), rows, packed.data(), static_cast<int>(packed.size()));
    delete[] planes.Decompress();
    return 0;
}
