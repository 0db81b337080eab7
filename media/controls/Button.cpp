#include "media/controls/Button.h"

#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "input/DXMouse.h"
#include "media/controls/Unit6.h"
#include "media/sound/Sound4.h"

namespace KavirelDLL {

// ---------------------------------------------------------------- the hot spot

CButton::CHotSpotButton::CHotSpotButton(CWindow* window, CButton* button, CXRect rect, CMC_Button* mcButton)
    : CHotSpot(window, nullptr, HS_NONE, 0, mcButton), m_button(button) {
    if (!rect.IsEmpty()) SetActiveRect(rect, HS_NONE, 0);
}

int CButton::CHotSpotButton::OnMouseMove(CXPoint p, int, void*) { return m_button->onMouseMove(p); }

// Every step below may run notifiers that delete the button, and with it this hot spot: once the token says
// so, nothing of either is touched again.
int CButton::CHotSpotButton::OnFocusOn(CXPoint p, int, void*) {
    CButton* b = m_button;
    if (!b->IsEnabled()) return 0;
    CUnit6* unit = getUnit();
    if (unit && (!unit->isActive() || unit->isDragging())) return 0;
    if (unit && !unit->wasInitiallyUpdated()) return b->onFocusOn(p);
    if (b->m_onMove) {
        if (b->m_hideStandardWhileOnMove) b->show(b->m_standard, false);
        b->show(b->m_onMove, true);
    }
    if (!m_hoverSoundPlayed) b->playSound(b->m_soundOnMove, true);
    m_hoverSoundPlayed = true;
    const std::shared_ptr<bool> alive = b->aliveToken();
    const int moved = b->OnMove(p, 0, b->m_data);
    if (!*alive) return moved;
    const int focused = b->onFocusOn(p);
    return moved ? moved : focused;
}

int CButton::CHotSpotButton::OnFocusOff(CXPoint p, int, void*) {
    CButton* b = m_button;
    CUnit6* unit = getUnit();
    if (b->IsEnabled() && (!unit || (unit->isActive() && !unit->isDragging()))) {
        b->Force(false);
        if (b->m_onMove && !b->m_frozen) {
            if (b->m_hideStandardWhileOnMove) b->show(b->m_standard, true);
            b->show(b->m_onMove, false);
        }
        if (b->m_soundOnMove && b->m_soundOnMove->IsPlaying()) b->m_soundOnMove->Stop();
        m_hoverSoundPlayed = false;
    }
    return b->onFocusOff(p);
}

int CButton::CHotSpotButton::OnLButtonDown(CXPoint p, int, void*) {
    CButton* b = m_button;
    CUnit6* unit = getUnit();
    if (!b->IsEnabled() || (unit && unit->isDragging())) return 0;
    const std::shared_ptr<bool> alive = b->aliveToken();
    b->OnClick(p, 0, b->m_data);
    if (*alive) b->Force(true);
    return 1;
}

int CButton::CHotSpotButton::OnLButtonUp(CXPoint p, int, void*) {
    CButton* b = m_button;
    CUnit6* unit = getUnit();
    if ((unit && (unit->isDragging() || !unit->isActive())) || !b->IsEnabled()) return 0;
    b->m_click = p;
    b->Force(false);
    const std::shared_ptr<bool> alive = b->aliveToken();
    b->onRelease(p);
    if (*alive) b->onAction(p);
    return 1;
}

int CButton::CHotSpotButton::OnRButtonDown(CXPoint p, int, void*) {
    return m_button->IsEnabled() ? m_button->onRClick(p) : 0;
}

int CButton::CHotSpotButton::OnLButtonDblClk(CXPoint, int, void*) {
    if (m_button->IsEnabled()) m_button->Force(true);
    return 0;
}

// ---------------------------------------------------------------- the button

CButton::CButton(CWindow* window, CXRect rect, int id, CMC_Button* mcButton)
    : CControl(window), m_rect(rect), m_hotSpot(new CHotSpotButton(window, this, rect, mcButton)) {
    m_screen = screen();
    SetID(id);
}

CButton::CButton(CWindow* window, int id, CMC_Button* mcButton) : CButton(window, CXRect(), id, mcButton) {}

CButton::~CButton() {
    *m_alive = false;
    CGraphicsObject* graphics[] = {m_standard, m_onMove, m_onClick, m_accent, m_dragging};
    for (CGraphicsObject* g : graphics)
        if (g) g->removeInvalidateObserver(this);
    if (m_deleteGraphics) {
        CRefreshScreen* s = screen();
        CGraphicsObject* owned[] = {m_standard, m_onMove, m_onClick};
        for (int i = 0; i < 3; ++i) {
            CGraphicsObject* g = owned[i];
            // A graphic in several roles goes once.
            if (!g || (i > 0 && g == owned[0]) || (i > 1 && g == owned[1])) continue;
            g->Visible(false);
            if (s) *s >> g;
            delete g;
        }
    }
    if (m_deleteSounds) {
        delete m_soundOnMove;
        if (m_soundOnClick != m_soundOnMove) delete m_soundOnClick;
    }
    delete m_hotSpot;
}

CRefreshScreen* CButton::screen() const {
    // The window may build its screen after the button.
    CRefreshScreen* s = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
    return s ? s : m_screen;
}

bool CButton::holds(CGraphicsObject* g) const {
    return g && (g == m_standard || g == m_onMove || g == m_onClick || g == m_accent || g == m_dragging);
}

void CButton::assign(CGraphicsObject*& role, CGraphicsObject* graphic) {
    CGraphicsObject* old = role;
    role = graphic;
    if (graphic) graphic->addInvalidateObserver(this);
    if (old && old != graphic && !holds(old)) old->removeInvalidateObserver(this);
}

void CButton::onDestroy(CGraphicsObject* source) {
    for (CGraphicsObject** role : {&m_standard, &m_onMove, &m_onClick, &m_accent, &m_dragging})
        if (*role == source) *role = nullptr;
    if (m_hotSpot->getGraphics() == source) m_hotSpot->Set(nullptr, false);
}

void CButton::show(CGraphicsObject* graphic, bool visible) {
    if (graphic) graphic->Visible(visible);
}

void CButton::playSound(CSound4* sound, bool unlessUnitWantsSilence) {
    if (!sound || m_soundLocked) return;
    if (unlessUnitWantsSilence && m_playSoundOnlyWhenSilence && unit()) return;
    sound->Play(false);
}

void CButton::SetID(int id) {
    CControl::SetID(id);
    m_hotSpot->SetID(id);
}

int CButton::GetID() { return m_hotSpot->GetID(); }

int CButton::getPriority() { return m_hotSpot->getPriority(); }

void CButton::setPriority(int priority) { m_hotSpot->setPriority(priority); }

void CButton::setUnit(CUnit6* unit) { m_hotSpot->setUnit(unit); }

void CButton::setMCButton(CMC_Button* mcButton) { m_hotSpot->setMCButton(mcButton); }

void CButton::enableCursor(bool enabled) { m_hotSpot->EnableCursor(enabled); }

bool CButton::SetActiveRect(CXRect rect) {
    m_rect = rect;
    m_hotSpot->SetActiveRect(rect, HS_NONE, 0);
    return true;
}

bool CButton::Set(CGraphicsObject* graphic, void* data, bool removeOld, bool pixelTest) {
    m_data = data;
    CRefreshScreen* s = screen();
    if (m_standard && removeOld && s) {
        m_standard->Invalidate();
        *s >> m_standard;
    }
    assign(m_standard, graphic);
    if (graphic && s) *s << graphic;
    if (m_rect.IsEmpty()) {
        assign(m_accent, graphic);
        assign(m_dragging, graphic);
        m_hotSpot->Set(graphic, pixelTest);
    }
    return true;
}

bool CButton::SetOnMove(CGraphicsObject* graphic, CSound4* sound) {
    if (graphic) {
        assign(m_onMove, graphic);
        if (CRefreshScreen* s = screen()) *s << graphic;
        graphic->Visible(false);
    }
    m_soundOnMove = sound;
    return true;
}

bool CButton::SetOnClick(CGraphicsObject* graphic, CSound4* sound) {
    if (graphic) {
        assign(m_onClick, graphic);
        if (CRefreshScreen* s = screen()) *s << graphic;
        graphic->Visible(false);
    }
    m_soundOnClick = sound;
    return true;
}

void CButton::SetSound(int type, CSound4* sound) {
    if (type == 0) m_soundOnMove = sound;
    if (type == 1) m_soundOnClick = sound;
}

void CButton::SetDragging(CGraphicsObject* graphic) { assign(m_dragging, graphic); }

void CButton::Accent(int type, bool pixelTest) {
    if (type < 0 || type > 2) return;
    CGraphicsObject* shapes[] = {m_standard, m_onMove, m_onClick};
    m_hotSpot->Set(shapes[type], pixelTest);
}

void CButton::Accent(CGraphicsObject* graphic, bool pixelTest) {
    assign(m_accent, graphic);
    assign(m_dragging, graphic);
    m_hotSpot->Set(graphic, pixelTest);
}

bool CButton::Force(bool pressed) {
    if (pressed == m_pressed) return pressed;
    m_pressed = pressed;
    if (!pressed) {
        show(m_onClick, false);
        show(m_onMove ? m_onMove : m_standard, true);
        return pressed;
    }
    if (m_onMove && m_onMove->isVisible() && m_onClick) m_onMove->Visible(false);
    show(m_onClick, true);
    playSound(m_soundOnClick, true);
    return pressed;
}

int CButton::OnMove(CXPoint p, int, void*) { return onMouseMove(p); }

int CButton::OnClick(CXPoint p, int, void*) {
    bool started = false;
    if (m_draggingEnabled && unit()) {
        CGraphicsObject* graphic = m_dragging ? m_dragging : m_standard ? m_standard : m_onMove;
        if (graphic) {
            Enable(false);
            graphic->Visible(true);
            const std::shared_ptr<bool> alive = m_alive;
            started = unit()->onStartDragging(graphic, p, static_cast<CControl*>(this));
            if (!*alive) return started ? 1 : 0;
            // A unit that refused leaves the button as it was.
            if (!started) Enable(true);
        }
    }
    playSound(m_soundOnClick, false);
    onClick(p);
    return started ? 1 : 0;
}

void CButton::Enable(bool enabled) {
    CControl::Enable(enabled);
    show(m_standard, enabled);
    if (!enabled) {
        if (m_window) m_window->EndActiveCursor();
        m_frozen = false;
        show(m_onMove, false);
        show(m_onClick, false);
    }
    m_hotSpot->Enable(enabled);
}

void CButton::DisableButVisible() {
    m_enabled = false;
    if (m_window) m_window->EndActiveCursor();
    show(m_onClick, false);
    show(m_onMove, false);
    show(m_standard, true);
    m_hotSpot->Enable(false);
}

void CButton::Freeze(bool frozen) {
    m_frozen = frozen;
    show(m_onMove, frozen);
    // With the on-move graphic gone the standard one must show, or the button would vanish.
    if (!frozen && m_onMove && m_hideStandardWhileOnMove && m_enabled) show(m_standard, true);
}

void CButton::Move(int dx, int dy) {
    CGraphicsObject* moved[5] = {};
    int count = 0;
    for (CGraphicsObject* g : {m_standard, m_onMove, m_onClick, m_accent, m_dragging}) {
        bool seen = !g;
        for (int i = 0; i < count && !seen; ++i) seen = moved[i] == g;
        if (seen) continue;
        g->Move(dx, dy);
        moved[count++] = g;
    }
    if (m_accent) return;
    m_rect = CXRect(m_rect.left + dx, m_rect.top + dy, m_rect.right + dx, m_rect.bottom + dy);
    // A hot spot shaped by one of the graphics follows it; a rectangle given to it would drop the shape.
    if (!m_hotSpot->getGraphics()) m_hotSpot->SetActiveRect(m_rect, HS_NONE, 0);
}

bool CButton::SYN() {
    CDXMouse* mouse = m_window ? m_window->getDXMouseInterface() : nullptr;
    return mouse && m_hotSpot->TestHit(mouse->getPosition());
}

CXObject* CButton::clone() {
    auto* copy = new CButton(m_window, 0, nullptr);
    copy->m_hotSpot->SetActiveRect(CXRect(m_id, m_id, m_id, m_id), HS_NONE, 0);
    copy->m_enabled = m_enabled;
    copy->m_flags = m_flags;
    copy->m_rect = m_rect;
    copy->m_pressed = m_pressed;
    copy->m_frozen = m_frozen;
    copy->m_soundLocked = m_soundLocked;
    copy->m_deleteGraphics = m_deleteGraphics;
    copy->m_hideStandardWhileOnMove = m_hideStandardWhileOnMove;
    copy->m_screen = m_screen;
    copy->assign(copy->m_standard, m_standard);
    copy->assign(copy->m_onMove, m_onMove);
    copy->assign(copy->m_onClick, m_onClick);
    copy->assign(copy->m_accent, m_accent);
    copy->assign(copy->m_dragging, m_dragging);
    copy->m_soundOnMove = m_soundOnMove;
    copy->m_soundOnClick = m_soundOnClick;
    copy->m_data = m_data;
    copy->m_playSoundOnlyWhenSilence = m_playSoundOnlyWhenSilence;
    copy->m_draggingEnabled = m_draggingEnabled;
    return copy;
}

} // namespace KavirelDLL
