// Ogg Vorbis decoded into a WAV file, as packages restore their sounds.
#include "media/sound/Ogg.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string out = (KavirelFuzz::scratch() / "decoded.wav").string();
    COgg::decodeToWav(data, static_cast<long>(size), out.c_str());
    return 0;
}
