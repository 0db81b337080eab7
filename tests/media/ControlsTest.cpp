#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Elements.h"
#include "display/WindowFixtures.h"
#include "input/HotSpot.h"
#include "media/AnimoFixtures.h"
#include "media/controls/Button.h"
#include "media/controls/Unit6.h"
#include "media/controls/XDialog.h"
#include "media/sound/Sound4.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "script/ObjectsContainer.h"
#include "script/TypeIds.h"
#include "shell/Application.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

constexpr uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F, kWhite = 0xFFFF, kBlack = 0;

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

class Shell : public CApplication {
public:
    bool domodal() override { return false; }
};

// A headless game window with its input, driven by an injected clock; a scene unit running on it.
struct Game {
    Game()
        : line("-window"), display(createHeadlessDisplay()), input(nullptr, display.get()),
          window(display.get(), &input, &line, nullptr, CXSize(320, 240), 0, "", "", "", false),
          unit(&window, "unit") {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        window.SetApplicationInterface(&shell);
        paintBackground();
    }
    void paintBackground() {
        CColor black(0, 0, 0);
        window.SetBackground(&black);
    }
    ~Game() { unit.done(nullptr, nullptr); }
    // Enters a scene: the unit active, listening and, unless asked otherwise, past its first frame.
    void start(bool updated = true) {
        unit.initialize(nullptr, nullptr);
        // The scene has no background file: the unit took the screen's away.
        paintBackground();
        if (updated) unit.onInitialUpdate();
    }
    // Events injected before are delivered; a second frame shows what they changed.
    void frame(int frames = 2) {
        for (int i = 0; i < frames; ++i) {
            g_nowMs += 20;
            window.Tick();
        }
    }
    void moveTo(int x, int y) {
        input.injectMouseMove(x, y);
        frame();
    }
    void press(int x, int y, bool down) {
        input.injectMouseButton(0, down, x, y);
        frame();
    }
    void click(int x, int y) {
        input.injectMouseButton(0, true, x, y);
        input.injectMouseButton(0, false, x, y);
        frame();
    }
    uint16_t pixel(int x, int y) { return display->presentedPixel(x, y); }
    CRefreshScreen* screen() { return window.GetRefreshScreenInterface(); }
    CGraphicsObject* box(int x, int y, int w, int h, uint16_t colour, int priority = 0) {
        CGraphicsObject* g = solid(w, h, colour, -1, &window);
        g->SetPosition(x, y);
        if (priority >= 0) screen()->put(g, priority);
        return g;
    }

    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CInput input;
    Shell shell;
    CWindow window;
    CUnit6 unit;
};

// A sound that only counts what the button asks of it.
class Chime : public CSound4 {
public:
    explicit Chime(CWindow* window) : CSound4(window) {}
    void Play(bool) override {
        ++plays;
        playing = true;
    }
    void Stop() override {
        ++stops;
        playing = false;
    }
    bool IsPlaying() override { return playing; }
    int plays = 0, stops = 0;
    bool playing = false;
};

// Writes down every notification, and may run something on one of them.
class Listener : public CControlNotifier {
public:
    void onControlOnMove(CControl* c, CXPoint p) override { note("OnMove", c, p); }
    void onControlFocusOn(CControl* c, CXPoint p) override { note("FocusOn", c, p); }
    void onControlFocusOff(CControl* c, CXPoint p) override { note("FocusOff", c, p); }
    void onControlClicked(CControl* c, CXPoint p) override { note("Clicked", c, p); }
    void onControlReleased(CControl* c, CXPoint p) override { note("Released", c, p); }
    void onControlAction(CControl* c, CXPoint p) override { note("Action", c, p); }
    void onControlPopup(CControl* c, CXPoint p) override { note("Popup", c, p); }
    void onStartDragging(CControl* c, CXPoint p) override { note("StartDragging", c, p); }
    void onDragging(CControl* c, CXPoint p) override { note("Dragging", c, p); }
    void onEndDragging(CControl* c, CXPoint p) override { note("EndDragging", c, p); }

