#include <gtest/gtest.h>

#include <vector>

#include "core/Containers.h"
#include "core/Geometry.h"
#include "display/GraphicsObject.h"

using namespace KavirelDLL;

namespace {

class FixedSizeGraphic : public CGraphicsObject {
public:
    FixedSizeGraphic(int w, int h) : CGraphicsObject(nullptr), m_w(w), m_h(h) {}
    int Width() override { return m_w; }
    int Height() override { return m_h; }

private:
    int m_w, m_h;
};

std::vector<CXRect> takePieces(CXArray* list) {
    std::vector<CXRect> pieces;
    for (int i = 0; i < list->getSize(); ++i) {
        CXRect* r = static_cast<CXRect*>(list->at(i));
        pieces.push_back(*r);
        delete r;
    }
    delete list;
    return pieces;
}

// Every point of the rectangle is covered exactly once by the pieces and the intersection.
void expectExactCover(const CXRect& rect, const CXRect& other, const std::vector<CXRect>& pieces) {
    CXRect common;
    rect.Common(other, &common);
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            int covered = common.IsInRect(x, y) ? 1 : 0;
            for (const auto& p : pieces) covered += p.IsInRect(x, y) ? 1 : 0;
            ASSERT_EQ(covered, 1) << "at " << x << "," << y;
        }
    }
    for (const auto& p : pieces) {
        EXPECT_FALSE(p.IsEmpty());
        EXPECT_TRUE(p.IsPartOf(rect));
    }
}

} // namespace

TEST(Geometry, PointsAndSizes) {
    EXPECT_EQ(absolute(-3), 3);
    EXPECT_EQ(absolute(4), 4);
    EXPECT_EQ(CXSize(-2, 3).AbsSum(), 5);
    EXPECT_EQ(CXSize(-2, 3).Sum(), 1);
    EXPECT_EQ(CXSize(4, 5).mul(), 20);
    EXPECT_EQ(CXSize(7).cy, 7);
    EXPECT_EQ(CXPoint(5), CXPoint(5, 5));
    EXPECT_EQ(CXPoint(1, 2) + 3, CXPoint(4, 5));
    EXPECT_EQ(CXPoint(1, 2) - CXPoint(3, 5), CXPoint(-2, -3));
    EXPECT_NE(CXPoint(1, 2), CXPoint(2, 1));
    EXPECT_EQ(CXPoint(), CXPoint(0, 0));
}

TEST(Geometry, RectangleBasics) {
    CXRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.IsInRect(9, 9));
    EXPECT_FALSE(r.IsInRect(10, 5));
    EXPECT_FALSE(r.IsInRect(CXPoint(5, 10)));
    EXPECT_TRUE(r.IsInRect(CXPoint(0, 0)));
    EXPECT_FALSE(CXRect(10, 0, 5, 5).IsEmpty());
    EXPECT_TRUE(CXRect(3, 0, 3, 5).IsEmpty());
    EXPECT_EQ(CXRect(static_cast<CXRect*>(nullptr)), CXRect());
    EXPECT_EQ(CXRect(&r), r);
    EXPECT_EQ(CXRect(CXPoint(1, 2), CXPoint(3, 4)), CXRect(1, 2, 3, 4));
    EXPECT_EQ(CXRect(7), CXRect(7, 7, 7, 7));

    EXPECT_TRUE(CXRect(2, 2, 10, 10).IsPartOf(r));
    EXPECT_TRUE(r.isInside(r));
    EXPECT_FALSE(CXRect(-1, 2, 5, 5).isInside(r));

    CXRect moved = r + CXPoint(3, -1);
    EXPECT_EQ(moved, CXRect(3, -1, 13, 9));
    moved -= CXPoint(3, -1);
    EXPECT_EQ(moved, r);
    EXPECT_EQ(CXRect(r).Explode(2), CXRect(-2, -2, 12, 12));
    EXPECT_EQ(CXRect(r).Explode(CXSize(1, 3)), CXRect(-1, -3, 11, 13));
    CXRect e(r);
    e.Empty();
    EXPECT_EQ(e, CXRect());

    EXPECT_EQ(CXRect(1, 2, 5, 8).CenterPoint(), CXPoint(3, 5));
    EXPECT_EQ(CXRect(0, 0, -5, -5).CenterPoint(), CXPoint(-2, -2));
    EXPECT_EQ(CXRect(1, 2, 3, 4).RightTop(), CXPoint(3, 2));
    EXPECT_EQ(CXRect(1, 2, 3, 4).LeftBottom(), CXPoint(1, 4));
}

