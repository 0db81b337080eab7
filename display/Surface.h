#pragma once
#include <cstdint>

#include "core/XObject.h"

namespace KavirelDLL {

// The display surface. Only its class-wide conversion table exists so far: 65536 entries mapping a
// 5-6-5 pixel to a 32-bit one, present while a 24- or 32-bit display is in use.
class CSurface : public CXObject {
public:
    // Builds the table once, only for 24 or 32 bits.
    static void prepareBppConversionTable(int bpp);
    // Null while no table exists.
    static uint32_t* getBppConversionTable();
    static void releaseBppConversionTable();
};

} // namespace KavirelDLL
