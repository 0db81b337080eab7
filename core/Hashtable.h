#pragma once
#include <cstring>

#include "core/Containers.h"

namespace KavirelDLL {

// Maps keys to values by the keys' getHashcode() and equals(). Values are never owned; keys are
// deleted by the table when it owns them. Besides the buckets it keeps every value in a list, in the
// order of insertion until the table grows, in bucket order after that.
class CHashtable : public CXObject {
public:
    CHashtable(int buckets = 101, double loadFactor = 0.75, bool ownsKeys = true);
    CHashtable(const CHashtable&) = delete;
    CHashtable& operator=(const CHashtable&) = delete;
    ~CHashtable() override;

    // Another entry even when an equal key is present; get() finds the one put first.
    void put(CXObject* key, CXObject* value);
    // put() of a key whose getHashcode() is hash; inline while the key's bucket is empty and nothing grows.
    void put(CXObject* key, int hash, CXObject* value);
    CXObject* get(CXObject* key);
    // get() of a CStringHashCode of the text (hash its hashOf), for a table whose keys are all CStringHashCode,
    // without making a key.
    CXObject* getText(const char* text, int length, int hash) { return getTextIn(bucketOf(hash), text, length, hash); }
    // The bucket of a hash, for the calls given one below: it stays the hash's bucket until the table grows.
    // hash mod buckets, never negative: the remainder by a multiply with a factor worked out when the table is
    // sized (a division takes many times longer), of the hash's magnitude, then turned for a negative hash.
    int bucketOf(int hash) const {
        const uint32_t magnitude = hash < 0 ? 0u - static_cast<uint32_t>(hash) : static_cast<uint32_t>(hash);
        const auto scaled = static_cast<uint64_t>(m_bucketFactor * magnitude);
        const auto r = static_cast<uint32_t>((static_cast<unsigned __int128>(scaled) * static_cast<uint32_t>(m_buckets)) >> 64);
        return hash < 0 && r != 0 ? m_buckets - static_cast<int>(r) : static_cast<int>(r);
    }
    CXObject* getTextIn(int bucket, const char* text, int length, int hash);
    // put() of a key whose getHashcode() is hash and whose bucket is bucket.
    void putIn(int bucket, CXObject* key, int hash, CXObject* value);
    // put() of a key whose getHashcode() is hash when its bucket is empty and the table need not grow (so no
    // entry has that hash); false, changing nothing, otherwise.
    bool putIfFree(CXObject* key, int hash, CXObject* value) { return putIfFreeIn(bucketOf(hash), key, value); }
    // Removes the first entry, in bucket order, holding this very value.
    void remove(CXObject* value);
    // For a table that lists each value once: removes the entry holding this very value from the bucket of
    // hash and hands its key to the caller, who owns it then. Null, changing nothing, when it is not there.
    // Inline when the value is alone in its bucket and last in the list (a name stored last).
    CXObject* takeOut(int hash, CXObject* value);
    bool contains(CXObject* value);
    // A new vector of the keys in bucket order, owned by the caller (the keys are not); null when empty.
    CXVector* getKeys();
    CXVector* getElements() { return m_elements; }
    int getSize() const { return m_entries; }
    void clear();
    // Shares the keys and values, never the buckets; the clone does not own its keys.
    CXObject* clone() override;

    int getBucketCount() const { return m_buckets; }

private:
    enum : unsigned char { BUCKET_SINGLE = 0, BUCKET_LISTS = 1 };

    // putIfFree() in a bucket already worked out.
    bool putIfFreeIn(int bucket, CXObject* key, CXObject* value) {
        if (m_keys[bucket] || m_entries >= m_growAt || !m_elements->fits(1)) return false;
        m_keys[bucket] = key;
        m_values[bucket] = value;
        ++m_entries;
        m_elements->appendFitting(value);
        return true;
    }
    void putAnyhow(CXObject* key, int hash, CXObject* value);
    CXObject* takeOutAnyhow(int hash, CXObject* value);
    CXObject* getTextOfList(int bucket, const char* text, int length, int hash);
    void insert(CXObject* key, int hash, CXObject* value);
    void grow();
    void allocateBuckets(int buckets);
    void releaseBuckets();

