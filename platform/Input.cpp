#include "platform/Input.h"

#include "platform/PlatformTime.h"
#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>

namespace KavirelDLL {

namespace {

using ScanTable = std::array<uint8_t, SDL_NUM_SCANCODES>;

ScanTable buildScanTable() {
    ScanTable t{};
    const uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                 0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = letters[i];
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = static_cast<uint8_t>(kKey1 + i);
    t[SDL_SCANCODE_0] = kKey0;
    for (int i = 0; i < 10; ++i) t[SDL_SCANCODE_F1 + i] = static_cast<uint8_t>(kKeyF1 + i);
    const std::pair<SDL_Scancode, int32_t> keys[] = {
        {SDL_SCANCODE_RETURN, kKeyEnter},
        {SDL_SCANCODE_ESCAPE, kKeyEscape},
        {SDL_SCANCODE_BACKSPACE, kKeyBackspace},
        {SDL_SCANCODE_TAB, kKeyTab},
        {SDL_SCANCODE_SPACE, kKeySpace},
        {SDL_SCANCODE_MINUS, kKeyMinus},
        {SDL_SCANCODE_EQUALS, kKeyEquals},
        {SDL_SCANCODE_LEFTBRACKET, kKeyLeftBracket},
        {SDL_SCANCODE_RIGHTBRACKET, kKeyRightBracket},
        {SDL_SCANCODE_BACKSLASH, kKeyBackslash},
        {SDL_SCANCODE_NONUSHASH, kKeyBackslash}, // the key left of Enter on ISO keyboards
        {SDL_SCANCODE_SEMICOLON, kKeySemicolon},
        {SDL_SCANCODE_APOSTROPHE, kKeyApostrophe},
        {SDL_SCANCODE_GRAVE, kKeyGrave},
        {SDL_SCANCODE_COMMA, kKeyComma},
        {SDL_SCANCODE_PERIOD, kKeyPeriod},
        {SDL_SCANCODE_SLASH, kKeySlash},
        {SDL_SCANCODE_CAPSLOCK, kKeyCapsLock},
        {SDL_SCANCODE_F11, kKeyF11},
        {SDL_SCANCODE_F12, kKeyF12},
        {SDL_SCANCODE_F13, kKeyF13},
        {SDL_SCANCODE_F14, kKeyF14},
        {SDL_SCANCODE_F15, kKeyF15},
        {SDL_SCANCODE_PRINTSCREEN, kKeyPrintScreen},
        {SDL_SCANCODE_SCROLLLOCK, kKeyScrollLock},
        {SDL_SCANCODE_PAUSE, kKeyPause},
        {SDL_SCANCODE_INSERT, kKeyInsert},
        {SDL_SCANCODE_HOME, kKeyHome},
        {SDL_SCANCODE_PAGEUP, kKeyPageUp},
        {SDL_SCANCODE_DELETE, kKeyDelete},
        {SDL_SCANCODE_END, kKeyEnd},
        {SDL_SCANCODE_PAGEDOWN, kKeyPageDown},
        {SDL_SCANCODE_RIGHT, kKeyRight},
        {SDL_SCANCODE_LEFT, kKeyLeft},
        {SDL_SCANCODE_DOWN, kKeyDown},
        {SDL_SCANCODE_UP, kKeyUp},
        {SDL_SCANCODE_NUMLOCKCLEAR, kKeyNumLock},
        {SDL_SCANCODE_KP_DIVIDE, kKeyPadDivide},
        {SDL_SCANCODE_KP_MULTIPLY, kKeyPadMultiply},
        {SDL_SCANCODE_KP_MINUS, kKeyPadMinus},
        {SDL_SCANCODE_KP_PLUS, kKeyPadPlus},
        {SDL_SCANCODE_KP_ENTER, kKeyPadEnter},
        {SDL_SCANCODE_KP_1, kKeyPad1},
        {SDL_SCANCODE_KP_2, kKeyPad2},
        {SDL_SCANCODE_KP_3, kKeyPad3},
        {SDL_SCANCODE_KP_4, kKeyPad4},
        {SDL_SCANCODE_KP_5, kKeyPad5},
        {SDL_SCANCODE_KP_6, kKeyPad6},
        {SDL_SCANCODE_KP_7, kKeyPad7},
        {SDL_SCANCODE_KP_8, kKeyPad8},
        {SDL_SCANCODE_KP_9, kKeyPad9},
        {SDL_SCANCODE_KP_0, kKeyPad0},
        {SDL_SCANCODE_KP_PERIOD, kKeyPadPeriod},
        {SDL_SCANCODE_KP_EQUALS, kKeyPadEquals},
        {SDL_SCANCODE_KP_COMMA, 0xB3},
        {SDL_SCANCODE_NONUSBACKSLASH, kKeyLessGreater},
        {SDL_SCANCODE_APPLICATION, kKeyApps},
        {SDL_SCANCODE_INTERNATIONAL1, 0x73},
        {SDL_SCANCODE_INTERNATIONAL2, 0x70},
        {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
        {SDL_SCANCODE_INTERNATIONAL4, 0x79},
        {SDL_SCANCODE_INTERNATIONAL5, 0x7B},
        {SDL_SCANCODE_LCTRL, kKeyLeftCtrl},
        {SDL_SCANCODE_LSHIFT, kKeyLeftShift},
        {SDL_SCANCODE_LALT, kKeyLeftAlt},
        {SDL_SCANCODE_LGUI, kKeyLeftWin},
        {SDL_SCANCODE_RCTRL, kKeyRightCtrl},
        {SDL_SCANCODE_RSHIFT, kKeyRightShift},
        {SDL_SCANCODE_RALT, kKeyRightAlt},
        {SDL_SCANCODE_RGUI, kKeyRightWin},
    };
    for (const auto& [sdl, code] : keys) t[sdl] = static_cast<uint8_t>(code);
    return t;
}

const ScanTable& scanTable() {
    static const ScanTable table = buildScanTable();
    return table;
}

int32_t buttonFromSdl(uint8_t button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    case SDL_BUTTON_X2:
        return 4;
    default:
        return -1;
    }
}

// The events the desktop and the tests send down the same path.
CInputEvent windowEvent(EWindowEvent kind) {
    CInputEvent e;
    e.type = EInputEventType::Window;
    e.window = kind;
    return e;
}

CInputEvent keyEvent(int32_t scanCode, bool down) {
    CInputEvent e;
    e.type = down ? EInputEventType::KeyDown : EInputEventType::KeyUp;
    e.key = scanCode;
    return e;
}

CInputEvent mouseMoveEvent(CPlatformPoint p) {
    CInputEvent e;
    e.type = EInputEventType::MouseMove;
    e.x = p.x;
    e.y = p.y;
    return e;
}

CInputEvent mouseButtonEvent(int32_t button, bool down, CPlatformPoint p, int32_t clicks) {
    CInputEvent e = mouseMoveEvent(p);
    e.type = down ? EInputEventType::MouseDown : EInputEventType::MouseUp;
    e.button = button;
    e.clicks = clicks;
    return e;
}

CInputEvent wheelEvent(int32_t notchesX, int32_t notchesY) {
    CInputEvent e;
    e.type = EInputEventType::MouseWheel;
    e.wheelX = notchesX;
    e.wheelY = notchesY;
    return e;
}

uint32_t categoryOf(EInputEventType type) {
    switch (type) {
    case EInputEventType::KeyDown:
    case EInputEventType::KeyUp:
        return kInputKeyboard;
    case EInputEventType::Window:
        return kInputWindow;
    default:
        return kInputMouse;
    }
}

} // namespace

int32_t scanCodeFromSdl(int32_t sdlScancode) {
    if (sdlScancode < 0 || sdlScancode >= SDL_NUM_SCANCODES) return 0;
    return scanTable()[static_cast<size_t>(sdlScancode)];
}

CInput::CInput(CVideo* video, CDisplay* display) : m_video(video), m_display(display) {
    if (!m_video || !m_video->isReady()) return;
    // The state stays true while another window has the focus, so a button let go meanwhile reads as up;
    // the engine itself reads controllers only while the game is active.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Controllers attached already arrive as added events at the first pump.
    m_joysticks = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

CInput::~CInput() {
    if (!m_joysticks) return;
    for (CController& c : m_controllers)
        if (c.device) SDL_JoystickClose(static_cast<SDL_Joystick*>(c.device));
    m_controllers.clear();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    // The last user of SDL in the process frees what the subsystems leave behind.
    if (SDL_WasInit(0) == 0) SDL_Quit();
}

void CInput::setDisplay(CDisplay* display) { m_display = display; }

void CInput::pump() {
    if (m_video && m_video->isReady()) {
        SDL_Event e;
        auto logical = [this](int32_t x, int32_t y) {
            CPlatformPoint p{x, y};
            return m_display ? m_display->windowToLogical(p) : p;
        };
        while (SDL_PollEvent(&e)) {
            switch (e.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                int32_t key = scanCodeFromSdl(e.key.keysym.scancode);
                if (key == 0 || e.key.repeat) break;
                dispatch(keyEvent(key, e.type == SDL_KEYDOWN), true);
                std::lock_guard<std::mutex> lock(m_mutex);
                m_capsLock = (e.key.keysym.mod & KMOD_CAPS) != 0;
                break;
            }
            case SDL_MOUSEMOTION:
                dispatch(mouseMoveEvent(logical(e.motion.x, e.motion.y)), true);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                int32_t button = buttonFromSdl(e.button.button);
                if (button < 0) break;
                dispatch(mouseButtonEvent(button, e.type == SDL_MOUSEBUTTONDOWN,
                                          logical(e.button.x, e.button.y),
                                          std::max<int32_t>(1, e.button.clicks)),
                         true);
                break;
            }
            case SDL_MOUSEWHEEL: {
                int32_t sign = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
                dispatch(wheelEvent(e.wheel.x * sign, e.wheel.y * sign), true);
                break;
            }
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED: {
                    dispatch(windowEvent(EWindowEvent::FocusGained), true);
                    // Caps Lock may have been toggled in another window.
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_capsLock = (SDL_GetModState() & KMOD_CAPS) != 0;
                    break;
                }
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    dispatch(windowEvent(EWindowEvent::FocusLost), true);
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    dispatch(windowEvent(EWindowEvent::CloseRequested), true);
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    dispatch(windowEvent(EWindowEvent::Exposed), true);
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    dispatch(windowEvent(EWindowEvent::Minimised), true);
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                    dispatch(windowEvent(EWindowEvent::Restored), true);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    dispatch(windowEvent(EWindowEvent::Resized), true);
                    break;
                case SDL_WINDOWEVENT_MOVED: {
                    CInputEvent moved = windowEvent(EWindowEvent::Moved);
                    moved.x = e.window.data1;
                    moved.y = e.window.data2;
                    dispatch(moved, true);
                    break;
                }
                default:
                    break;
                }
                break;
            case SDL_QUIT:
                dispatch(windowEvent(EWindowEvent::CloseRequested), true);
                break;
            case SDL_JOYDEVICEADDED:
                openController(e.jdevice.which);
                break;
            case SDL_JOYDEVICEREMOVED:
                closeController(e.jdevice.which);
                break;
            case SDL_RENDER_TARGETS_RESET:
            case SDL_RENDER_DEVICE_RESET:
                dispatch(windowEvent(EWindowEvent::RenderReset), true);
                break;
            default:
                break;
            }
        }
    }
    if (m_joysticks) readControllers();
    if (m_display) {
        if (std::optional<CPlatformPoint> warp = m_display->takeWarp()) injectMouseMove(warp->x, warp->y);
    }
}

