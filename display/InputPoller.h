#pragma once

namespace KavirelDLL {

// A source of input that the window polls: tick() reads the device, flushSignals() hands what was read to the
// window's handlers (only when its flag is true) and forgets it.
class CInputPoller {
public:
    virtual void tick() = 0;
    virtual void flushSignals(bool deliver) = 0;

protected:
    // Pollers are never deleted through this interface.
    ~CInputPoller() = default;
};

} // namespace KavirelDLL
