#pragma once
#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

// Receives mouse events routed by the window. The bool operations answer whether the listener took the event;
// the int is the button: 0 left, 1 middle, 2 right.
class CMouseListener {
public:
    virtual bool onMouseMove(CXPoint) { return false; }
    virtual bool onClick(int, CXPoint) { return false; }
    virtual bool onClick(CXPoint) { return false; }
    virtual bool onRelease(int, CXPoint) { return false; }
    virtual bool onRelease(CXPoint) { return false; }
    virtual bool onDblClick(CXPoint) { return false; }
    virtual void onSetFocus() {}
    virtual void onLooseFocus() {}

protected:
    ~CMouseListener() = default;
};

// A mouse listener registered with the window at a priority (the listener is not owned).
class CMouseListenerEntry : public CXObject {
public:
    CMouseListenerEntry(CMouseListener* listener, int priority)
        : m_listener(listener), m_priority(priority) {}

    // Ascending priority; an entry goes after those of equal priority.
    int compare(CXObject* other) override;

    CMouseListener* getListener() const { return m_listener; }
    int getPriority() const { return m_priority; }

private:
    CMouseListener* m_listener;
    int32_t m_priority;
};

} // namespace KavirelDLL
