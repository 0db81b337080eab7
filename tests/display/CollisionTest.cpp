#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RasterFixtures.h"
#include "core/Containers.h"
#include "display/Collisions.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

struct Event {
    int code;
    CGraphicsObject* a;
    CGraphicsObject* b;
    bool operator==(const Event& o) const { return code == o.code && a == o.a && b == o.b; }
};

class Recorder : public CCollisionObserver {
public:
    void onCollision(CGraphicsObject* a, CGraphicsObject* b) override {
        events.push_back({1, a, b});
        if (onBegin) onBegin(a, b);
    }
    void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) override { events.push_back({2, a, b}); }
    std::vector<Event> events;
    std::function<void(CGraphicsObject*, CGraphicsObject*)> onBegin;
};

class CollisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setInspector(&inspector);
        inspector.addNotifier(&recorder);
    }
    void TearDown() override { window.setInspector(nullptr); }

    // A monitored w × h object at (x, y); with alpha >= 0 an alpha plane of that value.
    CGraphicsObject* object(int x, int y, int w, int h, int alpha = -1, bool alphaTest = false) {
        auto* g = new CGraphicsObject(&window, CXSize(w, h), 16);
        if (alpha >= 0) {
            char* plane = new char[size_t(w) * h];
            std::memset(plane, alpha, size_t(w) * h);
            g->AlphaChannel(plane);
        }
        g->SetPosition(x, y);
        g->setMonitorCollisions(true);
        inspector.addMonitoredObject(g, alphaTest);
        owned.emplace_back(g);
        return g;
    }

    TestWindow window;
    CCollisionInspector inspector;
    Recorder recorder;
    std::vector<std::unique_ptr<CGraphicsObject>> owned;
};

} // namespace

TEST_F(CollisionTest, ContactBeginsForBothOrdersAndEndsOnce) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    CGraphicsObject* b = object(50, 0, 10, 10);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty());

    a->SetPosition(45, 5);
    inspector.tick();
    EXPECT_EQ(recorder.events, (std::vector<Event>{{1, a, b}, {1, b, a}}));
    EXPECT_TRUE(inspector.find(a)->touches(b));
    EXPECT_TRUE(inspector.find(b)->touches(a));

    // Still touching: nothing new.
    a->Move(1, 0);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 2u);

    // The other object moves away: it is the mover now.
    b->SetPosition(100, 100);
    inspector.tick();
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[2], (Event{2, b, a}));
    EXPECT_FALSE(inspector.find(a)->touches(b));
}

TEST_F(CollisionTest, BoxesThatShareOnlyAnEdgeDoNotCollide) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    object(10, 0, 10, 10);
    object(0, 10, 10, 10);
    a->Move(0, 0);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty());
    a->Move(1, 1);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 4u);
}

TEST_F(CollisionTest, OnlyMoversAreTestedAndOnceAFrame) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    CGraphicsObject* b = object(100, 0, 10, 10);
    // Placed over a without a reported move: nothing until one of them moves.
    b->setMonitorCollisions(false);
    b->SetPosition(5, 5);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty());

    a->Move(1, 0);
    a->Move(1, 0);
    a->SetPosition(3, 3);
    EXPECT_EQ(inspector.getMovedCount(), 1);
    inspector.tick();
    EXPECT_EQ(inspector.getMovedCount(), 0);
    EXPECT_EQ(recorder.events, (std::vector<Event>{{1, a, b}, {1, b, a}}));
}

