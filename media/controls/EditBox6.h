#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "core/XTimer.h"
#include "display/InvalidateObserver.h"
#include "display/MouseListener.h"
#include "input/KeyListener.h"
#include "media/controls/Control.h"

namespace KavirelDLL {

class CButton;
class CEditBox6;
class CGraphicsObject;
class CMultilineText6;
class CSimpleFont6;
class CUnit6;
class CWindow;
class CXArray;
class CXVector;

// Hears an edit box: the focus coming and going, a character typed, Enter and Esc.
class CEditBoxNotifier {
public:
    virtual void onFocusOn(CEditBox6*) {}
    virtual void onFocusOff(CEditBox6*) {}
    virtual void onChanged(CEditBox6*) {}
    virtual void onEnter(CEditBox6*) {}
    virtual void onEsc(CEditBox6*) {}

protected:
    ~CEditBoxNotifier() = default;
};

// A text entry field over a rectangle of the screen: a multi-line text in a bitmap font, "|" for each line
// break, a cursor graphic that blinks every 400 ms while the box has the keyboard focus, and an invisible
// button over the rectangle through which a click focuses it. Keys are scan codes and characters come from
// the window's keyboard. Typing "<" stores "@" and ">" stores "$" (the font draws them as "<" and ">"), so a
// typed text never opens a format code. Text that no longer fits is wrapped after its last space, or before
// its last character; the width test, the wrap and the cursor's row all look at the text's last line.
//
// The scene unit makes, focuses and usually deletes the boxes. Whoever else keeps a box (a multi-line text's
// edit fields, a script object) lists itself as a holder, so that the box, once deleted by any of them,
// leaves every list and pointer that named it.
class CEditBox6 : public CXObject,
                  public CKeyListener,
                  public CControlNotifier,
                  public CMouseListener,
                  public CTimerNotificator,
                  public CInvalidateObserver {
public:
    CEditBox6(CWindow* window, CUnit6* unit, CSimpleFont6* font, CXRect rect, int priority, CXString text);
    ~CEditBox6() override;
    CEditBox6(const CEditBox6&) = delete;
    CEditBox6& operator=(const CEditBox6&) = delete;

    virtual void setPosition(CXPoint p);
    virtual void move(CXPoint offset);

    // Replaces the text shown; the cursor stays (within the new length) and nobody is told.
    void setText(CXString text);
    CXString getText() { return CXString(m_text.c_str()); }
    // Kept within 0 and the text's length.
    void setCursorPos(int pos);
    int getCursorPos() const { return m_cursor; }
    // The blinking graphic (not owned; forgotten when it is destroyed).
    void setCursor(CGraphicsObject* cursor);
    CGraphicsObject* getCursor() const { return m_cursorGraphic; }
    void setMaxLen(int) {}
    // Shows or hides the text only.
    void setVisibility(bool visible);
    void setColor(int color);
    void setPriority(int priority);
    void setRect(CXRect rect);
    CXRect getBoundingRect() const { return m_rect; }
    // With the focus: the cursor goes to the end, blinks, and the notifiers hear onFocusOn. Without: the
    // blinking stops (the cursor keeps its visibility) and they hear onFocusOff. Every call is told, but a
    // handler that calls it again for the same side is not told again (it would never end).
    void activate(bool active);
    bool isActive() const { return m_active; }
    // A disabled box takes no keys and no clicks. Enabled or disabled, a box with the focus loses it.
    void enable(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // Enter adds no line break, and a character that does not fit is refused.
    void setSingleLine(bool singleLine) { m_singleLine = singleLine; }
    bool isSingleLine() const { return m_singleLine; }
    void addNotifier(CEditBoxNotifier* notifier);
    void removeNotifier(CEditBoxNotifier* notifier);
    // 1 onFocusOn, 2 onFocusOff, 3 onChanged, 4 onEnter, 5 onEsc. False when a notifier deleted the box.
    bool notify(int what);
    CMultilineText6* getTextGraphic() const { return m_textGraphic; }
    CButton* getButton() const { return m_button; }
    CUnit6* getUnit() const { return m_unit; }
    // The unit let the box go (removeEditBox): from now on it, and its button, work without one.
    void leaveUnit();
    // False once the box is deleted.
    std::shared_ptr<bool> aliveToken() const { return m_alive; }
    bool isDying() const { return m_dying; }

    // A list or a pointer that keeps the box: the box leaves it (or nulls it) when deleted.
    void addHolder(CXVector* list);
    void addHolder(CEditBox6** slot);
    void removeHolder(CXVector* list);
    void removeHolder(CEditBox6** slot);

    // ---- keys (scan codes) and characters, from the window
    void onKeyDown(int code) override;
    void onChar(unsigned char ch) override;
    // ---- the invisible button's release: the box takes the focus
    void onControlAction(CControl* control, CXPoint p) override;
    // ---- a left press no hot spot took: outside the box it takes the focus away
    bool onClick(CXPoint p) override;
    using CMouseListener::onClick;
    // ---- the blink
    void onTimer(int id) override;
    // ---- the cursor graphic
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    static constexpr unsigned kBlinkMs = 400;

private:
    // Places the cursor graphic after the text before the cursor, on the row of the text's last line.
    void updateCursor();
    void showText();
    void layOut();
    int widthOf(const std::string& text);
    // The focus through the unit, or on the box's own without one.
    void focus(bool on);
    // Tells onFocusOn or onFocusOff, unless that side is being told already (a handler calling again).
    // False when a notifier deleted the box.
    bool tellFocus(bool on);

    CWindow* m_window;
    CUnit6* m_unit;
    bool m_active = false;
    int32_t m_cursor = 0;
    CGraphicsObject* m_cursorGraphic = nullptr;
    CXRect m_rect;
    std::string m_text;
    CButton* m_button = nullptr;
    CMultilineText6* m_textGraphic = nullptr;
    CXArray* m_notifiers;
    bool m_readOnly = false;
    bool m_singleLine = false;
    bool m_enabled = true;
    int m_timerId;
    bool m_dying = false;
    // A focus side being told: a handler's call for the same side changes the state but is not told again.
    bool m_tellingOn = false;
    bool m_tellingOff = false;
    // False once the box is deleted; a walk that may delete it holds a copy.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<CXVector*> m_holderLists;
    std::vector<CEditBox6**> m_holderSlots;
};

} // namespace KavirelDLL
