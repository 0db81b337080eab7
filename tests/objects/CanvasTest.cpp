// Script CANVAS, the screen canvas (CANVAS OBSERVER) and GRBUFFER: children, capture, saving, the mouse,
// screen events, stamps and their backups, and the CANVAS record through a cache.
#include <algorithm>

#include "core/Log.h"
#include "display/Canvas.h"
#include "display/DirectDrawSurface.h"
#include "display/Image.h"
#include "display/RefreshScreen.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"
#include "media/anim/Animo6.h"
#include "objects/Canvas.h"
#include "objects/CanvasObserver.h"
#include "objects/GrBuffer.h"
#include "objects/MediaFixtures.h"
#include "platform/Display.h"

namespace KavirelTest {

namespace {

// Ten 20 x 10 frames; frame i is all 0xF800 + i.
std::string walker() {
    CAnimo animation(nullptr);
    for (int i = 0; i < 10; ++i) {
        CGraphicsObject image(nullptr, CXSize(20, 10), 16);
        auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
        std::fill(pixels, pixels + 200, static_cast<uint16_t>(0xF800 + i));
        animation.AddFrame(&image);
    }
    _animoEvent e;
    e.setName("WALK");
    e.frames = 10;
    animation.AddEvent(e);
    for (int i = 0; i < 10; ++i) animation.GetEventInfo(0)->images[size_t(i)] = uint16_t(i);
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"RED.IMG", solidPicture(20, 10, 0xF800, 0, 0, 255)},
    {"BLUE.IMG", solidPicture(10, 10, 0x001F, 0, 0)},
    {"WHITE.IMG", solidPicture(4, 4, 0xFFFF, 0, 0)},
    {"BIG.IMG", solidPicture(11, 11, 0x0000, 0, 0)},
    {"TINY.IMG", solidPicture(3, 3, 0x0000, 0, 0)},
    {"BACK.IMG", solidPicture(800, 600, 0x0000, 0, 0)},
    {"BIRD.ANN", walker()},
};

std::string typed(const char* name, const char* type, Properties extra = {}) {
    Properties p{{"TYPE", type}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

std::string image(const char* name, const char* file, Properties extra = {}) {
    extra.insert(extra.begin(), {"FILENAME", file});
    return typed(name, "IMAGE", extra);
}

uint16_t pixelOf(CGraphicsObject* g, int x, int y) {
    return reinterpret_cast<uint16_t*>(g->GetDataPtr())[size_t(y) * size_t(g->Width()) + size_t(x)];
}

uint16_t screenPixel(MediaGame& game, int x, int y) {
    CDisplay* display = game.run->display();
    return display->pixels()[size_t(y) * size_t(display->pitch()) + size_t(x)];
}

std::string file(MediaGame& game, const char* name) { return (game.folder.path() / name).string(); }

CGraphicsObject* graphicOf(MediaGame& game, const char* name) {
    CMC_Object* object = game.run->find(name);
    auto* scene = object ? object->getScene() : nullptr;
    return scene ? scene->getGraphicsObject(CXString(name)) : nullptr;
}

} // namespace

TEST(ScriptCanvas, SizesPrioritiesChildrenAndCapture) {
    MediaGame game(typed("EMPTY", "CANVAS") +
                       typed("C", "CANVAS",
                             {{"WIDTH", "50"},
                              {"HEIGHT", "40"},
                              {"PRIORITY", "7"},
                              {"ALPHA", "TRUE"},
                              {"BACKGROUND", "TRUE"}}) +
                       image("R", "RED.IMG", {{"VISIBLE", "TRUE"}}) +
                       image("B", "BLUE.IMG", {{"VISIBLE", "TRUE"}}) + image("W", "WHITE.IMG"),
                   true, kFiles);
    auto* empty = game.find<CMC_Canvas>("EMPTY");
    auto* c = game.find<CMC_Canvas>("C");
    CRefreshScreen* screen = c->getScreen();
    // No size keys: 0 by 0, still on the draw list.
    EXPECT_EQ(game.call("EMPTY", "GETWIDTH") + game.call("EMPTY", "GETHEIGHT"), "00");
    EXPECT_EQ(screen->GetPriority(empty->getSurface()), 0);
    EXPECT_EQ(screen->GetPriority(c->getSurface()), 7);
    EXPECT_EQ(game.call("C", "GETWIDTH") + "x" + game.call("C", "GETHEIGHT"), "50x40");
    EXPECT_FALSE(empty->isListening());

    // Added twice, listed once; a capture that deletes deletes each once (ASan watches).
    game.call("C", "ADD", {"R"});
    game.call("C", "ADD", {"R", "3"});
    game.call("C", "ADD", {"B"});
    EXPECT_EQ(c->getChildren().size(), 2u);
    EXPECT_EQ(game.call("C", "GETNUMVISIBLEPIXELS"), "0");
    game.call("C", "CAPTURE");
    EXPECT_EQ(game.run->find("R"), nullptr);
    EXPECT_EQ(game.run->find("B"), nullptr);
    EXPECT_TRUE(c->getChildren().empty());
    // The pictures are in the canvas now: red over 20 x 10 only, its alpha plane opaque there.
    EXPECT_EQ(pixelOf(c->getSurface()->getBackground(), 5, 5), 0x001F); // B over R
    EXPECT_EQ(pixelOf(c->getSurface()->getBackground(), 15, 5), 0xF800);
    EXPECT_EQ(pixelOf(c->getSurface()->getBackground(), 15, 15), 0);

    // CAPTURE(FALSE) keeps the objects and forgets them, so RECREATE re-adds nothing.
    game.call("C", "ADD", {"W"});
    game.call("C", "CAPTURE", {"FALSE"});
    ASSERT_NE(game.run->find("W"), nullptr);
    game.call("C", "RECREATE", {"30", "20", "FALSE", "FALSE", "4", "FALSE"});
    EXPECT_EQ(game.call("C", "GETWIDTH"), "30");
    EXPECT_EQ(screen->GetPriority(c->getSurface()), 4);
    EXPECT_EQ(c->getSurface()->getElements()->getSize(), 0);
}

TEST(ScriptCanvas, RecreateReaddsOnlyLiveChildrenAndNothingIsDrawnIntoItself) {
    MediaGame game(typed("C", "CANVAS", {{"WIDTH", "50"}, {"HEIGHT", "40"}, {"BACKGROUND", "TRUE"}}) +
                       typed("D", "CANVAS", {{"WIDTH", "60"}, {"HEIGHT", "60"}, {"BACKGROUND", "TRUE"}}) +
                       typed("SCR", "CANVAS_OBSERVER") + image("R", "RED.IMG") + image("B", "BLUE.IMG"),
                   true, kFiles);
    auto* c = game.find<CMC_Canvas>("C");
    game.call("C", "ADD", {"R"});
    game.call("C", "ADD", {"B"});
    // B goes; the list forgets it, and RECREATE re-adds only R, at the new priority.
    CMC_Object* b = game.run->find("B");
    b->getScene()->removeObject(b);
    delete b;
    game.call("C", "RECREATE", {"50", "40", "FALSE", "TRUE", "2", "FALSE"});
    ASSERT_EQ(c->getChildren().size(), 1u);
    CGraphicsObject* red = graphicOf(game, "R");
    EXPECT_TRUE(c->getSurface()->getElements()->find(red));

    // D shows C: C may not take D, itself or the screen, by ADD, DRAW or ERASE; D may not take itself.
    game.call("D", "ADD", {"C"});
    CLogCapture log;
    int before = c->getSurface()->getElements()->getSize();
    game.call("C", "ADD", {"D"});
    game.call("C", "ADD", {"C"});
    game.call("C", "ADD", {"SCR"});
    game.call("C", "DRAW", {"C", "0", "0"});
    game.call("C", "DRAW", {"D", "0", "0"});
    game.call("C", "ERASE", {"C", "0", "0"});
    game.call("D", "DRAW", {"D", "0", "0"});
    EXPECT_EQ(c->getSurface()->getElements()->getSize(), before);
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("refused") != std::string::npos; }),
              7);
    // Drawing C into D is fine.
    game.call("D", "DRAW", {"C", "5", "5"});
    game.run->frames(2);
}

