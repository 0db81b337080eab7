#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Containers.h"
#include "display/GraphicsObject.h"
#include "media/anim/Animo.h"
#include "media/anim/Frame.h"
#include "media/filters/GraphFilter.h"
#include "media/filters/PixelRoutines.h"
#include "media/filters/StaticFilter.h"
#include "platform/ImageLibrary.h"
#include "script/TypeIds.h"

using namespace KavirelDLL;

namespace {

// A window-less 16-bit picture of the given pixels (row by row) with an optional alpha plane.
std::unique_ptr<CGraphicsObject> picture(int w, int h, const std::vector<uint16_t>& px, int bpp = 16,
                                         const std::vector<uint8_t>& alpha = {}) {
    auto g = std::make_unique<CGraphicsObject>(nullptr, CXSize(w, h), bpp);
    std::memcpy(g->GetDataPtr(), px.data(), px.size() * 2);
    if (!alpha.empty()) {
        char* plane = new char[alpha.size()];
        std::memcpy(plane, alpha.data(), alpha.size());
        g->AlphaChannel(plane);
    }
    return g;
}

uint16_t at(CGraphicsObject* g, int x, int y) {
    return reinterpret_cast<uint16_t*>(g->GetDataPtr())[size_t(y) * size_t(g->Width()) + size_t(x)];
}

struct Events : CGraphFilterNotifierIfc {
    std::string seen;
    std::function<void(const char*)> hook;
    void onFilterStarted(CGraphFilterObjectsIfc*, CGraphDynamicFilterIfc*) override { note("S"); }
    void onFilterTick(CGraphFilterObjectsIfc*, CGraphDynamicFilterIfc*) override { note("T"); }
    void onFilterFinished(CGraphFilterObjectsIfc*, CGraphDynamicFilterIfc*) override { note("F"); }
    void note(const char* e) {
        seen += e;
        if (hook) hook(e);
    }
};

} // namespace

