// Script SEQUENCE: PLAY with a key and a parameter (an ARRAY's elements fill the key's template, anything
// else is the text itself), the events of its elements and of the whole, and an object without a file.

#include "objects/Sequence.h"
#include "media/SoundFixtures.h"
#include "media/anim/Animo.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sequences/SpeakingAnimation.h"
#include "objects/Animo.h"
#include "objects/MediaFixtures.h"
#include "objects/Sound.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

// A PARAMETER sequence GREET of three animations of the scene's ANIMO BIRD (keys before TYPE, as the reader
// wants them).
const char* kGreet =
    "NAME GREET\nGREET TYPE SEQUENCE\nGREET MODE PARAMETER\n"
    "GREET SEQEVENT HELLO xx1\nGREET SEQEVENT TWO 1x2x\nGREET SEQEVENT GO 3\n"
    "NAME one\none FILENAME BIRD\none EVENT REST\none TYPE SIMPLE\none ADD GREET\n"
    "NAME two\ntwo FILENAME BIRD\ntwo EVENT REST\ntwo TYPE SIMPLE\ntwo ADD GREET\n"
    "NAME three\nthree FILENAME BIRD\nthree EVENT WALK\nthree TYPE SIMPLE\nthree ADD GREET\n";

std::string birdFile() {
    CAnimo animation(nullptr);
    CGraphicsObject image(nullptr, CXSize(4, 4), 16);
    animation.AddFrame(&image);
    for (const auto& [name, frames] : {std::pair<const char*, int>{"REST", 1}, {"WALK", 3}}) {
        _animoEvent e;
        e.setName(name);
        e.frames = static_cast<uint16_t>(frames);
        animation.AddEvent(e);
    }
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

const std::string kScene = object("BIRD", {{"TYPE", "ANIMO"}, {"FILENAME", "BIRD.ANN"}}) +
                           object("ARR", {{"TYPE", "ARRAY"}}) + object("ARR2", {{"TYPE", "ARRAY"}}) +
                           object("SEQ", {{"TYPE", "SEQUENCE"},
                                          {"FILENAME", "GREET.SEQ"},
                                          {"ONSTARTED", logged("S.")},
                                          {"ONSTARTED^three", logged("3s.")},
                                          {"ONFINISHED^three", logged("3f.")},
                                          {"ONFINISHED", logged("F.")}}) +
                           object("NOFILE", {{"TYPE", "SEQUENCE"}}) +
                           object("BAD", {{"TYPE", "SEQUENCE"}, {"FILENAME", "NONE.SEQ"}}) +
                           object("PLAYING", {{"TYPE", "ARRAY"}}) + object("NAMES", {{"TYPE", "ARRAY"}}) +
                           object("ANIMS", {{"TYPE", "GROUP"}});

std::string parameterOf(MediaGame& game, const char* key) {
    CPlayable* root = game.find<CMC_Sequence>("SEQ")->getSequence();
    return root ? std::string(root->getParameter(CXString(key)).GetBuffer()) : "<no sequence>";
}

} // namespace

