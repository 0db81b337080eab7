#include <gtest/gtest.h>

#include <memory>

#include "core/HiResTimer.h"
#include "core/Log.h"
#include "display/RasterFixtures.h"
#include "display/WindowFixtures.h"
#include "media/AnimoFixtures.h"
#include "media/SoundFixtures.h"
#include "media/anim/AnimationManager.h"
#include "media/sound/SndStream.h"
#include "platform/Files.h"
#include "platform/PlatformTime.h"
#include "platform/TempFolder.h"
#include "shell/Application.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

uint64_t g_micros = 0;
uint64_t fakeMicros() { return g_micros; }

// The clock stands still until a test moves it.
struct InjectedClock {
    InjectedClock() {
        g_micros = 1'000'000'000;
        CPlatformClock::inject(&fakeMicros);
    }
    ~InjectedClock() { CPlatformClock::inject(nullptr); }
    void advance(int ms) { g_micros += uint64_t(ms) * 1000; }
};

// An animation of n 1 × 1 images whose pixel is the image's index + 1, with one event over them in order.
std::unique_ptr<CAnimo6> strip(CWindow* window, int n, uint16_t loopStart = 0, uint16_t loopEnd = 0,
                               uint16_t loopCount = 0, uint32_t flags = 0, const char* name = "run") {
    auto a = std::make_unique<CAnimo6>(window);
    for (int i = 0; i < n; ++i) {
        CGraphicsObject g(nullptr, CXSize(1, 1), 16);
        reinterpret_cast<uint16_t*>(g.GetDataPtr())[0] = uint16_t(i + 1);
        a->AddFrame(&g);
    }
    _animoEvent e;
    e.setName(name);
    e.frames = uint16_t(n);
    e.loopStart = loopStart;
    e.loopEnd = loopEnd;
    e.loopCount = loopCount;
    e.flags = flags;
    a->AddEvent(e);
    for (int i = 0; i < n; ++i) a->GetEventInfo(a->GetNOE() - 1)->images[size_t(i)] = uint16_t(i);
    return a;
}

// Plays event 0 and steps until it stops (at most limit steps): the frames shown, in order.
std::vector<int> run(CAnimo& a, int limit = 20) {
    std::vector<int> shown;
    a.Play(0, 0);
    shown.push_back(a.GetCurrentFrameInSequence());
    for (int i = 0; i < limit && a.IsPlaying(); ++i) {
        a.next();
        shown.push_back(a.GetCurrentFrameInSequence());
    }
    return shown;
}

} // namespace

// Loops with a count, without one, and an event that does not loop.
TEST(AnimoPlay, LoopsAndEnds) {
    auto counted = strip(nullptr, 6, 1, 3, 2);
    RecordingObserver seen;
    counted->addNotifier(&seen);
    EXPECT_EQ(run(*counted), (std::vector<int>{0, 1, 2, 3, 1, 2, 3, 4}));
    EXPECT_FALSE(counted->IsPlaying());
    EXPECT_EQ(seen.calls.front(), "tick");
    EXPECT_EQ(seen.calls[1], "started");
    EXPECT_EQ(seen.calls.back(), "finished");
    EXPECT_EQ(counted->GetStatus(), CAnimo::ANIMO_STOPPED);
    EXPECT_EQ(counted->getStatus(), 0);

    auto plain = strip(nullptr, 3);
    EXPECT_EQ(run(*plain), (std::vector<int>{0, 1, 2, 2}));
    auto endless = strip(nullptr, 4, 2, 3, 0);
    EXPECT_EQ(run(*endless, 7), (std::vector<int>{0, 1, 2, 3, 2, 3, 2, 3}));
    EXPECT_TRUE(endless->IsPlaying());
    EXPECT_EQ(endless->getStatus(), CPlayable::STATUS_PLAYING);
    endless->pause();
    EXPECT_EQ(endless->getStatus(), CPlayable::STATUS_PAUSED);
    endless->resume();
    EXPECT_TRUE(endless->isPlaying());
}