TEST(FilterPixels, MasksNegativeAndBlurAreExactAtBothDepths) {
    EXPECT_EQ(FilterPixels::channelMask("RB", 16), 0xF81F);
    EXPECT_EQ(FilterPixels::channelMask("G", 16), 0x07C0);
    EXPECT_EQ(FilterPixels::channelMask("rb", 16), 0);
    EXPECT_EQ(FilterPixels::channelMask("RGB", 15), 0x7FDF);
    EXPECT_EQ(FilterPixels::channelMask("G", 15), 0x03C0);

    // Negative over every pixel value: red and blue 31 - value, green M - (p AND M), at both depths.
    std::vector<uint16_t> all(65536), out(65536);
    for (int i = 0; i < 65536; ++i) all[size_t(i)] = uint16_t(i);
    for (int bpp : {16, 15}) {
        FilterPixels::negative(all.data(), nullptr, out.data(), 256, 256, CXRect(), bpp);
        const int rs = bpp == 15 ? 10 : 11;
        const unsigned gm = bpp == 15 ? 0x03C0 : 0x07C0;
        for (unsigned p = 0; p < 65536; ++p) {
            const unsigned want = ((31 - ((p >> rs) & 31)) << rs) | (gm - (p & gm)) | (31 - (p & 31));
            ASSERT_EQ(out[p], want) << bpp << " " << p;
        }
    }
    uint16_t black = 0, white = 0xFFFF, r = 0;
    FilterPixels::negative(&black, nullptr, &r, 1, 1, CXRect(), 16);
    EXPECT_EQ(r, 0xFFDF);
    FilterPixels::negative(&white, nullptr, &r, 1, 1, CXRect(), 16);
    EXPECT_EQ(r, 0);
    FilterPixels::negative(&black, nullptr, &r, 1, 1, CXRect(), 15);
    EXPECT_EQ(r, 0x7FDF);
    // Transparent pixels and those outside the clipping rectangle are copied.
    const uint8_t clear = 0;
    FilterPixels::negative(&black, &clear, &r, 1, 1, CXRect(), 16);
    EXPECT_EQ(r, 0);
    uint16_t two[2] = {0, 0}, twoOut[2];
    FilterPixels::negative(two, nullptr, twoOut, 2, 1, CXRect(1, 0, 2, 1), 16);
    EXPECT_EQ(twoOut[0], 0);
    EXPECT_EQ(twoOut[1], 0xFFDF);

    // BLUR 3 of black among white; the border keeps the source.
    std::vector<uint16_t> px(9, 0xFFFF), blurred(9);
    px[4] = 0;
    FilterPixels::blur(px.data(), blurred.data(), 3, 3, 3, 16);
    EXPECT_EQ(blurred[4], 0x7BEF);
    EXPECT_EQ(blurred[0], 0xFFFF);
    std::vector<uint16_t> px15(9, 0x7FFF);
    px15[4] = 0;
    FilterPixels::blur(px15.data(), blurred.data(), 3, 3, 3, 15);
    EXPECT_EQ(blurred[4], (15 << 10) | (15 << 5) | 15);
    // SIZE below 2 leaves the picture; an even SIZE stays within each field (no spill into the next).
    FilterPixels::blur(px.data(), blurred.data(), 3, 3, 1, 16);
    EXPECT_EQ(blurred, px);
    std::vector<uint16_t> white5(25, 0xFFFF), even(25);
    FilterPixels::blur(white5.data(), even.data(), 5, 5, 2, 16);
    EXPECT_EQ(even[12], 0xFFFF);
    // The packed sliding sums agree with the square summed directly, odd and even sizes, both depths.
    std::vector<uint16_t> noise(64 * 48), fast(noise.size());
    std::srand(7);
    for (auto& p : noise) p = uint16_t(std::rand());
    for (int bpp : {16, 15})
        for (int size : {3, 4, 5, 15, 20, 40}) {
            FilterPixels::blur(noise.data(), fast.data(), 64, 48, size, bpp);
            const int h = size / 2, d = size * size - 1, rs = bpp == 15 ? 10 : 11;
            const int gm = bpp == 15 ? 0x3E0 : 0x7E0;
            for (int y = h; y < 48 - h; y += 3)
                for (int x = h; x < 64 - h; x += 5) {
                    int sr = 0, sg = 0, sb = 0;
                    for (int j = -h; j <= h; ++j)
                        for (int i = -h; i <= h; ++i) {
                            if (!i && !j) continue;
                            unsigned q = noise[size_t((y + j) * 64 + x + i)];
                            sr += (q >> rs) & 31, sg += q & gm, sb += q & 31;
                        }
                    unsigned c = noise[size_t(y * 64 + x)];
                    unsigned want = ((((c >> rs) & 31) + std::min(sr / d, 31)) / 2 << rs) |
                                    ((((c & gm) + std::min(sg / d, gm)) / 2) & gm) |
                                    (((c & 31) + std::min(sb / d, 31)) / 2);
                    ASSERT_EQ(fast[size_t(y * 64 + x)], want) << bpp << " " << size << " " << x << "," << y;
                }
        }

    // The grey routine is the engine's own over every pixel value, at both depths.
    for (int bpp : {16, 15}) {
        CGraphicsObject engine(nullptr, CXSize(256, 256), bpp);
        std::memcpy(engine.GetDataPtr(), all.data(), all.size() * 2);
        engine.ToGrayScale();
        FilterPixels::grayScale(all.data(), out.data(), 65536, bpp);
        EXPECT_EQ(std::memcmp(engine.GetDataPtr(), out.data(), out.size() * 2), 0) << bpp;
    }
}

