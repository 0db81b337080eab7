#pragma once
#include <cstdint>

// The menu's own lettering: a fixed cell of kMenuGlyphWidth by kMenuGlyphHeight pixels for every character of
// code page 1250 from 0x20 up; codes below 0x20 and codes the page leaves empty are blank.
constexpr int kMenuGlyphWidth = 6;
constexpr int kMenuGlyphHeight = 13;

// The rows of a character's glyph, top first; bit 7 is the leftmost pixel.
const uint8_t* menuGlyph(unsigned char character);