    std::vector<std::string> log;
    std::string at; // the notification that runs the action
    std::function<void(CControl*)> action;
    bool withPoints = false;

private:
    void note(const char* what, CControl* c, CXPoint p) {
        log.push_back(withPoints ? std::string(what) + "@" + std::to_string(p.x) + "," + std::to_string(p.y)
                                 : std::string(what));
        if (action && at == what) action(c);
    }
};

using Log = std::vector<std::string>;

class Controls : public testing::Test {
protected:
    void SetUp() override {
        g_nowMs = 1'000'000;
        CPlatformClock::inject(&fakeMicros);
    }
    void TearDown() override { CPlatformClock::inject(nullptr); }
};

} // namespace

// ---------------------------------------------------------------- buttons

// Entering, pressing, releasing and leaving a button of three graphics: the notifications in order, and the
// graphic each frame shows; the hover sound plays on entry and stops on leaving.
TEST_F(Controls, AButtonSwapsItsGraphicsAndTellsItsNotifiersInOrder) {
    Game game;
    game.start();
    CButton button(&game.window, CXRect(20, 20, 60, 60), 5, nullptr);
    button.setUnit(&game.unit);
    Listener heard;
    button.addNotifier(&heard);
    Chime hover(&game.window), clickSound(&game.window);
    button.Set(game.box(20, 20, 40, 40, kRed, -1), nullptr, true, false);
    button.SetOnMove(game.box(20, 20, 40, 40, kGreen, -1), &hover);
    button.SetOnClick(game.box(20, 20, 40, 40, kBlue, -1), &clickSound);
    EXPECT_EQ(button.GetID(), 5);
    game.frame();
    EXPECT_EQ(game.pixel(30, 30), kRed);

    game.moveTo(30, 30);
    EXPECT_EQ(heard.log, (Log{"OnMove", "OnMove", "FocusOn"}));
    EXPECT_EQ(game.pixel(30, 30), kGreen);
    game.moveTo(31, 30);
    EXPECT_EQ(hover.plays, 1);

    heard.log.clear();
    heard.withPoints = true;
    game.press(31, 30, true);
    EXPECT_EQ(heard.log, (Log{"Clicked@31,30"}));
    EXPECT_EQ(game.pixel(30, 30), kBlue);
    EXPECT_TRUE(clickSound.playing);
    EXPECT_TRUE(button.isPressed());
    game.press(32, 33, false);
    EXPECT_EQ(heard.log, (Log{"Clicked@31,30", "Released@32,33", "Action@32,33"}));
    EXPECT_EQ(button.getClick(), CXPoint(32, 33));
    EXPECT_EQ(game.pixel(30, 30), kGreen);

    heard.log.clear();
    // The release took the focus away (the hot spots' rule): the next move inside gives it back.
    game.moveTo(31, 31);
    EXPECT_EQ(heard.log, (Log{"OnMove@31,31", "OnMove@31,31", "FocusOn@31,31"}));
    heard.log.clear();
    game.moveTo(100, 100);
    EXPECT_EQ(heard.log, (Log{"FocusOff@100,100"}));
    EXPECT_EQ(game.pixel(30, 30), kRed);
    EXPECT_EQ(hover.stops, 1);

    // The right press is a popup; sounds stay silent while locked.
    button.LockSound(true);
    game.moveTo(30, 30);
    heard.log.clear();
    game.input.injectMouseButton(1, true, 30, 30);
    game.frame();
    EXPECT_EQ(heard.log, (Log{"Popup@30,30"}));
    EXPECT_EQ(hover.plays, 1);
}

