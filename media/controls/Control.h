#pragma once
#include <cstdint>
#include <memory>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "input/KeyListener.h"

namespace KavirelDLL {

class CControl;
class CWindow;
class CXArray;

// Hears what a control reports about the pointer; every body is empty.
class CControlNotifier {
public:
    virtual void onControlOnMove(CControl*, CXPoint) {}
    virtual void onControlFocusOn(CControl*, CXPoint) {}
    virtual void onControlFocusOff(CControl*, CXPoint) {}
    virtual void onControlClicked(CControl*, CXPoint) {}
    virtual void onControlReleased(CControl*, CXPoint) {}
    virtual void onControlAction(CControl*, CXPoint) {}
    virtual void onControlPopup(CControl*, CXPoint) {}
    virtual void onStartDragging(CControl*, CXPoint) {}
    virtual void onDragging(CControl*, CXPoint) {}
    virtual void onEndDragging(CControl*, CXPoint) {}

protected:
    ~CControlNotifier() = default;
};

// The base of the clickable controls: an id, an enabled flag and the notifiers told of pointer events.
// Notifiers may add, remove or delete notifiers, or delete the control, while they are told: one removed is
// skipped, and a deleted control tells no one more.
class CControl : public CXObject, public CKeyListener {
public:
    explicit CControl(CWindow* window);
    ~CControl() override;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    // ---- virtual operations, in the engine's order
    virtual void SetID(int id) { m_id = id; }
    virtual int getId() { return m_id; }
    virtual void Enable(bool enabled) { m_enabled = enabled; }
    virtual bool IsEnabled() { return m_enabled; }
    // Null is not added; a notifier added twice is told twice.
    virtual void addNotifier(CControlNotifier* notifier);
    virtual void removeNotifier(CControlNotifier* notifier);
    virtual int onMouseMove(CXPoint p);
    virtual int onFocusOn(CXPoint p);
    virtual int onFocusOff(CXPoint p);
    virtual int onClick(CXPoint p);
    virtual int onRelease(CXPoint p);
    // The right press: the notifiers' onControlPopup.
    virtual int onRClick(CXPoint p);
    virtual int onAction(CXPoint p);
    virtual int onStartDragging(CXPoint p);
    virtual int onDragging(CXPoint p);
    virtual int onEndDragging(CXPoint p);

    int GetFlags() const { return m_flags; }
    void SetFlags(int flags) { m_flags = flags; }
    CWindow* getWindow() const { return m_window; }
    CXArray* getNotifiers() const { return m_notifiers; }
    // False once the control is deleted: callers that tell others about it check it before going on.
    std::shared_ptr<bool> aliveToken() const { return m_alive; }

protected:
    template <class Call>
    void tell(Call call);

    CWindow* m_window;
    int32_t m_id = -1;
    bool m_enabled = true;
    int32_t m_flags = 0;
    CXArray* m_notifiers;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace KavirelDLL
