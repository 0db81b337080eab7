#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Hashtable.h"
#include "core/Log.h"

using namespace KavirelDLL;

namespace {

// Keys whose hash code is chosen by the test.
class FixedHashKey : public CXObject {
public:
    FixedHashKey(int hash, int id) : hash(hash), id(id) {}
    int getHashcode() override { return hash; }
    bool equals(CXObject* other) override {
        auto* key = dynamic_cast<FixedHashKey*>(other);
        return key && key->id == id;
    }
    int hash;
    int id;
};

class CountedKey : public CStringHashCode {
public:
    CountedKey(const char* text, int* deleted) : CStringHashCode(text), deleted(deleted) {}
    ~CountedKey() override { ++*deleted; }
    int* deleted;
};

} // namespace

TEST(HashKeys, StringHashValues) {
    EXPECT_EQ(CStringHashCode("abc").getHashcode(), 597);
    EXPECT_EQ(CStringHashCode("").getHashcode(), 0);
    EXPECT_EQ(CStringHashCode("\xB9").getHashcode(), -70);
    EXPECT_EQ(CStringHashCode(CXString("a")).getHashcode(), 1 + 97);
    // The power of two repeats every 16 characters.
    std::string seventeen(17, '\0');
    for (auto& c : seventeen) c = 1;
    int expected = 0;
    for (int i = 0; i < 17; ++i) expected += (1 << (i % 16)) + (i + 1);
    EXPECT_EQ(CStringHashCode(seventeen.c_str()).getHashcode(), expected);
    // Long texts wrap around in 32 bits.
    std::string longText(70000, 'z');
    uint32_t wrapped = 0;
    for (uint32_t i = 0; i < 70000; ++i) wrapped += (1u << (i % 16)) + (i + 1) * uint32_t('z');
    EXPECT_EQ(CStringHashCode(longText.c_str()).getHashcode(), static_cast<int>(wrapped));

    CStringHashCode key("first");
    key.set("abc");
    EXPECT_EQ(key.getHashcode(), 597);
    EXPECT_EQ(key.getString(), "abc");
    key.set(std::string(500, 'q').c_str()); // longer than anything before
    EXPECT_EQ(key.getString().GetLength(), 500);
}

TEST(HashKeys, Equality) {
    CStringHashCode a("name");
    CStringHashCode b("name");
    CStringHashCode c("Name");
    CInteger i(5);
    EXPECT_TRUE(a.equals(&b));
    EXPECT_FALSE(a.equals(&c));
    EXPECT_FALSE(a.equals(&i));
    EXPECT_FALSE(i.equals(&a));

    CInteger j(CXString("  42z"));
    EXPECT_EQ(j.toInt(), 42);
    EXPECT_EQ(j.getHashcode(), 42);
    j.increment();
    j.increment();
    j.decrement();
    EXPECT_EQ(j.toInt(), 43);
    j.parse("-7");
    EXPECT_EQ(j.toInt(), -7);
    EXPECT_TRUE(CInteger(-7).equals(&j));
    EXPECT_EQ(CInteger::toString(-12), "-12");
    EXPECT_EQ(CInteger().toInt(), 0);
}

TEST(Hashtable, PutGetAndGrowth) {
    CHashtable table(101, 0.75, true);
    std::vector<CInteger> values(200);
    for (int i = 0; i < 75; ++i)
        table.put(new CStringHashCode(("key" + std::to_string(i)).c_str()), &values[i]);
    EXPECT_EQ(table.getBucketCount(), 101);
    // The elements list is in insertion order until the table grows.
    EXPECT_EQ(table.getElements()->at(74), &values[74]);
    table.put(new CStringHashCode("key75"), &values[75]); // 75.75 < 76
    EXPECT_EQ(table.getBucketCount(), 202);
    EXPECT_EQ(table.getSize(), 76);
    for (int i = 0; i < 76; ++i) {
        CStringHashCode probe(("key" + std::to_string(i)).c_str());
        ASSERT_EQ(table.get(&probe), &values[i]) << i;
    }
    for (int i = 76; i < 200; ++i)
        table.put(new CStringHashCode(("key" + std::to_string(i)).c_str()), &values[i]);
    EXPECT_EQ(table.getBucketCount(), 404);
    for (int i = 0; i < 200; ++i) {
        CStringHashCode probe(("key" + std::to_string(i)).c_str());
        ASSERT_EQ(table.get(&probe), &values[i]) << i;
        ASSERT_TRUE(table.contains(&values[i]));
    }
    CStringHashCode missing("key200");
    EXPECT_EQ(table.get(&missing), nullptr);
    EXPECT_EQ(table.get(nullptr), nullptr);
    EXPECT_EQ(table.getElements()->getSize(), 200);
}

