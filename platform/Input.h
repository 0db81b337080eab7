#pragma once
#include "platform/Display.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace KavirelDLL {

class CVideo;

// Engine key codes: PC set-1 scan codes; keys sent with the 0xE0 prefix have 0x80 added.
enum EScanCode : int32_t {
    kKeyEscape = 0x01,
    kKey1 = 0x02, // 1..9 are 0x02..0x0A
    kKey0 = 0x0B,
    kKeyMinus = 0x0C,
    kKeyEquals = 0x0D,
    kKeyBackspace = 0x0E,
    kKeyTab = 0x0F,
    kKeyQ = 0x10,
    kKeyW,
    kKeyE,
    kKeyR,
    kKeyT,
    kKeyY,
    kKeyU,
    kKeyI,
    kKeyO,
    kKeyP,
    kKeyLeftBracket = 0x1A,
    kKeyRightBracket = 0x1B,
    kKeyEnter = 0x1C,
    kKeyLeftCtrl = 0x1D,
    kKeyA = 0x1E,
    kKeyS,
    kKeyD,
    kKeyF,
    kKeyG,
    kKeyH,
    kKeyJ,
    kKeyK,
    kKeyL,
    kKeySemicolon = 0x27,
    kKeyApostrophe = 0x28,
    kKeyGrave = 0x29,
    kKeyLeftShift = 0x2A,
    kKeyBackslash = 0x2B,
    kKeyZ = 0x2C,
    kKeyX,
    kKeyC,
    kKeyV,
    kKeyB,
    kKeyN,
    kKeyM,
    kKeyComma = 0x33,
    kKeyPeriod = 0x34,
    kKeySlash = 0x35,
    kKeyRightShift = 0x36,
    kKeyPadMultiply = 0x37,
    kKeyLeftAlt = 0x38,
    kKeySpace = 0x39,
    kKeyCapsLock = 0x3A,
    kKeyF1 = 0x3B, // F1..F10 are 0x3B..0x44
    kKeyF10 = 0x44,
    kKeyNumLock = 0x45,
    kKeyScrollLock = 0x46,
    kKeyPad7 = 0x47,
    kKeyPad8,
    kKeyPad9,
    kKeyPadMinus = 0x4A,
    kKeyPad4 = 0x4B,
    kKeyPad5,
    kKeyPad6,
    kKeyPadPlus = 0x4E,
    kKeyPad1 = 0x4F,
    kKeyPad2,
    kKeyPad3,
    kKeyPad0 = 0x52,
    kKeyPadPeriod = 0x53,
    kKeyLessGreater = 0x56, // the extra key of 105-key keyboards
    kKeyF11 = 0x57,
    kKeyF12 = 0x58,
    kKeyF13 = 0x64,
    kKeyF14,
    kKeyF15,
    kKeyPadEquals = 0x8D,
    kKeyPadEnter = 0x9C,
    kKeyRightCtrl = 0x9D,
    kKeyPadDivide = 0xB5,
    kKeyPrintScreen = 0xB7,
    kKeyRightAlt = 0xB8,
    kKeyPause = 0xC5,
    kKeyHome = 0xC7,
    kKeyUp = 0xC8,
    kKeyPageUp = 0xC9,
    kKeyLeft = 0xCB,
    kKeyRight = 0xCD,
    kKeyEnd = 0xCF,
    kKeyDown = 0xD0,
    kKeyPageDown = 0xD1,
    kKeyInsert = 0xD2,
    kKeyDelete = 0xD3,
    kKeyLeftWin = 0xDB,
    kKeyRightWin = 0xDC,
    kKeyApps = 0xDD,
};

// The engine's code for an SDL scancode (physical key position); 0 for keys the engine has no code for.
int32_t scanCodeFromSdl(int32_t sdlScancode);

enum class EInputEventType : uint8_t { KeyDown, KeyUp, MouseMove, MouseDown, MouseUp, MouseWheel, Window };

enum EInputCategory : uint32_t { kInputKeyboard = 1, kInputMouse = 2, kInputWindow = 4, kInputAll = 7 };

struct CInputEvent {
    EInputEventType type = EInputEventType::KeyDown;
    EWindowEvent window = EWindowEvent::FocusGained; // Window events
    uint64_t timeMs = 0; // CPlatformClock milliseconds when the event was taken in
    int32_t key = 0;     // KeyDown, KeyUp: scan code
    int32_t button = 0;  // MouseDown, MouseUp: 0 left, 1 right, 2 middle, 3 and 4 the side buttons
    int32_t clicks = 1;  // MouseDown, MouseUp: 2 for the second press of a double click, and so on
    int32_t x = 0;       // mouse events: logical screen position; Moved: the window's desktop position
    int32_t y = 0;
    int32_t wheelX = 0; // MouseWheel: notches, positive to the right
    int32_t wheelY = 0; // MouseWheel: notches, positive away from the user
};

// A game controller as the engine reads it: axes 0, 1 and 2 (X, Y, Z) from -1000 to 1000, 0 for an axis the
// controller lacks, and its buttons, 1 while held.
struct CControllerState {
    int32_t axes[3] = {0, 0, 0};
    std::vector<uint8_t> buttons;
};

