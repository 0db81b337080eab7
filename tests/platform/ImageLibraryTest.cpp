#include "platform/ImageLibrary.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace KavirelDLL;

namespace {

void le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 24-bit BMP, stored bottom up as BMP files are; pixels given top row first as RGB triples.
std::string bmp(int w, int h, const std::vector<uint8_t>& rgbTopFirst) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::string out = "BM";
    le(out, 54 + rowBytes * h, 4);
    le(out, 0, 4);
    le(out, 54, 4);
    le(out, 40, 4);
    le(out, static_cast<uint32_t>(w), 4);
    le(out, static_cast<uint32_t>(h), 4);
    le(out, 1, 2);
    le(out, 24, 2);
    le(out, 0, 4);
    le(out, static_cast<uint32_t>(rowBytes * h), 4);
    le(out, 2835, 4);
    le(out, 2835, 4);
    le(out, 0, 4);
    le(out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgbTopFirst[static_cast<size_t>(y * w + x) * 3];
            row.push_back(static_cast<char>(p[2]));
            row.push_back(static_cast<char>(p[1]));
            row.push_back(static_cast<char>(p[0]));
        }
        row.resize(static_cast<size_t>(rowBytes), '\0');
        out += row;
    }
    return out;
}

struct CRunningLibrary {
    CRunningLibrary() { CImageLibrary::start(); }
    ~CRunningLibrary() { CImageLibrary::stop(); }
};

} // namespace

TEST(ImageLibrary, APictureReadsAsRgbaTopRowFirst) {
    CTempFolder folder("icons");
    folder.put("Ikona.bmp", bmp(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    std::vector<uint8_t> rgba;
    int32_t w = 0, h = 0;
    // Only while the library runs.
    EXPECT_FALSE(CImageLibrary::loadRgba((folder.path() / "Ikona.bmp").string(), rgba, w, h));
    CRunningLibrary library;
    ASSERT_TRUE(CImageLibrary::loadRgba((folder.path() / "IKONA.BMP").string(), rgba, w, h));
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 2);
    const std::vector<uint8_t> expected = {255, 0, 0,   255, 0,   255, 0,   255,
                                           0,   0, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(rgba, expected);
}

TEST(ImageLibrary, WhatDoesNotReadOrIsTooLargeGivesNothing) {
    CTempFolder folder("icons_bad");
    folder.put("zle.ico", "not a picture at all");
    folder.put("duzy.bmp", bmp(40, 1, std::vector<uint8_t>(120, 7)));
    std::string truncated = bmp(4, 4, std::vector<uint8_t>(48, 9));
    truncated.resize(60);
    folder.put("krotki.bmp", truncated);
    CRunningLibrary library;
    std::vector<uint8_t> rgba{1, 2, 3};
    int32_t w = 9, h = 9;
    for (const char* name : {"zle.ico", "brak.ico", "krotki.bmp"}) {
        EXPECT_FALSE(CImageLibrary::loadRgba((folder.path() / name).string(), rgba, w, h)) << name;
        EXPECT_TRUE(rgba.empty());
        EXPECT_EQ(w, 0);
    }
    EXPECT_FALSE(CImageLibrary::loadRgba(folder.str(), rgba, w, h));
    EXPECT_FALSE(CImageLibrary::loadRgba((folder.path() / "duzy.bmp").string(), rgba, w, h, 32));
    EXPECT_TRUE(CImageLibrary::loadRgba((folder.path() / "duzy.bmp").string(), rgba, w, h, 40));
}