// Disabled, the standard graphic is hidden and presses go past, yet leaving is told; disabled but visible
// the standard stays. A frozen button keeps its on-move graphic when the pointer leaves.
TEST_F(Controls, DisabledAndFrozenButtons) {
    Game game;
    game.start();
    CButton button(&game.window, CXRect(20, 20, 60, 60), 1, nullptr);
    button.setUnit(&game.unit);
    Listener heard;
    button.addNotifier(&heard);
    button.Set(game.box(20, 20, 40, 40, kRed, -1), nullptr, true, false);
    button.SetOnMove(game.box(20, 20, 40, 40, kGreen, -1), nullptr);
    game.moveTo(30, 30);
    button.Enable(false);
    game.frame();
    EXPECT_EQ(game.pixel(30, 30), kBlack);
    heard.log.clear();
    game.click(30, 30);
    EXPECT_TRUE(heard.log.empty());
    game.moveTo(31, 31);
    EXPECT_TRUE(heard.log.empty());
    game.moveTo(100, 100);
    EXPECT_EQ(heard.log, (Log{"FocusOff"}));

    button.DisableButVisible();
    game.frame();
    EXPECT_EQ(game.pixel(30, 30), kRed);
    game.moveTo(30, 30);
    game.click(30, 30);
    EXPECT_EQ(heard.log, (Log{"FocusOff"}));

    button.Enable(true);
    game.moveTo(100, 100);
    game.moveTo(30, 30);
    button.Freeze(true);
    game.moveTo(100, 100);
    EXPECT_EQ(game.pixel(30, 30), kGreen);
    button.Freeze(false);
    game.frame();
    EXPECT_EQ(game.pixel(30, 30), kRed);
}

// Without an on-move graphic the standard stays; the hover sound plays once per entry and stops on leaving.
// A button of a unit that is not active, that drags, or before its first frame: as the unit allows. A button
// without a unit reacts as one of a running unit.
TEST_F(Controls, HoverSoundsAndTheUnitsState) {
    Game game;
    game.start(false);
    CButton button(&game.window, CXRect(20, 20, 60, 60), 1, nullptr);
    button.setUnit(&game.unit);
    Listener heard;
    button.addNotifier(&heard);
    Chime hover(&game.window);
    button.Set(game.box(20, 20, 40, 40, kRed, -1), nullptr, true, false);
    button.SetOnMove(game.box(20, 20, 40, 40, kGreen, -1), &hover);

    // Before the first frame: focus is told, nothing changes.
    game.moveTo(30, 30);
    EXPECT_EQ(heard.log, (Log{"OnMove", "FocusOn"}));
    EXPECT_EQ(hover.plays, 0);
    EXPECT_EQ(game.pixel(30, 30), kRed);
    game.moveTo(100, 100);

    game.unit.onInitialUpdate();
    button.SetOnMove(nullptr, &hover);
    button.SetSound(0, &hover);
    delete button.GetOnMove();
    EXPECT_EQ(button.GetOnMove(), nullptr); // forgotten when destroyed
    for (int entry = 1; entry <= 2; ++entry) {
        game.moveTo(30, 30);
        game.moveTo(35, 35);
        EXPECT_EQ(hover.plays, entry);
        EXPECT_EQ(game.pixel(30, 30), kRed);
        game.moveTo(100, 100);
        EXPECT_FALSE(hover.playing);
    }

    // A unit that is not active hides the button; one that drags makes it ignore entry and presses.
    heard.log.clear();
    game.unit.setActivity(false);
    game.moveTo(30, 30);
    game.click(30, 30);
    EXPECT_TRUE(heard.log.empty());
    game.moveTo(100, 100);
    game.unit.setActivity(true);
    std::unique_ptr<CGraphicsObject> other(game.box(200, 200, 10, 10, kWhite));
    ASSERT_TRUE(game.unit.onStartDragging(other.get(), CXPoint(200, 200), nullptr));
    game.moveTo(30, 30);
    game.press(30, 30, true);
    EXPECT_EQ(heard.log, (Log{"OnMove"}));
    EXPECT_TRUE(game.unit.isDragging());
    game.press(30, 30, false);
    EXPECT_FALSE(game.unit.isDragging());
    EXPECT_EQ(heard.log, (Log{"OnMove"}));
    game.moveTo(100, 100);
    heard.log.clear();

    // No unit: the button reacts on its own.
    CButton alone(&game.window, CXRect(150, 150, 170, 170), 2, nullptr);
    alone.addNotifier(&heard);
    game.moveTo(160, 160);
    game.click(160, 160);
    EXPECT_EQ(heard.log, (Log{"OnMove", "OnMove", "FocusOn", "Clicked", "Released", "Action"}));
}

