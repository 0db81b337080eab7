#include <gtest/gtest.h>

#include <memory>

#include "RasterFixtures.h"
#include "core/Log.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

CGraphicsObject* counting(int w, int h, int bpp = 16, bool alpha = true) {
    auto* g = new CGraphicsObject(nullptr, CXSize(w, h), bpp);
    for (int i = 0; i < w * h; ++i) words(*g)[i] = uint16_t(i + 1);
    if (alpha) {
        char* a = new char[size_t(w) * h];
        for (int i = 0; i < w * h; ++i) a[i] = char(i + 100);
        g->AlphaChannel(a);
    }
    return g;
}

} // namespace

TEST(PixelOps, GetPixelAndPlanesOutsideAreBlack) {
    std::unique_ptr<CGraphicsObject> g(counting(4, 3));
    EXPECT_EQ(g->GetPixel(1, 0).getPixel().value, 2);
    EXPECT_EQ(g->GetPixel(1, 0).getColorModel(), COLORMODEL_RGB16);
    EXPECT_EQ(g->GetPixel(4, 0), CColor());
    EXPECT_EQ(g->GetPixel(-1, 0), CColor());
    EXPECT_EQ(g->GetPixel(0, 3), CColor());
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), 105);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(4, 0)), 0);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(0, -1)), 0);
    EXPECT_EQ(g->GetPixel(CHANNEL_RED, CXPoint(0, 0)), 0);
    // A run-length alpha is read through a decoded copy and stays compressed.
    g->Compress(COMPRESSION_RLE);
    int packedAlpha = g->GetChannelSize(3);
    EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(3, 2)), 111);
    EXPECT_EQ(g->GetChannelSize(3), packedAlpha);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    std::unique_ptr<CGraphicsObject> fifteen(counting(2, 2, 15, false));
    EXPECT_EQ(fifteen->GetPixel(0, 0).getColorModel(), COLORMODEL_RGB15);
}

TEST(PixelOps, SetPutAndFillStayInside) {
    std::unique_ptr<CGraphicsObject> g(makeObject(4, 4, 16, 0));
    g->SetPixel(1, 2, CColor(255, 255, 255));
    EXPECT_EQ(words(*g)[9], 0xFFFF);
    g->SetPixel(4, 0, CColor(255, 255, 255));
    g->SetPixel(0, -1, CColor(255, 255, 255));
    EXPECT_EQ(words(*g)[4], 0);
    CColor red(255, 0, 0);
    g->Fill(CXRect(-5, 3, 100, 100), &red);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(words(*g)[12 + x], 0xF800);
    EXPECT_EQ(words(*g)[8], 0);
    g->Fill(&red);
    EXPECT_EQ(words(*g)[0], 0xF800);
    // A weighted put: each channel old × (255 − w) / 256 + new × w / 256.
    g->putPixel(0, 0, CColor(0, 0, 255), 128, false);
    EXPECT_EQ(words(*g)[0], rgb16(15, 0, 15));
    g->putPixel(0, 0, CColor(0, 0, 255), 255, true);
    EXPECT_EQ(words(*g)[0], rgb16(0, 0, 30));
    g->putPixel(9, 9, red, 255, true);
    CColor blue(0, 0, 255);
    g->replace_color(&red, &blue);
    EXPECT_EQ(words(*g)[5], 0x001F);
    std::unique_ptr<CGraphicsObject> wide(new CGraphicsObject(nullptr, CXSize(2, 1), 32));
    CColor raw(0x11223344);
    wide->Fill(&raw);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(wide->GetDataPtr())[1], 0x11223344u);
}

TEST(PixelOps, GrayAndInvert) {
    std::unique_ptr<CGraphicsObject> g(makeObject(3, 1, 15, rgb15(30, 3, 0)));
    words(*g)[1] = 0x1234;
    g->InvertColors();
    EXPECT_EQ(words(*g)[0], rgb15(1, 28, 31));
    g->InvertColors();
    EXPECT_EQ(words(*g)[0], rgb15(30, 3, 0));
    EXPECT_EQ(words(*g)[1], 0x1234);
    g->ToGrayScale();
    EXPECT_EQ(words(*g)[0], rgb15(11, 11, 11));
    std::unique_ptr<CGraphicsObject> h(makeObject(2, 1, 16, rgb16(30, 7, 0)));
    h->InvertColors();
    EXPECT_EQ(words(*h)[0], rgb16(30, 7, 0));
    h->ToGrayScale();
    // (0 + 7 >> 1 + 30) / 3 = 11 in each field, green with six bits.
    EXPECT_EQ(words(*h)[0], rgb16(11, 22, 11));
    CGraphicsObject empty(nullptr);
    empty.ToGrayScale();
    empty.InvertColors();
}

