#include "core/FileResolver.h"

#include "display/Window.h"

namespace KavirelDLL {

void CFileResolver::log(const char* text) { CWindow::toLog(CXString(text), false); }

} // namespace KavirelDLL
