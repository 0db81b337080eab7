#pragma once

namespace KavirelDLL {

// Told by the screen compositor about a unit's first frame, every repaint and the application's focus.
class CCanvasObserver {
public:
    virtual void onInitialUpdate() = 0;
    virtual void onInitialUpdated() = 0;
    virtual void onUpdate() = 0;
    virtual void onUpdated() = 0;
    virtual void onFocusOn() = 0;
    virtual void onFocusOff() = 0;

protected:
    ~CCanvasObserver() = default;
};

} // namespace KavirelDLL