TEST(ScriptCanvas, DrawStampsTheShownFrameAndSaveCropsOrScales) {
    MediaGame game(typed("C", "CANVAS", {{"WIDTH", "40"}, {"HEIGHT", "20"}, {"BACKGROUND", "TRUE"}}) +
                       typed("A", "ANIMO", {{"FILENAME", "BIRD.ANN"}}),
                   true, kFiles);
    auto* c = game.find<CMC_Canvas>("C");
    auto* animation = dynamic_cast<CAnimo*>(graphicOf(game, "A"));
    ASSERT_NE(animation, nullptr);
    animation->SetEventFrame(0, 3);
    game.call("C", "DRAW", {"A", "10", "5"});
    CGraphicsObject* back = c->getSurface()->getBackground();
    EXPECT_EQ(pixelOf(back, 10, 5), 0xF803);
    EXPECT_EQ(pixelOf(back, 29, 14), 0xF803);
    EXPECT_EQ(pixelOf(back, 9, 5), 0);
    c->getSurface()->Redraw();

    // A rectangle whose left equals its right saves the whole canvas; a real one a part.
    std::string whole = file(game, "WHOLE.IMG"), part = file(game, "PART.IMG");
    game.call("C", "SAVE", {whole, "1.0", "1.0", "5", "0", "5", "10"});
    game.call("C", "SAVE", {part, "1.0", "1.0", "10", "5", "20", "10"});
    CImage read(nullptr);
    ASSERT_EQ(read.Load(CXString(whole.c_str()), false), 0);
    EXPECT_EQ(read.Width(), 40);
    ASSERT_EQ(read.Load(CXString(part.c_str()), false), 0);
    EXPECT_EQ(read.Width() * 100 + read.Height(), 1005);
    EXPECT_EQ(pixelOf(&read, 0, 0), 0xF803);
    // Scaling without a rectangle scales the canvas itself, which stays so.
    game.call("C", "SAVE", {whole, "0.5", "0.5"});
    EXPECT_EQ(game.call("C", "GETWIDTH") + "x" + game.call("C", "GETHEIGHT"), "20x10");
}

