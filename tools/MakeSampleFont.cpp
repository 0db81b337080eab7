// Makes the sample game's fonts of the menu's own lettering:
//   MakeSampleFont <data folder>
// writes FONTY\MENU.ANN and FONTY\MENUB.ANN (a frame per character of code page 1250 that has a glyph, named
// by it, with a blank border around the 6 x 13 glyph; the bold one with every stroke doubled to the right)
// with the engine's animation writer, and makes them into FONTY\MENU.FNT and FONTY\MENUB.FNT with the
// engine's own font maker, without kerning.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "main/MenuFont.h"
#include "media/anim/Animo.h"
#include "media/text/SimpleFont6.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

bool hasGlyph(unsigned char c) {
    const uint8_t* rows = menuGlyph(c);
    for (int y = 0; y < kMenuGlyphHeight; ++y)
        if (rows[y]) return true;
    return c == ' ';
}

// A frame per character; bold doubles every stroke one pixel to the right.
bool writeAnimation(const std::string& path, bool bold) {
    const int width = kMenuGlyphWidth + (bold ? 3 : 2), height = kMenuGlyphHeight + 2;
    CAnimo letters(nullptr);
    std::vector<unsigned char> characters;
    for (int c = 0x20; c < 0x100; ++c) {
        if (!hasGlyph(static_cast<unsigned char>(c))) continue;
        characters.push_back(static_cast<unsigned char>(c));
        CGraphicsObject image(nullptr, CXSize(width, height), 16);
        auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        auto* alpha = new char[size_t(width * height)]();
        const uint8_t* rows = menuGlyph(static_cast<unsigned char>(c));
        for (int y = 0; y < kMenuGlyphHeight; ++y) {
            const unsigned bits = bold ? rows[y] | rows[y] >> 1 : rows[y];
            for (int x = 0; x < width - 2; ++x)
                if (bits & (0x80u >> x)) {
                    pixels[(y + 1) * width + x + 1] = 0xFFFF;
                    alpha[(y + 1) * width + x + 1] = char(255);
                }
        }
        image.AlphaChannel(alpha);
        letters.AddFrame(&image);
    }
    _animoEvent event;
    event.setName("LITERY");
    event.frames = uint16_t(characters.size());
    letters.AddEvent(event);
    for (size_t i = 0; i < characters.size(); ++i) {
        letters.GetEventInfo(0)->images[i] = uint16_t(i);
        _animoFrame* frame = letters.GetFrameInfo(0, int(i));
        frame->nameField = 1;
        frame->name = std::string(1, char(characters[i])).c_str();
    }
    letters.SetBpp(16);
    letters.setDescription(CXString(bold ? "Menu, pogrubione" : "Menu"));
    return letters.Save(CXString(CPlatformFiles::toEngineName(path).c_str()), COMPRESSION_RLE) == 0;
}

// No kerning applies after a space or a style or colour code, so a letter there stands 2 pixels after the one
// before; these fonts space every pair so, and a title that changes weight stands as evenly as the menu's own
// lettering. The kerning that the maker scans would move some pairs apart ("r" then "a" by 3 more pixels: their
// facing columns share no row) and set most others a pixel closer.
class MenuLettering : public CSimpleFont6 {
public:
    MenuLettering() : CSimpleFont6(nullptr) {}
    void withoutKerning() { std::fill(m_kerning.begin(), m_kerning.end(), int8_t(0)); }
};

bool makeFont(const std::string& folder, const char* name, bool bold) {
    const std::string animation = folder + "/" + name + ".ANN", fnt = folder + "/" + name + ".FNT";
    if (!writeAnimation(animation, bold)) return false;
    MenuLettering font;
    if (font.create(CXString(CPlatformFiles::toEngineName(animation).c_str()),
                    CXString(CPlatformFiles::toEngineName(fnt).c_str())) != 0)
        return false;
    font.withoutKerning();
    std::vector<uint8_t> bytes;
    if (!font.save(bytes)) return false;
    std::ofstream out(fnt, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <data folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/FONTY";
    std::filesystem::create_directories(folder);
    return makeFont(folder, "MENU", false) && makeFont(folder, "MENUB", true) ? 0 : 1;
}
