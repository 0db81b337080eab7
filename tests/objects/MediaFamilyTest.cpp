#include "objects/MediaFixtures.h"

#include "display/MouseListener.h"
#include "display/ResourcesManager.h"
#include "media/controls/Unit6.h"
#include "objects/Image.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

class Below : public CMouseListener {
public:
    bool onClick(int button, CXPoint) override {
        clicks.push_back(button);
        return true;
    }
    bool onRelease(int button, CXPoint) override {
        releases.push_back(button);
        return true;
    }
    std::vector<int> clicks;
    std::vector<int> releases;
};

// Button images over (100, 50)-(120, 60).
std::string button(const char* name, const Properties& events, const char* priority = "5",
                   const char* file = "A.IMG") {
    Properties p = {{"TYPE", "IMAGE"},
                    {"FILENAME", file},
                    {"VISIBLE", "TRUE"},
                    {"ASBUTTON", "TRUE"},
                    {"PRIORITY", priority}};
    p.insert(p.end(), events.begin(), events.end());
    return object(name, p);
}

const std::vector<std::pair<std::string, std::string>> kPicture = {
    {"A.IMG", solidPicture(20, 10, 0xF800, 100, 50)},
    {"B.IMG", solidPicture(4, 4, 0x001F)},
    {"A2.IMG", solidPicture(20, 10, 0xF800, 100, 50)}};

} // namespace

TEST(MediaFamily, ClicksRaiseTheDetailedNameFirstAndAreConsumedInsideReleasesAndMovesNever) {
    MediaGame game(button("RONLY", {{"ONCLICK^RIGHT", logged("r.")}}) +
                       button("BOTH",
                              {{"ONCLICK^LEFT", logged("L.")},
                               {"ONCLICK", logged("C.")},
                               {"ONRELEASE", logged("U.")},
                               {"ONFOCUSON", logged("in.")},
                               {"ONFOCUSOFF", logged("out.")}},
                              "3"),
                   false, kPicture);
    Below below;
    game.run->window()->registerMouseListener(&below, -100);
    auto* only = game.find<CMC_Image>("RONLY");
    auto* both = game.find<CMC_Image>("BOTH");
    ASSERT_TRUE(only && both);
    EXPECT_TRUE(only->isListening() && both->isListening());

    // RONLY (priority 5) hears first: its right click runs, a left click runs nothing but is taken.
    game.press(1, 105, 55);
    EXPECT_EQ(game.log(), "r.U.");
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "U.");
    EXPECT_TRUE(below.clicks.empty());
    EXPECT_EQ(below.releases.size(), 2u);

    // Without RONLY's click handler BOTH gets the clicks: LEFT only runs its own, RIGHT the plain one.
    callMethod(only, "REMOVEBEHAVIOUR", {"ONCLICK^RIGHT"});
    only->setAsButton(false, true);
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "L.U.");
    game.press(1, 105, 55);
    EXPECT_EQ(game.log(), "C.U.");
    game.press(0, 10, 10);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(below.clicks, (std::vector<int>{0}));

    // Moves raise focus once per crossing; hidden or not a button, nothing reacts.
    game.move(110, 55);
    game.move(111, 56);
    game.move(300, 300);
    EXPECT_EQ(game.log(), "in.out.");
    game.call("BOTH", "HIDE");
    game.press(0, 105, 55);
    game.move(110, 55);
    EXPECT_EQ(game.log(), "");
    game.run->window()->removeMouseListener(&below);
}

