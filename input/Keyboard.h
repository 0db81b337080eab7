#pragma once
#include <cstdint>
#include <vector>

#include "core/XObject.h"
#include "display/InputPoller.h"

namespace KavirelDLL {

class CInput;
class CWindow;

// A national keyboard: how Alt and Shift change a typed character, and which characters may be typed at all.
class CKeyboardLocal {
public:
    virtual ~CKeyboardLocal() = default;
    virtual unsigned char map(unsigned char ch, bool alt, bool shift) = 0;
    virtual bool accepts(unsigned char ch) = 0;
};

// Alt with a letter gives its Polish counterpart (code page 1250); everything may be typed.
class CKeyboardLocal_polish : public CKeyboardLocal {
public:
    unsigned char map(unsigned char ch, bool alt, bool shift) override;
    bool accepts(unsigned char ch) override;
};

// Y and Z change places; only letters may be typed.
class CKeyboardLocal_czech : public CKeyboardLocal {
public:
    unsigned char map(unsigned char ch, bool alt, bool shift) override;
    bool accepts(unsigned char ch) override;
};

class CKeyboardLocal_hungarian : public CKeyboardLocal {
public:
    unsigned char map(unsigned char ch, bool alt, bool shift) override;
    bool accepts(unsigned char ch) override;
};

// The keyboard poller. Its tick takes the window input's key events (scan codes) in their order and keeps the
// key states; the frame's flush, at least 10 ms after the previous one of any keyboard, hands the window its
// key-downs, the characters typed and the key-ups. With auto-repeat on, a held key gives a key-down and its
// character again on every flush. A key pressed and released between two flushes still gives its key-down and
// character, with the Shift and Alt of the moment it was pressed, before its key-up.
class CKeyboard : public CXObject, public CInputPoller {
public:
    explicit CKeyboard(CWindow* window);
    ~CKeyboard() override;
    CKeyboard(const CKeyboard&) = delete;
    CKeyboard& operator=(const CKeyboard&) = delete;

    // Takes the window's input as the device; false without one.
    bool init();
    // Takes the national key map of the window's current language: Czech, Hungarian, else Polish.
    void initLanguage();
    void tick() override;
    void flushSignals(bool deliver) override;
    // The character of a scan code with the Shift and Alt held now, through the national map; 255 for none.
    int getChar(int code);
    // Types the scan code's character, when it has one the national map accepts.
    void onChar(int code);
    // "left", "up", "down", "right", "lshift", "rshift", "lctrl", "rctrl", "lalt", "ralt", "space" (any
    // letter case), "shift", "ctrl" and "alt" for either side; any other name by its first character: a
    // space, a digit or an upper-case letter.
    bool isKeyPressed(CXString name);
    bool isAnyKeyPressed();
    void setAutoRepeat(bool on) { m_autoRepeat = on; }
    bool isAutoRepeat() const { return m_autoRepeat; }
    // 128 while the key is held, else 0.
    uint8_t getKeyState(int code) const { return code >= 0 && code < 256 ? m_state[code] : 0; }
    CKeyboardLocal* getLocal() const { return m_local; }
    // Removes the first entry of the code.
    static void removeKey(std::vector<int32_t>& list, int code);

    // The least time between two flushes that deliver.
    static constexpr uint64_t kFlushGapMs = 10;

private:
    enum class EKind : uint8_t { Down, Up };
    struct CKeyEvent {
        EKind kind;
        int32_t code;
        int32_t ch; // Down: the character at the press, 255 for none
    };

    int charOf(int code, bool shift, bool alt);
    bool shiftHeld() const { return m_state[42] || m_state[54]; }
    bool altHeld() const { return m_state[56] || m_state[184]; }
    void typeChar(int ch);

    CWindow* m_window;
    bool m_autoRepeat = true;
    CInput* m_device = nullptr;
    uint8_t m_state[256] = {};
    uint32_t m_pressTime[256] = {};
    // 1 while held, until the release.
    uint8_t m_held[256] = {};
    // Held keys whose key-down was delivered and repeats with auto-repeat, in the order of pressing.
    std::vector<int32_t> m_pressed;
    // Presses and releases not delivered yet, in their order.
    std::vector<CKeyEvent> m_events;
    CKeyboardLocal* m_local = nullptr;
};

} // namespace KavirelDLL