TEST(PixelOps, OutlinePaintsTheBorder) {
    std::unique_ptr<CGraphicsObject> g(makeObject(5, 4, 16, 0, 0));
    CColor white(255, 255, 255);
    g->outline(&white, 1);
    EXPECT_EQ(words(*g)[0], 0xFFFF);
    EXPECT_EQ(words(*g)[4], 0xFFFF);
    EXPECT_EQ(words(*g)[5 + 1], 0);
    EXPECT_EQ(words(*g)[5 + 4], 0xFFFF);
    EXPECT_EQ(alphaOf(*g)[19], 255);
    EXPECT_EQ(alphaOf(*g)[6], 0);
    g->outline(&white, 100);
    EXPECT_EQ(words(*g)[6], 0xFFFF);
}

TEST(PixelOps, CropKeepsTheInsidePart) {
    std::unique_ptr<CGraphicsObject> g(counting(4, 4));
    g->crop(CXRect(-2, 1, 3, 10));
    EXPECT_EQ(g->Width(), 3);
    EXPECT_EQ(g->Height(), 3);
    EXPECT_EQ(g->GetPitch(), 3);
    EXPECT_EQ(words(*g)[0], 5);
    EXPECT_EQ(words(*g)[8], 15);
    EXPECT_EQ(alphaOf(*g)[0], 104);
    g->crop(CXRect(10, 10, 20, 20));
    EXPECT_EQ(g->Width(), 0);
}

TEST(PixelOps, ScaleSizesAndSamples) {
    std::unique_ptr<CGraphicsObject> g(counting(10, 7));
    g->Scale(0.5f, 0.5f);
    EXPECT_EQ(g->Width(), 5);
    EXPECT_EQ(g->Height(), 3);
    EXPECT_EQ(words(*g)[1], 3);  // column 2
    EXPECT_EQ(words(*g)[5], 21); // row 2
    EXPECT_EQ(alphaOf(*g)[1], 102);
    std::unique_ptr<CGraphicsObject> up(counting(2, 2));
    up->Scale(1.5f, 2.0f);
    EXPECT_EQ(up->Width(), 3);
    EXPECT_EQ(up->Height(), 4);
    EXPECT_EQ(words(*up)[0 * 3 + 1], 1);
    EXPECT_EQ(words(*up)[3 * 3 + 2], 4);
    CLogCapture log;
    up->Scale(1e9f, 1.0f);
    EXPECT_EQ(up->Width(), 3);
    up->Scale(-1.0f, 1.0f);
    EXPECT_EQ(up->Width(), 3);
    // Sides within bounds whose area is not a picture.
    up->Scale(10000.0f, 7000.0f);
    EXPECT_EQ(up->Width(), 3);
    EXPECT_EQ(up->LastError(), ERR_GRAPHICS_SIZE);
    std::unique_ptr<CGraphicsObject> h(counting(5, 5));
    h->Scale2x();
    EXPECT_EQ(h->Width(), 2);
    EXPECT_EQ(words(*h)[3], 13);
}

TEST(PixelOps, CopyIsDeepAndNamed) {
    std::unique_ptr<CGraphicsObject> g(counting(4, 4));
    g->setFileName("ROAD");
    g->SetPosition(3, 4);
    g->SetFlags(9);
    CGraphicsObject c(nullptr);
    c.Copy(g.get());
    EXPECT_STREQ(c.getFileName().GetBuffer(), "ROADcopy");
    EXPECT_NE(c.GetDataPtr(), g->GetDataPtr());
    EXPECT_EQ(words(c)[15], 16);
    EXPECT_EQ(c.GetPosition(), CXPoint(3, 4));
    EXPECT_EQ(c.GetFlags(), 9);
    EXPECT_TRUE(c.ownsData());
    words(*g)[0] = 77;
    EXPECT_EQ(words(c)[0], 1);

    g->SetClippingRect(CXRect(1, 1, 3, 4));
    CGraphicsObject clipped(nullptr);
    clipped.Copy(g.get());
    EXPECT_EQ(clipped.Width(), 2);
    EXPECT_EQ(clipped.Height(), 3);
    EXPECT_EQ(words(clipped)[0], 6);
    EXPECT_EQ(alphaOf(clipped)[5], 114);
    EXPECT_TRUE(clipped.GetClippingRect().IsEmpty());
    // A clipping rectangle of absurd size makes no copy at its size.
    {
        CLogCapture log;
        g->SetClippingRect(CXRect(0, 0, 40000, 40000));
        CGraphicsObject huge(nullptr);
        huge.Copy(g.get());
        EXPECT_EQ(huge.Width(), 0);
        EXPECT_EQ(huge.GetDataPtr(), nullptr);
        EXPECT_EQ(huge.LastError(), ERR_GRAPHICS_SIZE);
        g->SetClippingRect(CXRect(1, 1, 3, 4));
    }

    CGraphicsObject part(nullptr);
    part.Copy(g.get(), CXRect(2, 2, 6, 3));
    EXPECT_STREQ(part.getFileName().GetBuffer(), "ROAD");
    EXPECT_EQ(part.Width(), 4);
    EXPECT_EQ(part.GetPosition(), CXPoint(2, 2));
    EXPECT_EQ(words(part)[0], 11);
    EXPECT_EQ(words(part)[2], 0); // beyond the source
}

