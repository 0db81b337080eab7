#pragma once

namespace KavirelDLL {

class CUnit6;

// What the screen and the hot spots ask of the running scene's unit (media/controls/Unit6.h), which they know
// only by pointer: the unit's folder answers, once, when the library loads. The unit given is never null.
// Until an answer is given the screen composes as without a unit and hot spots ignore their unit.
struct CUnitLink {
    static inline bool (*isActive)(CUnit6* unit) = nullptr;
    static inline bool (*wasInitiallyUpdated)(CUnit6* unit) = nullptr;
    // The scene's first frame on screen.
    static inline bool (*onInitialUpdate)(CUnit6* unit) = nullptr;
    // Every later frame of the scene.
    static inline void (*onCanvasRefreshed)(CUnit6* unit) = nullptr;
};

} // namespace KavirelDLL
