#pragma once
#include <deque>

#include "input/KeyListener.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;

enum : int {
    EVT_KEYBOARD_ONCHAR = 3,
    EVT_KEYBOARD_ONKEYDOWN = 4,
    EVT_KEYBOARD_ONKEYUP = 5,
};

// KEYBOARD, always named so: hears every key the window routes and raises ONKEYDOWN^name and ONKEYUP^name
// (the plain event when nothing answers, or when the key has no name) and ONCHAR^ with the character typed,
// as the keyboard's national map made it. Only events the script has a handler for change the latest key.
class CMC_Keyboard : public CMC_Object, public CKeyListener {
public:
    // Null element: a blank object (the cache reader fills it).
    CMC_Keyboard(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Keyboard() override;

    CXString** getBehavioursList() override;
    void onKeyUp(int code) override;
    void onKeyDown(int code) override;
    void onChar(unsigned char ch) override;

    // The name of the last key pressed or released, or the last character typed.
    CXString getLatestKey() const { return m_latestKey; }
    // Names waiting for GETLATESTKEYS; nothing puts any there.
    std::deque<CXString>& getLatestKeys() { return m_latestKeys; }
    void enable() { m_enabled = true; }
    void disable() { m_enabled = false; }
    bool isEnabled() const { return m_enabled; }
    CWindow* getWindow() const { return m_window; }

    // The name scripts know a scan code by ("ESC", "7", "Q", "SPACE", "F11", "RALT", "PGDN"...); keypad
    // digits are named as the top row's; empty for keys without a name.
    static CXString getKeySignal(int code);

private:
    void onKey(int code, int event, const char* name);

    CWindow* m_window = nullptr;
    CXString m_latestKey;
    unsigned char m_latestChar = 255;
    bool m_enabled = true;
    std::deque<CXString> m_latestKeys;
};

// KEYBOARD methods.
class CMC_Keyboard_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ENABLE = 1,
        MTH_DISABLE = 2,
        MTH_SETAUTOREPEAT = 3,
        MTH_ISKEYDOWN = 4,
        MTH_GETLATESTKEY = 6,
        MTH_ISENABLED = 7,
        MTH_GETLATESTKEYS = 8,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
