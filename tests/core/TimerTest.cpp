#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/HiResTimer.h"
#include "core/XTimer.h"
#include "display/Window.h"
#include "media/controls/Unit6.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

// Every test runs on an injected clock, with timers enabled.
class Timers : public ::testing::Test {
protected:
    void SetUp() override {
        g_nowMs = 10'000;
        CPlatformClock::inject(&fakeMicros);
        CXTimer::enable(true);
    }
    void TearDown() override {
        CPlatformClock::inject(nullptr);
        CXTimer::enable(true);
    }
    // Runs one poll at the given time.
    void pollAt(uint64_t ms) {
        g_nowMs = ms;
        timers.domodal();
    }

    CXTimer timers{nullptr};
};

struct CRecorder : CTimerNotificator {
    std::vector<std::pair<int, uint64_t>> fired;
    std::function<void(int)> then;
    void onTimer(int id) override {
        fired.emplace_back(id, g_nowMs);
        if (then) then(id);
    }
};

struct CTestWindow : CWindow {
    std::vector<int> fired;
    int OnTimer(int id) override {
        fired.push_back(id);
        return 0;
    }
};

struct CTestUnit : CUnit6 {
    CTestUnit() : CUnit6(nullptr, "Default") {}
    bool initiallyUpdated = false;
    std::vector<int> fired;
    int checks = 0;
    bool wasInitiallyUpdated() override {
        ++checks;
        return initiallyUpdated;
    }
    void onTimer(int id) override { fired.push_back(id); }
};

} // namespace

