#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "RasterFixtures.h"
#include "core/Compression.h"
#include "core/Log.h"
#include "display/ValidationQuene.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"
#include <fstream>
#include <iterator>

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class Recorder : public CInvalidateObserver {
public:
    void onInvalidate(CGraphicsObject* g, CXRect* r) override { seen.push_back({g, *r}); }
    void onDestroy(CGraphicsObject* g) override { destroyed.push_back(g); }
    std::vector<std::pair<CGraphicsObject*, CXRect>> seen;
    std::vector<CGraphicsObject*> destroyed;
};

struct Scene {
    TestWindow window;
    RecordingScreen screen{&window};
    RecordingInspector inspector;
    Scene() {
        window.setScreen(&screen);
        window.setInspector(&inspector);
    }
};

} // namespace

TEST(GraphicsObject, StartsWithTheDocumentedDefaults) {
    CGraphicsObject g(nullptr);
    EXPECT_EQ(g.Width(), 0);
    EXPECT_EQ(g.GetDataPtr(), nullptr);
    EXPECT_EQ(g.GetOpacity(), 255);
    EXPECT_TRUE(g.isVisible());
    EXPECT_TRUE(g.GetClippingRect().IsEmpty());
    EXPECT_EQ(g.getFileName().GetLength(), 0);
    EXPECT_EQ(g.getGfxType(), 0);
    EXPECT_EQ(g.getDrawn(), &g);
    EXPECT_EQ(g.rotateRZ(30.0f), CXPoint(0, 0));
    CGraphicsObject sized(nullptr, CXSize(5, 3), 15);
    EXPECT_EQ(sized.GetPitch(), 5);
    EXPECT_EQ(sized.GetPixelSize(), 2);
    EXPECT_EQ(sized.GetChannelAlpha(), nullptr);
    EXPECT_EQ(sized.getCenterPoint(), CXPoint(2, 1));
}

TEST(GraphicsObject, SizesAndBppCodes) {
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(24), 3);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(32), 4);
    EXPECT_EQ(CGraphicsObject::__get_pixel_size(8), 1);
    EXPECT_EQ(CGraphicsObject::__get_data_size(CXSize(4, 3), 16), 24);
    for (int bpp : {8, 15, 16, 24, 2, 4})
        EXPECT_EQ(CGraphicsObject::GetRealBpp(CGraphicsObject::GetFlagBpp(bpp)), bpp);
    EXPECT_EQ(CGraphicsObject::GetFlagBpp(32), 0);
    EXPECT_EQ(CGraphicsObject::GetRealBpp(3), 0);
}

TEST(GraphicsObject, RefusesAbsurdSizes) {
    CLogCapture log;
    CGraphicsObject g(nullptr, CXSize(100000, 100000), 16);
    EXPECT_EQ(g.GetDataPtr(), nullptr);
    EXPECT_EQ(g.Width(), 0);
    EXPECT_EQ(g.LastError(), ERR_GRAPHICS_SIZE);
    CGraphicsObject n(nullptr, CXSize(-4, 4), 16);
    EXPECT_EQ(n.GetDataPtr(), nullptr);
}

TEST(GraphicsObject, AnchorAndMoveInvalidation) {
    Scene s;
    CGraphicsObject g(&s.window, CXSize(10, 10), 16);
    g.SetCanvas(&s.screen);
    g.setAnchor(10, 5);
    g.SetPosition(100, 100);
    EXPECT_EQ(g.GetPosition(), CXPoint(90, 95));
    EXPECT_TRUE(s.screen.rects.empty());
    EXPECT_FALSE(g.isInvalidated());
    g.Move(1, 0);
    ASSERT_EQ(s.screen.rects.size(), 1u);
    EXPECT_EQ(s.screen.rects[0], CXRect(90, 95, 101, 105));
    EXPECT_TRUE(g.isInvalidated());
    EXPECT_FALSE(g.isInvalidated());
    g.SetCanvas(nullptr);
}

