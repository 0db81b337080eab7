#include "objects/MediaFixtures.h"

#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"
#include "objects/Image.h"
#include "platform/Display.h"
#include "script/Array.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"RED.IMG", solidPicture(20, 10, 0xF800, 100, 50, 255)},
    {"BLUE.IMG", solidPicture(40, 40, 0x001F, 0, 0)},
    {"CLEAR.IMG", solidPicture(30, 30, 0x07E0, 0, 0, 0)},
    {"SMALL.IMG", solidPicture(2, 2, 0xFFFF, 0, 0)},
    {"BLACK.IMG", solidPicture(200, 200, 0x0000, 0, 0)},
    {"GREEN.IMG", solidPicture(40, 40, 0x07E0, 0, 0)},
};

std::string image(const char* name, const char* file, const Properties& extra = {}) {
    Properties p = {{"TYPE", "IMAGE"}, {"FILENAME", file}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

uint16_t screenPixel(MediaGame& game, int x, int y) {
    CDisplay* display = game.run->display();
    return display
        ->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + static_cast<size_t>(x)];
}

std::string arrayText(MediaGame& game, const char* name) {
    auto* array = static_cast<CMC_Array*>(game.run->find(name));
    std::string out;
    for (int i = 0; array && i < array->getSize(); ++i) out += text(array->get(i)) + ";";
    return out;
}

// A change handler that deletes the object it was bound to, counting its runs.
class Deleter : public CMC_Behaviour {
public:
    Deleter(CMC_ObjectsContainer* scene, CMC_Object* doomed, int* runs)
        : CMC_Behaviour(scene, doomed->getName() + "_H", CXString("")), m_doomed(doomed), m_runs(runs) {}
    bool run(CMC_Object*, CXArray*, bool) override {
        ++*m_runs;
        CMC_Behaviour::removeAndDelete(m_doomed);
        return false;
    }

private:
    CMC_Object* m_doomed;
    int* m_runs;
};

} // namespace

