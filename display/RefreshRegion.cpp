#include "display/RefreshRegion.h"

#include <vector>

namespace KavirelDLL {

namespace {

bool crossedOrEmpty(const CXRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool overlaps(const CXRect& a, const CXRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool within(const CXRect& inner, const CXRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

} // namespace

CRefreshRegion::CRefreshRegion() : CXArray(101, 0.75f) {}

CRefreshRegion::~CRefreshRegion() { freeRects(); }

void CRefreshRegion::freeRects() {
    for (int i = 0; i < m_count; ++i) delete static_cast<CXRect*>(m_items[i]);
    removeAll();
}

void CRefreshRegion::clear() {
    freeRects();
    m_wholeScreen = false;
}

void CRefreshRegion::addRect(CXRect* rect) {
    if (m_wholeScreen) return;
    // The engine's screens were 800x600; that rectangle stands for the whole screen whatever its size.
    if (!rect || *rect == CXRect(0, 0, 800, 600)) {
        freeRects();
        m_wholeScreen = true;
        add(static_cast<void*>(nullptr));
        return;
    }
    std::vector<CXRect> queued{*rect};
    while (!queued.empty()) {
        CXRect r = queued.back();
        queued.pop_back();
        if (crossedOrEmpty(r)) continue;
        bool settled = false;
        for (int i = 0; i < m_count && !settled; ++i) {
            CXRect* stored = static_cast<CXRect*>(m_items[i]);
            if (!overlaps(r, *stored)) continue;
            settled = true;
            if (within(r, *stored)) break;
            if (within(*stored, r)) {
                removeAt(i);
                delete stored;
                queued.push_back(r);
                break;
            }
            CXArray* pieces = r.sub(*stored);
            for (int k = 0; k < pieces->getSize(); ++k) {
                CXRect* piece = static_cast<CXRect*>(pieces->at(k));
                queued.push_back(*piece);
                delete piece;
            }
            delete pieces;
        }
        if (!settled) add(new CXRect(r));
    }
}

} // namespace KavirelDLL
