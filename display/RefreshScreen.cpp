#include "display/RefreshScreen.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/Containers.h"
#include "core/Log.h"
#include "display/CanvasObserver.h"
#include "display/Color.h"
#include "display/DirectDrawSurface.h"
#include "display/ImageFile.h"
#include "display/RefreshRegion.h"
#include "display/UnitLink.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

CUnit6* (*g_unitSource)() = nullptr;

bool hasArea(const CXRect& r) { return r.right > r.left && r.bottom > r.top; }

CXRect common(const CXRect& a, const CXRect& b) {
    CXRect c;
    a.Common(b, &c);
    return c;
}

int positiveModulo(int v, int m) {
    int r = v % m;
    return r < 0 ? r + m : r;
}

} // namespace

// ---------------------------------------------------------------- background

CRefreshScreen::CBackgroundManager::CBackgroundManager(CRefreshScreen* screen, CWindow* window)
    : m_screen(screen), m_window(window) {}

CRefreshScreen::CBackgroundManager::~CBackgroundManager() { delete m_bkg; }

void CRefreshScreen::CBackgroundManager::SetBackground(CColor* color) {
    CColor grey(7, 7, 7);
    delete m_bkg;
    m_bkg = new CDirectDrawSurface(m_window, m_screen->Size(), m_screen->GetBpp(), true);
    m_bkg->Fill(color ? color : &grey);
    m_mode = 0;
}

void CRefreshScreen::CBackgroundManager::SetBackground(CGraphicsObject* object) {
    delete m_bkg;
    m_bkg = nullptr;
    if (!object) return;
    m_bkg = new CDirectDrawSurface(m_window, object->Size(), m_screen->GetBpp(), true);
    // The copy starts at the surface's corner, and the object keeps what it was drawn into before.
    CGraphicsObject* destiny = object->GetDestiny();
    CXPoint position = object->GetPosition();
    CXPoint anchor = object->getAnchor();
    object->setAnchor(0, 0);
    object->SetPosition(0, 0);
    object->SetDestiny(m_bkg);
    object->Redraw();
    object->SetDestiny(destiny);
    object->SetPosition(position.x, position.y);
    object->setAnchor(anchor);
    m_bkg->applyToRestore(object);
    chooseScrollMode();
}

void CRefreshScreen::CBackgroundManager::setBackground(CDirectDrawSurface* surface) {
    if (surface != m_bkg) delete m_bkg;
    m_bkg = surface;
    chooseScrollMode();
}

void CRefreshScreen::CBackgroundManager::chooseScrollMode() {
    if (!m_bkg) return;
    const int sw = m_screen->Width(), sh = m_screen->Height();
    const int bw = m_bkg->Width(), bh = m_bkg->Height();
    // A background that fits none of the shapes does not repeat until it is moved.
    m_mode = 0;
    if (bw > sw && bh > sh)
        m_mode = 3;
    else if (bh == sh)
        m_mode = 1;
    else if (bw == sw)
        m_mode = 2;
}

void CRefreshScreen::CBackgroundManager::Redraw(CDirectDrawSurface* target, CRefreshRegion* region) {
    if (!m_bkg || !target || !region) return;
    const int bw = m_bkg->Width(), bh = m_bkg->Height();
    if (bw <= 0 || bh <= 0) return;
    CXPoint p = m_bkg->GetPosition();
    if (m_mode == 0) {
        if (p.x != 0)
            m_mode = 1;
        else if (p.y != 0)
            m_mode = 2;
    }
    const int px = positiveModulo(p.x, bw), py = positiveModulo(p.y, bh);
    if (px != p.x || py != p.y) m_bkg->SetPosition(px + m_bkg->getAnchor().x, py + m_bkg->getAnchor().y);
    const CXRect screen(0, 0, target->Width(), target->Height());
    for (int i = 0; i < region->getSize(); ++i) {
        CXRect* r = region->rectAt(i);
        CXRect part = r ? common(*r, screen) : screen;
        if (hasArea(part)) paint(target, part, px, py);
    }
}

