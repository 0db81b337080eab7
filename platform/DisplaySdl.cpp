#include "platform/Codepage.h"
#include "platform/DisplayImpl.h"
#include "platform/Video.h"
#include "platform/X11Window.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <map>

namespace KavirelDLL {

namespace {

class CSdlDisplay final : public CDisplayBase {
public:
    explicit CSdlDisplay(CVideo& video) : m_video(video) {}
    ~CSdlDisplay() override { close(); }

    bool isReal() const override { return true; }
    void* nativeWindow() const override { return m_window; }
    CPlatformPoint windowToLogical(CPlatformPoint point) const override;
    bool readOutputRgb(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) override;

protected:
    bool openBackend() override;
    void closeBackend() override;
    void uploadBackend(const CPlatformRect& rect) override;
    void presentBackend() override;
    void renderResetBackend() override;
    int32_t refreshRateBackend() const override {
        // A window, and the screen filled at the desktop's mode, show at the desktop's rate (the window's own
        // display mode is the one an exclusive full screen would take).
        const int index = m_window ? SDL_GetWindowDisplayIndex(m_window) : -1;
        SDL_DisplayMode m;
        return index >= 0 && SDL_GetDesktopDisplayMode(index, &m) == 0 ? std::max(m.refresh_rate, 0) : 0;
    }
    void setTitleBackend(const std::string& utf8) override { SDL_SetWindowTitle(m_window, utf8.c_str()); }
    bool iconBackend(const uint8_t* rgba, int32_t width, int32_t height) override;
    void showBackend(bool visible) override { visible ? SDL_ShowWindow(m_window) : SDL_HideWindow(m_window); }
    void raiseBackend() override {
        // SDL raises only a window that shows: a minimised one is brought back first.
        if (SDL_GetWindowFlags(m_window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(m_window);
        SDL_RaiseWindow(m_window);
    }
    void minimiseBackend() override { SDL_MinimizeWindow(m_window); }
    bool fullScreenBackend(bool fullScreen) override;
    void cursorVisibleBackend(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }
    bool createCursorBackend(int32_t id, const CCursorImage& image) override;
    void destroyCursorBackend(int32_t id) override;
    bool setCursorBackend(int32_t id) override;
    void clipBackend(const std::optional<CPlatformRect>& rect) override;
    void warpBackend(CPlatformPoint point) override;
    void moveBackend(CPlatformPoint p) override { SDL_SetWindowPosition(m_window, p.x, p.y); }
    std::optional<CPlatformPoint> positionBackend() const override {
        CPlatformPoint p;
        SDL_GetWindowPosition(m_window, &p.x, &p.y);
        return p;
    }
    CPlatformRect desktopAreaBackend() const override {
        SDL_Rect r;
        const int index = m_window ? SDL_GetWindowDisplayIndex(m_window) : 0;
        if (SDL_GetDisplayUsableBounds(index < 0 ? 0 : index, &r) != 0)
            return CDisplayBase::desktopAreaBackend();
        return CPlatformRect{r.x, r.y, r.x + r.w, r.y + r.h};
    }

private:
    bool sdlFail(const char* what) { return fail(std::string("display: ") + what + ": " + SDL_GetError()); }
    bool createTexture();
    void drawFrame();
    CPlatformPoint windowSize() const;

    CVideo& m_video;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    SDL_ScaleMode m_scaleMode = SDL_ScaleModeNearest;
    std::map<int32_t, SDL_Cursor*> m_cursorHandles;
    SDL_Cursor* m_systemCursors[3] = {nullptr, nullptr, nullptr};
};

bool CSdlDisplay::openBackend() {
    if (!m_video.isReady()) return fail("display: no video: " + m_video.lastError());
    const CDisplayMode& m = mode();
    Uint32 flags = m.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (m.fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (m.frameless) flags |= SDL_WINDOW_BORDERLESS;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(0, &area) == 0 && area.w > 0 && area.h > 0) {
        // A window larger than the work area keeps its top left corner, and so its title bar, in sight.
        x = std::max(area.x, area.x + (area.w - m.width) / 2 + m.offsetX);
        y = std::max(area.y, area.y + (area.h - m.height) / 2 + m.offsetY);
    }
    m_window = SDL_CreateWindow(cp1250ToUtf8(m.title).c_str(), x, y, m.width, m.height, flags);
    if (!m_window) return sdlFail("cannot open the window");
    Uint32 rendererFlags = SDL_RENDERER_ACCELERATED | (m.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
    m_renderer = SDL_CreateRenderer(m_window, -1, rendererFlags);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1,
                                        SDL_RENDERER_SOFTWARE | (m.vsync ? SDL_RENDERER_PRESENTVSYNC : 0));
    if (!m_renderer) return sdlFail("cannot create a renderer");
    if (!createTexture()) return false;
    // Characters come from the engine's own keyboard maps, never from the desktop's input methods.
    SDL_StopTextInput();
    watchX11Window(m_window);
    return true;
}

bool CSdlDisplay::iconBackend(const uint8_t* rgba, int32_t width, int32_t height) {
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!icon) return sdlFail("cannot make the icon");
    SDL_SetWindowIcon(m_window, icon);
    SDL_FreeSurface(icon);
    return true;
}

bool CSdlDisplay::createTexture() {
    const CDisplayMode& m = mode();
    Uint32 format = layout() == EPixelLayout::Rgb565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB555;
    m_texture = SDL_CreateTexture(m_renderer, format, SDL_TEXTUREACCESS_STREAMING, m.width, m.height);
    if (!m_texture) return sdlFail("cannot create the screen texture");
    m_scaleMode = SDL_ScaleModeNearest;
    SDL_SetTextureScaleMode(m_texture, m_scaleMode);
    CPlatformRect all{0, 0, m.width, m.height};
    uploadBackend(all);
    return true;
}

void CSdlDisplay::closeBackend() {
    if (m_window) SDL_SetWindowMouseRect(m_window, nullptr);
    // The pointer is shared by the whole desktop session: leave it as it was found.
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_ShowCursor(SDL_ENABLE);
    for (auto& entry : m_cursorHandles) SDL_FreeCursor(entry.second);
    m_cursorHandles.clear();
    for (SDL_Cursor*& cursor : m_systemCursors) {
        if (cursor) SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
    if (m_texture) SDL_DestroyTexture(m_texture);
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    destroyWatchedWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
}

void CSdlDisplay::uploadBackend(const CPlatformRect& r) {
    if (!m_texture) return;
    SDL_Rect area{r.left, r.top, r.width(), r.height()};
    const int32_t rowPixels = mode().width;
    const uint16_t* from = staged() + size_t(r.top) * rowPixels + r.left;
    if (SDL_UpdateTexture(m_texture, &area, from, rowPixels * int(sizeof(uint16_t))) != 0)
        sdlFail("cannot update the screen texture");
}

void CSdlDisplay::drawFrame() {
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(m_renderer, &ow, &oh);
    CPlatformRect d = letterboxRect(mode().width, mode().height, ow, oh);
    // Exact size keeps pixels sharp; any other scale is smoothed rather than shown with uneven pixels.
    SDL_ScaleMode wanted = (d.width() == mode().width && d.height() == mode().height) ? SDL_ScaleModeNearest
                                                                                      : SDL_ScaleModeLinear;
    if (wanted != m_scaleMode) {
        SDL_SetTextureScaleMode(m_texture, wanted);
        m_scaleMode = wanted;
    }
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    SDL_Rect dst{d.left, d.top, d.width(), d.height()};
    if (m_texture) SDL_RenderCopy(m_renderer, m_texture, nullptr, &dst);
}

void CSdlDisplay::presentBackend() {
    // Another program destroyed the window: its close request is on its way.
    if (!m_renderer || isX11WindowGone(m_window)) return;
    drawFrame();
    SDL_RenderPresent(m_renderer);
}

bool CSdlDisplay::readOutputRgb(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) {
    if (!m_renderer) return fail("display: closed");
    int ow = 0, oh = 0;
    if (SDL_GetRendererOutputSize(m_renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0)
        return sdlFail("cannot measure the window");
    drawFrame();
    rgb.assign(size_t(ow) * size_t(oh) * 3, 0);
    if (SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), ow * 3) != 0)
        return sdlFail("cannot read the window back");
    width = ow;
    height = oh;
    return true;
}

void CSdlDisplay::renderResetBackend() {
    if (!m_renderer) return;
    if (m_texture) SDL_DestroyTexture(m_texture);
    m_texture = nullptr;
    createTexture();
}

bool CSdlDisplay::fullScreenBackend(bool fullScreen) {
    if (SDL_SetWindowFullscreen(m_window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return sdlFail(fullScreen ? "cannot switch to full screen" : "cannot leave full screen");
    if (!fullScreen) {
        SDL_SetWindowSize(m_window, mode().width, mode().height);
        SDL_SetWindowPosition(m_window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    return true;
}

CPlatformPoint CSdlDisplay::windowSize() const {
    int w = 0, h = 0;
    if (m_window) SDL_GetWindowSize(m_window, &w, &h);
    return {w, h};
}

CPlatformPoint CSdlDisplay::windowToLogical(CPlatformPoint point) const {
    if (!m_window) return {};
    CPlatformPoint size = windowSize();
    return outputToLogical(point, mode().width, mode().height, size.x, size.y);
}

bool CSdlDisplay::createCursorBackend(int32_t id, const CCursorImage& image) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return sdlFail("cannot prepare a cursor");
    for (int32_t y = 0; y < image.height; ++y) {
        Uint32* row =
            reinterpret_cast<Uint32*>(static_cast<uint8_t*>(surface->pixels) + size_t(y) * surface->pitch);
        for (int32_t x = 0; x < image.width; ++x) {
            size_t at = size_t(y) * image.pitch + x;
            CRgb8 c = pixelToRgb8(image.pixels[at], layout());
            Uint32 a = image.alpha ? image.alpha[at] : 255;
            row[x] = (a << 24) | (Uint32(c.r) << 16) | (Uint32(c.g) << 8) | c.b;
        }
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.hotX, image.hotY);
    SDL_FreeSurface(surface);
    if (!cursor) return sdlFail("cannot create a cursor");
    m_cursorHandles[id] = cursor;
    return true;
}

void CSdlDisplay::destroyCursorBackend(int32_t id) {
    auto it = m_cursorHandles.find(id);
    if (it == m_cursorHandles.end()) return;
    SDL_FreeCursor(it->second);
    m_cursorHandles.erase(it);
}

bool CSdlDisplay::setCursorBackend(int32_t id) {
    SDL_Cursor* cursor = nullptr;
    if (id > 0) {
        auto it = m_cursorHandles.find(id);
        if (it != m_cursorHandles.end()) cursor = it->second;
    } else {
        static const SDL_SystemCursor kinds[3] = {SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_WAIT,
                                                  SDL_SYSTEM_CURSOR_HAND};
        int index = -1 - id;
        if (!m_systemCursors[index]) m_systemCursors[index] = SDL_CreateSystemCursor(kinds[index]);
        cursor = m_systemCursors[index];
    }
    if (!cursor) return sdlFail("cannot show the cursor");
    SDL_SetCursor(cursor);
    return true;
}

void CSdlDisplay::clipBackend(const std::optional<CPlatformRect>& rect) {
    if (!m_window) return;
    if (!rect) {
        SDL_SetWindowMouseRect(m_window, nullptr);
        return;
    }
    CPlatformPoint size = windowSize();
    CPlatformRect d = letterboxRect(mode().width, mode().height, size.x, size.y);
    auto edge = [](int32_t v, int32_t origin, int32_t span, int32_t logical) {
        return origin + int32_t(int64_t(v) * span / logical);
    };
    SDL_Rect area;
    area.x = edge(rect->left, d.left, d.width(), mode().width);
    area.y = edge(rect->top, d.top, d.height(), mode().height);
    area.w = std::max(1, edge(rect->right, d.left, d.width(), mode().width) - area.x);
    area.h = std::max(1, edge(rect->bottom, d.top, d.height(), mode().height) - area.y);
    if (SDL_SetWindowMouseRect(m_window, &area) != 0) sdlFail("cannot confine the pointer");
}

void CSdlDisplay::warpBackend(CPlatformPoint point) {
    CPlatformPoint size = windowSize();
    CPlatformPoint at = logicalToOutput(point, mode().width, mode().height, size.x, size.y);
    SDL_WarpMouseInWindow(m_window, at.x, at.y);
}

} // namespace

std::unique_ptr<CDisplay> createSdlDisplay(CVideo& video) { return std::make_unique<CSdlDisplay>(video); }

} // namespace KavirelDLL
