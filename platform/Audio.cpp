#include "platform/Audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace KavirelDLL {

namespace {

constexpr int32_t kSilentVolume = -10000;
constexpr int32_t kUnity = 32768; // Q15

int32_t attenuation(int32_t hundredthsOfDb) {
    if (hundredthsOfDb <= kSilentVolume) return 0;
    return static_cast<int32_t>(std::lround(kUnity * std::pow(10.0, hundredthsOfDb / 2000.0)));
}

int32_t sampleAt(const uint8_t* frame, int bits) {
    if (bits == 8) return (static_cast<int32_t>(frame[0]) - 128) << 8;
    return static_cast<int16_t>(static_cast<uint16_t>(frame[0] | (frame[1] << 8)));
}

// One voice's frames into the mix; the format fixed at compile time keeps the inner loop lean.
template <int Bits, int Channels>
void mixFrames(const uint8_t* data, int32_t total, uint64_t& position, uint64_t step, bool looping,
               bool& playing, int32_t gainLeft, int32_t gainRight, int32_t* out, int frames) {
    constexpr int kBlock = Channels * Bits / 8;
    const uint64_t end = static_cast<uint64_t>(total) << 32;
    for (int i = 0; i < frames; ++i) {
        if (position >= end) {
            playing = false;
            position = 0;
            return;
        }
        int32_t index = static_cast<int32_t>(position >> 32);
        int32_t next = index + 1;
        if (next >= total) next = looping ? 0 : index;
        int32_t frac = static_cast<int32_t>((position >> 17) & 0x7FFF);
        const uint8_t* a = data + static_cast<size_t>(index) * kBlock;
        const uint8_t* b = data + static_cast<size_t>(next) * kBlock;
        int32_t left0 = sampleAt(a, Bits);
        int32_t left = left0 + (((sampleAt(b, Bits) - left0) * frac) >> 15);
        int32_t right = left;
        if constexpr (Channels == 2) {
            int32_t right0 = sampleAt(a + Bits / 8, Bits);
            right = right0 + (((sampleAt(b + Bits / 8, Bits) - right0) * frac) >> 15);
        }
        out[2 * i] += (left * gainLeft) >> 15;
        out[2 * i + 1] += (right * gainRight) >> 15;
        position += step;
        if (position >= end) {
            if (!looping) {
                // Ended with its last sample, as a buffer played once reports.
                playing = false;
                position = 0;
                return;
            }
            position %= end;
        }
    }
}

} // namespace

// ---------------------------------------------------------------- voices

CAudioVoice::CAudioVoice(std::shared_ptr<CAudioMixer> mixer, const CAudioFormat& format, int32_t bytes)
    : m_mixer(std::move(mixer)), m_format(format),
      m_data(static_cast<size_t>(bytes), format.bitsPerSample == 8 ? 0x80 : 0),
      m_frames(bytes / format.blockAlign()) {}

CAudioVoice::~CAudioVoice() {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    auto& voices = m_mixer->m_voices;
    voices.erase(std::remove(voices.begin(), voices.end(), this), voices.end());
}

CAudioVoice::CLock::CLock(CAudioVoice& voice, int32_t offset, int32_t bytes)
    : m_lock(voice.m_mixer->m_mutex) {
    int32_t size = voice.size();
    if (offset < 0 || offset >= size || bytes <= 0 || bytes > size) return;
    part1 = voice.m_data.data() + offset;
    size1 = std::min(bytes, size - offset);
    if (size1 < bytes) {
        part2 = voice.m_data.data();
        size2 = bytes - size1;
    }
}

void CAudioVoice::play(bool looping) {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_playing = m_frames > 0;
    m_looping = looping;
}

void CAudioVoice::stop() {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_playing = false;
}

bool CAudioVoice::isPlaying() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    return m_playing;
}

bool CAudioVoice::isLooping() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    return m_looping;
}

int32_t CAudioVoice::playCursor() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    int32_t frame = static_cast<int32_t>(m_position >> 32);
    if (frame >= m_frames) frame = 0;
    return frame * m_format.blockAlign();
}

