#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// A clickable area of the screen. Only the end of the class-wide list exists so far; hot spots come with input
// routing, and until then there is no list to free.
class CHotSpot : public CXObject {
public:
    static void done();
};

} // namespace KavirelDLL
