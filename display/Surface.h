#pragma once
#include <cstdint>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CDirectDrawSurface;
class CDisplay;
class CSecondaryDisplay;

// The presentation surface of the game window: the display's own pixels, which the engine fills and which are
// shown by copying changed rectangles to the window's image (Blt) or the whole image (Flip), then presenting
// once a frame. The display (the game window) belongs to the program; a surface opens it in the asked mode
// when it is not open so, and leaves it open.
class CSurface : public CXObject {
public:
    // Full screen: the desktop's full screen showing a screen of the given size at the given depth (16, or 15
    // when asked); the depth in use is written back. flip keeps a whole-frame copy instead of rectangles.
    CSurface(CXSize* size, int* bpp, CDisplay* hwnd, bool flip);
    // In a window of the given size; the depth is the display's when it is open, else 16.
    CSurface(CDisplay* hwnd, int width, int height);
    ~CSurface() override;
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    // Shows the whole surface.
    int Flip();
    // Copies a rectangle of a surface to the point (x, y) and marks it to be shown.
    int Blt(CDirectDrawSurface* source, int x, int y, CXRect* rect);
    // Stretched copy of the source rectangle to the destination rectangle.
    int Blt(CDirectDrawSurface* source, CXRect* sourceRect, CXRect* destRect);
    // Shows what was copied since the last call; with vsync it waits for the display's refresh.
    void Present();

    // The display's pixels stay in place while it is open, so locking only takes the pointer.
    char* Lock();
    void UnLock() {}
    int CreateClipper(CDisplay* hwnd);

    // Counts frames and, once a second, latches the count; draws "FPS: " and the count at (10, 10).
    void ShowFPS();
    void ShowFPS(int fps);
    // Presenting waits for the display's refresh already.
    void waitForVB() {}
    void EnumDisplayModes() {}

    // A 65536-entry table from 5-6-5 pixels to 32-bit pixels, built once, only for 24 or 32 bits; null while
    // none exists.
    static void prepareBppConversionTable(int bpp);
    static uint32_t* getBppConversionTable();
    static void releaseBppConversionTable();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    CXSize GetScreenSize() const { return CXSize(m_width, m_height); }
    int GetBPP() const { return m_bpp; }
    char* GetScreenPtr() { return Lock(); }
    // Pixels from one row to the next.
    int GetPitch() const;
    bool IsFlippingEnabled() const { return m_flip; }
    bool isWindowed() const { return m_windowed; }
    CDisplay* getDisplay() const { return m_display; }
    void setSecondaryDisplay(CSecondaryDisplay* secondary) { m_secondary = secondary; }
    CSecondaryDisplay* getSecondaryDisplay() const { return m_secondary; }

private:
    bool openDisplay(int width, int height, int bpp, bool fullScreen);
    void drawFPS(int fps);

    CDisplay* m_display = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bpp = 0;
    bool m_windowed = false;
    bool m_flip = false;
    CSecondaryDisplay* m_secondary = nullptr;
    int32_t m_frames = 0;
    int32_t m_shownFps = 0;
    uint64_t m_fpsStart = 0;
};

} // namespace KavirelDLL
