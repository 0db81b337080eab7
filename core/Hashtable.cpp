#include "core/Hashtable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/Log.h"

namespace KavirelDLL {

namespace {

// Past this the chains just get longer.
constexpr int kMaxBuckets = 1 << 24;

} // namespace

CHashtable::CHashtable(int buckets, double loadFactor, bool ownsKeys)
    : m_buckets(std::clamp(buckets, 1, kMaxBuckets)), m_entries(0),
      m_loadFactor(loadFactor > 0.0 ? loadFactor : 0.75), m_growAt(0), m_values(nullptr), m_keys(nullptr),
      m_kinds(nullptr), m_ownsKeys(ownsKeys), m_elements(new CXVector(101, 0.75f)) {
    allocateBuckets(m_buckets);
}

CHashtable::~CHashtable() {
    clear();
    releaseBuckets();
    delete m_elements;
}

void CHashtable::allocateBuckets(int buckets) {
    m_buckets = buckets;
    m_bucketFactor = UINT64_MAX / static_cast<uint32_t>(buckets) + 1;
    // n more than x entries is n more than floor(x), so the integer count says when x is passed.
    const double fit = std::floor(buckets * m_loadFactor);
    m_growAt = fit < 9.0e18 ? static_cast<int64_t>(fit) : INT64_MAX;
    m_values = new CXObject*[static_cast<size_t>(buckets)]();
    m_keys = new CXObject*[static_cast<size_t>(buckets)]();
    m_kinds = new unsigned char[static_cast<size_t>(buckets)]();
}

void CHashtable::releaseBuckets() {
    delete[] m_values;
    delete[] m_keys;
    delete[] m_kinds;
    m_values = m_keys = nullptr;
    m_kinds = nullptr;
}

void CHashtable::put(CXObject* key, CXObject* value) { put(key, key ? key->getHashcode() : 0, value); }

void CHashtable::putAnyhow(CXObject* key, int hash, CXObject* value) {
    if (!key) {
        logMessage("hash table: an entry without a key is refused");
        return;
    }
    if (m_entries >= m_growAt) grow();
    insert(key, hash, value);
}

void CHashtable::insert(CXObject* key, int hash, CXObject* value) {
    const int b = bucketOf(hash);
    if (m_kinds[b] == BUCKET_LISTS) {
        static_cast<CXVector*>(m_keys[b])->add(key);
        static_cast<CXVector*>(m_values[b])->add(value);
    } else if (!m_keys[b]) {
        m_keys[b] = key;
        m_values[b] = value;
    } else {
        CXVector* keys = new CXVector(101, 0.75f);
        CXVector* values = new CXVector(101, 0.75f);
        keys->add(m_keys[b]);
        values->add(m_values[b]);
        keys->add(key);
        values->add(value);
        m_keys[b] = keys;
        m_values[b] = values;
        m_kinds[b] = BUCKET_LISTS;
    }
    ++m_entries;
    m_elements->append(value);
}

void CHashtable::grow() {
    if (m_buckets >= kMaxBuckets) return;
    int oldBuckets = m_buckets;
    CXObject** oldValues = m_values;
    CXObject** oldKeys = m_keys;
    unsigned char* oldKinds = m_kinds;
    m_entries = 0;
    m_elements->removeAll();
    allocateBuckets(std::min(oldBuckets * 2, kMaxBuckets));
    for (int b = 0; b < oldBuckets; ++b) {
        if (oldKinds[b] == BUCKET_LISTS) {
            CXVector* keys = static_cast<CXVector*>(oldKeys[b]);
            CXVector* values = static_cast<CXVector*>(oldValues[b]);
            for (int i = 0; i < keys->getSize(); ++i) insert(keys->at(i), keys->at(i)->getHashcode(), values->at(i));
            delete keys;
            delete values;
        } else if (oldKeys[b]) {
            insert(oldKeys[b], oldKeys[b]->getHashcode(), oldValues[b]);
        }
    }
    delete[] oldValues;
    delete[] oldKeys;
    delete[] oldKinds;
}

CXObject* CHashtable::get(CXObject* key) {
    if (!key) return nullptr;
    int hash = key->getHashcode();
    int b = bucketOf(hash);
    if (m_kinds[b] == BUCKET_LISTS) {
        CXVector* keys = static_cast<CXVector*>(m_keys[b]);
        for (int i = 0; i < keys->getSize(); ++i) {
            CXObject* stored = keys->at(i);
            if (stored->getHashcode() == hash && key->equals(stored))
                return static_cast<CXVector*>(m_values[b])->at(i);
        }
        return nullptr;
    }
    CXObject* stored = m_keys[b];
    if (stored && stored->getHashcode() == hash && key->equals(stored)) return m_values[b];
    return nullptr;
}

CXObject* CHashtable::getTextOfList(int bucket, const char* text, int length, int hash) {
    CXVector* keys = static_cast<CXVector*>(m_keys[bucket]);
    for (int i = 0; i < keys->getSize(); ++i) {
        auto* key = static_cast<CStringHashCode*>(keys->at(i));
        const CXString& its = key->text();
        if (key->CStringHashCode::getHashcode() == hash && its.GetLength() == length &&
            std::memcmp(its.GetBuffer(), text, static_cast<size_t>(length)) == 0)
            return static_cast<CXVector*>(m_values[bucket])->at(i);
    }
    return nullptr;
}

namespace {

// Takes value out of one bucket (its kind, key and value slots), giving its key; false when the bucket does
// not hold it.
bool detach(unsigned char& kind, CXObject*& keySlot, CXObject*& valueSlot, unsigned char lists,
            unsigned char single, CXObject* value, CXObject*& key) {
    if (kind == lists) {
        auto* keys = static_cast<CXVector*>(keySlot);
        auto* values = static_cast<CXVector*>(valueSlot);
        int i = values->find(value);
        if (i < 0) return false;
        key = keys->at(i);
        keys->removeAt(i);
        values->removeAt(i);
        if (values->getSize() == 0) {
            delete keys;
            delete values;
            keySlot = valueSlot = nullptr;
            kind = single;
        }
        return true;
    }
    if (!keySlot || valueSlot != value) return false;
    key = keySlot;
    keySlot = valueSlot = nullptr;
    return true;
}

} // namespace

void CHashtable::remove(CXObject* value) {
    for (int b = 0; b < m_buckets; ++b) {
        CXObject* key = nullptr;
        if (!detach(m_kinds[b], m_keys[b], m_values[b], BUCKET_LISTS, BUCKET_SINGLE, value, key)) continue;
        m_elements->remove(value);
        --m_entries;
        if (m_ownsKeys) delete key;
        return;
    }
}

CXObject* CHashtable::takeOutAnyhow(int hash, CXObject* value) {
    CXObject* key = nullptr;
    const int b = bucketOf(hash);
    if (!detach(m_kinds[b], m_keys[b], m_values[b], BUCKET_LISTS, BUCKET_SINGLE, value, key)) return nullptr;
    if (!m_elements->removeLastIf(value)) m_elements->removeAt(m_elements->findFromEnd(value));
    --m_entries;
    return key;
}

bool CHashtable::contains(CXObject* value) { return m_elements->contains(value); }

CXVector* CHashtable::getKeys() {
    if (m_entries == 0) return nullptr;
    CXVector* result = new CXVector(m_entries, 0.75f);
    for (int b = 0; b < m_buckets; ++b) {
        if (m_kinds[b] == BUCKET_LISTS)
            result->add(static_cast<CXVector*>(m_keys[b]));
        else if (m_keys[b])
            result->add(m_keys[b]);
    }
    return result;
}

void CHashtable::clear() {
    for (int b = 0; b < m_buckets; ++b) {
        if (m_kinds[b] == BUCKET_LISTS) {
            CXVector* keys = static_cast<CXVector*>(m_keys[b]);
            if (m_ownsKeys)
                for (int i = 0; i < keys->getSize(); ++i) delete keys->at(i);
            delete keys;
            delete m_values[b];
        } else if (m_ownsKeys) {
            delete m_keys[b];
        }
        m_keys[b] = m_values[b] = nullptr;
        m_kinds[b] = BUCKET_SINGLE;
    }
    m_entries = 0;
    m_elements->removeAll();
}

CXObject* CHashtable::clone() {
    CHashtable* copy = new CHashtable(m_buckets, m_loadFactor, false);
    for (int b = 0; b < m_buckets; ++b) {
        copy->m_kinds[b] = m_kinds[b];
        if (m_kinds[b] == BUCKET_LISTS) {
            copy->m_keys[b] = m_keys[b]->clone();
            copy->m_values[b] = m_values[b]->clone();
        } else {
            copy->m_keys[b] = m_keys[b];
            copy->m_values[b] = m_values[b];
        }
    }
    copy->m_entries = m_entries;
    delete copy->m_elements;
    copy->m_elements = static_cast<CXVector*>(m_elements->clone());
    return copy;
}

// ---------------------------------------------------------------- keys

CStringHashCode::CStringHashCode(const CXString& text) : m_hash(0), m_text(text) {
    m_hash = hashOf(m_text.GetBuffer(), m_text.GetLength());
}

CStringHashCode::CStringHashCode(const char* text) : CStringHashCode(CXString(text ? text : "")) {}

void CStringHashCode::set(const char* text) {
    m_text = text ? text : "";
    m_hash = hashOf(m_text.GetBuffer(), m_text.GetLength());
}

void CStringHashCode::set(const CXString& text) {
    m_text = text;
    m_hash = hashOf(m_text.GetBuffer(), m_text.GetLength());
}

bool CStringHashCode::equals(CXObject* other) {
    auto* key = dynamic_cast<CStringHashCode*>(other);
    return key && key->m_text.equals(m_text);
}

bool CInteger::equals(CXObject* other) {
    auto* integer = dynamic_cast<CInteger*>(other);
    return integer && integer->m_value == m_value;
}

} // namespace KavirelDLL