// Copies the background under one screen rectangle, repeating it in the scroll directions. The pieces are the
// cells of the background's tiling that the rectangle meets, so they are disjoint and cover it exactly.
void CRefreshScreen::CBackgroundManager::paint(CDirectDrawSurface* target, const CXRect& rect, int px,
                                               int py) {
    const int bw = m_bkg->Width(), bh = m_bkg->Height();
    const bool wrapX = m_mode == 1 || m_mode == 3, wrapY = m_mode == 2 || m_mode == 3;
    // The rectangle in background coordinates.
    const CXRect src(rect.left + px, rect.top + py, rect.right + px, rect.bottom + py);
    const int tx0 = wrapX ? src.left / bw : 0, tx1 = wrapX ? (src.right - 1) / bw : 0;
    const int ty0 = wrapY ? src.top / bh : 0, ty1 = wrapY ? (src.bottom - 1) / bh : 0;
    for (int ty = ty0; ty <= ty1; ++ty) {
        for (int tx = tx0; tx <= tx1; ++tx) {
            const int ox = tx * bw, oy = ty * bh;
            CXRect piece = common(src, CXRect(ox, oy, ox + bw, oy + bh));
            if (!hasArea(piece)) continue;
            CXRect onBkg(piece.left - ox, piece.top - oy, piece.right - ox, piece.bottom - oy);
            target->Blt(m_bkg, piece.left - px, piece.top - py, &onBkg);
        }
    }
}

// ---------------------------------------------------------------- construction

CRefreshScreen::CRefreshScreen(CWindow* window, bool localBuffer)
    : CGraphicsObject(window), m_localBuffer(localBuffer) {
    CXSize size = window ? window->GetScreenSize() : CXSize(800, 600);
    m_width = std::max(0, size.cx);
    m_height = std::max(0, size.cy);
    m_pitch = m_width;
    m_bpp = window && window->GetBpp() ? window->GetBpp() : 16;
    m_list = new CValidationQuene();
    m_background = new CBackgroundManager(this, window);
    m_region = new CRefreshRegion();
    m_region->addRect(nullptr);
    if (localBuffer) {
        m_localDestiny = new CDirectDrawSurface(window, size, m_bpp, false);
        SetDataPtr(m_localDestiny->GetDataPtr(), true);
    }
}

CRefreshScreen::~CRefreshScreen() {
    delete m_background;
    m_background = nullptr;
    delete m_region;
    m_region = nullptr;
    // Listed objects outlive the screen; they must not reach it afterwards.
    for (int i = 0; i < m_list->getSize(); ++i)
        if (CValidationElement* e = m_list->elementAt(i)) forget(e->getObject());
    delete m_list;
    m_list = nullptr;
    delete m_observers;
    m_observers = nullptr;
    delete m_backgroundPicture;
    m_backgroundPicture = nullptr;
    SetDataPtr(nullptr, true);
    delete m_localDestiny;
}

void CRefreshScreen::forget(CGraphicsObject* object) {
    if (!object) return;
    if (object->GetCanvas() == this) object->SetCanvas(nullptr);
    // The target may go before the object does.
    if (m_refreshDestiny && object->GetDestiny() == m_refreshDestiny) object->SetDestiny(nullptr);
}

CUnit6* CRefreshScreen::defaultUnit() { return g_unitSource ? g_unitSource() : nullptr; }

void CRefreshScreen::setDefaultUnitSource(CUnit6* (*source)()) { g_unitSource = source; }

// ---------------------------------------------------------------- draw list

void CRefreshScreen::put(CGraphicsObject* object, int priority) {
    if (!object || object == this || m_list->find(object)) return;
    object->SetCanvas(this);
    m_list->add(object, priority, 0);
    object->Invalidate();
}

