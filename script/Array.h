#pragma once
#include <vector>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_ArgumentsGuard;
class CMC_Variable;

enum : int { EVT_ARRAY_ONCHANGED = 3 };

// ARRAY: an ordered list of values (INTEGER, STRING, BOOL, DOUBLE) it owns as heap copies, with a marker
// for stepping through it, element arithmetic, sorting, searching, and keeping in the ini file or a binary
// file. While SENDONCHANGE is true, every element change raises "ONCHANGED^i" (or "ONCHANGED" when nothing
// answers that). A handler may change or delete the array: loops read the size at every step and stop once
// the array is gone.
class CMC_Array : public CMC_Object {
public:
    CMC_Array(CMC_ObjectsContainer* scene, CMElement* element);
    // A blank array (clones and caches make these).
    CMC_Array(CMC_ObjectsContainer* scene, const CXString& name);
    ~CMC_Array() override;

    // The element itself; null outside the list.
    virtual CMC_Variable* get(int index);
    // Appends a copy of the value, then onChanged(size - 2), as games expect.
    virtual void add(CMC_Variable* value);
    // Appends the STRINGs name_from .. name_to.
    virtual void addClones(const CXString& name, int from, int to);
    virtual void insertAt(int index, CMC_Variable* value);
    virtual void changeAt(int index, CMC_Variable* value);
    virtual void removeAt(int index);
    virtual void removeAll();
    // Removes the first element that equals the value.
    virtual void remove(CMC_Variable* value);
    virtual bool contains(CMC_Variable* value);
    // The first index of an equal element, or -1.
    virtual int find(CMC_Variable* value);
    // Every index of an equal element, ascending, into out; how many.
    virtual int findAll(CMC_Variable* value, std::vector<int>* out);
    virtual int reversefind(CMC_Variable* value);
    virtual void saveINI();
    virtual void loadINI();
    virtual int getSize();
    // The element the marker reaches, or null (an empty array, or the marker left at -1). A negative step
    // goes the other way.
    virtual CMC_Variable* prev(int n);
    virtual CMC_Variable* next(int n);
    virtual void resetMarker();
    virtual int getMarkerPos();
    // Clamped to -1 .. size-1.
    virtual void setMarkerPos(int position);
    virtual void sum(CMC_Variable* value);
    virtual void sub(CMC_Variable* value);
    virtual void mul(CMC_Variable* value);
    virtual void div(CMC_Variable* value);
    // Elements from .. to (inclusive, kept inside the array) combined with the operand's value.
    virtual void suma(CMC_Variable* operand, int from, int to);
    virtual void suba(CMC_Variable* operand, int from, int to);
    virtual void mula(CMC_Variable* operand, int from, int to);
    virtual void diva(CMC_Variable* operand, int from, int to);
    virtual void mulat(int index, CMC_Variable* value);
    virtual void divat(int index, CMC_Variable* value);
    virtual void addat(int index, CMC_Variable* value);
    virtual void subat(int index, CMC_Variable* value);
    virtual void modat(int index, CMC_Variable* value);
    virtual void swap(int a, int b);
    // Stable, by the elements' compare; false gives the reverse of that order.
    virtual void sort(bool ascending);
    // Empties the array, then appends the file's values. A damaged file stops the reading where it is
    // damaged (the values before stay) and sets ERR_FILE_DAMAGED.
    virtual void load(CXString fileName);
    // Writes the whole file or nothing (ERR_FILE_WRITE; an old file stays as it was).
    virtual void save(CXString fileName);
    virtual bool compareArr(CMC_Array* other);

    using CMC_Object::clone;
    // An array named "cloned" in the same container, with copies of the elements.
    CXObject* clone() override;
    // The elements' texts joined by ",".
    CXString toString() override;
    CXString** getBehavioursList() override;
    // The object part, then SENDONCHANGE as one byte; the elements are not stored.
    void serialize(CXArchive* archive) override;

