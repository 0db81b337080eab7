#pragma once
#include "display/GraphicsObject.h"
#include "display/PixelView.h"

namespace KavirelDLL {

class CDisplay;
class CWindow;

// A graphics object whose pixels are a display surface: an off-screen block of its own (backgrounds, copies
// for the secondary display, movie frames), or the display's presentation surface itself (the screen canvas,
// whose rows are padded). The engine's surfaces are never lost, so the restore object is kept for callers but
// never needed.
class CDirectDrawSurface : public CGraphicsObject {
public:
    explicit CDirectDrawSurface(CWindow* window);
    // Wraps the presentation surface of an open display (null: an empty surface).
    CDirectDrawSurface(CWindow* window, CDisplay* display);
    // An off-screen surface of the size and depth; the video-memory flag has no meaning here.
    CDirectDrawSurface(CWindow* window, CXSize size, int bpp, bool videoMemory);
    ~CDirectDrawSurface() override;

    // A zero-filled off-screen block of the object's width, height and depth.
    virtual bool create_surface(bool videoMemory);

    char* GetDataPtr() override;
    void Fill(CColor* color) override;
    void Fill(CXRect rect, CColor* color) override;
    // Draws the surface into its destiny at its position, limited to its clipping rectangle.
    void Redraw() override;

    // Stretched copy of the source rectangle into the destination rectangle of this surface.
    bool Blt(CDirectDrawSurface* source, CXRect* sourceRect, CXRect* destRect);
    // Copy of the source rectangle to (x, y); a source smaller than the rectangle is copied whole, centred
    // in it. Everything is cut to both surfaces.
    bool Blt(CDirectDrawSurface* source, int x, int y, CXRect* rect);
    void Release() {}

    void applyToRestore(CGraphicsObject* object) { m_restore = object; }
    CGraphicsObject* getApplied() const { return m_restore; }
    CDisplay* getDisplay() const { return m_display; }

    // The pixels as a view (rows of GetPitch() pixels); empty for other than 15 or 16 bits.
    CPixelView view();

private:
    CGraphicsObject* m_restore = nullptr;
    CDisplay* m_display = nullptr;
};

} // namespace KavirelDLL
