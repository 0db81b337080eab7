#pragma once
#include <cstdint>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "display/InputPoller.h"

namespace KavirelDLL {

class CInput;
class CWindow;

// The mouse poller. Its tick takes the window input's mouse events and queues them as signals (one move at
// most, moved to the latest position; button signals in their order); the frame's flush hands them to the
// window's mouse handlers. A left press that completes a double click is followed by a double-click signal,
// as a Windows program's window messages bring one.
class CDXMouse : public CXObject, public CInputPoller {
public:
    enum : int32_t {
        SIGNAL_MOVE = 1,
        SIGNAL_LDOWN = 2,
        SIGNAL_LUP = 3,
        SIGNAL_MDOWN = 4,
        SIGNAL_MUP = 5,
        SIGNAL_RDOWN = 6,
        SIGNAL_RUP = 7,
        SIGNAL_LDBLCLK = 8,
    };

    struct CSignal {
        int32_t type;
        int32_t x;
        int32_t y;
    };

    explicit CDXMouse(CWindow* window);
    ~CDXMouse() override;
    CDXMouse(const CDXMouse&) = delete;
    CDXMouse& operator=(const CDXMouse&) = delete;

    // Takes the window's input as the device; false without one.
    bool initialize();
    void tick() override;
    void flushSignals(bool deliver) override;
    // Without the acquisition the next tick drops what arrived meanwhile and acquires again.
    void acquire(bool on);
    // Lets the device go.
    void release();
    // The last known pointer position, in the screen's coordinates.
    CXPoint getPosition() const { return CXPoint(m_x, m_y); }
    bool isLeftDown() const { return m_left; }
    bool isRightDown() const { return m_right; }
    bool isMiddleDown() const { return m_middle; }
    const std::vector<CSignal>& getSignals() const { return m_signals; }

    // The most recently constructed mouse poller still alive.
    static CDXMouse* getSingleton();

private:
    bool updateSignal(int32_t type, CXPoint p);
    void append(int32_t type);

    CWindow* m_window;
    CInput* m_device = nullptr;
    bool m_acquired = false;
    int32_t m_x = 0;
    int32_t m_y = 0;
    bool m_left = false;
    bool m_right = false;
    bool m_middle = false;
    std::vector<CSignal> m_signals;
};

} // namespace KavirelDLL
