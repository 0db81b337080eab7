#pragma once
#include "core/XObject.h"
#include "display/InputPoller.h"

namespace KavirelDLL {

class CWindow;

// The keyboard poller. Not built yet: constructing one says so in the log and leaves ERR_NOT_BUILT; it
// registers with nobody, so no key reaches the engine. Input routing completes it.
class CKeyboard : public CXObject, public CInputPoller {
public:
    CKeyboard() = default;
    explicit CKeyboard(CWindow* window);

    // Takes the national key map of the window's current language.
    void initLanguage();

    void tick() override {}
    void flushSignals(bool) override {}

private:
    CWindow* m_window = nullptr;
};

} // namespace KavirelDLL