TEST(ScriptCanvas, ScaledCanvasKeepsItsBackupInStep) {
    MediaGame game(
        typed("C", "CANVAS", {{"WIDTH", "40"}, {"HEIGHT", "20"}, {"ALPHA", "TRUE"}, {"BACKGROUND", "TRUE"}}) +
            image("R", "RED.IMG") + image("W", "WHITE.IMG"),
        true, kFiles);
    CCanvas* c = game.find<CMC_Canvas>("C")->getSurface();
    // SAVE scaled up without a rectangle: the backup and its alpha plane grow with the canvas.
    game.call("C", "SAVE", {file(game, "BIG3.IMG"), "3.0", "3.0"});
    CGraphicsObject* back = c->getBackground();
    EXPECT_EQ(back->Width() * 1000 + back->Height(), 120060);
    EXPECT_EQ(back->GetChannelSize(3), 120 * 60);
    game.call("C", "DRAW", {"R", "100", "50"});
    EXPECT_EQ(pixelOf(back, 119, 59), 0xF800);
    const std::string visible = game.call("C", "GETNUMVISIBLEPIXELS");
    EXPECT_NE(visible, "0");
    game.call("C", "ERASE", {"W", "116", "56"});
    EXPECT_EQ(std::stoi(game.call("C", "GETNUMVISIBLEPIXELS")), std::max(0, std::stoi(visible) - 16));
    game.call("C", "CLONE", {"1"});
    game.call("C", "CAPTURE", {"FALSE"});
    game.call("C", "CLEAR");
    EXPECT_EQ(game.call("C", "GETNUMVISIBLEPIXELS"), "0");

    // A canvas scaled apart from its backup (ASan watches): each plane is used at its own size.
    c->Scale(2.0f, 2.0f);
    ASSERT_EQ(c->getBackground()->Width(), 120);
    game.call("C", "ERASE", {"W", "200", "100"});
    game.call("C", "ERASE", {"W", "110", "50"});
    game.call("C", "CLONE", {"1"});
    game.call("C", "DRAW", {"R", "230", "110"});
    game.call("C", "CAPTURE", {"FALSE"});
    game.call("C", "CLEAR");
    game.call("C", "GETNUMVISIBLEPIXELS");
    c->Redraw();
}

