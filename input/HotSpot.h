#pragma once
#include <cstdint>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CGraphicsObject;
class CMC_Button;
class CUnit6;
class CWindow;
class CXVector;

// The mouse events the window offers the hot spots.
enum _event : int32_t {
    HS_NONE = 0,
    HS_MOUSEMOVE = 1,
    HS_LBUTTONDOWN = 2,
    HS_LBUTTONUP = 4,
    HS_RBUTTONDOWN = 8,
    HS_RBUTTONUP = 16,
    HS_MBUTTONDOWN = 32,
    HS_MBUTTONUP = 64,
    HS_LBUTTONDBLCLK = 65,
};

// A clickable area of the screen: a rectangle, or the shape of a graphics object. Every hot spot made without
// a parent joins the class-wide list the window's mouse routing asks before its mouse listeners; of the hot
// spots under the pointer, inside the priority window, the one of the strictly greatest priority takes the
// event. The handlers get the point, the window's flags and the hot spot's parent; a non-zero answer from the
// move or left-press handler keeps the event from the mouse listeners.
class CHotSpot : public CXObject {
public:
    explicit CHotSpot(CWindow* window);
    // Joins the list only without a parent hot spot.
    CHotSpot(CWindow* window, CHotSpot* parentHotSpot, _event event, int value, CMC_Button* button);
    ~CHotSpot() override;
    CHotSpot(const CHotSpot&) = delete;
    CHotSpot& operator=(const CHotSpot&) = delete;

    // ---- virtual operations, in the engine's order
    virtual int OnMouseMove(CXPoint p, int flags, void* parent);
    virtual int OnLButtonDown(CXPoint p, int flags, void* parent);
    virtual int OnLButtonUp(CXPoint p, int flags, void* parent);
    virtual int OnRButtonDown(CXPoint p, int flags, void* parent);
    virtual int OnRButtonUp(CXPoint p, int flags, void* parent);
    virtual int OnMButtonDown(CXPoint p, int flags, void* parent);
    virtual int OnMButtonUp(CXPoint p, int flags, void* parent);
    virtual int OnLButtonDblClk(CXPoint p, int flags, void* parent);
    virtual int OnChar(int ch, int flags, void* parent);
    virtual int OnKeyDown(int code, int flags, void* parent);
    virtual int OnKeyUp(int code, int flags, void* parent);
    virtual void setPriority(int priority);
    // With a graphics object its priority on the screen (-1 off the screen), else its own.
    virtual int getPriority();
    virtual int OnDrag(CXPoint p, int flags, void* parent);
    virtual int OnFocusOn(CXPoint p, int flags, void* parent);
    virtual int OnFocusOff(CXPoint p, int flags, void* parent);
    virtual int OnKeyTyped(int ch, void* parent);

    // ---- the hit area
    // The object's shape becomes the hit area; with pixelTest only where its alpha is not 0.
    int Set(CGraphicsObject* object, bool pixelTest);
    int SetActiveRect(CXRect rect, _event event, int value);
    int Set(int, int, int) { return 0; }
    bool TestHit(CXPoint p);
    CXRect* getActiveRect() const { return m_activeRect; }
    CGraphicsObject* getGraphics() const { return m_graphics; }

    // ---- state
    void Enable(bool enabled);
    bool IsEnabled() const { return m_enabled; }
    void EnableCursor(bool enabled) { m_cursor = enabled; }
    bool isCursorEnabled() const { return m_cursor; }
    bool hasFocus() const { return m_focus; }
    void setFocus(bool focus) { m_focus = focus; }
    int GetID() const { return m_id; }
    void SetID(int id) { m_id = id; }
    void SetParent(CXObject* parent) { m_parent = parent; }
    CXObject* getParent() const { return m_parent; }
    CUnit6* getUnit() const { return m_unit; }
    void setUnit(CUnit6* unit) { m_unit = unit; }
    void setMCButton(CMC_Button* button) { m_mcButton = button; }
    CMC_Button* getMCButton() const { return m_mcButton; }
    _event getEvent() const { return m_event; }
    int getValue() const { return m_value; }

    // ---- the class-wide list
    static void initialize(CWindow* window);
    // Frees the list and forgets the window (the window is going).
    static void done();
    static bool add(CHotSpot* hotSpot);
    static bool remove(CHotSpot* hotSpot);
    static CXVector* getList() { return pHSList; }
    static void setMinPriority(int priority) { minPriority = priority; }
    static void setMaxPriority(int priority) { maxPriority = priority; }
    static int getMinPriority() { return minPriority; }
    static int getMaxPriority() { return maxPriority; }
    // The hot spot under the point: hit, of an active unit or none, enabled, its priority inside the window;
    // the strictly greatest priority wins, so of equals the first in the list.
    static CHotSpot* findAt(CXVector* list, CXPoint p);
    // The window's mouse events: 1 move, 2 left down, 4 left up, 8 right down; the other mouse events answer
    // 0 and anything else comes back unchanged.
    static int OnMouseEvent(_event event, CXPoint p, int flags);

    // The hot spots' share of the window's routing of events they do not take.
    static int OnLButtonDblClk(CXPoint, int) { return 0; }
    static int OnMButtonDown(CXPoint, int) { return 0; }
    static int OnMButtonUp(CXPoint, int) { return 0; }
    static int OnRButtonUp(CXPoint, int) { return 0; }
    static int OnChar(int, int) { return 0; }
    static int OnKeyDown(int, int) { return 0; }
    static int OnKeyUp(int, int) { return 0; }

    static CXVector* pHSList;
    static CWindow* m_pWindow;
    static int minPriority;
    static int maxPriority;

private:
    bool inPriorityWindow();
    // The area's test, enabled or not.
    bool coversPoint(CXPoint p);
    bool unitAllows() const;
    static bool listed(CHotSpot* hotSpot);
    static int onMove(CXPoint p, int flags);
    static int onRightDown(CXPoint p, int flags);

    CXObject* m_parent = nullptr;
    int32_t m_id = -1;
    CXRect* m_activeRect = nullptr;
    CGraphicsObject* m_graphics = nullptr;
    int32_t m_value = 0;
    _event m_event = HS_NONE;
    bool m_enabled = true;
    bool m_cursor = true;
    bool m_focus = false;
    CUnit6* m_unit = nullptr;
    int32_t m_priority = 0;
    CMC_Button* m_mcButton = nullptr;
    bool m_alphaTest = false;
};

} // namespace KavirelDLL