TEST(MediaFamily, TheListenerIsRegisteredAtTheFirstMouseBehaviourWithThePriorityOfThatMoment) {
    MediaGame game(button("LATE", {{"ONSIGNAL", logged("s.")}}, "1") +
                       button("LOW", {{"ONCLICK", logged("low.")}}, "2") +
                       button("SHOWN", {{"TOCANVAS", "TRUE"}, {"ONSIGNAL", logged("s.")}}, "1", "A2.IMG") +
                       object("SHARER", {{"TYPE", "IMAGE"},
                                         {"FILENAME", "A2.IMG"},
                                         {"PRIORITY", "9"},
                                         {"VISIBLE", "TRUE"},
                                         {"ONCLICK", logged("sharer.")}}),
                   true, kPicture);
    auto* late = game.find<CMC_Image>("LATE");
    auto* shown = game.find<CMC_Image>("SHOWN");
    ASSERT_TRUE(late && shown);
    EXPECT_FALSE(late->isListening() || shown->isListening());
    // Off the screen list, SETPRIORITY has nothing to reorder: LATE listens at PRIORITY (1), below LOW.
    game.call("LATE", "SETPRIORITY", {"7"});
    EXPECT_EQ(game.call("LATE", "GETPRIORITY"), "-1");
    callMethod(late, "ADDBEHAVIOUR", {"ONCLICK", "__NONE__"});
    EXPECT_TRUE(late->isListening());
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "low.");

    // SHOWN, listed and raised to 7 before its first mouse behaviour, listens at 7 above LOW, and keeps
    // listening there when its draw priority falls again.
    game.call("SHOWN", "SETPRIORITY", {"7"});
    callMethod(shown, "ADDBEHAVIOUR", {"ONCLICK", "__NONE__"});
    game.call("SHOWN", "SETPRIORITY", {"0"});
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(shown->getPriority(), 1);

    // SHARER shows SHOWN's cached picture, which SHOWN listed at 1: it listens at its own PRIORITY (9).
    game.call("SHARER", "SETASBUTTON", {"TRUE", "TRUE"});
    game.press(0, 105, 55);
    EXPECT_EQ(game.log(), "sharer.");
}

TEST(MediaFamily, ImagesOfOneFileShareOneCachedPictureAndGiveBackExactlyTheUsesTheyTook) {
    MediaGame game(object("P", {{"TYPE", "IMAGE"}, {"FILENAME", "A.IMG"}, {"VISIBLE", "TRUE"}}) +
                       object("Q", {{"TYPE", "IMAGE"}, {"FILENAME", "a.img"}}),
                   false, kPicture);
    auto* p = game.find<CMC_Image>("P");
    auto* q = game.find<CMC_Image>("Q");
    ASSERT_TRUE(p && q && p->getImage());
    EXPECT_EQ(p->getImage(), q->getImage());
    CResourcesManager* cache = CMC_Scene::getDefUnit()->getResourcesManager();
    int entries = cache->getSize();

    // Two clones count two uses for P; Q's reload gives back its one.
    game.call("P", "CLONE", {"2"});
    EXPECT_EQ(p->getCacheUses(), 3);
    auto* clone = game.find<CMC_Image>("P_1");
    ASSERT_TRUE(clone && clone->getImage());
    EXPECT_NE(clone->getImage(), p->getImage());
    game.call("Q", "LOAD", {"B.IMG"});
    game.call("Q", "LOAD", {"B.IMG"});
    EXPECT_EQ(q->getCacheUses(), 1);
    EXPECT_EQ(cache->getSize(), entries + 1);

    // P's reload gives back its three uses: the picture is freed, its clones keep their shared pixels.
    CFileResolver* shown = p->getResource();
    game.call("P", "LOAD", {"B.IMG"});
    EXPECT_EQ(p->getImage(), q->getImage());
    EXPECT_FALSE(cache->contains(shown));
    EXPECT_EQ(cache->getSize(), entries); // B.IMG in, A.IMG out
    EXPECT_EQ(static_cast<uint16_t>(clone->GetPixel(0, 0).GetInBPP(16)), 0xF800);
    game.call("P", "RESETCLONES");
    EXPECT_EQ(game.call("Q", "GETWIDTH"), "4");

    // done gives back P's use; Q still shows the picture.
    p->done(false);
    EXPECT_EQ(p->getImage(), nullptr);
    EXPECT_EQ(p->getCacheUses(), 0);
    EXPECT_EQ(game.call("Q", "GETWIDTH"), "4");
}

