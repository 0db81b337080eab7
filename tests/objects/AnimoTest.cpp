// Script ANIMO: its events with the animation's names as details, the button's animation events, the scene
// unit's cache, clones, borrowers, the cache record and deletion without done.
#include <functional>
#include <map>

#include "display/RefreshScreen.h"
#include "media/anim/Animo6.h"
#include "media/controls/Unit6.h"
#include "media/sequences/RandomPlayable.h"
#include "objects/Animo.h"
#include "objects/MediaFixtures.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

struct AnnEvent {
    std::string name;
    int frames = 1;
    std::map<int, std::string> frameNames;
};

// An animation file: every frame of an event shows its own 20 x 10 image at (100, 50) (frame i of any event
// shows image i), at 15 frames a second, stored with the compression given.
// With alpha, the left half of each image is opaque (alpha 100) and the right half clear.
std::string annFile(const std::vector<AnnEvent>& events, int compression = COMPRESSION_NONE,
                    bool alpha = false) {
    CAnimo animation(nullptr);
    int images = 1;
    for (const AnnEvent& e : events) images = std::max(images, e.frames);
    for (int i = 0; i < images; ++i) {
        CGraphicsObject image(nullptr, CXSize(20, 10), 16);
        auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        std::fill(pixels, pixels + 200, static_cast<uint16_t>(0xF800 + i));
        if (alpha) {
            auto* plane = new char[200]();
            for (int y = 0; y < 10; ++y) std::fill(plane + y * 20, plane + y * 20 + 10, char(100));
            image.AlphaChannel(plane);
        }
        image.SetPosition(100, 50);
        animation.AddFrame(&image);
    }
    for (size_t k = 0; k < events.size(); ++k) {
        _animoEvent e;
        e.setName(events[k].name.c_str());
        e.frames = static_cast<uint16_t>(events[k].frames);
        animation.AddEvent(e);
        for (int i = 0; i < events[k].frames; ++i)
            animation.GetEventInfo(int(k))->images[size_t(i)] = uint16_t(i);
        for (const auto& [frame, name] : events[k].frameNames) {
            _animoFrame* record = animation.GetFrameInfo(int(k), frame);
            record->nameField = 1;
            record->name = name.c_str();
        }
    }
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, compression);
    return std::string(bytes.begin(), bytes.end());
}

const std::string kWalker = annFile({{"WALK", 10, {{2, "step"}}}, {"REST", 1, {}}});
const std::string kButton =
    annFile({{"ONNOEVENT", 1, {}}, {"ONFOCUSON", 2, {}}, {"ONFOCUSOFF", 2, {}}, {"ONCLICK", 8, {}}});