TEST(ScriptCanvas, MouseEventsInButtonMode) {
    MediaGame game(typed("C", "CANVAS",
                         {{"WIDTH", "50"},
                          {"HEIGHT", "40"},
                          {"PRIORITY", "3"},
                          {"ONCLICK^RIGHT", logged("right.")},
                          {"ONRELEASE", logged("up.")}}) +
                       typed("F", "CANVAS",
                             {{"WIDTH", "50"},
                              {"HEIGHT", "40"},
                              {"ONFOCUSON", logged("on.")},
                              {"ONFOCUSOFF", logged("off.")},
                              {"ONCLICK", "{}"}}) +
                       typed("N", "CANVAS", {{"ONFOCUSONX", "{}"}, {"ONDONE", "{}"}}),
                   true, kFiles);
    auto* c = game.find<CMC_Canvas>("C");
    auto* f = game.find<CMC_Canvas>("F");
    // A detailed click handler alone makes a listener; a focus handler's name must match whole.
    EXPECT_TRUE(c->isListening() && f->isListening());
    EXPECT_FALSE(game.find<CMC_Canvas>("N")->isListening());
    game.call("F", "SETPOSITION", {"200", "0"});
    game.press(1, 10, 10);
    EXPECT_EQ(game.log(), "right.up.");
    game.press(0, 10, 10); // no LEFT handler and no plain ONCLICK: only the release
    EXPECT_EQ(game.log(), "up.");
    // A click inside with a handler that does nothing is taken; a move never is.
    EXPECT_TRUE(f->onClick(0, CXPoint(210, 10)));
    EXPECT_FALSE(f->onClick(0, CXPoint(10, 10)));
    EXPECT_FALSE(f->onMouseMove(CXPoint(210, 10)));
    EXPECT_EQ(game.log(), "on.");
    game.move(5, 5);
    EXPECT_EQ(game.log(), "off.");
    // Not a button: nothing, and the listener stays.
    game.call("C", "SETASBUTTON", {"FALSE"});
    game.call("F", "SETASBUTTON", {"FALSE", "FALSE"});
    game.press(1, 10, 10);
    game.move(210, 10);
    EXPECT_EQ(game.log(), "");
    EXPECT_TRUE(c->isListening());
    game.call("C", "HIDE");
    game.call("C", "SETASBUTTON", {"TRUE"});
    game.press(1, 10, 10);
    EXPECT_EQ(game.log(), "");
}

