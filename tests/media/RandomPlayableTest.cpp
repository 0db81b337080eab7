#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <utility>

#include "media/AnimoFixtures.h"
#include "media/SequenceFixtures.h"
#include "media/sequences/RandomPlayable.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Allows plays (or not), asks for another play after a finish (or not), and may run something.
class Permission : public CRandomPlayableNotifier {
public:
    bool allow = true, again = false;
    std::vector<int> startedCounts;
    std::function<void()> onStarted;
    bool onRandomPlayableStarted(CPlayable*, int count) override {
        startedCounts.push_back(count);
        if (onStarted) onStarted();
        return allow;
    }
    bool onRandomPlayableFinished(CPlayable*, int) override { return again; }
};

// A playable that plays until finish() ends it with the finished notice.
class Voice : public FakeSound {
public:
    void finish() {
        m_status = 0;
        notify(NOTIFY_FINISHED);
    }
};

} // namespace

// Countdowns fall within 60 / rate seconds, bursts below the maximum repeat less one, and rates of 0 or
// less never count down; a rate too small for an int is capped.
TEST(RandomPlayable, DrawsCountdownsAndBursts) {
    std::srand(7);
    Voice voice;
    CRandomPlayable list(nullptr, nullptr);
    std::set<int> countdowns, bursts;
    for (int i = 0; i < 200; ++i) {
        CRandomPlayableEntry slow(&list, &voice, 30.0, 4, CXString(""));
        countdowns.insert(slow.getCountdown());
        bursts.insert(slow.getBurst());
        for (int repeat : {0, 1})
            EXPECT_EQ(CRandomPlayableEntry(&list, &voice, 60.0, repeat, "").getBurst(), 0);
        EXPECT_EQ(CRandomPlayableEntry(&list, &voice, 600.0, 1, "").getCountdown(), 1);
    }
    EXPECT_EQ(countdowns, (std::set<int>{1, 2}));
    EXPECT_EQ(bursts, (std::set<int>{0, 1, 2}));
    EXPECT_GT(CRandomPlayableEntry(&list, &voice, 1e-12, 1, "").getCountdown(), 0);
    EXPECT_EQ(voice.getNotifiers()->getSize(), 0); // each entry stopped observing when it went

    Permission yes;
    list.addNotifier(&yes);
    list.add(&voice, 0.0, 1, "GO");
    list.add(&voice, -5.0, 1, "GO");
    for (int tick = 0; tick < 200; ++tick) list.onTimer(0);
    EXPECT_EQ(voice.plays, 0);
    EXPECT_TRUE(yes.startedCounts.empty());
}

// One play per countdown, none while playing, none without permission or without notifiers; a burst plays
// on at the following ticks; a notifier that asks for more gets a play at every tick after each finish.
TEST(RandomPlayable, TicksPlaysAndBursts) {
    std::srand(11);
    Voice voice;
    {
        CRandomPlayable list(nullptr, nullptr);
        list.add(&voice, 60.0, 1, "GO");
        list.onTimer(0);
        EXPECT_EQ(voice.plays, 0); // nobody allowed it
        EXPECT_EQ(list.getEntry(0)->getCountdown(), 1);
        Permission refusing;
        refusing.allow = false;
        list.addNotifier(&refusing);
        for (int tick = 0; tick < 3; ++tick) list.onTimer(0);
        EXPECT_EQ(voice.plays, 0);
        EXPECT_EQ(list.getEntry(0)->getCountdown(), 1); // drawn anew each time, never below
        Permission yes;
        list.addNotifier(&yes);
        list.onTimer(0);
        EXPECT_EQ(voice.plays, 1);
        for (int tick = 0; tick < 5; ++tick) list.onTimer(0);
        EXPECT_EQ(voice.plays, 1); // the countdown waits while it plays
        voice.finish();
        list.onTimer(0);
        EXPECT_EQ(voice.plays, 2);
        yes.again = true;
        for (int round = 0; round < 3; ++round) {
            voice.finish();
            list.onTimer(0);
        }
        EXPECT_EQ(voice.plays, 5);
        EXPECT_EQ(yes.startedCounts, (std::vector<int>{1, 1, 2, 3, 4}));
    }
    // A burst of two: the second play follows the first finish at the next tick, then the count restarts.
    Voice burst;
    CRandomPlayable list(nullptr, nullptr);
    Permission yes;
    list.addNotifier(&yes);
    for (int i = 0; i < 100 && (list.getCount() == 0 || list.getEntry(0)->getBurst() != 2); ++i) {
        list.remove(&burst);
        list.add(&burst, 60.0, 4, "GO");
    }
    ASSERT_EQ(list.getEntry(0)->getBurst(), 2);
    list.onTimer(0);
    burst.finish();
    list.onTimer(0);
    EXPECT_EQ(burst.plays, 2);
    EXPECT_EQ(yes.startedCounts, (std::vector<int>{1, 2}));
    burst.finish();
    EXPECT_EQ(list.getEntry(0)->getSeqTime(), 0);
}

