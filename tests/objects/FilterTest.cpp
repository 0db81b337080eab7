// Script FILTER and STATICFILTER: events with the linking object's name, fades seen on the screen, paths,
// handlers that unlink or delete during the filter's pass, undo at done, the cache record.
#include "objects/Filter.h"
#include "media/anim/Animo6.h"
#include "objects/Animo.h"
#include <set>

#include "core/Log.h"
#include "display/Window.h"
#include "objects/Image.h"
#include "objects/MediaFixtures.h"
#include "platform/Display.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"RED.IMG", solidPicture(20, 10, 0xF800, 0, 0)},
    {"BLUE.IMG", solidPicture(40, 40, 0x001F, 100, 100)},
    {"WIDE.IMG", solidPicture(10, 4, 0xFFFF, 200, 200)},
    {"BLACK.IMG", solidPicture(40, 40, 0x0000, 0, 0)},
};

std::string image(const char* name, const char* file, const Properties& extra = {}) {
    Properties p = {{"TYPE", "IMAGE"}, {"FILENAME", file}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

std::string filter(const char* name, const char* action, const Properties& extra = {}) {
    Properties p = {{"TYPE", "FILTER"}, {"ACTION", action}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

std::string staticFilter(const char* name, const char* action) {
    return object(name, {{"TYPE", "STATICFILTER"}, {"ACTION", action}});
}

uint16_t screenPixel(MediaGame& game, int x, int y) {
    CDisplay* display = game.run->display();
    return display
        ->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + static_cast<size_t>(x)];
}

} // namespace

TEST(ScriptFilter, EventsCarryTheLinkingObjectsNameAndFollowTheFilter) {
    MediaGame game(image("RED", "RED.IMG") + image("BLUE", "BLUE.IMG") +
                       filter("F", "FADEIN",
                              {{"ONSTARTED^RED", logged("s.")},
                               {"ONSTARTED", logged("S.")},
                               {"ONTICK", logged("t.")},
                               {"ONFINISHED^RED", logged("f.")},
                               {"ONFINISHED", logged("F.")}}),
                   false, kFiles);
    auto* f = game.find<CMC_Filter>("F");
    ASSERT_TRUE(f && f->getFilter());
    EXPECT_EQ(f->getFilter()->getSettings()->m_kind, 1);
    EXPECT_EQ(f->toString(), CXString("Filter"));
    game.call("F", "START", {"RED"}); // never linked: nothing
    game.call("F", "SETPROPERTY", {"SPEED", "100"});
    game.call("F", "LINK", {"RED"});
    game.call("F", "LINK", {"BLUE"});
    game.call("F", "LINK", {"NOBODY"});
    EXPECT_EQ(game.log(), "");
    game.call("F", "START", {"RED"});
    game.call("F", "START", {"BLUE"});
    EXPECT_EQ(game.call("F", "ISRUNNING", {"RED"}), "TRUE");
    EXPECT_EQ(game.call("F", "ISRUNNING", {"NOBODY"}), "FALSE");
    game.run->frames(3);
    EXPECT_EQ(game.call("F", "ISRUNNING", {"RED"}), "FALSE");
    // Two images share the settings, each with its own detail.
    EXPECT_EQ(game.log(), "s.S.t.t.t.t.f.F.");
    game.call("F", "STOP", {"RED"});
    game.call("F", "START", {"RED"});
    game.call("F", "STOP", {"RED"});
    game.call("F", "STOP", {"RED"});
    EXPECT_EQ(game.log(), "s.f.");
    game.call("F", "UNLINK", {"RED"});
    EXPECT_EQ(game.call("F", "ISRUNNING", {"RED"}), "FALSE");
}

TEST(ScriptFilter, AFadeShowsOnTheScreenAndAnUnknownActionDoesNothing) {
    CLogCapture log;
    MediaGame game(image("BACK", "BLACK.IMG", {{"PRIORITY", "1"}}) +
                       image("RED", "RED.IMG", {{"PRIORITY", "5"}}) + filter("F", "FADEIN") +
                       filter("X", "SPARKLE") + staticFilter("Y", "SPARKLE"),
                   true, kFiles);
    EXPECT_EQ(game.find<CMC_Filter>("X")->getFilter(), nullptr);
    int mentions = 0;
    for (const std::string& line : log.lines()) mentions += line.find("SPARKLE") != std::string::npos;
    EXPECT_EQ(mentions, 2);
    game.call("X", "LINK", {"RED"});
    game.call("X", "START", {"RED"});
    EXPECT_EQ(game.call("X", "ISRUNNING", {"RED"}), "FALSE");
    game.call("Y", "LINK", {"RED"});

    game.call("F", "SETPROPERTY", {"SPEED", "64"});
    game.call("F", "LINK", {"RED"});
    game.call("F", "START", {"RED"});
    game.run->frames(2);
    EXPECT_EQ(game.find<CMC_Image>("RED")->getImage()->GetOpacity(), 128);
    // A frame draws before its timer pass: the next one shows the second step.
    game.call("F", "STOP", {"RED"});
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 5, 5), 0x7800);
}