// ---------------------------------------------------------------- game controllers

int32_t CInput::controllerAxis(int32_t raw) {
    const int64_t v = std::clamp<int64_t>(raw, -32768, 32767);
    return static_cast<int32_t>((v + 32768) * 2000 / 65535 - 1000);
}

void CInput::openController(int32_t deviceIndex) {
    SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
    // One that cannot be opened is skipped, as if it were not there.
    if (!joystick) return;
    const int32_t desktopId = SDL_JoystickInstanceID(joystick);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const CController& c : m_controllers) {
        if (c.desktopId != desktopId) continue;
        SDL_JoystickClose(joystick); // opened twice: drop the second hold
        return;
    }
    CController c{m_nextControllerId++, desktopId, joystick, {}};
    c.state.buttons.assign(static_cast<size_t>(std::max(0, SDL_JoystickNumButtons(joystick))), 0);
    m_controllers.push_back(std::move(c));
}

void CInput::closeController(int32_t desktopId) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_controllers.begin(); it != m_controllers.end(); ++it) {
        if (it->desktopId != desktopId || !it->device) continue;
        SDL_JoystickClose(static_cast<SDL_Joystick*>(it->device));
        m_controllers.erase(it);
        return;
    }
}

void CInput::readControllers() {
    SDL_JoystickUpdate();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (CController& c : m_controllers) {
        auto* joystick = static_cast<SDL_Joystick*>(c.device);
        if (!joystick) continue;
        const int axes = SDL_JoystickNumAxes(joystick);
        for (int a = 0; a < 3; ++a)
            c.state.axes[a] = a < axes ? controllerAxis(SDL_JoystickGetAxis(joystick, a)) : 0;
        for (size_t b = 0; b < c.state.buttons.size(); ++b)
            c.state.buttons[b] = SDL_JoystickGetButton(joystick, static_cast<int>(b)) ? 1 : 0;
    }
}