TEST(ScriptCanvas, TheRecordRoundTripsThroughACache) {
    MediaGame game(typed("C", "CANVAS",
                         {{"WIDTH", "30"},
                          {"HEIGHT", "20"},
                          {"PRIORITY", "6"},
                          {"ALPHA", "TRUE"},
                          {"BACKGROUND", "TRUE"},
                          {"ONCLICK", logged("c.")}}) +
                       typed("SCR", "CANVAS_OBSERVER"),
                   true, kFiles);
    game.call("C", "SETPRIORITY", {"9"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* c = game.find<CMC_Canvas>("C");
    ASSERT_TRUE(c && c->getSurface());
    EXPECT_EQ(game.call("C", "GETWIDTH") + "x" + game.call("C", "GETHEIGHT"), "30x20");
    EXPECT_EQ(c->getScreen()->GetPriority(c->getSurface()), 9);
    EXPECT_NE(c->getSurface()->GetChannelAlpha(), nullptr);
    EXPECT_NE(c->getSurface()->getBackground(), nullptr);
    EXPECT_TRUE(c->isListening());
    game.press(0, 5, 5);
    EXPECT_EQ(game.log(), "c.");
    EXPECT_NE(game.find<CMC_CanvasObserver>("SCR"), nullptr);
}

TEST(ScriptScreenCanvas, EventsAroundRefreshesAndFocus) {
    MediaGame game(typed("SCR", "CANVAS_OBSERVER",
                         {{"ONINITIALUPDATE", logged("i.")},
                          {"ONUPDATE", logged("u.")},
                          {"ONUPDATED", logged("d.")},
                          {"ONWINDOWFOCUSON", logged("on.")},
                          {"ONWINDOWFOCUSOFF", logged("off.")},
                          {"ONINITIALUPDATED", logged("I.")}}) +
                       image("R", "RED.IMG", {{"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}}),
                   true, kFiles);
    game.run->frames(2);
    // The scene's first frame is told even with notifications off; nothing else is.
    EXPECT_EQ(game.log(), "I.");
    game.call("SCR", "ENABLENOTIFY", {"TRUE"});
    game.call("SCR", "REFRESH");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "u.d.");
    game.run->frames(2); // every later refresh of a listed screen
    EXPECT_EQ(game.log(), "u.d.u.d.");
    game.run->input()->injectWindow(EWindowEvent::FocusLost);
    game.run->window()->takeWindowEvents();
    game.run->input()->injectWindow(EWindowEvent::FocusGained);
    game.run->window()->takeWindowEvents();
    EXPECT_EQ(game.log().substr(0, 7), "off.on.");
    game.call("SCR", "ENABLENOTIFY", {"FALSE"});
    EXPECT_FALSE(game.find<CMC_CanvasObserver>("SCR")->getCanvas()->isNotifyEnabled());
    game.call("SCR", "REDRAW");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "");
}

TEST(ScriptScreenCanvas, TheFirstFrameWithNotificationsOn) {
    MediaGame game(typed("SCR", "CANVAS_OBSERVER",
                         {{"ONINITIALUPDATE", logged("i.")}, {"ONINITIALUPDATED", logged("I.")}}) +
                       image("R", "RED.IMG", {{"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}}),
                   true, kFiles);
    game.call("SCR", "ENABLENOTIFY", {"TRUE"});
    game.run->frames(1);
    EXPECT_EQ(game.log().substr(0, 4), "i.I.");
}

TEST(ScriptScreenCanvas, ListsFindsSavesAndPastes) {
    MediaGame game(typed("SCR", "CANVAS_OBSERVER") + image("BACK", "BACK.IMG") +
                       image("R", "RED.IMG", {{"VISIBLE", "TRUE"}}) +
                       image("B", "BLUE.IMG", {{"VISIBLE", "TRUE"}}) + image("W", "WHITE.IMG"),
                   true, kFiles);
    CRefreshScreen* screen = game.find<CMC_CanvasObserver>("SCR")->getCanvas();
    game.call("SCR", "SETBACKGROUND", {"BACK"});
    game.call("SCR", "ADD", {"R"});
    game.call("SCR", "ADD", {"B", "5"});
    CGraphicsObject* red = graphicOf(game, "R");
    EXPECT_EQ(screen->GetPriority(red), 1000);
    // B (5) lies under R (1000) at (5, 5); bounds pick B; outside both, "NULL".
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"5", "5"}), "R");
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"5", "5", "FALSE", "0", "10"}), "B");
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"5", "5", "FALSE", "0"}), "R"); // a fourth alone is ignored
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"500", "500"}), "NULL");
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"-1", "0"}), "NULL");
    EXPECT_EQ(game.call("SCR", "GETBPP"), "16");
    game.call("SCR", "REMOVE", {"R"});
    EXPECT_EQ(game.call("SCR", "GETGRAPHICSAT", {"15", "5"}), "NULL");

    // The screen is never listed on itself nor pasted into its own background.
    CLogCapture log;
    game.call("SCR", "ADD", {"SCR"});
    game.call("SCR", "PASTE", {"SCR", "0", "0"});
    EXPECT_TRUE(log.contains("ADD of the screen onto itself refused"));
    EXPECT_TRUE(log.contains("PASTE of the screen into its own background refused"));
    EXPECT_EQ(screen->getIndex(screen), -1);

    // PASTE draws into the background and puts the object back.
    game.call("SCR", "PASTE", {"W", "300", "200"});
    EXPECT_EQ(game.call("W", "GETPOSITIONX"), "0");
    game.call("SCR", "REFRESH");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 301, 201), 0xFFFF);

    // The screenshot is the frame presented.
    std::string shot = file(game, "SHOT.IMG");
    game.call("SCR", "SAVE", {shot});
    CImage read(nullptr);
    ASSERT_EQ(read.Load(CXString(shot.c_str()), false), 0);
    ASSERT_EQ(read.Width() * 1000 + read.Height(), 800600);
    for (int y : {0, 5, 201, 599})
        for (int x : {0, 5, 301, 799})
            EXPECT_EQ(pixelOf(&read, x, y), screenPixel(game, x, y)) << x << "," << y;
    game.call("SCR", "SAVE", {shot, "0.5", "0.5", "300", "200", "304", "204"});
    ASSERT_EQ(read.Load(CXString(shot.c_str()), false), 0);
    EXPECT_EQ(read.Width() * 10 + read.Height(), 22);
    EXPECT_EQ(pixelOf(&read, 1, 1), 0xFFFF);
}

