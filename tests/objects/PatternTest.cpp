// Script PATTERN and VIRTUALGRAPHICSOBJECT: cells filled with other objects' graphics, the methods' answers
// at and outside the table, the cache record, and a source shown through a mask on the screen.
#include "display/Pattern.h"
#include "display/Collisions.h"
#include "display/RefreshScreen.h"
#include "display/VirtualGraphicsObject.h"
#include "media/anim/Animo.h"
#include "objects/Image.h"
#include "objects/MediaFixtures.h"
#include "objects/Pattern.h"
#include "objects/VirtualGraphicsObject.h"
#include "platform/Display.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "objects/Animo.h"

namespace KavirelTest {

namespace {

// One event of one 20 x 10 frame at (0, 0) whose left half is opaque.
std::string maskAnimation() {
    CAnimo animation(nullptr);
    CGraphicsObject image(nullptr, CXSize(20, 10), 16);
    auto* plane = new char[200]();
    for (int y = 0; y < 10; ++y) std::fill(plane + y * 20, plane + y * 20 + 10, char(255));
    image.AlphaChannel(plane);
    animation.AddFrame(&image);
    _animoEvent e;
    e.setName("SHOW");
    e.frames = 1;
    animation.AddEvent(e);
    animation.GetEventInfo(0)->images[0] = 0;
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"TILE.IMG", solidPicture(40, 25, 0xF800, 0, 0)},
    {"GRASS.IMG", solidPicture(40, 25, 0x07E0, 0, 0)},
    {"SKY.IMG", solidPicture(100, 80, 0x001F, 0, 0)},
    {"ROUND.IMG", solidPicture(60, 90, 0xFFFF, 0, 0, 255)},
    {"MASK.ANN", maskAnimation()},
    {"BLACK.IMG", solidPicture(400, 400, 0x0000, 0, 0)},
};

std::string image(const char* name, const char* file) {
    return object(name, {{"TYPE", "IMAGE"}, {"FILENAME", file}, {"VISIBLE", "TRUE"}});
}

std::string arrayText(MediaGame& game, const char* name) {
    auto* array = static_cast<CMC_Array*>(game.run->find(name));
    std::string out;
    for (int i = 0; array && i < array->getSize(); ++i) out += text(array->get(i)) + ";";
    game.call(name, "REMOVEALL");
    return out;
}

uint16_t screenPixel(MediaGame& game, int x, int y) {
    CDisplay* display = game.run->display();
    return display->pixels()[size_t(y) * size_t(display->pitch()) + size_t(x)];
}

// GRID's REMOVE with two INTEGER variables.
void removeCell(MediaGame& game, int c, int r) {
    CMC_Integer column(CXString("c"));
    CMC_Integer row(CXString("r"));
    column.setValue(c);
    row.setValue(r);
    CXVector args(101, 0.75f);
    args.add(&column);
    args.add(&row);
    CMC_Object* grid = game.run->find("GRID");
    CMC_Object::flush(CMC_RunnerFactory::getRunner(TYPE_PATTERN)->run(CXString("REMOVE"), grid, grid->getScene(), &args));
    args.removeAll();
}

const std::string kPattern =
    object("GRID", {{"TYPE", "PATTERN"}, {"WIDTH", "200"}, {"HEIGHT", "100"}, {"GRIDX", "40"}, {"GRIDY", "25"},
                    {"LAYERS", "2"}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"}, {"PRIORITY", "6"},
                    {"ONCLICK", logged("click.")}}) +
    object("ZERO", {{"TYPE", "PATTERN"}, {"WIDTH", "10"}, {"HEIGHT", "10"}, {"GRIDX", "0"}, {"LAYERS", "0"}}) +
    object("OUT", {{"TYPE", "ARRAY"}}) + image("TILE", "TILE.IMG") + image("GRASS", "GRASS.IMG") +
    object("BLACK", {{"TYPE", "IMAGE"}, {"FILENAME", "BLACK.IMG"}, {"VISIBLE", "TRUE"}, {"TOCANVAS", "TRUE"}});

} // namespace