CInput::CController* CInput::findController(int32_t id) {
    for (CController& c : m_controllers)
        if (c.id == id) return &c;
    return nullptr;
}

const CInput::CController* CInput::findController(int32_t id) const {
    for (const CController& c : m_controllers)
        if (c.id == id) return &c;
    return nullptr;
}

int32_t CInput::controllerCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int32_t>(m_controllers.size());
}

int32_t CInput::controllerAt(int32_t position) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (position < 0 || position >= static_cast<int32_t>(m_controllers.size())) return -1;
    return m_controllers[static_cast<size_t>(position)].id;
}

bool CInput::readController(int32_t id, CControllerState& state) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const CController* c = findController(id);
    if (!c) return false;
    state = c->state;
    return true;
}

int32_t CInput::injectControllerAdded(int32_t buttons) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CController c{m_nextControllerId++, -1, nullptr, {}};
    c.state.buttons.assign(static_cast<size_t>(std::clamp(buttons, 0, 128)), 0);
    m_controllers.push_back(std::move(c));
    return m_controllers.back().id;
}

void CInput::injectControllerRemoved(int32_t id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_controllers.begin(); it != m_controllers.end(); ++it) {
        if (it->id != id || it->device) continue;
        m_controllers.erase(it);
        return;
    }
}

