#include <gtest/gtest.h>

#include <set>

#include "media/SequenceFixtures.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sequences/SimpleAnimation.h"
#include "media/sequences/SpeakingAnimation.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Builds trees by hand: every playable named and heard by one log. Sounds are the test's own (a sequence
// deletes no sound it did not take), so a tree must go before its Tree.
struct Tree {
    explicit Tree(CSequenceWorld& w) : world(w) {}
    CSequenceWorld& world;
    CTreeLog log;
    std::vector<std::unique_ptr<CSound4>> sounds;
    template <class T>
    T* named(T* p, const char* name) {
        p->setName(name);
        p->setGenericNotifier(&log);
        return p;
    }
    CSound4* sound(const char* name, int ms) {
        sounds.push_back(std::make_unique<CSound4>(&world.window, world.wav(std::string(name) + ".wav", ms),
                                                   false, false));
        return named(sounds.back().get(), name);
    }
    CSequencedPlayable* sequence(const char* name, int mode = 1) {
        auto* s = named(new CSequencedPlayable(&world.window), name);
        s->setMode(mode);
        return s;
    }
    CSimpleAnimation* simple(const char* name, CAnimo* animation, int event) {
        auto* s = named(new CSimpleAnimation(&world.window, animation), name);
        s->setEventIndex(event);
        return s;
    }
};

} // namespace

// A (wait false), B and C in order: A and B start together, C when B ends, and the sequence finishes once
// when C ends although A still plays; a child that ends later is no new finish.
TEST(SequencedPlayable, WaitRuleAndOrder) {
    CSequenceWorld world;
    Tree tree{world};
    auto strip = CSequenceWorld::animation(&world.window, {{"RUN", 3}});
    std::unique_ptr<CSequencedPlayable> seq(tree.sequence("SEQ"));
    CSound4* a = tree.sound("A", 600);
    a->setWaitMode(false);
    seq->addChild(a);
    seq->addChild(tree.simple("B", strip.get(), 0));
    seq->addChild(tree.sound("C", 60));
    seq->setVolume(-600);
    seq->play();
    EXPECT_TRUE(a->isPlaying());
    EXPECT_EQ(a->getVolume(), -600);
    EXPECT_EQ(seq->getCurrent(), 1);
    world.runWhile(*seq);
    // A sequence hears a child's end before the permanent observer does.
    EXPECT_EQ(tree.log.joined(), "+SEQ +A +B +C -B -SEQ -C");
    EXPECT_TRUE(a->isPlaying());
    world.runWhile(*a);
    world.frame();
    EXPECT_EQ(tree.log.joined(), "+SEQ +A +B +C -B -SEQ -C -A");
    // Stopping with notice while an animation plays: the child's own finish and one of the sequence's.
    tree.log.events.clear();
    seq->play();
    world.frame();
    seq->stop(true);
    seq->stop(true);
    world.frame();
    EXPECT_EQ(tree.log.joined(), "+SEQ +A +B -SEQ -B");
    seq->stop(true);
    tree.log.events.clear();
    // Quietly: no finish at all, though A ends later.
    seq->play();
    seq->stop(false);
    world.runWhile(*a);
    world.frame();
    EXPECT_EQ(tree.log.joined(), "+SEQ +A +B -A");
}

// Parameter "2A": child 1 (a PARAMETER sequence) plays with "A" and selects its child 9; get and the last
// played event follow the same path; random and empty sequences start nothing but report started.
TEST(SequencedPlayable, ParametersGetAndEvents) {
    CSequenceWorld world;
    Tree tree{world};
    std::vector<std::pair<std::string, int>> events;
    for (int i = 0; i < 12; ++i) events.emplace_back("E" + std::to_string(i), 200);
    auto strip = CSequenceWorld::animation(&world.window, events);
    std::unique_ptr<CSequencedPlayable> root(tree.sequence("ROOT", 3));
    CSequencedPlayable* inner = tree.sequence("INNER", 3);
    root->addChild(tree.sequence("ZERO"));
    root->addChild(inner);
    for (int i = 0; i < 12; ++i)
        inner->addChild(tree.simple(("S" + std::to_string(i)).c_str(), strip.get(), i));
    root->addEvent("GO", "2A");
    root->addEvent("NONE", "9");
    EXPECT_EQ(root->get("GO"), inner->getChild(9));
    EXPECT_EQ(root->get("NONE"), root.get());
    root->play("GO");
    EXPECT_EQ(tree.log.joined(), "+ROOT +INNER +S9");
    EXPECT_EQ(strip->GetCurrentEvent(), 9);
    EXPECT_EQ(root->getPlaying(), inner->getChild(9));
    EXPECT_EQ(root->getLastPlayedEvent(CXString("")), "E9");
    EXPECT_EQ(root->getLastPlayedEvent(CXString("INNER")), "E9");
    EXPECT_EQ(root->getLastPlayedEvent(CXString("OTHER")), "");
    EXPECT_EQ(root->getLastPlayedEvent(), "GO");
    root->stop(false);
    EXPECT_EQ(root->getLastPlayedEvent(CXString("")), "");
    EXPECT_EQ(root->getPlaying(), nullptr);
    // A character that selects nothing, an empty parameter, and sequences without children.
    tree.log.events.clear();
    root->play("NONE");
    root->play("MISSING");
    for (int mode : {1, 2, 3}) {
        std::unique_ptr<CSequencedPlayable> empty(tree.sequence("EMPTY", mode));
        empty->setParameter(CXString("1"));
        empty->play();
        EXPECT_FALSE(empty->isPlaying());
        world.frame();
    }
    EXPECT_EQ(tree.log.joined(), "+ROOT +ROOT +EMPTY +EMPTY +EMPTY");
    // Random mode plays one child and finishes with it.
    tree.log.events.clear();
    std::unique_ptr<CSequencedPlayable> random(tree.sequence("RND", 2));
    random->addChild(tree.sound("X", 40));
    random->addChild(tree.sound("Y", 40));
    random->play();
    world.runWhile(*random);
    ASSERT_EQ(tree.log.events.size(), 4u);
    EXPECT_EQ(tree.log.events[2], "-RND");
}