// Ping-pong turns at the loop end and again at the loop start.
TEST(AnimoPlay, PingPongTurnsBothWays) {
    auto a = strip(nullptr, 5, 1, 3, 0, ANIMO_PING_PONG);
    EXPECT_EQ(run(*a, 9), (std::vector<int>{0, 1, 2, 3, 2, 1, 2, 3, 2, 1}));
    EXPECT_EQ(a->GetDirection(), 1);
    // A new Play starts forwards.
    a->Play(0, 0);
    EXPECT_EQ(a->GetDirection(), 0);
}

// 0x40000 guards a playing event; a 0-frame event starts nothing; 0x100 hides on stop; 0x800000 chains.
TEST(AnimoPlay, EventFlags) {
    auto a = strip(nullptr, 3, 0, 0, 0, ANIMO_EXCLUSIVE | ANIMO_HIDE_ON_STOP);
    _animoEvent other;
    other.setName("other");
    other.frames = 1;
    a->AddEvent(other);
    _animoEvent none;
    none.setName("none");
    a->AddEvent(none);
    a->Play(0, 0);
    a->Play(1, 0);
    EXPECT_EQ(a->GetCurrentEvent(), 0);
    a->Stop();
    EXPECT_FALSE(a->isVisible());
    a->Play(CXString("OTHER"), 0);
    EXPECT_EQ(a->GetCurrentEvent(), 1);
    EXPECT_TRUE(a->isVisible());
    RecordingObserver seen;
    a->addNotifier(&seen);
    a->Stop();
    a->Play(2, 0);
    EXPECT_TRUE(seen.calls.empty());
    EXPECT_FALSE(a->IsPlaying());

    auto chained = strip(nullptr, 2);
    chained->SetAnimoFlags(ANIMO_CHAIN_EVENTS);
    chained->AddEvent(none);
    chained->AddEvent(other);
    chained->GetEventInfo(2)->images[0] = 1;
    chained->addNotifier(&seen);
    seen.calls.clear();
    chained->Play(0, 0);
    chained->next();
    chained->next();
    EXPECT_EQ(chained->GetCurrentEvent(), 2) << "the event without frames is passed over";
    chained->next();
    EXPECT_TRUE(chained->IsPlaying()) << "the last event stays on its last frame";
    EXPECT_EQ(std::count(seen.calls.begin(), seen.calls.end(), "finished"), 0);
}

// 0x100000: without a sound the event runs past its loop (skipping a frame), going back it runs below the
// loop start and ends at frame 1 showing the loop end; with a sound it loops both ways.
TEST(AnimoPlay, LoopWhileTheSoundPlays) {
    auto silent = strip(nullptr, 6, 1, 2, 0, ANIMO_LOOP_WHILE_SOUND);
    EXPECT_EQ(run(*silent), (std::vector<int>{0, 1, 2, 4, 4}));
    auto sounding = strip(nullptr, 6, 1, 2, 0, ANIMO_LOOP_WHILE_SOUND);
    auto sound = std::make_shared<FakeSound>();
    sounding->UpdateSoundFX(0, 0, sound);
    EXPECT_EQ(run(*sounding, 5), (std::vector<int>{0, 1, 2, 1, 2, 1}));
    sound->stop(false);
    sounding->next();
    sounding->next();
    EXPECT_EQ(sounding->GetCurrentFrameInSequence(), 4);

    auto back = strip(nullptr, 6, 2, 3, 0, ANIMO_LOOP_WHILE_SOUND);
    back->Play(0, 3);
    std::vector<int> shown;
    for (int i = 0; i < 3 && back->IsPlaying(); ++i) {
        back->Prev();
        shown.push_back(back->GetCurrentFrameInSequence());
    }
    EXPECT_EQ(shown, (std::vector<int>{2, 1, 3}));
    EXPECT_FALSE(back->IsPlaying());
    auto backSounding = strip(nullptr, 6, 2, 3, 0, ANIMO_LOOP_WHILE_SOUND);
    auto heard = std::make_shared<FakeSound>();
    backSounding->UpdateSoundFX(0, 3, heard);
    backSounding->Play(0, 3);
    backSounding->Prev();
    backSounding->Prev();
    EXPECT_EQ(backSounding->GetCurrentFrameInSequence(), 3) << "wraps to the loop end while the sound plays";
    EXPECT_TRUE(backSounding->IsPlaying());
}