TEST(ScriptImage, MethodsAnswerWithTheValuesGamesRelyOn) {
    MediaGame game(image("RED", "RED.IMG") + image("CLEAR", "CLEAR.IMG") +
                       object("ARR", {{"TYPE", "ARRAY"}}) + object("NOTARRAY", {{"TYPE", "INTEGER"}}),
                   false, kFiles);
    EXPECT_EQ(game.call("RED", "GETCENTERX"), "60"); // (100 + 20) / 2
    EXPECT_EQ(game.call("RED", "GETCENTERY"), "30"); // (50 + 10) / 2
    EXPECT_EQ(game.call("RED", "GETALPHA", {"100", "50"}), "-1");
    EXPECT_EQ(game.call("RED", "GETALPHA", {"120", "50"}), "0");
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"119", "59"}), "-2048");
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"99", "59"}), "0");
    game.call("RED", "SETOPACITY", {"300"});
    EXPECT_EQ(game.call("RED", "GETOPACITY"), "44");
    EXPECT_EQ(game.call("RED", "ISNEAR", {"NOBODY", "5"}), "FALSE");
    EXPECT_EQ(game.call("RED", "ISNEAR", {"100", "50", "110", "60", "50"}), "TRUE");
    EXPECT_EQ(game.call("RED", "ISNEAR", {"100", "50", "110", "60", "51"}), "FALSE");
    EXPECT_EQ(game.call("RED", "ISAT", {"105", "55", "TRUE"}), "TRUE");
    EXPECT_EQ(game.call("CLEAR", "ISAT", {"5", "5", "TRUE"}), "FALSE");
    EXPECT_EQ(game.call("RED", "GETCOLORRAT", {"100", "50"}), "0");

    game.call("RED", "SETANCHOR", {"RIGHTLOWER"});
    EXPECT_EQ(game.find<CMC_Image>("RED")->getImage()->getAnchor().x, 120);
    game.call("RED", "SETANCHOR", {"NOWHERE"});
    EXPECT_EQ(game.find<CMC_Image>("RED")->getImage()->getAnchor().y, 0);

    // REPLACECOLOR packs both colours to the 5-6-5 screen.
    game.call("RED", "REPLACECOLOR", {"255", "0", "0", "0", "0", "255"});
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"100", "50"}), "31");

    // The arrays: four zeros, the slide's two components; a missing or other object takes nothing.
    game.call("RED", "GETCOLORAT", {"0", "0", "ARR"});
    game.call("CLEAR", "GETSLIDECOMPS", {"12", "0", "5", "5", "ARR"});
    game.call("CLEAR", "GETSLIDECOMPS", {"12", "0", "5", "5", "NOTARRAY"});
    game.call("RED", "GETCOLORAT", {"0", "0", "MISSING"});
    EXPECT_EQ(arrayText(game, "ARR").substr(0, 8), "0;0;0;0;");
    auto* array = static_cast<CMC_Array*>(game.run->find("ARR"));
    ASSERT_EQ(array->getSize(), 6);
    EXPECT_NEAR(static_cast<CMC_Double*>(array->get(4))->getValue(), 7.336545, 5e-6);
    EXPECT_NEAR(static_cast<CMC_Double*>(array->get(5))->getValue(), -6.795225, 5e-6);

    // Button mode and cursor follow SETASBUTTON's two arguments.
    auto* red = game.find<CMC_Image>("RED");
    game.call("RED", "SETASBUTTON", {"FALSE", "TRUE"});
    EXPECT_FALSE(red->isButton());
    game.call("RED", "SETASBUTTON", {"TRUE", "FALSE"});
    EXPECT_TRUE(red->isButton() && !red->hasActiveCursor());

    game.call("RED", "SETPOSITION", {"3", "4"});
    game.call("RED", "MOVE", {"1", "1"});
    EXPECT_EQ(game.call("RED", "GETPOSITIONX") + "," + game.call("RED", "GETPOSITIONY"), "4,5");
    game.call("RED", "RESETPOSITION");
    EXPECT_EQ(game.call("RED", "GETPOSITIONX"), "100");
}