TEST(ScriptPattern, CellsAnswerInsideAndOutsideTheTable) {
    MediaGame game(kPattern, true, kFiles);
    auto* grid = game.find<CMC_Pattern>("GRID");
    ASSERT_NE(grid->getPattern(), nullptr);
    EXPECT_EQ(grid->getPattern()->getColumns(), 5);
    EXPECT_EQ(grid->getPattern()->getRows(), 4);
    EXPECT_EQ(game.find<CMC_Pattern>("ZERO")->getPattern()->getColumns(), 10);
    EXPECT_EQ(game.find<CMC_Pattern>("ZERO")->getPattern()->getLayers(), 1);

    game.call("GRID", "SETPOSITION", {"100", "200"});
    game.call("GRID", "ADD", {"12", "1", "2", "TILE", "0"});
    game.call("GRID", "ADD", {"a", "12", "0", "GRASS", "0"}); // outside: nothing
    game.call("GRID", "ADD", {"g", "3", "0", "GRASS", "0", "1"});
    game.call("GRID", "ADD", {"x", "0", "0", "NOSUCH", "0"});
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "2"}), "12");
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"3", "0", "1"}), "g");
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"0", "0"}), "NULL");
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"9", "-1", "7"}), "NULL");
    EXPECT_EQ(game.call("GRID", "GETGRAPHICSAT", {"150", "260", "FALSE", "TRUE"}), "TILE");
    EXPECT_EQ(game.call("GRID", "GETALIASAT", {"150", "260", "FALSE", "TRUE"}), "12");
    EXPECT_EQ(game.call("GRID", "GETGRAPHICSAT", {"105", "205", "FALSE", "TRUE", "-1", "0"}), "NULL");
    EXPECT_EQ(game.call("TILE", "GETPOSITIONX"), "0"); // the lookup put it back

    game.call("GRID", "GETINFOAT", {"150", "260", "FALSE", "TRUE", "OUT"});
    EXPECT_EQ(arrayText(game, "OUT"), "12;1;2;40;25;160;262;");
    game.call("GRID", "GETALIASINFO", {"g", "OUT"});
    EXPECT_EQ(arrayText(game, "OUT"), "g;3;0;40;25;240;212;");
    game.call("GRID", "GETALIASINFO", {"none", "OUT"});
    EXPECT_EQ(arrayText(game, "OUT"), "");
    EXPECT_EQ(game.call("GRID", "GETCELLCORD", {"300", "300", "OUT"}), "TRUE"); // far edges count
    EXPECT_EQ(arrayText(game, "OUT"), "5;4;");
    EXPECT_EQ(game.call("GRID", "GETCELLCORD", {"20", "210", "OUT"}), "FALSE");
    EXPECT_EQ(arrayText(game, "OUT"), "-2;0;");
    game.call("GRID", "SETGRID", {"0", "-5"}); // acts as 1 x 1
    EXPECT_EQ(game.call("GRID", "GETCELLCORD", {"103", "204", "OUT"}), "TRUE");
    EXPECT_EQ(arrayText(game, "OUT"), "3;4;");
    game.call("GRID", "SETGRID", {"40", "25"});

    // The integer 12 is a column (outside: nothing); the text "12" an alias.
    game.call("GRID", "REMOVE", {"g"});
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"3", "0", "1"}), "NULL");
    game.call("GRID", "REMOVE", {"12"}); // text
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "2"}), "NULL");
    game.call("GRID", "ADD", {"t", "1", "2", "TILE", "0"});
    removeCell(game, 12, 2);
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "2"}), "t");
    removeCell(game, 1, 2);
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "2"}), "NULL");
}

