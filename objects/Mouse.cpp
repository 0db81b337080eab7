#include "objects/Mouse.h"

#include "display/Window.h"
#include "input/DXMouse.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CXRect CMC_Mouse::s_clip;

namespace {

// Above the edit boxes and the scene's unit, so it hears everything first.
constexpr int kListenerPriority = 100002;

CDisplay* currentDisplay() {
    CWindow* window = CWindow::getCurrentWindow();
    return window ? window->GetHwnd() : nullptr;
}

bool isEmpty(const CXRect& r) { return r.right == r.left || r.bottom == r.top; }

} // namespace

CMC_Mouse::CMC_Mouse(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_MOUSE), m_window(scene ? scene->getWindow() : nullptr) {
    if (!element) setName("MOUSE");
    if (m_window) {
        if (CDXMouse* poller = m_window->getDXMouseInterface()) {
            m_x = poller->getPosition().x;
            m_y = poller->getPosition().y;
        } else if (CInput* input = m_window->getDIIfc()) {
            m_x = input->mousePosition().x;
            m_y = input->mousePosition().y;
        }
        m_window->registerMouseListener(this, kListenerPriority);
        m_listening = true;
    }
    if (element) initializeBehaviours(scene, element);
}

CMC_Mouse::~CMC_Mouse() {
    releaseAnchor();
    if (m_listening && m_window) m_window->removeMouseListener(this);
}

CXString** CMC_Mouse::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONMOVE", "ONCLICK", "ONRELEASE", "ONDBLCLICK"});
}

CXString CMC_Mouse::getButton(int button) {
    switch (button) {
    case 0:
        return "LEFT";
    case 1:
        return "MIDDLE";
    case 2:
        return "RIGHT";
    default:
        return "";
    }
}

bool CMC_Mouse::inActiveRect(CXPoint p) const { return isEmpty(m_activeRect) || m_activeRect.IsInRect(p); }

bool CMC_Mouse::raises(int event, bool button) const {
    return hasHandler(event) && m_enabled && (!button || m_signals);
}

bool CMC_Mouse::onMouseMove(CXPoint p) {
    m_x = p.x;
    m_y = p.y;
    if (inActiveRect(p) && raises(EVT_MOUSE_ONMOVE, false)) onSignal("ONMOVE");
    return false;
}

bool CMC_Mouse::onClick(int button, CXPoint p) {
    m_lastButton = button;
    if (button == 0) {
        m_lastClickX = p.x;
        m_lastClickY = p.y;
    }
    if (inActiveRect(p) && raises(EVT_MOUSE_ONCLICK, true)) raiseDetailed("ONCLICK", {getButton(button)});
    return false;
}

bool CMC_Mouse::onRelease(int button, CXPoint p) {
    m_lastButton = button;
    if (inActiveRect(p) && raises(EVT_MOUSE_ONRELEASE, true)) raiseDetailed("ONRELEASE", {getButton(button)});
    return false;
}

bool CMC_Mouse::onDblClick(CXPoint p) {
    if (inActiveRect(p) && raises(EVT_MOUSE_ONDBLCLICK, true)) onSignal("ONDBLCLICK");
    return false;
}

void CMC_Mouse::show() {
    if (m_cursorShown || !m_window) return;
    m_window->ShowCursor();
    m_cursorShown = true;
}

void CMC_Mouse::hide() {
    if (!m_cursorShown || !m_window) return;
    m_window->HideCursor();
    m_cursorShown = false;
}

void CMC_Mouse::enable() {
    m_enabled = true;
    if (m_window) m_window->enableMouse(true);
}

void CMC_Mouse::disable() {
    m_enabled = false;
    if (m_window) m_window->enableMouse(false);
}

void CMC_Mouse::set(const CXString& cursor) {
    if (cursor.equals("ARROW"))
        set(1);
    else if (cursor.equals("WAIT"))
        set(2);
    else if (cursor.equals("ACTIVE"))
        set(3);
}

void CMC_Mouse::set(int cursor) {
    if (!m_window) return;
    if (cursor == 1)
        m_window->SetMainCursor();
    else if (cursor == 2)
        m_window->BeginWaitCursor();
    else if (cursor == 3)
        m_window->BeginActiveCursor();
}

void CMC_Mouse::setPosition(int x, int y) {
    m_x = x;
    m_y = y;
    if (CDisplay* display = m_window ? m_window->GetHwnd() : nullptr)
        display->warpCursor(CPlatformPoint{x, y});
}

void CMC_Mouse::setClipRect(int left, int top, int right, int bottom) {
    // The window's client area is the logical screen, so its origin is 0, 0.
    s_clip = CXRect(left, top, right, bottom);
    restore();
}

void CMC_Mouse::reset(bool forget) {
    if (forget) s_clip = CXRect();
    if (CDisplay* display = currentDisplay()) display->releaseCursorClip();
}

void CMC_Mouse::restore() {
    CDisplay* display = currentDisplay();
    if (!display) return;
    if (s_clip.Width() > 0 && s_clip.Height() > 0)
        display->clipCursor(CPlatformRect{s_clip.left, s_clip.top, s_clip.right, s_clip.bottom});
    else
        display->releaseCursorClip();
}

// ---- runner ----

