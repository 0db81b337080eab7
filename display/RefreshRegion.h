#pragma once
#include "core/Containers.h"
#include "core/Geometry.h"

namespace KavirelDLL {

// The screen's dirty region: disjoint rectangles (owned) whose union is everything invalidated since the
// region was last cleared. A null entry stands for the whole screen, and while the whole-screen flag is set
// further rectangles change nothing.
class CRefreshRegion : public CXArray {
public:
    CRefreshRegion();
    CRefreshRegion(const CRefreshRegion&) = delete;
    CRefreshRegion& operator=(const CRefreshRegion&) = delete;
    ~CRefreshRegion() override;

    // Adds a copy of the rectangle (null: the whole screen); the caller keeps its own.
    void addRect(CXRect* rect);
    // Frees every rectangle and clears the whole-screen flag.
    void clear();
    bool isWholeScreen() const { return m_wholeScreen; }

    // Entry i, null for the whole-screen entry.
    CXRect* rectAt(int i) const { return static_cast<CXRect*>(at(i)); }

private:
    void freeRects();

    bool m_wholeScreen = false;
};

} // namespace KavirelDLL