TEST(GraphicsObject, MonitoredObjectsReportPositionChanges) {
    Scene s;
    CGraphicsObject g(&s.window, CXSize(2, 2), 16);
    g.SetPosition(1, 1);
    EXPECT_TRUE(s.inspector.moved.empty());
    g.setMonitorCollisions(true);
    g.SetPosition(3, 3);
    g.Move(1, 1);
    EXPECT_EQ(s.inspector.moved.size(), 2u);
}

TEST(GraphicsObject, BoundingBoxes) {
    CGraphicsObject g(nullptr, CXSize(10, 10), 16);
    g.SetPosition(-5, -5);
    EXPECT_EQ(g.GetBoundingBox(), CXRect(0, 0, 5, 5));
    EXPECT_EQ(g.GetAbsoluteBoundingBox(), CXRect(-5, -5, 5, 5));
    CGraphicsObject dest(nullptr, CXSize(8, 8), 16);
    g.SetPosition(4, 4);
    g.SetDestiny(&dest);
    EXPECT_EQ(g.GetBoundingBox(), CXRect(4, 4, 8, 8));
    g.SetDestiny(nullptr);
    g.SetClippingRect(CXRect(2, 2, 4, 4));
    EXPECT_EQ(g.GetBoundingBox(), CXRect(6, 6, 8, 8));
    EXPECT_EQ(g.getRect(), CXRect(4, 4, 14, 14));
    EXPECT_EQ(g.ClientCoords(CXPoint(5, 7)), CXPoint(1, 3));
    EXPECT_EQ(g.toLocalAxis(CXRect(4, 4, 6, 6)), CXRect(0, 0, 2, 2));
}

TEST(GraphicsObject, NearnessAndFitting) {
    CGraphicsObject g(nullptr, CXSize(10, 10), 16);
    EXPECT_TRUE(g.isNear(CXRect(0, 0, 5, 10), 50));
    EXPECT_FALSE(g.isNear(CXRect(0, 0, 5, 10), 51));
    EXPECT_FALSE(g.isNear(CXRect(20, 20, 30, 30), 0) && false);
    CGraphicsObject empty(nullptr);
    EXPECT_FALSE(empty.isNear(CXRect(0, 0, 5, 5), 0));
    g.FitRect(CXRect(0, 0, 30, 21));
    EXPECT_EQ(g.GetPosition(), CXPoint(10, 5));
}

TEST(GraphicsObject, HitTests) {
    std::unique_ptr<CGraphicsObject> g(makeObject(4, 4, 16, 1, 0));
    g->SetPosition(10, 10);
    alphaOf(*g)[1 * 4 + 2] = 9;
    EXPECT_TRUE(g->testHit(CXPoint(10, 10), true));
    EXPECT_FALSE(g->testHit(CXPoint(10, 10), false));
    EXPECT_TRUE(g->testHit(CXPoint(12, 11), false));
    EXPECT_FALSE(g->testHit(CXPoint(14, 10), true));
    EXPECT_TRUE(g->isAt(CXPoint(10, 10), false));
    EXPECT_FALSE(g->isAt(CXPoint(10, 10), true));
    EXPECT_TRUE(g->isInside(12, 11, true));
    std::unique_ptr<CGraphicsObject> opaque(makeObject(4, 4, 16, 1));
    EXPECT_TRUE(opaque->testHit(CXPoint(0, 0), false));
    // Hit tests read a run-length alpha plane through a decoded copy.
    g->Compress(COMPRESSION_RLE);
    EXPECT_TRUE(g->testHit(CXPoint(12, 11), false));
    EXPECT_FALSE(g->testHit(CXPoint(11, 11), false));
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
}

TEST(GraphicsObject, OpacityIsClamped) {
    CGraphicsObject g(nullptr);
    g.AddOpacity(-300);
    EXPECT_EQ(g.GetOpacity(), 0);
    g.AddOpacity(300);
    EXPECT_EQ(g.GetOpacity(), 255);
    g.SetOpacity(100);
    g.AddOpacity(-40);
    EXPECT_EQ(g.GetOpacity(), 60);
}