// Pause and resume hold the current child; seek moves between children (-4 next, -3 previous, -2 last, -1
// first, or an index) and past either end finishes the play once.
TEST(SequencedPlayable, PauseResumeAndSeek) {
    CSequenceWorld world;
    Tree tree{world};
    std::unique_ptr<CSequencedPlayable> seq(tree.sequence("SEQ"));
    std::vector<CSound4*> sounds;
    for (const char* name : {"S0", "S1", "S2", "S3"}) {
        sounds.push_back(tree.sound(name, 1000));
        seq->addChild(sounds.back());
    }
    seq->play();
    seq->pause();
    EXPECT_TRUE(seq->isPaused());
    EXPECT_TRUE(sounds[0]->isPaused());
    for (int i = 0; i < 80; ++i) world.frame();
    EXPECT_TRUE(seq->isPaused());
    seq->resume();
    EXPECT_TRUE(sounds[0]->isPlaying());
    auto playing = [&] {
        int index = -1, count = 0;
        for (int i = 0; i < 4; ++i)
            if (sounds[size_t(i)]->isPlaying()) index = i, ++count;
        return count == 1 ? index : -count;
    };
    std::vector<int> seen;
    for (int target : {-4, -4, -3, -2, -1, 2}) {
        seq->seek(target);
        world.frame();
        seen.push_back(playing());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 1, 3, 0, 2}));
    EXPECT_EQ(seq->getCurrent(), 2);
    seq->seek(-2);
    seq->seek(-4);
    EXPECT_FALSE(seq->isPlaying());
    for (int i = 0; i < 3; ++i) world.frame();
    EXPECT_EQ(std::count(tree.log.events.begin(), tree.log.events.end(), "-SEQ"), 1);
    // Sought after its end, the sequence plays again from there and tells of its new end.
    seq->seek(-2);
    world.frame();
    EXPECT_EQ(playing(), 3);
    world.runWhile(*seq);
    world.frame();
    EXPECT_EQ(std::count(tree.log.events.begin(), tree.log.events.end(), "-SEQ"), 2);
    // Stopped quietly, then sought past the end: no word.
    seq->seek(0);
    seq->stop(false);
    seq->seek(-4);
    world.frame();
    EXPECT_EQ(std::count(tree.log.events.begin(), tree.log.events.end(), "-SEQ"), 2);
}

// A playable held by two parents is deleted by the last one; a sequence never holds itself.
TEST(SequencedPlayable, SharedChildrenAndCycles) {
    CSequenceWorld world;
    Tree tree{world};
    auto first = std::unique_ptr<CSequencedPlayable>(tree.sequence("P1"));
    auto second = std::unique_ptr<CSequencedPlayable>(tree.sequence("P2"));
    CSequencedPlayable* shared = tree.sequence("SHARED");
    CSound4* sound = tree.sound("S", 100);
    shared->addChild(sound);
    // An animation someone else owns, as a script object's: taken off nothing, deleted by nobody here.
    auto strip = CSequenceWorld::animation(&world.window, {{"RUN", 3}});
    world.window.GetRefreshScreenInterface()->put(strip.get(), 5);
    shared->addChild(strip.get());
    first->addChild(shared);
    second->addChild(shared);
    EXPECT_EQ(shared->getParentsNo(), 2);
    shared->addChild(shared);
    shared->addChild(first.get());
    EXPECT_EQ(shared->getChildrenCount(), 2);
    first.reset();
    EXPECT_EQ(shared->getName(), "SHARED");
    EXPECT_EQ(shared->getChild(0), sound);
    std::unique_ptr<CXArray> sounds(second->getAllOfType(1));
    EXPECT_EQ(sounds->getSize(), 1);
    second.reset(); // deletes the shared sequence once, and not the test's sound or animation (ASan)
    EXPECT_EQ(sound->getParentsNo(), 0);
    EXPECT_GE(world.window.GetRefreshScreenInterface()->getIndex(strip.get()), 0);
}