    // Appends count numbers drawn as RANDOM draws them (base plus 0 .. n-1, all different when unique); a
    // count below 0 or above what one draw holds appends nothing and is logged (false).
    bool addRandom(int count, int base, int n, bool unique);
    static bool isDrawable(int count);

    void onChanged(int index);
    void shiftLeft();
    void shiftRight();
    void rotateLeft();
    void rotateRight();
    CXArray* getElements() { return m_elements; }
    bool getSendOnChange() const { return m_sendOnChange; }
    void setSendOnChange(bool flag) { m_sendOnChange = flag; }

private:
    // Appends a value the array already owns, without an event.
    void append(CMC_Variable* owned);
    // Every element from .. to combined with the value by op; onChanged after each.
    void applyRange(CMC_Variable* value, int op, int from, int to);
    void applyAt(int index, CMC_Variable* value, int op);
    // The elements moved one place (left: toward 0), the one that wraps emptied or not; then every index
    // changed.
    void shift(bool left, bool empty);
    void changedFromZero();

    CXArray* m_elements;
    int32_t m_marker = -1;
    bool m_sendOnChange = false;
};

// ARRAY methods.
class CMC_Array_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_GETSIZE = 2,
        MTH_INSERTAT = 3,
        MTH_REMOVEAT = 4,
        MTH_CHANGEAT = 5,
        MTH_REMOVEALL = 6,
        MTH_GET = 7,
        MTH_REMOVE = 8,
        MTH_FIND = 9,
        MTH_CONTAINS = 10,
        MTH_SAVEINI = 11,
        MTH_LOADINI = 12,
        MTH_PREV = 13,
        MTH_NEXT = 14,
        MTH_ADDCLONES = 15,
        MTH_RESETMARKER = 16,
        MTH_GETMARKERPOS = 17,
        MTH_SETMARKERPOS = 18,
        MTH_SUM = 19,
        MTH_SUMA = 20,
        MTH_SUB = 21,
        MTH_SUBA = 22,
        MTH_MUL = 23,
        MTH_MULA = 24,
        MTH_DIV = 25,
        MTH_DIVA = 32,
        MTH_MIN = 33,
        MTH_MAX = 34,
        MTH_GETSUMVALUE = 35,
        MTH_SORT = 36,
        MTH_LOAD = 37,
        MTH_SAVE = 38,
        MTH_REVERSEFIND = 39,
        MTH_MULAT = 40,
        MTH_DIVAT = 41,
        MTH_ADDAT = 42,
        MTH_SUBAT = 43,
        MTH_MODAT = 44,
        MTH_CLAMPAT = 45,
        MTH_DIR = 46,
        MTH_COMPARE = 47,
        MTH_SENDONCHANGE = 48,
        MTH_SHIFTLEFT = 49,
        MTH_SHIFTRIGHT = 50,
        MTH_ROTATELEFT = 51,
        MTH_ROTATERIGHT = 52,
        MTH_SWAP = 53,
        MTH_FINDALL = 54,
        MTH_SORTMANY = 55,
        MTH_MAXD = 56,
        MTH_MIND = 57,
        MTH_COPYTO = 58,
        MTH_FILL = 59,
        MTH_RANDOMFILL = 60,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

private:
    CMC_Variable* search(int id, CMC_Array* array, CMC_ObjectsContainer* container, CXVector* args,
                         const CMC_ArgumentsGuard& guard);
    CMC_Variable* arithmetic(int id, CMC_Array* array, CMC_ObjectsContainer* container, CXVector* args,
                             const CMC_ArgumentsGuard& guard);
    CMC_Variable* statistics(int id, CMC_Array* array);
    CMC_Variable* filling(int id, CMC_Array* array, CMC_ObjectsContainer* container, CXVector* args,
                          const CMC_ArgumentsGuard& guard);
    void dir(CMC_Array* array, CMC_ObjectsContainer* container, CXVector* args,
             const CMC_ArgumentsGuard& guard);
};

} // namespace KavirelDLL