// A graphic in several roles moves once and is deleted once; a clone shares the graphics, reacts only once it
// has an area, and outlives the source's deleting them.
TEST_F(Controls, MovingDeletingAndCloningButtons) {
    Game game;
    auto* button = new CButton(&game.window, 9, nullptr);
    CGraphicsObject* red = game.box(20, 20, 40, 40, kRed, -1);
    button->Set(red, nullptr, true, false);
    button->SetOnClick(red, nullptr);
    button->SetDragging(red);
    EXPECT_EQ(button->getHotSpot()->getGraphics(), red);
    button->Move(5, -5);
    EXPECT_EQ(red->GetPosition(), CXPoint(25, 15));
    EXPECT_TRUE(button->getActiveRect().IsEmpty());

    auto* copy = static_cast<CButton*>(button->clone());
    EXPECT_EQ(copy->GetID(), 0);
    EXPECT_EQ(copy->GetStandard(), red);
    EXPECT_FALSE(copy->getHotSpot()->TestHit(CXPoint(30, 30)));
    copy->Accent(0, false);
    EXPECT_TRUE(copy->getHotSpot()->TestHit(CXPoint(30, 30)));
    CButton::_release(button);
    EXPECT_EQ(copy->GetStandard(), nullptr);
    EXPECT_EQ(copy->getHotSpot()->getGraphics(), nullptr);
    CButton::_release(copy);

    // A rectangle button moves its rectangle with the graphics; Accent makes a graphic the shape.
    CButton rect(&game.window, CXRect(0, 0, 10, 10), 1, nullptr);
    rect.Set(game.box(0, 0, 10, 10, kRed, -1), nullptr, true, false);
    rect.Move(CXPoint(50, 50));
    EXPECT_TRUE(rect.getHotSpot()->TestHit(CXPoint(55, 55)));
    EXPECT_EQ(rect.GetStandard()->GetPosition(), CXPoint(50, 50));
    CGraphicsObject* accent = game.box(100, 100, 10, 10, kBlue);
    rect.Accent(accent, false);
    EXPECT_TRUE(rect.getHotSpot()->TestHit(CXPoint(105, 105)));
    rect.Move(10, 0);
    EXPECT_EQ(accent->GetPosition(), CXPoint(110, 100));
    EXPECT_EQ(rect.getActiveRect(), CXRect(50, 50, 60, 60));
    EXPECT_TRUE(rect.getHotSpot()->TestHit(CXPoint(115, 105)));
    delete accent;
    EXPECT_EQ(rect.getAccent(), nullptr);
    EXPECT_EQ(rect.GetDragging(), nullptr);
}

// ---------------------------------------------------------------- drags

// A draggable button with only a standard graphic: disabled while dragged, its graphic follows the pointer
// at 10000 and goes back to its own priority; mode false ends at the release, true at the next press.
TEST_F(Controls, DraggingAButtonsGraphic) {
    Game game;
    game.start();
    CButton button(&game.window, 3, nullptr);
    button.setUnit(&game.unit);
    button.EnableDragging(true);
    Listener heard;
    heard.withPoints = true;
    button.addNotifier(&heard);
    CGraphicsObject* red = game.box(20, 20, 20, 20, kRed, 7);
    button.Set(red, nullptr, true, false);
    std::unique_ptr<CGraphicsObject> cover(game.box(60, 40, 20, 20, kWhite, 5000));

    game.moveTo(25, 25);
    heard.log.clear();
    game.press(25, 25, true);
    EXPECT_EQ(heard.log, (Log{"StartDragging@25,25", "Clicked@25,25"}));
    EXPECT_TRUE(game.unit.isDragging());
    EXPECT_FALSE(button.IsEnabled());
    EXPECT_EQ(game.screen()->GetPriority(red), 10000);
    game.moveTo(65, 45);
    EXPECT_EQ(red->GetPosition(), CXPoint(60, 40));
    EXPECT_EQ(game.pixel(70, 50), kRed); // above the cover
    EXPECT_EQ(game.pixel(25, 25), kBlack);
    heard.log.clear();
    game.press(65, 45, false);
    EXPECT_EQ(heard.log, (Log{"EndDragging@60,40"}));
    EXPECT_FALSE(game.unit.isDragging());
    EXPECT_TRUE(button.IsEnabled());
    EXPECT_EQ(game.screen()->GetPriority(red), 7);
    EXPECT_EQ(game.pixel(70, 50), kWhite);

    // Mode true: the release goes on dragging, the next press drops; a refused drop goes back.
    game.unit.setDraggingMode(true);
    heard.at = "EndDragging";
    heard.action = [&](CControl*) { game.unit.bringBackDraggingObjectPosition(CXPoint(0, 0)); };
    game.click(65, 45);
    game.moveTo(105, 85);
    EXPECT_TRUE(game.unit.isDragging());
    EXPECT_EQ(red->GetPosition(), CXPoint(100, 80));
    heard.log.clear();
    game.press(105, 85, true);
    EXPECT_EQ(heard.log, (Log{"EndDragging@100,80"}));
    EXPECT_EQ(red->GetPosition(), CXPoint(60, 40));
    EXPECT_EQ(game.pixel(105, 85), kBlack);
    game.press(105, 85, false);

    // Without a unit a press is an ordinary click.
    button.setUnit(nullptr);
    game.moveTo(65, 45);
    heard.log.clear();
    game.click(65, 45);
    EXPECT_FALSE(game.unit.isDragging());
    EXPECT_EQ(heard.log, (Log{"Clicked@65,45", "Released@65,45", "Action@65,45"}));
}

