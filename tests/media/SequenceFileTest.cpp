#include <gtest/gtest.h>

#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "media/SequenceFixtures.h"
#include "media/sequences/SequenceCreator.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sequences/SimpleAnimation.h"
#include "media/sequences/SpeakingAnimation.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

std::unique_ptr<CPlayable> load(CSequenceWorld& world, const std::string& name, const std::string& text,
                                CPlayableObserver* observer = nullptr, bool cached = true) {
    return std::unique_ptr<CPlayable>(CMultimediaSequenceCreator::load(
        &world.window, world.file(name, text), cached ? world.cache.get() : nullptr, observer));
}

CSequencedPlayable* sequence(CPlayable* p) { return dynamic_cast<CSequencedPlayable*>(p); }

} // namespace

// Both line forms, comments only in the first column, CR LF, keys before TYPE, bad TRUE/FALSE, lower-case
// keywords, "ADD" without a parent, and the root named after the file.
TEST(SequenceFile, LinesKeysAndTheRoot) {
    CSequenceWorld world;
    const std::string a = world.ann("a.ann", {{"IDLE", 2}, {"3", 2}, {"WAVE", 2}, {"X", 2}}).GetBuffer();
    CTreeLog log;
    auto root =
        load(world, "STORY.SEQ",
             "NAME STORY\r\nSTORY:TYPE=SEQUENCE\r\nNAME ROOT\r\n"
             "# NAME HIDDEN\r\nHIDDEN TYPE SEQUENCE\r\nNAME #x\r\n  #x TYPE SEQUENCE\r\n#x ADD STORY\r\n"
             "waving MODE RANDOM\r\nNAME waving\r\nwaving FILENAME " +
                 a +
                 "\r\nwaving:EVENT=wave\r\n"
                 "waving TYPE SIMPLE\r\nwaving:ADD:STORY\r\nwaving WAIT maybe\r\n"
                 "NAME three\r\nthree:FILENAME=" +
                 a +
                 "\r\nthree:EVENT=3\r\nthree:TYPE=SIMPLE\r\nthree:ADD=STORY\r\n"
                 "NAME num\r\nnum FILENAME " +
                 a +
                 "\nnum EVENT 2\nnum TYPE SIMPLE\nnum ADD STORY\nnum WAIT FALSE\n"
                 "NAME late\nlate TYPE SIMPLE\nlate FILENAME " +
                 a +
                 "\nlate ADD STORY\n"
                 "STORY MODE RANDOM\nSTORY mode PARAMETER\nSTORY type SPEAKING\nNAME STORY\n"
                 "NAME tail\ntail:TYPE=SEQUENCE\ntail:ADD\n  #x ADD STORY\n",
             &log);
    ASSERT_NE(sequence(root.get()), nullptr);
    CSequencedPlayable* story = sequence(root.get());
    EXPECT_EQ(story->getName(), "STORY");
    EXPECT_EQ(story->getMode(), CSequencedPlayable::MODE_RANDOM);
    EXPECT_EQ(story->getFileName(), CXString((world.folder.path() / "STORY.SEQ").string().c_str()));
    // "late" has no source, so no playable; "#x" is added by the indented line only.
    ASSERT_EQ(story->getChildrenCount(), 4);
    EXPECT_EQ(story->getChild(3)->getName(), "#x");
    auto* waving = dynamic_cast<CSimpleAnimation*>(story->getChild(0));
    ASSERT_NE(waving, nullptr);
    EXPECT_EQ(waving->getName(), "waving");
    EXPECT_EQ(waving->getEventIndex(), 2); // by name, without regard to case
    EXPECT_TRUE(waving->getWaitMode());    // "maybe" is no value
    EXPECT_EQ(dynamic_cast<CSimpleAnimation*>(story->getChild(1))->getEventIndex(), 1); // the event named 3
    auto* num = dynamic_cast<CSimpleAnimation*>(story->getChild(2));
    EXPECT_EQ(num->getEventIndex(), 2); // no event named 2: the number
    EXPECT_FALSE(num->getWaitMode());
    EXPECT_EQ(waving->getAnimation(), num->getAnimation()); // one file, one cached animation
    EXPECT_EQ(world.cache->getSize(), 1);
    // "tail" went to the element named ROOT, which has no playable; nothing the root holds leaks (ASan).
    root->play();
    EXPECT_EQ(log.events.front(), "+STORY");

    EXPECT_EQ(load(world, "story.seq", "NAME STORY\nSTORY TYPE SEQUENCE\n"), nullptr);
    EXPECT_EQ(load(world, "NOTYPE.SEQ", "NAME NOTYPE\n"), nullptr);
    EXPECT_EQ(CMultimediaSequenceCreator::load(&world.window, world.file("x", "") + "/missing.seq", nullptr,
                                               nullptr),
              nullptr);
    EXPECT_FALSE(CMultimediaSequenceCreator::save(root.get(), "out.seq"));
    // Lines attach to the element named ROOT when it exists.
    auto withRoot = load(world, "R.SEQ",
                         "NAME R\nR TYPE SEQUENCE\nNAME ROOT\nROOT TYPE SEQUENCE\nROOT ADD R\n"
                         "NAME leaf\nleaf TYPE SEQUENCE\nleaf ADD\n");
    ASSERT_NE(withRoot, nullptr);
    auto* inner = sequence(sequence(withRoot.get())->getChild(0));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->getName(), "ROOT");
    EXPECT_EQ(inner->getChild(0)->getName(), "leaf");
}

