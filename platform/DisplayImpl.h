#pragma once
// Shared part of the display implementations; private to platform/.
#include "platform/Display.h"

#include <set>

namespace KavirelDLL {

// Keeps the surface, the window's image and the last presented frame in memory, with the window and cursor
// state; a desktop implementation overrides the hooks to mirror them in a real window.
class CDisplayBase : public CDisplay {
public:
    ~CDisplayBase() override = default;

    bool open(const CDisplayMode& mode) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    const std::string& lastError() const override { return m_error; }
    const CDisplayMode& mode() const override { return m_mode; }
    bool isReal() const override { return false; }

    uint16_t* pixels() override { return m_open ? m_surface.data() : nullptr; }
    int32_t pitch() const override { return m_pitch; }
    int32_t width() const override { return m_open ? m_mode.width : 0; }
    int32_t height() const override { return m_open ? m_mode.height : 0; }
    int32_t bitsPerPixel() const override { return m_mode.bitsPerPixel; }
    EPixelLayout layout() const override { return m_layout; }

    void update(const CPlatformRect& rect) override;
    void update(const CPlatformRect* rects, size_t count) override;
    void updateAll() override;
    void present() override;
    uint64_t presentCount() const override { return m_presentCount; }
    int32_t refreshRate() const override { return m_open ? refreshRateBackend() : 0; }

    std::vector<uint16_t> presentedFrame() const override { return m_shown; }
    uint16_t presentedPixel(int32_t x, int32_t y) const override;
    std::vector<uint8_t> readFrameRgb() const override;
    bool saveBmp(const std::string& path) override;
    bool readOutputRgb(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) override;

    bool isActive() const override { return m_active; }
    bool isMinimised() const override { return m_minimised; }
    bool isCloseRequested() const override { return m_closeRequested; }
    bool isVisible() const override { return m_visible; }
    bool isFullScreen() const override { return m_mode.fullScreen; }
    void onWindowEvent(EWindowEvent event) override;
    void raise() override;
    void minimise() override;
    void show() override;
    void hide() override;
    void setTitle(const std::string& title) override;
    bool setIcon(const uint8_t* rgba, int32_t width, int32_t height) override;
    bool setFullScreen(bool fullScreen) override;
    CPlatformPoint windowToLogical(CPlatformPoint point) const override;
    CPlatformPoint windowPosition() const override;
    void moveWindow(CPlatformPoint topLeft) override;
    CPlatformRect desktopArea() const override { return desktopAreaBackend(); }

    void setCursorVisible(bool visible) override;
    bool isCursorVisible() const override { return m_cursorVisible; }
    int32_t createCursor(const CCursorImage& image) override;
    void destroyCursor(int32_t id) override;
    bool setCursor(int32_t id) override;
    int32_t currentCursor() const override { return m_currentCursor; }
    void clipCursor(const CPlatformRect& rect) override;
    void releaseCursorClip() override;
    std::optional<CPlatformRect> cursorClip() const override { return m_clip; }
    void warpCursor(CPlatformPoint point) override;
    std::optional<CPlatformPoint> takeWarp() override;

    // The desktop's window handle (an SDL_Window*), null for the in-memory display.
    virtual void* nativeWindow() const { return nullptr; }

protected:
    // Hooks for a desktop implementation; the in-memory display keeps their defaults.
    virtual bool openBackend() { return true; }
    virtual void closeBackend() {}
    virtual void uploadBackend(const CPlatformRect&) {}
    virtual void presentBackend() {}
    virtual void renderResetBackend() {}
    virtual int32_t refreshRateBackend() const { return 0; }
    virtual void setTitleBackend(const std::string& /*utf8*/) {}
    virtual bool iconBackend(const uint8_t* /*rgba*/, int32_t /*width*/, int32_t /*height*/) { return true; }
    virtual void showBackend(bool) {}
    virtual void raiseBackend() {}
    // Without a desktop the window is minimised at once.
    virtual void minimiseBackend() { m_minimised = true; }
    virtual bool fullScreenBackend(bool) { return true; }
    virtual void cursorVisibleBackend(bool) {}
    virtual bool createCursorBackend(int32_t /*id*/, const CCursorImage&) { return true; }
    virtual void destroyCursorBackend(int32_t /*id*/) {}
    virtual bool setCursorBackend(int32_t /*id*/) { return true; }
    virtual void clipBackend(const std::optional<CPlatformRect>&) {}
    virtual void warpBackend(CPlatformPoint) {}
    virtual void moveBackend(CPlatformPoint) {}
    virtual std::optional<CPlatformPoint> positionBackend() const { return std::nullopt; }
    virtual CPlatformRect desktopAreaBackend() const { return CPlatformRect{0, 0, 1920, 1080}; }

    bool fail(const std::string& message);
    // The window's image (what update() copied), width() pixels a row.
    const uint16_t* staged() const { return m_staged.data(); }

    std::string m_error;

private:
    void copyRect(const CPlatformRect& rect);
    CPlatformRect clipToScreen(const CPlatformRect& rect) const;

    CDisplayMode m_mode;
    EPixelLayout m_layout = EPixelLayout::Rgb565;
    bool m_open = false;
    int32_t m_pitch = 0;
    std::vector<uint16_t> m_surface;
    std::vector<uint16_t> m_staged;
    std::vector<uint16_t> m_shown;
    std::vector<CPlatformRect> m_pending;
    bool m_pendingAll = false;
    // The desktop may not show the last frame (just opened, shown, exposed, restored, resized, a lost
    // render): the next present draws it although nothing changed.
    bool m_showAgain = true;
    uint64_t m_presentCount = 0;

    bool m_active = false;
    bool m_minimised = false;
    bool m_closeRequested = false;
    bool m_visible = false;

    bool m_cursorVisible = true;
    int32_t m_currentCursor = systemCursorId(ESystemCursor::Arrow);
    int32_t m_nextCursorId = 1;
    std::set<int32_t> m_cursors;
    std::optional<CPlatformRect> m_clip;
    std::optional<CPlatformPoint> m_warp;
    CPlatformPoint m_position;
};

} // namespace KavirelDLL