TEST(ScriptPattern, DrawsItsCellsClicksAndForgetsADeletedImage) {
    MediaGame game(kPattern, true, kFiles);
    game.call("GRID", "SETPOSITION", {"100", "200"});
    game.call("GRID", "ADD", {"t", "1", "1", "TILE", "0"});
    game.call("GRID", "ADD", {"t2", "2", "1", "TILE", "0"});
    game.call("GRID", "ADD", {"g", "2", "1", "GRASS", "0", "1"});
    game.run->frames(2);
    EXPECT_EQ(screenPixel(game, 145, 230), 0xF800);
    EXPECT_EQ(screenPixel(game, 185, 230), 0x07E0); // layer 1 over layer 0
    game.call("GRID", "MOVE", {"10", "0"});
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 145, 230), 0x0000);
    EXPECT_EQ(screenPixel(game, 155, 230), 0xF800);
    game.press(0, 160, 230);
    EXPECT_EQ(game.log(), "click.");

    // The image goes: every cell holding it empties, and drawing goes on (ASan).
    CMC_Behaviour::removeAndDelete(game.run->find("TILE"));
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "1"}), "NULL");
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"2", "1"}), "NULL");
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"2", "1", "1"}), "g");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 155, 230), 0x0000);
}

TEST(ScriptPattern, CellsChangedDuringPlayReachTheScreen) {
    MediaGame game(kPattern, true, kFiles);
    game.call("GRID", "SETPOSITION", {"100", "200"});
    game.run->frames(3);
    EXPECT_EQ(screenPixel(game, 145, 230), 0x0000);
    game.call("GRID", "ADD", {"t", "1", "1", "TILE", "0"});
    game.run->frames(3);
    EXPECT_EQ(screenPixel(game, 145, 230), 0xF800);
    game.call("GRID", "REMOVE", {"t"});
    game.run->frames(3);
    EXPECT_EQ(screenPixel(game, 145, 230), 0x0000);
}