TEST(GraphicsObject, VisibilityNeedsAWindow) {
    CGraphicsObject lone(nullptr, CXSize(2, 2), 16);
    lone.Hide();
    EXPECT_TRUE(lone.isVisible());
    Scene s;
    CGraphicsObject g(&s.window, CXSize(2, 2), 16);
    g.SetCanvas(&s.screen);
    g.Hide();
    EXPECT_FALSE(g.isVisible());
    EXPECT_EQ(s.screen.rects.size(), 1u);
    g.Show();
    EXPECT_TRUE(g.isVisible());
    g.SetCanvas(nullptr);
}

TEST(GraphicsObject, InvalidationReachesCanvasAndObserversInOrder) {
    Recorder a, b; // outlive the object, which tells them of its end
    Scene s;
    CGraphicsObject g(&s.window, CXSize(10, 10), 16);
    g.SetCanvas(&s.screen);
    g.addInvalidateObserver(&a);
    g.addInvalidateObserver(&b);
    g.addInvalidateObserver(&a);
    CXRect outside(20, 20, 30, 30);
    g.Invalidate(&outside);
    EXPECT_TRUE(a.seen.empty());
    EXPECT_TRUE(s.screen.rects.empty());
    EXPECT_FALSE(g.isInvalidated());
    CXRect part(5, 5, 30, 30);
    g.Invalidate(&part);
    ASSERT_EQ(a.seen.size(), 1u);
    EXPECT_EQ(a.seen[0].second, CXRect(5, 5, 10, 10));
    EXPECT_EQ(b.seen.size(), 1u);
    EXPECT_EQ(s.screen.rects.back(), CXRect(5, 5, 10, 10));
    EXPECT_TRUE(g.isInvalidated());
    g.removeInvalidateObserver(&b);
    g.Invalidate();
    EXPECT_EQ(a.seen.size(), 2u);
    EXPECT_EQ(b.seen.size(), 1u);
    g.SetCanvas(nullptr);
}

TEST(GraphicsObject, ObserversHearTheEnd) {
    Recorder r;
    auto* g = new CGraphicsObject(nullptr);
    g->addInvalidateObserver(&r);
    delete g;
    ASSERT_EQ(r.destroyed.size(), 1u);
    EXPECT_EQ(r.destroyed[0], g);
}

TEST(GraphicsObject, LeavesTheDrawListWhenDeleted) {
    Scene s;
    {
        CGraphicsObject g(&s.window);
        s.screen.put(&g, 3);
        EXPECT_EQ(s.screen.GetPriority(&g), 3);
        EXPECT_EQ(g.GetCanvas(), &s.screen);
    }
    EXPECT_EQ(s.screen.getDrawList()->getSize(), 0);
}

TEST(GraphicsObject, ChildrenComposeOverTheBackup) {
    std::unique_ptr<CGraphicsObject> parent(makeObject(6, 1, 16, 0x0001));
    std::unique_ptr<CGraphicsObject> child(makeObject(2, 1, 16, 0x0F00));
    std::unique_ptr<CGraphicsObject> other(makeObject(2, 1, 16, 0x00F0));
    child->SetPosition(1, 0);
    other->SetPosition(2, 0);
    parent->addObject(child.get(), 7);
    parent->addObject(child.get(), 0);
    parent->addObject(other.get(), 0);
    EXPECT_EQ(parent->getChildren()->getSize(), 2);
    parent->Redraw();
    EXPECT_EQ(words(*parent)[0], 0x0001);
    EXPECT_EQ(words(*parent)[1], 0x0F00);
    EXPECT_EQ(words(*parent)[2], 0x00F0); // added later, on top
    EXPECT_EQ(words(*parent)[3], 0x00F0);
    // A moved child leaves no trail: the backup comes back first.
    child->SetPosition(4, 0);
    parent->Redraw();
    EXPECT_EQ(words(*parent)[1], 0x0001);
    EXPECT_EQ(words(*parent)[4], 0x0F00);
    parent->removeObject(child.get());
    parent->removeObject(other.get());
    EXPECT_EQ(parent->getChildren(), nullptr);
    parent->Redraw();
    EXPECT_EQ(words(*parent)[4], 0x0F00);
}

