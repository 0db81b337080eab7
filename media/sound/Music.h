#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CSndStream;
class CWindow;

// The window's background music: one stream at a time, looping or not.
class CMusic : public CXObject {
public:
    explicit CMusic(CWindow* window) : m_window(window) {}
    ~CMusic() override;
    CMusic(const CMusic&) = delete;
    CMusic& operator=(const CMusic&) = delete;

    virtual CXString getFileName() { return m_fileName; }

    // A file that does not open (2000) or is no PCM WAV (2001) leaves the error code and keeps the name of
    // the music before.
    void play(CXString fileName, bool loop);
    void stop();
    bool isPlaying();
    void setVolume(int volume);
    int getVolume();
    void setPan(int pan);
    void setFreq(int frequency);
    CSndStream* getStream() const { return m_stream; }

private:
    CWindow* m_window;
    CSndStream* m_stream = nullptr;
    CXString m_fileName;
};

} // namespace KavirelDLL