TEST(ScriptPattern, TheRecordRoundTripsThroughACache) {
    MediaGame game(kPattern, true, kFiles);
    game.call("GRID", "SETPOSITION", {"100", "200"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* grid = game.find<CMC_Pattern>("GRID");
    ASSERT_TRUE(grid && grid->getPattern());
    CPattern* pattern = grid->getPattern();
    EXPECT_EQ(pattern->getColumns(), 5);
    EXPECT_EQ(pattern->getRows(), 4);
    EXPECT_EQ(pattern->getLayers(), 2);
    EXPECT_TRUE(pattern->isVisible());
    EXPECT_EQ(game.run->window()->GetRefreshScreenInterface()->GetPriority(pattern), 6);
    auto* zero = game.find<CMC_Pattern>("ZERO");
    EXPECT_EQ(game.run->window()->GetRefreshScreenInterface()->GetPriority(zero->getPattern()), -1);
    EXPECT_EQ(zero->getPattern()->getColumns(), 10);
    // Cells are not stored; the table works.
    game.call("GRID", "ADD", {"t", "1", "1", "TILE", "0"});
    EXPECT_EQ(game.call("GRID", "GETALIASATCELL", {"1", "1"}), "t");
    game.press(0, 60, 40);
    EXPECT_EQ(game.log(), "click.");
}

TEST(ScriptVirtualGraphics, ShowsTheSourceThroughTheMaskAndClonesKeepThePriority) {
    MediaGame game(object("SPOT", {{"TYPE", "VIRTUALGRAPHICSOBJECT"}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "FALSE"},
                                   {"PRIORITY", "7"}, {"SOURCE", "SKY"}, {"MASK", "ROUND"}}) +
                       image("SKY", "SKY.IMG") + image("ROUND", "ROUND.IMG") +
                       object("ANIM", {{"TYPE", "ANIMO"}, {"FILENAME", "MASK.ANN"}}) +
                       object("OTHER", {{"TYPE", "VIRTUALGRAPHICSOBJECT"}}),
                   true, kFiles);
    auto* spot = game.find<CMC_VirtualGraphicsObject>("SPOT");
    CVirtualGraphicsObject* g = spot->getVirtualGraphicsObject();
    CRefreshScreen* screen = game.run->window()->GetRefreshScreenInterface();
    EXPECT_EQ(screen->GetPriority(g), 7);
    EXPECT_FALSE(g->isVisible());
    EXPECT_EQ(g->getSource(), nullptr); // the names are kept, not used
    EXPECT_EQ(spot->getSourceName(), CXString("SKY"));
    EXPECT_EQ(game.call("SPOT", "GETWIDTH"), "0");

    game.call("SPOT", "SETSOURCE", {"SKY"});
    game.call("SPOT", "SETMASK", {"ROUND"});
    game.call("SPOT", "SETSOURCE", {"NOSUCH"});
    EXPECT_EQ(game.call("SPOT", "GETWIDTH"), "60");
    EXPECT_EQ(game.call("SPOT", "GETHEIGHT"), "80");
    game.call("SPOT", "SETPOSITION", {"300", "100"});
    game.call("SPOT", "SHOW");
    EXPECT_EQ(game.call("SPOT", "ISVISIBLE"), "TRUE");
    game.run->frames(2);
    EXPECT_EQ(screenPixel(game, 310, 110), 0x001F);
    EXPECT_EQ(game.call("SPOT", "ISINSIDE", {"310", "110", "TRUE"}), "TRUE");

    // Loops are refused; SETASBUTTON always sets button mode.
    game.call("OTHER", "SETSOURCE", {"SPOT"});
    game.call("SPOT", "SETMASK", {"OTHER"});
    EXPECT_EQ(g->getMaskOwner(), game.find<CMC_Image>("ROUND")->getGraphic());
    game.call("SPOT", "SETASBUTTON", {"FALSE", "FALSE"});
    EXPECT_TRUE(spot->isButton());
    EXPECT_FALSE(spot->hasActiveCursor());

    game.call("SPOT", "SETCLIPPING", {"0", "0", "5", "5"});
    game.call("SPOT", "SETCLIPPING", {"NOSUCH"});
    EXPECT_TRUE(g->GetClippingRect().IsEmpty());

    // A clone is at the source's priority and shares source and mask; the clone going leaves them.
    game.call("SPOT", "SETPRIORITY", {"9"});
    EXPECT_EQ(spot->getPriority(), 7);
    game.call("SPOT", "CLONE");
    auto* clone = game.find<CMC_VirtualGraphicsObject>("SPOT_1");
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(screen->GetPriority(clone->getVirtualGraphicsObject()), 9);
    EXPECT_EQ(clone->getVirtualGraphicsObject()->getSource(), g->getSource());
    CMC_Behaviour::removeAndDelete(clone);
    EXPECT_EQ(game.call("SKY", "GETWIDTH"), "100");

    // An ANIMO's current frame is the mask; deleting the ANIMO drops the frame, which the object forgets (ASan).
    game.call("SPOT", "SETMASK", {"ANIM"});
    CAnimo* animation = game.find<CMC_Animo>("ANIM")->getAnimo();
    EXPECT_EQ(g->getMaskOwner(), animation);
    EXPECT_EQ(game.call("SPOT", "GETWIDTH"), "20");
    EXPECT_EQ(game.call("SPOT", "ISINSIDE", {"305", "105", "TRUE"}), "TRUE");
    game.run->frames(1);
    EXPECT_EQ(screenPixel(game, 305, 105), 0x001F);
    game.call("SPOT", "MONITORCOLLISION", {"FALSE"});
    // Monitoring again after it was removed registers the graphic again.
    game.call("SPOT", "REMOVEMONITORCOLLISION");
    game.call("SPOT", "MONITORCOLLISION", {"TRUE"});
    CMonitoredObject* monitored = game.run->window()->getCollisionInspectorInterface()->find(g);
    ASSERT_NE(monitored, nullptr);
    EXPECT_TRUE(monitored->isActive());
    CMC_Behaviour::removeAndDelete(game.run->find("ANIM"));
    EXPECT_EQ(g->getMaskOwner(), nullptr);
    EXPECT_EQ(game.call("SPOT", "GETWIDTH"), "100");
    CMC_Behaviour::removeAndDelete(game.run->find("SKY"));
    EXPECT_EQ(game.call("SPOT", "GETWIDTH"), "0");
    game.run->frames(1);
}

} // namespace KavirelTest
