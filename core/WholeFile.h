#pragma once
#include <functional>

#include "core/File.h"

namespace KavirelDLL {

class CWindow;

// Writes a game file whole or not at all: the body writes a temporary beside it, "<name>.tmp<pid>_<count>"
// (CPlatformFiles::temporarySuffix, so two writers never share one), which is renamed over the name only once
// it is complete, so a failed write leaves the old file as it was. what names the kind of file
// in the log lines ("cache", "MULTIARRAY SCORES"). The body answers false to give up. ERR_NONE, or
// ERR_FILE_WRITE when nothing was written.
int writeWholeFile(CWindow* window, const CXString& name, int mode, const char* what,
                   const std::function<bool(CFile&)>& body);

} // namespace KavirelDLL
