#pragma once
#include "display/InvalidateObserver.h"
#include "input/HotSpot.h"
#include "media/controls/Control.h"

namespace KavirelDLL {

class CGraphicsObject;
class CMC_Button;
class CRefreshScreen;
class CSound4;
class CUnit6;

// A clickable rectangle or graphic: up to three graphics (standard, on move, on click), a hover and a click
// sound, and a drag run by the scene unit. Its hot spot, in the window's hot-spot list, turns the window's
// mouse events into the button's states and notifications. An empty active rectangle means the hot spot
// follows a graphic instead.
//
// The button watches its graphics: one destroyed elsewhere is forgotten in every role it had.
class CButton : public CControl, public CInvalidateObserver {
public:
    class CHotSpotButton : public CHotSpot {
    public:
        CHotSpotButton(CWindow* window, CButton* button, CXRect rect, CMC_Button* mcButton);

        int OnMouseMove(CXPoint p, int flags, void* parent) override;
        int OnLButtonDown(CXPoint p, int flags, void* parent) override;
        int OnLButtonUp(CXPoint p, int flags, void* parent) override;
        int OnRButtonDown(CXPoint p, int flags, void* parent) override;
        int OnLButtonDblClk(CXPoint p, int flags, void* parent) override;
        int OnFocusOn(CXPoint p, int flags, void* parent) override;
        int OnFocusOff(CXPoint p, int flags, void* parent) override;

        bool wasHoverSoundPlayed() const { return m_hoverSoundPlayed; }

    private:
        friend class CButton;
        // What leaving does: released, the on-move graphic swapped back, the hover sound stopped.
        void leave();

        CButton* m_button;
        bool m_hoverSoundPlayed = false;
        // The pointer left while the button could not show it (disabled, or its unit busy): the leave is
        // done when its drag ends or the pointer comes back.
        bool m_leaveUnheard = false;
    };

    CButton(CWindow* window, CXRect rect, int id, CMC_Button* mcButton);
    CButton(CWindow* window, int id, CMC_Button* mcButton);
    // With the delete flags set, deletes the three graphics (each once) and the two sounds.
    ~CButton() override;

    // ---- overrides
    // A button on the same window with id 0 and the same graphics, sounds and flags; its hot spot has no
    // unit, no shape and an empty rectangle, so it reacts after SetActiveRect or Accent. It never owns the
    // sounds; a button that deletes its sounds makes every other button forget them.
    CXObject* clone() override;
    void SetID(int id) override;
    void Enable(bool enabled) override;
    // The unit ended this button's drag: the press is over, and a pointer that left meanwhile has left.
    int onEndDragging(CXPoint p) override;

    // ---- virtual operations of the button, in the engine's order
    virtual int getPriority();
    virtual void setPriority(int priority);
    virtual int GetID();
    // While frozen the on-move graphic stays when the pointer leaves.
    virtual void Freeze(bool frozen);
    virtual int OnMove(CXPoint p, int flags, void* data);
    // The press: starts a drag when dragging is enabled; true when one started.
    virtual int OnClick(CXPoint p, int flags, void* data);
    // Disabled, showing its standard graphic.
    virtual void DisableButVisible();

    // ---- set-up
    void setUnit(CUnit6* unit);
    void setMCButton(CMC_Button* mcButton);
    void enableCursor(bool enabled);
    void EnableCursor(bool enabled) { enableCursor(enabled); }
    bool SetActiveRect(CXRect rect);
    CXRect getActiveRect() const { return m_rect; }
    bool Set(CGraphicsObject* graphic, void* data, bool removeOld, bool pixelTest);
    bool SetOnMove(CGraphicsObject* graphic, CSound4* sound);
    bool SetOnClick(CGraphicsObject* graphic, CSound4* sound);
    // 0 the on-move sound, 1 the on-click sound.
    void SetSound(int type, CSound4* sound);
    void SetDragging(CGraphicsObject* graphic);
    // 0, 1, 2: the standard, on-move or on-click graphic becomes the hot spot's shape.
    void Accent(int type, bool pixelTest);
    void Accent(CGraphicsObject* graphic, bool pixelTest);
    void SetDeleteFlags(bool graphics, bool sounds) {
        m_deleteGraphics = graphics;
        m_deleteSounds = sounds;
    }
    void HideStandardWhileOnMove(bool hide) { m_hideStandardWhileOnMove = hide; }
    void SetPlaySoundOnlyWhenSilence(bool on) { m_playSoundOnlyWhenSilence = on; }
    void EnableDragging(bool enabled) { m_draggingEnabled = enabled; }
    bool IsDraggingEnabled() const { return m_draggingEnabled; }
    void LockSound(bool locked) { m_soundLocked = locked; }
    bool IsSoundLocked() const { return m_soundLocked; }

    // ---- state
    // Pressed (true) or released: swaps the graphics and plays the click sound on a press.
    bool Force(bool pressed);
    bool isPressed() const { return m_pressed; }
    bool isFrozen() const { return m_frozen; }
    void Move(int dx, int dy);
    void Move(CXPoint delta) { Move(delta.x, delta.y); }
    // Whether the pointer is over the hot spot now; changes nothing.
    bool SYN();

    CGraphicsObject* GetStandard() const { return m_standard; }
    CGraphicsObject* GetOnMove() const { return m_onMove; }
    CGraphicsObject* GetOnClick() const { return m_onClick; }
    CGraphicsObject* GetDragging() const { return m_dragging; }
    CGraphicsObject* getAccent() const { return m_accent; }
    CSound4* GetSOOnMove() const { return m_soundOnMove; }
    CSound4* GetSOOnClick() const { return m_soundOnClick; }
    CXPoint getClick() const { return m_click; }
    CHotSpotButton* getHotSpot() const { return m_hotSpot; }

    static void _release(CButton* button) { delete button; }

    // ---- the graphics watched
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    friend class CHotSpotButton;
    CUnit6* unit() const { return m_hotSpot->getUnit(); }
    CRefreshScreen* screen() const;
    // Puts the graphic in a role: watched while it has one.
    void assign(CGraphicsObject*& role, CGraphicsObject* graphic);
    bool holds(CGraphicsObject* graphic) const;
    // The hot spot's shape or rectangle; the shape is watched like the roles.
    void shapeHotSpot(CGraphicsObject* graphic, bool pixelTest);
    void areaHotSpot(CXRect rect);
    void playSound(CSound4* sound, bool unlessUnitWantsSilence);
    void show(CGraphicsObject* graphic, bool visible);

    CXRect m_rect;
    bool m_pressed = false;
    bool m_frozen = false;
    bool m_soundLocked = false;
    bool m_deleteGraphics = true;
    bool m_deleteSounds = false;
    bool m_hideStandardWhileOnMove = true;
    CRefreshScreen* m_screen = nullptr;
    CGraphicsObject* m_standard = nullptr;
    CGraphicsObject* m_onMove = nullptr;
    CGraphicsObject* m_onClick = nullptr;
    CGraphicsObject* m_accent = nullptr;
    CGraphicsObject* m_dragging = nullptr;
    CGraphicsObject* m_shape = nullptr; // the graphic given to the hot spot as its shape
    CXPoint m_click;
    CSound4* m_soundOnMove = nullptr;
    CSound4* m_soundOnClick = nullptr;
    void* m_data = nullptr;
    bool m_playSoundOnlyWhenSilence = false;
    bool m_draggingEnabled = false;
    CHotSpotButton* m_hotSpot;
};

} // namespace KavirelDLL