void CInput::injectControllerAxis(int32_t id, int32_t axis, int32_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CController* c = findController(id);
    if (c && !c->device && axis >= 0 && axis < 3) c->state.axes[axis] = std::clamp(value, -1000, 1000);
}

void CInput::injectControllerButton(int32_t id, int32_t button, bool down) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CController* c = findController(id);
    if (c && !c->device && button >= 0 && static_cast<size_t>(button) < c->state.buttons.size())
        c->state.buttons[static_cast<size_t>(button)] = down ? 1 : 0;
}

void CInput::inject(CInputEvent event) { dispatch(event, false); }

void CInput::injectKey(int32_t scanCode, bool down) { inject(keyEvent(scanCode, down)); }

void CInput::injectMouseMove(int32_t x, int32_t y) { inject(mouseMoveEvent({x, y})); }

void CInput::injectMouseButton(int32_t button, bool down, int32_t x, int32_t y, int32_t clicks) {
    inject(mouseButtonEvent(button, down, {x, y}, clicks));
}

void CInput::injectWheel(int32_t notchesY, int32_t notchesX) { inject(wheelEvent(notchesX, notchesY)); }

void CInput::injectWindow(EWindowEvent event) { inject(windowEvent(event)); }

CPlatformPoint CInput::confine(CPlatformPoint p) const {
    if (!m_display || !m_display->isOpen()) return p;
    p.x = std::clamp(p.x, 0, m_display->width() - 1);
    p.y = std::clamp(p.y, 0, m_display->height() - 1);
    if (std::optional<CPlatformRect> clip = m_display->cursorClip()) {
        p.x = std::clamp(p.x, clip->left, clip->right - 1);
        p.y = std::clamp(p.y, clip->top, clip->bottom - 1);
    }
    return p;
}

