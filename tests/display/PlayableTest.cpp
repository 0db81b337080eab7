#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Containers.h"
#include "display/Playable.h"

using namespace KavirelDLL;

namespace {

// Records what the base asks of a concrete playable.
class TestPlayable : public CPlayable {
public:
    TestPlayable() : CPlayable(nullptr) {}
    using CPlayable::play;
    void play() override { calls.push_back("play:" + std::string(getParam().GetBuffer())); }
    void stop(bool notify) override {
        calls.push_back(notify ? "stop:notify" : "stop");
        m_status = 0;
    }
    void pause() override { calls.push_back("pause"); }
    void resume() override { calls.push_back("resume"); }
    void seek(int position) override {
        calls.push_back("seek:" + std::to_string(position));
        m_position = position == -3 ? 4 : 6;
    }
    std::vector<std::string> calls;
};

// Logs each call under its name; may act during one.
class Recorder : public CPlayableObserver {
public:
    Recorder(std::vector<std::string>* log, const char* name, bool answer = false)
        : m_log(log), m_name(name), m_answer(answer) {}
    bool onPlayableStarted(CPlayable*) override { return record("started"); }
    bool onPlayableTick(CPlayable*) override { return record("tick"); }
    bool onPlayableFinished(CPlayable* p) override {
        if (removeSelf) p->removeNotifier(this);
        if (addOnFinish) p->addNotifier(addOnFinish);
        return record("finished");
    }
    bool onPlayableResumed(CPlayable*) override { return record("resumed"); }
    bool removeSelf = false;
    CPlayableObserver* addOnFinish = nullptr;

private:
    bool record(const char* what) {
        m_log->push_back(m_name + ":" + what);
        return m_answer;
    }
    std::vector<std::string>* m_log;
    std::string m_name;
    bool m_answer;
};

} // namespace

TEST(Playable, Defaults) {
    TestPlayable p;
    EXPECT_EQ(p.getType(), 0);
    EXPECT_EQ(p.getStatus(), 0);
    EXPECT_FALSE(p.isPlaying());
    EXPECT_FALSE(p.isPaused());
    EXPECT_EQ(p.getName(), "");
    EXPECT_TRUE(p.getWaitMode());
    EXPECT_EQ(p.getMode(), 1);
    EXPECT_EQ(p.getParentsNo(), 0);
    EXPECT_TRUE(p.isVisible());
    EXPECT_TRUE(p.isParent());
    EXPECT_EQ(p.getFPS(), 10);
    EXPECT_EQ(p.getPlaying(), nullptr);
    EXPECT_EQ(p.getLastPlayedEvent(), "");
    EXPECT_EQ(p.getNotifiers()->getSize(), 0);
    p.hide();
    EXPECT_FALSE(p.isVisible());
    p.show();
    EXPECT_TRUE(p.isVisible());
    TestPlayable parent;
    p.setParent(&parent);
    EXPECT_FALSE(p.isParent());
    p.addParent();
    p.addParent();
    p.subParent();
    EXPECT_EQ(p.getParentsNo(), 1);
}

TEST(Playable, EventMapFirstMatchInUpperCaseAndExactReplace) {
    TestPlayable p;
    p.addEvent("Idle", "STAND");
    p.addEvent("idle", "WALK");
    EXPECT_EQ(p.getParameter(CXString("IDLE")), "STAND");
    p.setParameter(CXString("idle"), CXString("RUN"));
    EXPECT_EQ(p.getParameter(CXString("iDlE")), "STAND");
    EXPECT_EQ(p.getEvents()->getSize(), 2);
    p.setParameter(CXString("Idle"), CXString("JUMP"));
    EXPECT_EQ(p.getParameter(CXString("idle")), "JUMP");
    // No exact key: nothing changes, nothing is added.
    p.setParameter(CXString("IDLE"), CXString("SIT"));
    EXPECT_EQ(p.getParameter(CXString("idle")), "JUMP");
    EXPECT_EQ(p.getEvents()->getSize(), 2);
    EXPECT_EQ(p.getParameter(CXString("none")), "");
}

TEST(Playable, PlayByKeyStopsThenPlaysWithTheMappedParameter) {
    TestPlayable p;
    p.addEvent("go", "WALK");
    p.play(CXString("GO"));
    EXPECT_EQ(p.calls, (std::vector<std::string>{"stop", "play:WALK"}));
    EXPECT_TRUE(p.isPlaying());
    EXPECT_EQ(p.getPlaying(), &p);
    EXPECT_EQ(p.getLastPlayedEvent(), "GO");
    EXPECT_EQ(p.getParameter(), "WALK");

    p.calls.clear();
    p.play(CXString("missing"));
    EXPECT_EQ(p.calls, (std::vector<std::string>{"stop", "play:"}));
    EXPECT_EQ(p.getParam(), "");
    EXPECT_EQ(p.getLastPlayedEvent(), "missing");

    EXPECT_EQ(p.previous(), 4);
    EXPECT_EQ(p.next(), 6);
    EXPECT_EQ(p.calls.back(), "seek:-4");
}

