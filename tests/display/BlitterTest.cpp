#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "RasterFixtures.h"
#include "display/Surface.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Draws src (already placed) onto dst and answers dst's pixel at (x, y).
uint16_t drawnAt(CGraphicsObject& src, CGraphicsObject& dst, int x = 0, int y = 0) {
    src.redraw(&dst);
    return words(dst)[y * dst.Width() + x];
}

class SimdOff {
public:
    SimdOff() : m_was(CGraphicsObject::isSimdBlending()) { CGraphicsObject::setSimdBlending(false); }
    ~SimdOff() { CGraphicsObject::setSimdBlending(m_was); }

private:
    bool m_was;
};

} // namespace

TEST(BlendTables, HoldEveryProductAndLane) {
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr));
    const int16_t* mul = CGraphicsObject::__get_mul_array();
    const uint64_t* mmx = CGraphicsObject::__get_mmx_array();
    ASSERT_NE(mul, nullptr);
    ASSERT_NE(mmx, nullptr);
    for (int d = -256; d < 256; ++d)
        for (int a = 0; a < 256; ++a) ASSERT_EQ(mul[(d + 256) * 256 + a], int16_t(d * a));
    EXPECT_EQ(mmx[0x5A], 0x005A005A005A005Aull);
    // The table form of the blend and the routines agree on every channel value and weight.
    for (int s = 0; s < 64; ++s)
        for (int d = 0; d < 64; ++d)
            for (int a = 0; a < 256; ++a) {
                int table = ((d * 256 + mul[(s - d + 256) * 256 + a]) & 0xFFFF) >> 8;
                ASSERT_EQ(table, d + int(std::floor((s - d) * a / 256.0))) << s << " " << d << " " << a;
            }
}

TEST(BlendTables, ReleasedTablesComeBackWithTheNextObject) {
    CGraphicsObject::ReleaseGraphics();
    EXPECT_EQ(CGraphicsObject::__get_mul_array(), nullptr);
    CGraphicsObject g(nullptr);
    EXPECT_NE(CGraphicsObject::__get_mul_array(), nullptr);
    EXPECT_NE(CGraphicsObject::__get_mmx_array(), nullptr);
}

TEST(Blitters, FifteenBitAlphaAddsOne) {
    for (bool simd : {false, true}) {
        CGraphicsObject::setSimdBlending(simd);
        std::unique_ptr<CGraphicsObject> src(makeObject(9, 1, 15, 0, 128)), dst(makeObject(9, 1, 15, 0));
        EXPECT_EQ(drawnAt(*src, *dst, 8), 0x0421);
        // Over (1, 1, 1): 1 + floor(30 × 128 / 256) + 1 = 17.
        std::unique_ptr<CGraphicsObject> white(makeObject(9, 1, 15, 0x7FFF, 128));
        EXPECT_EQ(drawnAt(*white, *dst), rgb15(17, 17, 17));
        // Alpha 0 leaves, 255 copies the word as it is.
        std::unique_ptr<CGraphicsObject> opaque(makeObject(9, 1, 15, 0x1234, 255)),
            clear(makeObject(9, 1, 15, 0x1234, 0));
        EXPECT_EQ(drawnAt(*clear, *dst), rgb15(17, 17, 17));
        EXPECT_EQ(drawnAt(*opaque, *dst), 0x1234);
    }
    CGraphicsObject::setSimdBlending(true);
}

