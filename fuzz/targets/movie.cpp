// Movie files through the decoder: opened from memory, frames decoded at both depths, a seek, the sound.
#include "fuzz/FuzzSupport.h"
#include "platform/Movie.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KavirelFuzz::CFuzzInput input(data, size);
    const uint8_t choices = input.byte();
    const int bpp = choices & 1 ? 15 : 16;
    const int64_t seekTo = static_cast<int64_t>(choices >> 1) * 100000;
    std::vector<uint8_t> bytes(input.rest(), input.rest() + input.restSize());
    auto decoder = CMovieDecoder::open(movieSourceFromMemory(bytes), bpp);
    if (!decoder) return 0;
    const CMovieInfo& info = decoder->info();
    std::vector<uint16_t> pixels(static_cast<size_t>(info.width) * static_cast<size_t>(info.height));
    int64_t t = 0;
    for (int i = 0; i < 8 && decoder->nextFrame(pixels.data(), info.width, &t) == CMovieDecoder::RESULT_FRAME; ++i) {
    }
    if (decoder->seek(seekTo)) decoder->nextFrame(pixels.data(), info.width, &t);
    std::vector<int16_t> samples;
    decoder->decodeAudio(samples, 22050, 22050);
    return 0;
}
