#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// The engine window. Only its static log hook exists so far; the window itself is completed with the
// display subsystem.
class CWindow : public CXObject {
public:
    // The engine's load messages arrive here and are discarded.
    static void toLog(CXString text, bool flag);
};

} // namespace KavirelDLL
