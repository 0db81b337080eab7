#include "display/Keyboard.h"

#include "core/Log.h"

namespace KavirelDLL {

CKeyboard::CKeyboard(CWindow* window) : m_window(window) {
    logMessage("keyboard poller: not built yet, no key reaches the engine");
    setErrorCode(ERR_NOT_BUILT);
}

void CKeyboard::initLanguage() { logMessage("CKeyboard::initLanguage: national key maps are not built yet"); }

} // namespace KavirelDLL
