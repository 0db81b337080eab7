#include "display/RefreshScreen.h"

#include "core/Log.h"

namespace KavirelDLL {

CRefreshScreen::CRefreshScreen(CWindow* window, bool) : CGraphicsObject(window) {}

void CRefreshScreen::Invalidate(CXRect*) {
    logMessage("refresh screen: not built yet, a dirty rectangle is dropped");
    setErrorCode(ERR_NOT_BUILT);
}

CRefreshScreen& CRefreshScreen::operator>>(CGraphicsObject*) {
    logMessage("refresh screen: not built yet, an object cannot leave the draw list");
    setErrorCode(ERR_NOT_BUILT);
    return *this;
}

} // namespace KavirelDLL