TEST(GraphicsObject, ChildInvalidationsAndEndsReachTheParent) {
    Scene s;
    CGraphicsObject parent(&s.window, CXSize(20, 20), 16);
    parent.SetCanvas(&s.screen);
    auto* child = new CGraphicsObject(&s.window, CXSize(4, 4), 16);
    parent.addObject(child, 0);
    child->SetPosition(2, 2);
    child->Invalidate();
    ASSERT_EQ(s.screen.rects.size(), 1u);
    EXPECT_EQ(s.screen.rects[0], CXRect(2, 2, 6, 6));
    delete child;
    EXPECT_EQ(parent.getChildren(), nullptr);
    parent.Redraw();
    parent.SetCanvas(nullptr);
    // A parent that goes first leaves its children unobserved.
    auto* p2 = new CGraphicsObject(nullptr, CXSize(4, 4), 16);
    CGraphicsObject c2(nullptr, CXSize(1, 1), 16);
    p2->addObject(&c2, 0);
    delete p2;
    c2.Invalidate();
}

TEST(GraphicsObject, BlendThroughCallerTablesFailsVisibly) {
    CLogCapture log;
    CGraphicsObject g(nullptr);
    g.Blend(nullptr, nullptr, 0, 0);
    EXPECT_EQ(g.LastError(), ERR_NOT_BUILT);
    EXPECT_TRUE(log.contains("Blend"));
}

// ---------------------------------------------------------------- compression

namespace {

CGraphicsObject* stripes(int w, int h, int bpp) {
    auto* g = new CGraphicsObject(nullptr, CXSize(w, h), bpp);
    for (int i = 0; i < w * h; ++i) words(*g)[i] = uint16_t((i / 7) % 3 == 0 ? 0x1234 : i);
    char* a = new char[size_t(w) * h];
    for (int i = 0; i < w * h; ++i) a[i] = char(i % 5 == 0 ? 0 : 255);
    g->AlphaChannel(a);
    return g;
}

bool samePixels(CGraphicsObject& a, CGraphicsObject& b) {
    int n = a.Width() * a.Height();
    return n == b.Width() * b.Height() && std::memcmp(a.GetDataPtr(), b.GetDataPtr(), size_t(n) * 2) == 0 &&
           std::memcmp(a.GetChannelAlpha(), b.GetChannelAlpha(), size_t(n)) == 0;
}

} // namespace

TEST(GraphicsObjectCompression, RunLengthStatesRoundTrip) {
    std::unique_ptr<CGraphicsObject> g(stripes(33, 9, 16)), ref(stripes(33, 9, 16));
    g->Compress(COMPRESSION_LZO);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(g->getRawSize(), 33 * 9 * 2);
    g->Compress(COMPRESSION_RLE);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_LT(g->getCompressedSize(), g->getRawSize());
    EXPECT_LT(g->GetChannelSize(3), 33 * 9);
    EXPECT_EQ(g->GetPixel(0, 0), CColor());
    char* packed = g->GetDataPtr();
    g->DeCompressRLE2();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_TRUE(g->hasKeptCompressed());
    EXPECT_TRUE(samePixels(*g, *ref));
    g->bringBackCompressed();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(g->GetDataPtr(), packed);
    // unpack holds the working copy through bringBackCompressed until pack.
    g->unpack();
    g->bringBackCompressed();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    g->pack(true);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_FALSE(g->isUnpacked());
}

TEST(GraphicsObjectCompression, StatesSurviveDraws) {
    std::unique_ptr<CGraphicsObject> g(stripes(16, 4, 15)), ref(stripes(16, 4, 15));
    g->Compress(COMPRESSION_RLE);
    std::unique_ptr<CGraphicsObject> a(makeObject(16, 4, 16, 0)), b(makeObject(16, 4, 16, 0));
    g->redraw(a.get());
    ref->redraw(b.get());
    EXPECT_EQ(std::memcmp(a->GetDataPtr(), b->GetDataPtr(), 16 * 4 * 2), 0);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(g->GetBpp(), 15);
    g->redraw(a.get());
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    // An unpacked object draws its working copy and keeps it.
    g->unpack();
    g->redraw(a.get());
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(g->GetBpp(), 16);
    g->pack(true);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(g->GetBpp(), 15);
}

