#include "display/Pattern.h"

#include <algorithm>

#include "core/Log.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

bool hasArea(const CXRect& r) { return r.right > r.left && r.bottom > r.top; }

CXRect common(const CXRect& a, const CXRect& b) {
    CXRect out(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom));
    return hasArea(out) ? out : CXRect(0, 0, 0, 0);
}

// A cell object placed at its cell for one draw or lookup, and put back exactly as it was: it is moved
// (so animations and anchors keep their own positions) with its screen and collision reports held back.
class CCellPlacement {
public:
    CCellPlacement(CGraphicsObject* object, CXPoint at)
        : m_object(object), m_destiny(object->GetDestiny()), m_clip(object->GetClippingRect()),
          m_canvas(object->GetCanvas()), m_monitored(object->getMonitorCollisionsFlag()) {
        object->SetCanvas(nullptr);
        if (m_monitored) object->setMonitorCollisions(false);
        m_delta = at - object->GetPosition();
        object->Move(m_delta.x, m_delta.y);
    }
    ~CCellPlacement() {
        m_object->Move(-m_delta.x, -m_delta.y);
        m_object->SetDestiny(m_destiny);
        m_object->SetClippingRect(m_clip);
        m_object->SetCanvas(m_canvas);
        if (m_monitored) m_object->setMonitorCollisions(true);
    }
    CCellPlacement(const CCellPlacement&) = delete;
    CCellPlacement& operator=(const CCellPlacement&) = delete;

private:
    CGraphicsObject* m_object;
    CGraphicsObject* m_destiny;
    CXRect m_clip;
    CRefreshScreen* m_canvas;
    bool m_monitored;
    CXPoint m_delta;
};

} // namespace

CPattern::CPattern(CWindow* window, CXSize size, CXSize cell, int layers) : CGraphicsObject(window) {
    setSize(CXSize(std::max(size.cx, 0), std::max(size.cy, 0)));
    SetBpp(window ? window->GetBpp() : 16);
    m_cell = CXSize(std::max(cell.cx, 1), std::max(cell.cy, 1));
    m_layers = std::clamp(layers, 1, kMaxLayers);
    m_columns = m_width / m_cell.cx;
    m_rows = m_height / m_cell.cy;
    const int64_t perLayer = int64_t(m_columns) * m_rows; // both below 2^31: no overflow
    if (perLayer > kMaxCells || perLayer * m_layers > kMaxCells) {
        // A size from a damaged file or a careless definition: no table rather than memory for billions.
        logMessage("pattern: %d layers of %d x %d cells are too many (at most %d); it has no cells", m_layers,
                   m_columns, m_rows, kMaxCells);
        setErrorCode(ERR_GRAPHICS_SIZE);
        m_columns = m_rows = 0;
    }
    m_cells.assign(size_t(m_layers) * m_columns * m_rows, nullptr);
    m_lists.resize(size_t(m_layers));
}

CPattern::~CPattern() { clearCells(); }

void CPattern::invalidateEntry(const CPatternEntry* entry) {
    CGraphicsObject* g = entry->m_object;
    const CXPoint at = GetPosition() + cellOrigin(entry);
    CXRect box = g->GetBoundingBox() + (at - g->GetPosition());
    box.Sum(CXRect(at, at + CXPoint(m_cell.cx, m_cell.cy)));
    Invalidate(&box);
}

void CPattern::onInvalidate(CGraphicsObject* object, CXRect*) {
    if (m_placing) return;
    for (const auto& list : m_lists)
        for (CPatternEntry* e : list)
            if (e->m_object == object && !e->m_locked) invalidateEntry(e);
}

bool CPattern::heldElsewhere(CGraphicsObject* object, CPatternEntry* except) {
    for (const auto& list : m_lists)
        for (CPatternEntry* e : list)
            if (e != except && e->m_object == object) return true;
    return false;
}

void CPattern::dropEntry(CPatternEntry* entry, int layer) {
    if (inTable(entry->m_column, entry->m_row, layer) && cell(entry->m_column, entry->m_row, layer) == entry)
        cell(entry->m_column, entry->m_row, layer) = nullptr;
    auto& list = m_lists[size_t(layer)];
    list.erase(std::remove(list.begin(), list.end(), entry), list.end());
    delete entry;
}

