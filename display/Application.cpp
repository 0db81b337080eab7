#include "display/Application.h"

#include "core/Log.h"

namespace KavirelDLL {

bool CApplication::domodal() {
    if (!m_reported) {
        logMessage("application shell: the script root's frame step is not built yet");
        m_reported = true;
    }
    setErrorCode(ERR_NOT_BUILT);
    return false;
}

} // namespace KavirelDLL
