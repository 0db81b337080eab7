#include "main/ProgramIcon.h"

#include <cstddef>

#include "main/MenuFont.h"

std::vector<uint8_t> programIcon() {
    constexpr int side = kProgramIconSide;
    std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4, 0);
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &rgba[static_cast<size_t>(y * side + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    };
    // A tile with its corners cut, and a "K" of the menu's lettering twice its size.
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int dx = x < 3 ? 3 - x : (x > side - 4 ? x - (side - 4) : 0);
            const int dy = y < 3 ? 3 - y : (y > side - 4 ? y - (side - 4) : 0);
            if (dx + dy <= 3) put(x, y, 30, 70, 160);
        }
    const uint8_t* glyph = menuGlyph('K');
    const int left = (side - 2 * kMenuGlyphWidth) / 2 + 1, top = (side - 2 * kMenuGlyphHeight) / 2;
    for (int row = 0; row < kMenuGlyphHeight; ++row)
        for (int col = 0; col < kMenuGlyphWidth; ++col)
            if (glyph[row] & (0x80 >> col))
                for (int i = 0; i < 4; ++i) put(left + 2 * col + i % 2, top + 2 * row + i / 2, 255, 255, 255);
    return rgba;
}
