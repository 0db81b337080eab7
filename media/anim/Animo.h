#pragma once
#include "display/GraphicsObject.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CWindow;

// An animation: a graphics object that plays. Animations are not built yet: a CAnimo loads nothing,
// plays nothing and cannot be saved; each carries ERR_NOT_BUILT and says so in the log.
class CAnimo : public CGraphicsObject, public CPlayable {
public:
    explicit CAnimo(CWindow* window);
    CAnimo(CWindow* window, CXString fileName);

    using CPlayable::play;
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    void seek(int position) override;

    using CGraphicsObject::Save;
    int Save(CXString name, _compression kind) override;

    using CGraphicsObject::getWindow;
    using CGraphicsObject::setPosition;
    using CPlayable::isVisible;

protected:
    using CGraphicsObject::m_fileName;
    using CGraphicsObject::m_window;
};

} // namespace KavirelDLL
