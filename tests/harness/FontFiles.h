#pragma once
// Small bitmap fonts of known glyphs, as FNT bytes and as the animations fonts are made of; shared by the
// text tests, the fuzz seeds and the text benchmark.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "display/GraphicsObject.h"
#include "harness/ImageFiles.h"
#include "media/anim/Animo.h"

namespace KavirelTest {

// One 16-bit pixel of a picture.
inline uint16_t at(KavirelDLL::CGraphicsObject& g, int x, int y) {
    return reinterpret_cast<uint16_t*>(g.GetDataPtr())[y * g.Width() + x];
}

// The columns of row y that are not 0, as a string of '#' and '.'.
inline std::string row(KavirelDLL::CGraphicsObject& g, int y, int from, int to) {
    std::string out;
    for (int x = from; x < to; ++x) out += at(g, x, y) ? '#' : '.';
    return out;
}

// A letter's cell, top row first: '#' ink (alpha 255), '+' faint ink (alpha 21), '-' fainter (alpha 20),
// '.' blank.
struct FntGlyph {
    unsigned char letter = 0;
    std::vector<std::string> rows;
};

inline uint8_t glyphAlpha(char c) { return c == '#' ? 255 : c == '+' ? 21 : c == '-' ? 20 : 0; }

struct FntFont {
    std::vector<FntGlyph> glyphs;
    // (previous, next) → pixels the next letter moves left.
    std::map<std::pair<unsigned char, unsigned char>, int> kerning;
    uint16_t ink = 0xFFFF;
    int cell() const { return glyphs.empty() ? 0 : int(glyphs[0].rows[0].size()); }
    int height() const { return glyphs.empty() ? 0 : int(glyphs[0].rows.size()); }
};

// A full-height block of ink with left and right blank columns.
inline FntGlyph blockGlyph(unsigned char letter, int cell, int height, int left, int right) {
    FntGlyph g{letter, {}};
    const std::string row = std::string(size_t(left), '.') + std::string(size_t(cell - left - right), '#') +
                            std::string(size_t(right), '.');
    g.rows.assign(size_t(height), row);
    return g;
}

// "H" and "J" of 8 x 8 cells with a blank border: H has full-height stems, J a hook at the bottom left.
inline FntGlyph letterH() {
    return {'H',
            {"........", ".#....#.", ".#....#.", ".######.", ".#....#.", ".#....#.", ".#....#.", "........"}};
}
inline FntGlyph letterJ() {
    return {'J',
            {"........", "......#.", "......#.", "......#.", "......#.", ".#....#.", "..####..", "........"}};
}

inline int blankLeft(const FntGlyph& g) {
    const int w = int(g.rows[0].size());
    for (int x = 0; x < w; ++x)
        for (const std::string& r : g.rows)
            if (glyphAlpha(r[size_t(x)])) return x;
    return w;
}

inline int blankRight(const FntGlyph& g) {
    const int w = int(g.rows[0].size());
    if (blankLeft(g) == w) return 0;
    for (int x = 0; x < w; ++x)
        for (const std::string& r : g.rows)
            if (glyphAlpha(r[size_t(w - 1 - x)])) return x;
    return 0;
}

// The FNT file of the font; bpp is what the header says.
inline std::string fntBytes(const FntFont& f, int bpp = 16) {
    const int n = int(f.glyphs.size()), cw = f.cell(), h = f.height(), w = n * cw;
    Bytes b;
    b.raw(std::string("FNT\0", 4)).le32(w).le32(h).le32(bpp).le32(n);
    for (const FntGlyph& g : f.glyphs) b.u8(g.letter);
    for (const FntGlyph& a : f.glyphs)
        for (const FntGlyph& c : f.glyphs) {
            auto k = f.kerning.find({a.letter, c.letter});
            b.u8(k == f.kerning.end() ? 0 : k->second & 0xFF);
        }
    for (const FntGlyph& g : f.glyphs) b.u8(blankLeft(g));
    for (const FntGlyph& g : f.glyphs) b.u8(blankRight(g));
    for (int y = 0; y < h; ++y)
        for (const FntGlyph& g : f.glyphs)
            for (char c : g.rows[size_t(y)]) b.le16(glyphAlpha(c) ? f.ink : 0);
    for (int y = 0; y < h; ++y)
        for (const FntGlyph& g : f.glyphs)
            for (char c : g.rows[size_t(y)]) b.u8(glyphAlpha(c));
    return b.s;
}

// The animation a font is made of: a frame per glyph named by its letter, one event over them in order.
inline std::string fontAnimationBytes(const std::vector<FntGlyph>& glyphs, uint16_t ink = 0xFFFF) {
    using namespace KavirelDLL;
    CAnimo animation(nullptr);
    for (const FntGlyph& g : glyphs) {
        const int w = int(g.rows[0].size()), h = int(g.rows.size());
        CGraphicsObject image(nullptr, CXSize(w, h), 16);
        auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        auto* alpha = new char[size_t(w * h)];
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t a = glyphAlpha(g.rows[size_t(y)][size_t(x)]);
                pixels[y * w + x] = a ? ink : 0;
                alpha[y * w + x] = char(a);
            }
        image.AlphaChannel(alpha);
        animation.AddFrame(&image);
    }
    _animoEvent letters;
    letters.setName("LITERY");
    letters.frames = uint16_t(glyphs.size());
    animation.AddEvent(letters);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        animation.GetEventInfo(0)->images[i] = uint16_t(i);
        _animoFrame* frame = animation.GetFrameInfo(0, int(i));
        frame->nameField = 1;
        frame->name = std::string(1, char(glyphs[i].letter)).c_str();
    }
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace KavirelTest
