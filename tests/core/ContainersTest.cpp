#include <gtest/gtest.h>

#include <vector>

#include "core/Containers.h"
#include "script/Integer.h"
#include "script/String.h"

using namespace KavirelDLL;

namespace {

// Sorted by priority; compare gives the priority difference.
class Prioritised : public CXObject {
public:
    explicit Prioritised(int priority) : priority(priority) {}
    int compare(CXObject* other) override { return priority - static_cast<Prioritised*>(other)->priority; }
    int priority;
};

} // namespace

TEST(Containers, GrowthAtTheLoadFactor) {
    CXObject o[10];
    CXVector v(4, 0.75f);
    v.add(&o[0]);
    v.add(&o[1]);
    v.add(&o[2]);
    EXPECT_EQ(v.getCapacity(), 4); // 3 is not above 3
    v.add(&o[3]);
    EXPECT_EQ(v.getCapacity(), 8);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], &o[i]);

    CXArray a;
    EXPECT_EQ(a.getCapacity(), 101);
    EXPECT_FLOAT_EQ(a.getLoadFactor(), 0.75f);
    for (int i = 0; i < 75; ++i) a.add(&o[0]);
    EXPECT_EQ(a.getCapacity(), 101);
    a.add(&o[0]);
    EXPECT_EQ(a.getCapacity(), 202);

    // append() and fits() keep add()'s growth points, also in a list given another capacity and load factor
    // by assignment, by growing or in a clone.
    CXVector odd(7, 0.75f); // 7 × 0.75 = 5.25
    EXPECT_TRUE(odd.fits(5));
    EXPECT_FALSE(odd.fits(6));
    CXVector w(2, 1.0f);
    w = CXVector(10, 0.5f);
    EXPECT_TRUE(w.fits(5));
    EXPECT_FALSE(w.fits(6));
    for (int i = 0; i < 5; ++i) w.append(&o[i]);
    EXPECT_EQ(w.getCapacity(), 10);
    w.append(&o[5]);
    EXPECT_EQ(w.getCapacity(), 20);
    EXPECT_TRUE(w.fits(4));
    EXPECT_FALSE(w.fits(5));
    auto* clone = static_cast<CXVector*>(w.clone());
    EXPECT_TRUE(clone->fits(4));
    EXPECT_FALSE(clone->fits(5));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(clone->at(i), &o[i]);
    delete clone;
}