TEST(GraphicsObjectCompression, ConvertLeavesCompressedBlocksAlone) {
    std::unique_ptr<CGraphicsObject> g(stripes(8, 8, 15));
    g->Compress(COMPRESSION_RLE);
    std::vector<char> before(g->GetDataPtr(), g->GetDataPtr() + g->getCompressedSize());
    g->Convert(16);
    EXPECT_EQ(g->GetBpp(), 15);
    EXPECT_EQ(std::vector<char>(g->GetDataPtr(), g->GetDataPtr() + g->getCompressedSize()), before);
}

TEST(GraphicsObjectCompression, PackedStatesDecode) {
    std::unique_ptr<CGraphicsObject> ref(stripes(20, 6, 16));
    const int raw = 20 * 6 * 2, n = 20 * 6;
    int len = 0, alen = 0;
    // State 2: LZO blocks of the plain planes.
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr));
    char* p = CLZWCompression2(ref->GetDataPtr(), raw).compress(len);
    char* a = CLZWCompression2(ref->GetChannelAlpha(), n).compress(alen);
    g->SetDataPtr(p);
    g->AlphaChannel(a);
    g->setSize(CXSize(20, 6));
    g->SetBpp(16);
    g->SetCompression(COMPRESSION_LZO);
    g->setCompressedSize(raw, len + 8);
    g->SetChannelSize(3, alen + 8);
    g->DeCompress();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_NONE);
    EXPECT_TRUE(samePixels(*g, *ref));

    // State 3: LZO over run-length data leaves state 4.
    int rl = 0, ral = 0;
    std::unique_ptr<char[]> rle(CRLECompression::__compress(ref->GetDataPtr(), raw, rl));
    std::unique_ptr<char[]> rlea(CRLECompression::__compresschar(ref->GetChannelAlpha(), n, ral));
    std::unique_ptr<CGraphicsObject> h(new CGraphicsObject(nullptr));
    h->SetDataPtr(CLZWCompression2(rle.get(), rl).compress(len));
    h->AlphaChannel(CLZWCompression2(rlea.get(), ral).compress(alen));
    h->setSize(CXSize(20, 6));
    h->SetBpp(16);
    h->SetCompression(COMPRESSION_LZO_RLE);
    h->setCompressedSize(raw, len + 8);
    h->SetChannelSize(3, alen + 8);
    h->DeCompress();
    EXPECT_EQ(h->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(h->getCompressedSize(), rl);
    EXPECT_EQ(h->GetChannelSize(3), ral);
    h->DeCompressRLE2();
    EXPECT_TRUE(samePixels(*h, *ref));
}

TEST(GraphicsObjectCompression, DamagedDataIsRefusedNotDrawn) {
    CLogCapture log;
    std::unique_ptr<CGraphicsObject> g(new CGraphicsObject(nullptr));
    char* junk = new char[16];
    std::memset(junk, 0x7F, 16);
    g->SetDataPtr(junk);
    g->setSize(CXSize(100, 100));
    g->SetBpp(16);
    g->SetCompression(COMPRESSION_RLE);
    g->setCompressedSize(20000, 16);
    g->DeCompressRLE2();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_EQ(g->LastError(), ERR_FILE_DAMAGED);
    std::unique_ptr<CGraphicsObject> dst(makeObject(100, 100, 16, 3));
    g->redraw(dst.get());
    EXPECT_EQ(words(*dst)[9999], 3);
    g->SetCompression(COMPRESSION_LZO);
    g->DeCompress();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_LZO);
    g->SetCompression(COMPRESSION_JPEG);
    g->DeCompress();
    EXPECT_EQ(g->LastError(), ERR_FILE_DAMAGED);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_JPEG);
    EXPECT_TRUE(log.contains("JPEG"));
}

// ---------------------------------------------------------------- shared blocks

TEST(GraphicsObjectSharing, CopiesShareUntilOneGoes) {
    auto* original = makeObject(4, 4, 16, 0x1234, 200);
    std::unique_ptr<CGraphicsObject> copy(static_cast<CGraphicsObject*>(original->clone()));
    EXPECT_EQ(copy->GetDataPtr(), original->GetDataPtr());
    EXPECT_FALSE(copy->ownsData());
    // Clones show the same picture.
    words(*original)[0] = 0x4321;
    EXPECT_EQ(words(*copy)[0], 0x4321);
    delete original;
    EXPECT_EQ(words(*copy)[1], 0x1234);
    EXPECT_EQ(alphaOf(*copy)[15], 200);
    copy->Flush();
    EXPECT_EQ(copy->GetDataPtr(), nullptr);
}