CRefreshScreen& CRefreshScreen::operator<<(CGraphicsObject* object) {
    put(object, 0);
    return *this;
}

CRefreshScreen& CRefreshScreen::operator>>(CGraphicsObject* object) {
    if (!object || !m_list) return *this;
    m_list->remove(object);
    forget(object);
    return *this;
}

void CRefreshScreen::SetPriority(CGraphicsObject* object, int priority) {
    if (!object || !m_list->find(object)) return;
    m_list->remove(object);
    m_list->add(object, priority, 0);
}

int CRefreshScreen::GetPriority(CGraphicsObject* object) {
    CValidationElement* e = object ? m_list->find(object) : nullptr;
    return e ? e->getPriority() : -1;
}

bool CRefreshScreen::SetFlags(CGraphicsObject* object, int flags) {
    if (!object) {
        m_screenFlags = flags;
        return true;
    }
    CValidationElement* e = m_list->find(object);
    if (!e) return false;
    e->setFlags(flags);
    return true;
}

int CRefreshScreen::GetFlags(CGraphicsObject* object) {
    CValidationElement* e = object ? m_list->find(object) : nullptr;
    return e ? e->getFlags() : 0;
}

int CRefreshScreen::getIndex(CGraphicsObject* object) { return m_list->getIndex(object); }

void CRefreshScreen::Empty() {
    for (int i = 0; i < m_list->getSize(); ++i)
        if (CValidationElement* e = m_list->elementAt(i)) forget(e->getObject());
    m_list->removeAll();
}

void CRefreshScreen::Visible(bool visible) {
    std::vector<CGraphicsObject*> objects;
    for (int i = 0; i < m_list->getSize(); ++i)
        if (CValidationElement* e = m_list->elementAt(i)) objects.push_back(e->getObject());
    for (CGraphicsObject* g : objects)
        if (m_list->find(g)) g->Visible(visible);
}

CGraphicsObject* CRefreshScreen::getGraphicsAt(int x, int y, bool visibleOnly, int lowest, int highest,
                                               bool ignoreAlpha) {
    CGraphicsObject* best = nullptr;
    int bestPriority = -1;
    const CXPoint point(x, y);
    for (int i = 0; i < m_list->getSize(); ++i) {
        CValidationElement* e = m_list->elementAt(i);
        if (!e) continue;
        const int priority = e->getPriority();
        if ((lowest >= 0 && priority < lowest) || (highest >= 0 && priority > highest)) continue;
        CGraphicsObject* g = e->getObject();
        if (visibleOnly && !g->isVisible()) continue;
        if (!g->GetBoundingBox().IsInRect(point)) continue;
        if (!ignoreAlpha && g->GetChannelAlpha() && g->GetPixel(CHANNEL_ALPHA, g->ClientCoords(point)) == 0)
            continue;
        if (priority >= bestPriority) {
            best = g;
            bestPriority = priority;
        }
    }
    return best;
}

// ---------------------------------------------------------------- dirty region

void CRefreshScreen::Invalidate(CXRect* rect) {
    if (!m_region) return;
    CXRect screen(0, 0, m_width, m_height);
    if (!rect) {
        m_region->addRect(&screen);
        return;
    }
    CXRect part = common(*rect, screen);
    if (hasArea(part)) m_region->addRect(&part);
}

void CRefreshScreen::Invalidate() { Invalidate(static_cast<CXRect*>(nullptr)); }

void CRefreshScreen::Invalidate(CGraphicsObject* object) {
    if (!object || !object->isVisible() || !m_list->find(object)) return;
    CXRect box = object->GetBoundingBox();
    Invalidate(&box);
}

void CRefreshScreen::validate() { m_region->clear(); }