// Parameter characters and the selection rule are inverses over the children a sequence can select.
TEST(SequenceFile, ParameterCharacters) {
    EXPECT_EQ(CMultimediaSequenceCreator::getParameter(0), '1');
    EXPECT_EQ(CMultimediaSequenceCreator::getParameter(9), 'A');
    EXPECT_EQ(CMultimediaSequenceCreator::getParameter(34), 'Z');
    EXPECT_EQ(CMultimediaSequenceCreator::getParameter(35), 'a');
    for (int i = 0; i <= 60; ++i)
        EXPECT_EQ(CSequencedPlayable::selectIndex(
                      static_cast<unsigned char>(CMultimediaSequenceCreator::getParameter(i))),
                  i)
            << i;
}

// Sounds come through the cache (shared by elements of one file, a use each tree lets go), speaking
// elements take their voice from another element or a file, and whatever the root does not hold goes back
// at once: into the cache, or deleted.
TEST(SequenceFile, SoundsSpeakersAndLooseElements) {
    CSequenceWorld world;
    const std::string hi = world.wav("hi.wav", 100).GetBuffer();
    const std::string face = world.ann("face.ann", {{"1", 2}, {"START", 2}}).GetBuffer();
    const std::string text =
        "NAME T\nT TYPE SEQUENCE\n"
        "NAME s1\ns1 FILENAME " +
        hi +
        "\ns1 TYPE SIMPLE\ns1 ADD T\n"
        "NAME s2\ns2 FILENAME " +
        hi +
        "\ns2 TYPE SIMPLE\ns2 ADD T\n"
        "NAME talk\ntalk TYPE SPEAKING\ntalk ANIMOFN " +
        face +
        "\ntalk WAVFN s1\n"
        "talk STARTING TRUE\ntalk ENDING yes\ntalk PREFIX P\ntalk HIDE\ntalk ADD T\n"
        "NAME file\nfile TYPE SPEAKING\nfile WAVFN " +
        hi +
        "\nfile ADD T\n"
        "NAME loose\nloose TYPE SEQUENCE\nNAME kid\nkid TYPE SEQUENCE\nkid ADD loose\n"
        "NAME looseSound\nlooseSound FILENAME " +
        face +
        "x.wav\nlooseSound TYPE SIMPLE\n"
        "NAME self\nself TYPE SEQUENCE\nself ADD self\nself ADD T\n"
        "NAME holder\nholder TYPE SPEAKING\nholder WAVFN T\nNAME outer\nouter TYPE SEQUENCE\n"
        "T ADD outer\n";
    {
        auto root = load(world, "T.SEQ", text);
        CSequencedPlayable* t = sequence(root.get());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->getChildrenCount(), 5);
        EXPECT_EQ(t->getChild(0), t->getChild(1));
        EXPECT_EQ(t->getChild(0)->getType(), 1);
        auto* talk = dynamic_cast<CSpeakingAnimation*>(t->getChild(2));
        ASSERT_NE(talk, nullptr);
        EXPECT_EQ(talk->getVoice(), t->getChild(0));
        EXPECT_FALSE(talk->isVisible());
        ASSERT_NE(talk->getAnimation(), nullptr);
        auto* file = dynamic_cast<CSpeakingAnimation*>(t->getChild(3));
        EXPECT_EQ(file->getVoice(), t->getChild(0)); // the same file from the cache
        EXPECT_EQ(file->getAnimation(), nullptr);
        EXPECT_EQ(sequence(t->getChild(4))->getChildrenCount(), 0); // not inside itself
        EXPECT_EQ(world.cache->getSize(), 2); // the sound and the animation; the loose sound went back
        // Loose playables that held the root let it go without deleting it.
        EXPECT_EQ(t->getParentsNo(), 0);
        EXPECT_TRUE(t->isParent());
    }
    EXPECT_EQ(world.cache->getSize(), 0); // every use given back
    // Without a cache the tree owns what it made, and a sound at the root is the caller's own.
    auto owned = load(world, "T.SEQ", text, nullptr, false);
    ASSERT_NE(owned, nullptr);
    auto soundRoot = load(world, "hi.seq", "NAME hi\nhi FILENAME " + hi + "\nhi TYPE SIMPLE\n");
    ASSERT_NE(soundRoot, nullptr);
    EXPECT_EQ(soundRoot->getType(), 1);
    EXPECT_EQ(soundRoot->getFileName(), CXString(hi.c_str()));
    EXPECT_EQ(world.cache->getSize(), 0);
    soundRoot->play();
    EXPECT_TRUE(soundRoot->isPlaying());
}