TEST(Hashtable, ElementsFollowTheBucketsAfterGrowth) {
    CHashtable table(5, 0.75, true);
    CInteger v[5];
    for (int k : {4, 3, 2}) table.put(new CInteger(k), &v[k]);
    CXVector* elements = table.getElements();
    EXPECT_EQ(elements->at(0), &v[4]);
    EXPECT_EQ(elements->at(2), &v[2]);
    table.put(new CInteger(1), &v[1]); // 3.75 < 4: re-put bucket by bucket, then the new entry
    EXPECT_EQ(table.getBucketCount(), 10);
    ASSERT_EQ(elements->getSize(), 4);
    EXPECT_EQ(elements->at(0), &v[2]);
    EXPECT_EQ(elements->at(1), &v[3]);
    EXPECT_EQ(elements->at(2), &v[4]);
    EXPECT_EQ(elements->at(3), &v[1]);
}

TEST(Hashtable, GrowsOnlyPastBucketsTimesLoadFactor) {
    CHashtable exact(4, 0.5, true); // 4 × 0.5 = 2 entries fit
    CInteger v[3];
    exact.put(new CInteger(0), &v[0]);
    exact.put(new CInteger(1), &v[1]);
    EXPECT_EQ(exact.getBucketCount(), 4);
    exact.put(new CInteger(2), &v[2]);
    EXPECT_EQ(exact.getBucketCount(), 8);
    // A load factor too large for any count never grows; one not above zero is the usual 0.75.
    CHashtable roomy(3, 1e300, true), usual(4, -1.0, true);
    for (int i = 0; i < 3; ++i) {
        roomy.put(new CInteger(i), &v[i]);
        usual.put(new CInteger(i), &v[i]);
    }
    EXPECT_EQ(roomy.getBucketCount(), 3);
    EXPECT_EQ(usual.getBucketCount(), 4); // 3 < 4 × 0.75
    usual.put(new CInteger(3), &v[0]);
    EXPECT_EQ(usual.getBucketCount(), 8);
}

TEST(Hashtable, ContainerTablesGrowPastTheirBucketCount) {
    CHashtable table(10001, 1.0, true);
    CInteger value;
    for (int i = 0; i < 10001; ++i) table.put(new CInteger(i), &value);
    EXPECT_EQ(table.getBucketCount(), 10001);
    table.put(new CInteger(10001), &value);
    EXPECT_EQ(table.getBucketCount(), 20002);
    CInteger probe(5000);
    EXPECT_EQ(table.get(&probe), &value);
}

TEST(Hashtable, DuplicateKeysAndSharedBuckets) {
    CHashtable table(101, 0.75, true);
    CInteger first, second, third;
    table.put(new CStringHashCode("same"), &first);
    table.put(new CStringHashCode("same"), &second);
    CStringHashCode probe("same");
    EXPECT_EQ(table.get(&probe), &first);
    EXPECT_EQ(table.getSize(), 2);
    table.remove(&first);
    EXPECT_EQ(table.get(&probe), &second);

    // Two keys with one hash code share a bucket; equals tells them apart.
    CHashtable shared(101, 0.75, true);
    shared.put(new FixedHashKey(7, 1), &first);
    shared.put(new FixedHashKey(7, 2), &second);
    FixedHashKey one(7, 1), two(7, 2), other(7, 3);
    EXPECT_EQ(shared.get(&one), &first);
    EXPECT_EQ(shared.get(&two), &second);
    EXPECT_EQ(shared.get(&other), nullptr);
    shared.remove(&first);
    EXPECT_EQ(shared.get(&one), nullptr);
    EXPECT_EQ(shared.get(&two), &second);
    shared.remove(&second);
    EXPECT_EQ(shared.get(&two), nullptr);
    EXPECT_EQ(shared.getSize(), 0);
    // The emptied bucket takes a single entry in place again.
    shared.put(new FixedHashKey(7, 3), &third);
    EXPECT_EQ(shared.get(&other), &third);
}