// A frame sound starts when its frame shows; a stop ends it unless 0x80000 says otherwise.
TEST(AnimoPlay, FrameSounds) {
    auto a = strip(nullptr, 3, 0, 0, 0, 0);
    auto sound = std::make_shared<FakeSound>();
    a->UpdateSoundFX(0, 1, sound);
    a->SetEventFrame(0, 1);
    EXPECT_EQ(sound->plays, 0) << "only while playing";
    a->Play(0, 0);
    EXPECT_EQ(sound->plays, 0);
    a->next();
    EXPECT_EQ(sound->plays, 1);
    EXPECT_EQ(a->getCurrentSound(), sound.get());
    a->Stop();
    EXPECT_EQ(sound->stops, 1);
    a->SetAnimoFlags(ANIMO_SOUND_OUTLIVES);
    a->Play(0, 1);
    a->Stop();
    EXPECT_EQ(sound->stops, 1);
    EXPECT_TRUE(sound->isPlaying());
    a->setVolume(-300);
    EXPECT_EQ(sound->getVolume(), -300);
    a->setPanning(200);
    a->setFrequency(22050);
    EXPECT_EQ(sound->getPanning(), 200);
    EXPECT_EQ(sound->getFrequency(), 22050);

    // The sound heard now is stopped and forgotten when its slot goes, whichever way it goes.
    for (int way = 0; way < 5; ++way) {
        auto b = strip(nullptr, 3);
        auto heard = std::make_shared<FakeSound>();
        b->UpdateSoundFX(0, 1, heard);
        b->Play(0, 0);
        b->next();
        ASSERT_EQ(b->getCurrentSound(), heard.get());
        if (way == 0) b->RemoveAllEvents();
        if (way == 1) b->RemoveEvent(0);
        if (way == 2) b->RemoveAllFrames(0);
        if (way == 3) b->RemoveFrame(0, 1);
        if (way == 4) b->UpdateSoundFX(0, 1, nullptr);
        EXPECT_EQ(b->getCurrentSound(), nullptr) << way;
        EXPECT_EQ(heard->stops, 1) << way;
        heard.reset();
        b->Stop();
    }
    auto c = strip(nullptr, 3);
    auto other = std::make_shared<FakeSound>();
    c->UpdateSoundFX(0, 1, other);
    c->Play(0, 1);
    c->RemoveFrame(0, 0);
    EXPECT_EQ(c->getCurrentSound(), other.get()) << "another frame's slot";
}

// Observers may delete the animation from "tick" and from "finished".
TEST(AnimoPlay, ObserversDeleteTheAnimation) {
    auto a = strip(nullptr, 3);
    RecordingObserver deleting;
    a->addNotifier(&deleting);
    a->Play(0, 0);
    deleting.onTick = [&](CPlayable*) { a.reset(); };
    CAnimo* raw = a.get();
    EXPECT_EQ(raw->next(), -1);
    EXPECT_EQ(a, nullptr);

    auto b = strip(nullptr, 1);
    b->addNotifier(&deleting);
    deleting.onTick = nullptr;
    b->Play(0, 0);
    deleting.onFinished = [&](CPlayable*) { b.reset(); };
    CAnimo* rawB = b.get();
    EXPECT_EQ(rawB->next(), -1);
    EXPECT_EQ(b, nullptr);
}

// Clones share the images: one outliving its source still plays and draws.
TEST(AnimoPlay, CloneOutlivesItsSource) {
    auto a = strip(nullptr, 3, 0, 2, 0);
    a->SetEventFrame(0, 1);
    std::unique_ptr<CAnimo6> copy(static_cast<CAnimo6*>(a->clone()));
    a.reset();
    EXPECT_EQ(copy->GetCurrentFrameInSequence(), 1);
    copy->Play(0, 0);
    copy->next();
    copy->next();
    CGraphicsObject target(nullptr, CXSize(2, 2), 16);
    copy->redraw(&target);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(target.GetDataPtr())[0], 3);
}

