#include <gtest/gtest.h>

#include "display/Color.h"

using namespace KavirelDLL;

TEST(Color, BytesConvertToBothWordFormats) {
    CColor c(255, 128, 8);
    EXPECT_EQ(c.Convert(COLORMODEL_RGB15), (31 << 10) | (16 << 5) | 1);
    // A red of 31 sets bit 15 of a 5-6-5 word: words are kept sign-extended.
    EXPECT_EQ(c.Convert(COLORMODEL_RGB16), int32_t(int16_t(uint16_t((31 << 11) | (32 << 5) | 1))));
    EXPECT_EQ(c.GetInBPP(15), c.Convert(COLORMODEL_RGB15));
    EXPECT_EQ(c.GetInBPP(16), c.Convert(COLORMODEL_RGB16));
    EXPECT_EQ(c.GetInBPP(32), c.getPixel().value);
    EXPECT_EQ(c.GetInBPP(8), 8);
}

TEST(Color, ByteViewPutsTheFourthComponentFirst) {
    CColor c(1, 2, 3, 4);
    EXPECT_EQ(c.getColorModel(), COLORMODEL_RAW);
    EXPECT_EQ(uint32_t(c.getPixel().value), 0x03020104u);
    EXPECT_EQ(CColor(0x01020304).getColorModel(), COLORMODEL_RAW);
}

TEST(Color, WordsNeverConvertBack) {
    CColor w(int16_t(0x7C00), COLORMODEL_RGB15);
    EXPECT_EQ(w.Convert(COLORMODEL_RGB16), 0x7C00);
    EXPECT_EQ(w.Convert(COLORMODEL_RGB), 0x7C00);
    // At 16 bits a 15-bit word is taken as it is.
    EXPECT_EQ(w.GetInBPP(16), 0x7C00);
    EXPECT_EQ(CColor(int16_t(0xF800), COLORMODEL_RGB16).getPixel().value, int32_t(0xFFFFF800));
}

TEST(Color, EqualityConvertsTheRightHandSide) {
    EXPECT_TRUE(CColor(int16_t(0x7C00), COLORMODEL_RGB15) == CColor(255, 0, 0));
    EXPECT_FALSE(CColor(255, 0, 0) == CColor(int16_t(0x7C00), COLORMODEL_RGB15));
    EXPECT_TRUE(CColor(255, 0, 0) != CColor(int16_t(0x7C00), COLORMODEL_RGB15));
    EXPECT_TRUE(CColor(10, 20, 30) == CColor(10, 20, 30));
    CColor copy = CColor(9, 9, 9);
    EXPECT_TRUE(copy == CColor(9, 9, 9));
}