TEST(Hashtable, TakeOutHandsTheKeyOverAndKeepsTheOrder) {
    int deleted = 0;
    CInteger v[5];
    {
        CHashtable table(101, 0.75, true);
        auto* a = new CountedKey("a", &deleted);
        auto* d = new CountedKey("d", &deleted);
        auto* shared1 = new FixedHashKey(-7, 1);
        auto* shared2 = new FixedHashKey(-7, 2);
        table.put(a, &v[0]);
        table.put(shared1, &v[1]);
        table.put(shared2, &v[2]);
        table.put(d, &v[3]);
        // Another bucket, or a value the bucket does not hold: nothing changes.
        EXPECT_EQ(table.takeOut(7, &v[1]), nullptr);
        EXPECT_EQ(table.takeOut(a->getHashcode(), &v[3]), nullptr);
        EXPECT_EQ(table.getSize(), 4);
        // Out of a shared bucket and the middle of the list: the others keep their order.
        EXPECT_EQ(table.takeOut(-7, &v[1]), shared1);
        delete shared1;
        CXVector* elements = table.getElements();
        ASSERT_EQ(elements->getSize(), 3);
        EXPECT_EQ(elements->at(0), &v[0]);
        EXPECT_EQ(elements->at(1), &v[2]);
        EXPECT_EQ(elements->at(2), &v[3]);
        EXPECT_EQ(table.get(shared2), &v[2]);
        // The last one; its key is the caller's now, and may be put again.
        EXPECT_EQ(table.takeOut(d->getHashcode(), &v[3]), d);
        EXPECT_EQ(deleted, 0);
        EXPECT_EQ(table.getSize(), 2);
        EXPECT_FALSE(table.contains(&v[3]));
        EXPECT_EQ(table.get(d), nullptr);
        table.put(d, &v[4]);
        EXPECT_EQ(table.get(d), &v[4]);
        EXPECT_EQ(elements->at(2), &v[4]);
        // A value listed twice under one key is taken out once, from the end of the list.
        table.put(new CountedKey("a", &deleted), &v[0]);
        CXObject* again = table.takeOut(a->getHashcode(), &v[0]);
        EXPECT_EQ(again, a); // the first entry of the bucket holding it
        delete again;
        EXPECT_EQ(deleted, 1);
        ASSERT_EQ(elements->getSize(), 3);
        EXPECT_EQ(elements->at(0), &v[0]);
        EXPECT_EQ(elements->at(2), &v[4]);
        CStringHashCode probe("a");
        EXPECT_EQ(table.get(&probe), &v[0]);
    }
    EXPECT_EQ(deleted, 3);
}

TEST(Hashtable, NegativeHashCodes) {
    CHashtable table(101, 0.75, true);
    CInteger a, b, c;
    table.put(new CStringHashCode("\xB9\xE6\xEA"), &a);
    table.put(new FixedHashKey(-2147483647 - 1, 0), &b);
    table.put(new CInteger(-101), &c);
    CStringHashCode polish("\xB9\xE6\xEA");
    ASSERT_LT(polish.getHashcode(), 0);
    FixedHashKey minimum(-2147483647 - 1, 0);
    CInteger minus(-101);
    EXPECT_EQ(table.get(&polish), &a);
    EXPECT_EQ(table.get(&minimum), &b);
    EXPECT_EQ(table.get(&minus), &c);

    // A hash's bucket is its remainder, never negative, for any hash and table size (the order of elements
    // after growth and every lookup rest on it).
    const std::vector<int> hashes = {0, 1, -1, 100, -100, 101, -101, 2147483647, -2147483647 - 1, -2147483647,
                                     123456789, -987654321, 65536, -65536, 10000, 10001, -10001, 20002};
    for (int buckets : {1, 2, 3, 7, 64, 101, 10001, 20002, 65521, 1 << 20}) {
        CHashtable sized(buckets, 1.0e9, true);
        for (int hash : hashes) {
            int expected = hash % buckets;
            if (expected < 0) expected += buckets;
            EXPECT_EQ(sized.bucketOf(hash), expected) << hash << " in " << buckets;
        }
        for (uint32_t n = 0; n < 4000; ++n) {
            const int hash = static_cast<int>(n * 2654435761u);
            const int expected = (hash % buckets + buckets) % buckets;
            ASSERT_EQ(sized.bucketOf(hash), expected) << hash << " in " << buckets;
        }
    }
}

