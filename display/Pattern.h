#pragma once
#include <cstdint>
#include <vector>

#include "core/XString.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

// One cell's occupant: a graphics object (not owned) with its name, priority and alias.
class CPatternEntry : public CXObject {
public:
    CPatternEntry(const CXString& name, int column, int row, CGraphicsObject* object, int priority,
                  const CXString& alias)
        : m_column(column), m_row(row), m_name(name), m_object(object), m_priority(priority), m_alias(alias) {}

    // 1 when the other (an entry) has a lower priority than this one, else 0.
    int compare(CXObject* other) override {
        auto* entry = dynamic_cast<CPatternEntry*>(other);
        return entry && entry->m_priority < m_priority ? 1 : 0;
    }

    int32_t m_column;
    int32_t m_row;
    CXString m_name;
    CGraphicsObject* m_object;
    int32_t m_priority;
    CXString m_alias;
    bool m_locked = false;
};

// A tile grid: equal cells, several layers deep, each cell of each layer holding at most one graphics
// object, drawn at its cell. The table's columns and rows are fixed when the pattern is made. Every cell
// argument is range-checked: a cell outside the table changes nothing and holds nothing.
class CPattern : public CGraphicsObject {
public:
    // Beyond these the pattern has no cells (ERR_GRAPHICS_SIZE and a log line); layers beyond the first
    // bound are that many.
    static constexpr int kMaxLayers = 256;
    static constexpr int kMaxCells = 1 << 22;

    CPattern(CWindow* window, CXSize size, CXSize cell, int layers);
    ~CPattern() override;

    void Redraw() override;

    virtual void add(CXString name, int column, int row, int layer, CGraphicsObject* object, int priority,
                     CXString alias);
    // deleteObject: the caller must own the object.
    virtual void remove(CGraphicsObject* object, bool deleteObject);
    virtual void remove(CXString name);
    virtual void remove(int column, int row, int layer);
    virtual void removeAll();
    // The graphic of an entry already in the target cell is deleted: the caller must own it.
    virtual void moveDown(int column, int row, int delta);
    virtual void lock(int column, int row, bool locked);
    virtual bool contains(CGraphicsObject* object);
    // The int arguments are not used: layer 0 is searched first, at any alpha above 0.
    virtual CGraphicsObject* getGraphicsObject(int x, int y, bool includeHidden, bool boxOnly, int, int);

    // A cell object's change (an animation's frame, a text) is drawn again at each cell holding it.
    void onInvalidate(CGraphicsObject* object, CXRect* rect) override;
    // A destroyed graphic leaves every cell that holds it.
    void onDestroy(CGraphicsObject* object) override;

    CPatternEntry* get(int column, int row, int layer);
    CPatternEntry* getEntryAtCell(int layer, int column, int row) { return get(column, row, layer); }
    CPatternEntry* getAliasEntry(CXString name);
    CXSize getGrid() const { return m_cell; }
    void setGrid(CXSize cell);
    int getLayers() const { return m_layers; }
    int getColumns() const { return m_columns; }
    int getRows() const { return m_rows; }
    void _switch(int c1, int r1, int c2, int r2);
    void move(int dx, int dy) { Move(dx, dy); }
    CPatternEntry* getEntryAt(int x, int y, int, bool includeHidden, bool boxOnly);
    CXString getGraphicsObjectAlias(int x, int y, bool includeHidden, bool boxOnly);
    // Entries of a layer in the order they were added.
    const std::vector<CPatternEntry*>& entries(int layer) const { return m_lists[layer]; }

private:
    bool inTable(int column, int row, int layer) const {
        return layer >= 0 && layer < m_layers && column >= 0 && column < m_columns && row >= 0 && row < m_rows;
    }
    CPatternEntry*& cell(int column, int row, int layer) {
        return m_cells[(size_t(layer) * m_columns + column) * m_rows + row];
    }
    // Whether another cell than the entry's own holds the object.
    bool heldElsewhere(CGraphicsObject* object, CPatternEntry* except);
    // The screen draws the cell's occupant again: its box as placed at the cell, and the cell itself.
    void invalidateEntry(const CPatternEntry* entry);
    // Drops every entry without drawing anything again (the destructor's part of removeAll).
    void clearCells();
    // Takes the entry out of its cell and layer list and deletes it.
    void dropEntry(CPatternEntry* entry, int layer);
    CXPoint cellOrigin(const CPatternEntry* entry) const {
        return CXPoint(entry->m_column * m_cell.cx, entry->m_row * m_cell.cy);
    }

    CXSize m_cell;
    int32_t m_layers;
    int32_t m_columns;
    int32_t m_rows;
    std::vector<CPatternEntry*> m_cells;
    std::vector<std::vector<CPatternEntry*>> m_lists;
    // Set while cell objects are placed for a draw: their own moves are no change to show.
    bool m_placing = false;
};

} // namespace KavirelDLL
