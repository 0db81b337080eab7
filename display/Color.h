#pragma once
#include <cstdint>

#include "core/XObject.h"

namespace KavirelDLL {

// Byte view: byte 0 the fourth component, 1 red, 2 green, 3 blue (value = x | r << 8 | g << 16 | b << 24).
union _pixel {
    int32_t value;
    uint8_t bytes[4];
};

enum _colormodel : int32_t {
    COLORMODEL_NONE = 0,
    COLORMODEL_RGB = 4,   // red, green and blue bytes
    COLORMODEL_RAW = 5,   // four bytes, or a raw 32-bit value
    COLORMODEL_RGB15 = 6, // a 5-5-5 word
    COLORMODEL_RGB16 = 7, // a 5-6-5 word
};

// A colour value that crosses the pixel formats. Words are kept sign-extended to 32 bits.
class CColor : public CXObject {
public:
    CColor();
    CColor(uint8_t r, uint8_t g, uint8_t b);
    CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t x);
    CColor(int raw);
    CColor(_pixel raw);
    CColor(int16_t word, _colormodel model);
    CColor(const CColor& other);
    CColor& operator=(const CColor& other);

    void Set(uint8_t r, uint8_t g, uint8_t b);
    void Set(uint8_t r, uint8_t g, uint8_t b, uint8_t x);
    void Set(int16_t word, _colormodel model);
    void set(int raw);

    _pixel getPixel() const { return m_pixel; }
    _colormodel getColorModel() const { return m_model; }
    uint8_t red() const { return m_pixel.bytes[1]; }
    uint8_t green() const { return m_pixel.bytes[2]; }
    uint8_t blue() const { return m_pixel.bytes[3]; }

    // Bytes convert to words; a word never converts back to bytes nor to the other word format.
    int32_t Convert(_colormodel model) const;
    // The value a pixel of the given depth stores.
    int32_t GetInBPP(int bpp) const;

private:
    _pixel m_pixel;
    _colormodel m_model;
};

// The right-hand colour is converted to the left-hand colour's model before the raw values are compared.
bool operator==(const CColor& a, const CColor& b);
bool operator!=(const CColor& a, const CColor& b);

} // namespace KavirelDLL
