#include "display/VirtualGraphicsObject.h"

#include <algorithm>
#include <vector>

#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

// The screen frame at which sources without a destiny were last brought up to date (one for all objects).
int g_lastRefresh = -1;

} // namespace

CVirtualGraphicsObject::CVirtualGraphicsObject(CWindow* window) : CGraphicsObject(window) {
    m_screen = window ? window->GetRefreshScreenInterface() : nullptr;
}

CVirtualGraphicsObject::~CVirtualGraphicsObject() {
    for (CGraphicsObject* g : {m_source, m_maskOwner, m_mask})
        if (g) g->removeInvalidateObserver(this);
    m_source = m_maskOwner = m_mask = nullptr;
}

CXObject* CVirtualGraphicsObject::clone() {
    auto* copy = new CVirtualGraphicsObject(m_window);
    copy->setSource(m_source);
    if (auto* animo = dynamic_cast<CFramedGraphic*>(m_maskOwner))
        copy->setMaskFromAnimo(animo);
    else
        copy->setMask(m_maskOwner);
    copy->m_x = m_x;
    copy->m_y = m_y;
    copy->m_visible = m_visible;
    copy->m_clip = m_clip;
    return copy;
}

bool CVirtualGraphicsObject::leadsTo(CGraphicsObject* graphic) {
    std::vector<CVirtualGraphicsObject*> pending{this};
    std::vector<CVirtualGraphicsObject*> seen;
    while (!pending.empty()) {
        CVirtualGraphicsObject* current = pending.back();
        pending.pop_back();
        if (std::find(seen.begin(), seen.end(), current) != seen.end()) continue;
        seen.push_back(current);
        for (CGraphicsObject* g : {current->m_source, current->m_maskOwner, current->m_mask}) {
            if (!g) continue;
            if (g == graphic) return true;
            if (auto* v = dynamic_cast<CVirtualGraphicsObject*>(g)) pending.push_back(v);
        }
    }
    return false;
}

bool CVirtualGraphicsObject::refused(CGraphicsObject* graphic, const char* what) {
    if (!graphic) return false;
    auto* virtualOne = dynamic_cast<CVirtualGraphicsObject*>(graphic);
    if (graphic != this && !(virtualOne && virtualOne->leadsTo(this)) && !reportsTo(graphic)) return false;
    logMessage("virtual graphics object: a %s that leads back to the object itself is refused", what);
    return true;
}

void CVirtualGraphicsObject::observe(CGraphicsObject* graphic) {
    if (graphic) graphic->addInvalidateObserver(this);
}

void CVirtualGraphicsObject::forget(CGraphicsObject* graphic) {
    // Still observed when it is also the other role's graphic.
    if (graphic && graphic != m_source && graphic != m_maskOwner && graphic != m_mask)
        graphic->removeInvalidateObserver(this);
}