bool CRefreshScreen::covered(const CXRect& rect) const {
    if (m_region->isWholeScreen()) return true;
    const int64_t want = int64_t(rect.Width()) * rect.Height();
    int64_t have = 0;
    for (int i = 0; i < m_region->getSize(); ++i) {
        CXRect* r = m_region->rectAt(i);
        if (!r) return true;
        CXRect c = common(*r, rect);
        if (hasArea(c)) have += int64_t(c.Width()) * c.Height();
    }
    return have == want;
}

void CRefreshScreen::drawClipped(CGraphicsObject* object, const CXRect& part, CDirectDrawSurface* target) {
    const CXRect saved = object->GetClippingRect();
    const CXPoint position = object->GetPosition();
    object->SetDestiny(target);
    object->SetClippingRect(part - position);
    object->Redraw();
    object->SetClippingRect(saved);
}

bool CRefreshScreen::Redraw(CDirectDrawSurface* target, CSurface*, bool* redrawAll) {
    CUnit6* unit = CUnitLink::wasInitiallyUpdated ? defaultUnit() : nullptr;
    if (!unit) return repaint(target);
    if (CUnitLink::wasInitiallyUpdated(unit)) {
        CUnitLink::onCanvasRefreshed(unit);
        return repaint(target);
    }
    if (m_notify) notify(0);
    CUnitLink::onInitialUpdate(unit);
    if (m_window) m_window->Invalidate();
    if (redrawAll) *redrawAll = true;
    bool drawn = false;
    if (CUnitLink::wasInitiallyUpdated(unit)) {
        // A scene starts on black, never on the last scene's pixels: without a background (none given, or its
        // file did not load) and around one smaller than the screen.
        clearRegion(target);
        drawn = repaint(target);
    }
    notify(5);
    return drawn;
}

void CRefreshScreen::Redraw() {
    if (m_localBuffer && m_localDestiny) repaint(m_localDestiny);
}

void CRefreshScreen::clearRegion(CDirectDrawSurface* target) {
    if (!target) return;
    CColor black(0, 0, 0);
    const CXRect screen(0, 0, target->Width(), target->Height());
    for (int i = 0; i < m_region->getSize(); ++i) {
        CXRect* r = m_region->rectAt(i);
        CXRect part = r ? common(*r, screen) : screen;
        if (hasArea(part)) target->Fill(part, &black);
    }
}

bool CRefreshScreen::repaint(CDirectDrawSurface* target) {
    if (!target) return false;
    const bool any = m_region->getSize() > 0;
    ++m_refreshCounter;
    m_refreshDestiny = target;
    m_background->Redraw(target, m_region);

    m_list->first();
    const bool marked = m_list->getSize() > 0;
    if (marked && m_notify) notify(1);
    target->GetDataPtr();

    const CXRect screen(0, 0, m_width, m_height);
    // Objects may leave the list while they draw; the walk re-reads it.
    for (int i = 0; i < m_list->getSize(); ++i) {
        CValidationElement* e = m_list->elementAt(i);
        if (!e) continue;
        CGraphicsObject* g = e->getObject();
        if (!g->isVisible()) continue;
        if (g->isInvalidated()) {
            CXRect box = common(g->GetBoundingBox(), screen);
            if (!hasArea(box)) continue;
            // An object that reported its own change is drawn once over its box, when all of it is repainted.
            if (covered(box)) {
                drawClipped(g, box, target);
                continue;
            }
        }
        const CXRect box = g->GetBoundingBox();
        for (int k = 0; k < m_region->getSize() && !e->isDrawn(); ++k) {
            CXRect* r = m_region->rectAt(k);
            CXRect part = common(box, r ? common(*r, screen) : screen);
            // Also under the whole-screen flag a part of no area has nothing to draw: an empty clipping
            // rectangle would let the whole object through.
            if (!hasArea(part)) continue;
            drawClipped(g, part, target);
            if (part.Width() == g->Width() && part.Height() == g->Height()) e->setDrawn(true);
            if (!m_list->find(g)) break;
        }
    }

    if (marked && m_notify) notify(2);
    m_list->clearMarks();
    if (m_screenFlags & 2) {
        CPixelView v = target->view();
        grayPixels(v, target->GetBpp() == 16);
    }
    return any;
}

