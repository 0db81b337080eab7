#include "platform/Display.h"

#include "platform/Codepage.h"
#include "platform/DisplayImpl.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace KavirelDLL {

namespace {
constexpr int32_t kMaxSide = 8192;
// Past this many rectangles between two frames the whole screen is cheaper to track.
constexpr size_t kMaxPending = 256;
constexpr int32_t kMaxCursorSide = 256;
constexpr int32_t kMaxIconSide = 1024;

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
} // namespace

CRgb8 pixelToRgb8(uint16_t pixel, EPixelLayout layout) {
    CRgb8 c;
    if (layout == EPixelLayout::Rgb565) {
        uint8_t r = static_cast<uint8_t>(pixel >> 11), g = static_cast<uint8_t>((pixel >> 5) & 0x3F),
                b = static_cast<uint8_t>(pixel & 0x1F);
        c.r = static_cast<uint8_t>((r << 3) | (r >> 2));
        c.g = static_cast<uint8_t>((g << 2) | (g >> 4));
        c.b = static_cast<uint8_t>((b << 3) | (b >> 2));
    } else {
        uint8_t r = static_cast<uint8_t>((pixel >> 10) & 0x1F), g = static_cast<uint8_t>((pixel >> 5) & 0x1F),
                b = static_cast<uint8_t>(pixel & 0x1F);
        c.r = static_cast<uint8_t>((r << 3) | (r >> 2));
        c.g = static_cast<uint8_t>((g << 3) | (g >> 2));
        c.b = static_cast<uint8_t>((b << 3) | (b >> 2));
    }
    return c;
}

uint16_t rgb8ToPixel(CRgb8 c, EPixelLayout layout) {
    if (layout == EPixelLayout::Rgb565)
        return static_cast<uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
    return static_cast<uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
}

CPlatformRect letterboxRect(int32_t lw, int32_t lh, int32_t ow, int32_t oh) {
    if (lw <= 0 || lh <= 0 || ow <= 0 || oh <= 0) return {};
    int64_t w, h;
    if (int64_t(ow) * lh <= int64_t(oh) * lw) {
        w = ow;
        h = (int64_t(ow) * lh * 2 + lw) / (2 * int64_t(lw));
    } else {
        h = oh;
        w = (int64_t(oh) * lw * 2 + lh) / (2 * int64_t(lh));
    }
    w = std::max<int64_t>(1, w);
    h = std::max<int64_t>(1, h);
    CPlatformRect r;
    r.left = static_cast<int32_t>((ow - w) / 2);
    r.top = static_cast<int32_t>((oh - h) / 2);
    r.right = r.left + static_cast<int32_t>(w);
    r.bottom = r.top + static_cast<int32_t>(h);
    return r;
}

CPlatformPoint outputToLogical(CPlatformPoint p, int32_t lw, int32_t lh, int32_t ow, int32_t oh) {
    CPlatformRect d = letterboxRect(lw, lh, ow, oh);
    if (d.isEmpty()) return {};
    // Output pixels are sampled at their centres.
    int64_t x = floorDiv((2 * int64_t(p.x - d.left) + 1) * lw, 2 * int64_t(d.width()));
    int64_t y = floorDiv((2 * int64_t(p.y - d.top) + 1) * lh, 2 * int64_t(d.height()));
    return {static_cast<int32_t>(std::clamp<int64_t>(x, 0, lw - 1)),
            static_cast<int32_t>(std::clamp<int64_t>(y, 0, lh - 1))};
}

CPlatformPoint logicalToOutput(CPlatformPoint p, int32_t lw, int32_t lh, int32_t ow, int32_t oh) {
    CPlatformRect d = letterboxRect(lw, lh, ow, oh);
    if (d.isEmpty()) return {};
    return {static_cast<int32_t>(d.left + floorDiv((2 * int64_t(p.x) + 1) * d.width(), 2 * int64_t(lw))),
            static_cast<int32_t>(d.top + floorDiv((2 * int64_t(p.y) + 1) * d.height(), 2 * int64_t(lh)))};
}