TEST(ScriptGrBuffer, StampsFitStrictlyAndSlotsAreReused) {
    MediaGame game(image("S", "BLUE.IMG") + image("D10", "BLUE.IMG") + image("D11", "BIG.IMG") +
                       typed("G10", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "D10"}}) +
                       typed("G", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "D11"}}) +
                       typed("NONE", "GRBUFFER", {{"SOURCE", "NOBODY"}, {"DESTINY", "D11"}}),
                   false, kFiles);
    EXPECT_EQ(game.call("G10", "CREATE", {"0", "0"}), "-1"); // would end at the edge
    EXPECT_EQ(game.call("G", "CREATE", {"0", "0"}), "0");
    EXPECT_EQ(game.call("NONE", "CREATE", {"0", "0"}), "-1");
    game.call("NONE", "DRAW", {"0", "TRUE"});
    // A reversed part, and a size beyond 32 bits, are refused.
    EXPECT_EQ(game.call("G", "CREATE", {"0", "0", "5", "5", "2", "8"}), "-1");
    EXPECT_EQ(game.call("G", "CREATE", {"0", "0", "-2147483647", "0", "2147483647", "5"}), "-1");
    for (int i = 1; i < 1000; ++i)
        ASSERT_EQ(game.call("G", "CREATE", {"1", "1", "0", "0", "2", "2"}), std::to_string(i));
    EXPECT_EQ(game.call("G", "CREATE", {"1", "1"}), "-1");
    game.call("G", "FLUSH", {"5", "FALSE", "FALSE"});
    EXPECT_EQ(game.call("G", "CREATE", {"0", "0"}), "5");
    // Indexes outside the table change nothing.
    for (const char* index : {"1000", "-2", "99999"}) {
        game.call("G", "DRAW", {index, "TRUE"});
        game.call("G", "UNDO", {index, "TRUE"});
        game.call("G", "FLUSH", {index, "TRUE", "TRUE"});
    }
    EXPECT_EQ(game.call("G", "FINDAT", {"1", "1"}), "999");
    game.call("G", "FLUSHALL", {"FALSE", "FALSE"});
    EXPECT_EQ(game.call("G", "FINDAT", {"1", "1"}), "-1");
}