TEST(PixelOps, CopyOfAPaddedObjectOwnsAPackedBlock) {
    std::unique_ptr<CGraphicsObject> screen(new CGraphicsObject(nullptr));
    char* block = new char[16 * 3 * 2]();
    screen->SetDataPtr(block);
    screen->setSize(CXSize(10, 3));
    screen->SetBpp(16);
    screen->SetPitch(16);
    CGraphicsObject copy(nullptr);
    copy.Copy(screen.get());
    EXPECT_EQ(copy.GetPitch(), 10);
    // Drawing into the copy stays inside its block.
    std::unique_ptr<CGraphicsObject> src(makeObject(10, 3, 16, 9));
    src->redraw(&copy);
    EXPECT_EQ(words(copy)[29], 9);
}

TEST(PixelOps, SizeChangesOutliveAPackedWorkingCopy) {
    for (int op = 0; op < 3; ++op) {
        std::unique_ptr<CGraphicsObject> g(counting(10, 8));
        g->Compress(COMPRESSION_RLE);
        g->unpack();
        if (op == 0)
            g->Scale(0.5f, 0.5f);
        else if (op == 1)
            g->Scale2x();
        else
            g->crop(CXRect(2, 2, 7, 6));
        // The kept copy holds the old size: packing must not bring it back under the new one.
        g->pack(true);
        ASSERT_EQ(g->Width(), 5) << op;
        ASSERT_EQ(g->Height(), 4) << op;
        EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
        // Pixel (1, 1) is the old (2, 2) after scaling and the old (3, 3) after the crop.
        const int from = op == 2 ? 3 * 10 + 3 : 2 * 10 + 2;
        EXPECT_EQ(g->GetPixel(1, 1).getPixel().value, from + 1) << op;
        EXPECT_EQ(g->GetPixel(CHANNEL_ALPHA, CXPoint(1, 1)), uint8_t(from + 100)) << op;
    }
}

TEST(PixelOps, CopyOfACompressedObject) {
    std::unique_ptr<CGraphicsObject> g(counting(6, 3));
    g->Compress(COMPRESSION_RLE);
    CGraphicsObject c(nullptr);
    c.Copy(g.get());
    EXPECT_EQ(c.GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(words(c)[17], 18);
    EXPECT_EQ(alphaOf(c)[17], 117);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    CGraphicsObject r(nullptr);
    r.Copy(g.get(), CXRect(1, 1, 3, 2));
    EXPECT_EQ(words(r)[0], 8);
}

TEST(PixelOps, FlipsAndTheirMarks) {
    std::unique_ptr<CGraphicsObject> g(counting(3, 2));
    g->FlipH();
    EXPECT_TRUE(g->isFlippedRows());
    EXPECT_EQ(words(*g)[0], 4);
    EXPECT_EQ(alphaOf(*g)[0], 103);
    g->FlipV();
    EXPECT_EQ(words(*g)[0], 6);
    EXPECT_EQ(alphaOf(*g)[2], 103);
    g->resetFlips();
    EXPECT_FALSE(g->isFlippedRows());
    EXPECT_FALSE(g->isFlippedColumns());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(words(*g)[i], i + 1);
    // A compressed object is flipped decoded and compressed again.
    g->Compress(COMPRESSION_RLE);
    g->FlipV();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    g->DeCompressRLE2();
    EXPECT_EQ(words(*g)[0], 3);
    EXPECT_EQ(alphaOf(*g)[0], 102);
    // While unpacked, the kept copy would undo the flip: it is dropped.
    g->bringBackCompressed();
    g->unpack();
    g->FlipH();
    g->pack(true);
    g->DeCompressRLE2();
    EXPECT_EQ(words(*g)[0], 6);
}

TEST(PixelOps, ConvertBetweenFifteenAndSixteenBits) {
    char buf[2] = {char(0xFF), char(0x7F)};
    CGraphicsObject::_convert15to16(buf, 1);
    EXPECT_EQ(uint8_t(buf[0]) | uint8_t(buf[1]) << 8, 0xFF9F);
    // Odd pixel counts convert their last pixel too, and tiny images convert at all.
    std::unique_ptr<CGraphicsObject> g(makeObject(3, 1, 15, 0x7FFF));
    g->Convert(16);
    EXPECT_EQ(g->GetBpp(), 16);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(words(*g)[i], 0xFF9F);
    g->Convert(15);
    EXPECT_EQ(words(*g)[2], rgb15(31, 30, 31)); // green 60 of 63 keeps its top five bits
    std::unique_ptr<CGraphicsObject> dot(makeObject(1, 1, 15, 0x7C00));
    std::unique_ptr<CGraphicsObject> screen(makeObject(2, 2, 16, 0));
    dot->redraw(screen.get());
    EXPECT_EQ(words(*screen)[0], 0xF800);
    // Targets above 23: only a 15-bit object moves (to 16).
    std::unique_ptr<CGraphicsObject> h(makeObject(2, 2, 16, 1));
    h->Convert(32);
    EXPECT_EQ(h->GetBpp(), 16);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(24, 16), 0);
    EXPECT_EQ(CGraphicsObject::__get_convert_code(16, 16), 5);
}

