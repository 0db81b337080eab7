#include "core/WholeFile.h"

#include <string>

#include "core/Log.h"
#include "platform/Files.h"

namespace KavirelDLL {

int writeWholeFile(CWindow* window, const CXString& name, int mode, const char* what,
                   const std::function<bool(CFile&)>& body) {
    CFile file;
    if (file.Open(window, name + ".tmp", mode) != ERR_NONE) {
        logMessage("%s %s: cannot be created; nothing is written", what, name.GetBuffer());
        return ERR_FILE_WRITE;
    }
    std::string from = file.getOpenedName().GetBuffer();
    bool complete = body(file);
    complete = file.Close() == ERR_NONE && complete;
    if (!complete) {
        CPlatformFiles::removeFile(from);
        logMessage("%s %s: writing failed; nothing is kept", what, name.GetBuffer());
        return ERR_FILE_WRITE;
    }
    std::string to = from.substr(0, from.size() - 4);
    if (CPlatformFiles::renameEntry(from, to, true) != EPlatformError::none) {
        CPlatformFiles::removeFile(from);
        logMessage("%s %s: cannot replace the file it had", what, name.GetBuffer());
        return ERR_FILE_WRITE;
    }
    return ERR_NONE;
}

} // namespace KavirelDLL