TEST(GraphicsObjectSharing, ConvertingOneLeavesTheOtherIntact) {
    std::unique_ptr<CGraphicsObject> a(makeObject(3, 3, 15, 0x7FFF));
    CGraphicsObject b(nullptr, *a);
    std::unique_ptr<CGraphicsObject> dst(makeObject(3, 3, 16, 0));
    b.redraw(dst.get());
    EXPECT_EQ(b.GetBpp(), 16);
    EXPECT_EQ(words(b)[0], 0xFF9F);
    EXPECT_EQ(a->GetBpp(), 15);
    EXPECT_EQ(words(*a)[0], 0x7FFF);
    // Flipping one is its own business too.
    words(*a)[0] = 1;
    CGraphicsObject c(nullptr, *a);
    c.FlipV();
    EXPECT_EQ(words(*a)[0], 1);
    EXPECT_EQ(words(c)[2], 1);
}

TEST(GraphicsObjectSharing, CopyOfACompressedObjectKeepsItsState) {
    std::unique_ptr<CGraphicsObject> g(stripes(10, 10, 16)), ref(stripes(10, 10, 16));
    g->Compress(COMPRESSION_RLE);
    CGraphicsObject shared(nullptr, *g);
    shared.DeCompressRLE2();
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
    EXPECT_TRUE(samePixels(shared, *ref));
    shared.Flush();
    g->DeCompressRLE2();
    EXPECT_TRUE(samePixels(*g, *ref));
}

// ---------------------------------------------------------------- "PIK" bytes

namespace {
int32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return int32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}
} // namespace

TEST(GraphicsObjectPik, HeaderPixelsAndAlpha) {
    std::unique_ptr<CGraphicsObject> g(stripes(5, 3, 16));
    g->SetPosition(7, -2);
    std::vector<uint8_t> out;
    ASSERT_TRUE(g->writePik(out, COMPRESSION_NONE));
    ASSERT_EQ(out.size(), 40u + 30 + 15);
    EXPECT_EQ(std::memcmp(out.data(), "PIK\0", 4), 0);
    EXPECT_EQ(le32(out, 4), 5);
    EXPECT_EQ(le32(out, 8), 3);
    EXPECT_EQ(le32(out, 12), 16);
    EXPECT_EQ(le32(out, 16), 30);
    EXPECT_EQ(le32(out, 20), 0);
    EXPECT_EQ(le32(out, 24), 0);
    EXPECT_EQ(le32(out, 28), 15);
    EXPECT_EQ(le32(out, 32), 7);
    EXPECT_EQ(le32(out, 36), -2);
    EXPECT_EQ(std::memcmp(out.data() + 40, g->GetDataPtr(), 30), 0);
    EXPECT_EQ(std::memcmp(out.data() + 70, g->GetChannelAlpha(), 15), 0);
}