TEST(ScriptGrBuffer, DrawUndoFlushAndGraphicsThatGoOrShrink) {
    MediaGame game(image("S", "WHITE.IMG") + image("D", "BIG.IMG") +
                       typed("C", "CANVAS", {{"WIDTH", "20"}, {"HEIGHT", "20"}}) +
                       typed("G", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "D"}}) +
                       typed("SELF", "GRBUFFER", {{"SOURCE", "D"}, {"DESTINY", "D"}}) +
                       typed("ONC", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "C"}}),
                   true, kFiles);
    auto* g = game.find<CMC_GrBuffer>("G");
    CGraphicsObject* d = g->getDestination();
    ASSERT_TRUE(d && g->getSource());
    // Two overlapping stamps: the higher slot is found; a part lands at the stamp's corner.
    EXPECT_EQ(game.call("G", "CREATE", {"1", "1"}), "0");
    EXPECT_EQ(game.call("G", "CREATE", {"3", "3", "2", "2", "4", "4"}), "1");
    EXPECT_EQ(game.call("G", "FINDAT", {"3", "3"}), "1");
    EXPECT_EQ(game.call("G", "FINDAT", {"2", "2"}), "0");
    game.call("G", "DRAW", {"0", "TRUE"});
    EXPECT_EQ(pixelOf(d, 1, 1), 0xFFFF);
    EXPECT_EQ(pixelOf(d, 5, 5), 0);
    game.call("G", "UNDO", {"0", "FALSE"});
    EXPECT_EQ(pixelOf(d, 1, 1), 0);
    game.call("G", "DRAW", {"0", "FALSE"});
    game.call("G", "DRAW", {"1", "FALSE"});
    EXPECT_EQ(pixelOf(d, 4, 4), 0xFFFF);
    EXPECT_EQ(pixelOf(d, 5, 5), 0);
    // FLUSHALL(TRUE, TRUE) restores every stamp, from the highest down: the area is as before.
    game.call("G", "FLUSHALL", {"TRUE", "TRUE"});
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) ASSERT_EQ(pixelOf(d, x, y), 0);

    // A graphic stamped onto itself is drawn from a copy of the part.
    reinterpret_cast<uint16_t*>(d->GetDataPtr())[0] = 0x1234;
    EXPECT_EQ(game.call("SELF", "CREATE", {"5", "5", "0", "0", "5", "5"}), "0");
    game.call("SELF", "DRAW", {"0", "FALSE"});
    EXPECT_EQ(pixelOf(d, 5, 5), 0x1234);
    EXPECT_EQ(pixelOf(d, 6, 6), 0);

    // UNDO after the destination shrank (a canvas saved at half size) restores nothing.
    EXPECT_EQ(game.call("ONC", "CREATE", {"12", "12"}), "0");
    game.call("ONC", "DRAW", {"0", "FALSE"});
    game.call("C", "SAVE", {file(game, "HALF.IMG"), "0.5", "0.5"});
    CLogCapture log;
    game.call("ONC", "UNDO", {"0", "TRUE"});
    EXPECT_TRUE(log.contains("no longer fits its destination"));
    // A destination without 16-bit pixels is named as such.
    EXPECT_EQ(game.call("G", "CREATE", {"1", "1"}), "0");
    d->SetBpp(32);
    game.call("G", "UNDO", {"0", "FALSE"});
    d->SetBpp(16);
    EXPECT_TRUE(log.contains("the destination has no 16-bit pixels"));
    // A destination or source that goes is forgotten (ASan watches).
    game.call("C", "RECREATE", {"20", "20", "FALSE", "FALSE", "0", "TRUE"});
    EXPECT_EQ(game.find<CMC_GrBuffer>("ONC")->getDestination(), nullptr);
    game.call("ONC", "UNDO", {"0", "TRUE"});
    game.call("S", "LOAD", {"TINY.IMG"});
    EXPECT_EQ(g->getSource(), nullptr);
    game.call("G", "CREATE", {"1", "1"});
    game.call("G", "DRAW", {"0", "TRUE"});
    game.call("ONC", "FLUSHALL", {"TRUE", "TRUE"});
}

