#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;

// The window's music player. Streamed sound is not built yet: play() says so in the log, leaves ERR_NOT_BUILT
// and starts nothing, so there is never a stream and the other operations do nothing.
class CMusic : public CXObject {
public:
    explicit CMusic(CWindow* window) : m_window(window) {}

    CXString getFileName() { return m_fileName; }
    bool isPlaying() { return false; }
    void play(CXString fileName, bool loop);
    void stop() {}
    void setVolume(int) {}
    int getVolume() { return 0; }
    void setPan(int) {}
    void setFreq(int) {}

private:
    CWindow* m_window;
    CXString m_fileName;
};

} // namespace KavirelDLL