// ---- CDisplayBase ----

bool CDisplayBase::fail(const std::string& message) {
    m_error = message;
    return false;
}

bool CDisplayBase::open(const CDisplayMode& mode) {
    if (m_open) close();
    m_error.clear();
    if (mode.width < 1 || mode.height < 1 || mode.width > kMaxSide || mode.height > kMaxSide)
        return fail("display: refused size " + std::to_string(mode.width) + "x" +
                    std::to_string(mode.height));
    if (mode.bitsPerPixel != 16 && mode.bitsPerPixel != 15)
        return fail("display: refused depth of " + std::to_string(mode.bitsPerPixel) + " bits");
    m_mode = mode;
    m_layout = mode.bitsPerPixel == 16 ? EPixelLayout::Rgb565 : EPixelLayout::Rgb555;
    // Rows start on 32-byte boundaries so that wide stores stay aligned.
    m_pitch = (mode.width + 15) & ~15;
    const size_t frame = size_t(mode.width) * size_t(mode.height);
    m_surface.assign(size_t(m_pitch) * size_t(mode.height), 0);
    m_staged.assign(frame, 0);
    m_shown.assign(frame, 0);
    m_pending.clear();
    m_pendingAll = false;
    m_showAgain = true;
    m_presentCount = 0;
    m_active = true;
    m_minimised = false;
    m_closeRequested = false;
    m_visible = mode.visible;
    m_cursorVisible = true;
    m_currentCursor = systemCursorId(ESystemCursor::Arrow);
    m_cursors.clear();
    m_clip.reset();
    m_warp.reset();
    m_open = true;
    if (!openBackend()) {
        std::string why = m_error;
        close();
        m_error = why;
        return false;
    }
    return true;
}

void CDisplayBase::close() {
    if (!m_open) return;
    closeBackend();
    m_open = false;
    m_pitch = 0;
    m_surface.clear();
    m_staged.clear();
    m_shown.clear();
    m_pending.clear();
    m_cursors.clear();
    m_clip.reset();
    m_warp.reset();
    m_active = false;
    m_visible = false;
}

CPlatformRect CDisplayBase::clipToScreen(const CPlatformRect& r) const {
    CPlatformRect c;
    c.left = std::max(r.left, 0);
    c.top = std::max(r.top, 0);
    c.right = std::min(r.right, m_mode.width);
    c.bottom = std::min(r.bottom, m_mode.height);
    return c;
}

void CDisplayBase::copyRect(const CPlatformRect& r) {
    const size_t bytes = size_t(r.width()) * sizeof(uint16_t);
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::memcpy(&m_staged[size_t(y) * m_mode.width + r.left], &m_surface[size_t(y) * m_pitch + r.left],
                    bytes);
}

void CDisplayBase::update(const CPlatformRect& rect) {
    if (!m_open) return;
    CPlatformRect r = clipToScreen(rect);
    if (r.isEmpty()) return;
    copyRect(r);
    uploadBackend(r);
    if (m_pendingAll) return;
    if (m_pending.size() >= kMaxPending) {
        m_pending.clear();
        m_pendingAll = true;
        return;
    }
    m_pending.push_back(r);
}

void CDisplayBase::update(const CPlatformRect* rects, size_t count) {
    if (!rects) return;
    for (size_t i = 0; i < count; ++i) update(rects[i]);
}

void CDisplayBase::updateAll() {
    if (!m_open) return;
    CPlatformRect all{0, 0, m_mode.width, m_mode.height};
    copyRect(all);
    uploadBackend(all);
    m_pending.clear();
    m_pendingAll = true;
}

