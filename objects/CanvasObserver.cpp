#include "objects/CanvasObserver.h"

#include <memory>

#include "core/Log.h"
#include "display/DirectDrawSurface.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_CanvasObserver::CMC_CanvasObserver(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_CANVASOBSERVER),
      m_screen(m_window ? m_window->GetRefreshScreenInterface() : nullptr) {
    if (m_screen) m_screen->addNotifier(this);
    if (element)
        initializeBehaviours(container, element);
    else
        m_name = "tempCANVAS";
}

CMC_CanvasObserver::~CMC_CanvasObserver() {
    releaseAnchor();
    if (m_screen) m_screen->removeNotifier(this);
}

CXString** CMC_CanvasObserver::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONINITIALUPDATE", "ONUPDATE", "ONUPDATED",
                          "ONWINDOWFOCUSON", "ONWINDOWFOCUSOFF", "ONINITIALUPDATED"});
}

void CMC_CanvasObserver::raise(int event, const char* name) {
    if (hasHandler(event)) onSignal(name);
}

void CMC_CanvasObserver::onInitialUpdate() { raise(EVT_CANVASOBSERVER_ONINITIALUPDATE, "ONINITIALUPDATE"); }
void CMC_CanvasObserver::onInitialUpdated() {
    raise(EVT_CANVASOBSERVER_ONINITIALUPDATED, "ONINITIALUPDATED");
}
void CMC_CanvasObserver::onUpdate() { raise(EVT_CANVASOBSERVER_ONUPDATE, "ONUPDATE"); }
void CMC_CanvasObserver::onUpdated() { raise(EVT_CANVASOBSERVER_ONUPDATED, "ONUPDATED"); }
void CMC_CanvasObserver::onFocusOn() { raise(EVT_CANVASOBSERVER_ONWINDOWFOCUSON, "ONWINDOWFOCUSON"); }
void CMC_CanvasObserver::onFocusOff() { raise(EVT_CANVASOBSERVER_ONWINDOWFOCUSOFF, "ONWINDOWFOCUSOFF"); }

void CMC_CanvasObserver::enableNotify(bool enable) {
    if (m_screen) m_screen->enableNotifyFlag(enable);
}

CXString CMC_CanvasObserver::getGraphicsAt(CMC_ObjectsContainer* container, int x, int y, bool visibleOnly,
                                           int lowest, int highest, bool boxOnly, bool searchParents) {
    if (!m_screen || !container) return CXString("");
    CGraphicsObject* found = m_screen->getGraphicsAt(x, y, visibleOnly, lowest, highest, boxOnly);
    return found ? container->getGraphicsObjectName(found, searchParents) : CXString("");
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_CanvasObserver* self(Call& c) { return c.self<CMC_CanvasObserver>(); }
CRefreshScreen* screen(Call& c) { return c.gone() ? nullptr : self(c)->getCanvas(); }
CGraphicsObject* named(Call& c, const CXString& name) {
    return c.container() ? c.container()->getGraphicsObject(name) : nullptr;
}

CMC_Variable* graphicsAt(Call& c, bool searchParents) {
    int n = c.count();
    int x = c.integer(0), y = c.integer(1);
    bool visibleOnly = n > 2 && c.boolean(2);
    int lowest = -1, highest = -1;
    if (n >= 5) {
        lowest = c.integer(3);
        highest = c.integer(4);
    }
    bool boxOnly = n > 5 && c.boolean(5);
    if (c.gone()) return nullptr;
    CXString name =
        self(c)->getGraphicsAt(c.container(), x, y, visibleOnly, lowest, highest, boxOnly, searchParents);
    return stringResult(name.IsString() ? name : CXString("NULL"));
}

CMC_Variable* save(Call& c) {
    CXString file = c.string(0);
    int n = c.count();
    double sx = n > 1 ? c.real(1) : 1.0, sy = n > 2 ? c.real(2) : 1.0;
    CXRect rect(0, 0, 0, 0);
    if (n >= 4)
        rect = CXRect(c.integer(3), n > 4 ? c.integer(4) : 0, n > 5 ? c.integer(5) : 0,
                      n > 6 ? c.integer(6) : 0);
    CRefreshScreen* s = screen(c);
    CGraphicsObject* drawn = s ? s->getRefreshDestiny() : nullptr;
    if (!drawn) {
        logMessage("CANVAS OBSERVER: SAVE to \"%s\": the screen has no picture yet", file.GetBuffer());
        return nullptr;
    }
    CGraphicsObject copy(s->getWindow());
    copy.Copy(drawn);
    if (rect.left != rect.right && rect.bottom != rect.top) copy.crop(rect);
    if (sx != 1.0 || sy != 1.0) copy.Scale(static_cast<float>(sx), static_cast<float>(sy));
    if (copy.Save(file, COMPRESSION_NONE) != 0)
        logMessage("CANVAS OBSERVER: SAVE to \"%s\" failed", file.GetBuffer());
    return nullptr;
}

void invalidateAll(CRefreshScreen* s) {
    if (s) s->Invalidate(static_cast<CXRect*>(nullptr));
}

} // namespace

