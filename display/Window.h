#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CKeyboard;

// The engine window. Only what the core services call exists so far; the window itself is completed
// with the display subsystem.
class CWindow : public CXObject {
public:
    // A software timer added for the window is due; the window itself does nothing with it.
    virtual int OnTimer(int id);

    // The keyboard poller; null until the window has created its input devices.
    CKeyboard* getKeyboardInterface() { return m_keyboard; }

    // The engine's load messages arrive here and are discarded.
    static void toLog(CXString text, bool flag);

protected:
    CKeyboard* m_keyboard = nullptr;
};

} // namespace KavirelDLL