TEST(Playable, NotifyCallsEveryObserverThenTheGenericOne) {
    TestPlayable p;
    std::vector<std::string> log;
    Recorder a(&log, "a", false), b(&log, "b", true), generic(&log, "g", false);
    p.addNotifier(&a);
    p.addNotifier(&b);
    p.addNotifier(&a);
    EXPECT_EQ(p.getNotifiers()->getSize(), 2);
    p.setGenericNotifier(&generic);

    EXPECT_FALSE(p.notify(1));
    EXPECT_EQ(log, (std::vector<std::string>{"a:started", "b:started", "g:started"}));
    log.clear();
    p.setGenericNotifier(nullptr);
    EXPECT_TRUE(p.notify(2));
    EXPECT_TRUE(p.notify(3));
    EXPECT_TRUE(p.notify(4));
    EXPECT_EQ(log, (std::vector<std::string>{"a:tick", "b:tick", "a:finished", "b:finished", "a:resumed",
                                             "b:resumed"}));
    log.clear();
    EXPECT_TRUE(p.notify(7));
    EXPECT_TRUE(p.notify(0));
    EXPECT_TRUE(log.empty());

    p.clearNotifiers();
    EXPECT_TRUE(p.notify(1));
    EXPECT_TRUE(log.empty());
}

TEST(Playable, SetNotifierLeavesOnlyThatObserver) {
    TestPlayable p;
    std::vector<std::string> log;
    Recorder a(&log, "a"), b(&log, "b"), c(&log, "c"), only(&log, "o");
    p.addNotifier(&a);
    p.addNotifier(&b);
    p.addNotifier(&c);
    p.setNotifier(&only);
    p.notify(1);
    EXPECT_EQ(log, (std::vector<std::string>{"o:started"}));
    p.removeNotifier(&only);
    EXPECT_EQ(p.getNotifiers()->getSize(), 0);
}

TEST(Playable, ObserversChangingTheListDoNotChangeTheCurrentNotification) {
    TestPlayable p;
    std::vector<std::string> log;
    Recorder a(&log, "a"), b(&log, "b"), c(&log, "c"), late(&log, "late");
    a.removeSelf = true;
    b.addOnFinish = &late;
    p.addNotifier(&a);
    p.addNotifier(&b);
    p.addNotifier(&c);
    p.notify(3);
    EXPECT_EQ(log, (std::vector<std::string>{"a:finished", "b:finished", "c:finished"}));
    log.clear();
    p.notify(3);
    EXPECT_EQ(log, (std::vector<std::string>{"b:finished", "c:finished", "late:finished"}));
}

TEST(Playable, CopiesOwnTheirEventMapAndObserverList) {
    std::vector<std::string> log;
    Recorder a(&log, "a"), b(&log, "b");
    auto* source = new TestPlayable();
    source->setName("hero");
    source->addEvent("k", "E");
    source->addNotifier(&a);
    source->setMode(3);
    source->setVolume(-200);

    TestPlayable copy(*source);
    TestPlayable assigned;
    assigned = *source;
    delete source; // the copies must not lean on what it freed

    for (TestPlayable* p : {&copy, &assigned}) {
        EXPECT_EQ(p->getName(), "hero");
        EXPECT_EQ(p->getMode(), 3);
        EXPECT_EQ(p->getVolume(), -200);
        EXPECT_EQ(p->getParameter(CXString("K")), "E");
        log.clear();
        p->notify(1);
        EXPECT_EQ(log, (std::vector<std::string>{"a:started"}));
    }
    copy.addNotifier(&b);
    copy.addEvent("x", "X");
    EXPECT_EQ(assigned.getNotifiers()->getSize(), 1);
    EXPECT_EQ(assigned.getParameter(CXString("x")), "");
}

namespace {
// Takes another observer off the list, or deletes the playable, when told of the finish.
class Remover : public CPlayableObserver {
public:
    CPlayableObserver* removeOther = nullptr;
    bool deletePlayable = false;
    bool onPlayableFinished(CPlayable* p) override {
        if (removeOther) p->removeNotifier(removeOther);
        if (deletePlayable) delete p;
        return true;
    }
};
} // namespace

TEST(Playable, AnObserverRemovedOrAPlayableDeletedMidNotificationIsNotCalledAgain) {
    std::vector<std::string> log;
    Recorder b(&log, "b"), c(&log, "c");
    Remover r;
    r.removeOther = &c; // c may be freed by whoever removed it
    TestPlayable p;
    p.addNotifier(&b);
    p.addNotifier(&r);
    p.addNotifier(&c);
    p.notify(3);
    EXPECT_EQ(log, (std::vector<std::string>{"b:finished"}));

    log.clear();
    auto* doomed = new TestPlayable();
    Remover killer;
    killer.deletePlayable = true;
    doomed->addNotifier(&killer);
    doomed->addNotifier(&b);
    doomed->setGenericNotifier(&c);
    doomed->notify(3); // under ASan a call after the delete would be caught
    EXPECT_TRUE(log.empty());
}
