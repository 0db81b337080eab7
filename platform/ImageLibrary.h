#pragma once

namespace KavirelDLL {

// The image library (DevIL with its utilities) that the scale filter uses. Every engine window starts it and
// stops it again; it runs while at least one window holds it. Main thread only.
class CImageLibrary {
public:
    static void start();
    static void stop();
    static bool isRunning();
};

} // namespace KavirelDLL