// Lip-synchronised speech: talking events (digit names, or the prefix's own ones but START, END and STOP)
// while the voice plays, START before it, END (else STOP) after it, one finish.
TEST(SpeakingAnimation, TalksStartsAndEnds) {
    CSequenceWorld world;
    CTreeLog log;
    auto face = CSequenceWorld::animation(&world.window, {{"IDLE", 2},
                                                          {"1", 2},
                                                          {"2x", 2},
                                                          {"START", 2},
                                                          {"MAN_A", 2},
                                                          {"MAN_B", 2},
                                                          {"MAN_START", 2},
                                                          {"MAN_END", 3},
                                                          {"MAN_STOP", 2},
                                                          {"WOMAN_STOP", 2}});
    auto talk = [&](const char* prefix, bool starting, bool ending) {
        auto s = std::make_unique<CSpeakingAnimation>(&world.window, world.cache.get());
        s->setName("talk");
        s->setGenericNotifier(&log);
        s->substAnimation(face.get());
        s->apply(world.wav("voice.wav", 400));
        s->setPrefix(prefix);
        s->setStarting(starting);
        s->setEnding(ending);
        return s;
    };
    // The events shown before the voice, while it played and after it, each in order of first showing.
    auto run = [&](CSpeakingAnimation& s, std::vector<std::string>& before, std::vector<std::string>& during,
                   std::vector<std::string>& after) {
        log.events.clear();
        s.play();
        bool spoke = false;
        for (int i = 0; i < 200 && (s.isPlaying() || log.events.size() < 2); ++i) {
            const std::string name = face->IsPlaying() ? face->getCurrentEventName().GetBuffer() : "";
            spoke = spoke || s.getVoice()->isPlaying();
            auto& into = !spoke ? before : s.getVoice()->isPlaying() ? during : after;
            if (!name.empty() && std::find(into.begin(), into.end(), name) == into.end())
                into.push_back(name);
            world.frame();
        }
    };
    std::vector<std::string> before, during, after;
    auto plain = talk("", true, false);
    run(*plain, before, during, after);
    EXPECT_EQ(log.joined(), "+talk -talk"); // the voice ended while talking: finished all the same
    EXPECT_EQ(before, std::vector<std::string>{"START"});
    ASSERT_FALSE(during.empty());
    for (const auto& name : during) EXPECT_TRUE(name == "1" || name == "2x") << name;
    EXPECT_TRUE(after.empty());

    before.clear(), during.clear(), after.clear();
    auto man = talk("MAN", true, true);
    run(*man, before, during, after);
    EXPECT_EQ(log.joined(), "+talk -talk");
    EXPECT_EQ(before, std::vector<std::string>{"MAN_START"});
    ASSERT_FALSE(during.empty());
    for (const auto& name : during) EXPECT_TRUE(name == "MAN_A" || name == "MAN_B") << name;
    EXPECT_EQ(after, std::vector<std::string>{"MAN_END"});

    // No START of this prefix: the voice starts at once; no END either: STOP ends it.
    auto woman = talk("WOMAN", true, true);
    log.events.clear();
    woman->play();
    EXPECT_TRUE(woman->getVoice()->isPlaying());
    world.runWhile(*woman->getVoice());
    for (int i = 0; i < 30; ++i) world.frame();
    EXPECT_EQ(log.joined(), "+talk -talk");

    // Stops: with notice one finish, quietly none; the voice is one use of the cache's sound.
    EXPECT_EQ(world.cache->getSize(), 1);
    for (bool notice : {true, false}) {
        log.events.clear();
        man->play();
        world.frame();
        man->stop(notice);
        for (int i = 0; i < 40; ++i) world.frame();
        EXPECT_FALSE(man->isPlaying());
        EXPECT_EQ(log.joined(), notice ? "+talk -talk" : "+talk");
    }
    plain.reset();
    man.reset();
    woman.reset();
    EXPECT_EQ(world.cache->getSize(), 0);
}

