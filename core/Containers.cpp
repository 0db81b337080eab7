#include "core/Containers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Log.h"

namespace KavirelDLL {

namespace {

// No list of the engine comes near this; an index from a script that would need more is refused
// instead of exhausting memory.
constexpr int kMaxSlots = 1 << 24;

bool indexTooLarge(int i) {
    if (i < kMaxSlots - 1) return false;
    logMessage("list index %d refused", i);
    return true;
}

float saneLoadFactor(float loadFactor) {
    if (!(loadFactor > 0.0f)) return 0.75f; // also NaN
    return std::min(loadFactor, 1.0f);
}

template <typename T>
T* newSlots(int capacity) {
    return new T[static_cast<size_t>(std::max(capacity, 1))]();
}

template <typename T>
bool doubleSlots(T*& items, int32_t& capacity) {
    if (capacity >= kMaxSlots) {
        logMessage("list of %d slots cannot grow further", capacity);
        return false;
    }
    int fresh = capacity > 0 ? std::min(capacity * 2, kMaxSlots) : 1;
    T* grown = newSlots<T>(fresh);
    if (capacity > 0)
        std::memcpy(static_cast<void*>(grown), items, sizeof(T) * static_cast<size_t>(capacity));
    delete[] items;
    items = grown;
    capacity = fresh;
    return true;
}

template <typename T>
int findSlot(T* const* items, int count, const T* x) {
    for (int i = 0; i < count; ++i)
        if (items[i] == x) return i;
    return -1;
}

template <typename T>
void removeSlot(T* items, int32_t& count, int i) {
    if (i < 0 || i >= count) return;
    std::memmove(static_cast<void*>(items + i), items + i + 1,
                 sizeof(T) * static_cast<size_t>(count - i - 1));
    --count;
}

template <typename T>
T* copyOfSlots(const T* items, int capacity) {
    T* copy = newSlots<T>(capacity);
    if (capacity > 0) std::memcpy(static_cast<void*>(copy), items, sizeof(T) * static_cast<size_t>(capacity));
    return copy;
}

} // namespace

// CXArray and CXVector keep their slots and grow them by the same rules; they differ in what the slots
// point to and in setAt, insertAt and a few operations of their own. This is the body they share.
struct CXListBody {
    template <typename List>
    static void assign(List& to, const List& from) {
        auto* items = copyOfSlots(from.m_items, from.m_capacity);
        delete[] to.m_items;
        to.m_items = items;
        to.m_loadFactor = from.m_loadFactor;
        to.m_capacity = from.m_capacity;
        to.m_count = from.m_count;
    }

    template <typename List>
    static CXObject* clone(const List& list) {
        List* copy = new List(list.m_capacity, list.m_loadFactor);
        assign(*copy, list);
        return copy;
    }

    template <typename List>
    static bool grow(List& list) {
        int before = list.m_capacity;
        list.doubleSize();
        return list.m_capacity > before;
    }

    template <typename List>
    static bool ensureSlots(List& list, int needed) {
        while (list.m_capacity < needed)
            if (!grow(list)) return false;
        return true;
    }

    template <typename List, typename Item>
    static void add(List& list, Item x) {
        if (!ensureSlots(list, list.m_count + 1)) return;
        list.m_items[list.m_count++] = x;
        if (list.m_count > list.m_capacity * list.m_loadFactor) grow(list);
    }

    template <typename List>
    static void addAll(List& list, const List* other) {
        if (!other || other->m_count == 0) return;
        int total = list.m_count + other->m_count;
        while (list.m_capacity * list.m_loadFactor < total)
            if (!grow(list)) break;
        if (!ensureSlots(list, total)) return;
        // The other list may be this one.
        std::memmove(static_cast<void*>(list.m_items + list.m_count), other->m_items,
                     sizeof(*list.m_items) * static_cast<size_t>(other->m_count));
        list.m_count = total;
    }