TEST(ScriptSequence, AnArrayFillsTheKeysTemplateAndAnythingElseIsTheParameterItself) {
    EXPECT_EQ(CMC_Sequence_Runner::fillTemplate("xx1", {9, 0, 5}), "A11");
    EXPECT_EQ(CMC_Sequence_Runner::fillTemplate("1x2x", {9, 0}), "1A2x");
    EXPECT_EQ(CMC_Sequence_Runner::fillTemplate("X", {}), "X");

    MediaGame game(kScene, false, {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
    ASSERT_NE(game.find<CMC_Sequence>("SEQ")->getSequence(), nullptr);
    for (const char* v : {"9", "0", "5"}) game.call("ARR", "ADD", {v});
    for (const char* v : {"9", "0"}) game.call("ARR2", "ADD", {v});
    game.call("SEQ", "PLAY", {"HELLO", "ARR"});
    EXPECT_EQ(parameterOf(game, "HELLO"), "A11");
    game.call("SEQ", "PLAY", {"TWO", "ARR2"});
    EXPECT_EQ(parameterOf(game, "TWO"), "1A2x");
    // An object that is not an ARRAY is a text like any other.
    game.call("SEQ", "PLAY", {"TWO", "LOG"});
    EXPECT_EQ(parameterOf(game, "TWO"), "LOG");
    game.call("SEQ", "STOP", {"FALSE"});
    game.log();

    // The text 3 selects the third child; the element's events carry its name, the whole's are plain.
    game.call("SEQ", "PLAY", {"GO", "3"});
    EXPECT_EQ(parameterOf(game, "GO"), "3");
    EXPECT_EQ(game.call("SEQ", "ISPLAYING"), "TRUE");
    EXPECT_EQ(game.call("SEQ", "GETPLAYING"), "three");
    EXPECT_EQ(game.call("SEQ", "GETEVENTNAME", {"GREET"}), "WALK");
    EXPECT_EQ(game.call("SEQ", "GETEVENTNAME"), "GO");
    for (int i = 0; i < 100 && game.call("SEQ", "ISPLAYING") == "TRUE"; ++i) game.run->frames(1);
    // The sequence hears its child's end, and ends, before the object hears the child's.
    EXPECT_EQ(game.log(), "S.3s.F.3f.");
    // The key alone plays the stored value; a quiet stop reports nothing.
    game.call("SEQ", "PLAY", {"GO"});
    game.call("SEQ", "STOP", {"FALSE"});
    EXPECT_EQ(game.log(), "S.3s.");
}

TEST(ScriptSequence, WithoutAFileThatLoadsEveryMethodDoesNothing) {
    MediaGame game(kScene, false, {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
    for (const char* name : {"NOFILE", "BAD"}) {
        EXPECT_EQ(game.find<CMC_Sequence>(name)->getSequence(), nullptr);
        for (const char* method : {"PLAY", "STOP", "PAUSE", "RESUME", "SHOW", "HIDE", "SETVOLUME"})
            EXPECT_EQ(game.call(name, method, {"GO", "ARR"}), "<null>") << name << " " << method;
        EXPECT_EQ(game.call(name, "ISPLAYING"), "FALSE");
        EXPECT_EQ(game.call(name, "GETPLAYING"), "");
        EXPECT_EQ(game.call(name, "GETEVENTNAME", {"X"}), "");
    }
    EXPECT_EQ(game.log(), "");
}

// SCENE asks which sequences and animations play, and resumes the sequences an ARRAY names.
TEST(ScriptSequence, TheSceneAsksWhatPlaysAndResumesTheNamedSequences) {
    MediaGame game(kScene, false, {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
    CMC_Scene* scene = game.run->scene();
    auto sceneCall = [&](const char* method, const char* arg) {
        CMC_Object::flush(callMethod(scene, method, {arg}));
    };
    sceneCall("GETPLAYINGSEQ", "PLAYING");
    sceneCall("GETPLAYINGANIMO", "ANIMS");
    EXPECT_EQ(game.call("PLAYING", "GETSIZE") + game.call("ANIMS", "GETSIZE"), "00");
    game.call("SEQ", "PLAY", {"GO", "3"});
    sceneCall("GETPLAYINGSEQ", "PLAYING");
    sceneCall("GETPLAYINGANIMO", "ANIMS");
    EXPECT_EQ(game.call("PLAYING", "GETSIZE") + ":" + game.call("PLAYING", "GET", {"0"}), "1:SEQ");
    EXPECT_EQ(game.call("ANIMS", "GETSIZE") + ":" + game.call("ANIMS", "GETNAME", {"0"}), "1:BIRD");
    CPlayable* root = game.find<CMC_Sequence>("SEQ")->getSequence();
    game.call("SEQ", "PAUSE");
    sceneCall("RESUMESEQONLY", "NAMES");
    EXPECT_TRUE(root->isPaused());
    game.call("NAMES", "ADD", {"SEQ"});
    sceneCall("RESUMESEQONLY", "NAMES");
    EXPECT_FALSE(root->isPaused());
}

// A handler may delete the SEQUENCE, and so its tree, while the tree starts or ends an element.
TEST(ScriptSequence, AHandlerDeletesItsSequenceWhileTheTreeRuns) {
    for (const char* key : {"ONSTARTED^three", "ONFINISHED^three", "ONSTARTED", "ONFINISHED"}) {
        MediaGame game(
            object("BIRD", {{"TYPE", "ANIMO"}, {"FILENAME", "BIRD.ANN"}}) +
                object("SEQ",
                       {{"TYPE", "SEQUENCE"}, {"FILENAME", "GREET.SEQ"}, {key, "{S1^REMOVE(\"SEQ\");}"}}),
            false, {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
        game.call("SEQ", "PLAY", {"GO"});
        game.run->frames(40);
        EXPECT_EQ(game.run->find("SEQ"), nullptr) << key;
        EXPECT_EQ(game.call("BIRD", "ISPLAYING"), "FALSE") << key;
    }
}

TEST(ScriptSequence, VolumePanAndTheCacheRecord) {
    EXPECT_EQ(CMC_Sequence_Runner::volumeOf(1000), 800);
    EXPECT_EQ(CMC_Sequence_Runner::volumeOf(25), -10000);
    EXPECT_EQ(CMC_Sequence_Runner::volumeOf(26), -3096);
    EXPECT_EQ(CMC_Sequence_Runner::panOf(2000), 10000);
    EXPECT_EQ(CMC_Sequence_Runner::panOf(900), 1000);

    MediaGame game(kScene, false, {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
    game.call("SEQ", "SETVOLUME", {"1000"});
    game.call("SEQ", "SETPAN", {"900"});
    CPlayable* root = game.find<CMC_Sequence>("SEQ")->getSequence();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getVolume(), 800);
    EXPECT_EQ(root->getPanning(), 1000);
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    EXPECT_EQ(game.find<CMC_Sequence>("SEQ")->getFileName(), "GREET.SEQ");
    game.call("SEQ", "PLAY", {"GO"});
    EXPECT_EQ(game.call("SEQ", "GETPLAYING"), "three");
    EXPECT_EQ(game.log(), "S.3s.");
}

TEST(ScriptSequence, SequencesSharingAWavHearTheirOwnElementsAndOutliveEachOther) {
    // One element t plays TONE.WAV, which the unit's cache shares.
    const char* voice = "NAME V\nV TYPE SEQUENCE\nNAME t\nt FILENAME TONE.WAV\nt TYPE SIMPLE\nt ADD V\n";
    const std::string wav = pcmWav(std::vector<int16_t>(441, 8000));
    for (const char* deleted : {"A", "B"}) {
        MediaGame game(
            object("A", {{"TYPE", "SEQUENCE"}, {"FILENAME", "V.SEQ"}, {"ONSTARTED^t", logged("a.")}}) +
                object("B", {{"TYPE", "SEQUENCE"}, {"FILENAME", "V.SEQ"}, {"ONSTARTED^t", logged("b.")}}),
            false, {{"V.SEQ", voice}, {"Wavs/TONE.WAV", wav}});
        game.call("A", "ISPLAYING");
        game.call("B", "ISPLAYING");
        game.call("A", "PLAY", {"X"});
        game.run->frames(3);
        game.call("B", "PLAY", {"X"});
        game.run->frames(3);
        EXPECT_EQ(game.log(), "a.b.");
        // Deleting either, the other plays on its own sound (ASan sees a freed observer).
        delete game.find<CMC_Sequence>(deleted);
        const char* other = deleted[0] == 'A' ? "B" : "A";
        game.call(other, "PLAY", {"X"});
        game.run->frames(3);
        EXPECT_EQ(game.log(), other[0] == 'A' ? "a." : "b.");
    }
}

TEST(ScriptSequence, ElementsBorrowTheScenesAnimoAndSoundAndGiveThemBack) {
    // talk speaks with the scene's SOUND VOICE over its ANIMO BIRD; one shows BIRD; odd names ARR, which is
    // neither.
    const char* text =
        "NAME T\nT TYPE SEQUENCE\nNAME talk\ntalk TYPE SPEAKING\ntalk ANIMOFN BIRD\n"
        "talk WAVFN VOICE\ntalk ADD T\nNAME one\none FILENAME BIRD\none TYPE SIMPLE\none ADD T\n"
        "NAME odd\nodd TYPE SPEAKING\nodd ANIMOFN ARR\nodd WAVFN ARR\nodd ADD T\n";
    MediaGame game(kScene +
                       object("VOICE", {{"TYPE", "SOUND"}, {"FILENAME", "TONE.WAV"}, {"PRELOAD", "TRUE"}}) +
                       object("TALK", {{"TYPE", "SEQUENCE"}, {"FILENAME", "T.SEQ"}}),
                   false,
                   {{"T.SEQ", text},
                    {"BIRD.ANN", birdFile()},
                    {"Wavs/TONE.WAV", pcmWav(std::vector<int16_t>(441, 8000))}});
    auto* bird = game.find<CMC_Animo>("BIRD");
    auto* voice = game.find<CMC_Sound>("VOICE");
    ASSERT_NE(voice->getSound(), nullptr);
    auto* tree = dynamic_cast<CSequencedPlayable*>(game.find<CMC_Sequence>("TALK")->getSequence());
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->getChildrenCount(), 3);
    auto* talk = dynamic_cast<CSpeakingAnimation*>(tree->getChild(0));
    ASSERT_NE(talk, nullptr);
    EXPECT_EQ(talk->getAnimation(), bird->getAnimo());
    EXPECT_EQ(talk->getVoice(), voice->getSound());
    auto* odd = dynamic_cast<CSpeakingAnimation*>(tree->getChild(2));
    ASSERT_NE(odd, nullptr);
    EXPECT_NE(odd->getAnimation(), bird->getAnimo()); // a file of that name, if any
    EXPECT_NE(odd->getVoice(), voice->getSound());
    EXPECT_EQ(bird->getSeqCount(), 2);
    delete game.find<CMC_Sequence>("TALK");
    EXPECT_EQ(bird->getSeqCount(), 0);
}

TEST(ScriptSequence, ABorrowedAnimoDeletedWhileItsLeafPlaysLeavesTheSharedAnimation) {
    MediaGame game(kScene + object("BIRD2", {{"TYPE", "ANIMO"}, {"FILENAME", "BIRD.ANN"}}), false,
                   {{"GREET.SEQ", kGreet}, {"BIRD.ANN", birdFile()}});
    game.call("SEQ", "PLAY", {"GO"});
    game.run->frames(1);
    ASSERT_EQ(game.call("BIRD2", "ISPLAYING"), "TRUE") << "the leaf plays the shared animation";
    // Deleted without done (as SCENE REMOVE does): the leaf must stop observing the shared animation.
    delete game.find<CMC_Animo>("BIRD");
    game.run->frames(1);
    delete game.find<CMC_Sequence>("SEQ");
    game.call("BIRD2", "PLAY", {"WALK"});
    game.run->frames(5);
}

} // namespace KavirelTest
