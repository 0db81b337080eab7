#pragma once

namespace KavirelDLL {

class CGraphicsObject;

// A graphic that shows one of its frames at a time (an animation). A virtual graphics object masked by it
// takes the frame shown now as its mask.
class CFramedGraphic {
public:
    // The graphic itself.
    virtual CGraphicsObject* framedGraphic() = 0;
    // The frame shown now; null without one.
    virtual CGraphicsObject* shownFrame() = 0;

protected:
    // Never deleted through this interface.
    ~CFramedGraphic() = default;
};

} // namespace KavirelDLL
