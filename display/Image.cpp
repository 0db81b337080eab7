#include "display/Image.h"

#include "core/Log.h"

namespace KavirelDLL {

CImage::CImage(CWindow*, CXString fileName) {
    setErrorCode(ERR_NOT_BUILT);
    logMessage("image %s not loaded: images are not built yet", fileName.GetBuffer());
}

} // namespace KavirelDLL
