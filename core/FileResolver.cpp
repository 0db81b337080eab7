#include "core/FileResolver.h"

#include "core/Log.h"

namespace KavirelDLL {

void CFileResolver::log(const char* text) { toWindowLog(text, false); }

} // namespace KavirelDLL
