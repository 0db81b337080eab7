#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "display/Playable.h"

namespace KavirelDLL {

class CAudioDevice;
class CAudioVoice;
class CSoundManager;
class CWindow;

// A static sound: a whole WAV file decoded into one voice of the mixer, played as a playable. Status 0
// stopped, 1 playing, 2 paused. The statics hold the process's one output device.
class CSound4 : public CPlayable {
public:
    // The file name is kept as given (callers resolve it); the sound registers with the window's
    // application's sound manager and, with preload, loads at once.
    CSound4(CWindow* window, CXString fileName, bool flushAfterPlayed, bool preload);
    // An empty sound, not registered with the manager.
    explicit CSound4(CWindow* window);
    ~CSound4() override;
    CSound4(const CSound4&) = delete;
    CSound4& operator=(const CSound4&) = delete;

    // ---- overrides of the playable
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    void seek(int position) override;
    void setVolume(int volume) override;
    void setPanning(int panning) override;
    void setFrequency(int frequency) override;

    // ---- the sound's own operations, in the engine's order
    // From the start, looping or once; no finished event follows.
    virtual void Play(bool loop);
    // From the saved position; the manager reports when it ends.
    virtual void Play();
    virtual void Stop();
    virtual void Mute() {}
    virtual bool IsPlaying();
    // The manager saw the sound end.
    virtual void OnWAVFinished();

    // Decodes the file into a new voice; false (error 2000 missing, 2001 not a sound it plays) otherwise.
    bool load();
    bool Load(CXString fileName);
    void SetFileName(CXString fileName) { setFilename(fileName); }
    // Drops the voice; the next play decodes again.
    void Flush();
    void SetPosition(int position);
    bool isLoaded() override { return m_buffer != nullptr; }
    // 0, or why the last load failed: 2000 the file is missing, 2001 it is no sound this engine plays.
    int LastError() const { return m_lastError; }
    void setErrorCode(int code) { m_lastError = code; }
    CAudioVoice* getVoice() const { return m_buffer.get(); }

    // The manager lets go of a sound it no longer lists.
    void detachManager() { m_manager = nullptr; }

    // ---- the process's output
    // Opens the device once (the desktop's, or SDL's dummy driver when the window's sound is off or no card
    // answers); null when none opens.
    static CAudioDevice* CreateDirectSoundInterface(CWindow* window);
    // The mixer's output stands for the primary buffer: the device, null without one.
    static CAudioDevice* CreatePrimarySoundBuffer(CWindow* window);
    // Closes the device; voices already made stay valid and silent.
    static void DestroySoundBuffer();
    // Tests and the game-run harness: this device instead of the desktop's (null closes it).
    static void useDevice(std::unique_ptr<CAudioDevice> device);
    static CAudioDevice* getDevice() { return m_pDirectSound; }

    static CAudioDevice* m_pDirectSound;
    static CAudioDevice* m_pDirectSoundPrimaryBuffer;
    static bool m_bSoundBufferCreated;

protected:
    void releaseBuffer();
    // The remembered volume, pan and frequency go to a new voice.
    void applyLevels();

    std::unique_ptr<CAudioVoice> m_buffer;
    bool m_flushAfterPlayed = false;
    bool m_notifyFinished = true;
    int32_t m_bytePosition = 0;
    CSoundManager* m_manager = nullptr;
    int m_lastError = 0;
    // Cleared by the destructor: a finished handler may delete the sound it hears about.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Plays one of several sounds at random.
class CRandomizedSound : public CSound4 {
public:
    // Names separated by ';'; a name without ':' is taken from the sound-effects folder.
    CRandomizedSound(CWindow* window, CXString list, bool flushAfterPlayed, bool preload);
    ~CRandomizedSound() override;

    void setVolume(int volume) override;
    void setPanning(int panning) override;
    void setFrequency(int frequency) override;
    void Play(bool loop) override;
    void Play() override;
    void Stop() override;
    bool IsPlaying() override;

    int getCount() const;
    CSound4* getLast() const { return m_last; }

private:
    CSound4* pick();

    std::vector<CSound4*> m_members;
    CSound4* m_last = nullptr;
};

} // namespace KavirelDLL
