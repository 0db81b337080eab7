#include "input/HotSpot.h"

#include <vector>

#include "core/Containers.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/UnitLink.h"
#include "display/Window.h"

namespace KavirelDLL {

CXVector* CHotSpot::pHSList = nullptr;
CWindow* CHotSpot::m_pWindow = nullptr;
int CHotSpot::minPriority = 0;
int CHotSpot::maxPriority = 10000000;

namespace {

// Handlers may add or delete hot spots while the list is walked.
std::vector<CHotSpot*> snapshot() {
    std::vector<CHotSpot*> items;
    if (!CHotSpot::pHSList) return items;
    for (int i = 0; i < CHotSpot::pHSList->getSize(); ++i)
        items.push_back(static_cast<CHotSpot*>(CHotSpot::pHSList->at(i)));
    return items;
}

} // namespace

// ---------------------------------------------------------------- construction

CHotSpot::CHotSpot(CWindow* window) : m_activeRect(new CXRect()) {
    initialize(window);
    add(this);
}

CHotSpot::CHotSpot(CWindow* window, CHotSpot* parentHotSpot, _event event, int value, CMC_Button* button)
    : m_activeRect(new CXRect()), m_value(value), m_event(event), m_mcButton(button) {
    initialize(window);
    if (!parentHotSpot) add(this);
}

CHotSpot::~CHotSpot() {
    remove(this);
    delete m_activeRect;
}

void CHotSpot::initialize(CWindow* window) {
    if (!m_pWindow) m_pWindow = window;
    if (!pHSList) pHSList = new CXVector(101, 0.75f);
}

void CHotSpot::done() {
    delete pHSList;
    pHSList = nullptr;
    // A later window starts its own hot spots.
    m_pWindow = nullptr;
}

bool CHotSpot::add(CHotSpot* hotSpot) {
    if (!pHSList) pHSList = new CXVector(101, 0.75f);
    pHSList->add(hotSpot);
    return true;
}

bool CHotSpot::remove(CHotSpot* hotSpot) {
    if (pHSList) pHSList->remove(hotSpot);
    return true;
}

bool CHotSpot::listed(CHotSpot* hotSpot) { return pHSList && pHSList->contains(hotSpot); }

// ---------------------------------------------------------------- handlers a derived hot spot answers

int CHotSpot::OnMouseMove(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnRButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnRButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnMButtonDown(CXPoint, int, void*) { return 0; }
int CHotSpot::OnMButtonUp(CXPoint, int, void*) { return 0; }
int CHotSpot::OnLButtonDblClk(CXPoint, int, void*) { return 0; }
int CHotSpot::OnChar(int, int, void*) { return 0; }
int CHotSpot::OnKeyDown(int, int, void*) { return 0; }
int CHotSpot::OnKeyUp(int, int, void*) { return 0; }
int CHotSpot::OnDrag(CXPoint, int, void*) { return 0; }
int CHotSpot::OnFocusOn(CXPoint, int, void*) { return 0; }
int CHotSpot::OnFocusOff(CXPoint, int, void*) { return 0; }
int CHotSpot::OnKeyTyped(int, void*) { return 0; }

void CHotSpot::setPriority(int priority) { m_priority = priority; }

int CHotSpot::getPriority() {
    if (m_graphics) {
        CRefreshScreen* screen = m_pWindow ? m_pWindow->GetRefreshScreenInterface() : nullptr;
        return screen ? screen->GetPriority(m_graphics) : -1;
    }
    return m_priority;
}

// ---------------------------------------------------------------- hit area and state

int CHotSpot::Set(CGraphicsObject* object, bool pixelTest) {
    m_graphics = object;
    *m_activeRect = CXRect();
    m_alphaTest = pixelTest;
    return 0;
}

int CHotSpot::SetActiveRect(CXRect rect, _event, int) {
    *m_activeRect = rect;
    m_graphics = nullptr;
    return 0;
}

bool CHotSpot::TestHit(CXPoint p) { return m_enabled && coversPoint(p); }

bool CHotSpot::coversPoint(CXPoint p) {
    if (!m_activeRect->IsEmpty()) return m_activeRect->IsInRect(p);
    // The graphics test takes "box only"; a pixel test is its opposite.
    if (m_graphics) return m_graphics->testHit(p, !m_alphaTest);
    return false;
}

void CHotSpot::Enable(bool enabled) {
    if (m_enabled && !enabled && !m_focus && m_cursor && m_pWindow) m_pWindow->SetMainCursor();
    m_enabled = enabled;
}

bool CHotSpot::inPriorityWindow() {
    const int priority = getPriority();
    return priority >= minPriority && priority <= maxPriority;
}

bool CHotSpot::unitAllows() const { return !m_unit || !CUnitLink::isActive || CUnitLink::isActive(m_unit); }

// ---------------------------------------------------------------- dispatch

CHotSpot* CHotSpot::findAt(CXVector* list, CXPoint p) {
    if (!list) return nullptr;
    std::vector<CHotSpot*> items;
    for (int i = 0; i < list->getSize(); ++i) items.push_back(static_cast<CHotSpot*>(list->at(i)));
    CHotSpot* best = nullptr;
    int bestPriority = -1;
    for (CHotSpot* hs : items) {
        if (!hs->TestHit(p) || !hs->unitAllows() || !hs->m_enabled) continue;
        const int priority = hs->getPriority();
        if (priority < minPriority || priority > maxPriority) continue;
        if (priority > bestPriority) {
            best = hs;
            bestPriority = priority;
        }
    }
    return best;
}

int CHotSpot::onMove(CXPoint p, int flags) {
    int result = 0;
    for (CHotSpot* hs : snapshot()) {
        if (!listed(hs)) continue;
        // A hot spot disabled under the pointer still hears it leave.
        if (!hs->m_focus || !hs->inPriorityWindow() || hs->coversPoint(p)) continue;
        if (hs->m_cursor && m_pWindow) m_pWindow->SetMainCursor();
        hs->m_focus = false;
        result = hs->OnFocusOff(p, flags, hs->m_parent);
        if (result > 0) break;
    }
    CHotSpot* hs = findAt(pHSList, p);
    if (!hs || !hs->TestHit(p)) return result;
    if (hs->unitAllows() && hs->m_cursor && m_pWindow) m_pWindow->BeginActiveCursor();
    if (!hs->m_enabled) return result;
    if (hs->m_focus) return hs->OnMouseMove(p, flags, hs->m_parent);
    hs->m_focus = true;
    hs->OnMouseMove(p, flags, hs->m_parent);
    // The move may have taken the hot spot away.
    if (!listed(hs)) return 0;
    return hs->OnFocusOn(p, flags, hs->m_parent);
}

int CHotSpot::onRightDown(CXPoint p, int flags) {
    int result = 0;
    for (CHotSpot* hs : snapshot()) {
        if (!listed(hs) || !hs->m_enabled || !hs->TestHit(p)) continue;
        if (hs->m_cursor && m_pWindow) m_pWindow->SetMainCursor();
        hs->m_focus = true;
        result = hs->OnRButtonDown(p, flags, hs->m_parent);
        if (result > 0) break;
    }
    return result;
}

int CHotSpot::OnMouseEvent(_event event, CXPoint p, int flags) {
    switch (event) {
    case HS_MOUSEMOVE:
        return onMove(p, flags);
    case HS_LBUTTONDOWN: {
        CHotSpot* hs = findAt(pHSList, p);
        if (!hs || !hs->m_enabled || !hs->TestHit(p)) return 0;
        hs->m_focus = true;
        return hs->OnLButtonDown(p, flags, hs->m_parent);
    }
    case HS_LBUTTONUP: {
        CHotSpot* hs = findAt(pHSList, p);
        if (!hs || !hs->m_enabled || !hs->TestHit(p)) return 0;
        hs->m_focus = false;
        return hs->OnLButtonUp(p, flags, hs->m_parent);
    }
    case HS_RBUTTONDOWN:
        return onRightDown(p, flags);
    case HS_RBUTTONUP:
    case HS_MBUTTONDOWN:
    case HS_MBUTTONUP:
    case HS_LBUTTONDBLCLK:
        return 0;
    default:
        return event;
    }
}

} // namespace KavirelDLL
