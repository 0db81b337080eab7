#include "display/SecondaryDisplay.h"

#include <algorithm>

#include "display/DirectDrawSurface.h"
#include "display/Surface.h"
#include "display/Window.h"
#include "platform/Display.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

CSecondaryDisplay::CSecondaryDisplay(CDisplay* hwnd, CWindow* window, int delay)
    : m_hwnd(hwnd), m_window(window), m_frames(101, 0.75f), m_delay(std::max(0, delay)) {
    CXSize size = window ? window->GetScreenSize() : CXSize(800, 600);
    // The game window's presentation paces the frame; a mirror waiting for the refresh as well would halve
    // it.
    if (hwnd && (!hwnd->isOpen() || hwnd->mode().vsync)) {
        CDisplayMode mode = hwnd->mode();
        mode.visible = hwnd->isOpen() ? hwnd->isVisible() : true;
        mode.width = size.cx;
        mode.height = size.cy;
        mode.bitsPerPixel = window && window->GetBpp() ? window->GetBpp() : 16;
        mode.fullScreen = false;
        mode.vsync = false;
        // A refusal is reported by the surface, which tries again.
        hwnd->open(mode);
    }
    m_surface = new CSurface(hwnd, size.cx, size.cy);
    if (m_surface->LastError()) setErrorCode(m_surface->LastError());
}

CSecondaryDisplay::~CSecondaryDisplay() {
    flush(-1, false);
    delete m_surface;
}

void CSecondaryDisplay::addSurface(CDirectDrawSurface* source, CXRect* rect) {
    if (!source || !rect || rect->Width() <= 0 || rect->Height() <= 0) return;
    auto* frame = new CFrame;
    frame->surface =
        new CDirectDrawSurface(m_window, CXSize(rect->Width(), rect->Height()), source->GetBpp(), true);
    frame->surface->Blt(source, 0, 0, rect);
    frame->time = CPlatformClock::milliseconds();
    frame->rect = *rect;
    m_frames.add(frame);
}

CSecondaryDisplay::CFrame* CSecondaryDisplay::getSurfaceToRedraw() {
    const int count = m_frames.getSize();
    const uint64_t now = CPlatformClock::milliseconds();
    // The search runs to the newest frame, so the last picture of a still scene is shown too.
    int i = 0;
    while (i < count && frameAt(i)->time + uint64_t(m_delay) < now) ++i;
    if (i == 0) return nullptr;
    flush(i - 1, true);
    return frameAt(0);
}

void CSecondaryDisplay::redraw(CFrame* frame) {
    if (!frame || !m_surface || !frame->surface) return;
    CXRect all(0, 0, frame->surface->Width(), frame->surface->Height());
    CXRect target = frame->rect;
    m_surface->Blt(frame->surface, &all, &target);
}

void CSecondaryDisplay::redraw() {
    if (CFrame* frame = getSurfaceToRedraw()) redraw(frame);
    if (m_surface) m_surface->Present();
}

void CSecondaryDisplay::flush(int count, bool draw) {
    if (count < 0 || count > m_frames.getSize()) count = m_frames.getSize();
    for (int i = 0; i < count; ++i) {
        CFrame* frame = frameAt(0);
        if (draw) redraw(frame);
        m_frames.removeAt(0);
        delete frame->surface;
        delete frame;
    }
}

} // namespace KavirelDLL
