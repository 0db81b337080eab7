#include "media/controls/EditBox6.h"

#include <algorithm>

#include "core/Containers.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/controls/Button.h"
#include "media/controls/Unit6.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"

namespace KavirelDLL {

namespace {

// Scan codes the box edits with.
enum : int {
    kEsc = 1,
    kBackspace = 14,
    kEnter = 28,
    kHome = 199,
    kLeft = 203,
    kRight = 205,
    kEnd = 207,
    kDelete = 211,
};

enum : int { kFocusOn = 1, kFocusOff = 2, kChanged = 3, kEnterPressed = 4, kEscPressed = 5 };

} // namespace

CEditBox6::CEditBox6(CWindow* window, CUnit6* unit, CSimpleFont6* font, CXRect rect, int priority,
                     CXString text)
    : m_window(window), m_unit(unit), m_rect(rect), m_text(text.GetBuffer() ? text.GetBuffer() : ""),
      m_timerId(CXTimer::newObjectId()) {
    m_button = new CButton(window, rect, 0, nullptr);
    m_button->addNotifier(this);
    m_button->setUnit(unit);

    m_textGraphic = new CMultilineText6(window, false, nullptr);
    m_textGraphic->setFont(font);
    m_textGraphic->setJustify(m_rect, LEFT, TOP);
    showText();
    m_textGraphic->Visible(true);
    m_textGraphic->SetClippingRect(CXRect(0, 0, m_rect.Width(), m_rect.Height()));
    if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
        screen->put(m_textGraphic, priority);

    m_notifiers = new CXArray(101, 0.75f);
    if (window) {
        window->registerKeyListener(this);
        window->registerMouseListener(this, 100001);
    }
}

CEditBox6::~CEditBox6() {
    // A dying box takes no focus and no cursor from the handlers told below.
    m_dying = true;
    // Whoever keeps the box forgets it first, so that a handler told below cannot delete it again.
    for (CXVector* list : m_holderLists) list->remove(this);
    for (CEditBox6** slot : m_holderSlots)
        if (*slot == this) *slot = nullptr;
    if (m_unit) m_unit->removeEditBox(this);
    if (m_window) {
        m_window->removeKeyListener(this);
        m_window->removeMouseListener(this);
        if (CXTimer* timers = m_window->GetTimerInterface()) timers->remove(m_timerId);
    }
    if (m_cursorGraphic) m_cursorGraphic->removeInvalidateObserver(this);
    m_cursorGraphic = nullptr;
    // Every box tells it, with the focus or without.
    m_active = false;
    tellFocus(false);
    *m_alive = false;
    if (CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr) {
        m_textGraphic->Invalidate();
        *screen >> m_textGraphic;
    }
    delete m_textGraphic;
    delete m_button;
    delete m_notifiers;
}

// ---------------------------------------------------------------- holders and notifiers

void CEditBox6::addHolder(CXVector* list) {
    if (list && std::find(m_holderLists.begin(), m_holderLists.end(), list) == m_holderLists.end())
        m_holderLists.push_back(list);
}

void CEditBox6::addHolder(CEditBox6** slot) {
    if (slot && std::find(m_holderSlots.begin(), m_holderSlots.end(), slot) == m_holderSlots.end())
        m_holderSlots.push_back(slot);
}

void CEditBox6::removeHolder(CXVector* list) {
    m_holderLists.erase(std::remove(m_holderLists.begin(), m_holderLists.end(), list), m_holderLists.end());
}

void CEditBox6::removeHolder(CEditBox6** slot) {
    m_holderSlots.erase(std::remove(m_holderSlots.begin(), m_holderSlots.end(), slot), m_holderSlots.end());
}

void CEditBox6::addNotifier(CEditBoxNotifier* notifier) {
    if (notifier && !m_notifiers->contains(notifier)) m_notifiers->add(notifier);
}

void CEditBox6::removeNotifier(CEditBoxNotifier* notifier) { m_notifiers->remove(notifier); }

bool CEditBox6::notify(int what) {
    if (what < kFocusOn || what > kEscPressed) return true;
    // A notifier may leave the list, or delete the box, while it is told.
    std::vector<CEditBoxNotifier*> copy;
    for (int i = 0; i < m_notifiers->getSize(); ++i)
        copy.push_back(static_cast<CEditBoxNotifier*>(m_notifiers->at(i)));
    std::shared_ptr<bool> alive = m_alive;
    for (CEditBoxNotifier* n : copy) {
        if (!*alive) return false;
        if (!m_notifiers->contains(n)) continue;
        switch (what) {
        case kFocusOn:
            n->onFocusOn(this);
            break;
        case kFocusOff:
            n->onFocusOff(this);
            break;
        case kChanged:
            n->onChanged(this);
            break;
        case kEnterPressed:
            n->onEnter(this);
            break;
        default:
            n->onEsc(this);
        }
    }
    return *alive;
}

// ---------------------------------------------------------------- text, cursor, layout

void CEditBox6::setText(CXString text) {
    m_text = text.GetBuffer() ? text.GetBuffer() : "";
    m_cursor = std::min<int>(m_cursor, static_cast<int>(m_text.size()));
    showText();
}

void CEditBox6::showText() { m_textGraphic->setText(CXString(m_text.c_str())); }

void CEditBox6::setCursorPos(int pos) {
    m_cursor = std::clamp(pos, 0, static_cast<int>(m_text.size()));
    updateCursor();
}

void CEditBox6::setCursor(CGraphicsObject* cursor) {
    if (m_dying || cursor == m_cursorGraphic) return;
    if (m_cursorGraphic) m_cursorGraphic->removeInvalidateObserver(this);
    m_cursorGraphic = cursor;
    if (cursor) cursor->addInvalidateObserver(this);
}

void CEditBox6::onDestroy(CGraphicsObject* source) {
    if (source == m_cursorGraphic) m_cursorGraphic = nullptr;
}

void CEditBox6::setVisibility(bool visible) { m_textGraphic->Visible(visible); }

void CEditBox6::setColor(int color) {
    m_textGraphic->setColor(color);
    m_textGraphic->Invalidate();
}

void CEditBox6::setPriority(int priority) {
    if (CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr)
        screen->SetPriority(m_textGraphic, priority);
}

void CEditBox6::setPosition(CXPoint p) {
    m_rect = CXRect(p.x, p.y, p.x + m_rect.Width(), p.y + m_rect.Height());
    layOut();
}

void CEditBox6::setRect(CXRect rect) {
    m_rect = rect;
    layOut();
}

void CEditBox6::move(CXPoint offset) { setPosition(CXPoint(m_rect.left + offset.x, m_rect.top + offset.y)); }

void CEditBox6::layOut() {
    m_textGraphic->Invalidate();
    m_textGraphic->setJustify(m_rect, LEFT, TOP);
    m_textGraphic->SetClippingRect(CXRect(0, 0, m_rect.Width(), m_rect.Height()));
    m_textGraphic->Invalidate();
    m_button->SetActiveRect(m_rect);
    updateCursor();
}

int CEditBox6::widthOf(const std::string& text) {
    // The text's font, which it forgets when the font is destroyed.
    return CText6::getLength(m_textGraphic->getFont(), CXString(text.c_str()));
}

void CEditBox6::updateCursor() {
    if (!m_cursorGraphic) return;
    m_cursorGraphic->Invalidate();
    if (m_cursor <= 0) {
        m_cursorGraphic->SetPosition(m_rect.left, m_rect.top + 1);
    } else {
        const size_t cursor = std::min<size_t>(m_cursor, m_text.size());
        const size_t bar = m_text.rfind('|', cursor - 1);
        const size_t start = bar == std::string::npos ? 0 : bar + 1;
        const int width = start < cursor ? widthOf(m_text.substr(start, cursor - start)) : 0;
        // Every line break counts, so the row is the last line's.
        const int row = static_cast<int>(std::count(m_text.begin(), m_text.end(), '|'));
        CSimpleFont6* font = m_textGraphic->getFont();
        const int height = font ? font->Height() : 0;
        if (m_rect.left + width < m_rect.right)
            m_cursorGraphic->SetPosition(m_rect.left + width, m_rect.top + 1 + row * (height - 4));
    }
    m_cursorGraphic->Invalidate();
}

// ---------------------------------------------------------------- focus

void CEditBox6::activate(bool active) {
    CXTimer* timers = m_window ? m_window->GetTimerInterface() : nullptr;
    if (active) {
        if (m_dying) return;
        m_active = true;
        m_cursor = static_cast<int>(m_text.size());
        if (timers) {
            timers->remove(m_timerId);
            timers->add(m_timerId, kBlinkMs, static_cast<CTimerNotificator*>(this));
        }
        updateCursor();
        tellFocus(true);
        return;
    }
    m_active = false;
    if (timers) timers->remove(m_timerId);
    tellFocus(false);
}

bool CEditBox6::tellFocus(bool on) {
    bool& telling = on ? m_tellingOn : m_tellingOff;
    if (telling) return true;
    telling = true;
    const std::shared_ptr<bool> alive = m_alive;
    notify(on ? kFocusOn : kFocusOff);
    if (*alive) telling = false;
    return *alive;
}

void CEditBox6::enable(bool enabled) {
    m_enabled = enabled;
    m_button->Enable(enabled);
    // Enabling the focused box drops its focus too, as disabling does.
    if (m_active) activate(false);
}

void CEditBox6::leaveUnit() {
    m_unit = nullptr;
    m_button->setUnit(nullptr);
}

void CEditBox6::focus(bool on) {
    if (m_unit)
        m_unit->activateEditBox(on ? this : nullptr);
    else
        activate(on);
}

void CEditBox6::onControlAction(CControl*, CXPoint) {
    if (!m_active) focus(true);
}

bool CEditBox6::onClick(CXPoint p) {
    if (!m_rect.IsInRect(p)) {
        // Without a unit a box minds only its own focus.
        if (m_unit || m_active) focus(false);
    }
    return false;
}

void CEditBox6::onTimer(int) {
    if (m_cursorGraphic) m_cursorGraphic->Visible(!m_cursorGraphic->isVisible());
}

// ---------------------------------------------------------------- editing

void CEditBox6::onKeyDown(int code) {
    if (!m_enabled || !m_active || m_readOnly) return;
    const int length = static_cast<int>(m_text.size());
    m_cursor = std::clamp<int>(m_cursor, 0, length);
    switch (code) {
    case kEsc:
        notify(kEscPressed);
        return;
    case kBackspace:
        if (m_cursor < 1) return;
        m_text.erase(static_cast<size_t>(m_cursor - 1), 1);
        --m_cursor;
        break;
    case kEnter:
        if (!m_singleLine) {
            // Appended at the end wherever the cursor is.
            m_text += '|';
            ++m_cursor;
            showText();
            updateCursor();
        }
        notify(kEnterPressed);
        return;
    case kHome:
        if (m_cursor < 1) return;
        m_cursor = 0;
        updateCursor();
        return;
    case kLeft:
        if (m_cursor < 1) return;
        --m_cursor;
        updateCursor();
        return;
    case kRight:
        if (m_cursor >= length) return;
        ++m_cursor;
        updateCursor();
        return;
    case kEnd:
        if (m_cursor >= length) return;
        m_cursor = length;
        updateCursor();
        return;
    case kDelete:
        if (m_cursor >= length) return;
        m_text.erase(static_cast<size_t>(m_cursor), 1);
        break;
    default:
        return;
    }
    showText();
    updateCursor();
}

void CEditBox6::onChar(unsigned char ch) {
    if (!m_enabled || !m_active || m_readOnly) return;
    // Typed texts never open a format code: the font draws these two as "<" and ">".
    if (ch == '<') ch = '@';
    if (ch == '>') ch = '$';
    m_cursor = std::clamp<int>(m_cursor, 0, static_cast<int>(m_text.size()));
    std::string candidate = m_text;
    candidate.insert(static_cast<size_t>(m_cursor), 1, static_cast<char>(ch));
    const size_t bar = candidate.rfind('|');
    const size_t lineStart = bar == std::string::npos ? 0 : bar + 1;
    int step = 1;
    if (m_rect.Width() < widthOf(candidate.substr(lineStart))) {
        if (m_singleLine) return;
        // After the last space of the last line, else before the last character.
        const size_t space = candidate.rfind(' ');
        const size_t at = space != std::string::npos && (bar == std::string::npos || space > bar)
                              ? space + 1
                              : candidate.size() - 1;
        candidate.insert(at, 1, '|');
        step = 2;
    }
    m_text = candidate;
    m_cursor += step;
    showText();
    updateCursor();
    notify(kChanged);
}

} // namespace KavirelDLL
