#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "media/SoundFixtures.h"
#include "media/anim/AnimationManager.h"
#include "media/anim/Animo6.h"
#include "platform/PlatformTime.h"

namespace KavirelTest {

// The shell's part that sequences use: the animation and sound managers and the codecs.
class CSequenceShell : public KavirelDLL::CApplication {
public:
    explicit CSequenceShell(KavirelDLL::CWindow* window) {
        m_window = window;
        m_soundManager = new KavirelDLL::CSoundManager();
        m_animationManager = new KavirelDLL::CAnimationManager();
        KavirelDLL::CSoundCodec::init_codecs();
        m_ownsCodecs = true;
        window->SetApplicationInterface(this);
    }
};

inline uint64_t& sequenceClock() {
    static uint64_t micros = 0;
    return micros;
}
inline uint64_t sequenceMicros() { return sequenceClock(); }

// A harness window with a screen that animations are put on.
class CSequenceWindow : public CHarnessWindow {
public:
    CSequenceWindow() : m_screen(this, false) {
        m_screen.SetBpp(16);
        m_refreshScreen = &m_screen;
    }
    ~CSequenceWindow() override { m_refreshScreen = nullptr; }

private:
    KavirelDLL::CRefreshScreen m_screen;
};

// A window with its shell, an in-memory mixer, a cache, and a clock that moves only by frames.
struct CSequenceWorld {
    CTempFolder folder{"seq"};
    CSequenceWindow window;
    CSequenceShell* shell;
    std::unique_ptr<KavirelDLL::CResourcesManager> cache;

    CSequenceWorld() {
        sequenceClock() = 5'000'000'000;
        KavirelDLL::CPlatformClock::inject(&sequenceMicros);
        KavirelDLL::CSound4::useDevice(KavirelDLL::CAudioDevice::openMemory());
        shell = new CSequenceShell(&window);
        cache = std::make_unique<KavirelDLL::CResourcesManager>(&window);
    }
    ~CSequenceWorld() {
        cache.reset();
        delete shell;
        KavirelDLL::CSound4::DestroySoundBuffer();
        KavirelDLL::CPlatformClock::inject(nullptr);
    }
    KavirelDLL::CXString file(const std::string& name, const std::string& bytes) {
        return KavirelDLL::CXString(folder.put(name, bytes).string().c_str());
    }
    // A sound of that many milliseconds at 22,050 Hz.
    KavirelDLL::CXString wav(const std::string& name, int ms) {
        return file(name, pcmWav(std::vector<int16_t>(size_t(22050 * ms / 1000), 1000)));
    }
    // An animation of 1 × 1 images with events of the given names and frame counts, at 15 frames a second.
    static std::unique_ptr<KavirelDLL::CAnimo6>
    animation(KavirelDLL::CWindow* window, const std::vector<std::pair<std::string, int>>& events) {
        auto a = std::make_unique<KavirelDLL::CAnimo6>(window);
        KavirelDLL::CGraphicsObject image(nullptr, KavirelDLL::CXSize(1, 1), 16);
        a->AddFrame(&image);
        for (const auto& [name, frames] : events) {
            KavirelDLL::_animoEvent e;
            e.setName(name.c_str());
            e.frames = uint16_t(frames);
            a->AddEvent(e);
        }
        return a;
    }
    KavirelDLL::CXString ann(const std::string& name,
                             const std::vector<std::pair<std::string, int>>& events) {
        std::vector<uint8_t> bytes;
        auto a = animation(nullptr, events);
        a->SetBpp(16);
        a->save3(bytes, KavirelDLL::COMPRESSION_NONE);
        return file(name, std::string(bytes.begin(), bytes.end()));
    }
    // One frame: the clock moves, the mixer renders, the sound manager and the animation manager step.
    void frame(int ms = 20) {
        sequenceClock() += uint64_t(ms) * 1000;
        std::vector<int16_t> out(static_cast<size_t>(44100 * ms / 1000) * 2);
        KavirelDLL::CSound4::getDevice()->render(out.data(), static_cast<int>(out.size() / 2));
        shell->getSoundManagerIfc()->domodal();
        shell->getAnimoManagerIfc()->domodal();
    }
    // Frames until the playable stops playing (at most limit); the frames run.
    int runWhile(KavirelDLL::CPlayable& p, int limit = 500) {
        int n = 0;
        while (p.isPlaying() && n < limit) {
            frame();
            ++n;
        }
        return n;
    }
};

// Records started and finished of every playable it hears, with the playable's name.
class CTreeLog final : public KavirelDLL::CPlayableObserver {
public:
    std::vector<std::string> events;
    bool onPlayableStarted(KavirelDLL::CPlayable* p) override {
        events.push_back("+" + std::string(p->getName().GetBuffer()));
        return false;
    }
    bool onPlayableFinished(KavirelDLL::CPlayable* p) override {
        events.push_back("-" + std::string(p->getName().GetBuffer()));
        return false;
    }
    std::string joined() const {
        std::string s;
        for (const auto& e : events) s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

} // namespace KavirelTest
