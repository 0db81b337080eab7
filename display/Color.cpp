#include "display/Color.h"

namespace KavirelDLL {

namespace {

int32_t wordOf(int v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

} // namespace

CColor::CColor() : m_model(COLORMODEL_NONE) { m_pixel.value = 0; }

CColor::CColor(uint8_t r, uint8_t g, uint8_t b) { Set(r, g, b); }

CColor::CColor(uint8_t r, uint8_t g, uint8_t b, uint8_t x) { Set(r, g, b, x); }

CColor::CColor(int raw) { set(raw); }

CColor::CColor(_pixel raw) : m_pixel(raw), m_model(COLORMODEL_RAW) {}

CColor::CColor(int16_t word, _colormodel model) { Set(word, model); }

CColor::CColor(const CColor& other) : CXObject(other), m_pixel(other.m_pixel), m_model(other.m_model) {}

CColor& CColor::operator=(const CColor& other) {
    CXObject::operator=(other);
    m_pixel = other.m_pixel;
    m_model = other.m_model;
    return *this;
}

void CColor::Set(uint8_t r, uint8_t g, uint8_t b) {
    m_pixel.value = 0;
    m_pixel.bytes[1] = r;
    m_pixel.bytes[2] = g;
    m_pixel.bytes[3] = b;
    m_model = COLORMODEL_RGB;
}

void CColor::Set(uint8_t r, uint8_t g, uint8_t b, uint8_t x) {
    Set(r, g, b);
    m_pixel.bytes[0] = x;
    m_model = COLORMODEL_RAW;
}

void CColor::Set(int16_t word, _colormodel model) {
    m_pixel.value = word;
    m_model = model;
}

void CColor::set(int raw) {
    m_pixel.value = raw;
    m_model = COLORMODEL_RAW;
}

int32_t CColor::Convert(_colormodel model) const {
    if (model == m_model) return m_pixel.value;
    bool bytes = m_model == COLORMODEL_RGB || m_model == COLORMODEL_RAW;
    if (!bytes) return m_pixel.value;
    int r = red(), g = green(), b = blue();
    if (model == COLORMODEL_RGB15) return wordOf((((r >> 3) << 5) | (g >> 3)) << 5 | (b >> 3));
    if (model == COLORMODEL_RGB16) return wordOf((((r >> 3) << 6) | (g >> 2)) << 5 | (b >> 3));
    return m_pixel.value;
}

int32_t CColor::GetInBPP(int bpp) const {
    switch (bpp) {
    case 15:
        return Convert(COLORMODEL_RGB15);
    case 16:
        if (m_model == COLORMODEL_RGB || m_model == COLORMODEL_RAW) return Convert(COLORMODEL_RGB16);
        return m_pixel.value;
    case 24:
    case 32:
        return m_pixel.value;
    default:
        return bpp;
    }
}

bool operator==(const CColor& a, const CColor& b) {
    if (a.getColorModel() == b.getColorModel()) return a.getPixel().value == b.getPixel().value;
    return a.getPixel().value == b.Convert(a.getColorModel());
}

bool operator!=(const CColor& a, const CColor& b) { return !(a == b); }

} // namespace KavirelDLL
