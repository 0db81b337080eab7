#include "display/Window.h"

namespace KavirelDLL {

void CWindow::toLog(CXString, bool) {}

} // namespace KavirelDLL