// Events and frames by name and index; images in use cannot be removed; the reversed event is built once.
TEST(AnimoPlay, EventsFramesAndReversal) {
    auto a = strip(nullptr, 10);
    EXPECT_FALSE(a->RemoveFrame(3));
    EXPECT_EQ(a->GetNOF(), 10);
    EXPECT_EQ(a->SetEventFrame(-1, CXString("frame 4")), 4);
    EXPECT_EQ(a->Current(), 4);
    EXPECT_EQ(a->SetEventFrame(0, CXString("nothing")), -1);
    EXPECT_EQ(a->GetFrameNo(0, -3), 9);
    EXPECT_EQ(a->GetEventNo(CXString("RUN")), 0);
    EXPECT_EQ(a->resolveEventName(CXString("walk")), -1);
    a->Play(0, 2);
    a->playReverse(CXString("run"), -1);
    ASSERT_EQ(a->GetNOE(), 2);
    EXPECT_EQ(std::string(a->getCurrentEventName().GetBuffer()), "run_reverse");
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 8);
    EXPECT_EQ(a->Current(), 1);
    a->playReverse(CXString("run"), 0);
    EXPECT_EQ(a->GetNOE(), 2);
    a->RemoveAllFrames(0);
    a->RemoveAllFrames(1);
    EXPECT_TRUE(a->RemoveFrame(3));
    EXPECT_EQ(a->GetNOF(), 9);
}

// The manager steps a playable once its period has passed, at most once a frame, skips one removed
// meanwhile and never steps a paused one.
TEST(AnimationManager, PacesByFrameRate) {
    InjectedClock clock;
    CAnimationManager manager;
    auto a = strip(nullptr, 50, 0, 49, 0);
    auto b = strip(nullptr, 50, 0, 49, 0);
    manager.add(a.get(), nullptr);
    manager.add(b.get(), nullptr);
    a->Play(0, 0);
    b->Play(0, 0);
    clock.advance(65);
    manager.domodal();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 0);
    clock.advance(1);
    manager.domodal();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 1) << "1000 / 15 = 66 ms";
    clock.advance(1000);
    manager.domodal();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 2) << "one step a frame";

    RecordingObserver remover;
    remover.onTick = [&](CPlayable*) { manager.remove(b.get()); };
    a->addNotifier(&remover);
    clock.advance(100);
    manager.domodal();
    EXPECT_EQ(b->GetCurrentFrameInSequence(), 2) << "removed by a's step before its own";
    EXPECT_FALSE(manager.isRegistered(b.get()));
    a->removeNotifier(&remover);

    manager.pause();
    EXPECT_EQ(a->GetStatus(), CAnimo::ANIMO_PAUSED);
    clock.advance(500);
    manager.domodal();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 3);
    manager.resume();
    manager.domodal();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 4) << "its last step is old, so it is due at once";

    // A rate below 1 counts as one step a second.
    FakeSound slow;
    slow.play();
    struct Zero : FakeSound {
        int getFPS() override { return 0; }
        int next() override { return ++steps; }
        int steps = 0;
    } zero;
    zero.play();
    manager.add(&zero, nullptr);
    clock.advance(999);
    manager.domodal();
    EXPECT_EQ(zero.steps, 0);
    clock.advance(1);
    manager.domodal();
    EXPECT_EQ(zero.steps, 1);
    manager.remove(&zero);
    EXPECT_EQ(manager.getSize(), 1);
}

