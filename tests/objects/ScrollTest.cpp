#include "objects/MediaFixtures.h"

#include "objects/Image.h"
#include "objects/Scroll.h"
#include "platform/Display.h"

namespace KavirelTest {

namespace {

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"BLUE.IMG", solidPicture(40, 40, 0x001F, 0, 0)},
    {"RED.IMG", solidPicture(40, 40, 0xF800, 0, 0)},
    {"BLACK.IMG", solidPicture(800, 600, 0x0000, 0, 0)},
};

std::string image(const char* name, const char* file, const char* priority = "1") {
    return object(name, {{"TYPE", "IMAGE"},
                         {"FILENAME", file},
                         {"TOCANVAS", "TRUE"},
                         {"PRIORITY", priority},
                         {"VISIBLE", "TRUE"}});
}

struct ScrollGame : MediaGame {
    ScrollGame()
        : MediaGame(image("BLACK", "BLACK.IMG", "0") + image("BLUE", "BLUE.IMG") + image("RED", "RED.IMG") +
                        object("VIEW", {{"TYPE", "SCROLL"}, {"VIEWPORT", "100,100,200,200"}}),
                    true, kFiles) {
        call("BLUE", "SETPOSITION", {"80", "120"}); // half inside: x 80..119
        call("RED", "SETPOSITION", {"300", "120"}); // wholly outside
        run->frames(1);
    }
    uint16_t screen(int x, int y) {
        CDisplay* display = run->display();
        return display->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + x];
    }
    CMC_Scroll* view() { return find<CMC_Scroll>("VIEW"); }
};

} // namespace

TEST(ScriptScroll, GraphicsAreClippedToTheViewportHiddenOutsideAndWholeAgainWhenRemoved) {
    ScrollGame game;
    game.call("VIEW", "ADD", {"BLUE"});
    game.call("VIEW", "ADD", {"RED"});
    game.call("VIEW", "ADD", {"BLUE"}); // listed once
    game.call("VIEW", "ADD", {"NOBODY"});
    EXPECT_EQ(game.view()->getList()->graphics().size(), 2u);
    game.run->frames(1);
    EXPECT_EQ(game.screen(90, 130), 0x0000); // the half outside is cut
    EXPECT_EQ(game.screen(110, 130), 0x001F);
    EXPECT_EQ(game.call("RED", "ISVISIBLE"), "FALSE");

    // Scrolling left by 150 brings red to 150..189, inside; blue leaves.
    game.call("VIEW", "SCROLLLEFT", {"150"});
    game.run->frames(1);
    EXPECT_EQ(game.call("RED", "ISVISIBLE"), "TRUE");
    EXPECT_EQ(game.call("BLUE", "ISVISIBLE"), "FALSE");
    EXPECT_EQ(game.screen(160, 130), 0xF800);
    game.call("VIEW", "SCROLLRIGHT", {"30"}); // red 180..219: cut at 200
    game.run->frames(1);
    EXPECT_EQ(game.screen(195, 130), 0xF800);
    EXPECT_EQ(game.screen(205, 130), 0x0000);
    game.call("VIEW", "SCROLLDOWN", {"70"}); // red y 190..229: cut at 200
    game.run->frames(1);
    EXPECT_EQ(game.screen(195, 195), 0xF800);
    EXPECT_EQ(game.screen(195, 205), 0x0000);
    game.call("VIEW", "SCROLLUP", {"70"});

    // MOVE takes the viewport and the graphics together: the picture moves as it is.
    game.call("VIEW", "MOVE", {"0", "0"});
    game.call("VIEW", "MOVE", {"-100", "0"});
    game.run->frames(1);
    EXPECT_EQ(game.view()->getViewport(), CXRect(0, 100, 100, 200));
    EXPECT_EQ(game.screen(95, 130), 0xF800); // red now 80..119, clipped as before at 100
    EXPECT_EQ(game.screen(105, 130), 0x0000);

    // A wider viewport shows more; REMOVE gives red its whole picture back.
    game.call("VIEW", "SETVIEWPORT", {"0", "0", "800", "600"});
    game.run->frames(1);
    EXPECT_EQ(game.screen(105, 130), 0xF800);
    game.call("VIEW", "SETVIEWPORT", {"0", "0", "90", "600"});
    game.call("VIEW", "REMOVE", {"RED"});
    game.run->frames(1);
    EXPECT_EQ(game.screen(105, 130), 0xF800);
    EXPECT_EQ(game.view()->getList()->graphics().size(), 1u);

    game.call("VIEW", "MOVEVIEWPORT", {"0", "1000"});
    EXPECT_EQ(game.call("BLUE", "ISVISIBLE"), "FALSE");
}

TEST(ScriptScroll, ADeletedImageLeavesTheListAndTheCacheKeepsTheViewport) {
    ScrollGame game;
    game.call("VIEW", "ADD", {"BLUE"});
    game.call("VIEW", "ADD", {"RED"});
    delete game.find<CMC_Image>("BLUE");
    EXPECT_EQ(game.view()->getList()->graphics().size(), 1u);
    game.call("VIEW", "SCROLLUP", {"5"});
    game.call("VIEW", "INVALIDATE");
    game.call("VIEW", "SETVIEWPORT", {"10", "20", "30", "40"});
    game.run->frames(1);

    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    ASSERT_TRUE(game.view());
    EXPECT_EQ(game.view()->getViewport(), CXRect(10, 20, 30, 40));
    EXPECT_TRUE(game.view()->getList()->graphics().empty());
}

} // namespace KavirelTest