TEST(Blitters, SixteenBitAlphaHasThresholdsAndNoRounding) {
    for (bool simd : {false, true}) {
        CGraphicsObject::setSimdBlending(simd);
        std::unique_ptr<CGraphicsObject> dst(makeObject(8, 1, 16, 0));
        std::unique_ptr<CGraphicsObject> black(makeObject(8, 1, 16, 0, 128));
        EXPECT_EQ(drawnAt(*black, *dst), 0);
        std::unique_ptr<CGraphicsObject> white(makeObject(8, 1, 16, 0xFFFF, 128));
        EXPECT_EQ(drawnAt(*white, *dst), rgb16(15, 31, 15));
        std::unique_ptr<CGraphicsObject> seven(makeObject(8, 1, 16, 0xFFFF, 7));
        EXPECT_EQ(drawnAt(*seven, *dst), rgb16(15, 31, 15));
        std::unique_ptr<CGraphicsObject> high(makeObject(8, 1, 16, 0x8421, 248));
        EXPECT_EQ(drawnAt(*high, *dst), 0x8421);
    }
    CGraphicsObject::setSimdBlending(true);
}

TEST(Blitters, OpacityBlendsAndTheAlphaProduct) {
    std::unique_ptr<CGraphicsObject> dst(makeObject(4, 1, 15, 0));
    std::unique_ptr<CGraphicsObject> src(makeObject(4, 1, 15, 0x7FFF));
    src->SetOpacity(128);
    EXPECT_EQ(drawnAt(*src, *dst), rgb15(15, 15, 15));
    // Opacity 0 draws nothing, and opacity 1 over alpha 255 makes a weight of 0.
    std::unique_ptr<CGraphicsObject> dst16(makeObject(4, 1, 16, 0x1111));
    std::unique_ptr<CGraphicsObject> none(makeObject(4, 1, 16, 0xFFFF));
    none->SetOpacity(0);
    EXPECT_EQ(drawnAt(*none, *dst16), 0x1111);
    std::unique_ptr<CGraphicsObject> faint(makeObject(4, 1, 16, 0xFFFF, 255));
    faint->SetOpacity(1);
    EXPECT_EQ(drawnAt(*faint, *dst16), 0x1111);
    // e = (200 × 100) >> 8 = 78: each channel 31 × 78 / 256 → 9, green 63 × 78 / 256 → 19.
    std::unique_ptr<CGraphicsObject> mixed(makeObject(4, 1, 16, 0xFFFF, 100));
    mixed->SetOpacity(200);
    std::unique_ptr<CGraphicsObject> black(makeObject(4, 1, 16, 0));
    EXPECT_EQ(drawnAt(*mixed, *black), rgb16(9, 19, 9));
}

TEST(Blitters, DestinationAlphaTakesCopyToCanvas) {
    std::unique_ptr<CGraphicsObject> dst(makeObject(4, 4, 16, 0, 0));
    std::unique_ptr<CGraphicsObject> src(makeObject(2, 2, 16, 0x1234));
    src->SetPosition(1, 1);
    src->redraw(dst.get());
    EXPECT_EQ(words(*dst)[5], 0x1234);
    EXPECT_EQ(alphaOf(*dst)[5], 255);
    EXPECT_EQ(alphaOf(*dst)[10], 255);
    EXPECT_EQ(alphaOf(*dst)[0], 0);
    EXPECT_EQ(alphaOf(*dst)[15], 0);

    // With source alpha: a transparent destination takes the source alpha; otherwise blend + 1 and sum.
    std::unique_ptr<CGraphicsObject> layered(makeObject(2, 1, 16, 0, 0));
    alphaOf(*layered)[1] = 100;
    std::unique_ptr<CGraphicsObject> top(makeObject(2, 1, 16, 0xFFFF, 128));
    top->redraw(layered.get());
    EXPECT_EQ(words(*layered)[0], 0xFFFF);
    EXPECT_EQ(alphaOf(*layered)[0], 128);
    EXPECT_EQ(words(*layered)[1], rgb16(16, 32, 16));
    EXPECT_EQ(alphaOf(*layered)[1], 228);
    top->redraw(layered.get());
    EXPECT_EQ(alphaOf(*layered)[1], 255);
}