// A drag whose graphic or control goes away ends without touching them; the control's own notifier may
// delete it, and a graphic may go mid-drag.
TEST_F(Controls, ThingsDeletedDuringADragAreForgotten) {
    Game game;
    game.start();
    auto* button = new CButton(&game.window, 3, nullptr);
    button->setUnit(&game.unit);
    button->EnableDragging(true);
    button->Set(game.box(20, 20, 20, 20, kRed, 7), nullptr, true, false);
    game.press(25, 25, true);
    ASSERT_TRUE(game.unit.isDragging());
    delete button->GetStandard();
    EXPECT_EQ(game.unit.getDraggedGraphic(), nullptr);
    game.moveTo(50, 50);
    Listener heard;
    heard.withPoints = true;
    button->addNotifier(&heard);
    game.press(50, 50, false);
    EXPECT_EQ(heard.log, (Log{"EndDragging@50,50"}));
    EXPECT_TRUE(button->IsEnabled());

    // The control deleted while dragged: its graphic is dropped back at its priority, nobody is told.
    CGraphicsObject* blue = game.box(20, 20, 20, 20, kBlue, 9);
    button->SetDeleteFlags(false, false);
    button->Set(blue, nullptr, true, false);
    heard.at = "Dragging";
    heard.action = [](CControl* c) { delete c; };
    game.moveTo(25, 25);
    game.press(25, 25, true);
    game.moveTo(30, 30);
    game.moveTo(35, 35);
    game.press(35, 35, false);
    EXPECT_FALSE(game.unit.isDragging());
    EXPECT_EQ(heard.log.back(), "Dragging@30,30");
    EXPECT_EQ(game.screen()->GetPriority(blue), 9);
    EXPECT_EQ(blue->GetPosition(), CXPoint(30, 30));
    delete blue;
}

// Handlers deleting their button on a click or a release end its handling; a notifier removed while others
// are told is skipped.
TEST_F(Controls, ANotifierMayDeleteTheButtonItHears) {
    Game game;
    game.start();
    for (const char* at : {"FocusOn", "Clicked", "Released", "StartDragging"}) {
        auto* button = new CButton(&game.window, CXRect(20, 20, 60, 60), 1, nullptr);
        button->setUnit(&game.unit);
        button->EnableDragging(std::string(at) == "StartDragging");
        button->Set(game.box(20, 20, 40, 40, kRed, -1), nullptr, true, false);
        button->SetOnMove(game.box(20, 20, 40, 40, kGreen, -1), nullptr);
        button->SetOnClick(game.box(20, 20, 40, 40, kBlue, -1), nullptr);
        Listener killer, after;
        killer.at = at;
        killer.action = [](CControl* c) { delete c; };
        button->addNotifier(&killer);
        button->addNotifier(&after);
        game.moveTo(30, 30);
        game.click(30, 30);
        EXPECT_EQ(killer.log.back(), at);
        EXPECT_TRUE(after.log.empty() || after.log.back() != "Action") << at;
        EXPECT_FALSE(game.unit.isDragging()) << at;
        game.moveTo(100, 100);
        EXPECT_EQ(game.pixel(30, 30), kBlack) << at;
    }

    CButton button(&game.window, CXRect(20, 20, 60, 60), 1, nullptr);
    Listener first, second;
    first.at = "Clicked";
    first.action = [&](CControl* c) { c->removeNotifier(&second); };
    button.addNotifier(&first);
    button.addNotifier(&second);
    button.addNotifier(nullptr);
    EXPECT_EQ(button.getNotifiers()->getSize(), 2);
    game.moveTo(30, 30);
    second.log.clear();
    game.click(30, 30);
    EXPECT_EQ(first.log.back(), "Action");
    EXPECT_TRUE(second.log.empty());
}

