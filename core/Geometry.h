#pragma once
#include <cstdint>

namespace KavirelDLL {

class CXArray;

int absolute(int x);

class CXPoint {
public:
    int32_t x;
    int32_t y;

    CXPoint() : x(0), y(0) {}
    CXPoint(int v) : x(v), y(v) {}
    CXPoint(int x_, int y_) : x(x_), y(y_) {}
    CXPoint(const CXPoint&) = default;
    CXPoint& operator=(const CXPoint&) = default;

    CXPoint operator+(int d) const { return CXPoint(x + d, y + d); }
    CXPoint operator-(int d) const { return CXPoint(x - d, y - d); }
    CXPoint operator+(const CXPoint& p) const { return CXPoint(x + p.x, y + p.y); }
    CXPoint operator-(const CXPoint& p) const { return CXPoint(x - p.x, y - p.y); }
    bool operator==(const CXPoint& p) const { return x == p.x && y == p.y; }
    bool operator!=(const CXPoint& p) const { return !(*this == p); }
};

class CXSize {
public:
    int32_t cx;
    int32_t cy;

    CXSize() : cx(0), cy(0) {}
    CXSize(int v) : cx(v), cy(v) {}
    CXSize(int cx_, int cy_) : cx(cx_), cy(cy_) {}
    CXSize(const CXSize&) = default;
    CXSize& operator=(const CXSize&) = default;

    int mul() const { return cx * cy; }
    int Sum() const { return cx + cy; }
    int AbsSum() const { return absolute(cx) + absolute(cy); }
};

// Right and bottom are exclusive; nothing normalises a rectangle whose right lies left of its left.
class CXRect {
public:
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    CXRect();
    CXRect(int v);
    CXRect(int left_, int top_, int right_, int bottom_);
    CXRect(const CXPoint& topLeft, const CXPoint& bottomRight);
    CXRect(const CXRect* other);
    CXRect(const CXRect&) = default;
    CXRect& operator=(const CXRect&) = default;
    virtual ~CXRect();

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right == left || bottom == top; }
    void Empty();
    void SetToEmpty();

    bool IsInRect(int x, int y) const;
    bool IsInRect(const CXPoint& p) const;
    bool IsPartOf(const CXRect& other) const;
    bool isInside(const CXRect& other) const;

    bool operator==(const CXRect& r) const;
    bool operator!=(const CXRect& r) const;

    CXRect& operator+=(const CXPoint& p);
    CXRect& operator-=(const CXPoint& p);
    CXRect operator+(const CXPoint& p) const;
    CXRect operator-(const CXPoint& p) const;

    CXRect& Explode(int dx, int dy);
    CXRect& Explode(const CXPoint& p);
    CXRect& Explode(const CXSize& s);
    CXRect& Explode(int d);

    // Union in place; an all-zero rectangle takes part like any other.
    CXRect& Sum(const CXRect& other);
    // Intersection in place; a crossed result becomes all zeros, a touching one keeps zero width or height.
    CXRect& Common(const CXRect& other);
    // Intersection of this and other into out; this rectangle is unchanged.
    void Common(const CXRect& other, CXRect* out) const;

    CXPoint TopLeft() const { return CXPoint(left, top); }
    CXPoint LeftTop() const { return CXPoint(left, top); }
    CXPoint BottomRight() const { return CXPoint(right, bottom); }
    CXPoint RightBottom() const { return CXPoint(right, bottom); }
    CXPoint RightTop() const { return CXPoint(right, top); }
    CXPoint LeftBottom() const { return CXPoint(left, bottom); }
    CXPoint CenterPoint() const;
    // Where a graphic (anything with Width() and Height()) stands centred in the rectangle; the centre
    // point without one.
    template <typename Graphic>
    CXPoint GetCenteredPosition(Graphic* g) const {
        if (!g) return CenterPoint();
        return CXPoint(left + (Width() - g->Width()) / 2, top + (Height() - g->Height()) / 2);
    }

    // Appends a new rectangle to list unless it would be empty or crossed.
    static void addRect(CXArray* list, int left, int top, int right, int bottom);
    // The parts of this rectangle outside other: a new list of new rectangles, owned by the caller.
    CXArray* sub(const CXRect& other) const;
};

} // namespace KavirelDLL