TEST(Blitters, AlphaAsMaskCopiesWhereverAlphaIsSet) {
    std::unique_ptr<CGraphicsObject> dst(makeObject(3, 1, 16, 0x0F0F));
    std::unique_ptr<CGraphicsObject> src(makeObject(3, 1, 16, 0x1234, 0));
    alphaOf(*src)[1] = 1;
    src->setAlphaAsMask(true);
    src->redraw(dst.get());
    EXPECT_EQ(words(*dst)[0], 0x0F0F);
    EXPECT_EQ(words(*dst)[1], 0x1234);
}

TEST(Blitters, ThirtyTwoBitDestinationsGoThroughTheTable) {
    CSurface::prepareBppConversionTable(32);
    uint32_t* table = CSurface::getBppConversionTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0xFFFF], 0xF8FCF8u);
    std::unique_ptr<CGraphicsObject> dst(new CGraphicsObject(nullptr, CXSize(2, 1), 32));
    std::unique_ptr<CGraphicsObject> src(makeObject(2, 1, 16, 0xFFFF));
    src->redraw(dst.get());
    auto* d = reinterpret_cast<uint32_t*>(dst->GetDataPtr());
    EXPECT_EQ(d[0], 0xF8FCF8u);

    std::memset(d, 0, 8);
    std::unique_ptr<CGraphicsObject> half(makeObject(2, 1, 16, 0xFFFF, 128));
    half->redraw(dst.get());
    EXPECT_EQ(d[0], 0x787878u);
    // A 15-bit source is widened to 16 bits for a 32-bit display.
    std::unique_ptr<CGraphicsObject> fifteen(makeObject(2, 1, 15, 0x7FFF));
    fifteen->redraw(dst.get());
    EXPECT_EQ(fifteen->GetBpp(), 16);
    EXPECT_EQ(d[1], table[0xFF9F]);
    std::unique_ptr<CGraphicsObject> fade(makeObject(2, 1, 16, 0));
    fade->SetOpacity(128);
    fade->redraw(dst.get());
    // The destination reads back as (31, 30, 31) in five bits; half of it is (15, 15, 15).
    EXPECT_EQ(d[0], 0x787878u);
    CSurface::releaseBppConversionTable();
    // Without a table nothing is drawn.
    std::memset(d, 0, 8);
    src->redraw(dst.get());
    EXPECT_EQ(d[0], 0u);
}

TEST(Blitters, TwentyFourBitDestinationsDrawNothing) {
    std::unique_ptr<CGraphicsObject> dst(new CGraphicsObject(nullptr, CXSize(2, 1), 24));
    std::unique_ptr<CGraphicsObject> src(makeObject(2, 1, 16, 0xFFFF));
    src->redraw(dst.get());
    EXPECT_EQ(dst->GetDataPtr()[0], 0);
    _canvas s, d;
    s.bpp = 16;
    d.bpp = 24;
    EXPECT_TRUE(CGraphicsObject::__copy(&s, &d));
    EXPECT_FALSE(CGraphicsObject::__copy_alpha(&s, &d));
    EXPECT_FALSE(CGraphicsObject::__copy_blend(&s, &d, 10));
    s.bpp = d.bpp = 8;
    EXPECT_FALSE(CGraphicsObject::__copy(&s, &d));
    EXPECT_TRUE(CGraphicsObject::__copy_alpha(&s, &d));
}

TEST(Blitters, EveryEdgeIsClippedToTheDestination) {
    const int W = 6, H = 5;
    for (int x : {-3, -1, 0, 2, 4, 5, 6, 7}) {
        for (int y : {-3, 0, 3, 4, 5}) {
            std::unique_ptr<CGraphicsObject> dst(makeObject(W, H, 16, 0, 0));
            std::unique_ptr<CGraphicsObject> src(makeObject(3, 3, 16, 0xABCD, 200));
            src->SetPosition(x, y);
            for (int opacity : {255, 100}) {
                src->SetOpacity(uint8_t(opacity));
                src->redraw(dst.get());
            }
            std::unique_ptr<CGraphicsObject> plain(makeObject(W, H, 16, 0));
            src->SetOpacity(255);
            src->redraw(plain.get());
            for (int py = 0; py < H; ++py)
                for (int px = 0; px < W; ++px) {
                    bool inside = px >= x && px < x + 3 && py >= y && py < y + 3;
                    EXPECT_EQ(words(*plain)[py * W + px] != 0, inside)
                        << x << "," << y << " at " << px << "," << py;
                    EXPECT_EQ(alphaOf(*dst)[py * W + px] != 0, inside);
                }
        }
    }
}

