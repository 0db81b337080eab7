#include "display/DirectDrawSurface.h"

#include <algorithm>

#include "core/Log.h"
#include "display/Color.h"
#include "platform/Display.h"

namespace KavirelDLL {

CDirectDrawSurface::CDirectDrawSurface(CWindow* window) : CGraphicsObject(window) {}

CDirectDrawSurface::CDirectDrawSurface(CWindow* window, CDisplay* display)
    : CGraphicsObject(window), m_display(display) {
    if (!display || !display->isOpen()) {
        m_display = nullptr;
        return;
    }
    m_width = display->width();
    m_height = display->height();
    m_bpp = display->bitsPerPixel();
    m_pitch = display->pitch();
    SetDataPtr(reinterpret_cast<char*>(display->pixels()), true);
}

CDirectDrawSurface::CDirectDrawSurface(CWindow* window, CXSize size, int bpp, bool videoMemory)
    : CGraphicsObject(window) {
    m_width = std::max(0, size.cx);
    m_height = std::max(0, size.cy);
    m_bpp = bpp;
    create_surface(videoMemory);
}

CDirectDrawSurface::~CDirectDrawSurface() = default;

bool CDirectDrawSurface::create_surface(bool) {
    if (m_display) return true;
    if (!sizeAcceptable(m_width, m_height, m_bpp)) {
        m_width = m_height = 0;
        return false;
    }
    m_pitch = m_width;
    m_data = CSharedBlock::allocate(static_cast<size_t>(__get_data_size(m_width, m_height, m_bpp)));
    return static_cast<bool>(m_data);
}

char* CDirectDrawSurface::GetDataPtr() {
    // The display's block is re-read: a display opened again lays out a new one.
    if (m_display) {
        char* pixels = reinterpret_cast<char*>(m_display->pixels());
        if (pixels != m_data.get()) {
            m_width = m_display->width();
            m_height = m_display->height();
            m_pitch = m_display->pitch();
            SetDataPtr(pixels, true);
        }
    }
    return m_data.get();
}

CPixelView CDirectDrawSurface::view() {
    CPixelView v;
    if (m_bpp != 15 && m_bpp != 16) return v;
    v.pixels = reinterpret_cast<uint16_t*>(GetDataPtr());
    v.width = m_width;
    v.height = m_height;
    v.pitch = std::max(m_pitch, m_width);
    return v;
}

void CDirectDrawSurface::Fill(CColor* color) {
    if (!color) return;
    Fill(CXRect(0, 0, m_width, m_height), color);
}

void CDirectDrawSurface::Fill(CXRect rect, CColor* color) {
    if (!color) return;
    fillPixels(view(), rect, static_cast<uint16_t>(color->GetInBPP(m_bpp)));
}

bool CDirectDrawSurface::Blt(CDirectDrawSurface* source, int x, int y, CXRect* rect) {
    if (!source || !rect) return false;
    CXRect r = *rect;
    if (source->Width() < r.Width() || source->Height() < r.Height()) {
        // Arithmetic shifts, as the offsets may be negative.
        x = (r.Width() - source->Width()) >> 1;
        y = (r.Height() - source->Height()) >> 1;
        r = CXRect(0, 0, source->Width(), source->Height());
    }
    return copyPixels(source->view(), r, view(), x, y);
}

bool CDirectDrawSurface::Blt(CDirectDrawSurface* source, CXRect* sourceRect, CXRect* destRect) {
    if (!source || !sourceRect || !destRect) return false;
    return stretchPixels(source->view(), *sourceRect, view(), *destRect);
}

void CDirectDrawSurface::Redraw() {
    CGraphicsObject* destiny = GetDestiny();
    if (!destiny) return;
    auto* target = dynamic_cast<CDirectDrawSurface*>(destiny);
    // Any other destiny takes the surface through the blitters.
    if (!target) {
        CGraphicsObject::Redraw();
        return;
    }
    const int dw = target->Width(), dh = target->Height();
    if (!(-dw < m_x && m_x < dw && -dh < m_y && m_y < dh)) return;
    CXRect part(std::max(0, -m_x), std::max(0, -m_y), m_x + m_width < dw ? m_width : dw - m_x,
                m_y + m_height < dh ? m_height : dh - m_y);
    // The compositor limits every object to what it repaints.
    if (!m_clip.IsEmpty()) part.Common(m_clip);
    if (part.Width() <= 0 || part.Height() <= 0) return;
    target->Blt(this, m_x + part.left, m_y + part.top, &part);
}

} // namespace KavirelDLL
