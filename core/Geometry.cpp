#include "core/Geometry.h"

#include <algorithm>

#include "core/Containers.h"

namespace KavirelDLL {

int absolute(int x) { return x < 0 ? -x : x; }

CXRect::CXRect() : left(0), top(0), right(0), bottom(0) {}
CXRect::CXRect(int v) : left(v), top(v), right(v), bottom(v) {}
CXRect::CXRect(int left_, int top_, int right_, int bottom_)
    : left(left_), top(top_), right(right_), bottom(bottom_) {}
CXRect::CXRect(const CXPoint& topLeft, const CXPoint& bottomRight)
    : left(topLeft.x), top(topLeft.y), right(bottomRight.x), bottom(bottomRight.y) {}
CXRect::CXRect(const CXRect* other) : left(0), top(0), right(0), bottom(0) {
    if (other) *this = *other;
}
CXRect::~CXRect() = default;

void CXRect::Empty() { left = top = right = bottom = 0; }
void CXRect::SetToEmpty() { Empty(); }

bool CXRect::IsInRect(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
bool CXRect::IsInRect(const CXPoint& p) const { return IsInRect(p.x, p.y); }

bool CXRect::IsPartOf(const CXRect& other) const {
    return other.left <= left && right <= other.right && other.top <= top && bottom <= other.bottom;
}
bool CXRect::isInside(const CXRect& other) const { return IsPartOf(other); }

bool CXRect::operator==(const CXRect& r) const {
    return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
}
bool CXRect::operator!=(const CXRect& r) const { return !(*this == r); }

CXRect& CXRect::operator+=(const CXPoint& p) {
    left += p.x;
    right += p.x;
    top += p.y;
    bottom += p.y;
    return *this;
}
CXRect& CXRect::operator-=(const CXPoint& p) {
    left -= p.x;
    right -= p.x;
    top -= p.y;
    bottom -= p.y;
    return *this;
}
CXRect CXRect::operator+(const CXPoint& p) const {
    CXRect r(*this);
    r += p;
    return r;
}
CXRect CXRect::operator-(const CXPoint& p) const {
    CXRect r(*this);
    r -= p;
    return r;
}

CXRect& CXRect::Explode(int dx, int dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
    return *this;
}
CXRect& CXRect::Explode(const CXPoint& p) { return Explode(p.x, p.y); }
CXRect& CXRect::Explode(const CXSize& s) { return Explode(s.cx, s.cy); }
CXRect& CXRect::Explode(int d) { return Explode(d, d); }

CXRect& CXRect::Sum(const CXRect& other) {
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
    return *this;
}

void CXRect::Common(const CXRect& other, CXRect* out) const {
    if (!out) return;
    CXRect r(std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
             std::min(bottom, other.bottom));
    if (r.right < r.left || r.bottom < r.top) r.Empty();
    *out = r;
}

CXRect& CXRect::Common(const CXRect& other) {
    Common(other, this);
    return *this;
}

CXPoint CXRect::CenterPoint() const { return CXPoint(left + (right - left) / 2, top + (bottom - top) / 2); }

void CXRect::addRect(CXArray* list, int left_, int top_, int right_, int bottom_) {
    if (!list || top_ >= bottom_ || left_ >= right_) return;
    list->add(new CXRect(left_, top_, right_, bottom_));
}

CXArray* CXRect::sub(const CXRect& other) const {
    CXArray* pieces = new CXArray(5, 0.75f);
    CXRect common;
    Common(other, &common);
    // Nothing is cut away: all of this rectangle lies outside other.
    if (common.IsEmpty()) {
        addRect(pieces, left, top, right, bottom);
        return pieces;
    }
    // Full-width bands above and below, then the pieces beside the intersection.
    addRect(pieces, left, top, right, common.top);
    addRect(pieces, left, common.bottom, right, bottom);
    addRect(pieces, left, common.top, common.left, common.bottom);
    addRect(pieces, common.right, common.top, right, common.bottom);
    return pieces;
}

} // namespace KavirelDLL