TEST(Blitters, ClipRegionsLargerThanTheSourceReadOnlyTheSource) {
    std::unique_ptr<CGraphicsObject> dst(makeObject(10, 10, 16, 0));
    std::unique_ptr<CGraphicsObject> src(makeObject(2, 2, 16, 0x1111));
    src->SetPosition(4, 4);
    src->SetClippingRect(CXRect(-5, -5, 50, 50));
    src->redraw(dst.get());
    int set = 0;
    for (int i = 0; i < 100; ++i) set += words(*dst)[i] != 0;
    EXPECT_EQ(set, 4);
    // A viewport beyond the source likewise.
    src->SetClippingRect(CXRect());
    src->SetViewport(CXRect(1, 1, 40, 40));
    std::unique_ptr<CGraphicsObject> dst2(makeObject(10, 10, 16, 0));
    src->redraw(dst2.get());
    set = 0;
    for (int i = 0; i < 100; ++i) set += words(*dst2)[i] != 0;
    EXPECT_EQ(set, 1);
    EXPECT_EQ(words(*dst2)[4 * 10 + 4], 0x1111);
}

TEST(Blitters, ClippingHidesInPlaceAndViewportsShowAWindow) {
    std::unique_ptr<CGraphicsObject> src(new CGraphicsObject(nullptr, CXSize(4, 4), 16));
    for (int i = 0; i < 16; ++i) words(*src)[i] = uint16_t(i + 1);
    src->SetPosition(2, 1);
    src->SetClippingRect(CXRect(1, 1, 3, 2));
    std::unique_ptr<CGraphicsObject> a(makeObject(8, 8, 16, 0));
    src->redraw(a.get());
    EXPECT_EQ(words(*a)[2 * 8 + 3], 6);
    EXPECT_EQ(words(*a)[2 * 8 + 4], 7);
    EXPECT_EQ(words(*a)[2 * 8 + 5], 0);
    EXPECT_EQ(words(*a)[1 * 8 + 2], 0);

    src->SetClippingRect(CXRect());
    src->SetViewport(CXRect(2, 2, 4, 4));
    std::unique_ptr<CGraphicsObject> b(makeObject(8, 8, 16, 0));
    src->redraw(b.get());
    EXPECT_EQ(words(*b)[1 * 8 + 2], 11);
    EXPECT_EQ(words(*b)[2 * 8 + 3], 16);
    EXPECT_EQ(words(*b)[3 * 8 + 2], 0);

    // Both: the viewport's window, with the clipping rectangle hiding its first column.
    src->SetClippingRect(CXRect(1, 0, 2, 2));
    std::unique_ptr<CGraphicsObject> c(makeObject(8, 8, 16, 0));
    src->redraw(c.get());
    EXPECT_EQ(words(*c)[1 * 8 + 2], 0);
    EXPECT_EQ(words(*c)[1 * 8 + 3], 12);
    EXPECT_EQ(words(*c)[2 * 8 + 3], 16);
}