// ---------------------------------------------------------------- observers

void CRefreshScreen::addNotifier(CCanvasObserver* observer) {
    if (!observer) return;
    if (!m_observers) m_observers = new CXArray(101, 0.75f);
    if (!m_observers->contains(observer)) m_observers->add(observer);
}

void CRefreshScreen::removeNotifier(CCanvasObserver* observer) {
    if (m_observers) m_observers->remove(observer);
}

void CRefreshScreen::notify(int code) {
    if (!m_observers) return;
    // An observer may come or go while they are told.
    std::vector<CCanvasObserver*> observers;
    for (int i = 0; i < m_observers->getSize(); ++i)
        observers.push_back(static_cast<CCanvasObserver*>(m_observers->at(i)));
    for (CCanvasObserver* o : observers) {
        if (!m_observers->contains(o)) continue;
        switch (code) {
        case 0:
            o->onInitialUpdate();
            break;
        case 1:
            o->onUpdate();
            break;
        case 2:
            o->onUpdated();
            break;
        case 3:
            o->onFocusOn();
            break;
        case 4:
            o->onFocusOff();
            break;
        case 5:
            o->onInitialUpdated();
            break;
        default:
            return;
        }
    }
}

void CRefreshScreen::onFocusOn() {
    if (m_notify) notify(3);
}

void CRefreshScreen::onFocusOff() {
    if (m_notify) notify(4);
}

// ---------------------------------------------------------------- background

void CRefreshScreen::SetBackground(CColor* color) { m_background->SetBackground(color); }

void CRefreshScreen::SetBackground(CGraphicsObject* object) { m_background->SetBackground(object); }

void CRefreshScreen::SetBackground(CXString fileName) {
    CImageFile file(m_window);
    file.Load(fileName);
    const int error = file.LastError();
    CGraphicsObject* picture = file.GetGraphicsObject();
    // A picture that did not load leaves the background as it was.
    if (error != 0 || !picture) {
        delete picture;
        logMessage("refresh screen: background \"%s\" did not load (%d)", fileName.GetBuffer(), error);
        setErrorCode(error ? error : ERR_FILE_NOT_FOUND);
        return;
    }
    delete m_backgroundPicture;
    m_backgroundPicture = picture;
    SetBackground(picture);
}

void CRefreshScreen::setBackground(CDirectDrawSurface* surface) { m_background->setBackground(surface); }

CDirectDrawSurface* CRefreshScreen::getBackgroundIfc() const {
    return m_background ? m_background->getBkg() : nullptr;
}

void CRefreshScreen::flush() {
    if (CDirectDrawSurface* bkg = getBackgroundIfc())
        if (bkg->getApplied() == m_backgroundPicture) bkg->applyToRestore(nullptr);
    delete m_backgroundPicture;
    m_backgroundPicture = nullptr;
}

// ---------------------------------------------------------------- saving

int CRefreshScreen::Save(CXString name, _compression kind) {
    auto* target = dynamic_cast<CDirectDrawSurface*>(m_refreshDestiny);
    if (!m_refreshDestiny) return LastError();
    // A display's rows are padded; the picture is saved from a packed copy.
    if (target && target->GetPitch() != target->Width()) {
        CPixelView from = target->view();
        CGraphicsObject copy(m_window, target->Size(), target->GetBpp());
        CPixelView to{reinterpret_cast<uint16_t*>(copy.GetDataPtr()), copy.Width(), copy.Width(),
                      copy.Height()};
        copyPixels(from, CXRect(0, 0, from.width, from.height), to, 0, 0);
        int result = copy.Save(name, kind);
        setErrorCode(result);
        return result;
    }
    int result = m_refreshDestiny->Save(name, kind);
    setErrorCode(result);
    return result;
}

} // namespace KavirelDLL
