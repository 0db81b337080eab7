#pragma once

namespace KavirelDLL {

class CAnimationManager;
class CDXMouse;
class CKeyboard;
class CMusic;
class CSoundManager;
class CWindow;
class CXObject;

// What the window makes and runs from the folders above display/, which it knows only by pointer: the sound
// device, the music, the keyboard and mouse pollers, the hot spots, the managers' frame steps, the music's
// loop events, MOUSE's focus state and the script objects flushed at the end of every frame. The objects
// folder answers, once, when the library loads (objects/WindowParts.cpp); the window calls each hook in its
// own order, and a hook not answered does nothing.
struct CWindowParts {
    // ---- made by a window with devices, in this order
    static inline void (*openSound)(CWindow* window) = nullptr;
    static inline CMusic* (*makeMusic)(CWindow* window) = nullptr;
    static inline CKeyboard* (*makeKeyboard)(CWindow* window) = nullptr;
    static inline CDXMouse* (*makeMouse)(CWindow* window) = nullptr;

    // ---- freed by release(); each is given null safely
    static inline void (*freeMusic)(CMusic* music) = nullptr;
    static inline void (*freeKeyboard)(CKeyboard* keyboard) = nullptr;
    static inline void (*freeMouse)(CDXMouse* mouse) = nullptr;
    static inline void (*closeSound)() = nullptr;
    static inline void (*freeHotSpots)() = nullptr;

    // ---- every frame; the managers given are never null
    static inline void (*runAnimations)(CAnimationManager* animations) = nullptr;
    static inline void (*runSounds)(CSoundManager* sounds) = nullptr;
    // The music loops counted on the refill threads become scene events, on the main thread.
    static inline void (*raiseMusicLoops)(CWindow* window) = nullptr;
    // A script object the window was given with registerMCListener().
    static inline void (*flushObject)(CXObject* object) = nullptr;

    // ---- the focus leaves and comes back
    static inline void (*focusLost)() = nullptr;
    static inline void (*focusBack)() = nullptr;
};

} // namespace KavirelDLL