// In a running window: animations register with the shell's manager, step on the window's frame and draw
// their current image at position + frame offset + global position, with the frame's opacity.
TEST(AnimoPlay, PlaysAndDrawsInTheGameWindow) {
    InjectedClock clock;
    HeadlessGame game;
    auto shell = std::make_unique<CApplication>(&game.window, "", "", &game.line, nullptr, "");
    CAnimationManager* manager = shell->getAnimoManagerIfc();
    auto a = strip(&game.window, 3, 0, 2, 0);
    EXPECT_TRUE(manager->isRegistered(a.get()));
    CGraphicsObject big(nullptr, CXSize(4, 4), 16);
    std::fill_n(reinterpret_cast<uint16_t*>(big.GetDataPtr()), 16, uint16_t(0xF800));
    big.SetPosition(10, 20);
    a->AddFrame(&big);
    a->GetEventInfo(0)->images[1] = 3;
    a->GetFrameInfo(0, 1)->x = 5;
    a->GetFrameInfo(0, 1)->y = 6;
    a->SetGlobalPosition(100, 50);
    CColor black(0, 0, 0);
    game.window.SetBackground(&black);
    game.window.GetRefreshScreenInterface()->put(a.get(), 0);
    a->Play(0, 0);
    game.window.Tick();
    clock.advance(70);
    game.window.Tick();
    EXPECT_EQ(a->GetCurrentFrameInSequence(), 1);
    game.window.Tick();
    EXPECT_EQ(game.display->presentedPixel(115, 76), 0xF800);
    EXPECT_EQ(game.display->presentedPixel(118, 79), 0xF800);
    EXPECT_EQ(game.display->presentedPixel(114, 76), 0);
    EXPECT_EQ(game.display->presentedPixel(119, 80), 0);

    // Half opacity from the frame record; code 4 is unpacked for the draw and packed again after it.
    a->GetFrameInfo(0, 1)->opacity = 128;
    a->GetFrame(3)->Compress(COMPRESSION_RLE);
    a->SetEventFrame(0, 1);
    game.window.Tick();
    const uint16_t half = game.display->presentedPixel(116, 77);
    EXPECT_GT(half >> 11, 12);
    EXPECT_LT(half >> 11, 20);
    EXPECT_EQ(a->GetFrame(3)->GetCompression(), COMPRESSION_RLE);

    // One outliving the shell touches nothing.
    game.window.GetRefreshScreenInterface()->operator>>(a.get());
    shell.reset();
    a.reset();
}

// A file's frame sounds are made from the sound-effects folder and heard in the mixer when their frame shows:
// one sound, a ';' list of which one plays, and with 0x400000 a stream made when the frame shows.
TEST(AnimoPlay, FileSoundsAreHeard) {
    CSoundWorld world;
    CSndStream::setRefillThreads(false);
    world.window.SetSoundFXPath(CXString(world.folder.str().c_str()));
    world.file("bird.wav", pcmWav(std::vector<int16_t>(2205, 3000)));
    world.file("a.wav", pcmWav(std::vector<int16_t>(2205, 1000)));
    world.file("b.wav", pcmWav(std::vector<int16_t>(2205, 2000)));
    auto a = strip(nullptr, 3);
    for (auto [frame, sound] : {std::pair{1, "bird.wav"}, {2, "a.wav;b.wav"}}) {
        a->GetFrameInfo(0, frame)->soundField = 1;
        a->GetFrameInfo(0, frame)->sound = sound;
    }
    auto loadAs = [&](const char* name) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(a->save3(bytes, 0));
        auto loaded = std::make_unique<CAnimo6>(&world.window,
                                                world.file(name, std::string(bytes.begin(), bytes.end())));
        EXPECT_TRUE(loaded->isLoaded());
        EXPECT_EQ(loaded->LastError(), 0);
        return loaded;
    };
    auto played = loadAs("BIRD.ANN");
    EXPECT_EQ(world.manager()->getCount(), 3) << "the bird and both members of the list";
    played->Play(0, 0);
    EXPECT_EQ(world.frame()[0], 0);
    played->next();
    EXPECT_EQ(world.frame()[0], 3000);
    played->setVolume(-10000);
    EXPECT_EQ(world.frame()[0], 0);
    played->setVolume(0);
    played->next();
    const int16_t member = world.frame()[0];
    EXPECT_TRUE(member == 1000 || member == 2000) << member;
    EXPECT_NE(dynamic_cast<CRandomizedSound*>(played->getCurrentSound()), nullptr);
    played->Stop();
    EXPECT_EQ(world.frame()[0], 0);

    // A missing sound is said in the log and the animation plays on without it.
    {
        CLogCapture log;
        a->GetFrameInfo(0, 1)->sound = "missing.wav";
        auto missing = loadAs("MISSING.ANN");
        missing->Play(0, 1);
        EXPECT_TRUE(log.contains("missing.wav"));
        EXPECT_EQ(world.frame()[0], 0);
        missing->next();
        EXPECT_EQ(missing->GetCurrentFrameInSequence(), 2);
        missing->Stop();
        a->GetFrameInfo(0, 1)->sound = "bird.wav";
    }

    // Streamed: nothing is made at load; each sounding frame starts a new stream, and a stop ends it.
    a->SetAnimoFlags(ANIMO_STREAM_SOUNDS);
    a->GetFrameInfo(0, 2)->sound = "a.wav";
    auto streamed = loadAs("STREAM.ANN");
    EXPECT_EQ(streamed->getFrameSound(0, 1), nullptr);
    streamed->Play(0, 1);
    EXPECT_EQ(world.frame()[0], 3000);
    streamed->next();
    EXPECT_EQ(world.frame()[0], 1000);
    streamed->Stop();
    EXPECT_EQ(world.frame()[0], 0);
    CSndStream::setRefillThreads(true);
}