void CMC_CanvasObserver_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("REFRESH", 1, [](Call& c) -> CMC_Variable* {
        invalidateAll(screen(c));
        return nullptr;
    });
    addMethod("ADD", 2, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int priority = c.count() > 1 ? c.integer(1) : 1000;
        CRefreshScreen* s = screen(c);
        CGraphicsObject* g = s ? named(c, name) : nullptr;
        if (!g) return nullptr;
        if (g == s) {
            logMessage("CANVAS OBSERVER: ADD of the screen onto itself refused");
            return nullptr;
        }
        s->put(g, priority);
        return nullptr;
    });
    addMethod("REMOVE", 3, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        CRefreshScreen* s = screen(c);
        CGraphicsObject* g = s ? named(c, name) : nullptr;
        if (g && g != s) *s >> g;
        return nullptr;
    });
    addMethod("SETBACKGROUND", 4, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        CRefreshScreen* s = screen(c);
        if (!s) return nullptr;
        CGraphicsObject* g = named(c, name);
        if (g == s) {
            logMessage("CANVAS OBSERVER: SETBACKGROUND of the screen itself refused");
            return nullptr;
        }
        if (g)
            s->SetBackground(g);
        else
            s->SetBackground(name);
        invalidateAll(s);
        return nullptr;
    });
    addMethod("GETGRAPHICSAT", 5, [](Call& c) { return graphicsAt(c, false); });
    addMethod("MOVEBKG", 6, [](Call& c) -> CMC_Variable* {
        int dx = c.integer(0), dy = c.integer(1);
        CRefreshScreen* s = screen(c);
        CGraphicsObject* bkg = s ? s->getBackgroundIfc() : nullptr;
        if (!bkg) return nullptr;
        bkg->Move(dx, dy);
        invalidateAll(s);
        return nullptr;
    });
    addMethod("SETBKGPOS", 7, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        CRefreshScreen* s = screen(c);
        CGraphicsObject* bkg = s ? s->getBackgroundIfc() : nullptr;
        if (!bkg) return nullptr;
        bkg->setPosition(x, y);
        invalidateAll(s);
        return nullptr;
    });
    addMethod("SAVE", 8, save);
    addMethod("ENABLENOTIFY", 9, [](Call& c) -> CMC_Variable* {
        bool enable = c.boolean(0);
        if (!c.gone()) self(c)->enableNotify(enable);
        return nullptr;
    });
    addMethod("REDRAW", 10, [](Call& c) -> CMC_Variable* {
        CRefreshScreen* s = screen(c);
        if (!s) return nullptr;
        invalidateAll(s);
        if (CWindow* window = s->getWindow()) window->Redraw(false);
        return nullptr;
    });
    addMethod("GETBPP", 11, [](Call& c) -> CMC_Variable* {
        CRefreshScreen* s = screen(c);
        CWindow* window = s ? s->getWindow() : nullptr;
        return integerResult(window ? window->GetBpp() : 0);
    });
    addMethod("PASTE", 12, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int x = c.integer(1), y = c.integer(2);
        CRefreshScreen* s = screen(c);
        CGraphicsObject* g = s ? named(c, name) : nullptr;
        CGraphicsObject* bkg = s ? s->getBackgroundIfc() : nullptr;
        if (!g || !bkg) return nullptr;
        if (g == s || g == bkg) {
            logMessage("CANVAS OBSERVER: PASTE of the screen into its own background refused");
            return nullptr;
        }
        // setPosition takes the anchor off, so it is added back to put the object where it was.
        const CXPoint kept = g->getPosition(), anchor = g->getAnchor();
        g->setPosition(x, y);
        g->redraw(bkg);
        g->setPosition(kept.x + anchor.x, kept.y + anchor.y);
        return nullptr;
    });
    addMethod("GETGRAPHICSAT2", 13, [](Call& c) { return graphicsAt(c, true); });
}

} // namespace KavirelDLL