TEST(PixelOps, ConvertFromThreeBytesPerPixel) {
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(2, 1), 32));
    uint8_t* b = reinterpret_cast<uint8_t*>(g->GetDataPtr());
    const uint8_t px[6] = {255, 0, 8, 0, 255, 0};
    std::memcpy(b, px, 6);
    CGraphicsObject h(nullptr, *g);
    g->Convert(16);
    EXPECT_EQ(g->GetBpp(), 16);
    EXPECT_EQ(words(*g)[0], rgb16(31, 0, 1));
    EXPECT_EQ(words(*g)[1], rgb16(0, 63, 0));
    h.Convert(15);
    EXPECT_EQ(words(h)[0], rgb15(31, 0, 1));
    EXPECT_EQ(words(h)[1], rgb15(0, 31, 0));
}

TEST(PixelOps, SplitAndJoinPlanes) {
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr, CXSize(2, 1), 24));
    const char px[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(g->GetDataPtr(), px, 6);
    g->Split();
    EXPECT_EQ(g->GetDataPtr(), nullptr);
    EXPECT_EQ(g->GetPixel(CHANNEL_BLUE, CXPoint(1, 0)), 4);
    EXPECT_EQ(g->GetPixel(CHANNEL_RED, CXPoint(0, 0)), 3);
    g->JoinChannels();
    EXPECT_EQ(g->GetBpp(), 24);
    EXPECT_EQ(std::memcmp(g->GetDataPtr(), px, 6), 0);
    EXPECT_EQ(g->GetChannelRed(), nullptr);
    // A missing plane joins as zeros.
    CGraphicsObject planes(nullptr);
    planes.setSize(CXSize(1, 1));
    planes.SetBpp(24);
    planes.RedChannel(new char[1]{9});
    planes.JoinChannels();
    EXPECT_EQ(planes.GetDataPtr()[2], 9);
    EXPECT_EQ(planes.GetDataPtr()[0], 0);

    const char four[8] = {1, 2, 3, 40, 5, 6, 7, 80};
    CGraphicsObject rgba(nullptr);
    rgba.setSize(CXSize(2, 1));
    rgba.SetBpp(32);
    rgba.SplitOn2(four, 2);
    EXPECT_EQ(rgba.GetPixel(CHANNEL_ALPHA, CXPoint(1, 0)), 80);
    std::unique_ptr<char[]> joined(rgba.Join2Channels());
    ASSERT_TRUE(joined);
    EXPECT_EQ(std::memcmp(joined.get(), four, 8), 0);
    std::unique_ptr<CGraphicsObject> sixteen(makeObject(2, 2, 16, 1));
    EXPECT_EQ(sixteen->Join2Channels(), nullptr);
}