void CVirtualGraphicsObject::setSource(CGraphicsObject* source) {
    if (source == m_source || refused(source, "source")) return;
    CGraphicsObject* old = m_source;
    m_source = source;
    forget(old);
    observe(source);
    if (source) SetBpp(source->GetBpp());
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::setMask(CGraphicsObject* mask) {
    if (mask == m_maskOwner || refused(mask, "mask")) return;
    CGraphicsObject* oldOwner = m_maskOwner;
    CGraphicsObject* oldMask = m_mask;
    m_maskOwner = m_mask = mask;
    forget(oldOwner);
    forget(oldMask);
    observe(mask);
    if (mask) mask->DeCompress();
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::setMaskFromAnimo(CFramedGraphic* framed) {
    CGraphicsObject* animo = framed ? framed->framedGraphic() : nullptr;
    if (!animo) {
        setMask(nullptr);
        return;
    }
    // The same animation again takes its current frame when the old one went.
    if ((animo == m_maskOwner && m_mask) || refused(animo, "mask")) return;
    CGraphicsObject* oldOwner = m_maskOwner;
    CGraphicsObject* oldMask = m_mask;
    m_maskOwner = animo;
    m_mask = framed->shownFrame();
    forget(oldOwner);
    forget(oldMask);
    observe(animo);
    // The frame may go before the animation (a reload): it is watched too.
    observe(m_mask);
    animo->DeCompress();
    updateSize();
    Invalidate();
}

void CVirtualGraphicsObject::updateSize() {
    if (m_mask && m_source)
        setSize(CXSize(std::min(m_mask->Width(), m_source->Width()), std::min(m_mask->Height(), m_source->Height())));
    else if (m_mask)
        setSize(m_mask->Size());
    else if (m_source)
        setSize(m_source->Size());
    else
        setSize(CXSize(0, 0));
}

// The size updateSize gave: the part of the mask that has a source to show (never asked of the mask again,
// so a chain of virtual objects is not measured again at each call).
int CVirtualGraphicsObject::Width() { return m_width; }

int CVirtualGraphicsObject::Height() { return m_height; }

bool CVirtualGraphicsObject::testHit(CXPoint p, bool boxOnly) {
    if (m_mask) {
        if (!GetBoundingBox().IsInRect(p)) return false;
        if (boxOnly || !m_mask->GetChannelAlpha()) return true;
        // The mask's own rows, as drawing reads them.
        return m_mask->GetPixel(CHANNEL_ALPHA, ClientCoords(p)) != 0;
    }
    if (m_source) return m_source->testHit(p, boxOnly);
    return true;
}

void CVirtualGraphicsObject::Invalidate(CXRect* rect) {
    if (!rect || !m_mask) {
        Invalidate();
        return;
    }
    CXRect box = m_mask->GetBoundingBox();
    CXRect meet(std::max(box.left, rect->left), std::max(box.top, rect->top), std::min(box.right, rect->right),
                std::min(box.bottom, rect->bottom));
    if (meet.right > meet.left && meet.bottom > meet.top) Invalidate();
}

void CVirtualGraphicsObject::onInvalidate(CGraphicsObject*, CXRect* rect) {
    // A mask or source that changed size (a reload, another frame) changes the overlap.
    const int width = m_width, height = m_height;
    updateSize();
    if (width == m_width && height == m_height) {
        Invalidate(rect);
        return;
    }
    CXRect before = GetBoundingBox();
    before.right = before.left + width;
    before.bottom = before.top + height;
    invalidateOnCanvas(before);
    Invalidate();
}

void CVirtualGraphicsObject::onDestroy(CGraphicsObject* gone) {
    if (gone == m_source) m_source = nullptr;
    if (gone == m_maskOwner) {
        if (m_mask && m_mask != gone) m_mask->removeInvalidateObserver(this);
        m_maskOwner = m_mask = nullptr;
    }
    if (gone == m_mask) m_mask = nullptr;
    updateSize();
    Invalidate();
    CGraphicsObject::onDestroy(gone);
}

void CVirtualGraphicsObject::redraw(CGraphicsObject* destination) {
    if (!m_source || !destination) return;
    if (!m_source->GetDestiny() && m_screen) {
        const int frame = m_screen->getRefreshCounter();
        if (frame != g_lastRefresh) {
            g_lastRefresh = frame;
            m_source->Redraw();
        }
    }
    if (!m_mask) {
        m_source->redraw(destination);
        return;
    }
    const int bpp = destination->GetBpp();
    char* target = destination->GetDataPtr();
    if ((bpp != 15 && bpp != 16) || !target || destination->GetCompression() != COMPRESSION_NONE) return;
    const int dw = destination->Width(), dh = destination->Height();
    const int pitch = destination->GetPitch() > 0 ? destination->GetPitch() : dw;
    auto* pixels = reinterpret_cast<uint16_t*>(target);

    // The source's pixels are read one by one: packed ones are unpacked first (run-length ones for the draw).
    const bool sourceRle = m_source->GetCompression() == COMPRESSION_RLE;
    if (sourceRle)
        m_source->DeCompressRLE2();
    else if (m_source->GetCompression() != COMPRESSION_NONE)
        m_source->DeCompress();

    const bool maskRle = m_mask->GetCompression() == COMPRESSION_RLE;
    if (maskRle)
        m_mask->DeCompressRLE2();
    else if (m_mask->GetCompression() != COMPRESSION_NONE)
        m_mask->DeCompress();
    const int mw = m_mask->Width(), mh = m_mask->Height();
    const auto* alpha = reinterpret_cast<const uint8_t*>(m_mask->GetChannelAlpha());
    // A mask without a whole alpha plane (still packed, or none) shows the source as it is.
    const bool plane =
        alpha && m_mask->GetCompression() == COMPRESSION_NONE && m_mask->GetChannelSize(3) >= mw * mh;
    CXRect region(0, 0, Width(), Height());
    if (!m_clip.IsEmpty())
        region = CXRect(std::max(region.left, m_clip.left), std::max(region.top, m_clip.top),
                        std::min(region.right, m_clip.right), std::min(region.bottom, m_clip.bottom));
    const CXPoint from = m_mask->GetPosition();
    const int sw = m_source->Width(), sh = m_source->Height();
    for (int r = region.top; r < region.bottom; ++r) {
        const int dy = m_y + r, sy = from.y + r;
        if (dy < 0 || dy >= dh || sy < 0 || sy >= sh || r >= mh) continue;
        for (int c = region.left; c < region.right; ++c) {
            const int dx = m_x + c, sx = from.x + c;
            if (dx < 0 || dx >= dw || sx < 0 || sx >= sw || c >= mw) continue;
            const int a = plane ? alpha[size_t(r) * mw + c] : 255;
            if (a == 0) continue;
            const CColor source = m_source->GetPixel(sx, sy);
            if (a == 255)
                pixels[size_t(dy) * pitch + dx] = static_cast<uint16_t>(source.GetInBPP(bpp));
            else
                destination->putPixel(dx, dy, source, a, false);
        }
    }
    if (maskRle) m_mask->bringBackCompressed();
    if (sourceRle) m_source->bringBackCompressed();
}

} // namespace KavirelDLL
