#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "core/Log.h"
#include "core/XRandom.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {
uint64_t g_micros = 0;
uint64_t fakeMicros() { return g_micros; }

struct CFakeClock {
    explicit CFakeClock(uint64_t ms) {
        g_micros = ms * 1000;
        CPlatformClock::inject(&fakeMicros);
    }
    ~CFakeClock() { CPlatformClock::inject(nullptr); }
};
} // namespace

TEST(XRandom, DrawsStayInTheirRange) {
    EXPECT_EQ(CXRandom::random(0), 0);
    EXPECT_EQ(CXRandom::random(42, 0), 42);
    for (int i = 0; i < 2000; ++i) {
        int v = CXRandom::random(5, 3);
        EXPECT_TRUE(v >= 5 && v <= 7) << v;
        int w = CXRandom::random(10);
        EXPECT_TRUE(w >= 0 && w < 10) << w;
    }
}

TEST(XRandom, ALongRunningClockNeverGivesNegativeDraws) {
    // Past 2^31 ms the clock and rand() no longer fit a signed sum.
    CFakeClock clock((uint64_t(1) << 32) - 1000);
    for (int i = 0; i < 2000; ++i) {
        int v = CXRandom::random(7);
        ASSERT_TRUE(v >= 0 && v < 7) << v;
    }
}

TEST(XRandom, VectorFillsTheSharedTable) {
    int* table = CXRandom::random_vector(100, 50, 30, false);
    EXPECT_EQ(table, CXRandom::random_vector(0, 1, 1, false)); // one table for every call
    table = CXRandom::random_vector(100, 50, 30, false);
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(table[i] >= 100 && table[i] < 150);

    table = CXRandom::random_vector(0, 10, 10, true);
    std::set<int> seen(table, table + 10);
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // A count of 0 means n - base.
    table = CXRandom::random_vector(2, 6, 0, true);
    std::set<int> four(table, table + 4);
    EXPECT_EQ(four.size(), 4u);
    for (int v : four) EXPECT_TRUE(v >= 2 && v < 8);
}

TEST(XRandom, VectorRefusesMoreThanTheTableHolds) {
    int* table = CXRandom::random_vector(0, 1000, 5, false);
    int before[5];
    std::copy(table, table + 5, before);
    CLogCapture capture;
    EXPECT_EQ(CXRandom::random_vector(0, 10, 10001, false), table);
    EXPECT_TRUE(capture.contains("Arguments error: Random::getPlenty( )"));
    EXPECT_TRUE(std::equal(before, before + 5, table));
}

TEST(XRandom, UniqueDrawsFromTooFewValuesEnd) {
    CLogCapture capture;
    int* table = CXRandom::random_vector(0, 3, 8, true);
    std::set<int> firstThree(table, table + 3);
    EXPECT_EQ(firstThree, (std::set<int>{0, 1, 2}));
    for (int i = 3; i < 8; ++i) EXPECT_TRUE(table[i] >= 0 && table[i] < 3);
    EXPECT_FALSE(capture.lines().empty());

    // The whole table unique, drawn in a reasonable time.
    table = CXRandom::random_vector(0, CXRandom::TABLE_SIZE, CXRandom::TABLE_SIZE, true);
    std::set<int> all(table, table + CXRandom::TABLE_SIZE);
    EXPECT_EQ(all.size(), static_cast<size_t>(CXRandom::TABLE_SIZE));
}
