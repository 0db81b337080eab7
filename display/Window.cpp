#include "display/Window.h"

#include "platform/Files.h"

namespace KavirelDLL {

CXString CWindow::rootPath;
CXString CWindow::gameProductPath;
CXString CWindow::s_cdPath;

int CWindow::OnTimer(int) { return 0; }

void CWindow::toLog(CXString, bool) {}

void CWindow::setCDPath(const CXString& path) {
    s_cdPath = path;
}

CXString CWindow::getCDPath() {
    if (s_cdPath.IsString()) return s_cdPath;
    char letter = CPlatformFiles::cdromDrive();
    if (!letter) return CXString();
    char root[] = {letter, ':', '\\', 0};
    return CXString(root);
}

} // namespace KavirelDLL
