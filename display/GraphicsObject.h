#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// The raster graphics object. Only the size queries that rectangles need are declared so far; the
// class is completed with the display subsystem.
class CGraphicsObject : public CXObject {
public:
    virtual int Width() = 0;
    virtual int Height() = 0;
};

} // namespace KavirelDLL
