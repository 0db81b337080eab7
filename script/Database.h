#pragma once
#include <cstdint>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_Structure;
class CMC_Variable;

// DATABASE: rows that are nameless copies of one model structure (MODEL), a cursor that selects a row into
// the structure "<name>_CURSOR", and a text file of one row a line (fields separated by '|').
class CMC_Database : public CMC_Object {
public:
    CMC_Database(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Database() override;

    // Finds the model and makes the cursor structure in the container.
    void init() override;
    CXString** getBehavioursList() override;
    CMC_Runner* getRunner() override;

    void add(CMC_Structure* structure);
    // False (nothing added) outside 0..rows.
    bool insertAt(int index, CMC_Structure* structure);
    // Removes every row whose field equals the value.
    void remove(const CXString& field, CMC_Variable* value);
    // False outside the rows.
    bool removeAt(int index);
    void removeAll();
    // The first row from start on whose field equals the value, mapped into the cursor structure (the
    // cursor stays); -1 when there is none.
    int find(const CXString& field, CMC_Variable* value, int start);
    void select(int index);
    void next();
    void prev();
    int getRows() const { return m_rows->getSize(); }
    int getCursorPos() const { return m_cursor; }
    CMC_Structure* getRow(int index);
    CMC_Structure* getCursorStructure();
    CMC_Structure* getModel();

    // Appends the file's rows and selects the first row. ERR_NONE, ERR_FILE_NOT_FOUND, or -1 (nothing read)
    // without a model.
    int load(const CXString& file);
    // ERR_NONE, or ERR_FILE_WRITE (the old file is then kept).
    int save(const CXString& file);

private:
    // Lets the cursor structure read the row's fields.
    void mapRow(int index);
    // A row about to be deleted is no longer read through the cursor structure.
    void unmapRow(CMC_Structure* row);

    CXString m_modelName;
    CMC_ObjectHandle m_model;
    int32_t m_cursor = 0;
    CMC_ObjectHandle m_cursorStructure;
    CXVector* m_rows;
    CMC_ObjectHandle m_mappedRow;
};

class CMC_Database_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_REMOVE = 2,
        MTH_LOAD = 3,
        MTH_SAVE = 4,
        MTH_REMOVEALL = 5,
        MTH_FIND = 6,
        MTH_SELECT = 7,
        MTH_NEXT = 8,
        MTH_PREV = 9,
        MTH_GETROWSNO = 10,
        MTH_REMOVEAT = 11,
        MTH_INSERTAT = 12,
        MTH_GETCURSORPOS = 13,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