void CDisplayBase::present() {
    if (!m_open) return;
    // A frame the desktop already shows is not drawn again: idle frames cost nothing.
    const bool changed = m_showAgain || m_pendingAll || !m_pending.empty();
    if (m_pendingAll) {
        m_shown = m_staged;
    } else {
        for (const CPlatformRect& r : m_pending) {
            for (int32_t y = r.top; y < r.bottom; ++y) {
                size_t at = size_t(y) * m_mode.width + r.left;
                std::memcpy(&m_shown[at], &m_staged[at], size_t(r.width()) * sizeof(uint16_t));
            }
        }
    }
    m_pending.clear();
    m_pendingAll = false;
    m_showAgain = false;
    if (changed) presentBackend();
    ++m_presentCount;
}

uint16_t CDisplayBase::presentedPixel(int32_t x, int32_t y) const {
    if (!m_open || x < 0 || y < 0 || x >= m_mode.width || y >= m_mode.height) return 0;
    return m_shown[size_t(y) * m_mode.width + x];
}

std::vector<uint8_t> CDisplayBase::readFrameRgb() const {
    std::vector<uint8_t> rgb;
    rgb.reserve(m_shown.size() * 3);
    for (uint16_t p : m_shown) {
        CRgb8 c = pixelToRgb8(p, m_layout);
        rgb.push_back(c.r);
        rgb.push_back(c.g);
        rgb.push_back(c.b);
    }
    return rgb;
}

bool CDisplayBase::saveBmp(const std::string& path) {
    if (!m_open) return fail("display: no frame to save, the display is closed");
    std::vector<uint8_t> rgb = readFrameRgb();
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rgb.data(), m_mode.width, m_mode.height, 24,
                                                              m_mode.width * 3, SDL_PIXELFORMAT_RGB24);
    if (!surface) return fail(std::string("display: cannot prepare the screenshot: ") + SDL_GetError());
    int result = SDL_SaveBMP(surface, path.c_str());
    SDL_FreeSurface(surface);
    if (result != 0) return fail("display: cannot write " + path + ": " + SDL_GetError());
    return true;
}

bool CDisplayBase::readOutputRgb(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) {
    if (!m_open) return fail("display: closed");
    rgb = readFrameRgb();
    width = m_mode.width;
    height = m_mode.height;
    return true;
}

void CDisplayBase::onWindowEvent(EWindowEvent event) {
    if (!m_open) return;
    switch (event) {
    case EWindowEvent::FocusGained:
        m_active = true;
        break;
    case EWindowEvent::FocusLost:
        m_active = false;
        break;
    case EWindowEvent::CloseRequested:
        m_closeRequested = true;
        break;
    case EWindowEvent::Minimised:
        m_minimised = true;
        break;
    case EWindowEvent::Restored:
        m_minimised = false;
        m_showAgain = true;
        break;
    case EWindowEvent::Resized:
        clipBackend(m_clip);
        m_showAgain = true;
        break;
    case EWindowEvent::RenderReset:
        renderResetBackend();
        m_showAgain = true;
        break;
    case EWindowEvent::Exposed:
        m_showAgain = true;
        break;
    case EWindowEvent::Moved:
        break;
    }
}

void CDisplayBase::raise() {
    if (m_open) raiseBackend();
}

void CDisplayBase::minimise() {
    if (m_open) minimiseBackend();
}

CPlatformPoint CDisplayBase::windowPosition() const {
    if (std::optional<CPlatformPoint> real = m_open ? positionBackend() : std::nullopt) return *real;
    return m_position;
}

void CDisplayBase::moveWindow(CPlatformPoint topLeft) {
    if (!m_open || m_mode.fullScreen) return;
    m_position = topLeft;
    moveBackend(topLeft);
}

void CDisplayBase::show() {
    if (!m_open) return;
    m_visible = true;
    m_showAgain = true;
    showBackend(true);
}

void CDisplayBase::hide() {
    if (!m_open) return;
    m_visible = false;
    showBackend(false);
}

void CDisplayBase::setTitle(const std::string& title) {
    m_mode.title = title;
    if (m_open) setTitleBackend(cp1250ToUtf8(title));
}

