#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/Playable.h"
#include "harness/GameHarness.h"
#include "media/sound/Sound4.h"
#include "media/sound/SoundCodec.h"
#include "media/sound/SoundManager.h"
#include "platform/Audio.h"
#include "platform/TempFolder.h"
#include "shell/Application.h"

namespace KavirelTest {

inline void le16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void le32(std::string& s, uint32_t v) {
    le16(s, v & 0xFFFF);
    le16(s, v >> 16);
}
inline std::string chunk(const std::string& id, const std::string& body) {
    std::string s = id;
    le32(s, static_cast<uint32_t>(body.size()));
    return s + body;
}
// A "fmt " body: the 16 bytes every format has, then extra bytes up to size.
inline std::string formatBody(int tag, int channels, int rate, int bits, size_t size = 16) {
    std::string s;
    le16(s, tag);
    le16(s, channels);
    le32(s, rate);
    le32(s, rate * channels * bits / 8);
    le16(s, channels * bits / 8);
    le16(s, bits);
    s.resize(size, '\0');
    return s;
}
inline std::string samples16(const std::vector<int16_t>& values) {
    std::string s;
    for (int16_t v : values) le16(s, static_cast<uint16_t>(v));
    return s;
}
inline std::string riff(const std::string& chunks) {
    std::string s = "RIFF";
    le32(s, static_cast<uint32_t>(chunks.size() + 4));
    return s + "WAVE" + chunks;
}
// A 16-bit mono PCM file of the samples.
inline std::string pcmWav(const std::vector<int16_t>& values, int rate = 22050) {
    return riff(chunk("fmt ", formatBody(1, 1, rate, 16)) + chunk("data", samples16(values)));
}

// The shell's part sounds need: the sound manager and the codecs; an in-memory mixer as the device.
class CSoundShell : public KavirelDLL::CApplication {
public:
    explicit CSoundShell(KavirelDLL::CWindow* window) {
        m_window = window;
        m_soundManager = new KavirelDLL::CSoundManager();
        KavirelDLL::CSoundCodec::init_codecs();
        m_ownsCodecs = true;
        window->SetApplicationInterface(this);
    }
};

struct CSoundWorld {
    CTempFolder folder{"sound"};
    CHarnessWindow window;
    CSoundShell* shell;
    CSoundWorld() {
        KavirelDLL::CSound4::useDevice(KavirelDLL::CAudioDevice::openMemory());
        shell = new CSoundShell(&window);
    }
    ~CSoundWorld() {
        delete shell;
        KavirelDLL::CSound4::DestroySoundBuffer();
    }
    KavirelDLL::CSoundManager* manager() { return shell->getSoundManagerIfc(); }
    // Writes a file and gives its engine name.
    KavirelDLL::CXString file(const std::string& name, const std::string& bytes) {
        return KavirelDLL::CXString(folder.put(name, bytes).string().c_str());
    }
    // Mixes this many milliseconds, then the manager's frame step.
    std::vector<int16_t> frame(int ms = 20) {
        std::vector<int16_t> out(static_cast<size_t>(44100 * ms / 1000) * 2);
        KavirelDLL::CSound4::getDevice()->render(out.data(), static_cast<int>(out.size() / 2));
        manager()->domodal();
        return out;
    }
};

// Records a playable's notifications as text.
class CPlayableLog : public KavirelDLL::CPlayableObserver {
public:
    std::vector<std::string> events;
    bool onPlayableStarted(KavirelDLL::CPlayable*) override { return add("started"); }
    bool onPlayableFinished(KavirelDLL::CPlayable* p) override {
        add("finished");
        if (onFinished) onFinished(p);
        return false;
    }
    bool onPlayableResumed(KavirelDLL::CPlayable*) override { return add("resumed"); }
    std::function<void(KavirelDLL::CPlayable*)> onFinished;

private:
    bool add(const char* e) {
        events.push_back(e);
        return false;
    }
};

} // namespace KavirelTest
