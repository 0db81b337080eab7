#include "platform/Audio.h"

#include <SDL2/SDL.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include <dlfcn.h>

namespace KavirelDLL {

namespace {

std::string g_openError;

// ALSA writes every step of a failed search for a card to standard error; while the device is tried, a
// handler of ours keeps the last of those lines (what was not found) for the program's own one instead.
// ALSA's own handler is back after.
class CQuietAlsa {
public:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);

    CQuietAlsa() {
        takeLast();
        m_library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (m_library)
            m_setHandler =
                reinterpret_cast<int (*)(Handler)>(::dlsym(m_library, "snd_lib_error_set_handler"));
        if (m_setHandler) m_setHandler(&CQuietAlsa::keep);
    }
    ~CQuietAlsa() {
        if (m_setHandler) m_setHandler(nullptr);
        if (m_library) ::dlclose(m_library);
    }
    CQuietAlsa(const CQuietAlsa&) = delete;
    CQuietAlsa& operator=(const CQuietAlsa&) = delete;

    static std::string takeLast() {
        std::lock_guard<std::mutex> lock(s_mutex);
        std::string last;
        last.swap(s_last);
        return last;
    }

private:
    static void keep(const char*, int, const char*, int, const char* format, ...) {
        char text[256];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof(text), format, arguments);
        va_end(arguments);
        std::lock_guard<std::mutex> lock(s_mutex);
        s_last = text;
    }

    void* m_library = nullptr;
    int (*m_setHandler)(Handler) = nullptr;
    static std::mutex s_mutex;
    static std::string s_last;
};

std::mutex CQuietAlsa::s_mutex;
std::string CQuietAlsa::s_last;

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
        std::string alsa;
        {
            CQuietAlsa quiet;
            auto device = std::make_unique<CSdlAudioDevice>();
            if (device->open(nullptr)) return device;
            alsa = CQuietAlsa::takeLast();
        }
        const std::string why = alsa.empty() ? g_openError : g_openError + "; ALSA: " + alsa;
        std::fprintf(stderr, "kavirel: no sound device could be opened (%s): the game runs without sound\n",
                     why.c_str());
    }
    // No sound card (or none wanted): the dummy driver keeps sounds in time and plays nothing.
    auto device = std::make_unique<CSdlAudioDevice>();
    if (device->open("dummy")) return device;
    return nullptr;
}

const std::string& CAudioDevice::lastOpenError() { return g_openError; }

} // namespace KavirelDLL
