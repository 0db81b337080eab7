#include "core/WholeFile.h"

#include <string>

#include "core/Log.h"
#include "platform/Files.h"

namespace KavirelDLL {

int writeWholeFile(CWindow* window, const CXString& name, int mode, const char* what,
                   const std::function<bool(CFile&)>& body) {
    // A name of its own, so that another copy of the game saving the same file never writes into this one.
    const std::string suffix = CPlatformFiles::temporarySuffix();
    CFile file;
    if (file.Open(window, name + suffix.c_str(), mode) != ERR_NONE) {
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
    std::string to = from.substr(0, from.size() - suffix.size());
    if (CPlatformFiles::renameEntry(from, to, true) != EPlatformError::none) {
        CPlatformFiles::removeFile(from);
        logMessage("%s %s: cannot replace the file it had", what, name.GetBuffer());
        return ERR_FILE_WRITE;
    }
    return ERR_NONE;
}

} // namespace KavirelDLL