    template <typename List, typename Item>
    static bool replace(List& list, Item oldItem, Item newItem) {
        int i = list.find(oldItem);
        if (i < 0) return false;
        list.m_items[i] = newItem;
        return true;
    }
};

// ---------------------------------------------------------------- CXArray

CXArray::CXArray(int capacity, float loadFactor)
    : m_loadFactor(saneLoadFactor(loadFactor)), m_items(nullptr),
      m_capacity(std::clamp(capacity, 0, kMaxSlots)), m_count(0) {
    m_items = newSlots<void*>(m_capacity);
}

CXArray::CXArray(const CXArray& other)
    : CXObject(other), m_loadFactor(other.m_loadFactor),
      m_items(copyOfSlots(other.m_items, other.m_capacity)), m_capacity(other.m_capacity),
      m_count(other.m_count) {}

CXArray& CXArray::operator=(const CXArray& other) {
    if (this == &other) return *this;
    CXObject::operator=(other);
    CXListBody::assign(*this, other);
    return *this;
}

CXArray::~CXArray() { delete[] m_items; }

CXObject* CXArray::clone() { return CXListBody::clone(*this); }

void CXArray::doubleSize() { doubleSlots(m_items, m_capacity); }

bool CXArray::grow() { return CXListBody::grow(*this); }

bool CXArray::ensureSlots(int needed) { return CXListBody::ensureSlots(*this, needed); }

void CXArray::add(void* x) { CXListBody::add(*this, x); }

void CXArray::add(CXArray* list) { CXListBody::addAll(*this, list); }

bool CXArray::replace(void* oldItem, void* newItem) { return CXListBody::replace(*this, oldItem, newItem); }

void* CXArray::setAt(int i, void* x) {
    if (i < 0 || indexTooLarge(i)) return nullptr;
    while (m_capacity * m_loadFactor < i)
        if (!grow()) break;
    if (i >= m_capacity) return nullptr;
    void* previous = m_items[i];
    m_items[i] = x;
    return previous;
}

void CXArray::insertAt(int i, void* x) {
    if (i < 0 || indexTooLarge(i)) return;
    while (m_capacity * m_loadFactor < i)
        if (!grow()) break;
    // The shift must not push an element in use out of the last slot.
    if (!ensureSlots(std::max(i, m_count) + 1)) return;
    std::memmove(m_items + i + 1, m_items + i, sizeof(void*) * static_cast<size_t>(m_capacity - 1 - i));
    m_items[i] = x;
    ++m_count;
}

void CXArray::remove(void* x) { removeSlot(m_items, m_count, find(x)); }

void CXArray::removeAt(int i) { removeSlot(m_items, m_count, i); }

int CXArray::find(void* x) { return findSlot(m_items, m_count, x); }

bool CXArray::contains(void* x) { return find(x) != -1; }

// Only script values may be listed here (an ARRAY's elements); values of other types never match.
bool CXArray::containsString(const CXString& s) {
    if (!s_stringValue) return false;
    for (int i = 0; i < m_count; ++i) {
        const CXString* value = s_stringValue(static_cast<CXObject*>(m_items[i]));
        if (value && value->equalsIgnoreCase(s)) return true;
    }
    return false;
}

void CXArray::removeAll() { m_count = 0; }

CXString* CXArray::stringAt(int i) {
    if (i < 0 || i >= m_count) return nullptr;
    return static_cast<CXString*>(m_items[i]);
}

void* CXArray::operator[](int i) { return at(i); }

// ---------------------------------------------------------------- CXVector

CXVector::CXVector(int capacity, float loadFactor)
    : m_loadFactor(saneLoadFactor(loadFactor)), m_items(nullptr),
      m_capacity(std::clamp(capacity, 0, kMaxSlots)), m_count(0), m_fit(0) {
    m_items = newSlots<CXObject*>(m_capacity);
    updateFit();
}

CXVector::CXVector(const CXVector& other)
    : CXObject(other), m_loadFactor(other.m_loadFactor),
      m_items(copyOfSlots(other.m_items, other.m_capacity)), m_capacity(other.m_capacity),
      m_count(other.m_count), m_fit(other.m_fit) {}

CXVector& CXVector::operator=(const CXVector& other) {
    if (this == &other) return *this;
    CXObject::operator=(other);
    CXListBody::assign(*this, other);
    updateFit();
    return *this;
}

CXVector::~CXVector() { delete[] m_items; }

CXObject* CXVector::clone() {
    auto* copy = static_cast<CXVector*>(CXListBody::clone(*this));
    copy->updateFit();
    return copy;
}

void CXVector::updateFit() {
    // A count c fits when c <= capacity × load factor as add() works it out (in float); counts are at most
    // 2^24, exact in float, so that is c <= floor of the product.
    const float most = std::floor(static_cast<float>(m_capacity) * m_loadFactor);
    m_fit = std::min(m_capacity, static_cast<int32_t>(most));
}

void CXVector::doubleSize() {
    doubleSlots(m_items, m_capacity);
    updateFit();
}

bool CXVector::grow() { return CXListBody::grow(*this); }

bool CXVector::ensureSlots(int needed) { return CXListBody::ensureSlots(*this, needed); }

void CXVector::add(CXObject* x) { CXListBody::add(*this, x); }

void CXVector::add(CXVector* list) { CXListBody::addAll(*this, list); }

bool CXVector::replace(CXObject* oldItem, CXObject* newItem) {
    return CXListBody::replace(*this, oldItem, newItem);
}

CXObject* CXVector::setAt(int i, CXObject* x) {
    if (i < 0 || i >= m_count) return nullptr;
    CXObject* previous = m_items[i];
    m_items[i] = x;
    return previous;
}

void CXVector::insertAt(int i, CXObject* x) {
    // Past the end would leave slots in use that were never set.
    i = std::clamp(i, 0, m_count);
    while (m_capacity * m_loadFactor < m_count)
        if (!grow()) break;
    if (!ensureSlots(m_count + 1)) return;
    std::memmove(m_items + i + 1, m_items + i, sizeof(CXObject*) * static_cast<size_t>(m_count - i));
    m_items[i] = x;
    ++m_count;
}

void CXVector::remove(CXObject* x) { removeSlot(m_items, m_count, find(x)); }

void CXVector::removeAt(int i) { removeSlot(m_items, m_count, i); }

int CXVector::find(CXObject* x) { return findSlot(m_items, m_count, x); }

bool CXVector::contains(CXObject* x) { return find(x) != -1; }

int CXVector::findFromEnd(const CXObject* x) const {
    for (int i = m_count - 1; i >= 0; --i)
        if (m_items[i] == x) return i;
    return -1;
}

CXObject* CXVector::operator[](int i) { return at(i); }

void CXVector::copyInto(CXVector* other) {
    if (!other || other == this) return;
    if (!other->ensureSlots(m_count)) return;
    if (m_count > 0) std::memcpy(other->m_items, m_items, sizeof(CXObject*) * static_cast<size_t>(m_count));
    other->m_count = m_count;
}

// ---------------------------------------------------------------- queues

void CQuene::push(void* x) { add(x); }

void* CFifoQuene::pop() {
    if (m_count == 0) return nullptr;
    void* x = m_items[0];
    removeAt(0);
    return x;
}

void* CLifoQuene::pop() {
    if (m_count == 0) return nullptr;
    void* x = m_items[m_count - 1];
    removeAt(m_count - 1);
    return x;
}

void CXQuene::push(CXObject* x) { add(x); }

CXObject* CXFifoQuene::pop() {
    if (m_count == 0) return nullptr;
    CXObject* x = m_items[0];
    removeAt(0);
    return x;
}

CXObject* CXLifoQuene::pop() {
    if (m_count == 0) return nullptr;
    CXObject* x = m_items[m_count - 1];
    removeAt(m_count - 1);
    return x;
}

// ---------------------------------------------------------------- CSortedVector

CSortedVector::CSortedVector(int capacity) : CXVector(capacity, 0.75f) {}

void CSortedVector::add(CXObject* x) {
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] && m_items[i]->compare(x) > 0) {
            insertAt(i, x);
            return;
        }
    }
    CXVector::add(x);
}

CSortedVector* CSortedVector::reverse() {
    CSortedVector* reversed = new CSortedVector(m_count);
    for (int i = m_count - 1; i >= 0; --i) reversed->add(m_items[i]);
    return reversed;
}

// ---------------------------------------------------------------- pairs and triples

CXPair::CXPair(const CXString& name, void* value) : m_name(name), m_first(value), m_second(value) {
    m_name.Lower();
}

CXPair::CXPair(const char* name, void* value) : CXPair(CXString(name), value) {}

CXPair::CXPair(void* first, void* second) : m_name(""), m_first(first), m_second(second) {}

CXObject* CXPair::clone() {
    CXPair* copy = new CXPair(m_first, m_second);
    copy->m_name = "cloned";
    return copy;
}

CXObject* CXTriple::clone() { return new CXTriple(m_first, m_second, m_third); }

} // namespace KavirelDLL