TEST(MediaFamily, SharersMonitorACachedGraphicEachForItselfAndMonitoringAgainAddsNothing) {
    auto monitoring = [](const char* file, const char* log) {
        return Properties{{"TYPE", "IMAGE"},
                          {"FILENAME", file},
                          {"MONITORCOLLISION", "TRUE"},
                          {"ONCOLLISION^W", logged(log)}};
    };
    MediaGame game(object("P", monitoring("A.IMG", "p.")) +
                       object("Q", {{"TYPE", "IMAGE"}, {"FILENAME", "A.IMG"}}) +
                       object("R", monitoring("A.IMG", "r.")) + object("W", monitoring("C.IMG", "w.")),
                   false,
                   {{"A.IMG", solidPicture(20, 10, 0xF800, 100, 50)},
                    {"B.IMG", solidPicture(4, 4, 0x001F)},
                    {"C.IMG", solidPicture(4, 4, 0x001F, 90, 40)}});
    CMC_Scene* scene = game.run->scene();
    CGraphicsObject* shared = game.find<CMC_Image>("P")->getGraphic();
    EXPECT_EQ(scene->getMonitoredCount(), 2); // the shared picture once, and W's
    for (int i = 0; i < 3; ++i) game.call("P", "MONITORCOLLISION", {"FALSE"});
    EXPECT_EQ(scene->getMonitoredCount(), 2);
    // A sharer that never monitored reloads, then a monitoring one is deleted: the other still hears.
    game.call("Q", "LOAD", {"B.IMG"});
    auto touch = [&game](const char* mover) {
        game.call(mover, "MOVE", {"-8", "-8"});
        game.run->frames(1);
        game.call(mover, "MOVE", {"8", "8"});
        game.run->frames(1);
        return game.log();
    };
    EXPECT_EQ(touch("R"), "p.r.");
    delete game.find<CMC_Image>("P");
    EXPECT_EQ(touch("R"), "r.");
    // With its last monitor gone the picture leaves the scene's list and stops reporting its moves.
    game.call("R", "REMOVEMONITORCOLLISION");
    EXPECT_EQ(scene->getMonitoredCount(), 1);
    EXPECT_FALSE(shared->getMonitorCollisionsFlag());
    EXPECT_EQ(touch("R"), "");
}

TEST(MediaFamily, ADeletedImageLeavesTheWindowListenersAndTheCollisionInspector) {
    MediaGame game(
        object("GONE", {{"TYPE", "IMAGE"},
                        {"FILENAME", "C.IMG"},
                        {"VISIBLE", "TRUE"},
                        {"ASBUTTON", "TRUE"},
                        {"MONITORCOLLISION", "TRUE"},
                        {"ONCLICK", logged("c.")},
                        {"ONCOLLISION", logged("x.")}}) +
            object("OTHER", {{"TYPE", "IMAGE"},
                             {"FILENAME", "A.IMG"},
                             {"MONITORCOLLISION", "TRUE"},
                             {"ONCOLLISION^GONE", logged("o.")}}),
        false,
        {{"A.IMG", solidPicture(20, 10, 0xF800, 100, 50)}, {"C.IMG", solidPicture(4, 4, 0x001F, 90, 40)}});
    game.call("GONE", "MOVE", {"12", "12"});
    game.run->frames(1);
    EXPECT_EQ(game.log(), "x.o.");
    game.call("GONE", "MOVE", {"-12", "-12"});
    game.run->frames(1);
    delete game.find<CMC_Image>("GONE"); // without done
    game.press(0, 103, 53);
    game.call("OTHER", "MOVE", {"-10", "-10"});
    game.run->frames(2);
    EXPECT_EQ(game.log(), "");
}

} // namespace KavirelTest