// A voice that is another playable (here a sequence of sounds) plays through without being loaded as a
// sound; an animation without events talks nothing and finishes with the voice; no animation, no play.
TEST(SpeakingAnimation, OtherVoicesAndNoEvents) {
    CSequenceWorld world;
    Tree tree{world};
    auto bare = CSequenceWorld::animation(&world.window, {});
    auto speaker = std::unique_ptr<CSpeakingAnimation>(
        tree.named(new CSpeakingAnimation(&world.window, nullptr), "talk"));
    CSequencedPlayable* voice = tree.sequence("V");
    voice->addChild(tree.sound("V1", 60));
    voice->addChild(tree.sound("V2", 60));
    speaker->apply(voice);
    EXPECT_EQ(voice->getParentsNo(), 1);
    speaker->substAnimation(bare.get());
    speaker->play();
    world.runWhile(*speaker);
    world.frame();
    EXPECT_EQ(tree.log.joined(), "+talk +V +V1 +V2 -V1 -talk -V -V2");
    // Nothing to show: over at once.
    speaker->substAnimation(nullptr);
    tree.log.events.clear();
    speaker->play();
    EXPECT_FALSE(voice->isPlaying());
    EXPECT_EQ(tree.log.joined(), "+talk -talk");
    // A speaker without a voice ends as it starts: the sequence holding it goes on to its next child.
    std::unique_ptr<CSequencedPlayable> on(tree.sequence("ON"));
    auto* mute = tree.named(new CSpeakingAnimation(&world.window, nullptr), "MUTE");
    mute->substAnimation(bare.get());
    on->addChild(mute);
    CSound4* next = tree.sound("NEXT", 100);
    on->addChild(next);
    on->play();
    EXPECT_EQ(on->getCurrent(), 1);
    EXPECT_TRUE(next->isPlaying());
    world.runWhile(*on, 100);
    world.frame();
    EXPECT_FALSE(on->isPlaying());
    EXPECT_EQ(std::count(tree.log.events.begin(), tree.log.events.end(), "-ON"), 1);
    // A voice that would hold the speaker is refused.
    std::unique_ptr<CSequencedPlayable> loop(tree.sequence("LOOP"));
    auto* inner = new CSpeakingAnimation(&world.window, nullptr);
    loop->addChild(inner);
    inner->apply(loop.get());
    EXPECT_EQ(inner->getVoice(), nullptr);
}

// A simple animation that cannot start (no animation, or an event it lacks) reports started and finished at
// once, so the sequence holding it goes on to the next child, and ends after the last (a sequence hears a
// child end before the log does); a sound that cannot load never starts.
TEST(SequencedPlayable, LeavesThatCannotStart) {
    CSequenceWorld world;
    Tree tree{world};
    auto strip = CSequenceWorld::animation(&world.window, {{"RUN", 3}});
    std::unique_ptr<CSequencedPlayable> seq(tree.sequence("SEQ"));
    seq->addChild(tree.simple("NONE", nullptr, 0));
    seq->addChild(tree.simple("BAD", strip.get(), 7));
    CSimpleAnimation* good = tree.simple("GOOD", strip.get(), 0);
    seq->addChild(good);
    seq->play();
    EXPECT_EQ(tree.log.joined(), "+SEQ +NONE +BAD +GOOD -BAD -NONE");
    EXPECT_EQ(seq->getCurrent(), 2);
    world.runWhile(*seq);
    EXPECT_EQ(tree.log.joined(), "+SEQ +NONE +BAD +GOOD -BAD -NONE -SEQ -GOOD");
    // A sound that cannot load does not start at all: the animation manager moves the sequence on.
    tree.log.events.clear();
    std::unique_ptr<CSequencedPlayable> mute(tree.sequence("MUTE"));
    tree.sounds.push_back(
        std::make_unique<CSound4>(&world.window, world.file("x", "") + "/missing.wav", false, false));
    mute->addChild(tree.named(tree.sounds.back().get(), "MISSING"));
    mute->addChild(tree.simple("GOOD", strip.get(), 0));
    mute->play();
    EXPECT_EQ(mute->getCurrent(), 0);
    // The manager steps a sequence once a second.
    for (int i = 0; i < 60 && mute->getCurrent() == 0; ++i) world.frame();
    EXPECT_EQ(mute->getCurrent(), 1);
    world.runWhile(*mute);
    EXPECT_EQ(tree.log.joined(), "+MUTE +GOOD -MUTE -GOOD");
    tree.log.events.clear();
    std::unique_ptr<CSequencedPlayable> last(tree.sequence("LAST"));
    last->addChild(tree.simple("BAD", strip.get(), -3));
    last->play();
    EXPECT_FALSE(last->isPlaying());
    EXPECT_EQ(tree.log.joined(), "+LAST +BAD -LAST -BAD");
}