// With a load factor of 1 the rule "double when count > capacity" lets the list fill every slot.
TEST(Containers, FullListsGrowBeforeWriting) {
    CXObject o[20];
    CXVector v(4, 1.0f);
    for (int i = 0; i < 9; ++i) v.add(&o[i]);
    EXPECT_EQ(v.getSize(), 9);
    EXPECT_GE(v.getCapacity(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v.at(i), &o[i]);

    CXArray a(4, 1.0f);
    int marker[20];
    for (int i = 0; i < 4; ++i) a.add(&marker[i]);
    EXPECT_EQ(a.getCapacity(), 4);
    a.insertAt(0, &marker[4]);
    EXPECT_EQ(a.getSize(), 5);
    EXPECT_GE(a.getCapacity(), 5);
    EXPECT_EQ(a.at(0), &marker[4]);
    EXPECT_EQ(a.at(4), &marker[3]);          // not pushed out of the last slot
    a.insertAt(a.getCapacity(), &marker[5]); // an index at the capacity grows first
    EXPECT_EQ(a.getSize(), 6);

    CXVector w(2, 1.0f);
    w.add(&o[0]);
    w.add(&o[1]);
    w.insertAt(1, &o[2]);
    EXPECT_EQ(w.getSize(), 3);
    EXPECT_EQ(w.at(1), &o[2]);
    EXPECT_EQ(w.at(2), &o[1]);

    CXVector big(2, 1.0f);
    CXVector more(8, 1.0f);
    for (int i = 0; i < 8; ++i) more.add(&o[i]);
    big.add(&more);
    EXPECT_EQ(big.getSize(), 8);
    EXPECT_EQ(big.at(7), &o[7]);
}

TEST(Containers, InsertSetAndEdgeIndexes) {
    int x = 0, y = 0, z = 0;
    CXArray a;
    a.insertAt(10, &x);
    EXPECT_EQ(a.getSize(), 1);
    EXPECT_EQ(a.at(10), &x);
    EXPECT_EQ(a.at(0), nullptr);
    a.insertAt(-1, &y); // refused
    EXPECT_EQ(a.getSize(), 1);
    EXPECT_EQ(a.setAt(5, &y), nullptr);
    EXPECT_EQ(a.setAt(5, &z), &y);
    EXPECT_EQ(a.getSize(), 1);
    EXPECT_EQ(a.setAt(-2, &z), nullptr);
    a.setAt(200, &z); // grows while the capacity is below it
    EXPECT_GE(a.getCapacity(), 201);
    EXPECT_EQ(a.at(200), &z);

    CXObject o1, o2, o3;
    CXVector v;
    EXPECT_EQ(v.setAt(0, &o1), nullptr);
    EXPECT_EQ(v.getSize(), 0);
    EXPECT_EQ(v.at(0), nullptr);
    v.add(&o1);
    EXPECT_EQ(v.setAt(0, &o2), &o1);
    v.insertAt(50, &o3); // past the end appends
    EXPECT_EQ(v.getSize(), 2);
    EXPECT_EQ(v.at(1), &o3);
    v.insertAt(-4, &o1);
    EXPECT_EQ(v.at(0), &o1);
    EXPECT_EQ(v.at(-1), nullptr);
    EXPECT_EQ(v.at(100000), nullptr);
}

TEST(Containers, RefusesHugeIndexesInsteadOfExhaustingMemory) {
    int x = 0;
    CXArray a;
    EXPECT_EQ(a.setAt(2000000000, &x), nullptr);
    EXPECT_EQ(a.getCapacity(), 101);
    a.insertAt(2000000000, &x);
    EXPECT_EQ(a.getSize(), 0);
}

TEST(Containers, RemoveFindReplace) {
    CXObject o[4];
    CXVector v;
    for (auto& e : o) v.add(&e);
    v.add(&o[1]);
    EXPECT_EQ(v.find(&o[1]), 1);
    v.remove(&o[1]);
    EXPECT_EQ(v.getSize(), 4);
    EXPECT_EQ(v.at(1), &o[2]);
    EXPECT_EQ(v.find(&o[1]), 3);
    v.remove(nullptr);
    EXPECT_EQ(v.getSize(), 4);
    v.removeAt(9);
    v.removeAt(-1);
    EXPECT_EQ(v.getSize(), 4);
    v.removeAt(0);
    EXPECT_EQ(v.at(0), &o[2]);
    EXPECT_TRUE(v.replace(&o[2], &o[0]));
    EXPECT_FALSE(v.replace(&o[2], &o[0]));
    EXPECT_TRUE(v.contains(&o[0]));
    EXPECT_FALSE(v.contains(&o[2]));

    v.removeAll();
    EXPECT_EQ(v.getSize(), 0);
    EXPECT_EQ(v[0], &o[0]); // the slot keeps its pointer
    EXPECT_FALSE(v.contains(&o[0]));
}

TEST(Containers, ClonesAndCopies) {
    int a = 0, b = 0;
    CXArray list(7, 0.5f);
    list.add(&a);
    list.add(&b);
    CXArray* copy = static_cast<CXArray*>(list.clone());
    EXPECT_EQ(copy->getCapacity(), 7);
    EXPECT_FLOAT_EQ(copy->getLoadFactor(), 0.5f);
    EXPECT_EQ(copy->getSize(), 2);
    EXPECT_EQ(copy->at(1), &b);
    copy->removeAt(0);
    EXPECT_EQ(list.getSize(), 2);
    delete copy;

    CXArray assigned;
    assigned = list;
    list.removeAt(0);
    EXPECT_EQ(assigned.getSize(), 2);
    EXPECT_EQ(assigned.at(0), &a);

    CXObject o1, o2;
    CXVector v;
    v.add(&o1);
    v.add(&o2);
    CXVector small(1, 0.75f);
    v.copyInto(&small); // grows when too small
    EXPECT_EQ(small.getSize(), 2);
    EXPECT_EQ(small.at(1), &o2);

    CXArray self(2, 0.75f);
    self.add(&a);
    self.add(&b);
    self.add(&self); // appending a list to itself, growing on the way
    EXPECT_EQ(self.getSize(), 4);
    EXPECT_EQ(self.at(2), &a);
    EXPECT_EQ(self.at(3), &b);
}

TEST(Containers, StringElements) {
    CXString s("x");
    CXArray a;
    a.add(&s);
    EXPECT_EQ(a.stringAt(0), &s);
    EXPECT_EQ(a.stringAt(1), nullptr);
    EXPECT_EQ(a.stringAt(-1), nullptr);
}

// An ARRAY's elements: strings match ignoring case (Polish letters too), other values never do.
TEST(Containers, ContainsStringLooksAtScriptStrings) {
    CMC_String scene("a", "Scena\xA3");
    CMC_String other("b", "MENU");
    CMC_Integer number(12);
    CXArray values;
    values.add(&number);
    values.add(static_cast<void*>(nullptr));
    values.add(&scene);
    EXPECT_TRUE(values.containsString("scena\xB3"));
    EXPECT_FALSE(values.containsString("scena"));
    EXPECT_FALSE(values.containsString("12"));
    EXPECT_FALSE(values.containsString("menu"));
    values.add(&other);
    EXPECT_TRUE(values.containsString("menu"));
    values.removeAll();
    EXPECT_FALSE(values.containsString("menu"));
}

TEST(Containers, Queues) {
    int a = 1, b = 2, c = 3;
    CLifoQuene lifo;
    lifo.push(&a);
    lifo.push(&b);
    lifo.push(&c);
    EXPECT_EQ(lifo.pop(), &c);
    EXPECT_EQ(lifo.pop(), &b);
    EXPECT_EQ(lifo.pop(), &a);
    EXPECT_EQ(lifo.pop(), nullptr);

    CFifoQuene fifo;
    fifo.push(&a);
    fifo.push(&b);
    EXPECT_EQ(fifo.pop(), &a);
    EXPECT_EQ(fifo.pop(), &b);
    EXPECT_EQ(fifo.pop(), nullptr);
    EXPECT_EQ(fifo.getCapacity(), 101);

    CXObject x, y, z;
    CXFifoQuene xfifo;
    xfifo.push(&x);
    xfifo.push(&y);
    xfifo.push(&z);
    EXPECT_EQ(xfifo.pop(), &x);
    EXPECT_EQ(xfifo.pop(), &y);
    EXPECT_EQ(xfifo.pop(), &z);
    EXPECT_EQ(xfifo.pop(), nullptr);

    CXLifoQuene xlifo;
    xlifo.push(&x);
    xlifo.push(&y);
    EXPECT_EQ(xlifo.pop(), &y);
    EXPECT_EQ(xlifo.pop(), &x);
    EXPECT_EQ(xlifo.pop(), nullptr);
}

TEST(Containers, SortedVectorIsStable) {
    Prioritised p5a(5), p1(1), p5b(5), p3(3);
    CSortedVector sorted;
    for (auto* p : {&p5a, &p1, &p5b, &p3}) sorted.add(p);
    ASSERT_EQ(sorted.getSize(), 4);
    EXPECT_EQ(sorted.at(0), &p1);
    EXPECT_EQ(sorted.at(1), &p3);
    EXPECT_EQ(sorted.at(2), &p5a);
    EXPECT_EQ(sorted.at(3), &p5b);

    // Many equal elements keep their order through growth.
    std::vector<Prioritised> many;
    many.reserve(300);
    for (int i = 0; i < 300; ++i) many.emplace_back(i % 3);
    CSortedVector big(4);
    for (auto& p : many) big.add(&p);
    ASSERT_EQ(big.getSize(), 300);
    for (int i = 1; i < 300; ++i) {
        auto* prev = static_cast<Prioritised*>(big.at(i - 1));
        auto* cur = static_cast<Prioritised*>(big.at(i));
        ASSERT_LE(prev->priority, cur->priority);
        if (prev->priority == cur->priority) {
            ASSERT_LT(prev, cur);
        }
    }

    CSortedVector* reversed = sorted.reverse();
    ASSERT_EQ(reversed->getSize(), 4);
    EXPECT_EQ(reversed->at(0), &p1);
    EXPECT_EQ(reversed->at(1), &p3);
    EXPECT_EQ(reversed->at(2), &p5b);
    EXPECT_EQ(reversed->at(3), &p5a);
    delete reversed;

    CSortedVector empty;
    CSortedVector* none = empty.reverse(); // capacity 0 must still accept elements
    EXPECT_EQ(none->getSize(), 0);
    none->add(&p1);
    none->add(&p3);
    EXPECT_EQ(none->at(1), &p3);
    delete none;
}

TEST(Containers, PairsAndTriples) {
    int value = 0, other = 0;
    CXPair named("Name\xA3", &value);
    EXPECT_EQ(named.getName(), "name\xB3");
    EXPECT_EQ(named.getFirst(), &value);
    EXPECT_EQ(named.getSecond(), &value);
    named.setSecond(&other);
    CXPair* copy = static_cast<CXPair*>(named.clone());
    EXPECT_EQ(copy->getName(), "cloned");
    EXPECT_EQ(copy->getFirst(), &value);
    EXPECT_EQ(copy->getSecond(), &other);
    delete copy;

    CXPair plain(&value, &other);
    EXPECT_EQ(plain.getName(), "");

    int third = 0;
    CXTriple t(&value, &other, &third);
    CXTriple* tc = static_cast<CXTriple*>(t.clone());
    EXPECT_EQ(tc->getThird(), &third);
    tc->setFirst(nullptr);
    EXPECT_EQ(t.getFirst(), &value);
    delete tc;
}

TEST(Containers, OddConstructionArgumentsStaySafe) {
    CXObject o;
    CXVector zero(0, 0.75f);
    zero.add(&o);
    EXPECT_EQ(zero.at(0), &o);
    CXVector noFactor(4, 0.0f); // would double forever
    CXVector more(4, 0.75f);
    for (int i = 0; i < 3; ++i) more.add(&o);
    noFactor.add(&more);
    EXPECT_EQ(noFactor.getSize(), 3);
    CXArray negative(-5, 2.0f);
    for (int i = 0; i < 10; ++i) negative.add(&o);
    EXPECT_EQ(negative.getSize(), 10);
}
