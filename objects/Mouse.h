#pragma once
#include "core/Geometry.h"
#include "display/MouseListener.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;

enum : int {
    EVT_MOUSE_ONMOVE = 3,
    EVT_MOUSE_ONCLICK = 4,
    EVT_MOUSE_ONRELEASE = 5,
    EVT_MOUSE_ONDBLCLICK = 6,
};

// MOUSE: the game window's pointer. It listens to the window's mouse routing above every other listener and
// never takes an event, so whatever lies below still gets it; it raises ONMOVE, ONCLICK^button,
// ONRELEASE^button and ONDBLCLICK, moves, confines, shows and hides the pointer, switches the window's
// cursors and mouse input, and presses and releases buttons as if the player did. Positions are the screen's
// logical coordinates.
class CMC_Mouse : public CMC_Object, public CMouseListener {
public:
    // Null element: a blank object named "MOUSE" (the cache reader fills it).
    CMC_Mouse(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Mouse() override;

    CXString** getBehavioursList() override;

    // ---- the listener; none takes the event
    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    bool onDblClick(CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    void show();
    void hide();
    // Turns every mouse event of the window on or off (hot spots and listeners), with the wait cursor.
    void enable();
    void disable();
    void enableSignal() { m_signals = true; }
    void disableSignal() { m_signals = false; }
    // "ARROW", "WAIT", "ACTIVE" (exactly so), or 1, 2, 3; anything else does nothing.
    void set(const CXString& cursor);
    void set(int cursor);
    // Moves the pointer; the move reaches the listeners with the input's next pump.
    void setPosition(int x, int y);
    // Confines the pointer while the game is active; an empty rectangle lifts it.
    void setClipRect(int left, int top, int right, int bottom);
    // Events outside a non-empty rectangle are not raised (the position still follows).
    void setActiveRect(CXRect rect) { m_activeRect = rect; }
    int getPosX() const { return m_x; }
    int getPosY() const { return m_y; }
    int getLastClickPosX() const { return m_lastClickX; }
    int getLastClickPosY() const { return m_lastClickY; }
    int getLastButton() const { return m_lastButton; }
    bool isEnabled() const { return m_enabled; }
    bool isSignalEnabled() const { return m_signals; }
    CWindow* getWindow() const { return m_window; }

    // Releases the pointer's confinement, and with forget also drops the script's rectangle (a scene is
    // left).
    static void reset(bool forget);
    // Confines the pointer again to the script's rectangle when there is one (the game is active again).
    static void restore();
    static void setClipRect(const CXRect& rect) { s_clip = rect; }
    static CXRect getClipRect() { return s_clip; }
    // "LEFT", "MIDDLE", "RIGHT" for 0, 1, 2; empty for any other.
    static CXString getButton(int button);

private:
    bool inActiveRect(CXPoint p) const;
    // The script asked for the event's handler, the mouse is enabled and (for buttons) so are signals.
    bool raises(int event, bool button) const;

    CWindow* m_window = nullptr;
    bool m_listening = false;
    bool m_enabled = true;
    bool m_signals = true;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_lastClickX = 0;
    int32_t m_lastClickY = 0;
    bool m_cursorShown = true;
    CXRect m_activeRect;
    int32_t m_lastButton = 0;

    // Logical screen coordinates, shared by every MOUSE; empty confines nothing.
    static CXRect s_clip;
};

// MOUSE methods.
class CMC_Mouse_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_SHOW = 1,
        MTH_HIDE = 2,
        MTH_ENABLE = 3,
        MTH_DISABLE = 4,
        MTH_GETPOSX = 5,
        MTH_GETPOSY = 6,
        MTH_GETLASTCLICKPOSX = 7,
        MTH_GETLASTCLICKPOSY = 8,
        MTH_SET = 9,
        MTH_SETPOSITION = 10,
        MTH_MOVE = 11,
        MTH_CLICK = 12,
        MTH_ENABLESIGNAL = 13,
        MTH_DISABLESIGNAL = 14,
        MTH_MOUSERELEASE = 15,
        MTH_SETCLIPRECT = 16,
        MTH_LOCKACTIVECURSOR = 17,
        MTH_ISLBUTTONDOWN = 18,
        MTH_ISRBUTTONDOWN = 19,
        MTH_SETACTIVERECT = 20,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