// Two trees of one file over one cache: the first claims the cached sound leaf (its observer, its element's
// name) and gives back what it replaced; the second, or any while something else observes it, plays a sound
// of its own; the shared animation stays on the screen until its last use goes. Neither tree leaves an
// observer behind (ASan: the logs are freed).
TEST(SequenceFile, TreesSharingTheCache) {
    CSequenceWorld world;
    const std::string hi = world.wav("hi.wav", 60).GetBuffer();
    const std::string face = world.ann("face.ann", {{"1", 2}}).GetBuffer();
    const std::string text = "NAME T\nT TYPE SEQUENCE\nNAME s\ns FILENAME " + hi +
                             "\ns TYPE SIMPLE\ns ADD T\nNAME w\nw FILENAME " + face +
                             "\nw TYPE SIMPLE\nw ADD T\n";
    auto firstLog = std::make_unique<CTreeLog>();
    CTreeLog secondLog;
    auto first = load(world, "T.SEQ", text, firstLog.get());
    auto second = load(world, "T.SEQ", text, &secondLog);
    ASSERT_TRUE(first && second);
    CPlayable* cached = sequence(first.get())->getChild(0);
    CPlayable* own = sequence(second.get())->getChild(0);
    ASSERT_NE(cached, own);
    EXPECT_EQ(cached->getGenericNotifier(), firstLog.get());
    EXPECT_EQ(own->getGenericNotifier(), &secondLog);
    EXPECT_EQ(own->getName(), "s");
    auto* animation = dynamic_cast<CSimpleAnimation*>(sequence(first.get())->getChild(1))->getAnimation();
    EXPECT_EQ(dynamic_cast<CSimpleAnimation*>(sequence(second.get())->getChild(1))->getAnimation(),
              animation);
    CRefreshScreen* screen = world.window.GetRefreshScreenInterface();
    ASSERT_NE(screen, nullptr);
    EXPECT_GE(screen->getIndex(animation), 0);
    // The test's own use of the cached sound outlives the first tree.
    ASSERT_EQ(world.cache->get(cached->getFileName()), cached);
    first.reset();
    firstLog.reset();
    EXPECT_EQ(cached->getGenericNotifier(), nullptr);
    EXPECT_EQ(cached->getName(), "");
    EXPECT_GE(screen->getIndex(animation), 0); // the second tree still shows it
    cached->play();
    second->play();
    world.runWhile(*second);
    world.runWhile(*cached);
    EXPECT_EQ(secondLog.joined(), "+T +s +w -s -T -w"); // a sequence hears a child end first
    // A third tree may claim it again; the cache keeps it until its last use.
    auto third = load(world, "T.SEQ", text, &secondLog);
    EXPECT_EQ(sequence(third.get())->getChild(0), cached);
    third.reset();
    // One that something else observes for good is left to it.
    CTreeLog keeper;
    cached->setGenericNotifier(&keeper);
    auto fourth = load(world, "T.SEQ", text, &secondLog);
    EXPECT_NE(sequence(fourth.get())->getChild(0), cached);
    fourth.reset();
    EXPECT_EQ(cached->getGenericNotifier(), &keeper);
    cached->setGenericNotifier(nullptr);
    second.reset();
    EXPECT_EQ(world.cache->getSize(), 1);
    world.cache->remove(cached);
    EXPECT_EQ(world.cache->getSize(), 0);
}

