#include "core/GamePaths.h"

#include "platform/Files.h"

namespace KavirelDLL {

CXString CGamePaths::rootPath;
CXString CGamePaths::gameProductPath;
CXString CGamePaths::s_cdPath;

void CGamePaths::setCDPath(const CXString& path) { s_cdPath = path; }

CXString CGamePaths::getCDPath() {
    if (s_cdPath.IsString()) return s_cdPath;
    char letter = CPlatformFiles::cdromDrive();
    if (!letter) return CXString();
    char root[] = {letter, ':', '\\', 0};
    return CXString(root);
}

} // namespace KavirelDLL
