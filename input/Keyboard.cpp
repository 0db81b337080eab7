#include "input/Keyboard.h"

#include <algorithm>

#include "core/LanguageOSVer.h"
#include "core/WindowLink.h"
#include "display/Window.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

namespace {

constexpr int kNoChar = 255;

// Set when any keyboard flushed; shared by all keyboards.
bool g_flushed = false;
uint64_t g_lastFlush = 0;

char letterOf(int code) {
    static const char row1[] = "QWERTYUIOP"; // 16-25
    static const char row2[] = "ASDFGHJKL";  // 30-38
    static const char row3[] = "ZXCVBNM";    // 44-50
    if (code >= 16 && code <= 25) return row1[code - 16];
    if (code >= 30 && code <= 38) return row2[code - 30];
    if (code >= 44 && code <= 50) return row3[code - 44];
    return 0;
}

int baseChar(int code, bool shift) {
    if (code >= 2 && code <= 10) return '1' + (code - 2);
    switch (code) {
    case 79:
        return '1';
    case 80:
        return '2';
    case 81:
        return '3';
    case 75:
        return '4';
    case 76:
        return '5';
    case 77:
        return '6';
    case 71:
        return '7';
    case 72:
        return '8';
    case 73:
        return '9';
    case 11:
    case 82:
        return '0';
    case 12:
    case 74:
        return '-';
    case 13:
        return '=';
    case 78:
        return '+';
    case 26:
        return '(';
    case 27:
        return ')';
    case 51:
        return ',';
    case 52:
        return '.';
    case 53:
        return '/';
    case 57:
        return ' ';
    default:
        break;
    }
    if (char letter = letterOf(code)) return shift ? letter : letter - 'A' + 'a';
    return kNoChar;
}

unsigned char swapYZ(unsigned char ch) {
    switch (ch) {
    case 'Y':
        return 'Z';
    case 'Z':
        return 'Y';
    case 'y':
        return 'z';
    case 'z':
        return 'y';
    default:
        return ch;
    }
}

bool isLetter(unsigned char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// A language object bound to a window gives the window's keyboard its new national key map.
bool followLanguages() {
    CWindowLink::languageChanged = [](CWindow* window) {
        if (CKeyboard* keyboard = window->getKeyboardInterface()) keyboard->initLanguage();
    };
    return true;
}
[[maybe_unused]] const bool g_keyboardFollowsLanguage = followLanguages();

} // namespace

// ---------------------------------------------------------------- national maps

unsigned char CKeyboardLocal_polish::map(unsigned char ch, bool alt, bool) {
    if (!alt) return ch;
    switch (ch) {
    case 'A':
        return 0xA5;
    case 'C':
        return 0xC6;
    case 'E':
        return 0xCA;
    case 'L':
        return 0xA3;
    case 'N':
        return 0xD1;
    case 'O':
        return 0xD3;
    case 'S':
        return 0x8C;
    case 'X':
        return 0x8F;
    case 'Z':
        return 0xAF;
    case 'a':
        return 0xB9;
    case 'c':
        return 0xE6;
    case 'e':
        return 0xEA;
    case 'l':
        return 0xB3;
    case 'n':
        return 0xF1;
    case 'o':
        return 0xF3;
    case 's':
        return 0x9C;
    case 'x':
        return 0x9F;
    case 'z':
        return 0xBF;
    default:
        return ch;
    }
}

bool CKeyboardLocal_polish::accepts(unsigned char) { return true; }

unsigned char CKeyboardLocal_czech::map(unsigned char ch, bool, bool) { return swapYZ(ch); }

bool CKeyboardLocal_czech::accepts(unsigned char ch) { return isLetter(ch); }

unsigned char CKeyboardLocal_hungarian::map(unsigned char ch, bool, bool) { return swapYZ(ch); }

bool CKeyboardLocal_hungarian::accepts(unsigned char ch) { return isLetter(ch); }

// ---------------------------------------------------------------- the poller

CKeyboard::CKeyboard(CWindow* window) : m_window(window) {
    init();
    initLanguage();
    if (m_window) m_window->addIPoller(this);
}

CKeyboard::~CKeyboard() {
    if (m_window) m_window->removeIPoller(this);
    delete m_local;
}

bool CKeyboard::init() {
    m_device = m_window ? m_window->getDIIfc() : nullptr;
    return m_device != nullptr;
}

void CKeyboard::initLanguage() {
    CLanguageOSVer* language = m_window ? m_window->getLangIfc() : nullptr;
    const int code = language ? language->getLang() : 0;
    CKeyboardLocal* local = nullptr;
    if (code == CLanguageOSVer::LANG_CZECH)
        local = new CKeyboardLocal_czech();
    else if (code == CLanguageOSVer::LANG_HUNGARIAN)
        local = new CKeyboardLocal_hungarian();
    else
        local = new CKeyboardLocal_polish();
    delete m_local;
    m_local = local;
}

void CKeyboard::removeKey(std::vector<int32_t>& list, int code) {
    auto it = std::find(list.begin(), list.end(), code);
    if (it != list.end()) list.erase(it);
}

void CKeyboard::tick() {
    if (!m_device) return;
    std::vector<CInputEvent> events;
    m_device->take(events, kInputKeyboard);
    for (const CInputEvent& e : events) {
        const int k = e.key;
        if (k <= 0 || k > 255) continue;
        if (e.type == EInputEventType::KeyDown) {
            m_state[k] = 128;
            if (m_held[k]) continue;
            m_held[k] = 1;
            m_pressTime[k] = static_cast<uint32_t>(e.timeMs);
            // The character of the moment of pressing: Shift may be let go before the next flush.
            m_events.push_back(CKeyEvent{EKind::Down, k, charOf(k, shiftHeld(), altHeld())});
        } else if (e.type == EInputEventType::KeyUp) {
            m_state[k] = 0;
            if (!m_held[k]) continue;
            m_held[k] = 0;
            m_pressTime[k] = 0;
            removeKey(m_pressed, k);
            m_events.push_back(CKeyEvent{EKind::Up, k, kNoChar});
        }
    }
}

void CKeyboard::typeChar(int ch) {
    if (ch == kNoChar || !m_local || !m_local->accepts(static_cast<unsigned char>(ch))) return;
    if (m_window) m_window->OnChar(ch, 0);
}

void CKeyboard::flushSignals(bool deliver) {
    const uint64_t now = CPlatformClock::milliseconds();
    if (g_flushed && now >= g_lastFlush && now - g_lastFlush < kFlushGapMs) return;

    // Held keys repeat first: their presses came before anything queued now.
    const std::vector<int32_t> repeating = m_pressed;
    if (!m_autoRepeat) m_pressed.clear();
    // A handler may come back to the keyboard; it starts a fresh queue.
    std::vector<CKeyEvent> events;
    events.swap(m_events);
    g_flushed = true;
    g_lastFlush = now;

    for (int32_t code : repeating) {
        if (deliver && m_window) m_window->OnKeyDown(code, 0);
        if (deliver) typeChar(getChar(code));
    }
    for (const CKeyEvent& e : events) {
        if (e.kind == EKind::Down) {
            if (deliver && m_window) m_window->OnKeyDown(e.code, 0);
            if (deliver) typeChar(e.ch);
            // A release queued behind this press takes it off again.
            if (m_autoRepeat && m_held[e.code] &&
                std::find(m_pressed.begin(), m_pressed.end(), e.code) == m_pressed.end())
                m_pressed.push_back(e.code);
        } else {
            removeKey(m_pressed, e.code);
            if (deliver && m_window) m_window->OnKeyUp(e.code, 0);
        }
    }
}

int CKeyboard::charOf(int code, bool shift, bool alt) {
    int ch = baseChar(code, shift);
    if (ch == kNoChar) return kNoChar;
    if (m_local) ch = m_local->map(static_cast<unsigned char>(ch), alt, shift);
    if (shift) {
        switch (ch) {
        case ',':
            return '<';
        case '.':
            return '>';
        case '/':
            return '?';
        case '1':
            return '!';
        default:
            break;
        }
    }
    return ch;
}

int CKeyboard::getChar(int code) { return charOf(code, shiftHeld(), altHeld()); }

void CKeyboard::onChar(int code) { typeChar(getChar(code)); }

bool CKeyboard::isKeyPressed(CXString name) {
    static const struct {
        const char* name;
        int code;
    } kNamed[] = {{"left", 203},  {"up", 200},    {"down", 208}, {"right", 205},
                  {"lshift", 42}, {"rshift", 54}, {"lctrl", 29}, {"rctrl", 157},
                  {"lalt", 56},   {"ralt", 184},  {"space", 57}};
    for (const auto& named : kNamed)
        if (name.equalsIgnoreCase(CXString(named.name))) return (m_state[named.code] & 0x80) != 0;
    if (name.equalsIgnoreCase(CXString("shift"))) return ((m_state[42] | m_state[54]) & 0x80) != 0;
    if (name.equalsIgnoreCase(CXString("ctrl"))) return ((m_state[29] | m_state[157]) & 0x80) != 0;
    if (name.equalsIgnoreCase(CXString("alt"))) return ((m_state[56] | m_state[184]) & 0x80) != 0;
    if (name.GetLength() == 0) return false;
    const char first = name.GetBuffer()[0];
    int code = 0;
    if (first == ' ')
        code = 57;
    else if (first == '0')
        code = 11;
    else if (first >= '1' && first <= '9')
        code = 2 + (first - '1');
    else if (first >= 'A' && first <= 'Z')
        for (int c = 16; c <= 50 && !code; ++c)
            if (letterOf(c) == first) code = c;
    return code ? (m_state[code] & 0x80) != 0 : false;
}

bool CKeyboard::isAnyKeyPressed() {
    return std::any_of(std::begin(m_state), std::end(m_state), [](uint8_t s) { return (s & 0x80) != 0; });
}

} // namespace KavirelDLL