TEST(ScriptImage, TheScreenListKeepsTheDefinitionsPriorityAndClonesTakeTheirSourcesPlace) {
    MediaGame game(image("ON", "RED.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "3"}, {"VISIBLE", "TRUE"}}) +
                       image("OFF", "BLUE.IMG"),
                   true, kFiles);
    EXPECT_EQ(game.call("ON", "GETPRIORITY"), "3");
    game.call("ON", "SETPRIORITY", {"5"});
    EXPECT_EQ(game.call("ON", "GETPRIORITY"), "5");
    EXPECT_EQ(game.find<CMC_Image>("ON")->getPriority(), 3);
    game.call("ON", "CLONE");
    game.call("OFF", "CLONE");
    EXPECT_EQ(game.call("ON_1", "GETPRIORITY"), "5");
    EXPECT_EQ(game.call("OFF_1", "GETPRIORITY"), "-1");

    // LOAD keeps the place on the screen for the new picture.
    game.call("ON", "LOAD", {"SMALL.IMG"});
    EXPECT_EQ(game.call("ON", "GETPRIORITY"), "5");
    EXPECT_EQ(game.call("ON", "GETWIDTH"), "2");
}

TEST(ScriptImage, ArraysDeletedByTheirHandlersAndDrawingsInACycleStopSafely) {
    Properties sending = {{"TYPE", "ARRAY"}, {"SENDONCHANGE", "TRUE"}};
    MediaGame game(
        image("A", "BLUE.IMG", {{"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}}) +
            image("B", "CLEAR.IMG", {{"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}, {"PRIORITY", "1"}}) +
            image("C", "SMALL.IMG") + object("ARR1", sending) + object("ARR2", sending) +
            object("COUNT", {{"TYPE", "BEHAVIOUR"}, {"CODE", logged("n.")}}),
        true, kFiles);
    // GETCOLORAT and GETSLIDECOMPS stop once the array's change handler deleted it (ASan sees any more).
    int runs = 0;
    CMC_ObjectsContainer* scene = game.run->scene();
    for (const char* name : {"ARR1", "ARR2"}) {
        CMC_Object* doomed = game.run->find(name);
        auto* deleter = new Deleter(scene, doomed, &runs);
        scene->addObject(deleter);
        doomed->addBehaviour(CXString("ONCHANGED"), deleter, nullptr, scene);
    }
    // GETCOLORAT's coordinates are read (each runs COUNT) though they are not used.
    CMC_Expression x(scene, CXString("COUNT^RUN()")), y(scene, CXString("COUNT^RUN()"));
    CMC_String arrayName(CXString("arg"), CXString("ARR1"));
    CXVector args(101, 0.75f);
    for (CMC_Variable* arg : std::initializer_list<CMC_Variable*>{&x, &y, &arrayName}) args.add(arg);
    CMC_Object::flush(CMC_RunnerFactory::getRunner(TYPE_IMAGE)
                          ->run(CXString("GETCOLORAT"), game.run->find("A"), scene, &args));
    args.removeAll();
    game.call("B", "GETSLIDECOMPS", {"12", "0", "5", "5", "ARR2"});
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(game.run->find("ARR1"), nullptr);
    EXPECT_EQ(game.log(), "n.n.");

    // A picture is never drawn onto itself, nor onto one drawn onto it (they would invalidate each other
    // without end), directly or through another.
    CImage* a = game.find<CMC_Image>("A")->getImage();
    game.call("A", "DRAWONTO", {"A"});
    game.call("A", "DRAWONTO", {"B"});
    game.call("B", "DRAWONTO", {"A"});
    game.call("B", "DRAWONTO", {"C"});
    game.call("C", "DRAWONTO", {"A"});
    EXPECT_EQ(a->getChildren(), nullptr);
    EXPECT_EQ(game.find<CMC_Image>("B")->getImage()->getChildren()->getSize(), 1); // A
    EXPECT_EQ(game.find<CMC_Image>("C")->getImage()->getChildren()->getSize(), 1); // B
    game.call("A", "MOVE", {"1", "1"});
    game.run->frames(1);
    EXPECT_EQ(game.call("A", "GETPOSITIONX"), "1");
}

TEST(ScriptImage, OpacityBlendsOnTheScreenAndDeferredPicturesAreReadWhenShown) {
    MediaGame game(
        image("BLACK", "BLACK.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "0"}, {"VISIBLE", "TRUE"}}) +
            image("BLUE", "BLUE.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "1"}, {"VISIBLE", "TRUE"}}) +
            image("RED", "RED.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "2"}, {"VISIBLE", "TRUE"}}) +
            image("LATER", "SMALL.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "3"}, {"PRELOAD", "FALSE"}}),
        true, kFiles);
    game.call("BLUE", "SETPOSITION", {"100", "40"});
    game.call("RED", "SETOPACITY", {"128"});
    game.run->frames(2);
    EXPECT_EQ(screenPixel(game, 118, 58), 0x780F); // over blue
    game.call("BLUE", "HIDE");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 118, 58), 0x7800); // over black

    EXPECT_EQ(game.call("LATER", "GETWIDTH"), "0");
    game.call("LATER", "SHOW");
    EXPECT_EQ(game.call("LATER", "GETWIDTH"), "2");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 1, 1), 0xFFFF);
}

TEST(ScriptImage, AtFifteenBitsPicturesBlendAndReplaceColoursInFiveFiveFive) {
    MediaGame game(
        image("BLACK", "BLACK.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "0"}, {"VISIBLE", "TRUE"}}) +
            image("RED", "RED.IMG", {{"TOCANVAS", "TRUE"}, {"PRIORITY", "2"}, {"VISIBLE", "TRUE"}}),
        true, kFiles, 15);
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"100", "50"}), "31744"); // 0x7C00, read at the screen's depth
    game.call("RED", "SETOPACITY", {"128"});
    game.run->frames(2);
    EXPECT_EQ(screenPixel(game, 110, 55), 0x3C00);
    game.call("RED", "REPLACECOLOR", {"255", "0", "0", "0", "0", "255"});
    EXPECT_EQ(game.call("RED", "GETPIXEL", {"100", "50"}), "31");
}

TEST(ScriptImage, LinkSharesTheNamedPictureOnlyAtItsSizeAndOutlivesItsRelease) {
    auto files = kFiles;
    files.push_back({"YELLOW.IMG", solidPicture(40, 40, 0xFFE0)});
    MediaGame game(image("G", "GREEN.IMG") + image("B", "BLUE.IMG") + image("S", "SMALL.IMG") +
                       image("LATER", "YELLOW.IMG", {{"PRELOAD", "FALSE"}}) +
                       object("N", {{"TYPE", "INTEGER"}}),
                   false, files);
    game.call("B", "LINK", {"G"});
    EXPECT_EQ(game.call("B", "GETPIXEL", {"0", "0"}), "2016");
    game.call("S", "LINK", {"G"}); // 2 x 2 against 40 x 40: nothing shared
    game.call("S", "LINK", {"NOBODY"});
    EXPECT_EQ(game.call("S", "GETPIXEL", {"0", "0"}), "-1");
    // G's picture leaves the cache with its last use; B keeps showing the pixels it shares.
    game.call("G", "LOAD", {"SMALL.IMG"});
    EXPECT_EQ(game.call("B", "GETPIXEL", {"39", "39"}), "2016");
    EXPECT_EQ(game.call("B", "GETWIDTH"), "40");

    // A deferred picture is read before the sizes are compared; an object of another type is named.
    CLogCapture log;
    game.call("B", "LINK", {"LATER"});
    EXPECT_EQ(game.call("B", "GETPIXEL", {"0", "0"}), "-32");
    game.call("B", "LINK", {"N"});
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"IMAGE B: LINK to N, which is no IMAGE; nothing is shared"}));
}

TEST(ScriptImage, ACachedSceneReadBackPutsExactlyTheListedImagesBackAtTheirPriority) {
    MediaGame game(
        image("ON", "RED.IMG",
              {{"TOCANVAS", "TRUE"},
               {"PRIORITY", "3"},
               {"VISIBLE", "TRUE"},
               {"ASBUTTON", "TRUE"},
               {"ONCLICK", logged("c.")}}) +
            image("OFF", "BLUE.IMG", {{"PRELOAD", "FALSE"}, {"MONITORCOLLISION", "TRUE"}}) +
            image("LATER", "SMALL.IMG",
                  {{"TOCANVAS", "TRUE"}, {"PRIORITY", "4"}, {"PRELOAD", "FALSE"}, {"VISIBLE", "TRUE"}}),
        true, kFiles);
    game.call("ON", "SETPRIORITY", {"5"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* on = game.find<CMC_Image>("ON");
    auto* off = game.find<CMC_Image>("OFF");
    ASSERT_TRUE(on && off);
    EXPECT_EQ(game.call("ON", "GETPRIORITY"), "3");
    EXPECT_EQ(game.call("OFF", "GETPRIORITY"), "-1");
    EXPECT_TRUE(on->isButton() && on->getImage()->isVisible());
    EXPECT_TRUE(off->getMonitorCollision());
    EXPECT_EQ(game.call("OFF", "GETWIDTH"), "0"); // still deferred
    // A deferred picture that is visible is read, as the definition did.
    EXPECT_EQ(game.call("LATER", "GETWIDTH"), "2");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 1, 1), 0xFFFF);
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "c.");
}

} // namespace KavirelTest
