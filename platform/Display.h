#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace KavirelDLL {

class CVideo;

struct CPlatformPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Right and bottom lie outside the rectangle, as in the engine's own rectangles.
struct CPlatformRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
};

struct CRgb8 {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

enum class EPixelLayout : uint8_t { Rgb565, Rgb555 };

// Channels are widened by repeating their top bits, so 0 stays 0 and full intensity becomes 255.
CRgb8 pixelToRgb8(uint16_t pixel, EPixelLayout layout);
// Keeps the top bits of each channel.
uint16_t rgb8ToPixel(CRgb8 colour, EPixelLayout layout);

// Where a logical screen lies in an output of the given size: scaled to fit, aspect kept, centred.
CPlatformRect letterboxRect(int32_t logicalWidth, int32_t logicalHeight, int32_t outputWidth,
                            int32_t outputHeight);
// A point of that output in logical coordinates, clamped to the logical screen.
CPlatformPoint outputToLogical(CPlatformPoint point, int32_t logicalWidth, int32_t logicalHeight,
                               int32_t outputWidth, int32_t outputHeight);
// The output point at the centre of a logical pixel.
CPlatformPoint logicalToOutput(CPlatformPoint point, int32_t logicalWidth, int32_t logicalHeight,
                               int32_t outputWidth, int32_t outputHeight);

struct CDisplayMode {
    int32_t width = 800;
    int32_t height = 600;
    int32_t bitsPerPixel = 16; // 16: 5-6-5, 15: 5-5-5
    bool fullScreen = false;   // the desktop's full screen, the logical screen scaled to fit
    bool visible = true;       // false opens the window hidden until show()
    bool vsync = true;
    bool frameless = false; // a window without the desktop's frame and title bar
    // A window is centred on the desktop's work area, then moved by this much (kept on the work area's left
    // and top when it is larger).
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    std::string title; // code page 1250
};

enum class ESystemCursor : uint8_t { Arrow, Wait, Hand };

// Pixels in the display's own layout; alpha from 0 (transparent) to 255 (opaque), one byte a pixel; null
// alpha is all opaque.
struct CCursorImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0; // pixels per row of both planes
    const uint16_t* pixels = nullptr;
    const uint8_t* alpha = nullptr;
    int32_t hotX = 0;
    int32_t hotY = 0;
};

// What happened to the window; delivered by CInput, which also tells the display.
enum class EWindowEvent : uint8_t {
    FocusGained,
    FocusLost,
    CloseRequested,
    Exposed, // the window's content must be shown again
    Minimised,
    Restored,
    Resized,     // the window's size changed (full-screen switch, desktop change)
    RenderReset, // the device lost its textures
    Moved,       // the window moved; the event's x and y give its client area's origin on the desktop
};

// The game window and its presentation surface. The engine writes 16-bit pixels into the surface, hands the
// rectangles it changed to update() and calls present() once per frame. Main thread only.
class CDisplay {
public:
    virtual ~CDisplay() = default;

    // Opens the window (closing one already open); false with lastError() when the mode is refused or the
    // desktop fails.
    virtual bool open(const CDisplayMode& mode) = 0;
    // Destroys the window; the surface pointer becomes invalid. Every call is harmless on a closed display.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last failing call failed.
    virtual const std::string& lastError() const = 0;
    // The mode opened with, kept current by setTitle and setFullScreen.
    virtual const CDisplayMode& mode() const = 0;
    // False for the in-memory display.
    virtual bool isReal() const = 0;

    // The surface the engine draws into: width() x height() pixels, rows pitch() pixels apart.
    // Null while closed.
    virtual uint16_t* pixels() = 0;
    virtual int32_t pitch() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // 16 or 15, and the matching pixel layout.
    virtual int32_t bitsPerPixel() const = 0;
    virtual EPixelLayout layout() const = 0;

    // Copies changed rectangles of the surface to the window's image (clipped to the screen, empty ones
    // skipped).
    virtual void update(const CPlatformRect& rect) = 0;
    virtual void update(const CPlatformRect* rects, size_t count) = 0;
    // Copies the whole surface.
    virtual void updateAll() = 0;
    // Shows the window's image; with vsync it waits for the display's refresh. When nothing was updated
    // since the last present and the desktop still shows it (no exposure, restore, resize, full-screen switch
    // or lost render since), the desktop is not asked to draw it again and present returns at once.
    virtual void present() = 0;
    // Frames presented since open(), those shown unchanged included.
    virtual uint64_t presentCount() const = 0;
    // The refresh rate of the screen the window is on, in Hz; 0 when the display reports none (the
    // in-memory display, SDL's dummy driver).
    virtual int32_t refreshRate() const = 0;

