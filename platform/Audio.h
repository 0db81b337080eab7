#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace KavirelDLL {

// The sample format of a voice: PCM, 8 bits unsigned or 16 bits signed, one or two channels, any rate.
struct CAudioFormat {
    int32_t samplesPerSecond = 22050;
    int16_t channels = 1;
    int16_t bitsPerSample = 16;
    int32_t blockAlign() const { return channels * (bitsPerSample / 8); }
    bool isPlayable() const {
        return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
               samplesPerSecond >= kMinFrequency && samplesPerSecond <= kMaxFrequency;
    }

    static constexpr int32_t kMinFrequency = 100;
    static constexpr int32_t kMaxFrequency = 200000;
};

class CAudioMixer;

// One voice of the mixer, as the engine's sound buffers behave: a block of samples in its own format, a play
// cursor in bytes, played once or looping, with volume (hundredths of a decibel, -10000 silent to 0 full),
// pan
// (-10000 left only to 10000 right only) and frequency (0 the format's own rate, else 100 to 200,000 Hz).
// Values out of range are refused and the old ones kept. Every operation may be called from any thread.
class CAudioVoice {
public:
    ~CAudioVoice();
    CAudioVoice(const CAudioVoice&) = delete;
    CAudioVoice& operator=(const CAudioVoice&) = delete;

    const CAudioFormat& format() const { return m_format; }
    int32_t size() const { return static_cast<int32_t>(m_data.size()); }

    // The bytes from offset on, wrapping at the end: two parts, the second empty unless the region wraps.
    // The voice's samples stay locked (the mixer waits) until the lock goes.
    class CLock {
    public:
        CLock(CAudioVoice& voice, int32_t offset, int32_t bytes);
        uint8_t* part1 = nullptr;
        int32_t size1 = 0;
        uint8_t* part2 = nullptr;
        int32_t size2 = 0;
        bool ok() const { return part1 != nullptr; }

    private:
        std::unique_lock<std::mutex> m_lock;
    };

    // Starts from the play cursor; playing again while playing only changes the looping.
    void play(bool looping);
    void stop();
    bool isPlaying() const;
    bool isLooping() const;
    // Byte offset of the next sample to be mixed, a multiple of the block.
    int32_t playCursor() const;
    // Refused beyond the data; rounded down to the block.
    bool setPlayCursor(int32_t offset);
    bool setVolume(int32_t volume);
    bool setPan(int32_t pan);
    bool setFrequency(int32_t frequency);
    int32_t volume() const;
    int32_t pan() const;
    int32_t frequency() const;

private:
    friend class CAudioMixer;
    friend class CAudioDevice;
    CAudioVoice(std::shared_ptr<CAudioMixer> mixer, const CAudioFormat& format, int32_t bytes);
    // Mixer side, under the mixer's lock.
    void mixInto(int32_t* out, int frames, int outputRate);
    void updateGains();

    std::shared_ptr<CAudioMixer> m_mixer;
    CAudioFormat m_format;
    std::vector<uint8_t> m_data;
    int32_t m_frames = 0;
    // Position in source frames, 32.32 fixed point.
    uint64_t m_position = 0;
    bool m_playing = false;
    bool m_looping = false;
    int32_t m_volume = 0;
    int32_t m_pan = 0;
    int32_t m_frequency = 0;
    // Q15 gains of the left and right outputs.
    int32_t m_gainLeft = 32768;
    int32_t m_gainRight = 32768;
};

// Mixes every playing voice into 16-bit stereo at the output rate: linear resampling, saturation, no
// allocation while mixing. Shared by the device and its voices, so a voice may outlive its device.
class CAudioMixer {
public:
    explicit CAudioMixer(int32_t outputRate) : m_outputRate(outputRate) {}
    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

    // Interleaved left, right samples for frames frames.
    void render(int16_t* out, int frames);
    int32_t outputRate() const { return m_outputRate; }
    int voiceCount();

    static constexpr int kChunkFrames = 1024;

private:
    friend class CAudioVoice;
    friend class CAudioDevice;
    std::mutex m_mutex;
    std::vector<CAudioVoice*> m_voices;
    int32_t m_outputRate;
    int32_t m_mix[kChunkFrames * 2] = {};
};

// The one output of the process. The real device plays through SDL at 44.1 kHz, stereo, 16 bits, in callbacks
// of 1024 frames; the in-memory twin mixes only when render() asks (tests, the game-run harness).
class CAudioDevice {
public:
    virtual ~CAudioDevice();
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    // The desktop's device; with silent, or when no sound card answers, SDL's dummy driver, which keeps time
    // and plays nothing. Null when neither opens (lastOpenError() says why).
    static std::unique_ptr<CAudioDevice> openSdl(bool silent);
    static std::unique_ptr<CAudioDevice> openMemory(int32_t outputRate = kOutputRate);
    static const std::string& lastOpenError();

    // A new voice of bytes bytes (silence), stopped, cursor 0; null for a format the mixer cannot play or an
    // empty or oversized block.
    std::unique_ptr<CAudioVoice> createVoice(const CAudioFormat& format, int32_t bytes);
    // Renders now (the in-memory twin; the real device mixes on its own thread).
    void render(int16_t* out, int frames) { m_mixer->render(out, frames); }
    int32_t outputRate() const { return m_mixer->outputRate(); }
    // "memory", or SDL's driver name.
    virtual std::string driverName() const = 0;

    static constexpr int32_t kOutputRate = 44100;
    // 64 MiB of samples at most per voice.
    static constexpr int32_t kMaxVoiceBytes = 64 << 20;

protected:
    explicit CAudioDevice(int32_t outputRate) : m_mixer(std::make_shared<CAudioMixer>(outputRate)) {}
    std::shared_ptr<CAudioMixer> m_mixer;
};

} // namespace KavirelDLL
