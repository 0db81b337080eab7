#include "display/Canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "display/RefreshScreen.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"

namespace KavirelDLL {

int CCanvas::maxRegions = 10;

namespace {

CXRect cut(const CXRect& rect, int width, int height) {
    CXRect r(std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
             std::min(rect.bottom, height));
    if (r.right <= r.left || r.bottom <= r.top) return CXRect();
    return r;
}

// The alpha plane when it holds a byte for every pixel.
uint8_t* alphaOf(CGraphicsObject* g) {
    char* alpha = g->GetChannelAlpha();
    if (!alpha || g->GetChannelSize(3) < g->Width() * g->Height()) return nullptr;
    return reinterpret_cast<uint8_t*>(alpha);
}

} // namespace

CCanvas::CCanvas(CWindow* window, int width, int height, int bpp, bool alpha, bool backup)
    : CGraphicsObject(window, CXSize(width, height), bpp), m_elements(new CValidationQuene()) {
    const size_t pixels = size_t(Width()) * size_t(Height());
    if (alpha && pixels) AlphaChannel(static_cast<char*>(std::memset(new char[pixels], 0, pixels)));
    if (backup) {
        m_backupObject = new CGraphicsObject(window, CXSize(Width(), Height()), bpp);
        if (alpha && pixels)
            m_backupObject->AlphaChannel(static_cast<char*>(std::memset(new char[pixels], 0, pixels)));
        add(m_backupObject, -1);
    }
}

CCanvas::~CCanvas() {
    for (int i = 0; i < m_elements->getSize(); ++i) {
        CGraphicsObject* child = m_elements->elementAt(i)->getObject();
        child->removeInvalidateObserver(this);
        if (child->GetDestiny() == this) child->SetDestiny(nullptr);
    }
    delete m_elements;
    m_elements = nullptr;
    delete m_backupObject;
    m_backupObject = nullptr;
}

// ---------------------------------------------------------------- children

void CCanvas::add(CGraphicsObject* object, int priority) {
    if (!object || object == this || m_elements->find(object)) return;
    m_elements->add(object, priority, 0)->setToBeDrawn(true);
    object->addInvalidateObserver(this);
    object->SetDestiny(this);
    object->Invalidate();
}

void CCanvas::remove(CGraphicsObject* object) {
    if (!object || !m_elements->find(object)) return;
    // What the child covered shows the canvas without it from the next redraw on.
    const CXRect covered = object->GetDestiny() == this ? object->GetBoundingBox() : CXRect();
    m_elements->remove(object);
    object->removeInvalidateObserver(this);
    if (object->GetDestiny() == this) object->SetDestiny(nullptr);
    if (!covered.IsEmpty()) forward(covered);
}

void CCanvas::removeAll() {
    for (int i = 0; i < m_elements->getSize(); ++i) {
        CGraphicsObject* child = m_elements->elementAt(i)->getObject();
        child->removeInvalidateObserver(this);
        if (child->GetDestiny() == this) child->SetDestiny(nullptr);
    }
    m_elements->removeAll();
    if (m_backupObject) add(m_backupObject, -1);
}

void CCanvas::onDestroy(CGraphicsObject* child) {
    if (child == m_backupObject) m_backupObject = nullptr;
    remove(child);
}

// ---------------------------------------------------------------- invalidation

void CCanvas::forward(const CXRect& local) {
    CXRect moved = local + GetPosition();
    CXRect box = GetBoundingBox();
    CXRect part;
    moved.Common(box, &part);
    if (part.IsEmpty()) return;
    CRefreshScreen* screen = m_canvas;
    if (!screen && m_observers && m_observers->getSize() == 0 && m_window)
        screen = m_window->GetRefreshScreenInterface();
    if (screen) screen->Invalidate(&part);
    // A canvas holding this one learns of it as of any child's change.
    notifyInvalidate(&part);
}

void CCanvas::onInvalidate(CGraphicsObject* child, CXRect* rect) {
    ++m_forwarded;
    if (m_forwarded < maxRegions) {
        CXRect local = rect ? *rect : (child ? child->GetBoundingBox() : CXRect());
        if (!local.IsEmpty()) forward(local);
    } else if (!m_invalidated) {
        Invalidate();
    }
}

// ---------------------------------------------------------------- drawing

void CCanvas::Redraw() {
    clear(false);
    std::vector<CGraphicsObject*> children;
    for (int i = 0; i < m_elements->getSize(); ++i) children.push_back(m_elements->elementAt(i)->getObject());
    for (CGraphicsObject* child : children) {
        // A child may leave the canvas while another draws.
        if (!m_elements->find(child) || !child->isVisible()) continue;
        const CXRect saved = child->GetClippingRect();
        child->SetDestiny(this);
        if (!m_clip.IsEmpty()) {
            CXRect part;
            child->GetBoundingBox().Common(m_clip, &part);
            if (part.IsEmpty()) continue;
            child->SetClippingRect(part - child->GetPosition());
        }
        child->Redraw();
        if (m_elements->find(child)) child->SetClippingRect(saved);
    }
    CGraphicsObject::Redraw();
    m_forwarded = 0;
}

void CCanvas::clearRect(CGraphicsObject* target, const CXRect& rect) {
    if (!target) return;
    const CXRect r = cut(rect, target->Width(), target->Height());
    if (r.IsEmpty()) return;
    if (char* data = target->GetDataPtr(); data && target->GetCompression() == COMPRESSION_NONE) {
        const int bytes = __get_pixel_size(target->GetBpp());
        const int pitch = std::max(target->GetPitch(), target->Width());
        for (int y = r.top; y < r.bottom; ++y)
            std::memset(data + (size_t(y) * pitch + r.left) * bytes, 0, size_t(r.Width()) * bytes);
    }
    if (uint8_t* alpha = alphaOf(target))
        for (int y = r.top; y < r.bottom; ++y)
            std::memset(alpha + size_t(y) * target->Width() + r.left, 0, size_t(r.Width()));
}

void CCanvas::clear(bool withBackup) {
    const CXRect rect = m_clip.IsEmpty() ? CXRect(0, 0, Width(), Height()) : m_clip;
    clearRect(this, rect);
    if (withBackup && m_backupObject) clearRect(m_backupObject, rect);
}

void CCanvas::draw(CGraphicsObject* object, int x, int y) {
    if (!object || !m_backupObject || object == m_backupObject) return;
    const CXPoint position = object->GetPosition();
    const CXPoint anchor = object->getAnchor();
    const CXRect clip = object->GetClippingRect();
    CGraphicsObject* destiny = object->GetDestiny();
    object->SetClippingRect(CXRect());
    object->SetPosition(x + anchor.x, y + anchor.y);
    object->SetDestiny(m_backupObject);
    object->Redraw();
    object->SetPosition(position.x + anchor.x, position.y + anchor.y);
    object->SetClippingRect(clip);
    object->SetDestiny(destiny);
    forward(CXRect(x, y, x + object->Width(), y + object->Height()));
}

void CCanvas::erase(CGraphicsObject* object, int x, int y) {
    if (!object) return;
    object->GetDataPtr();
    const int ow = object->Width();
    const CXRect placed(x, y, x + ow, y + object->Height());
    const uint8_t* source = alphaOf(object);
    // An object without an alpha plane is opaque everywhere.
    if (!source && object->GetChannelAlpha()) return;
    // Each plane is cut to its own size: a canvas and its backup need not be of one size.
    for (CGraphicsObject* target : {static_cast<CGraphicsObject*>(this), m_backupObject}) {
        uint8_t* alpha = target ? alphaOf(target) : nullptr;
        const CXRect covered = target ? cut(placed, target->Width(), target->Height()) : CXRect();
        if (!alpha || covered.IsEmpty()) continue;
        const int tw = target->Width();
        for (int row = covered.top; row < covered.bottom; ++row)
            for (int col = covered.left; col < covered.right; ++col) {
                const int sub = source ? source[size_t(row - y) * ow + (col - x)] : 255;
                uint8_t& a = alpha[size_t(row) * tw + col];
                a = static_cast<uint8_t>(std::max(0, int(a) - sub));
            }
    }
    const CXRect covered = cut(placed, Width(), Height());
    if (!covered.IsEmpty()) forward(covered);
}

void CCanvas::scale(float sx, float sy) {
    Scale(sx, sy);
    // The backup and its alpha plane go on matching the canvas.
    if (m_backupObject && (m_backupObject->Width() != Width() || m_backupObject->Height() != Height()))
        m_backupObject->Scale(sx, sy);
}

void CCanvas::capture() {
    if (!m_backupObject) return;
    m_elements->remove(m_backupObject);
    m_backupObject->removeInvalidateObserver(this);
    const CXPoint position = GetPosition();
    const CXPoint anchor = getAnchor();
    const uint8_t opacity = GetOpacity();
    CGraphicsObject* destiny = m_destiny;
    SetDestiny(m_backupObject);
    SetPosition(anchor.x, anchor.y);
    SetOpacity(255);
    Redraw();
    SetPosition(position.x + anchor.x, position.y + anchor.y);
    SetOpacity(opacity);
    SetDestiny(destiny);
    removeAll();
}

CXObject* CCanvas::clone() {
    auto* copy = new CCanvas(m_window, Width(), Height(), GetBpp(), GetChannelAlpha() != nullptr,
                             m_backupObject != nullptr);
    copy->m_x = m_x;
    copy->m_y = m_y;
    if (m_backupObject && copy->m_backupObject) {
        // The copy's own backup takes this one's picture; the backup itself stays with its canvas. Rows are
        // copied as far as both backups reach.
        CGraphicsObject* from = m_backupObject;
        CGraphicsObject* to = copy->m_backupObject;
        const char* fromData = from->GetDataPtr();
        char* toData = to->GetDataPtr();
        const int w = std::min(from->Width(), to->Width()), h = std::min(from->Height(), to->Height());
        const size_t ps = size_t(__get_pixel_size(GetBpp()));
        const size_t fromPitch = size_t(std::max(from->GetPitch(), from->Width()));
        const size_t toPitch = size_t(std::max(to->GetPitch(), to->Width()));
        const bool plain = from->GetCompression() == COMPRESSION_NONE && from->GetBpp() == to->GetBpp();
        const uint8_t* fromAlpha = alphaOf(from);
        uint8_t* toAlpha = alphaOf(to);
        for (int y = 0; y < h && w > 0; ++y) {
            if (fromData && toData && plain)
                std::memcpy(toData + y * toPitch * ps, fromData + y * fromPitch * ps, size_t(w) * ps);
            if (fromAlpha && toAlpha)
                std::memcpy(toAlpha + size_t(y) * to->Width(), fromAlpha + size_t(y) * from->Width(),
                            size_t(w));
        }
    }
    for (int i = 0; i < m_elements->getSize(); ++i) {
        CValidationElement* e = m_elements->elementAt(i);
        if (e->getObject() != m_backupObject) copy->add(e->getObject(), e->getPriority());
    }
    if (m_canvas) m_canvas->put(copy, m_canvas->GetPriority(this));
    return copy;
}

} // namespace KavirelDLL