TEST_F(CollisionTest, AlphaProbesReadTheOtherObjectsPlaneAtEightPoints) {
    // b: 40 × 40 at (100, 100), transparent but for one pixel.
    CGraphicsObject* b = object(100, 100, 40, 40, 0);
    // a: 11 × 7, alpha-tested, its box lying deep inside b's.
    CGraphicsObject* a = object(0, 0, 11, 7, 255, true);
    const int l = 110, t = 120;
    a->SetPosition(l, t);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty()) << "all probes on transparent pixels";

    auto* alpha = reinterpret_cast<uint8_t*>(b->GetChannelAlpha());
    const CXPoint probes[8] = {{l, t},          {l + 5, t},     {l + 10, t}, {l + 10, t + 3},
                               {l + 10, t + 6}, {l + 5, t + 6}, {l, t + 6},  {l, t + 3}};
    for (const CXPoint& p : probes) {
        recorder.events.clear();
        const int index = (p.y - 100) * 40 + (p.x - 100);
        alpha[index] = 1;
        a->Move(0, 0);
        inspector.tick();
        EXPECT_EQ(recorder.events.size(), 2u) << "probe " << p.x << "," << p.y;
        alpha[index] = 0;
        a->Move(0, 0);
        inspector.tick();
        EXPECT_EQ(recorder.events.size(), 3u) << "probe " << p.x << "," << p.y;
    }

    // A pixel inside a's box that is not a probe point does not count.
    recorder.events.clear();
    alpha[(t + 2 - 100) * 40 + (l + 3 - 100)] = 255;
    a->Move(0, 0);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(CollisionTest, AlphaProbeNeedsAReadablePlaneOnTheOtherSide) {
    CGraphicsObject* plain = object(0, 0, 20, 20);
    CGraphicsObject* a = object(50, 50, 4, 4, 255, true);
    a->SetPosition(5, 5);
    inspector.tick();
    EXPECT_TRUE(recorder.events.empty()) << "no alpha plane on the other object";
    EXPECT_FALSE(inspector.checkAlphaCollision(a, a->GetBoundingBox(), plain, plain->GetBoundingBox()));

    CGraphicsObject* opaque = object(200, 200, 20, 20, 255);
    EXPECT_TRUE(
        inspector.checkAlphaCollision(a, CXRect(205, 205, 209, 209), opaque, opaque->GetBoundingBox()));
    opaque->Compress(COMPRESSION_RLE);
    ASSERT_NE(opaque->GetCompression(), COMPRESSION_NONE);
    EXPECT_FALSE(
        inspector.checkAlphaCollision(a, CXRect(205, 205, 209, 209), opaque, opaque->GetBoundingBox()));
}

TEST_F(CollisionTest, AlphaProbeOfAnObjectPartlyOffScreenReadsItsOwnPlane) {
    // b hangs 10 pixels off the left edge; its box is cut to start at 0.
    CGraphicsObject* b = object(-10, 0, 20, 20, 0);
    auto* alpha = reinterpret_cast<uint8_t*>(b->GetChannelAlpha());
    alpha[2 * 20 + 12] = 255; // screen point (2, 2)
    CGraphicsObject* a = object(100, 100, 1, 1, 255, true);
    EXPECT_EQ(b->GetBoundingBox().left, 0);
    a->SetPosition(2, 2);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 2u);
    a->SetPosition(12, 2);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST_F(CollisionTest, RemovedObjectsStayUntilTheyMoveAndComeBackAsTheSameEntry) {
    CGraphicsObject* a = object(0, 0, 10, 10, 255, true);
    CGraphicsObject* b = object(5, 5, 10, 10, 255);
    a->Move(0, 0);
    inspector.tick();
    ASSERT_EQ(recorder.events.size(), 2u);

    CMonitoredObject* entry = inspector.find(a);
    inspector.removeMonitoredObject(a);
    EXPECT_FALSE(entry->isActive());
    // An inactive object is not tested as the other side either, and no end is reported.
    b->SetPosition(100, 100);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(inspector.getMonitoredCount(), 2);
    // The removed object stays recorded in the contacts it had.
    EXPECT_TRUE(inspector.find(b)->touches(a)) << "b moved away while a was inactive";

    inspector.addMonitoredObject(a, false);
    EXPECT_EQ(inspector.find(a), entry);
    EXPECT_TRUE(entry->isActive());
    EXPECT_TRUE(entry->getAlphaTest());

    // Inactive and moved: gone after the tick.
    inspector.removeMonitoredObject(a);
    a->Move(1, 1);
    inspector.tick();
    EXPECT_EQ(inspector.find(a), nullptr);
    EXPECT_EQ(inspector.getMonitoredCount(), 1);
    EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(CollisionTest, ADeletedObjectLeavesTheInspectorAndEveryContact) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    CGraphicsObject* b = object(5, 5, 10, 10);
    a->Move(0, 0);
    inspector.tick();
    ASSERT_TRUE(inspector.find(a)->touches(b));
    b->Move(1, 0); // queued, then destroyed before the tick
    owned.pop_back();
    EXPECT_EQ(inspector.getMonitoredCount(), 1);
    EXPECT_EQ(inspector.getMovedCount(), 0);
    EXPECT_FALSE(inspector.find(a)->touches(b));
    a->Move(1, 0);
    inspector.tick();
    EXPECT_EQ(recorder.events.size(), 2u);

    // A removed object that is still somebody's contact is forgotten when it goes as well.
    CGraphicsObject* c = object(0, 0, 10, 10);
    c->Move(0, 0);
    inspector.tick();
    ASSERT_TRUE(inspector.find(a)->touches(c));
    inspector.removeMonitoredObject(c);
    c->Move(0, 0);
    inspector.tick();
    ASSERT_EQ(inspector.find(c), nullptr);
    EXPECT_TRUE(inspector.find(a)->touches(c));
    owned.pop_back();
    EXPECT_EQ(inspector.find(a)->getContacts()->getSize(), 0);
}