TEST(ScriptFilter, PathsMoveAPixelATickAndSurviveBadSettings) {
    MediaGame game(image("RED", "RED.IMG") + image("BLUE", "BLUE.IMG") + image("WIDE", "WIDE.IMG") +
                       object("SEG", {{"TYPE", "VECTOR"}, {"SIZE", "2"}, {"VALUE", "10,0"}}) +
                       object("ZERO", {{"TYPE", "VECTOR"}, {"SIZE", "2"}, {"VALUE", "0,0"}}) +
                       object("NUM", {{"TYPE", "INTEGER"}, {"VALUE", "3"}}) +
                       object("P", {{"TYPE", "PATH"}, {"NODES", "ZERO,NUM,SEG"}}) +
                       filter("M", "PATH", {{"ONFINISHED^RED", logged("done.")}}) + filter("N", "PATH"),
                   false, kFiles);
    game.call("M", "SETPROPERTY", {"PATHDEF", "P"});
    game.call("M", "SETPROPERTY", {"SPEED", "0"}); // acts as 1
    game.call("M", "LINK", {"RED"});
    game.call("M", "START", {"RED"});
    game.run->frames(2); // the zero-length segment and the INTEGER pass without moving
    EXPECT_EQ(game.call("RED", "GETPOSITIONX"), "0");
    game.run->frames(1);
    EXPECT_EQ(game.call("RED", "GETPOSITIONX"), "1");
    game.run->frames(8);
    EXPECT_EQ(game.call("RED", "GETPOSITIONX"), "9");
    EXPECT_EQ(game.log(), "");
    game.run->frames(1);
    EXPECT_EQ(game.call("RED", "GETPOSITIONX"), "10");
    EXPECT_EQ(game.log(), "done.");
    EXPECT_EQ(game.call("M", "ISRUNNING", {"RED"}), "FALSE");

    // LOOPED starts the first segment again from where the image stands (12 ticks a round).
    game.call("M", "SETPROPERTY", {"LOOPED", "TRUE"});
    game.call("M", "LINK", {"WIDE"});
    game.call("M", "START", {"WIDE"});
    game.run->frames(24);
    EXPECT_EQ(game.call("WIDE", "GETPOSITIONX"), "220");
    EXPECT_EQ(game.call("M", "ISRUNNING", {"WIDE"}), "TRUE");

    // No PATHDEF: it starts, then finishes unmoved on the first step.
    game.call("N", "LINK", {"BLUE"});
    game.call("N", "START", {"BLUE"});
    game.run->frames(1);
    EXPECT_EQ(game.call("N", "ISRUNNING", {"BLUE"}), "FALSE");
    EXPECT_EQ(game.call("BLUE", "GETPOSITIONX"), "100");
}

TEST(ScriptFilter, TickHandlersMayUnlinkRemoveImagesAndDeleteTheirFilter) {
    MediaGame game(image("RED", "RED.IMG") + image("BLUE", "BLUE.IMG") + image("WIDE", "WIDE.IMG") +
                       filter("F", "FADEINOUT",
                              {{"ONTICK^RED", "{F^UNLINK(\"BLUE\");S1^REMOVE(\"WIDE\");}"},
                               {"ONTICK^BLUE", logged("blue.")}}) +
                       filter("G", "FADEIN", {{"ONTICK", "{S1^REMOVE(\"G\");}"}}),
                   false, kFiles);
    for (const char* name : {"RED", "BLUE", "WIDE"}) {
        game.call("F", "LINK", {name});
        game.call("F", "START", {name});
    }
    game.call("G", "LINK", {"RED"});
    game.call("G", "LINK", {"BLUE"});
    game.call("G", "START", {"RED"});
    game.call("G", "START", {"BLUE"});
    game.run->frames(3);
    auto* f = game.find<CMC_Filter>("F");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->getFilter()->getCount(), 1);
    EXPECT_EQ(game.find<CMC_Filter>("G"), nullptr);
    EXPECT_EQ(game.log(), "");
}

TEST(ScriptStaticFilter, SettingsActAtLinkAndDoneRestores) {
    MediaGame game(image("WIDE", "WIDE.IMG") + image("RED", "RED.IMG") + staticFilter("R", "ROTATE") +
                       staticFilter("N", "NEGATIVE") + filter("W", "WATER"),
                   false, kFiles);
    game.call("R", "LINK", {"WIDE"});
    game.call("R", "SETPROPERTY", {"ANGLE", "90"});
    EXPECT_EQ(game.call("WIDE", "GETWIDTH"), "10");
    game.call("R", "UNLINK", {"WIDE"});
    game.call("R", "SETPROPERTY", {"CANUNDO", "TRUE"});
    game.call("R", "LINK", {"WIDE"});
    EXPECT_EQ(game.call("WIDE", "GETWIDTH"), "4");
    EXPECT_EQ(game.call("WIDE", "GETPOSITIONX"), "203");
    game.call("N", "SETPROPERTY", {"CANUNDO", "TRUE"});
    game.call("N", "LINK", {"RED"});
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"0", "0"}), std::to_string(int16_t(0x07DF)));
    auto* r = game.find<CMC_StaticFilter>("R");
    auto* n = game.find<CMC_StaticFilter>("N");
    r->done(false);
    n->done(false);
    EXPECT_EQ(game.call("WIDE", "GETWIDTH"), "10");
    EXPECT_EQ(game.call("WIDE", "GETPOSITIONX"), "200");
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"0", "0"}), std::to_string(int16_t(0xF800)));
    EXPECT_TRUE(r->doneFirst());
}