TEST(Blitters, CrossedRegionsAreRefused) {
    std::unique_ptr<CGraphicsObject> src(makeObject(4, 4, 16, 1)), dst(makeObject(4, 4, 16, 0));
    _canvas s, d;
    s.data = src->GetDataPtr();
    s.bpp = d.bpp = 16;
    s.width = s.height = d.width = d.height = 4;
    d.data = dst->GetDataPtr();
    s.region = CXRect(3, 0, 1, 4);
    EXPECT_FALSE(CGraphicsObject::__copy(&s, &d));
    s.region = CXRect(0, 0, 4, 4);
    EXPECT_TRUE(CGraphicsObject::__copy(&s, &d));
    EXPECT_EQ(words(*dst)[15], 1);
}

TEST(Blitters, AutoClipKeepsTheVisiblePart) {
    std::unique_ptr<CGraphicsObject> dst(makeObject(20, 20, 16, 0));
    std::unique_ptr<CGraphicsObject> src(makeObject(30, 10, 16, 5));
    src->SetAutoClip(true);
    src->SetPosition(-10, 0);
    src->redraw(dst.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(10, 0, 30, 10));
    EXPECT_EQ(words(*dst)[19], 5);
    // A second draw further left narrows the kept rectangle.
    src->SetPosition(-15, 0);
    src->redraw(dst.get());
    EXPECT_EQ(src->GetClippingRect(), CXRect(15, 0, 30, 10));
}

TEST(Blitters, NothingIsDrawnFromOrIntoMissingPixels) {
    std::unique_ptr<CGraphicsObject> empty(new CGraphicsObject(nullptr));
    std::unique_ptr<CGraphicsObject> dst(makeObject(4, 4, 16, 7));
    empty->redraw(dst.get());
    EXPECT_EQ(words(*dst)[0], 7);
    std::unique_ptr<CGraphicsObject> src(makeObject(2, 2, 16, 1));
    src->redraw(empty.get());
    src->redraw(nullptr);
    // Entirely outside: nothing.
    src->SetPosition(4, 0);
    src->redraw(dst.get());
    EXPECT_EQ(words(*dst)[3], 7);
}

TEST(Blitters, ADisplayWithPaddedRowsIsWrittenByItsPitch) {
    std::unique_ptr<CGraphicsObject> screen(new CGraphicsObject(nullptr));
    char* block = new char[16 * 2 * 2]();
    screen->SetDataPtr(block);
    screen->setSize(CXSize(10, 2));
    screen->SetBpp(16);
    screen->SetPitch(16);
    std::unique_ptr<CGraphicsObject> src(makeObject(10, 2, 16, 9));
    src->redraw(screen.get());
    auto* w = reinterpret_cast<uint16_t*>(block);
    EXPECT_EQ(w[16], 9);
    EXPECT_EQ(w[10], 0);
    EXPECT_EQ(w[25], 9);

    // With an alpha plane too: pixels by the pitch, alpha by the width.
    screen->AlphaChannel(new char[10 * 2]());
    std::memset(block, 0, 16 * 2 * 2);
    std::unique_ptr<CGraphicsObject> corner(makeObject(1, 1, 16, 7));
    corner->SetPosition(9, 1);
    corner->redraw(screen.get());
    EXPECT_EQ(w[16 + 9], 7);
    EXPECT_EQ(w[10 + 9], 0);
    EXPECT_EQ(alphaOf(*screen)[10 + 9], 255);
}