    int32_t m_buckets;
    int32_t m_entries;
    double m_loadFactor;
    uint64_t m_bucketFactor; // 2^64 / buckets, rounded up (bucketOf)
    int64_t m_growAt; // the entries that fit before the table grows: buckets × load factor, rounded down
    CXObject** m_values; // a value, or the CXVector of a bucket's values
    CXObject** m_keys;   // a key, or the CXVector of a bucket's keys
    unsigned char* m_kinds;
    bool m_ownsKeys;
    CXVector* m_elements;
};

// A text key. The hash sums 2^(i mod 16) + (i + 1) × c[i] over the characters read as signed bytes,
// in wrapping 32-bit arithmetic: "abc" is 597.
class CStringHashCode : public CXObject {
public:
    CStringHashCode(const CXString& text);
    CStringHashCode(const char* text);
    CStringHashCode(const CStringHashCode&) = default;
    CStringHashCode& operator=(const CStringHashCode&) = default;

    void set(const char* text);
    void set(const CXString& text);
    int getHashcode() override { return m_hash; }
    // Byte-for-byte equal texts; false for anything that is not a text key.
    bool equals(CXObject* other) override;
    CXString getString() const { return m_text; }
    const CXString& text() const { return m_text; }

    static int hashOf(const char* text, int length);

private:
    int32_t m_hash;
    CXString m_text;
};

inline int CStringHashCode::hashOf(const char* text, int length) {
    uint32_t h = 0;
    for (int i = 0; i < length; ++i) {
        int32_t c = static_cast<signed char>(text[i]);
        h += (uint32_t(1) << (i % 16)) + static_cast<uint32_t>(i + 1) * static_cast<uint32_t>(c);
    }
    return static_cast<int>(h);
}

inline void CHashtable::putIn(int bucket, CXObject* key, int hash, CXObject* value) {
    if (!key || !putIfFreeIn(bucket, key, value)) putAnyhow(key, hash, value);
}

inline void CHashtable::put(CXObject* key, int hash, CXObject* value) { putIn(bucketOf(hash), key, hash, value); }

inline CXObject* CHashtable::getTextIn(int b, const char* text, int length, int hash) {
    if (m_kinds[b] != BUCKET_LISTS) {
        auto* key = static_cast<CStringHashCode*>(m_keys[b]);
        if (!key) return nullptr;
        const CXString& its = key->text();
        return key->CStringHashCode::getHashcode() == hash && its.GetLength() == length &&
                       sameText(its.GetBuffer(), text, static_cast<size_t>(length))
                   ? m_values[b]
                   : nullptr;
    }
    return getTextOfList(b, text, length, hash);
}

inline CXObject* CHashtable::takeOut(int hash, CXObject* value) {
    const int b = bucketOf(hash);
    CXObject* key = m_keys[b];
    if (m_kinds[b] == BUCKET_LISTS || !key || m_values[b] != value || !m_elements->removeLastIf(value))
        return takeOutAnyhow(hash, value);
    m_keys[b] = m_values[b] = nullptr;
    --m_entries;
    return key;
}

class CInteger : public CXObject {
public:
    CInteger() : m_value(0) {}
    CInteger(int value) : m_value(value) {}
    explicit CInteger(const CXString& text) : m_value(text.toNumber()) {}
    CInteger(const CInteger&) = default;
    CInteger& operator=(const CInteger&) = default;

    void increment() { ++m_value; }
    void decrement() { --m_value; }
    int toInt() const { return m_value; }
    void parse(const CXString& text) { m_value = text.toNumber(); }

    int getHashcode() override { return m_value; }
    // Equal values; false for anything that is not an integer.
    bool equals(CXObject* other) override;

    using CXObject::toString;
    static CXString toString(int value) { return CXString::toString(value); }

private:
    int32_t m_value;
};

} // namespace KavirelDLL