std::string animo(const std::string& name, const std::string& file, Properties extra = {}) {
    Properties p{{"TYPE", "ANIMO"}, {"FILENAME", file}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

// Runs frames until the object's animation stops (at most 200).
void playOut(MediaGame& game, const char* name) {
    for (int i = 0; i < 200 && game.call(name, "ISPLAYING") == "TRUE"; ++i) game.run->frames(1);
}

// A sequence's playable that borrows an animation: it records what it is handed.
class Borrower : public CPlayable {
public:
    Borrower() : CPlayable(nullptr) {}
    void substAnimation(CAnimo* animation) override { handed.push_back(animation); }
    void play() override {}
    void stop(bool) override {}
    void pause() override {}
    void resume() override {}
    void seek(int) override {}
    std::vector<CAnimo*> handed;
};

} // namespace

TEST(ScriptAnimo, PlayableEventsCarryTheEventWithoutReverseAndFrameChangesFollowTheirChain) {
    MediaGame game(animo("WALKER", "W1.ANN",
                         {{"ONSTARTED^WALK", logged("s.")},
                          {"ONFINISHED^WALK", logged("f.")},
                          {"ONFINISHED", logged("F.")}}) +
                       animo("STEPS", "WALKER.ANN",
                             {{"ONFRAMECHANGED^STEP", logged("S.")},
                              {"ONFRAMECHANGEDFRAME^7", logged("7.")},
                              {"ONFRAMECHANGED^WALK", logged("w.")}}) +
                       animo("PLAIN", "WALKER2.ANN", {{"ONFRAMECHANGED", logged("p.")}}),
                   false, {{"W1.ANN", kWalker}, {"WALKER.ANN", kWalker}, {"WALKER2.ANN", kWalker}});
    // WALK_REVERSE reports as WALK; another event has only the plain handler.
    game.call("WALKER", "PLAYREVERSE", {"WALK"});
    EXPECT_EQ(game.call("WALKER", "GETEVENTNAME"), "WALK_reverse");
    playOut(game, "WALKER");
    EXPECT_EQ(game.log(), "s.f.");
    game.call("WALKER", "PLAY", {"REST"});
    playOut(game, "WALKER");
    EXPECT_EQ(game.log(), "F.");

    // The named frame 2, the unnamed frame 7, the event's name for the others.
    game.call("STEPS", "PLAY", {"WALK"});
    playOut(game, "STEPS");
    EXPECT_EQ(game.log(), "w.w.S.w.w.w.w.7.w.w.");
    game.call("PLAIN", "PLAY", {"WALK"});
    playOut(game, "PLAIN");
    EXPECT_EQ(game.log(), "p.p.p.p.p.p.p.p.p.p.");
}

TEST(ScriptAnimo, CollisionsNameTheEventThenThePartnerThenRaiseThePlainEventWithBothNames) {
    {
        MediaGame game(
            animo("A1", "W.ANN",
                  {{"ONCOLLISION^WALK^DOOR", logged("1.")}, {"ONCOLLISION^DOOR", logged("x.")}}) +
                animo("A2", "W2.ANN", {{"ONCOLLISION^DOOR", logged("2.")}}) +
                animo("A3", "W3.ANN",
                      {{"ONCOLLISION", logged("3($1,$2).")}, {"ONCOLLISIONFINISHED^DOOR", logged("end.")}}) +
                animo("DOOR", "D.ANN"),
            false, {{"W.ANN", kWalker}, {"W2.ANN", kWalker}, {"W3.ANN", kWalker}, {"D.ANN", kButton}});
        CAnimo6* door = game.find<CMC_Animo>("DOOR")->getAnimo();
        for (const char* name : {"A1", "A2", "A3"}) {
            auto* a = game.find<CMC_Animo>(name);
            game.call(name, "PLAY", {"WALK"});
            a->onCollision(a->getAnimo(), door);
            a->onCollision(door, a->getAnimo()); // not its own graphic first: nothing
            a->onCollisionFinished(a->getAnimo(), door);
        }
        EXPECT_EQ(game.log(), "1.2.3(A3,DOOR).end.");
    }

    // Through the window's collision inspector: a monitored walker meets a monitored door as it moves, and
    // leaves it.
    MediaGame real(animo("WALKER", "W.ANN",
                         {{"MONITORCOLLISION", "TRUE"},
                          {"VISIBLE", "TRUE"},
                          {"ONCOLLISION^WALK^DOOR", logged("hit.")},
                          {"ONCOLLISIONFINISHED", logged("gone($1,$2).")}}) +
                       animo("DOOR", "D.ANN", {{"MONITORCOLLISION", "TRUE"}, {"VISIBLE", "TRUE"}}),
                   true, {{"W.ANN", kWalker}, {"D.ANN", kButton}});
    real.call("WALKER", "PLAY", {"WALK"});
    real.call("WALKER", "PAUSE");
    real.call("DOOR", "MOVE", {"200", "200"});
    real.run->frames(2);
    real.log();
    real.call("DOOR", "MOVE", {"-200", "-200"});
    real.run->frames(2);
    EXPECT_EQ(real.log(), "hit.");
    real.call("WALKER", "MOVE", {"200", "200"});
    real.run->frames(2);
    EXPECT_EQ(real.log(), "gone(WALKER,DOOR).");
}

TEST(ScriptAnimo, TheButtonPlaysItsFocusEventsOnceNeverCutsTheClickAndTakesReleases) {
    MediaGame game(animo("KNOB", "KNOB.ANN",
                         {{"VISIBLE", "TRUE"},
                          {"ASBUTTON", "TRUE"},
                          {"ONCLICK", logged("C.")},
                          {"ONRELEASE^LEFT", logged("R.")},
                          {"ONSTARTED^ONFOCUSON", logged("in.")}}),
                   false, {{"KNOB.ANN", kButton}});
    struct Below : CMouseListener {
        bool onRelease(int, CXPoint) override {
            ++releases;
            return true;
        }
        int releases = 0;
    } below;
    game.run->window()->registerMouseListener(&below, -5);
    // No focus behaviours: entering plays the animation's ONFOCUSON once, with no script event of focus.
    game.move(110, 55);
    game.move(112, 56);
    EXPECT_EQ(game.call("KNOB", "GETEVENTNAME"), "ONFOCUSON");
    EXPECT_EQ(game.log(), "in.");
    game.move(300, 300);
    EXPECT_EQ(game.call("KNOB", "GETEVENTNAME"), "ONFOCUSOFF");
    // The click plays ONCLICK, runs its handler and takes the release over the box.
    game.move(110, 55);
    game.press(0, 110, 55);
    EXPECT_EQ(game.call("KNOB", "GETEVENTNAME"), "ONCLICK");
    EXPECT_EQ(game.log(), "in.C.R.");
    EXPECT_EQ(below.releases, 0);
    game.move(300, 300);
    game.move(110, 55);
    EXPECT_EQ(game.call("KNOB", "GETEVENTNAME"), "ONCLICK") << "focus never cuts the click";
    EXPECT_EQ(game.log(), "");
    game.press(0, 400, 400);
    EXPECT_EQ(below.releases, 1);
    // Out of button mode nothing reacts; SETASBUTTON plays ONNOEVENT.
    game.call("KNOB", "SETASBUTTON", {"FALSE", "FALSE"});
    EXPECT_EQ(game.call("KNOB", "GETEVENTNAME"), "ONNOEVENT");
    game.press(0, 110, 55);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(below.releases, 2);
    game.run->window()->removeMouseListener(&below);
}

TEST(ScriptAnimo, FrameRatesVolumesAndPans) {
    MediaGame game(animo("A", "A.ANN") + animo("B", "B.ANN", {{"FPS", "0"}}) +
                       animo("C", "C.ANN", {{"FPS", "-3"}}) + animo("D", "D.ANN", {{"FPS", "25"}}),
                   false, {{"A.ANN", kWalker}, {"B.ANN", kWalker}, {"C.ANN", kWalker}, {"D.ANN", kWalker}});
    EXPECT_EQ(game.call("A", "GETFPS") + game.call("B", "GETFPS") + game.call("C", "GETFPS") +
                  game.call("D", "GETFPS"),
              "1515125");
    game.call("D", "SETFPS", {"0"});
    EXPECT_EQ(game.call("D", "GETFPS"), "1");
    EXPECT_EQ(CMC_Animo_Runner::volumeOf(1000), 800);
    EXPECT_EQ(CMC_Animo_Runner::volumeOf(0), -10000);
    EXPECT_EQ(CMC_Animo_Runner::volumeOf(26), -3096);
    EXPECT_EQ(CMC_Animo_Runner::panOf(1000), 1200);
    EXPECT_EQ(CMC_Animo_Runner::panOf(2000), 10000);
    EXPECT_EQ(CMC_Animo_Runner::panOf(-2000), -10000);
    game.call("A", "SETVOLUME", {"1000"});
    game.call("A", "SETPAN", {"1000"});
    EXPECT_EQ(game.find<CMC_Animo>("A")->getAnimo()->getVolume(), 800);
    EXPECT_EQ(game.find<CMC_Animo>("A")->getAnimo()->getPanning(), 1200);
    // SETOPACITY works modulo 257; queries of an event and frames.
    game.call("A", "SETOPACITY", {"300"});
    EXPECT_EQ(game.call("A", "GETOPACITY"), "43");
    EXPECT_EQ(game.call("A", "GETNOE") + "," + game.call("A", "GETNOFINEVENT", {"walk"}) + "," +
                  game.call("A", "GETFRAMENAME", {"WALK", "2"}) + "," + game.call("A", "GETCENTERX"),
              "2,10,step,110");
    game.call("A", "SETFRAMENAME", {"WALK", "3", "hop"});
    game.call("A", "SETFRAMENAME", {"WALK", "30", "none"});
    EXPECT_EQ(game.call("A", "GETFRAMENAME", {"WALK", "3"}), "hop");
    // Never drawn onto itself.
    game.call("A", "DRAWONTO", {"A"});
    EXPECT_EQ(game.find<CMC_Animo>("A")->getAnimo()->getChildren(), nullptr);
}

TEST(ScriptAnimo, OneFileIsOneCachedAnimationAndLoadKeepsExactUses) {
    MediaGame game(animo("B1", "BIRD.ANN", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "5"}, {"VISIBLE", "TRUE"}}) +
                       animo("B2", "BIRD.ANN") + animo("LONE", "OTHER.ANN") + animo("B3", "THIRD.ANN"),
                   true, {{"BIRD.ANN", kWalker}, {"OTHER.ANN", kButton}, {"THIRD.ANN", kWalker}});
    auto* b1 = game.find<CMC_Animo>("B1");
    CAnimo6* shared = b1->getAnimo();
    EXPECT_EQ(game.find<CMC_Animo>("B2")->getAnimo(), shared);
    // The same name in another case reads nothing again.
    game.call("B1", "LOAD", {"bird.ann"});
    EXPECT_EQ(b1->getAnimo(), shared);
    // Another file: B2 keeps the first, and B1's new one takes its place on the screen.
    game.call("B1", "LOAD", {"OTHER.ANN"});
    EXPECT_NE(b1->getAnimo(), shared);
    EXPECT_EQ(b1->getAnimo(), game.find<CMC_Animo>("LONE")->getAnimo());
    EXPECT_EQ(game.call("B1", "GETPRIORITY"), "5");
    game.call("B2", "PLAY", {"WALK"});
    game.run->frames(10);
    // Clones: at the source's priority, or at 0 when it is not on the screen; their animations are their own.
    game.call("B1", "CLONE", {"1"});
    game.call("B3", "CLONE", {"1"});
    EXPECT_EQ(game.call("B3", "GETPRIORITY"), "-1");
    EXPECT_EQ(game.call("B1_1", "GETPRIORITY"), "5");
    EXPECT_EQ(game.call("B3_1", "GETPRIORITY"), "0");
    EXPECT_NE(game.find<CMC_Animo>("B1_1")->getAnimo(), b1->getAnimo());
    // The scene's end gives every use back and frees the clones' copies (ASan sees the rest).
    game.call("B1", "LOAD", {"BIRD.ANN"});
    EXPECT_EQ(b1->getAnimo(), shared);
}

