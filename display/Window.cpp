#include "display/Window.h"

namespace KavirelDLL {

int CWindow::OnTimer(int) { return 0; }

void CWindow::toLog(CXString, bool) {}

} // namespace KavirelDLL