void CPattern::add(CXString name, int column, int row, int layer, CGraphicsObject* object, int priority,
                   CXString alias) {
    if (!object || !inTable(column, row, layer)) return;
    // The pattern itself, or a graphic drawing it, would draw itself without end.
    if (reportsTo(object)) {
        logMessage("pattern: a cell cannot hold the pattern itself or a graphic that draws it");
        return;
    }
    if (CPatternEntry* old = cell(column, row, layer)) {
        invalidateEntry(old);
        if (old->m_object != object && !heldElsewhere(old->m_object, old))
            old->m_object->removeInvalidateObserver(this);
        dropEntry(old, layer);
    }
    auto* entry = new CPatternEntry(name, column, row, object, priority, alias);
    cell(column, row, layer) = entry;
    m_lists[size_t(layer)].push_back(entry);
    object->SetAutoClip(true);
    object->addInvalidateObserver(this);
    invalidateEntry(entry);
}

void CPattern::remove(int column, int row, int layer) {
    if (!inTable(column, row, layer)) return;
    CPatternEntry* entry = cell(column, row, layer);
    if (!entry) return;
    if (!heldElsewhere(entry->m_object, entry)) entry->m_object->removeInvalidateObserver(this);
    invalidateEntry(entry);
    dropEntry(entry, layer);
}

void CPattern::remove(CXString name) {
    for (int layer = 0; layer < m_layers; ++layer) {
        std::vector<CPatternEntry*> list = m_lists[size_t(layer)];
        for (CPatternEntry* e : list)
            if (e->m_name.equals(name)) remove(e->m_column, e->m_row, layer);
    }
}

void CPattern::remove(CGraphicsObject* object, bool deleteObject) {
    if (!object) return;
    bool held = false;
    for (int layer = 0; layer < m_layers; ++layer) {
        std::vector<CPatternEntry*> list = m_lists[size_t(layer)];
        for (CPatternEntry* e : list)
            if (e->m_object == object) {
                held = true;
                invalidateEntry(e);
                dropEntry(e, layer);
            }
    }
    if (!held) return;
    object->removeInvalidateObserver(this);
    if (deleteObject) delete object;
}

void CPattern::removeAll() {
    bool any = false;
    for (const auto& list : m_lists) any = any || !list.empty();
    clearCells();
    if (any) Invalidate();
}

void CPattern::clearCells() {
    for (int layer = 0; layer < m_layers; ++layer) {
        auto& list = m_lists[size_t(layer)];
        while (!list.empty()) {
            CPatternEntry* e = list.back();
            e->m_object->removeInvalidateObserver(this);
            dropEntry(e, layer);
        }
    }
}

void CPattern::onDestroy(CGraphicsObject* object) {
    if (!contains(object)) return;
    remove(object, false);
    // Its cells are drawn again without it.
    Invalidate();
}

bool CPattern::contains(CGraphicsObject* object) {
    return object && heldElsewhere(object, nullptr);
}

CPatternEntry* CPattern::get(int column, int row, int layer) {
    return inTable(column, row, layer) ? cell(column, row, layer) : nullptr;
}

CPatternEntry* CPattern::getAliasEntry(CXString name) {
    for (const auto& list : m_lists)
        for (CPatternEntry* e : list)
            if (e->m_name.equals(name)) return e;
    return nullptr;
}

void CPattern::setGrid(CXSize cell) {
    // Below 1 acts as 1, as at construction: cell sizes divide.
    cell = CXSize(std::max(cell.cx, 1), std::max(cell.cy, 1));
    if (cell.cx == m_cell.cx && cell.cy == m_cell.cy) return;
    m_cell = cell;
    Invalidate();
}

void CPattern::_switch(int c1, int r1, int c2, int r2) {
    if (!inTable(c1, r1, 0) || !inTable(c2, r2, 0)) return;
    for (CPatternEntry* e : {cell(c1, r1, 0), cell(c2, r2, 0)})
        if (e) invalidateEntry(e);
    std::swap(cell(c1, r1, 0), cell(c2, r2, 0));
    if (CPatternEntry* e = cell(c1, r1, 0)) {
        e->m_column = c1;
        e->m_row = r1;
    }
    if (CPatternEntry* e = cell(c2, r2, 0)) {
        e->m_column = c2;
        e->m_row = r2;
    }
    for (CPatternEntry* e : {cell(c1, r1, 0), cell(c2, r2, 0)})
        if (e) invalidateEntry(e);
}