TEST(GraphicsObjectPik, ClippedPartAndCompressedKinds) {
    std::unique_ptr<CGraphicsObject> g(stripes(6, 4, 16));
    g->SetClippingRect(CXRect(1, 1, 4, 3));
    std::vector<uint8_t> out;
    ASSERT_TRUE(g->writePik(out, COMPRESSION_NONE));
    EXPECT_EQ(le32(out, 4), 3);
    EXPECT_EQ(le32(out, 8), 2);
    EXPECT_EQ(le32(out, 32), 1);
    EXPECT_EQ(le32(out, 36), 1);
    EXPECT_EQ(std::memcmp(out.data() + 40, g->GetDataPtr() + (6 + 1) * 2, 6), 0);
    EXPECT_EQ(out.size(), 40u + 12 + 6);

    g->SetClippingRect(CXRect());
    ASSERT_TRUE(g->writePik(out, COMPRESSION_RLE));
    EXPECT_EQ(le32(out, 24), COMPRESSION_RLE);
    int plen = le32(out, 16), alen = le32(out, 28);
    EXPECT_EQ(out.size(), size_t(40 + plen + alen));
    std::unique_ptr<char[]> back(
        CRLECompression::__decompress(reinterpret_cast<char*>(out.data()) + 40, plen, 48));
    ASSERT_TRUE(back);
    EXPECT_EQ(std::memcmp(back.get(), g->GetDataPtr(), 48), 0);

    ASSERT_TRUE(g->writePik(out, COMPRESSION_LZO));
    EXPECT_EQ(le32(out, 24), COMPRESSION_LZO);
    plen = le32(out, 16);
    std::unique_ptr<char[]> lzo(
        CLZWCompression2(reinterpret_cast<char*>(out.data()) + 40, plen).decompress());
    ASSERT_TRUE(lzo);
    EXPECT_EQ(std::memcmp(lzo.get(), g->GetDataPtr(), 48), 0);

    // Kinds that cannot be produced are written plainly, and say so.
    ASSERT_TRUE(g->writePik(out, COMPRESSION_JPEG));
    EXPECT_EQ(le32(out, 24), COMPRESSION_NONE);
    // A compressed object writes its decoded pixels.
    g->Compress(COMPRESSION_RLE);
    ASSERT_TRUE(g->writePik(out, COMPRESSION_NONE));
    EXPECT_EQ(le32(out, 16), 48);
    EXPECT_EQ(g->GetCompression(), COMPRESSION_RLE);
}

TEST(GraphicsObjectPik, SaveWritesTheFile) {
    CTempFolder tmp("raster");
    std::unique_ptr<CGraphicsObject> g(stripes(4, 2, 16));
    const std::string name = CPlatformFiles::toEngineName(tmp.str()) + "\\SKY.IMG";
    ASSERT_EQ(g->Save(CXString(name.c_str()), COMPRESSION_NONE), 0);
    std::ifstream in(tmp.path() / "SKY.IMG", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> expected;
    ASSERT_TRUE(g->writePik(expected, COMPRESSION_NONE));
    EXPECT_EQ(file, expected);
    // A folder that does not exist cannot be written.
    const std::string missing = CPlatformFiles::toEngineName(tmp.str()) + "\\no\\SKY.IMG";
    EXPECT_EQ(g->Save(CXString(missing.c_str()), COMPRESSION_NONE), ERR_FILE_NOT_FOUND);
    CGraphicsObject empty(nullptr);
    EXPECT_NE(empty.Save(CXString(name.c_str()), COMPRESSION_NONE), 0);
}

TEST(GraphicsObject, LoadConvertsToTheScreenDepth) {
    TestWindow window;
    RecordingScreen screen(&window, 15);
    window.setScreen(&screen);
    std::unique_ptr<CGraphicsObject> g(makeObject(2, 2, 16, 0xFFFF));
    CGraphicsObject on(&window, *g);
    EXPECT_EQ(on.Load(CXString("x")), 0);
    EXPECT_EQ(on.GetBpp(), 15);
    EXPECT_EQ(words(on)[0], 0x7FFF);
    EXPECT_EQ(g->GetBpp(), 16);
}

TEST(ValidationQuene, OrdersByPriorityLaterOnTop) {
    CValidationQuene q;
    CGraphicsObject a(nullptr), b(nullptr), c(nullptr);
    q.add(&a, 5, 0);
    q.add(&b, 1, 0);
    q.add(&c, 5, 0);
    EXPECT_EQ(q.getIndex(&b), 0);
    EXPECT_EQ(q.getIndex(&a), 1);
    EXPECT_EQ(q.getIndex(&c), 2);
    EXPECT_EQ(q.first()->getObject(), &b);
    EXPECT_EQ(q.next()->getObject(), &a);
    EXPECT_EQ(q.next()->getObject(), &c);
    EXPECT_EQ(q.next(), nullptr);
    EXPECT_EQ(q.prev()->getObject(), &c);
    q.remove(&a);
    EXPECT_EQ(q.find(&a), nullptr);
    EXPECT_EQ(q.getSize(), 2);
    q.find(&c)->setDrawn(true);
    q.clearMarks();
    EXPECT_FALSE(q.find(&c)->isDrawn());
}