TEST(Hashtable, RemoveIsByValueAndOwnsKeys) {
    int deleted = 0;
    {
        CHashtable table(101, 0.75, true);
        CInteger v1, v2;
        CountedKey* k1 = new CountedKey("one", &deleted);
        table.put(k1, &v1);
        table.put(new CountedKey("two", &deleted), &v2);
        table.remove(k1); // a key pointer is not a value
        EXPECT_EQ(table.getSize(), 2);
        EXPECT_EQ(deleted, 0);
        table.remove(&v1);
        EXPECT_EQ(table.getSize(), 1);
        EXPECT_EQ(deleted, 1);
        EXPECT_FALSE(table.contains(&v1));
        table.remove(&v1);
        EXPECT_EQ(table.getSize(), 1);
    }
    EXPECT_EQ(deleted, 2);

    int notOwned = 0;
    CountedKey key("kept", &notOwned);
    {
        CHashtable table(101, 0.75, false);
        CInteger v;
        table.put(&key, &v);
        table.clear();
        table.put(&key, &v);
    }
    EXPECT_EQ(notOwned, 0);
}

TEST(Hashtable, KeysClearAndClone) {
    CHashtable table(5, 0.75, true);
    EXPECT_EQ(table.getKeys(), nullptr);
    CInteger values[6];
    for (int i = 0; i < 6; ++i) table.put(new CInteger(i), &values[i]);
    CXVector* keys = table.getKeys();
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->getSize(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<CInteger*>(keys->at(i))->toInt(), i); // bucket order
    delete keys;

    CHashtable* copy = static_cast<CHashtable*>(table.clone());
    EXPECT_EQ(copy->getSize(), 6);
    EXPECT_EQ(copy->getBucketCount(), table.getBucketCount());
    CInteger probe(3);
    EXPECT_EQ(copy->get(&probe), &values[3]);
    EXPECT_NE(copy->getElements(), table.getElements());
    copy->remove(&values[3]); // does not touch the source, nor delete the shared key
    EXPECT_EQ(table.get(&probe), &values[3]);
    EXPECT_EQ(copy->get(&probe), nullptr);
    delete copy;
    EXPECT_EQ(table.get(&probe), &values[3]);

    // Shared buckets are copied, not shared.
    CHashtable collide(101, 0.75, false);
    FixedHashKey k1(1, 1), k2(1, 2);
    collide.put(&k1, &values[0]);
    collide.put(&k2, &values[1]);
    CHashtable* collideCopy = static_cast<CHashtable*>(collide.clone());
    collide.remove(&values[0]);
    EXPECT_EQ(collideCopy->get(&k1), &values[0]);
    delete collideCopy;

    table.clear();
    EXPECT_EQ(table.getSize(), 0);
    EXPECT_EQ(table.getElements()->getSize(), 0);
    EXPECT_EQ(table.get(&probe), nullptr);
    table.put(new CInteger(3), &values[2]);
    EXPECT_EQ(table.get(&probe), &values[2]);
}

TEST(Hashtable, NullKeysAreRefused) {
    CLogCapture capture;
    CHashtable table;
    CInteger v;
    table.put(nullptr, &v);
    EXPECT_EQ(table.getSize(), 0);
    EXPECT_FALSE(capture.lines().empty());
}
