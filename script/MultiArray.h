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
class CMC_MultiArray : public CMC_Object {
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
    virtual CMC_Variable* get(const std::vector<int32_t>& coords);
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
    int getIndex(const std::vector<int32_t>& sizes, const std::vector<int32_t>& coords) const;
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