// A play that refuses to start draws anew rather than counting below zero; an event-less entry plays one
// of an animation's events, and an animation without events is never started.
TEST(RandomPlayable, AnimationsAndFailedPlays) {
    std::srand(3);
    auto animation = CSequenceWorld::animation(nullptr, {{"A", 3}, {"B", 3}});
    auto bare = CSequenceWorld::animation(nullptr, {});
    FakeSound other; // not an animation: without an event it plays nothing
    Voice named;
    CRandomPlayable list(nullptr, nullptr);
    Permission yes;
    list.addNotifier(&yes);
    list.add(animation.get(), 60.0, 1, "");
    list.add(bare.get(), 60.0, 1, "");
    list.add(&other, 60.0, 1, "");
    list.onTimer(0);
    EXPECT_TRUE(animation->IsPlaying());
    EXPECT_FALSE(bare->IsPlaying());
    EXPECT_EQ(other.plays, 0);
    for (int i = 1; i < 3; ++i) EXPECT_EQ(list.getEntry(i)->getCountdown(), 1);
    // A named event goes through the playable's own play by key.
    list.add(&named, 60.0, 1, "SING");
    list.onTimer(0);
    EXPECT_EQ(named.plays, 1);
    EXPECT_EQ(named.getLastPlayedEvent(), "SING");
}

// Removal stops the ticks and the observing; a handler may remove its own entry or delete the whole list;
// the window's timer ticks the list once a second until the list goes.
TEST(RandomPlayable, RemovalDuringPlaysAndTheTimer) {
    Voice first, second;
    auto list = std::make_unique<CRandomPlayable>(nullptr, nullptr);
    Permission yes;
    list->addNotifier(&yes);
    list->add(&first, 60.0, 1, "GO");
    list->add(&second, 60.0, 1, "GO");
    bool removed = false;
    yes.onStarted = [&] {
        if (!std::exchange(removed, true)) list->remove(&first);
    };
    list->onTimer(0);
    EXPECT_EQ(first.plays, 0);
    EXPECT_EQ(second.plays, 1);
    EXPECT_EQ(list->getCount(), 1);
    EXPECT_EQ(first.getNotifiers()->getSize(), 0);
    second.finish();
    yes.onStarted = [&] { list.reset(); };
    list->onTimer(0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(second.getNotifiers()->getSize(), 0);

    CSequenceWorld world;
    CXTimer* timers = world.window.GetTimerInterface();
    const int before = timers->getCount();
    Voice voice;
    Permission allow;
    auto ticking = std::make_unique<CRandomPlayable>(&world.window, nullptr);
    ticking->addNotifier(&allow);
    ticking->add(&voice, 60.0, 1, "GO");
    for (int i = 0; i < 60; ++i) {
        world.frame(50);
        timers->domodal();
    }
    EXPECT_EQ(voice.plays, 1); // after the first second
    ticking.reset();
    timers->domodal();
    EXPECT_EQ(timers->getCount(), before);
}