struct CModifierState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool capsLock = false;
};

// Input of the game window: desktop events read on the main thread once per frame, translated to the engine's
// codes and queued until the engine takes them. Taking events and querying state may happen on any thread.
//
// Keys: a key-down for a key already down (the desktop's auto-repeat) and a key-up for a key not down are
// dropped. Losing the focus releases every held key and button, with the matching up events.
class CInput {
public:
    // Without video only injected events arrive. The display maps pointer positions and follows window
    // events.
    explicit CInput(CVideo* video = nullptr, CDisplay* display = nullptr);
    ~CInput();
    CInput(const CInput&) = delete;
    CInput& operator=(const CInput&) = delete;

    // The display whose window the events belong to (null: positions pass unmapped).
    void setDisplay(CDisplay* display);
    // Reads the desktop's pending events (main thread only).
    void pump();
    // Whether the player asked to close the window: a close request queued, or one among the desktop's
    // events, which are read in but left for the next pump, keys and mouse in their order (main thread only;
    // for code that cannot wait for the next pump).
    bool closeRequestPending();
    // Sends a synthetic event down the same path as the desktop's; a zero time means now. Mouse positions
    // are logical screen coordinates.
    void inject(CInputEvent event);
    void injectKey(int32_t scanCode, bool down);
    void injectMouseMove(int32_t x, int32_t y);
    void injectMouseButton(int32_t button, bool down, int32_t x, int32_t y, int32_t clicks = 1);
    void injectWheel(int32_t notchesY, int32_t notchesX = 0);
    void injectWindow(EWindowEvent event);

    // Moves the queued events of the given categories to out in arrival order, leaving the others queued;
    // answers how many were moved.
    size_t take(std::vector<CInputEvent>& out, uint32_t categories = kInputAll);
    // How many events of the categories are queued.
    size_t pending(uint32_t categories = kInputAll) const;
    // Drops every queued event; key and button state stay.
    void clear();
    // Sees every event about to be queued, after the key and button state took it in (the releases that
    // losing the focus makes included); an event it answers true for is not queued. It runs under the queue's
    // lock on the thread that pumps or injects, so it must not call this object. An empty filter removes it.
    using Filter = std::function<bool(const CInputEvent&)>;
    void setFilter(Filter filter);
    // Events lost because nobody took them (the queue holds kMaxQueued).
    uint64_t droppedEvents() const;

    // State after the events taken in so far (queued or not).
    bool isKeyDown(int32_t scanCode) const;
    bool isAnyKeyDown() const;
    bool isButtonDown(int32_t button) const;
    CModifierState modifiers() const;
    // Last pointer position, logical.
    CPlatformPoint mousePosition() const;

    // Game controllers, with video read through the desktop's joystick interface: every controller it
    // reports, listed in the order they were attached; pump takes in attachments, removals and the new state.
    // The positions of the controllers attached.
    int32_t controllerCount() const;
    // The id of the controller at a position; -1 when fewer are attached.
    int32_t controllerAt(int32_t position) const;
    // The controller's state as of the last pump; false once it is gone.
    bool readController(int32_t id, CControllerState& state) const;
    // Test controllers: one attached with its button count (answers its id), removed, an axis moved (the
    // engine's scale), a button pressed or released.
    int32_t injectControllerAdded(int32_t buttons);
    void injectControllerRemoved(int32_t id);
    void injectControllerAxis(int32_t id, int32_t axis, int32_t value);
    void injectControllerButton(int32_t id, int32_t button, bool down);
    // A desktop axis value (-32768 to 32767) on the engine's scale.
    static int32_t controllerAxis(int32_t raw);

    static constexpr size_t kMaxQueued = 4096;

private:
    void dispatch(CInputEvent event, bool fromDesktop);
    void queue(const CInputEvent& event);
    void releaseAll(uint64_t timeMs);
    CPlatformPoint confine(CPlatformPoint point) const;
    struct CController {
        int32_t id;
        int32_t desktopId; // the joystick interface's instance id; -1 for a test controller
        void* device;      // the open joystick; null for a test controller
        CControllerState state;
    };
    void openController(int32_t deviceIndex);
    void closeController(int32_t desktopId);
    void readControllers();
    CController* findController(int32_t id);
    const CController* findController(int32_t id) const;
    // The pointer moves to the event's position, confined, and the event takes that position.
    void placePointer(CInputEvent& event);

    CVideo* m_video;
    CDisplay* m_display;
    mutable std::mutex m_mutex;
    std::deque<CInputEvent> m_queue;
    uint64_t m_dropped = 0;
    bool m_keys[256] = {};
    bool m_buttons[5] = {};
    bool m_capsLock = false;
    CPlatformPoint m_mouse;
    Filter m_filter;
    bool m_joysticks = false; // the joystick interface started
    std::vector<CController> m_controllers;
    int32_t m_nextControllerId = 1;
};

} // namespace KavirelDLL