    // The last presented frame, width() x height() pixels without padding.
    virtual std::vector<uint16_t> presentedFrame() const = 0;
    // One pixel of it; 0 outside the screen.
    virtual uint16_t presentedPixel(int32_t x, int32_t y) const = 0;
    // The last presented frame as 8-bit RGB triples (printing, screenshots).
    virtual std::vector<uint8_t> readFrameRgb() const = 0;
    // Writes the last presented frame as a 24-bit BMP file; false with lastError() on failure.
    virtual bool saveBmp(const std::string& path) = 0;
    // What the desktop draws in the window (scaled, letterboxed) as 8-bit RGB; the in-memory display answers
    // its frame. False when the image cannot be read back.
    virtual bool readOutputRgb(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) = 0;

    // Window state, kept up to date by the events CInput delivers. A window opens active.
    virtual bool isActive() const = 0;
    virtual bool isMinimised() const = 0;
    // Sticky once the player asked to close the window.
    virtual bool isCloseRequested() const = 0;
    virtual bool isVisible() const = 0;
    virtual bool isFullScreen() const = 0;
    // Called by CInput for every window event it delivers.
    virtual void onWindowEvent(EWindowEvent event) = 0;
    // Brings the window to the front and asks for the focus.
    virtual void raise() = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Asks the desktop to minimise the window; isMinimised follows once the desktop has done it.
    virtual void minimise() = 0;
    // Title in code page 1250.
    virtual void setTitle(const std::string& title) = 0;
    // The window's icon: width x height 8-bit RGBA pixels, top row first. False for an empty or oversized
    // picture or a closed display; the in-memory display only checks it.
    virtual bool setIcon(const uint8_t* rgba, int32_t width, int32_t height) = 0;
    // Switches between a window of the logical size and the desktop's full screen; false with lastError().
    virtual bool setFullScreen(bool fullScreen) = 0;
    // A window point (as the desktop reports the pointer) in logical coordinates, clamped to the screen.
    virtual CPlatformPoint windowToLogical(CPlatformPoint point) const = 0;
    // Where the window's client area lies on the desktop (top-left), and moving it there; full screen stays
    // put.
    virtual CPlatformPoint windowPosition() const = 0;
    virtual void moveWindow(CPlatformPoint topLeft) = 0;
    // The part of the desktop a window may use (the in-memory display answers 1920 x 1080).
    virtual CPlatformRect desktopArea() const = 0;

    // Cursors. Ids of created cursors are positive; system cursors have the ids systemCursorId() gives.
    static constexpr int32_t systemCursorId(ESystemCursor cursor) {
        return -1 - static_cast<int32_t>(cursor);
    }
    // Shows or hides the pointer over the window (no counting: the last call wins).
    virtual void setCursorVisible(bool visible) = 0;
    virtual bool isCursorVisible() const = 0;
    // A cursor made from an image; 0 when it cannot be made.
    virtual int32_t createCursor(const CCursorImage& image) = 0;
    // Frees a created cursor; when it was shown, the arrow takes its place.
    virtual void destroyCursor(int32_t id) = 0;
    // Shows the cursor with the id; false for an unknown id or when the desktop refuses.
    virtual bool setCursor(int32_t id) = 0;
    virtual int32_t currentCursor() const = 0;
    // Keeps the pointer inside a logical rectangle (cut to the screen; an empty one releases) while the
    // window has the focus.
    virtual void clipCursor(const CPlatformRect& rect) = 0;
    virtual void releaseCursorClip() = 0;
    virtual std::optional<CPlatformRect> cursorClip() const = 0;
    // Moves the pointer to a logical point; CInput reports the move at its next pump.
    virtual void warpCursor(CPlatformPoint point) = 0;
    // The pending warp, for CInput.
    virtual std::optional<CPlatformPoint> takeWarp() = 0;
};

// The in-memory display: no window, frames kept for reading back.
std::unique_ptr<CDisplay> createHeadlessDisplay();
// A desktop window through SDL; the video object must outlive the display.
std::unique_ptr<CDisplay> createSdlDisplay(CVideo& video);

} // namespace KavirelDLL