// ---------------------------------------------------------------- panels

TEST_F(Controls, PanelsLayTheirItemsAboveTheBackgroundAndMoveThemWithIt) {
    Game game;
    game.start();
    CMC_ObjectsContainer container(&game.window, nullptr, CXString("PANEL"), TYPE_CLASS);
    CXDialog panel(&container);
    std::unique_ptr<CGraphicsObject> stray(game.box(0, 0, 5, 5, kWhite, -1));
    // Before a background everything is harmless.
    panel.show();
    panel.hide();
    panel.move(1, 1);
    panel.setBackground(nullptr);
    EXPECT_EQ(panel.getDragBar(), nullptr);

    std::unique_ptr<CGraphicsObject> back(game.box(50, 50, 100, 80, kBlue));
    panel.setBackground(back.get());
    panel.setBackground(back.get());
    int bars = 0;
    for (int i = 0; i < CHotSpot::getList()->getSize(); ++i)
        bars += static_cast<CHotSpot*>(CHotSpot::getList()->at(i))->GetID() == 214290;
    EXPECT_EQ(bars, 1);
    panel.getDragBar()->setUnit(&game.unit);
    EXPECT_EQ(game.screen()->GetPriority(back.get()), 100000);

    std::unique_ptr<CGraphicsObject> item(game.box(60, 90, 10, 10, kRed, 5));
    std::unique_ptr<CGraphicsObject> offScreen(game.box(80, 90, 10, 10, kGreen, -1));
    CButton button(&game.window, CXRect(100, 90, 110, 100), 1, nullptr);
    button.SetDeleteFlags(false, false);
    std::unique_ptr<CGraphicsObject> face(game.box(100, 90, 10, 10, kWhite, 3));
    button.Set(face.get(), nullptr, true, false);
    panel.add(item.get());
    panel.add(item.get());
    panel.add(offScreen.get());
    panel.add(&button);
    panel.add(&button);
    EXPECT_EQ(panel.getGraphicsCount(), 2);
    EXPECT_EQ(panel.getButtonsCount(), 1);
    EXPECT_EQ(game.screen()->GetPriority(item.get()), 100006);
    EXPECT_EQ(game.screen()->GetPriority(offScreen.get()), 100000);
    EXPECT_EQ(game.screen()->GetPriority(face.get()), 100004);
    game.frame();
    EXPECT_EQ(game.pixel(65, 95), kRed);

    // Dragged by the bar: the items follow the pointer; the bar is the top 30 pixels after the drop.
    game.moveTo(60, 55);
    game.press(60, 55, true);
    ASSERT_TRUE(game.unit.isDragging());
    game.moveTo(80, 60);
    game.moveTo(90, 75);
    game.press(90, 75, false);
    EXPECT_EQ(back->GetPosition(), CXPoint(80, 70));
    EXPECT_EQ(item->GetPosition(), CXPoint(90, 110));
    EXPECT_EQ(face->GetPosition(), CXPoint(130, 110));
    EXPECT_TRUE(button.getHotSpot()->TestHit(CXPoint(135, 115)));
    EXPECT_EQ(panel.getDragBar()->getActiveRect(), CXRect(80, 70, 180, 100));
    EXPECT_EQ(game.pixel(95, 115), kRed);
    EXPECT_EQ(game.pixel(85, 75), kBlue);

    // hide and show leave the background hidden; move leaves the background where it is.
    panel.hide();
    game.frame();
    EXPECT_EQ(game.pixel(95, 115), kBlack);
    EXPECT_FALSE(button.IsEnabled());
    panel.show();
    game.frame();
    EXPECT_EQ(game.pixel(95, 115), kRed);
    EXPECT_FALSE(back->isVisible());
    EXPECT_TRUE(button.IsEnabled());
    panel.move(-10, 0);
    EXPECT_EQ(item->GetPosition(), CXPoint(80, 110));
    EXPECT_EQ(back->GetPosition(), CXPoint(80, 70));

    // Items destroyed elsewhere are forgotten.
    item.reset();
    back.reset();
    EXPECT_EQ(panel.getGraphicsCount(), 1);
    EXPECT_EQ(panel.getBackground(), nullptr);
    panel.hide();
    panel.move(1, 1);
    panel.onEndDragging(nullptr, CXPoint(0, 0));
}

