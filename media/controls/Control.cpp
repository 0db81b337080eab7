#include "media/controls/Control.h"

#include <vector>

#include "core/Containers.h"

namespace KavirelDLL {

CControl::CControl(CWindow* window) : m_window(window), m_notifiers(new CXArray(101, 0.75f)) {}

CControl::~CControl() {
    *m_alive = false;
    delete m_notifiers;
}

void CControl::addNotifier(CControlNotifier* notifier) {
    if (notifier) m_notifiers->add(notifier);
}

void CControl::removeNotifier(CControlNotifier* notifier) { m_notifiers->remove(notifier); }

template <class Call>
void CControl::tell(Call call) {
    std::vector<CControlNotifier*> told;
    for (int i = 0; i < m_notifiers->getSize(); ++i)
        told.push_back(static_cast<CControlNotifier*>(m_notifiers->at(i)));
    const std::shared_ptr<bool> alive = m_alive;
    for (CControlNotifier* n : told) {
        if (!*alive) return;
        if (m_notifiers->contains(n)) call(n);
    }
}

int CControl::onMouseMove(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlOnMove(this, p); });
    return 0;
}

int CControl::onFocusOn(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlFocusOn(this, p); });
    return 0;
}

int CControl::onFocusOff(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlFocusOff(this, p); });
    return 0;
}

int CControl::onClick(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlClicked(this, p); });
    return 0;
}

int CControl::onRelease(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlReleased(this, p); });
    return 0;
}

int CControl::onRClick(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlPopup(this, p); });
    return 0;
}

int CControl::onAction(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onControlAction(this, p); });
    return 0;
}

int CControl::onStartDragging(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onStartDragging(this, p); });
    return 0;
}

int CControl::onDragging(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onDragging(this, p); });
    return 0;
}

int CControl::onEndDragging(CXPoint p) {
    tell([&](CControlNotifier* n) { n->onEndDragging(this, p); });
    return 0;
}

} // namespace KavirelDLL
