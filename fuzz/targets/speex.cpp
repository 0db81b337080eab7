// Ogg Speex decoded into a WAVE file: the Ogg pages, the Speex header and comments, the frames.
#include "fuzz/FuzzSupport.h"
#include "media/sound/SpeexCodec.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string out = (KavirelFuzz::scratch() / "decoded.wav").string();
    CXString in = KavirelFuzz::writeScratch("sound.spx", data, size);
    CSpeexCodec::decode(in.GetBuffer(), out.c_str());
    return 0;
}
