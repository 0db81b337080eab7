#pragma once
#include "media/anim/Animo.h"

namespace KavirelDLL {

class CWindow;

// An animation loaded from an animation file. Animations are not built yet: a CAnimo6 loads
// nothing, carries ERR_NOT_BUILT, plays nothing and says so in the log.
class CAnimo6 : public CAnimo {
public:
    CAnimo6(CWindow* window, CXString fileName);
};

} // namespace KavirelDLL
