#include "media/anim/Animo6.h"

#include "core/Log.h"

namespace KavirelDLL {

CAnimo6::CAnimo6(CWindow* window, CXString fileName) : CPlayable(window) {
    setFilename(fileName);
    setErrorCode(ERR_NOT_BUILT);
    logMessage("animation %s not loaded: animations are not built yet", fileName.GetBuffer());
}

void CAnimo6::play() {
    m_status = 0;
    setErrorCode(ERR_NOT_BUILT);
    logMessage("animation %s not played: animations are not built yet", m_fileName.GetBuffer());
}

void CAnimo6::stop(bool) { m_status = 0; }

void CAnimo6::pause() {}

void CAnimo6::resume() {}

void CAnimo6::seek(int) {}

} // namespace KavirelDLL
