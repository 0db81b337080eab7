#pragma once
#include "display/GraphicsObject.h"

namespace KavirelDLL {

// The screen compositor. Only what the graphics objects call exists so far; each call reports that the
// compositor is not built yet.
class CRefreshScreen : public CGraphicsObject {
public:
    CRefreshScreen(CWindow* window, bool localBuffer);

    using CGraphicsObject::Invalidate;
    void Invalidate(CXRect* rect) override;
    // Takes the object off the draw list.
    CRefreshScreen& operator>>(CGraphicsObject* g);
};

} // namespace KavirelDLL