bool CDisplayBase::setIcon(const uint8_t* rgba, int32_t width, int32_t height) {
    if (!m_open) return fail("display: closed");
    if (!rgba || width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide)
        return fail("display: an icon must be between 1 and 1024 pixels a side");
    return iconBackend(rgba, width, height);
}

bool CDisplayBase::setFullScreen(bool fullScreen) {
    if (!m_open) return fail("display: closed");
    if (m_mode.fullScreen == fullScreen) return true;
    if (!fullScreenBackend(fullScreen)) return false;
    m_mode.fullScreen = fullScreen;
    m_showAgain = true;
    clipBackend(m_clip);
    return true;
}

CPlatformPoint CDisplayBase::windowToLogical(CPlatformPoint p) const {
    if (!m_open) return {};
    return {std::clamp(p.x, 0, m_mode.width - 1), std::clamp(p.y, 0, m_mode.height - 1)};
}

void CDisplayBase::setCursorVisible(bool visible) {
    if (!m_open) return;
    m_cursorVisible = visible;
    cursorVisibleBackend(visible);
}

int32_t CDisplayBase::createCursor(const CCursorImage& image) {
    if (!m_open) {
        fail("display: closed");
        return 0;
    }
    if (!image.pixels || image.width < 1 || image.height < 1 || image.width > kMaxCursorSide ||
        image.height > kMaxCursorSide || image.pitch < image.width) {
        fail("display: refused cursor image " + std::to_string(image.width) + "x" +
             std::to_string(image.height));
        return 0;
    }
    CCursorImage checked = image;
    checked.hotX = std::clamp(image.hotX, 0, image.width - 1);
    checked.hotY = std::clamp(image.hotY, 0, image.height - 1);
    int32_t id = m_nextCursorId++;
    if (!createCursorBackend(id, checked)) return 0;
    m_cursors.insert(id);
    return id;
}

void CDisplayBase::destroyCursor(int32_t id) {
    if (!m_open || m_cursors.count(id) == 0) return;
    if (m_currentCursor == id) setCursor(systemCursorId(ESystemCursor::Arrow));
    destroyCursorBackend(id);
    m_cursors.erase(id);
    if (m_currentCursor == id) m_currentCursor = systemCursorId(ESystemCursor::Arrow);
}

bool CDisplayBase::setCursor(int32_t id) {
    if (!m_open) return fail("display: closed");
    bool known =
        id > 0 ? m_cursors.count(id) != 0
               : (id <= systemCursorId(ESystemCursor::Arrow) && id >= systemCursorId(ESystemCursor::Hand));
    if (!known) return fail("display: no cursor " + std::to_string(id));
    if (!setCursorBackend(id)) return false;
    m_currentCursor = id;
    return true;
}

void CDisplayBase::clipCursor(const CPlatformRect& rect) {
    if (!m_open) return;
    CPlatformRect r = clipToScreen(rect);
    if (r.isEmpty()) {
        releaseCursorClip();
        return;
    }
    m_clip = r;
    clipBackend(m_clip);
}

void CDisplayBase::releaseCursorClip() {
    if (!m_open) return;
    m_clip.reset();
    clipBackend(m_clip);
}

void CDisplayBase::warpCursor(CPlatformPoint p) {
    if (!m_open) return;
    p.x = std::clamp(p.x, 0, m_mode.width - 1);
    p.y = std::clamp(p.y, 0, m_mode.height - 1);
    if (m_clip) {
        p.x = std::clamp(p.x, m_clip->left, m_clip->right - 1);
        p.y = std::clamp(p.y, m_clip->top, m_clip->bottom - 1);
    }
    m_warp = p;
    warpBackend(p);
}

std::optional<CPlatformPoint> CDisplayBase::takeWarp() {
    std::optional<CPlatformPoint> w = m_warp;
    m_warp.reset();
    return w;
}

// ---- in-memory display ----

namespace {
class CHeadlessDisplay final : public CDisplayBase {};
} // namespace

std::unique_ptr<CDisplay> createHeadlessDisplay() { return std::make_unique<CHeadlessDisplay>(); }

} // namespace KavirelDLL
