#pragma once
#include <cstdint>
#include <vector>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_Variable;

// MULTIARRAY: a grid of values it owns (copies), addressed by one integer coordinate per dimension. It
// grows by doubling the dimensions a SET reaches past, and keeps its cells in a binary file. Every
// coordinate takes part in a cell's address: c0 + s0 * (c1 + s1 * (c2 + ...)).
// Final, so that reads through it are direct calls that inline.
class CMC_MultiArray final : public CMC_Object {
public:
    static constexpr int kMaxDimensions = 6;
    static constexpr int kMaxCells = 1 << 24;
    static constexpr int kStartSize = 16;

    // A blank array of two dimensions, without sizes or cells until its first SET.
    CMC_MultiArray(CMC_ObjectsContainer* scene, const CXString& name);
    // DIMENSIONS (1 to 6) dimensions of 16 cells each.
    CMC_MultiArray(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_MultiArray() override;

    using CMC_Object::clone;
    // The array itself: it is never copied.
    CXObject* clone() override;
    CXString toString() override;
    CXString** getBehavioursList() override;
    CMC_Runner* getRunner() override;
    // A cache keeps no cells: nothing is stored or read.
    void serialize(CXArchive* archive) override;

    // Empties the cell at the address in the block and puts the value (or a clone of it) there.
    virtual void set(std::vector<CMC_Variable*>& cells, const std::vector<int32_t>& sizes,
                     const std::vector<int32_t>& coords, CMC_Variable* value, bool copy);
    // Grows the array to reach the cell, then keeps a clone of the value there. False (and a log line)
    // for coordinates it refuses or a size it cannot reach.
    virtual bool set(const std::vector<int32_t>& coords, CMC_Variable* value);
    // The value at the cell; null for an empty cell, one outside the array or refused coordinates.
    virtual CMC_Variable* get(const std::vector<int32_t>& coords) {
        return get(coords.data(), static_cast<int>(coords.size()));
    }
    // The same for count coordinates in a row.
    CMC_Variable* get(const int32_t* coords, int count) const {
        if (count != m_dimensions || m_sizes.empty()) return nullptr;
        const int32_t* sizes = m_sizes.data();
        // Within the sizes every partial address stays below the cell count, so int never overflows.
        int index = 0;
        for (int d = count; d-- > 0;) {
            if (static_cast<uint32_t>(coords[d]) >= static_cast<uint32_t>(sizes[d])) return nullptr;
            index = index * sizes[d] + coords[d];
        }
        return m_cells[static_cast<size_t>(index)];
    }
    // How many cells hold a value equal to this one.
    virtual int count(CMC_Variable* value);
    virtual void saveINI();
    virtual void loadINI();
    // 0 outside the dimensions.
    virtual int getSize(int dimension);
    // ERR_NONE, or ERR_FILE_WRITE when the file could not be written (the old one is then kept).
    virtual int save(const CXString& file);
    // ERR_NONE; ERR_FILE_NOT_FOUND or ERR_FILE_DAMAGED for a header it cannot use (the array is left
    // empty with its sizes); ERR_FILE_DAMAGED for damaged cells (the cells read before them are kept).
    virtual int load(const CXString& file);

    // The address of the coordinates; -1 for coordinates the array refuses (a count other than its
    // dimensions, a negative one) or outside the sizes.
    int getIndex(const std::vector<int32_t>& sizes, const std::vector<int32_t>& coords) const {
        size_t count = coords.size();
        if (count != static_cast<size_t>(m_dimensions) || sizes.size() != count) return -1;
        int64_t index = 0;
        for (size_t d = count; d-- > 0;) {
            int32_t c = coords[d];
            if (c < 0 || c >= sizes[d]) return -1;
            index = index * sizes[d] + c;
        }
        return static_cast<int>(index);
    }
    int getIndex(const std::vector<int32_t>& coords) const { return getIndex(m_sizes, coords); }
    // The coordinates of an address under the array's sizes.
    std::vector<int32_t> getCoords(int index) const;
    // Doubles every size the coordinates reach (a blank array takes 16 per dimension first); false when
    // the cells would be more than kMaxCells.
    bool validateSize(const std::vector<int32_t>& coords);
    void removeAll();

    int getDimensions() const { return m_dimensions; }
    int getCellCount() const { return m_cellCount; }
    // A clear reason for coordinates the array refuses, or null when it takes them.
    const char* refusal(const std::vector<int32_t>& coords) const;

private:
    int32_t m_cellCount = 0;
    int32_t m_dimensions = 2;
    std::vector<CMC_Variable*> m_cells;
    std::vector<int32_t> m_sizes;
};

class CMC_MultiArray_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_SET = 1,
        MTH_GET = 2,
        MTH_GETSIZE = 3,
        MTH_COUNT = 4,
        MTH_LOAD = 5,
        MTH_SAVE = 6,
        MTH_SAFEGET = 7,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
