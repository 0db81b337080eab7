#include "media/anim/Animo6.h"

namespace KavirelDLL {

CAnimo6::CAnimo6(CWindow* window, CXString fileName) : CAnimo(window, fileName) {}

} // namespace KavirelDLL