TEST_F(Timers, FiresOnTheFirstPollAtOrAfterEachDuePoint) {
    CRecorder r;
    timers.add(7, 1000, &r);
    pollAt(10'999);
    EXPECT_TRUE(r.fired.empty());
    pollAt(11'000);
    pollAt(11'500);
    pollAt(12'003);
    ASSERT_EQ(r.fired.size(), 2u);
    EXPECT_EQ(r.fired[0], std::make_pair(7, uint64_t(11'000)));
    EXPECT_EQ(r.fired[1].second, 12'003u);
    // Due points stay on the start's grid, not on the late firing.
    pollAt(12'999);
    EXPECT_EQ(r.fired.size(), 2u);
    pollAt(13'000);
    EXPECT_EQ(r.fired.size(), 3u);
}

TEST_F(Timers, ALateTimerFiresOncePerPollUntilItCatchesUp) {
    CRecorder r;
    timers.add(1, 100, &r);
    pollAt(10'450); // four due points passed
    EXPECT_EQ(r.fired.size(), 1u);
    for (int i = 0; i < 5; ++i) timers.domodal();
    EXPECT_EQ(r.fired.size(), 4u);
    EXPECT_EQ(timers.find(1)->getFireCount(), 4u);
}

TEST_F(Timers, PauseAndResumeKeepTheTimeLeft) {
    CRecorder r;
    timers.add(1, 1000, &r);
    g_nowMs = 10'700;
    timers.pause();
    g_nowMs = 50'000;
    timers.resume();
    pollAt(50'299);
    EXPECT_TRUE(r.fired.empty());
    pollAt(50'300);
    ASSERT_EQ(r.fired.size(), 1u);
    pollAt(51'300);
    EXPECT_EQ(r.fired.size(), 2u);

    // Paused after it has fired: the time since its last due point counts.
    g_nowMs = 51'900;
    timers.pause();
    g_nowMs = 60'000;
    timers.resume();
    pollAt(60'399);
    EXPECT_EQ(r.fired.size(), 2u);
    pollAt(60'400);
    EXPECT_EQ(r.fired.size(), 3u);
}

TEST_F(Timers, ResumeOwingTimeAfterTheIntervalGrew) {
    CRecorder r;
    timers.add(1, 100, &r);
    pollAt(10'100);
    pollAt(10'200);
    timers.find(1)->setInterval(1000); // two firings at the new interval lie in the future
    g_nowMs = 10'250;
    timers.pause();
    g_nowMs = 20'000;
    timers.resume();
    // The next due point was 2750 ms away when paused, and still is after the resume.
    pollAt(22'749);
    EXPECT_EQ(r.fired.size(), 2u);
    pollAt(22'750);
    EXPECT_EQ(r.fired.size(), 3u);
}

TEST_F(Timers, RemovedInsideItsOwnCallbackFiresNoMore) {
    CRecorder r;
    timers.add(3, 100, &r);
    r.then = [&](int id) { timers.remove(id); };
    pollAt(10'100);
    EXPECT_EQ(r.fired.size(), 1u);
    EXPECT_EQ(timers.getCount(), 1); // deleted at the next poll
    EXPECT_EQ(timers.find(3), nullptr);
    pollAt(10'500);
    EXPECT_EQ(r.fired.size(), 1u);
    EXPECT_EQ(timers.getCount(), 0);
}

TEST_F(Timers, CallbacksMayAddRemoveAndResetOthers) {
    CRecorder a, b, c;
    timers.add(1, 100, &a);
    timers.add(2, 100, &b);
    a.then = [&](int) {
        timers.remove(2);     // later in this pass: deleted when the pass reaches it
        timers.add(5, 0, &c); // not part of this pass
    };
    pollAt(10'100);
    EXPECT_EQ(a.fired.size(), 1u);
    EXPECT_TRUE(b.fired.empty());
    EXPECT_TRUE(c.fired.empty());
    EXPECT_EQ(timers.getCount(), 2);
    a.then = nullptr;
    pollAt(10'150);
    EXPECT_EQ(c.fired.size(), 1u);

    timers.add(9, 1000, &b);
    g_nowMs = 10'900;
    timers.reset(9);
    pollAt(11'899);
    EXPECT_TRUE(b.fired.empty());
    pollAt(11'900);
    EXPECT_EQ(b.fired.size(), 1u);
}

TEST_F(Timers, APollInsideACallbackLeavesTheRunningPassAlone) {
    // A callback that runs a nested frame must neither fire timers again nor delete entries the outer
    // pass still walks.
    CRecorder a, b;
    timers.add(1, 100, &a);
    timers.add(2, 100, &b);
    a.then = [&](int) {
        timers.remove(2);
        timers.domodal();
    };
    pollAt(10'100);
    EXPECT_EQ(a.fired.size(), 1u);
    EXPECT_TRUE(b.fired.empty());
    EXPECT_EQ(timers.getCount(), 1); // the outer pass deleted the removed entry itself
    a.then = nullptr;
    pollAt(10'200);
    EXPECT_EQ(a.fired.size(), 2u);
}

TEST_F(Timers, AnIdUsedAgainAfterRemovalFindsTheNewEntry) {
    CRecorder old, fresh;
    timers.add(4, 100, &old);
    timers.remove(4);
    timers.add(4, 100, &fresh);
    EXPECT_NE(timers.find(4), nullptr);
    timers.remove(4); // must stop the new one, not mark the dead one again
    pollAt(10'500);
    EXPECT_TRUE(old.fired.empty());
    EXPECT_TRUE(fresh.fired.empty());
    EXPECT_EQ(timers.getCount(), 0);
}

TEST_F(Timers, DisabledNothingFiresAndNothingIsDeleted) {
    CRecorder r;
    timers.add(1, 100, &r);
    timers.add(2, 100, &r);
    timers.remove(2);
    CXTimer::enable(false);
    pollAt(10'500);
    EXPECT_TRUE(r.fired.empty());
    EXPECT_EQ(timers.getCount(), 2);
    CXTimer::enable(true);
    pollAt(10'500);
    ASSERT_EQ(r.fired.size(), 1u);
    EXPECT_EQ(r.fired[0].first, 1);
    EXPECT_EQ(timers.getCount(), 1);
}

TEST_F(Timers, UnitWindowAndNotificatorTargets) {
    CTestUnit unit;
    CTestWindow window;
    timers.add(1, 100, &unit, true);
    timers.add(2, 100, &unit, false);
    timers.add(3, 100, &window);
    pollAt(10'100);
    // An inactive unit is not asked whether it was updated, and the firing still counts.
    EXPECT_EQ(unit.fired, std::vector<int>{2});
    EXPECT_EQ(unit.checks, 0);
    EXPECT_EQ(timers.find(1)->getFireCount(), 1u);
    EXPECT_EQ(window.fired, std::vector<int>{3});

    unit.setActivity(true);
    pollAt(10'200);
    EXPECT_EQ(unit.fired, (std::vector<int>{2, 2}));
    EXPECT_EQ(unit.checks, 1);
    unit.initiallyUpdated = true;
    pollAt(10'300);
    EXPECT_EQ(unit.fired, (std::vector<int>{2, 2, 1, 2}));
    // The base window and unit take the call and do nothing.
    CWindow plain;
    EXPECT_EQ(plain.OnTimer(5), 0);
}

TEST_F(Timers, TheDueTestCrossesTheThirtyTwoBitMillisecondCounter) {
    CRecorder r;
    g_nowMs = (uint64_t(1) << 32) - 500;
    timers.add(1, 1000, &r);
    pollAt((uint64_t(1) << 32) + 10); // a 32-bit due point would have wrapped and fired early
    EXPECT_TRUE(r.fired.empty());
    pollAt((uint64_t(1) << 32) + 499);
    EXPECT_TRUE(r.fired.empty());
    pollAt((uint64_t(1) << 32) + 500);
    EXPECT_EQ(r.fired.size(), 1u);
    pollAt((uint64_t(1) << 32) + 600);
    EXPECT_EQ(r.fired.size(), 1u);
}

TEST_F(Timers, DestructorDeletesEveryEntry) {
    // Leaks show up under the address sanitizer.
    auto* set = new CXTimer(nullptr);
    CRecorder r;
    set->add(1, 10, &r);
    set->add(2, 10, &r);
    set->remove(2);
    delete set;
}

TEST(HiResTimer, FrameClockFromAnInjectedCounter) {
    static uint64_t micros = 0;
    CPlatformClock::inject([]() { return micros; });
    micros = 1'000'000;
    EXPECT_TRUE(CHiResTimer::timer.Init());
    CHiResTimer::timer.Reset();
    EXPECT_EQ(CHiResTimer::appTime, 1u);
    EXPECT_EQ(CHiResTimer::frameTime, 0u);
    micros += 16'700;
    EXPECT_EQ(CHiResTimer::timer.Tick(), 16u);
    EXPECT_NEAR(CHiResTimer::fps, 59.88f, 0.01f);
    EXPECT_EQ(CHiResTimer::appTime, 17u);
    micros += 50'000;
    EXPECT_EQ(CHiResTimer::timer.Tick(), 50u);
    EXPECT_EQ(CHiResTimer::appTime, 67u);
    // No time passed: the rate stays finite.
    EXPECT_EQ(CHiResTimer::timer.Tick(), 0u);
    EXPECT_NEAR(CHiResTimer::fps, 20.0f, 0.01f);
    EXPECT_EQ(CHiResTimer::timer.GetTickCount(), 1066u);
    CPlatformClock::inject(nullptr);
}