void CInput::dispatch(CInputEvent e, bool fromDesktop) {
    if (e.timeMs == 0) e.timeMs = CPlatformClock::milliseconds();
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (e.type) {
    case EInputEventType::KeyDown:
        if (e.key <= 0 || e.key > 255 || m_keys[e.key]) return;
        m_keys[e.key] = true;
        if (!fromDesktop && e.key == kKeyCapsLock) m_capsLock = !m_capsLock;
        break;
    case EInputEventType::KeyUp:
        if (e.key <= 0 || e.key > 255 || !m_keys[e.key]) return;
        m_keys[e.key] = false;
        break;
    case EInputEventType::MouseMove:
        placePointer(e);
        break;
    case EInputEventType::MouseDown:
    case EInputEventType::MouseUp: {
        if (e.button < 0 || e.button > 4) return;
        bool down = e.type == EInputEventType::MouseDown;
        if (m_buttons[e.button] == down) return;
        m_buttons[e.button] = down;
        placePointer(e);
        e.clicks = std::max(1, e.clicks);
        break;
    }
    case EInputEventType::MouseWheel:
        if (e.wheelX == 0 && e.wheelY == 0) return;
        e.x = m_mouse.x;
        e.y = m_mouse.y;
        break;
    case EInputEventType::Window:
        if (m_display) m_display->onWindowEvent(e.window);
        if (e.window == EWindowEvent::FocusLost) releaseAll(e.timeMs);
        if (e.window == EWindowEvent::CloseRequested) {
            // The desktop may ask twice (the window's close button, then the session's quit).
            for (const CInputEvent& queued : m_queue)
                if (queued.type == EInputEventType::Window && queued.window == EWindowEvent::CloseRequested)
                    return;
        }
        break;
    }
    queue(e);
}

void CInput::placePointer(CInputEvent& e) {
    m_mouse = confine({e.x, e.y});
    e.x = m_mouse.x;
    e.y = m_mouse.y;
}

void CInput::releaseAll(uint64_t timeMs) {
    for (int32_t key = 1; key < 256; ++key) {
        if (!m_keys[key]) continue;
        m_keys[key] = false;
        CInputEvent up = keyEvent(key, false);
        up.timeMs = timeMs;
        queue(up);
    }
    for (int32_t button = 0; button < 5; ++button) {
        if (!m_buttons[button]) continue;
        m_buttons[button] = false;
        CInputEvent up = mouseButtonEvent(button, false, m_mouse, 1);
        up.timeMs = timeMs;
        queue(up);
    }
}

void CInput::setFilter(Filter filter) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filter = std::move(filter);
}

void CInput::queue(const CInputEvent& e) {
    if (m_filter && m_filter(e)) return;
    if (m_queue.size() >= kMaxQueued) {
        if (e.type == EInputEventType::MouseMove && m_queue.back().type == EInputEventType::MouseMove) {
            m_queue.back() = e;
            return;
        }
        m_queue.pop_front();
        ++m_dropped;
    }
    m_queue.push_back(e);
}

size_t CInput::take(std::vector<CInputEvent>& out, uint32_t categories) {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t moved = 0;
    std::deque<CInputEvent> kept;
    for (const CInputEvent& e : m_queue) {
        if (categoryOf(e.type) & categories) {
            out.push_back(e);
            ++moved;
        } else {
            kept.push_back(e);
        }
    }
    m_queue.swap(kept);
    return moved;
}

bool CInput::closeRequestPending() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const CInputEvent& e : m_queue)
            if (e.type == EInputEventType::Window && e.window == EWindowEvent::CloseRequested) return true;
    }
    if (!m_video || !m_video->isReady()) return false;
    SDL_PumpEvents();
    if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) return true;
    const int count = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    if (count <= 0) return false;
    std::vector<SDL_Event> events(static_cast<size_t>(count));
    const int peeked = SDL_PeepEvents(events.data(), count, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < peeked; ++i)
        if (events[static_cast<size_t>(i)].window.event == SDL_WINDOWEVENT_CLOSE) return true;
    return false;
}

size_t CInput::pending(uint32_t categories) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(
        std::count_if(m_queue.begin(), m_queue.end(),
                      [categories](const CInputEvent& e) { return (categoryOf(e.type) & categories) != 0; }));
}

void CInput::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

uint64_t CInput::droppedEvents() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

bool CInput::isKeyDown(int32_t scanCode) const {
    if (scanCode <= 0 || scanCode > 255) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keys[scanCode];
}

bool CInput::isAnyKeyDown() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(std::begin(m_keys), std::end(m_keys), [](bool down) { return down; });
}

bool CInput::isButtonDown(int32_t button) const {
    if (button < 0 || button > 4) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_buttons[button];
}

CModifierState CInput::modifiers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    CModifierState s;
    s.shift = m_keys[kKeyLeftShift] || m_keys[kKeyRightShift];
    s.ctrl = m_keys[kKeyLeftCtrl] || m_keys[kKeyRightCtrl];
    s.alt = m_keys[kKeyLeftAlt] || m_keys[kKeyRightAlt];
    s.capsLock = m_capsLock;
    return s;
}

CPlatformPoint CInput::mousePosition() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mouse;
}

} // namespace KavirelDLL
