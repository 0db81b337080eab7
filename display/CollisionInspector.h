#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CGraphicsObject;

// The window's collision inspector. Only the entry the graphics objects call exists so far; it reports
// that the inspector is not built yet.
class CCollisionInspector : public CXObject {
public:
    virtual void onPositionChanged(CGraphicsObject* g);
};

} // namespace KavirelDLL