TEST(ScriptGrBuffer, AnchoredGraphicsStampAtTheCornerAndStayPut) {
    MediaGame game(typed("SCR", "CANVAS_OBSERVER") + image("BACK", "BACK.IMG") + image("S", "WHITE.IMG") +
                       image("D", "BIG.IMG") + typed("G", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "D"}}),
                   true, kFiles);
    game.call("S", "SETANCHOR", {"2", "2"});
    const std::string at = game.call("S", "GETPOSITIONX") + "," + game.call("S", "GETPOSITIONY");
    CGraphicsObject* d = game.find<CMC_GrBuffer>("G")->getDestination();
    // The whole 4 x 4 source lands at (3, 3)..(6, 6), the backed-up area, and UNDO clears it all.
    EXPECT_EQ(game.call("G", "CREATE", {"3", "3"}), "0");
    game.call("G", "DRAW", {"0", "FALSE"});
    EXPECT_EQ(pixelOf(d, 3, 3), 0xFFFF);
    EXPECT_EQ(pixelOf(d, 6, 6), 0xFFFF);
    EXPECT_EQ(pixelOf(d, 2, 2), 0);
    game.call("G", "DRAW", {"0", "FALSE"});
    game.call("G", "UNDO", {"0", "FALSE"});
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) ASSERT_EQ(pixelOf(d, x, y), 0) << x << "," << y;
    // A part of the anchored source too.
    EXPECT_EQ(game.call("G", "CREATE", {"5", "5", "1", "1", "3", "3"}), "1");
    game.call("G", "DRAW", {"1", "FALSE"});
    EXPECT_EQ(pixelOf(d, 5, 5), 0xFFFF);
    EXPECT_EQ(pixelOf(d, 4, 4), 0);
    game.call("G", "UNDO", {"1", "FALSE"});
    EXPECT_EQ(pixelOf(d, 5, 5), 0);
    EXPECT_EQ(game.call("S", "GETPOSITIONX") + "," + game.call("S", "GETPOSITIONY"), at);

    // PASTE puts an anchored object back where it was, however often.
    game.call("SCR", "SETBACKGROUND", {"BACK"});
    game.call("SCR", "PASTE", {"S", "50", "50"});
    game.call("SCR", "PASTE", {"S", "60", "60"});
    EXPECT_EQ(game.call("S", "GETPOSITIONX") + "," + game.call("S", "GETPOSITIONY"), at);
}

TEST(ScriptGrBuffer, StampsOnTheScreenBackgroundUntilItIsReplaced) {
    // S1 opens with a background picture.
    auto files = kFiles;
    files.push_back({"Dane/application.def",
                     object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
                         object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1"}, {"PATH", "E1"}}) +
                         object("S1", {{"TYPE", "SCENE"}, {"PATH", "E1\\S1"}, {"BACKGROUND", "BACK.IMG"}})});
    MediaGame game(typed("SCR", "CANVAS_OBSERVER") + image("S", "WHITE.IMG") + image("BACK2", "BACK.IMG") +
                       typed("G", "GRBUFFER", {{"SOURCE", "S"}, {"DESTINY", "BACKGROUND"}}),
                   true, files);
    auto* g = game.find<CMC_GrBuffer>("G");
    CGraphicsObject* back = game.find<CMC_CanvasObserver>("SCR")->getCanvas()->getBackgroundIfc();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(g->getDestination(), back);
    EXPECT_EQ(game.call("G", "CREATE", {"400", "300"}), "0");
    game.call("G", "DRAW", {"0", "TRUE"});
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 403, 303), 0xFFFF);
    game.call("G", "UNDO", {"0", "TRUE"});
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 403, 303), 0);
    // A new background surface: the old one is forgotten, stamps do nothing (ASan watches).
    game.call("SCR", "SETBACKGROUND", {"BACK2"});
    EXPECT_EQ(g->getDestination(), nullptr);
    game.call("G", "DRAW", {"0", "TRUE"});
    game.call("G", "FLUSHALL", {"TRUE", "TRUE"});
    EXPECT_EQ(game.call("G", "CREATE", {"1", "1"}), "-1");
}

} // namespace KavirelTest
