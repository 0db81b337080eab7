#include "display/Keyboard.h"

#include "core/Log.h"

namespace KavirelDLL {

void CKeyboard::initLanguage() { logMessage("CKeyboard::initLanguage: national key maps are not built yet"); }

} // namespace KavirelDLL
