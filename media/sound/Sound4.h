#pragma once

namespace KavirelDLL {

class CWindow;

// The sound device. Not built yet: the device is never created.
class CSound4 {
public:
    // False, with a log line, until sound is built.
    static bool CreateDirectSoundInterface(CWindow* window);
    static void DestroySoundBuffer() {}
};

} // namespace KavirelDLL