void CMC_Mouse_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("SHOW", MTH_SHOW);
    addMethod("HIDE", MTH_HIDE);
    addMethod("ENABLE", MTH_ENABLE);
    addMethod("DISABLE", MTH_DISABLE);
    addMethod("GETPOSX", MTH_GETPOSX);
    addMethod("GETPOSY", MTH_GETPOSY);
    addMethod("GETLASTCLICKPOSX", MTH_GETLASTCLICKPOSX);
    addMethod("GETLASTCLICKPOSY", MTH_GETLASTCLICKPOSY);
    addMethod("SET", MTH_SET);
    addMethod("SETPOSITION", MTH_SETPOSITION);
    addMethod("MOVE", MTH_MOVE);
    addMethod("CLICK", MTH_CLICK);
    addMethod("ENABLESIGNAL", MTH_ENABLESIGNAL);
    addMethod("DISABLESIGNAL", MTH_DISABLESIGNAL);
    addMethod("MOUSERELEASE", MTH_MOUSERELEASE);
    addMethod("SETCLIPRECT", MTH_SETCLIPRECT);
    addMethod("LOCKACTIVECURSOR", MTH_LOCKACTIVECURSOR);
    addMethod("ISLBUTTONDOWN", MTH_ISLBUTTONDOWN);
    addMethod("ISRBUTTONDOWN", MTH_ISRBUTTONDOWN);
    addMethod("SETACTIVERECT", MTH_SETACTIVERECT);
}

namespace {

// A press or release at (x, y) of the named button, as the window gets the player's.
void simulate(CWindow* window, CXPoint p, const CXString& button, bool down) {
    if (!window) return;
    if (button.equals("LEFT"))
        down ? window->OnLButtonDown(p, 0) : window->OnLButtonUp(p, 0);
    else if (button.equals("MIDDLE"))
        down ? window->OnMButtonDown(p, 0) : window->OnMButtonUp(p, 0);
    else if (button.equals("RIGHT"))
        down ? window->OnRButtonDown(p, 0) : window->OnRButtonUp(p, 0);
}

bool buttonDown(CMC_Mouse* mouse, int button) {
    CInput* input = mouse->getWindow() ? mouse->getWindow()->getDIIfc() : nullptr;
    return input && input->isButtonDown(button);
}

} // namespace

CMC_Variable* CMC_Mouse_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (!object || object->getType() != TYPE_MOUSE || id < MTH_SHOW || id > MTH_SETACTIVERECT)
        return CMC_Runner::run(id, object, container, args);
    auto* mouse = static_cast<CMC_Mouse*>(object);
    using namespace RunnerResults;
    // Taken before the arguments are read: reading one may run code that deletes the object.
    CMC_ArgumentsGuard guard(mouse, nullptr, args);
    int a[4] = {0, 0, 0, 0};
    CXString text;
    switch (id) {
    case MTH_SET:
        text = getParameterString(args, 0)->getValue();
        break;
    case MTH_SETPOSITION:
    case MTH_MOVE:
    case MTH_CLICK:
    case MTH_MOUSERELEASE:
        a[0] = getParameterInteger(args, 0)->getValue();
        a[1] = getParameterInteger(args, 1)->getValue();
        if (id == MTH_CLICK || id == MTH_MOUSERELEASE)
            text = argumentCount(args) > 2 ? getParameterString(args, 2)->getValue() : CXString("LEFT");
        break;
    case MTH_LOCKACTIVECURSOR:
        a[0] = getParameterBool(args, 0)->getValue();
        break;
    case MTH_SETCLIPRECT:
    case MTH_SETACTIVERECT:
        for (int i = 0; i < 4; ++i) a[i] = getParameterInteger(args, i)->getValue();
        break;
    default:
        break;
    }
    if (guard.gone()) return nullptr;
    CWindow* window = mouse->getWindow();
    switch (id) {
    case MTH_SHOW:
        mouse->show();
        return nullptr;
    case MTH_HIDE:
        mouse->hide();
        return nullptr;
    case MTH_ENABLE:
        mouse->enable();
        return nullptr;
    case MTH_DISABLE:
        mouse->disable();
        return nullptr;
    case MTH_GETPOSX:
        return integerResult(mouse->getPosX());
    case MTH_GETPOSY:
        return integerResult(mouse->getPosY());
    case MTH_GETLASTCLICKPOSX:
        return integerResult(mouse->getLastClickPosX());
    case MTH_GETLASTCLICKPOSY:
        return integerResult(mouse->getLastClickPosY());
    case MTH_SET:
        mouse->set(text);
        return nullptr;
    case MTH_SETPOSITION:
        mouse->setPosition(a[0], a[1]);
        return nullptr;
    case MTH_MOVE:
        mouse->setPosition(mouse->getPosX() + a[0], mouse->getPosY() + a[1]);
        return nullptr;
    case MTH_CLICK:
    case MTH_MOUSERELEASE:
        simulate(window, CXPoint(a[0], a[1]), text, id == MTH_CLICK);
        return nullptr;
    case MTH_ENABLESIGNAL:
        mouse->enableSignal();
        return nullptr;
    case MTH_DISABLESIGNAL:
        mouse->disableSignal();
        return nullptr;
    case MTH_SETCLIPRECT:
        if (a[0] == 0 && a[1] == 0 && a[2] == 0 && a[3] == 0)
            CMC_Mouse::reset(true);
        else
            mouse->setClipRect(a[0], a[1], a[2], a[3]);
        return nullptr;
    case MTH_LOCKACTIVECURSOR:
        if (window) window->lockActiveCursor(a[0] != 0);
        return nullptr;
    case MTH_ISLBUTTONDOWN:
        return boolResult(buttonDown(mouse, 0));
    case MTH_ISRBUTTONDOWN:
        // The platform numbers the right button 1.
        return boolResult(buttonDown(mouse, 1));
    case MTH_SETACTIVERECT:
        mouse->setActiveRect(CXRect(a[0], a[1], a[2], a[3]));
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
