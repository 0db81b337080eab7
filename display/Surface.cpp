#include "display/Surface.h"

#include <algorithm>
#include <string>

#include "core/Log.h"
#include "display/DirectDrawSurface.h"
#include "display/SecondaryDisplay.h"
#include "platform/Display.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

namespace {

uint32_t* g_conversionTable = nullptr;

CPixelView displayView(CDisplay* display) {
    CPixelView v;
    if (!display || !display->isOpen()) return v;
    v.pixels = display->pixels();
    v.pitch = display->pitch();
    v.width = display->width();
    v.height = display->height();
    return v;
}

// Five-by-seven glyphs of the frame counter's characters, one byte a row, bit 4 the leftmost pixel.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

} // namespace

CSurface::CSurface(CXSize* size, int* bpp, CDisplay* hwnd, bool flip) : m_display(hwnd), m_flip(flip) {
    int width = size ? size->cx : 800, height = size ? size->cy : 600;
    int depth = bpp ? *bpp : 16;
    if (!openDisplay(width, height, depth, true)) return;
    if (bpp) *bpp = m_bpp;
    prepareBppConversionTable(m_bpp);
}

CSurface::CSurface(CDisplay* hwnd, int width, int height) : m_display(hwnd) {
    int depth = hwnd && hwnd->isOpen() ? hwnd->bitsPerPixel() : 16;
    if (!openDisplay(width, height, depth, false)) return;
    CreateClipper(hwnd);
    prepareBppConversionTable(m_bpp);
}

CSurface::~CSurface() {
    if (m_bpp == 24 || m_bpp == 32) releaseBppConversionTable();
}

bool CSurface::openDisplay(int width, int height, int bpp, bool fullScreen) {
    if (!m_display) {
        logMessage("display surface: no game window");
        setErrorCode(ERR_GRAPHICS_DEVICE);
        return false;
    }
    const CDisplayMode& current = m_display->mode();
    // The program's window is taken as it is when it already shows the screen; otherwise it opens again.
    if (m_display->isOpen() && current.width == width && current.height == height &&
        current.bitsPerPixel == bpp) {
        if (m_display->isFullScreen() != fullScreen && !m_display->setFullScreen(fullScreen)) {
            logMessage("display surface: %s", m_display->lastError().c_str());
            setErrorCode(ERR_GRAPHICS_DEVICE);
            return false;
        }
    } else {
        CDisplayMode mode = current;
        mode.visible = m_display->isOpen() ? m_display->isVisible() : true;
        mode.width = width;
        mode.height = height;
        mode.bitsPerPixel = bpp;
        mode.fullScreen = fullScreen;
        if (!m_display->open(mode)) {
            logMessage("display surface: %s", m_display->lastError().c_str());
            setErrorCode(ERR_GRAPHICS_DEVICE);
            return false;
        }
    }
    m_width = m_display->width();
    m_height = m_display->height();
    m_bpp = m_display->bitsPerPixel();
    m_fpsStart = CPlatformClock::milliseconds();
    return true;
}

int CSurface::CreateClipper(CDisplay*) {
    m_windowed = true;
    return 0;
}

int CSurface::GetPitch() const { return m_display && m_display->isOpen() ? m_display->pitch() : 0; }

char* CSurface::Lock() {
    return m_display && m_display->isOpen() ? reinterpret_cast<char*>(m_display->pixels()) : nullptr;
}

int CSurface::Flip() {
    if (!m_display || !m_display->isOpen()) return ERR_GRAPHICS_DEVICE;
    m_display->updateAll();
    m_display->present();
    return 0;
}

void CSurface::Present() {
    if (m_display && m_display->isOpen()) m_display->present();
}

int CSurface::Blt(CDirectDrawSurface* source, int x, int y, CXRect* rect) {
    if (!source || !rect || !m_display || !m_display->isOpen()) return ERR_GRAPHICS_DEVICE;
    CPixelView screen = displayView(m_display);
    copyPixels(source->view(), *rect, screen, x, y);
    m_display->update(CPlatformRect{x, y, x + rect->Width(), y + rect->Height()});
    if (m_windowed && m_secondary) m_secondary->addSurface(source, rect);
    return 0;
}

int CSurface::Blt(CDirectDrawSurface* source, CXRect* sourceRect, CXRect* destRect) {
    if (!source || !sourceRect || !destRect || !m_display || !m_display->isOpen()) return ERR_GRAPHICS_DEVICE;
    stretchPixels(source->view(), *sourceRect, displayView(m_display), *destRect);
    m_display->update(CPlatformRect{destRect->left, destRect->top, destRect->right, destRect->bottom});
    return 0;
}

void CSurface::ShowFPS() {
    ++m_frames;
    const uint64_t now = CPlatformClock::milliseconds();
    if (now - m_fpsStart >= 1000) {
        m_shownFps = m_frames;
        m_frames = 0;
        m_fpsStart = now;
    }
    drawFPS(m_shownFps);
}

void CSurface::ShowFPS(int fps) { drawFPS(fps); }

void CSurface::drawFPS(int fps) {
    CPixelView screen = displayView(m_display);
    if (!screen.isValid()) return;
    const std::string text = "FPS: " + std::to_string(fps) + "   ";
    const int x0 = 10, y0 = 10, advance = 6;
    const CXRect box(x0, y0, x0 + advance * int(text.size()), y0 + 7);
    const uint16_t white = m_bpp == 15 ? 0x7FFF : 0xFFFF;
    fillPixels(screen, box, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = nullptr;
        for (const Glyph& g : kGlyphs)
            if (g.c == text[i]) glyph = &g;
        if (!glyph) continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (glyph->rows[row] & (0x10 >> col))
                    fillPixels(screen,
                               CXRect(x0 + advance * int(i) + col, y0 + row, x0 + advance * int(i) + col + 1,
                                      y0 + row + 1),
                               white);
    }
    m_display->update(CPlatformRect{box.left, box.top, box.right, box.bottom});
}

void CSurface::prepareBppConversionTable(int bpp) {
    if ((bpp != 24 && bpp != 32) || g_conversionTable) return;
    g_conversionTable = new uint32_t[65536];
    for (uint32_t i = 0; i < 65536; ++i)
        g_conversionTable[i] = (i & 0xF800) << 8 | (i & 0x07E0) << 5 | (i & 0x001F) << 3;
}

uint32_t* CSurface::getBppConversionTable() { return g_conversionTable; }

void CSurface::releaseBppConversionTable() {
    delete[] g_conversionTable;
    g_conversionTable = nullptr;
}

} // namespace KavirelDLL
