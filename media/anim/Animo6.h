#pragma once
#include "display/Playable.h"

namespace KavirelDLL {

class CWindow;

// An animation loaded from an animation file. Animations are not built yet: a CAnimo6 loads
// nothing, carries ERR_NOT_BUILT, plays nothing and says so in the log.
class CAnimo6 : public CXObject, public CPlayable {
public:
    CAnimo6(CWindow* window, CXString fileName);

    using CPlayable::play;
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    void seek(int position) override;
};

} // namespace KavirelDLL