TEST(FilterPixels, RotateScaleAndTheBicubicSampler) {
    std::vector<uint16_t> px(40);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t(i + 1);
    std::vector<uint16_t> out;
    std::vector<uint8_t> alpha;
    int w = 0, h = 0;
    ASSERT_TRUE(FilterPixels::rotate(px.data(), nullptr, 10, 4, 90.0, 0, 16, out, alpha, w, h));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 10);
    EXPECT_TRUE(alpha.empty());
    ASSERT_TRUE(FilterPixels::rotate(px.data(), nullptr, 10, 4, 0.0, 0, 16, out, alpha, w, h));
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(out, px);
    // SMOOTH 1 averages 2 x 2 in the depth's own fields (5-5-5 at 15 bits).
    std::vector<uint16_t> quad = {0x7C00, 0, 0, 0};
    ASSERT_TRUE(FilterPixels::rotate(quad.data(), nullptr, 2, 2, 0.0, 1, 15, out, alpha, w, h));
    EXPECT_EQ(out[0], 7 << 10);
    ASSERT_TRUE(FilterPixels::rotate(quad.data(), nullptr, 2, 2, 0.0, 1, 16, out, alpha, w, h));
    EXPECT_EQ(out[0], (0x7C00 >> 11) / 4 << 11 | ((0x7C00 >> 5) & 63) / 4 << 5);

    std::vector<uint16_t> two = {1, 2};
    std::vector<uint8_t> twoAlpha = {10, 20};
    FilterPixels::scaleNearest(two.data(), twoAlpha.data(), 2, 1, 2.0, 1.0, 4, 1, out, alpha);
    EXPECT_EQ(out, (std::vector<uint16_t>{1, 1, 2, 2}));
    EXPECT_EQ(alpha, (std::vector<uint8_t>{10, 10, 20, 20}));

    EXPECT_FLOAT_EQ(FilterPixels::cubicWeight(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(FilterPixels::cubicWeight(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(FilterPixels::cubicWeight(2.5f), 0.0f);
    std::vector<uint16_t> flat(16, 0xFFFF);
    auto floats = FilterPixels::toFloats(flat.data(), nullptr, 4, 4);
    float s[4];
    FilterPixels::sampleBicubic(floats, 4, 4, 1.5f, 2.25f, s);
    for (float v : s) EXPECT_NEAR(v, 1.0f, 1e-5f);
    auto pass = FilterPixels::bicubicPass(floats, 4, 4);
    EXPECT_NEAR(pass[5 * 4 + 1], 1.0f, 1e-5f);
}

TEST(StaticFilters, FilterOnLinkAndUndoEverythingIncludingPackedPictures) {
    // NEGATIVE with CANUNDO on a run-length picture with alpha: the unlink brings back the packed blocks.
    std::vector<uint16_t> px(12, 0x0000);
    std::vector<uint8_t> alpha(12, 255);
    alpha[0] = 0;
    auto g = picture(4, 3, px, 16, alpha);
    g->Compress(COMPRESSION_RLE);
    ASSERT_EQ(g->GetCompression(), COMPRESSION_RLE);
    const char* packed = g->GetDataPtr();
    CGraphNegativeFilter negative(nullptr);
    negative.setProperty("CANUNDO", "TRUE");
    negative.link(g.get(), nullptr);
    ASSERT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(at(g.get(), 0, 0), 0);      // transparent: kept
    EXPECT_EQ(at(g.get(), 1, 0), 0xFFDF); // negative
    negative.unlink(g.get());
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(g->GetDataPtr(), packed);

    // ROTATE 90 of 10 x 4 gives 4 x 10 moved (3, -3); undo brings size, alpha plane and position back.
    auto r = picture(10, 4, std::vector<uint16_t>(40, 0x1234), 16, std::vector<uint8_t>(40, 200));
    r->SetPosition(100, 100);
    {
        CGraphRotateFilter rotate(nullptr);
        rotate.setProperty("ANGLE", "90");
        rotate.setProperty("CANUNDO", "TRUE");
        rotate.link(r.get(), nullptr);
        EXPECT_EQ(r->Width(), 4);
        EXPECT_EQ(r->Height(), 10);
        EXPECT_EQ(r->GetPosition().x, 103);
        EXPECT_EQ(r->GetPosition().y, 97);
        EXPECT_EQ(r->GetPixel(CHANNEL_ALPHA, CXPoint(2, 5)), 200);
        // Settings changed after the link do not touch the linked picture; the filter's end puts it back.
        rotate.setProperty("ANGLE", "0");
    }
    EXPECT_EQ(r->Width(), 10);
    EXPECT_EQ(r->GetPosition().x, 100);
    EXPECT_EQ(r->GetPosition().y, 100);

    // SCALE 2 with BYCENTER moves (-5, 0); a factor of 0 leaves an empty graphic; without CANUNDO the change
    // stays.
    auto s = picture(10, 2, std::vector<uint16_t>(20, 7));
    CGraphScaleFilter scale(nullptr);
    scale.setProperty("FACTORX", "2");
    scale.setProperty("BYCENTER", "TRUE");
    scale.link(s.get(), nullptr);
    EXPECT_EQ(s->Width(), 20);
    EXPECT_EQ(s->GetPosition().x, -5);
    scale.unlink(s.get());
    EXPECT_EQ(s->Width(), 20);
    CGraphScaleFilter zero(nullptr);
    zero.setProperty("FACTORY", "0");
    zero.link(s.get(), nullptr);
    EXPECT_EQ(s->Width(), 0);
    EXPECT_EQ(s->GetDataPtr(), nullptr);

    // COLORCHANNEL, GRAYSCALE, BLUR; ONEATTIME leaves only the last linked.
    auto a = picture(2, 1, {0xFFFF, 0x1234}), b = picture(1, 1, {0xFFFF}), c = picture(1, 1, {0xFFFF});
    CGraphColorChannelFilter channels(nullptr);
    channels.setProperty("CHANNELS", "RB");
    channels.setProperty("CANUNDO", "TRUE");
    channels.link(a.get(), nullptr);
    channels.link(a.get(), nullptr);
    EXPECT_EQ(channels.getCount(), 1);
    EXPECT_EQ(at(a.get(), 0, 0), 0xF81F);
    channels.link(b.get(), nullptr);
    channels.setProperty("ONEATTIME", "TRUE");
    channels.link(c.get(), nullptr);
    EXPECT_EQ(channels.getCount(), 1);
    EXPECT_EQ(at(a.get(), 0, 0), 0xFFFF); // restored when it left
    EXPECT_EQ(at(c.get(), 0, 0), 0xF81F);
    CGraphGrayScaleFilter grey(nullptr);
    grey.link(b.get(), nullptr);
    EXPECT_EQ(at(b.get(), 0, 0), 0xFFDF); // the engine's grey keeps five bits of green
}

TEST(StaticFilters, JitterReplaysRandAndADestroyedGraphicLeaves) {
    std::vector<uint16_t> px(64);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t(i);
    auto g = picture(8, 8, px);
    CGraphRandomJitterFilter jitter(nullptr);
    jitter.setProperty("MAXJITTER", "0"); // acts as 1: no move at all
    std::srand(11);
    jitter.link(g.get(), nullptr);
    for (int i = 1; i < 64; ++i) EXPECT_EQ(at(g.get(), i % 8, i / 8), px[size_t(i)]);

    auto h = picture(8, 8, px);
    CGraphRandomJitterFilter jitter3(nullptr);
    std::srand(5);
    jitter3.link(h.get(), nullptr);
    std::srand(5);
    for (int i = 0; i < 64; ++i) {
        const int dx = 1 - std::rand() % 3, dy = 1 - std::rand() % 3;
        const int from = dx + 8 * (dy + i / 8) + i % 8;
        if (from > 0 && from < 64) {
            EXPECT_EQ(at(h.get(), i % 8, i / 8), px[size_t(from)]);
        }
    }
    // The graphic goes first: its record leaves without touching it.
    h.reset();
    EXPECT_EQ(jitter3.getCount(), 0);
}

TEST(DynamicFilters, FadesEndExactlyAndTellTheirNotifiers) {
    auto g = picture(1, 1, {0xF800});
    CGraphFilter_FadeIn fade(nullptr);
    Events events;
    fade.addNotifier(&events);
    fade.start(g.get()); // not linked: nothing
    EXPECT_EQ(events.seen, "");
    fade.link(g.get(), nullptr);
    fade.link(g.get(), nullptr);
    EXPECT_EQ(fade.getCount(), 1);
    fade.start(g.get());
    EXPECT_EQ(g->GetOpacity(), 0);
    int ticks = 0;
    while (fade.isRunning(g.get()) && ticks < 5000) {
        fade.onTimer(0);
        ++ticks;
    }
    EXPECT_EQ(ticks, 2551); // the double sum misses 255 at 2550
    EXPECT_EQ(g->GetOpacity(), 255);
    EXPECT_EQ(events.seen.size(), 2552u);
    EXPECT_EQ(events.seen.substr(events.seen.size() - 2), "TF");
    fade.stop(g.get());
    EXPECT_EQ(events.seen.back(), 'F');

    CGraphFilter_FadeOut out(nullptr);
    Events outEvents;
    out.addNotifier(&outEvents);
    out.setProperty("START", "10");
    out.setProperty("END", "200");
    out.link(g.get(), nullptr);
    out.start(g.get());
    out.onTimer(0);
    EXPECT_EQ(outEvents.seen, "SF");
    EXPECT_EQ(g->GetOpacity(), 200);

    CGraphFilter_FadeInOut swing(nullptr);
    swing.setProperty("SPEED", "100");
    swing.link(g.get(), nullptr);
    swing.start(g.get());
    std::string seen;
    for (int i = 0; i < 6; ++i) {
        swing.onTimer(0);
        seen += std::to_string(g->GetOpacity()) + ",";
    }
    EXPECT_EQ(seen, "0,100,200,255,155,55,");
}

TEST(DynamicFilters, HandlersThatUnlinkOrStopDuringAPassAreSafe) {
    auto a = picture(1, 1, {1}), b = picture(1, 1, {2});
    CGraphFilter_FadeIn fade(nullptr);
    Events events;
    fade.addNotifier(&events);
    fade.link(a.get(), nullptr);
    fade.link(b.get(), nullptr);
    fade.start(a.get());
    fade.start(b.get());
    events.hook = [&](const char* e) {
        if (std::string(e) == "T") {
            fade.unlink(b.get());
            fade.unlink(a.get());
        }
    };
    fade.onTimer(0);
    EXPECT_EQ(fade.getCount(), 0);
    EXPECT_EQ(events.seen, "SST");

    // A filter deleted by its own tick handler ends the pass.
    auto* doomed = new CGraphFilter_FadeIn(nullptr);
    Events killer;
    doomed->addNotifier(&killer);
    doomed->link(a.get(), nullptr);
    doomed->link(b.get(), nullptr);
    doomed->start(a.get());
    doomed->start(b.get());
    killer.hook = [&](const char* e) {
        if (std::string(e) == "T") delete doomed;
    };
    doomed->onTimer(0);
    EXPECT_EQ(killer.seen, "SST");
}

TEST(DynamicFilters, WaterAndWavingKeepTheirSourcePictures) {
    std::vector<uint16_t> px(100);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t(i);
    auto g = picture(10, 10, px);
    g->Compress(COMPRESSION_RLE);
    CGraphFilter_Water water(nullptr);
    water.setProperty("FACTOR", "3");
    water.link(g.get(), nullptr);
    ASSERT_EQ(g->GetCompression(), COMPRESSION_NONE); // unpacked before it was copied
    water.start(g.get());
    for (int i = 0; i < 3; ++i) water.onTimer(0);
    // Every pixel comes from the linked-time copy, clamped to the picture.
    for (int i = 0; i < 100; ++i) EXPECT_LT(at(g.get(), i % 10, i / 10), 100);
    // A picture that changed size rebuilds the tables and the copy.
    g->installPixels(CSharedBlock::allocate(4 * 4 * 2), 4, 4);
    water.onTimer(0);
    EXPECT_EQ(g->Width(), 4);

    auto w = picture(10, 10, px);
    CGraphFilter_Waving waving(nullptr);
    waving.setProperty("AMPLITUDE", "2");
    waving.link(w.get(), nullptr);
    waving.start(w.get());
    waving.onTimer(0);
    std::vector<uint16_t> first(px.size());
    std::memcpy(first.data(), w->GetDataPtr(), 200);
    for (int i = 0; i < 10; ++i) waving.onTimer(0);
    // The second rebuild waves the unaltered picture again (same phase / 10 = 1 here differs from 0, so
    // compare with a waving of the source made afresh).
    auto fresh = picture(10, 10, px);
    std::vector<CXPoint> points(100);
    for (int r = 0; r < 10; ++r)
        for (int k = 0; k < 10; ++k) points[size_t(r * 10 + k)] = CXPoint(0, int(2 * std::sin(1 + k * 1.0)));
    fresh->displacementFilter(points.data(), true, true);
    EXPECT_EQ(std::memcmp(fresh->GetDataPtr(), w->GetDataPtr(), 200), 0);
}

TEST(StaticFilters, AnAnimationHasAtMostOneFilteredFrameWithCurrentFrame) {
    CAnimo animo(nullptr);
    for (uint16_t i = 0; i < 3; ++i) {
        CGraphicsObject frame(nullptr, CXSize(3, 1), 16);
        std::fill_n(reinterpret_cast<uint16_t*>(frame.GetDataPtr()), 3, i);
        animo.AddFrame(&frame);
    }
    animo.Seek(0);
    CMC_Object linker(CXString("A"), TYPE_ANIMO);
    auto frameWord = [&](int i) { return reinterpret_cast<uint16_t*>(animo.GetFrame(i)->GetDataPtr())[0]; };
    auto shown = [&]() { return reinterpret_cast<uint16_t*>(animo.GetDataPtr())[0]; };
    {
        CGraphNegativeFilter negative(nullptr);
        negative.setProperty("CANUNDO", "TRUE");
        negative.link(&animo, &linker);
        EXPECT_EQ(frameWord(0), 0xFFDF);
        EXPECT_EQ(frameWord(1), 1);
        EXPECT_EQ(shown(), 0xFFDF);
        animo.Seek(1);
        negative.onPlayableTick(&animo);
        EXPECT_EQ(frameWord(0), 0);
        EXPECT_EQ(frameWord(1), 0xFFDE);
        EXPECT_EQ(shown(), 0xFFDE);
        negative.unlink(&animo);
        EXPECT_EQ(frameWord(1), 1);
        EXPECT_EQ(shown(), 1);

        // Every frame at once; the filter's end puts them all back.
        negative.setProperty("CURRENTFRAME", "FALSE");
        negative.link(&animo, &linker);
        EXPECT_EQ(frameWord(0), 0xFFDF);
        EXPECT_EQ(frameWord(2), 0xFFDD);
    }
    EXPECT_EQ(frameWord(0), 0);
    EXPECT_EQ(frameWord(2), 2);
    EXPECT_EQ(animo.getNotifiers() ? animo.getNotifiers()->getSize() : 0, 0);
}

TEST(FilterPixels, SmoothScalingGoesThroughTheImageLibraryInTheDepthsOwnFields) {
    std::vector<uint16_t> out;
    std::vector<uint8_t> alpha;
    const std::vector<uint16_t> solid16(4, 0x7BEF), solid15(4, (9 << 10) | (21 << 5) | 3);
    const std::vector<uint8_t> opaque(4, 200);
    // Not running: refused, nothing made.
    EXPECT_FALSE(FilterPixels::scaleSmooth(solid16.data(), nullptr, 2, 2, 2, 16, 4, 4, out, alpha));
    // The library's filters may lose one unit of an 8-bit channel; each field stays within one step.
    auto near = [](uint16_t a, uint16_t b, int greenBits) {
        const int gm = (1 << greenBits) - 1, rs = 5 + greenBits;
        return std::abs((a >> rs) - (b >> rs)) <= 1 && std::abs(((a >> 5) & gm) - ((b >> 5) & gm)) <= 1 &&
               std::abs((a & 31) - (b & 31)) <= 1;
    };
    CImageLibrary::start();
    for (int smooth : {1, 2, 3, 8, 12}) {
        ASSERT_TRUE(
            FilterPixels::scaleSmooth(solid16.data(), opaque.data(), 2, 2, smooth, 16, 4, 6, out, alpha));
        ASSERT_EQ(out.size(), 24u);
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_TRUE(near(out[i], 0x7BEF, 6)) << smooth << " " << out[i];
            EXPECT_NEAR(alpha[i], 200, 1) << smooth;
        }
        ASSERT_TRUE(FilterPixels::scaleSmooth(solid15.data(), nullptr, 2, 2, smooth, 15, 3, 3, out, alpha));
        EXPECT_TRUE(alpha.empty());
        for (uint16_t p : out) EXPECT_TRUE(near(p, solid15[0], 5)) << smooth << " " << p;
    }
    CImageLibrary::stop();
}