bool CAudioVoice::setPlayCursor(int32_t offset) {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    if (offset < 0 || offset > size()) return false;
    m_position = static_cast<uint64_t>(offset / m_format.blockAlign()) << 32;
    return true;
}

bool CAudioVoice::setVolume(int32_t volume) {
    if (volume < kSilentVolume || volume > 0) return false;
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_volume = volume;
    updateGains();
    return true;
}

bool CAudioVoice::setPan(int32_t pan) {
    if (pan < -10000 || pan > 10000) return false;
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_pan = pan;
    updateGains();
    return true;
}

bool CAudioVoice::setFrequency(int32_t frequency) {
    if (frequency != 0 &&
        (frequency < CAudioFormat::kMinFrequency || frequency > CAudioFormat::kMaxFrequency))
        return false;
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_frequency = frequency;
    return true;
}

int32_t CAudioVoice::volume() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    return m_volume;
}

int32_t CAudioVoice::pan() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    return m_pan;
}

int32_t CAudioVoice::frequency() const {
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    return m_frequency;
}

void CAudioVoice::updateGains() {
    int32_t gain = attenuation(m_volume);
    // Pan lowers the other side only.
    m_gainLeft = m_pan > 0 ? static_cast<int32_t>((int64_t{gain} * attenuation(-m_pan)) >> 15) : gain;
    m_gainRight = m_pan < 0 ? static_cast<int32_t>((int64_t{gain} * attenuation(m_pan)) >> 15) : gain;
}

void CAudioVoice::mixInto(int32_t* out, int frames, int outputRate) {
    if (!m_playing || m_frames == 0) return;
    int32_t rate = m_frequency ? m_frequency : m_format.samplesPerSecond;
    uint64_t step = (static_cast<uint64_t>(rate) << 32) / static_cast<uint64_t>(outputRate);
    const uint8_t* data = m_data.data();
    auto run = [&](auto mix) {
        mix(data, m_frames, m_position, step, m_looping, m_playing, m_gainLeft, m_gainRight, out, frames);
    };
    if (m_format.bitsPerSample == 8)
        m_format.channels == 1 ? run(mixFrames<8, 1>) : run(mixFrames<8, 2>);
    else
        m_format.channels == 1 ? run(mixFrames<16, 1>) : run(mixFrames<16, 2>);
}

// ---------------------------------------------------------------- mixer

void CAudioMixer::render(int16_t* out, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    while (frames > 0) {
        int chunk = std::min(frames, kChunkFrames);
        std::memset(m_mix, 0, sizeof(int32_t) * 2 * static_cast<size_t>(chunk));
        for (CAudioVoice* voice : m_voices) voice->mixInto(m_mix, chunk, m_outputRate);
        for (int i = 0; i < 2 * chunk; ++i)
            out[i] = static_cast<int16_t>(std::clamp(m_mix[i], -32768, 32767));
        out += 2 * chunk;
        frames -= chunk;
    }
}

int CAudioMixer::voiceCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_voices.size());
}

// ---------------------------------------------------------------- devices

namespace {

class CMemoryAudioDevice : public CAudioDevice {
public:
    explicit CMemoryAudioDevice(int32_t rate) : CAudioDevice(rate) {}
    std::string driverName() const override { return "memory"; }
};

} // namespace

CAudioDevice::~CAudioDevice() = default;

std::unique_ptr<CAudioDevice> CAudioDevice::openMemory(int32_t outputRate) {
    return std::make_unique<CMemoryAudioDevice>(outputRate);
}

std::unique_ptr<CAudioVoice> CAudioDevice::createVoice(const CAudioFormat& format, int32_t bytes) {
    if (!format.isPlayable() || bytes < format.blockAlign() || bytes > kMaxVoiceBytes) return nullptr;
    std::unique_ptr<CAudioVoice> voice(new CAudioVoice(m_mixer, format, bytes));
    std::lock_guard<std::mutex> lock(m_mixer->m_mutex);
    m_mixer->m_voices.push_back(voice.get());
    return voice;
}

} // namespace KavirelDLL
