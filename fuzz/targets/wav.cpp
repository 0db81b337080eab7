// WAV files read whole as a static sound and as a stream (the RIFF walk, "fmt " and data), then mixed and
// refilled a few times on the in-memory mixer.
#include "fuzz/FuzzSupport.h"
#include "media/sound/SndStream.h"
#include "media/sound/Sound4.h"
#include "media/sound/SoundCodec.h"
#include "platform/Audio.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        CSound4::useDevice(CAudioDevice::openMemory());
        CSoundCodec::init_codecs();
        CSndStream::setRefillThreads(false);
        return true;
    }();
    (void)ready;
    CXString name = KavirelFuzz::writeScratch("sound.wav", data, size);
    int16_t out[2 * 2048];
    {
        CSound4 sound(nullptr, name, false, false);
        sound.Play(true);
        CSound4::getDevice()->render(out, 2048);
    }
    CSndStream stream(nullptr, name);
    stream.Play(true);
    for (int i = 0; i < 4; ++i) {
        CSound4::getDevice()->render(out, 2048);
        stream.TimeFunc();
    }
    return 0;
}