TEST(ScriptStaticFilter, ACachedSceneKeepsTheKindsWithDefaultSettings) {
    MediaGame game(image("RED", "RED.IMG") + staticFilter("B", "BLUR") + filter("W", "WAVING"), false,
                   kFiles);
    game.call("B", "SETPROPERTY", {"SIZE", "5"});
    game.call("W", "SETPROPERTY", {"AMPLITUDE", "9"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* b = game.find<CMC_StaticFilter>("B");
    auto* w = game.find<CMC_Filter>("W");
    ASSERT_TRUE(b && w && b->getFilter() && w->getFilter());
    EXPECT_EQ(b->getAction(), CXString("BLUR"));
    EXPECT_EQ(static_cast<CGraphBlurSettings*>(b->getFilter()->getSettings())->m_size, 3);
    EXPECT_EQ(static_cast<CGraphFilterSettings_Waving*>(w->getFilter()->getSettings())->m_amplitude, 4);
    EXPECT_EQ(w->getFilter()->getSettings()->m_kind, 300);
}

} // namespace KavirelTest

namespace KavirelTest {

TEST(ScriptStaticFilter, AFifteenBitScreenUsesFiveBitGreenFields) {
    MediaGame game(image("WIDE", "WIDE.IMG") + image("BACK", "BLACK.IMG") +
                       staticFilter("C", "COLORCHANNEL") + staticFilter("N", "NEGATIVE"),
                   true, kFiles, 15);
    ASSERT_EQ(game.run->window()->GetBpp(), 15);
    game.call("C", "SETPROPERTY", {"CHANNELS", "G"});
    game.call("C", "LINK", {"WIDE"});
    EXPECT_EQ(game.call("WIDE", "GETPIXEL", {"200", "200"}), std::to_string(0x03C0));
    game.call("N", "LINK", {"BACK"});
    EXPECT_EQ(game.call("BACK", "GETPIXEL", {"0", "0"}), std::to_string(0x7FDF));
}

} // namespace KavirelTest

namespace KavirelTest {

namespace {

// An animation whose event WALK shows images 0, 1 and 2 in turn (pixels 0, 1, 2), 4 x 2 at (300, 300).
std::string walkFile() {
    CAnimo animation(nullptr);
    for (uint16_t i = 0; i < 3; ++i) {
        CGraphicsObject image(nullptr, CXSize(4, 2), 16);
        std::fill_n(reinterpret_cast<uint16_t*>(image.GetDataPtr()), 8, i);
        image.SetPosition(300, 300);
        animation.AddFrame(&image);
    }
    _animoEvent walk;
    walk.setName("WALK");
    walk.frames = 3;
    animation.AddEvent(walk);
    for (int i = 0; i < 3; ++i) animation.GetEventInfo(0)->images[size_t(i)] = uint16_t(i);
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(ScriptStaticFilter, APlayingAnimationShowsFilteredFramesWithOneAlteredAtATime) {
    MediaGame game(
        object("A",
               {{"TYPE", "ANIMO"}, {"FILENAME", "WALK.ANN"}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}}) +
            staticFilter("N", "NEGATIVE"),
        false, {{"WALK.ANN", walkFile()}});
    auto* animo = game.find<CMC_Animo>("A")->getAnimo();
    ASSERT_EQ(animo->GetNOF(), 3);
    game.call("N", "SETPROPERTY", {"CANUNDO", "TRUE"});
    game.call("A", "PLAY", {"WALK"});
    game.call("N", "LINK", {"A"});
    auto word = [&](int i) { return reinterpret_cast<uint16_t*>(animo->GetFrame(i)->GetDataPtr())[0]; };
    std::set<int> seen;
    for (int step = 0; step < 12; ++step) {
        game.run->frames(1);
        seen.insert(animo->Current());
        int altered = 0;
        for (int i = 0; i < 3; ++i) altered += word(i) != i;
        EXPECT_LE(altered, 1) << step;
        const int shown = animo->Current();
        EXPECT_EQ(word(shown), uint16_t(~shown & 0xFFDF)) << step;
    }
    EXPECT_EQ(seen.size(), 3u);
    game.find<CMC_StaticFilter>("N")->done(false);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(word(i), i);
}

} // namespace KavirelTest
