#include "display/RefreshRegion.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace KavirelDLL;

namespace {

// Cells of a small grid covered by the region (or by a list of rectangles), counting overlaps.
std::vector<int> coverage(const std::vector<CXRect>& rects, int w, int h) {
    std::vector<int> cells(size_t(w) * h, 0);
    for (const CXRect& r : rects)
        for (int y = std::max(0, r.top); y < std::min(h, r.bottom); ++y)
            for (int x = std::max(0, r.left); x < std::min(w, r.right); ++x) ++cells[size_t(y) * w + x];
    return cells;
}

std::vector<CXRect> rectsOf(const CRefreshRegion& region) {
    std::vector<CXRect> out;
    for (int i = 0; i < region.getSize(); ++i) out.push_back(*region.rectAt(i));
    return out;
}

} // namespace

TEST(RefreshRegion, WholeScreenSwallowsLaterRectanglesUntilCleared) {
    CRefreshRegion region;
    CXRect a(10, 10, 20, 20);
    region.addRect(&a);
    region.addRect(nullptr);
    EXPECT_TRUE(region.isWholeScreen());
    ASSERT_EQ(region.getSize(), 1);
    EXPECT_EQ(region.rectAt(0), nullptr);
    CXRect b(100, 100, 200, 200);
    region.addRect(&b);
    EXPECT_EQ(region.getSize(), 1);

    region.clear();
    EXPECT_FALSE(region.isWholeScreen());
    EXPECT_EQ(region.getSize(), 0);
    region.addRect(&b);
    ASSERT_EQ(region.getSize(), 1);
    EXPECT_TRUE(*region.rectAt(0) == b);
}

TEST(RefreshRegion, TheClassicScreenRectangleMeansTheWholeScreen) {
    CRefreshRegion region;
    CXRect classic(0, 0, 800, 600);
    region.addRect(&classic);
    EXPECT_TRUE(region.isWholeScreen());

    CRefreshRegion wide;
    CXRect screen(0, 0, 1024, 768);
    wide.addRect(&screen);
    EXPECT_FALSE(wide.isWholeScreen());
    ASSERT_EQ(wide.getSize(), 1);
    EXPECT_TRUE(*wide.rectAt(0) == screen);
}

TEST(RefreshRegion, InsideAddsNothingCoveringReplacesEmptyIsDropped) {
    CRefreshRegion region;
    CXRect big(10, 10, 50, 50), small(20, 20, 30, 30), empty(5, 5, 5, 40), crossed(30, 30, 20, 20);
    region.addRect(&big);
    region.addRect(&small);
    ASSERT_EQ(region.getSize(), 1);
    EXPECT_TRUE(*region.rectAt(0) == big);
    region.addRect(&empty);
    region.addRect(&crossed);
    EXPECT_EQ(region.getSize(), 1);

    CRefreshRegion other;
    other.addRect(&small);
    other.addRect(&big);
    ASSERT_EQ(other.getSize(), 1);
    EXPECT_TRUE(*other.rectAt(0) == big);
}

TEST(RefreshRegion, CoveringSeveralStoredRectanglesReplacesThemAll) {
    CRefreshRegion region;
    CXRect a(0, 0, 10, 10), b(20, 20, 30, 30), c(40, 0, 50, 5), all(0, 0, 60, 60);
    region.addRect(&a);
    region.addRect(&b);
    region.addRect(&c);
    region.addRect(&all);
    ASSERT_EQ(region.getSize(), 1);
    EXPECT_TRUE(*region.rectAt(0) == all);
}

// Whatever is added, the stored rectangles never overlap and cover exactly the union of what was added.
TEST(RefreshRegion, RandomRectanglesStayDisjointWithTheSameUnion) {
    std::mt19937 random(77);
    std::uniform_int_distribution<int> pos(-10, 90), size(0, 40);
    for (int round = 0; round < 200; ++round) {
        CRefreshRegion region;
        std::vector<CXRect> added;
        int count = 1 + round % 25;
        for (int i = 0; i < count; ++i) {
            int l = pos(random), t = pos(random);
            CXRect r(l, t, l + size(random), t + size(random));
            added.push_back(r);
            region.addRect(&r);
        }
        std::vector<CXRect> stored = rectsOf(region);
        std::vector<int> want = coverage(added, 140, 140), got = coverage(stored, 140, 140);
        for (size_t k = 0; k < want.size(); ++k) {
            ASSERT_EQ(got[k] > 0, want[k] > 0) << "round " << round << " cell " << k;
            ASSERT_LE(got[k], 1) << "round " << round << " cell " << k;
        }
        for (const CXRect& r : stored) EXPECT_FALSE(r.IsEmpty());
    }
}