TEST(ScriptAnimo, BorrowersAreListedOnceAndHandedEachNewAnimationAndNoneAtTheEnd) {
    Borrower first, second; // they outlive the game, as sequences outlive no animation they borrow
    MediaGame game(animo("B", "BIRD.ANN"), false, {{"BIRD.ANN", kWalker}, {"OTHER.ANN", kButton}});
    auto* bird = game.find<CMC_Animo>("B");
    bird->addSeq(&first);
    bird->addSeq(&first);
    bird->addSeq(&second);
    EXPECT_EQ(bird->getSeqCount(), 2);
    bird->removeSeq(&second);
    game.call("B", "LOAD", {"OTHER.ANN"});
    ASSERT_EQ(first.handed.size(), 2u);
    EXPECT_EQ(first.handed[0], nullptr) << "the old animation is taken back before it may go";
    EXPECT_EQ(first.handed[1], bird->getAnimo());
    EXPECT_TRUE(second.handed.empty());
    bird->done(false);
    EXPECT_EQ(first.handed.back(), nullptr);
    EXPECT_EQ(bird->getAnimo(), nullptr);
}

TEST(ScriptAnimo, ADeletedAnimoLeavesTheListenersAndTheAnimationItShared) {
    MediaGame game(animo("B1", "BIRD.ANN",
                         {{"VISIBLE", "TRUE"},
                          {"ASBUTTON", "TRUE"},
                          {"ONCLICK", logged("1.")},
                          {"MONITORCOLLISION", "TRUE"},
                          {"ONCOLLISION", logged("x.")},
                          {"ONFRAMECHANGED", logged("f.")}}) +
                       animo("B2", "BIRD.ANN", {{"ONFINISHED", logged("2.")}}) +
                       animo("WALL", "WALL.ANN", {{"MONITORCOLLISION", "TRUE"}}),
                   false, {{"BIRD.ANN", kWalker}, {"WALL.ANN", kButton}});
    CAnimo6* shared = game.find<CMC_Animo>("B2")->getAnimo();
    delete game.find<CMC_Animo>("B1");
    EXPECT_EQ(game.run->find("B1"), nullptr);
    game.press(0, 110, 55);
    game.call("WALL", "MOVE", {"1", "1"});
    game.call("B2", "MOVE", {"1", "1"});
    game.run->frames(2);
    game.call("B2", "PLAY", {"REST"});
    playOut(game, "B2");
    EXPECT_EQ(game.log(), "2.");
    EXPECT_EQ(game.find<CMC_Animo>("B2")->getAnimo(), shared);
}

