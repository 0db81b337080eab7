#pragma once
#include <cstdint>

#include "core/Containers.h"
#include "core/Geometry.h"

namespace KavirelDLL {

class CDirectDrawSurface;
class CDisplay;
class CSurface;
class CWindow;

// Mirrors what the game window shows into a second window, each changed rectangle a fixed delay later.
class CSecondaryDisplay : public CXObject {
public:
    // A copy of one shown rectangle, waiting for its time.
    struct CFrame {
        uint64_t time = 0; // ms of the platform clock when it was shown in the game window
        CDirectDrawSurface* surface = nullptr;
        CXRect rect;
    };

    CSecondaryDisplay(CDisplay* hwnd, CWindow* window, int delay);
    ~CSecondaryDisplay() override;
    CSecondaryDisplay(const CSecondaryDisplay&) = delete;
    CSecondaryDisplay& operator=(const CSecondaryDisplay&) = delete;

    // Keeps a copy of the rectangle of the source, stamped now.
    void addSurface(CDirectDrawSurface* source, CXRect* rect);
    void update(CDirectDrawSurface* source, CXRect* rect) { addSurface(source, rect); }
    // The newest frame whose delay has passed (older ones are drawn and dropped on the way; it stays until a
    // newer one is due); null when none is due.
    CFrame* getSurfaceToRedraw();
    void redraw(CFrame* frame);
    // The per-frame step: draws what is due and shows the second window.
    void redraw();
    // Drops the first count frames (all for -1), drawing them first when draw is set.
    void flush(int count, bool draw);

    int getPendingCount() const { return m_frames.getSize(); }
    CSurface* getSurface() const { return m_surface; }

private:
    CFrame* frameAt(int i) const { return static_cast<CFrame*>(m_frames.at(i)); }

    CDisplay* m_hwnd;
    CSurface* m_surface = nullptr;
    CWindow* m_window;
    CXArray m_frames;
    int32_t m_delay;
};

} // namespace KavirelDLL