void CPattern::moveDown(int column, int row, int delta) {
    const int target = row + delta;
    if (delta == 0 || !inTable(column, row, 0) || !inTable(column, target, 0)) return;
    CPatternEntry* entry = cell(column, row, 0);
    if (!entry) return;
    if (CPatternEntry* occupant = cell(column, target, 0)) {
        // The moving entry's own graphic in the target cell only leaves that cell; any other graphic
        // there is deleted, so the caller must own it.
        invalidateEntry(occupant);
        if (occupant->m_object == entry->m_object)
            dropEntry(occupant, 0);
        else
            remove(occupant->m_object, true);
    }
    // The occupant's graphic may have sat in the moving entry's cell too (another layer is untouched).
    if (cell(column, row, 0) != entry) return;
    invalidateEntry(entry);
    cell(column, row, 0) = nullptr;
    cell(column, target, 0) = entry;
    entry->m_row = target;
    entry->m_locked = true;
}

void CPattern::lock(int column, int row, bool locked) {
    for (int layer = 0; layer < m_layers; ++layer)
        if (CPatternEntry* e = get(column, row, layer); e && e->m_locked != locked) {
            e->m_locked = locked;
            invalidateEntry(e);
        }
}

void CPattern::Redraw() {
    CGraphicsObject* destiny = GetDestiny();
    if (!destiny) return;
    const CXPoint origin = GetPosition();
    const CXRect clip = GetClippingRect();
    const CXRect screen = destiny->GetBoundingBox();
    m_placing = true;
    for (int layer = 0; layer < m_layers; ++layer) {
        // A drawing object may not change the list; walk a copy anyway.
        std::vector<CPatternEntry*> list = m_lists[size_t(layer)];
        for (CPatternEntry* e : list) {
            CGraphicsObject* g = e->m_object;
            if (e->m_locked || !g->isVisible()) continue;
            const CXPoint at = origin + cellOrigin(e);
            CCellPlacement placed(g, at);
            g->SetDestiny(destiny);
            CXRect box = common(g->getGfxType() == 2 ? g->GetBoundingBox() : g->getRect(), screen);
            if (!hasArea(box)) continue;
            if (clip.IsEmpty()) {
                g->SetClippingRect(CXRect(0, 0, 0, 0));
                g->Redraw();
                continue;
            }
            CXRect part = common(box - origin, clip);
            if (!hasArea(part)) continue;
            // Into the object's own coordinates: its place within the pattern.
            g->SetClippingRect(part - cellOrigin(e));
            g->Redraw();
        }
    }
    m_placing = false;
}

CPatternEntry* CPattern::getEntryAt(int x, int y, int, bool includeHidden, bool boxOnly) {
    const CXPoint p = CXPoint(x, y) - GetPosition();
    for (int layer = 0; layer < m_layers; ++layer) {
        for (CPatternEntry* e : m_lists[size_t(layer)]) {
            CGraphicsObject* g = e->m_object;
            if (e->m_locked || (!g->isVisible() && !includeHidden)) continue;
            CCellPlacement placed(g, cellOrigin(e));
            if (!g->GetAbsoluteBoundingBox().IsInRect(p)) continue;
            // A picture without an alpha plane is opaque everywhere.
            if (boxOnly || !g->GetChannelAlpha() || g->GetPixel(CHANNEL_ALPHA, g->ClientCoords(p)) != 0)
                return e;
        }
    }
    return nullptr;
}

CGraphicsObject* CPattern::getGraphicsObject(int x, int y, bool includeHidden, bool boxOnly, int, int) {
    CPatternEntry* e = getEntryAt(x, y, 0, includeHidden, boxOnly);
    return e ? e->m_object : nullptr;
}

CXString CPattern::getGraphicsObjectAlias(int x, int y, bool includeHidden, bool boxOnly) {
    CPatternEntry* e = getEntryAt(x, y, 0, includeHidden, boxOnly);
    return e ? e->m_alias : CXString("");
}

} // namespace KavirelDLL
