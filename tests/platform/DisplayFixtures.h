#pragma once
#include "platform/Display.h"

// Paints a rectangle of the display's own surface in one colour.
inline void fill(KavirelDLL::CDisplay& d, const KavirelDLL::CPlatformRect& r, uint16_t colour) {
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) d.pixels()[y * d.pitch() + x] = colour;
}
