#include "platform/Audio.h"

#include <SDL2/SDL.h>

namespace KavirelDLL {

namespace {

std::string g_openError;

class CSdlAudioDevice : public CAudioDevice {
public:
    CSdlAudioDevice() : CAudioDevice(kOutputRate) {}
    ~CSdlAudioDevice() override {
        // Closing waits for a running callback, so the mixer is never mixed after this.
        if (m_id) SDL_CloseAudioDevice(m_id);
        if (m_initialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (SDL_WasInit(0) == 0) SDL_Quit();
    }

    bool open(const char* forcedDriver) {
        if (forcedDriver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, forcedDriver, SDL_HINT_OVERRIDE);
        bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (forcedDriver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        if (!started) {
            g_openError = std::string("audio initialisation failed: ") + SDL_GetError();
            return false;
        }
        m_initialised = true;
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = CAudioMixer::kChunkFrames;
        want.callback = &CSdlAudioDevice::callback;
        want.userdata = m_mixer.get();
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the card takes.
        m_id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!m_id) {
            g_openError = std::string("no audio device: ") + SDL_GetError();
            return false;
        }
        const char* driver = SDL_GetCurrentAudioDriver();
        m_driver = driver ? driver : "";
        SDL_PauseAudioDevice(m_id, 0);
        return true;
    }

    std::string driverName() const override { return m_driver; }

private:
    static void callback(void* mixer, Uint8* stream, int bytes) {
        static_cast<CAudioMixer*>(mixer)->render(reinterpret_cast<int16_t*>(stream), bytes / 4);
    }

    SDL_AudioDeviceID m_id = 0;
    bool m_initialised = false;
    std::string m_driver;
};

} // namespace

std::unique_ptr<CAudioDevice> CAudioDevice::openSdl(bool silent) {
    if (!silent) {
        auto device = std::make_unique<CSdlAudioDevice>();
        if (device->open(nullptr)) return device;
    }
    // No sound card (or none wanted): the dummy driver keeps sounds in time and plays nothing.
    auto device = std::make_unique<CSdlAudioDevice>();
    if (device->open("dummy")) return device;
    return nullptr;
}

const std::string& CAudioDevice::lastOpenError() { return g_openError; }

} // namespace KavirelDLL