TEST(ScriptAnimo, TheCacheRecordPutsBackWhatWasOnTheScreenAtItsPriorityAndObservesAtOnce) {
    MediaGame game(animo("ON", "BIRD.ANN",
                         {{"TOCANVAS", "TRUE"},
                          {"PRIORITY", "5"},
                          {"VISIBLE", "TRUE"},
                          {"ASBUTTON", "TRUE"},
                          {"ONSTARTED", logged("s.")}}) +
                       animo("OFF", "OFF.ANN", {{"PRELOAD", "FALSE"}}),
                   true, {{"BIRD.ANN", kWalker}, {"OFF.ANN", kWalker}});
    game.call("ON", "SETPRIORITY", {"7"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* on = game.find<CMC_Animo>("ON");
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(game.call("ON", "GETPRIORITY"), "5");
    EXPECT_EQ(game.call("OFF", "GETPRIORITY"), "-1");
    EXPECT_TRUE(on->isButton());
    EXPECT_FALSE(game.find<CMC_Animo>("OFF")->getAnimo()->isLoaded());
    game.call("ON", "PLAY");
    EXPECT_EQ(game.log(), "s.");
}

TEST(ScriptAnimo, AStartHandlerMayDeleteTheButtonOnFocusClickOrSetAsButton) {
    // Each start handler removes the object while the button plays; ASan sees any later use of it.
    const std::vector<std::pair<std::string, std::function<void(MediaGame&)>>> cases = {
        {"ONFOCUSON", [](MediaGame& g) { g.move(110, 55); }},
        {"ONCLICK", [](MediaGame& g) { g.press(0, 110, 55); }},
        {"ONNOEVENT",
         [](MediaGame& g) {
             g.call("KNOB", "SETASBUTTON", {"TRUE", "TRUE"});
         }},
    };
    for (const auto& [event, act] : cases) {
        MediaGame game(animo("KNOB", "KNOB.ANN",
                             {{"VISIBLE", "TRUE"},
                              {"ASBUTTON", event == "ONNOEVENT" ? "FALSE" : "TRUE"},
                              {"ONFOCUSON", logged("f.")},
                              {"ONCLICK", logged("c.")},
                              {"ONSTARTED^" + event, "{S1^REMOVE(\"KNOB\");}"}}),
                       false, {{"KNOB.ANN", kButton}});
        act(game);
        EXPECT_EQ(game.run->find("KNOB"), nullptr) << event;
        EXPECT_EQ(game.log(), "") << event << ": no event of a deleted object";
        game.move(300, 300);
    }
}

TEST(ScriptAnimo, PixelsAndAlphaOfCodedFramesAreDecodedFirst) {
    // Run-length (as the sample's bird), LZO over run-length, LZO, and plain frames read the same.
    for (int compression : {COMPRESSION_RLE, COMPRESSION_LZO_RLE, COMPRESSION_LZO, COMPRESSION_NONE}) {
        MediaGame game(animo("W", "W.ANN"), false,
                       {{"W.ANN", annFile({{"WALK", 2, {{1, "up"}}}}, compression, true)}});
        game.call("W", "SETFRAME", {"WALK", "up"});
        const std::string second = std::to_string(static_cast<int16_t>(0xF801));
        EXPECT_EQ(game.call("W", "GETPIXEL", {"119", "59"}) + "," + game.call("W", "GETPIXEL", {"100", "50"}),
                  second + "," + second)
            << compression;
        EXPECT_EQ(game.call("W", "GETALPHA", {"100", "59"}) + "," +
                      game.call("W", "GETALPHA", {"119", "50"}) + "," +
                      game.call("W", "GETPIXEL", {"120", "50"}) + "," +
                      game.call("W", "GETALPHA", {"99", "50"}),
                  "100,0,0,0")
            << compression;
    }
}

TEST(ScriptAnimo, NearAndClippingTakeANameOnlyAtOneOrTwoArguments) {
    MediaGame game(animo("A", "A.ANN") + animo("FAR", "FAR.ANN"), false,
                   {{"A.ANN", kWalker}, {"FAR.ANN", kWalker}});
    game.call("FAR", "SETPOSITION", {"300", "300"});
    // Four arguments are a rectangle with distance 0, as IMAGE reads them.
    EXPECT_EQ(game.call("A", "ISNEAR", {"100", "50", "120", "60"}) + game.call("A", "ISNEAR", {"FAR", "5"}) +
                  game.call("A", "ISNEAR", {"A", "0"}) +
                  game.call("A", "ISNEAR", {"300", "300", "305", "305", "1"}),
              "TRUEFALSETRUEFALSE");
    CAnimo6* a = game.find<CMC_Animo>("A")->getAnimo();
    game.call("A", "SETCLIPPING", {"1", "2", "30", "40"});
    EXPECT_EQ(a->GetClippingRect(), CXRect(1, 2, 30, 40));
    game.call("A", "SETCLIPPING", {"FAR"});
    EXPECT_EQ(a->GetClippingRect(), game.find<CMC_Animo>("FAR")->getAnimo()->GetBoundingBox());
    game.call("A", "SETCLIPPING", {"5", "6"});
    EXPECT_EQ(a->GetClippingRect(), CXRect(5, 6, 0, 0));
}

TEST(ScriptAnimo, RandomPlaysReachTheUnitAndLeaveItWithTheAnimation) {
    MediaGame game(animo("B1", "BIRD.ANN") + animo("B2", "BIRD.ANN") + animo("LONE", "LONE.ANN"), false,
                   {{"BIRD.ANN", kWalker}, {"LONE.ANN", kWalker}});
    CUnit6* unit = CMC_Scene::getDefUnit();
    ASSERT_NE(unit, nullptr);
    CRandomPlayable* random = unit->getRandomPlayables();
    ASSERT_NE(random, nullptr);
    game.call("B1", "PLAYRAND", {"WALK", "600", "1"});
    game.call("B2", "PLAYRAND", {"REST", "600", "1"});
    game.call("LONE", "PLAYRAND", {"WALK", "600", "1"});
    ASSERT_EQ(random->getCount(), 3);
    EXPECT_EQ(random->getEntry(0)->getPlayable(), game.find<CMC_Animo>("B1")->getAnimo());
    // B2 still holds the shared animation: its plays stay. The last holder takes both with the animation.
    delete game.find<CMC_Animo>("B1");
    EXPECT_EQ(random->getCount(), 3);
    game.call("B2", "LOAD", {"LONE.ANN"});
    EXPECT_EQ(random->getCount(), 1);
    game.call("LONE", "LOAD", {"BIRD.ANN"});
    EXPECT_EQ(random->getCount(), 1) << "B2 still holds LONE.ANN";
    game.run->frames(30);
}

TEST(ScriptAnimo, LoadTakesTheSharedOldAnimationOffTheScreenOnlyWhenNoOtherObjectShowsIt) {
    for (bool otherShows : {false, true}) {
        MediaGame game(
            animo("B1", "BIRD.ANN", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "5"}}) +
                animo("B2", "BIRD.ANN", {{"TOCANVAS", otherShows ? "TRUE" : "FALSE"}, {"PRIORITY", "5"}}),
            true, {{"BIRD.ANN", kWalker}, {"OTHER.ANN", kButton}});
        game.call("B1", "LOAD", {"OTHER.ANN"});
        EXPECT_EQ(game.call("B1", "GETPRIORITY") + "," + game.call("B2", "GETPRIORITY"),
                  otherShows ? "5,5" : "5,-1");
    }
}

