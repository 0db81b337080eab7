#include "platform/SoundFile.h"

#include <sndfile.h>

namespace KavirelDLL {

bool CPlatformSoundFile::decode(const std::string& path, int64_t maxBytes, CDecoded& out,
                                std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = sf_strerror(nullptr);
        return false;
    }
    bool ok = false;
    if (info.channels < 1 || info.channels > 2 || info.frames < 0 || info.samplerate <= 0)
        error = "not a sound of one or two channels";
    else if (info.frames * info.channels * 2 > maxBytes)
        error = "more samples than the file can hold";
    else {
        out.samplesPerSecond = info.samplerate;
        out.channels = info.channels;
        out.samples.assign(static_cast<size_t>(info.frames * info.channels), 0);
        sf_count_t got = sf_readf_short(file, out.samples.data(), info.frames);
        out.samples.resize(static_cast<size_t>(got * info.channels));
        ok = true;
    }
    sf_close(file);
    return ok;
}

} // namespace KavirelDLL