// Code-4 images draw from a decoding the animation keeps while its image stays the same: another image, the
// image changed and packed again, and a draw at 15 bits in between each show what the image holds now.
TEST(AnimoPlay, PackedImagesDrawWhatTheyHoldNow) {
    auto pixelOf = [](CGraphicsObject& g) { return reinterpret_cast<uint16_t*>(g.GetDataPtr())[0]; };
    auto a = strip(nullptr, 2);
    // The lowest green bit, which a 15-bit copy loses.
    reinterpret_cast<uint16_t*>(a->GetFrame(0)->GetDataPtr())[0] = 0x0021;
    for (int i : {0, 1}) a->GetFrame(i)->Compress(COMPRESSION_RLE);
    CGraphicsObject screen(nullptr, CXSize(1, 1), 16), screen15(nullptr, CXSize(1, 1), 15);
    auto drawn = [&](int frame, CGraphicsObject& on) {
        a->SetEventFrame(0, frame);
        a->redraw(&on);
        return pixelOf(on);
    };
    EXPECT_EQ(drawn(0, screen), 0x0021);
    EXPECT_EQ(drawn(1, screen), 2);
    EXPECT_EQ(drawn(0, screen), 0x0021);
    drawn(0, screen15);
    EXPECT_EQ(drawn(0, screen), 0x0021);
    EXPECT_EQ(a->GetFrame(0)->GetCompression(), COMPRESSION_RLE);

    CFrame* f = a->GetFrame(0);
    f->SetPixel(0, 0, CColor(255, 0, 0));
    const uint16_t red = pixelOf(*f);
    EXPECT_EQ(drawn(0, screen), red);
    f->Compress(COMPRESSION_RLE);
    f->SetPixel(0, 0, CColor(0, 0, 255));
    const uint16_t blue = pixelOf(*f);
    f->Compress(COMPRESSION_RLE);
    EXPECT_EQ(drawn(0, screen), blue);
    EXPECT_EQ(drawn(0, screen), blue);
}

// Moving an animation by its global position repaints the place it leaves as well as the one it takes.
TEST(AnimoPlay, MovingRepaintsBothPlaces) {
    TestWindow window;
    RecordingScreen screen(&window);
    auto a = strip(nullptr, 1);
    a->SetEventFrame(0, 0);
    a->SetCanvas(&screen);
    a->SetGlobalPosition(10, 0);
    ASSERT_FALSE(screen.rects.empty());
    EXPECT_EQ(screen.rects.back(), CXRect(0, 0, 11, 1));
    a->Move(0, 5);
    EXPECT_EQ(screen.rects.back(), CXRect(10, 0, 11, 6));
    a->SetCanvas(nullptr);
}