// Holders nest at most kMaxNesting links deep and a file makes at most kMaxLinks: a deeper or larger file
// (sequences or speaking voices) is refused with a log line and its creator's error, and everything it made
// is freed; one level or link less loads.
TEST(SequenceFile, NestingTooDeep) {
    CSequenceWorld world;
    // D holds n0, n0 holds n1, ...: one link a level.
    std::string base = "NAME D\nD TYPE SEQUENCE\n", up = "D";
    for (int i = 0; i < CTreeSequenceElements::kMaxNesting - 1; ++i) {
        const std::string name = "n" + std::to_string(i);
        base += "NAME " + name + "\n" + name + " TYPE SEQUENCE\n" + name + " ADD " + up + "\n";
        up = name;
    }
    const std::string fits = base + "NAME last\nlast TYPE SEQUENCE\nlast ADD " + up + "\n";
    const std::string deep = fits + "NAME more\nmore TYPE SEQUENCE\nmore ADD last\n";
    auto loaded = load(world, "D.SEQ", fits);
    ASSERT_NE(loaded, nullptr);
    CPlayable* bottom = loaded.get();
    int levels = 0;
    while (sequence(bottom)->getChildrenCount() > 0) bottom = sequence(bottom)->getChild(0), ++levels;
    EXPECT_EQ(levels, CTreeSequenceElements::kMaxNesting);
    loaded->play();
    EXPECT_TRUE(loaded->isPlaying());
    loaded->stop(true);
    loaded.reset();

    CLogCapture captured;
    EXPECT_EQ(load(world, "D.SEQ", deep), nullptr);
    EXPECT_TRUE(captured.contains("nested deeper than 64 levels"));
    CMultimediaSequenceCreator creator(&world.window, world.file("D.SEQ", deep), nullptr, nullptr, false);
    EXPECT_EQ(creator.get(), nullptr);
    EXPECT_EQ(creator.LastError(), ERR_FILE_DAMAGED);
    // A voice is one more link: a speaking animation at the bottom holding a sequence makes it too deep.
    const std::string voiced =
        base + "NAME v\nv TYPE SPEAKING\nv ADD " + up + "\nNAME x\nx TYPE SEQUENCE\nv WAVFN x\n";
    EXPECT_EQ(load(world, "D.SEQ", voiced), nullptr);
    // Links are counted: each one walks the tree it joins.
    std::string wide = "NAME D\nD TYPE SEQUENCE\nNAME c\nc TYPE SEQUENCE\n";
    for (int i = 0; i < CTreeSequenceElements::kMaxLinks; ++i) wide += "c ADD D\n";
    auto widest = load(world, "D.SEQ", wide);
    ASSERT_NE(widest, nullptr);
    EXPECT_EQ(sequence(widest.get())->getChildrenCount(), CTreeSequenceElements::kMaxLinks);
    EXPECT_EQ(load(world, "D.SEQ", wide + "c ADD D\n"), nullptr);
    CMultimediaSequenceCreator missing(&world.window, world.file("x", "") + "/none.seq", nullptr, nullptr,
                                       true);
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
}
