#include "media/anim/Animo6.h"

#include "core/Log.h"

namespace KavirelDLL {

CAnimo6::CAnimo6(CWindow*, CXString fileName) {
    setErrorCode(ERR_NOT_BUILT);
    logMessage("animation %s not loaded: animations are not built yet", fileName.GetBuffer());
}

} // namespace KavirelDLL