// Every (source, destination, weight) of each channel width, through the scalar and the SSE2 rows.
TEST(BlitterSimd, GivesTheScalarPixelsForEveryChannelValue) {
    if (!CGraphicsObject::hasSimdBlending()) GTEST_SKIP() << "no SSE2";
    const int W = 4096 + 5; // a tail that the vector loop leaves to the scalar one
    auto pattern = [](int k, bool sixteen, bool source) -> uint16_t {
        k %= 4096;
        int g = source ? k & 63 : k >> 6;
        int r = source ? k & 31 : (k >> 5) & 31;
        int b = source ? (k >> 5) & 31 : k & 31;
        return sixteen ? uint16_t(r << 11 | g << 5 | b) : uint16_t(r << 10 | (g & 31) << 5 | b);
    };
    for (int bpp : {15, 16}) {
        const bool sixteen = bpp == 16;
        std::vector<uint16_t> src(W), base(W);
        for (int k = 0; k < W; ++k) {
            src[k] = pattern(k, sixteen, true);
            base[k] = pattern(k, sixteen, false);
        }
        std::vector<uint8_t> alpha(W);
        for (int weight = 0; weight < 256; ++weight) {
            std::fill(alpha.begin(), alpha.end(), uint8_t(weight));
            // weight as alpha, as opacity, and as opacity over alpha 255
            for (int kind = 0; kind < 3; ++kind) {
                std::vector<uint16_t> out[2] = {base, base};
                for (int simd = 0; simd < 2; ++simd) {
                    CGraphicsObject::setSimdBlending(simd == 1);
                    _canvas s, d;
                    s.data = reinterpret_cast<char*>(src.data());
                    s.alpha = reinterpret_cast<char*>(alpha.data());
                    s.bpp = d.bpp = bpp;
                    s.width = d.width = W;
                    s.height = d.height = 1;
                    d.data = reinterpret_cast<char*>(out[simd].data());
                    if (kind == 0) {
                        ASSERT_TRUE(CGraphicsObject::__copy_alpha(&s, &d));
                    } else if (kind == 1) {
                        s.alpha = nullptr;
                        ASSERT_TRUE(CGraphicsObject::__copy_blend(&s, &d, uint8_t(weight)));
                    } else {
                        std::vector<uint8_t> opaque(W, 255);
                        s.alpha = reinterpret_cast<char*>(opaque.data());
                        ASSERT_TRUE(CGraphicsObject::__copy_blend(&s, &d, uint8_t(weight)));
                    }
                }
                ASSERT_EQ(out[0], out[1]) << "bpp " << bpp << " weight " << weight << " kind " << kind;
            }
        }
    }
    CGraphicsObject::setSimdBlending(true);
}

TEST(BlitterSimd, GivesTheScalarPixelsForEveryOpacityAndAlpha) {
    if (!CGraphicsObject::hasSimdBlending()) GTEST_SKIP() << "no SSE2";
    const int W = 65536 + 3;
    std::mt19937 rng(7);
    std::vector<uint16_t> src(W), base(W);
    std::vector<uint8_t> alpha(W);
    for (int k = 0; k < W; ++k) {
        src[k] = uint16_t(rng());
        base[k] = uint16_t(rng());
        alpha[k] = uint8_t(k & 255);
    }
    // Runs of fully clear and fully opaque alpha take the vector loop's shortcuts.
    std::fill(alpha.begin() + 800, alpha.begin() + 900, 0);
    std::fill(alpha.begin() + 1000, alpha.begin() + 1100, 255);
    for (int bpp : {15, 16}) {
        std::vector<uint16_t> s15 = src;
        if (bpp == 15)
            for (auto& v : s15) v &= 0x7FFF;
        for (int op = 0; op < 256; ++op) {
            std::vector<uint16_t> out[2] = {base, base};
            for (int simd = 0; simd < 2; ++simd) {
                CGraphicsObject::setSimdBlending(simd == 1);
                _canvas s, d;
                s.data = reinterpret_cast<char*>(s15.data());
                s.alpha = reinterpret_cast<char*>(alpha.data());
                s.bpp = d.bpp = bpp;
                s.width = d.width = W;
                s.height = d.height = 1;
                d.data = reinterpret_cast<char*>(out[simd].data());
                if (op == 255)
                    CGraphicsObject::__copy_alpha(&s, &d);
                else
                    CGraphicsObject::__copy_blend(&s, &d, uint8_t(op));
            }
            ASSERT_EQ(out[0], out[1]) << "bpp " << bpp << " opacity " << op;
        }
    }
    CGraphicsObject::setSimdBlending(true);
}
