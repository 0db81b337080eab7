#include "media/anim/Animo.h"

#include "core/Log.h"

namespace KavirelDLL {

CAnimo::CAnimo(CWindow* window) : CGraphicsObject(window), CPlayable(window) { m_type = 2; }

CAnimo::CAnimo(CWindow* window, CXString fileName) : CAnimo(window) {
    CPlayable::setFilename(fileName);
    setErrorCode(ERR_NOT_BUILT);
    logMessage("animation %s not loaded: animations are not built yet", fileName.GetBuffer());
}

void CAnimo::play() {
    m_status = 0;
    setErrorCode(ERR_NOT_BUILT);
    logMessage("animation %s not played: animations are not built yet",
               CFileResolver::m_fileName.GetBuffer());
}

void CAnimo::stop(bool) { m_status = 0; }

void CAnimo::pause() {}

void CAnimo::resume() {}

void CAnimo::seek(int) {}

int CAnimo::Save(CXString name, _compression) {
    logMessage("animation %s not saved: animations are not built yet", name.GetBuffer());
    setErrorCode(ERR_NOT_BUILT);
    return LastError();
}

} // namespace KavirelDLL