TEST(PixelOps, DisplacementReadsOnlyInside) {
    std::unique_ptr<CGraphicsObject> g(counting(3, 3));
    std::vector<CXPoint> offsets(9, CXPoint(1, 0));
    offsets[4] = CXPoint(100, 100);
    offsets[0] = CXPoint(0, 0); // index 0 is never taken
    g->displacementFilter(offsets.data(), true, true);
    EXPECT_EQ(words(*g)[0], 0);
    EXPECT_EQ(words(*g)[1], 3);
    EXPECT_EQ(words(*g)[4], 0);
    EXPECT_EQ(words(*g)[8], 0); // index 9 is outside
    EXPECT_EQ(alphaOf(*g)[1], 102);
    // Without freeOld the caller keeps the old block.
    std::unique_ptr<CGraphicsObject> h(counting(2, 1, 16, false));
    std::unique_ptr<char[]> old(h->GetDataPtr());
    std::vector<CXPoint> none(2, CXPoint(0, 0));
    h->displacementFilter(none.data(), false, false);
    EXPECT_NE(h->GetDataPtr(), old.get());
    EXPECT_EQ(reinterpret_cast<uint16_t*>(old.get())[1], 2);
}

TEST(PixelOps, MergeAlphaAndItsRestore) {
    TestWindow window;
    RecordingScreen screen(&window);
    std::unique_ptr<CGraphicsObject> g(makeObject(4, 4, 16, 0, 255));
    g->SetCanvas(&screen);
    g->SetPosition(10, 10);
    std::unique_ptr<CGraphicsObject> hole(makeObject(2, 2, 16, 0, 0));
    g->mergeAlpha(CXPoint(-1, 3), hole.get());
    EXPECT_EQ(alphaOf(*g)[12], 0);
    EXPECT_EQ(alphaOf(*g)[13], 255);
    ASSERT_FALSE(screen.rects.empty());
    EXPECT_EQ(screen.rects.back(), CXRect(10, 13, 11, 14));
    g->mergeAlpha(CXPoint(2, 2), hole.get());
    EXPECT_EQ(alphaOf(*g)[12], 255);
    EXPECT_EQ(alphaOf(*g)[10], 0);
    EXPECT_EQ(alphaOf(*g)[15], 0);
    g->mergeAlpha(CXPoint(4, 0), hole.get());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(alphaOf(*g)[i], 255);
    g->SetCanvas(nullptr);
}

TEST(PixelOps, MergeAlpha2TakesTheOtherWhereOpaque) {
    std::unique_ptr<CGraphicsObject> g(makeObject(3, 3, 16, 0, 0));
    alphaOf(*g)[4] = 1;
    std::unique_ptr<CGraphicsObject> other(makeObject(2, 2, 16, 0, 77));
    g->mergeAlpha2(CXPoint(1, 1), other.get(), false);
    EXPECT_EQ(alphaOf(*g)[4], 77);
    EXPECT_EQ(alphaOf(*g)[5], 0);
    g->mergeAlpha2(CXPoint(2, 2), other.get(), true);
    EXPECT_EQ(alphaOf(*g)[8], 77);
    EXPECT_EQ(alphaOf(*g)[0], 255);
}

TEST(PixelOps, FloodFillRecordsSpans) {
    // 5 × 4, pixels non-zero except a wall in column 2 rows 0-2.
    std::unique_ptr<CGraphicsObject> g(makeObject(5, 4, 16, 1));
    for (int y = 0; y < 3; ++y) words(*g)[y * 5 + 2] = 0;
    std::vector<uint16_t> buffer(20, 0);
    CColor white(255, 255, 255);
    CXRect box = g->PrepareFloodFill(CXPoint(0, 0), white, buffer.data(), 0);
    EXPECT_EQ(box, CXRect(0, 0, 5, 4));
    int filled = 0, spanned = 0;
    for (uint16_t v : buffer) filled += v == 0xFFFF;
    EXPECT_EQ(filled, 17);
    for (int i = 0; i < g->getFFEnterances(); ++i) spanned += g->getFFArray()[i].length;
    EXPECT_EQ(spanned, 17);
    std::vector<uint16_t> again(20, 0);
    g->FloodFill(white, again.data());
    EXPECT_EQ(again, buffer);
    // A seed on a zero pixel, or outside, fills nothing.
    std::vector<uint16_t> none(20, 0);
    EXPECT_TRUE(g->PrepareFloodFill(CXPoint(2, 0), white, none.data(), 0).IsEmpty());
    EXPECT_TRUE(g->PrepareFloodFill(CXPoint(9, 0), white, none.data(), 0).IsEmpty());
    EXPECT_EQ(g->getFFEnterances(), 0);
    g->PrepareFloodFill(CXPoint(0, 0), white, none.data(), 1);
    EXPECT_EQ(g->getFFEnterances(), 1);
}