// A panel deleted, or its button deleted, mid-drag.
TEST_F(Controls, PanelsAndTheirButtonsGoingAway) {
    Game game;
    game.start();
    CMC_ObjectsContainer container(&game.window, nullptr, CXString("PANEL"), TYPE_CLASS);
    std::unique_ptr<CGraphicsObject> back(game.box(50, 50, 100, 80, kBlue));
    auto* panel = new CXDialog(&container);
    panel->setBackground(back.get());
    panel->getDragBar()->setUnit(&game.unit);
    auto* button = new CButton(&game.window, CXRect(100, 90, 110, 100), 1, nullptr);
    panel->add(button);
    delete button;
    EXPECT_EQ(panel->getButtonsCount(), 0);
    panel->move(3, 3);
    panel->show();
    game.moveTo(60, 55);
    game.press(60, 55, true);
    game.moveTo(70, 55);
    delete panel;
    game.moveTo(80, 55);
    game.press(80, 55, false);
    EXPECT_FALSE(game.unit.isDragging());
    EXPECT_EQ(back->GetPosition(), CXPoint(70, 50));
    EXPECT_EQ(game.screen()->GetPriority(back.get()), 100000);
}

// ---------------------------------------------------------------- the unit's other services

class DefinitionUnit : public CUnit6 {
public:
    using CUnit6::CUnit6;
    using CUnit6::putOnCanvas;
};

TEST_F(Controls, TheUnitPlaysAtRandomAndPutsDefinitionsGraphicsOnTheScreen) {
    Game game;
    DefinitionUnit unit(&game.window, "defined");
    FakeSound sound;
    unit.addRandomPlayable(&sound, 10.0, 1, "");
    EXPECT_EQ(unit.getRandomPlayables(), nullptr);
    unit.initialize(nullptr, nullptr);
    unit.addRandomPlayable(&sound, 10.0, 1, "");
    EXPECT_EQ(unit.getRandomPlayables()->getCount(), 1);
    unit.removeRandomPlayable(&sound);
    EXPECT_EQ(unit.getRandomPlayables()->getCount(), 0);
    unit.addRandomPlayable(&sound, 10.0, 1, "");
    unit.done(nullptr, nullptr);
    EXPECT_EQ(unit.getRandomPlayables(), nullptr);

    std::unique_ptr<CGraphicsObject> g(game.box(0, 0, 4, 4, kRed, -1));
    CMElement element("G");
    element.addProperty("PRIORITY", "12");
    unit.putOnCanvas(g.get(), &element);
    EXPECT_EQ(game.screen()->GetPriority(g.get()), -1);
    element.addProperty("TOCANVAS", "TRUE");
    unit.putOnCanvas(g.get(), &element);
    EXPECT_EQ(game.screen()->GetPriority(g.get()), 12);
    *game.screen() >> g.get();
    element.addProperty("ALWAYSONTOP", "TRUE");
    unit.putOnCanvas(static_cast<CXObject*>(g.get()), &element);
    EXPECT_EQ(game.screen()->GetPriority(g.get()), 1000);
    unit.putOnCanvas(g.get(), nullptr);
}