TEST(Geometry, UnionAndIntersection) {
    EXPECT_EQ(CXRect(5, 5, 10, 10).Sum(CXRect()), CXRect(0, 0, 10, 10));
    EXPECT_EQ(CXRect(0, 0, 4, 4).Sum(CXRect(2, -1, 8, 3)), CXRect(0, -1, 8, 4));

    EXPECT_EQ(CXRect(0, 0, 5, 5).Common(CXRect(8, 8, 9, 9)), CXRect());
    CXRect touching = CXRect(0, 0, 10, 10).Common(CXRect(10, 0, 20, 10));
    EXPECT_EQ(touching, CXRect(10, 0, 10, 10));
    EXPECT_TRUE(touching.IsEmpty());

    CXRect a(0, 0, 10, 10);
    CXRect out(1);
    a.Common(CXRect(5, -5, 15, 5), &out);
    EXPECT_EQ(out, CXRect(5, 0, 10, 5));
    EXPECT_EQ(a, CXRect(0, 0, 10, 10));
}

TEST(Geometry, CenteredPosition) {
    FixedSizeGraphic g(4, 6);
    EXPECT_EQ(CXRect(10, 20, 30, 40).GetCenteredPosition(&g), CXPoint(18, 27));
    FixedSizeGraphic wide(25, 1);
    EXPECT_EQ(CXRect(0, 0, 20, 20).GetCenteredPosition(&wide), CXPoint(-2, 9));
}

TEST(Geometry, DifferenceCoversTheRestExactly) {
    const CXRect rect(0, 0, 10, 8);
    const std::vector<CXRect> others = {
        CXRect(3, 2, 6, 5),     // inside: four pieces
        CXRect(-5, -5, 4, 4),   // a corner
        CXRect(-5, 3, 20, 5),   // a band across
        CXRect(5, -10, 20, 20), // the right half
        CXRect(0, 0, 10, 4),    // the top half exactly
    };
    for (const auto& other : others) {
        auto pieces = takePieces(rect.sub(other));
        expectExactCover(rect, other, pieces);
    }
    auto four = takePieces(rect.sub(CXRect(3, 2, 6, 5)));
    EXPECT_EQ(four.size(), 4u);
}

TEST(Geometry, DifferenceWithCoveringAndDisjointRectangles) {
    const CXRect rect(0, 0, 10, 8);
    EXPECT_TRUE(takePieces(rect.sub(CXRect(-1, -1, 11, 9))).empty());
    EXPECT_TRUE(takePieces(rect.sub(rect)).empty());

    // Nothing of the rectangle lies inside a disjoint or merely touching one: all of it remains.
    auto apart = takePieces(rect.sub(CXRect(50, 50, 60, 60)));
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0], rect);
    auto touching = takePieces(rect.sub(CXRect(10, 0, 20, 8)));
    ASSERT_EQ(touching.size(), 1u);
    EXPECT_EQ(touching[0], rect);

    EXPECT_TRUE(takePieces(CXRect(5, 5, 5, 9).sub(CXRect(100, 100, 101, 101))).empty());

    CXArray* list = rect.sub(CXRect(3, 2, 6, 5));
    EXPECT_GE(list->getCapacity(), 5);
    takePieces(list);
}

TEST(Geometry, AddRectSkipsEmptyPieces) {
    CXArray list(5, 0.75f);
    CXRect::addRect(&list, 0, 0, 0, 5);
    CXRect::addRect(&list, 0, 5, 5, 5);
    CXRect::addRect(&list, 5, 0, 0, 5);
    EXPECT_EQ(list.getSize(), 0);
    CXRect::addRect(&list, 0, 0, 1, 1);
    ASSERT_EQ(list.getSize(), 1);
    delete static_cast<CXRect*>(list.at(0));
}
