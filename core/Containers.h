#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// Growable lists of pointers; neither owns its elements. A list is created with a capacity and a
// load factor (commonly 101 and 0.75) and doubles when it passes capacity × load factor. Whatever
// the load factor, a write never passes the slots: the list grows first.
class CXArray : public CXObject {
public:
    CXArray(int capacity = 101, float loadFactor = 0.75f);
    CXArray(const CXArray& other);
    CXArray& operator=(const CXArray& other);
    ~CXArray() override;

    CXObject* clone() override;

    virtual void doubleSize();
    virtual void add(void* x);
    virtual void add(CXArray* list);
    virtual bool replace(void* oldItem, void* newItem);
    // Slots up to the capacity may be set; the count does not change.
    virtual void* setAt(int i, void* x);
    virtual void insertAt(int i, void* x);
    virtual void remove(void* x);
    virtual void removeAt(int i);
    virtual int find(void* x);
    virtual bool contains(void* x);
    // The elements are script values; true when a string among them equals s ignoring case.
    virtual bool containsString(const CXString& s);
    // The text of an element when it is a script STRING value, else null: the script runtime supplies the
    // reading once, when the library loads; until then no element is a string.
    using StringValueReader = const CXString* (*)(CXObject* element);
    static void setStringValueReader(StringValueReader reader) { s_stringValue = reader; }
    // The count becomes 0; the slots keep what they held.
    virtual void removeAll();
    virtual CXString* stringAt(int i);
    // The pointer in slot i, whatever the count; null outside the slots.
    virtual void* operator[](int i);
    void* at(int i) const { return i >= 0 && i < m_capacity ? m_items[i] : nullptr; }

    int getSize() const { return m_count; }
    int getCapacity() const { return m_capacity; }
    float getLoadFactor() const { return m_loadFactor; }

protected:
    friend struct CXListBody;

    bool grow();
    bool ensureSlots(int needed);

    float m_loadFactor;
    void** m_items;
    int32_t m_capacity;
    int32_t m_count;

private:
    static inline StringValueReader s_stringValue = nullptr;
};

class CXVector : public CXObject {
public:
    CXVector(int capacity = 101, float loadFactor = 0.75f);
    CXVector(const CXVector& other);
    CXVector& operator=(const CXVector& other);
    ~CXVector() override;

    CXObject* clone() override;

    virtual void doubleSize();
    virtual void add(CXObject* x);
    virtual void add(CXVector* list);
    // Whether n more add()s of this class store without making slots; then appendFitting() stores each.
    bool fits(int n) const { return m_count + n <= m_fit; }
    void appendFitting(CXObject* x) { m_items[m_count++] = x; }
    // add() of this class, inline while no slot has to be made.
    void append(CXObject* x) {
        if (m_count < m_fit)
            m_items[m_count++] = x;
        else
            CXVector::add(x);
    }
    // removeAt() of this class for the last element when it is x, inline; whether it was.
    bool removeLastIf(const CXObject* x) {
        if (m_count == 0 || m_items[m_count - 1] != x) return false;
        --m_count;
        return true;
    }
    virtual bool replace(CXObject* oldItem, CXObject* newItem);
    // Only elements in use may be set.
    virtual CXObject* setAt(int i, CXObject* x);
    // An index past the end appends.
    virtual void insertAt(int i, CXObject* x);
    virtual void remove(CXObject* x);
    virtual void removeAt(int i);
    virtual int find(CXObject* x);
    virtual bool contains(CXObject* x);
    // The last slot holding x, or -1: for lists whose recent entries come and go first.
    int findFromEnd(const CXObject* x) const;
    // The count becomes 0; the slots keep what they held.
    virtual void removeAll() { m_count = 0; }
    // The pointer in slot i, whatever the count; null outside the slots.
    virtual CXObject* operator[](int i);
    // Copies this list's pointers into other, which grows when it has too few slots.
    virtual void copyInto(CXVector* other);
    CXObject* at(int i) const { return i >= 0 && i < m_capacity ? m_items[i] : nullptr; }

    int getSize() const { return m_count; }
    int getCapacity() const { return m_capacity; }
    float getLoadFactor() const { return m_loadFactor; }

protected:
    friend struct CXListBody;

    bool grow();
    bool ensureSlots(int needed);
    // Sets m_fit after the capacity or the load factor changed.
    void updateFit();

    float m_loadFactor;
    CXObject** m_items;
    int32_t m_capacity;
    int32_t m_count;
    // The most elements stored without growing: the capacity, and no more than capacity × load factor.
    int32_t m_fit;
};

class CQuene : public CXArray {
public:
    CQuene() : CXArray(101, 0.75f) {}
    virtual void push(void* x);
    // Null when the queue is empty.
    virtual void* pop() = 0;
};

class CFifoQuene : public CQuene {
public:
    void* pop() override;
};

class CLifoQuene : public CQuene {
public:
    void* pop() override;
};

class CXQuene : public CXVector {
public:
    CXQuene() : CXVector(101, 0.75f) {}
    virtual void push(CXObject* x);
    // Null when the queue is empty.
    virtual CXObject* pop() = 0;
};

class CXFifoQuene : public CXQuene {
public:
    CXObject* pop() override;
};

class CXLifoQuene : public CXQuene {
public:
    CXObject* pop() override;
};

// Kept ordered by the elements' compare(); equal elements stay in the order they were added.
class CSortedVector : public CXVector {
public:
    explicit CSortedVector(int capacity = 101);
    using CXVector::add;
    void add(CXObject* x) override;
    // A new list in the same order, with equal elements reversed.
    CSortedVector* reverse();
};

class CXPair : public CXObject {
public:
    // The name is kept lower-cased; both pointers take the value.
    CXPair(const CXString& name, void* value);
    CXPair(const char* name, void* value);
    CXPair(void* first, void* second);

    CXObject* clone() override;
    CXString getName() const { return m_name; }
    void* getFirst() const { return m_first; }
    void* getSecond() const { return m_second; }
    void setFirst(void* first) { m_first = first; }
    void setSecond(void* second) { m_second = second; }

private:
    CXString m_name;
    void* m_first;
    void* m_second;
};

class CXTriple : public CXObject {
public:
    CXTriple(void* first, void* second, void* third) : m_first(first), m_second(second), m_third(third) {}

    CXObject* clone() override;
    void* getFirst() const { return m_first; }
    void* getSecond() const { return m_second; }
    void* getThird() const { return m_third; }
    void setFirst(void* first) { m_first = first; }
    void setSecond(void* second) { m_second = second; }
    void setThird(void* third) { m_third = third; }

private:
    void* m_first;
    void* m_second;
    void* m_third;
};

} // namespace KavirelDLL
