#include "display/CollisionInspector.h"

#include "core/Log.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

void CCollisionInspector::onPositionChanged(CGraphicsObject*) {
    logMessage("collision inspector: not built yet, a position change is not checked");
    setErrorCode(ERR_NOT_BUILT);
}

} // namespace KavirelDLL