TEST(ScriptAnimo, SetFrameFormsFrameNumbersByNameAndTheFirstFrameHit) {
    auto code = [](const char* name, const char* text) {
        return object(name, {{"TYPE", "BEHAVIOUR"}, {"CODE", text}});
    };
    MediaGame game(animo("W", "W.ANN") + code("PAIR", "{W^SETFRAME(0, 4);}") +
                       code("ONE", "{W^SETFRAME(3);}") + code("NONE", "{W^SETFRAME();}") +
                       animo("KNOB", "KNOB.ANN",
                             {{"VISIBLE", "TRUE"},
                              {"ASBUTTON", "TRUE"},
                              {"ONFIRSTFRAME", "TRUE"},
                              {"ONCLICK", logged("c.")}}),
                   false, {{"W.ANN", kWalker}, {"KNOB.ANN", kButton}});
    auto frame = [&game] { return game.call("W", "GETFRAME") + "/" + game.call("W", "GETCFRAMEINEVENT"); };
    // An event and a frame, each a number or a name; one image number; none is image 0.
    game.call("PAIR", "RUN");
    EXPECT_EQ(frame(), "4/4");
    game.call("W", "SETFRAME", {"WALK", "step"});
    EXPECT_EQ(frame(), "2/2");
    game.call("ONE", "RUN");
    EXPECT_EQ(game.call("W", "GETFRAME"), "3");
    game.call("NONE", "RUN");
    EXPECT_EQ(game.call("W", "GETFRAME"), "0");
    EXPECT_EQ(game.call("W", "GETFRAMENO", {"walk", "step"}) + "," +
                  game.call("W", "GETFRAMENO", {"WALK", "nope"}),
              "2,-1");
    // The clipped box misses (115, 55); the first frame's box does not.
    game.call("KNOB", "SETCLIPPING", {"0", "0", "5", "5"});
    game.press(0, 115, 55);
    EXPECT_EQ(game.log(), "c.");
    game.call("KNOB", "SETONFF", {"FALSE"});
    game.press(0, 115, 55);
    game.press(0, 102, 52);
    EXPECT_EQ(game.log(), "c.");
}

} // namespace KavirelTest
