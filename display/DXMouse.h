#pragma once
#include "core/XObject.h"
#include "display/InputPoller.h"

namespace KavirelDLL {

class CWindow;

// The mouse poller. It is not built yet: constructing one says so in the log and leaves ERR_NOT_BUILT, and it
// registers with nobody, so no mouse input reaches the engine.
class CDXMouse : public CXObject, public CInputPoller {
public:
    explicit CDXMouse(CWindow* window);

    void tick() override {}
    void flushSignals(bool) override {}

private:
    CWindow* m_window;
};

} // namespace KavirelDLL