TEST_F(CollisionTest, AnObjectDeletedByAnObserverDuringTheTick) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    object(5, 5, 10, 10);
    CGraphicsObject* c = object(6, 6, 10, 10);
    recorder.onBegin = [&](CGraphicsObject* x, CGraphicsObject*) {
        if (x == a && !owned.empty() && owned.front().get() == a) owned.erase(owned.begin());
    };
    a->Move(0, 0);
    c->Move(0, 0);
    inspector.tick();
    EXPECT_EQ(inspector.find(a), nullptr);
    EXPECT_EQ(inspector.getMonitoredCount(), 2);
    // a's contact began and a went at once: nobody hears of it again, c's move meets b alone.
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[0].a, a);
    EXPECT_EQ(recorder.events[1], (Event{1, c, owned[0].get()}));
    EXPECT_EQ(recorder.events[2], (Event{1, owned[0].get(), c}));
}

TEST_F(CollisionTest, AnObjectMovedByAnObserverDuringThePassIsTestedAgain) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    CGraphicsObject* b = object(50, 50, 10, 10);
    // The script answers the contact by putting the mover back where it came from.
    recorder.onBegin = [&](CGraphicsObject* x, CGraphicsObject*) {
        if (x == a) a->SetPosition(0, 0);
    };
    a->SetPosition(52, 52);
    inspector.tick();
    EXPECT_EQ(recorder.events, (std::vector<Event>{{1, a, b}, {1, b, a}}));
    EXPECT_EQ(inspector.getMovedCount(), 1);
    recorder.onBegin = nullptr;
    inspector.tick();
    EXPECT_EQ(recorder.events.back(), (Event{2, a, b}));
    EXPECT_FALSE(inspector.find(b)->touches(a));
}

TEST_F(CollisionTest, AMoverTakenOutOfMonitoringByAnObserverFinishesItsPass) {
    CGraphicsObject* a = object(0, 0, 10, 10);
    CGraphicsObject* b = object(5, 5, 10, 10);
    CGraphicsObject* c = object(6, 6, 10, 10);
    recorder.onBegin = [&](CGraphicsObject* x, CGraphicsObject*) {
        if (x == a) inspector.removeMonitoredObject(a);
    };
    a->Move(0, 0);
    inspector.tick();
    // Both contacts of the pass are reported, then the inactive mover goes.
    EXPECT_EQ(recorder.events, (std::vector<Event>{{1, a, b}, {1, b, a}, {1, a, c}, {1, c, a}}));
    EXPECT_EQ(inspector.find(a), nullptr);
    EXPECT_TRUE(inspector.find(c)->touches(a));
}

TEST_F(CollisionTest, NotifyCodesAndObserverList) {
    CGraphicsObject* a = object(0, 0, 1, 1);
    Recorder second;
    inspector.addNotifier(&second);
    inspector.addNotifier(&second);
    inspector.notify(1, a, nullptr);
    inspector.notify(2, nullptr, a);
    inspector.notify(3, a, a);
    EXPECT_EQ(second.events, (std::vector<Event>{{1, a, nullptr}, {2, nullptr, a}}));
    EXPECT_EQ(recorder.events.size(), 2u);
    inspector.removeNotifier(&second);
    inspector.notify(1, a, a);
    EXPECT_EQ(second.events.size(), 2u);
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST(CollisionInspector, ObjectsOutliveTheInspector) {
    TestWindow window;
    auto* inspector = new CCollisionInspector();
    window.setInspector(inspector);
    CGraphicsObject a(&window, CXSize(4, 4), 16), b(&window, CXSize(4, 4), 16);
    inspector->addMonitoredObject(&a, false);
    inspector->addMonitoredObject(&b, false);
    window.setInspector(nullptr);
    delete inspector;
    // Destroying the objects must not reach the inspector that is gone.
}
