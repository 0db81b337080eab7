#include "display/Surface.h"

namespace KavirelDLL {

namespace {
uint32_t* g_conversionTable = nullptr;
}

void CSurface::prepareBppConversionTable(int bpp) {
    if ((bpp != 24 && bpp != 32) || g_conversionTable) return;
    g_conversionTable = new uint32_t[65536];
    for (uint32_t i = 0; i < 65536; ++i)
        g_conversionTable[i] = (i & 0xF800) << 8 | (i & 0x07E0) << 5 | (i & 0x001F) << 3;
}

uint32_t* CSurface::getBppConversionTable() { return g_conversionTable; }

void CSurface::releaseBppConversionTable() {
    delete[] g_conversionTable;
    g_conversionTable = nullptr;
}

} // namespace KavirelDLL
