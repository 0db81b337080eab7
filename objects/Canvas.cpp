#include "objects/Canvas.h"

#include <algorithm>
#include <memory>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Canvas.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "objects/Mouse.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

int screenBpp(CWindow* window) {
    int bpp = window ? window->GetBpp() : 0;
    return bpp == 15 ? 15 : 16;
}

} // namespace

CMC_Canvas::CMC_Canvas(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_CANVAS) {
    if (!element) {
        m_name = "temp";
        return;
    }
    int priority = element->getPropertyIntValue("PRIORITY");
    int width = element->getPropertyIntValue("WIDTH");
    int height = element->getPropertyIntValue("HEIGHT");
    bool alpha = element->getPropertyBoolValue("ALPHA");
    bool background = element->getPropertyBoolValue("BACKGROUND");
    // Handlers (and so the mouse registration) are in place before the canvas exists.
    initializeBehaviours(container, element);
    create(width, height, alpha, background, priority, false);
}

CMC_Canvas::CMC_Canvas(CCanvas* surface, CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString("temp"), TYPE_CANVAS, false), m_surface(surface) {
    if (m_surface) m_surface->clear(false);
}

CMC_Canvas::~CMC_Canvas() {
    releaseAnchor();
    if (m_listening && m_window) m_window->removeMouseListener(this);
    dropSurface();
}

CXString** CMC_Canvas::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONFOCUSON", "ONFOCUSOFF", "ONCLICK", "ONRELEASE"});
}

CRefreshScreen* CMC_Canvas::getScreen() const {
    return m_window ? m_window->GetRefreshScreenInterface() : nullptr;
}

CGraphicsObject* CMC_Canvas::getCanvas() const { return m_surface; }

void CMC_Canvas::dropSurface() {
    if (!m_surface) return;
    if (CRefreshScreen* screen = m_surface->GetCanvas()) {
        m_surface->Invalidate();
        *screen >> m_surface;
    }
    delete m_surface;
    m_surface = nullptr;
}

bool CMC_Canvas::done(bool flag) {
    dropSurface();
    m_children.clear();
    return CMC_Object::done(flag);
}

std::vector<CMC_Object*> CMC_Canvas::getChildren() {
    std::vector<CMC_Object*> live;
    for (CMC_ObjectHandle& h : m_children)
        if (CMC_Object* o = h.current()) live.push_back(o);
    return live;
}

void CMC_Canvas::create(int width, int height, bool alpha, bool background, int priority, bool keepEmpty) {
    dropSurface();
    if (width < 0 || height < 0) {
        logMessage("CANVAS %s: size %d x %d taken as %d x %d", m_name.GetBuffer(), width, height,
                   std::max(width, 0), std::max(height, 0));
        width = std::max(width, 0);
        height = std::max(height, 0);
    }
    m_surface = new CCanvas(m_window, width, height, screenBpp(m_window), alpha, background);
    m_surface->clear(false);
    if (CRefreshScreen* screen = getScreen()) screen->put(m_surface, priority);
    if (keepEmpty) return;
    CMC_ObjectsContainer* container = getContainer();
    std::vector<CMC_ObjectHandle> children;
    for (CMC_ObjectHandle& h : m_children)
        if (h.current()) children.push_back(h);
    m_children.swap(children);
    for (CMC_ObjectHandle& h : m_children) {
        CMC_Object* child = h.current();
        CGraphicsObject* graphics =
            child && container ? container->getGraphicsObject(child->getName()) : nullptr;
        if (graphics && mayTake(graphics, "RECREATE")) m_surface->add(graphics, priority);
    }
}

bool CMC_Canvas::mayTake(CGraphicsObject* object, const char* method) {
    if (!object || !m_surface) return false;
    // The canvas itself, a canvas that shows it (directly or through others), or the screen.
    if (object == getScreen() || m_surface->reportsTo(object)) {
        logMessage("CANVAS %s: %s of a graphic that shows this canvas refused (it would draw into itself)",
                   m_name.GetBuffer(), method);
        return false;
    }
    return true;
}

void CMC_Canvas::add(const CXString& name, int priority) {
    CMC_ObjectsContainer* container = getContainer();
    CGraphicsObject* graphics = container ? container->getGraphicsObject(name) : nullptr;
    if (!graphics || !mayTake(graphics, "ADD")) return;
    CMC_Object* object = container->getObject(name);
    if (object && (object->getType() == TYPE_IMAGE || object->getType() == TYPE_TEXT)) {
        bool listed = std::any_of(m_children.begin(), m_children.end(),
                                  [object](const CMC_ObjectHandle& h) { return h.refersTo(object); });
        if (!listed) m_children.emplace_back(object);
    }
    m_surface->add(graphics, priority);
}

void CMC_Canvas::capture(bool deleteChildren) {
    if (m_surface) m_surface->capture();
    std::vector<CMC_ObjectHandle> children;
    children.swap(m_children);
    if (!deleteChildren) return;
    for (CMC_ObjectHandle& h : children) {
        // A child deleted by an earlier one's going is skipped.
        CMC_Object* child = h.current();
        if (!child) continue;
        if (CMC_ObjectsContainer* container = getContainer()) container->removeObject(child);
        delete child;
    }
}

void CMC_Canvas::setAsButton(bool enable, bool activeCursor) {
    m_buttonMode = enable;
    m_activeCursor = activeCursor;
}

CXObject* CMC_Canvas::clone() {
    auto* copy = m_surface ? dynamic_cast<CCanvas*>(m_surface->clone()) : nullptr;
    auto* made = new CMC_Canvas(copy, getContainer());
    if (CMC_ObjectsContainer* container = getContainer()) made->setScene(container);
    made->m_children = m_children;
    return made;
}

bool CMC_Canvas::verifyBehaviour(const CXString& key) {
    if (!m_listening && m_window && isMouseEvent(key)) {
        m_listening = true;
        m_window->registerMouseListener(this, 0);
    }
    return true;
}

void CMC_Canvas::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    CMC_Object::initializeBehaviours(container, element);
    if (!element) verifyBindings(); // bindings read back from a cache register the listener
}

void CMC_Canvas::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    CRefreshScreen* screen = getScreen();
    if (archive->isStoring()) {
        int32_t width = m_surface ? m_surface->Width() : 0;
        int32_t height = m_surface ? m_surface->Height() : 0;
        int32_t priority = m_surface && screen ? screen->GetPriority(m_surface) : 0;
        bool alpha = m_surface && m_surface->GetChannelAlpha();
        bool background = m_surface && m_surface->getBackground();
        *archive << width << height << priority << alpha << background;
        return;
    }
    int32_t width = 0, height = 0, priority = 0;
    bool alpha = false, background = false;
    *archive >> &width >> &height >> &priority >> &alpha >> &background;
    if (!archive->good()) return;
    dropSurface();
    if (width < 0 || height < 0) {
        logMessage("CANVAS %s: a cached size %d x %d is not read", m_name.GetBuffer(), width, height);
        return;
    }
    m_surface = new CCanvas(m_window, width, height, screenBpp(m_window), alpha, background);
    m_surface->clear(false);
    if (screen) screen->put(m_surface, priority);
}

bool CMC_Canvas::ready() { return m_buttonMode && m_listening && m_surface && m_surface->isVisible(); }

bool CMC_Canvas::onMouseMove(CXPoint p) {
    if (!ready() || !(handles("ONFOCUSON") || handles("ONFOCUSOFF"))) return false;
    bool inside = m_surface->GetBoundingBox().IsInRect(p);
    trackFocus(this, m_focused, inside, m_activeCursor, m_window);
    return false;
}

bool CMC_Canvas::onClick(int button, CXPoint p) {
    if (!ready() || !handles("ONCLICK") || !m_surface->GetBoundingBox().IsInRect(p)) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CWindow* window = m_window;
    bool cursor = m_activeCursor;
    raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    if (self->object && cursor && window) window->EndActiveCursor();
    return true;
}

bool CMC_Canvas::onRelease(int button, CXPoint p) {
    if (!ready() || !handles("ONRELEASE") || !m_surface->GetBoundingBox().IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return false;
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_Canvas* self(Call& c) { return c.self<CMC_Canvas>(); }
CCanvas* surface(Call& c) { return c.gone() ? nullptr : c.self<CMC_Canvas>()->getSurface(); }
CGraphicsObject* named(Call& c, const CXString& name) {
    return c.container() ? c.container()->getGraphicsObject(name) : nullptr;
}

CMC_Variable* save(Call& c) {
    CXString file = c.string(0);
    int n = c.count();
    double sx = n > 1 ? c.real(1) : 1.0, sy = n > 2 ? c.real(2) : 1.0;
    CXRect rect(0, 0, 0, 0);
    if (n >= 4)
        rect = CXRect(c.integer(3), n > 4 ? c.integer(4) : 0, n > 5 ? c.integer(5) : 0,
                      n > 6 ? c.integer(6) : 0);
    CCanvas* canvas = surface(c);
    if (!canvas) return nullptr;
    CGraphicsObject* target = canvas;
    std::unique_ptr<CGraphicsObject> copy;
    if (rect.left != rect.right && rect.bottom != rect.top) {
        copy = std::make_unique<CGraphicsObject>(canvas->getWindow());
        copy->Copy(canvas);
        copy->crop(rect);
        target = copy.get();
    }
    // Without a rectangle the canvas itself is scaled, and stays so, as games expect.
    if (sx != 1.0 || sy != 1.0) {
        if (target == canvas)
            canvas->scale(static_cast<float>(sx), static_cast<float>(sy));
        else
            target->Scale(static_cast<float>(sx), static_cast<float>(sy));
    }
    if (target->Save(file, COMPRESSION_NONE) != 0)
        logMessage("CANVAS %s: SAVE to \"%s\" failed", self(c)->getName().GetBuffer(), file.GetBuffer());
    return nullptr;
}

CMC_Variable* visiblePixels(Call& c) {
    CCanvas* canvas = surface(c);
    CGraphicsObject* back = canvas ? canvas->getBackground() : nullptr;
    const char* alpha = back ? back->GetChannelAlpha() : nullptr;
    if (!alpha) return integerResult(0);
    int64_t count = 0, pixels = int64_t(back->Width()) * back->Height();
    if (back->GetChannelSize(3) < pixels) return integerResult(0);
    for (int64_t i = 0; i < pixels; ++i) count += alpha[i] != 0;
    return integerResult(static_cast<int>(count));
}

} // namespace

void CMC_Canvas_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("ADD", 1, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int priority = c.count() > 1 ? c.integer(1) : 0;
        if (!c.gone()) self(c)->add(name, priority);
        return nullptr;
    });
    addMethod("REMOVE", 2, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        CCanvas* canvas = surface(c);
        if (CGraphicsObject* g = canvas ? named(c, name) : nullptr) canvas->remove(g);
        return nullptr;
    });
    addMethod("SHOW", 3, [](Call& c) -> CMC_Variable* {
        if (CCanvas* canvas = surface(c)) canvas->Visible(true);
        return nullptr;
    });
    addMethod("HIDE", 4, [](Call& c) -> CMC_Variable* {
        if (CCanvas* canvas = surface(c)) canvas->Visible(false);
        return nullptr;
    });
    addMethod("SETPRIORITY", 5, [](Call& c) -> CMC_Variable* {
        int priority = c.integer(0);
        CCanvas* canvas = surface(c);
        CRefreshScreen* screen = self(c)->getScreen();
        if (!canvas) return nullptr;
        if (screen) screen->SetPriority(canvas, priority);
        canvas->Invalidate();
        return nullptr;
    });
    addMethod("SETPOSITION", 6, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        CCanvas* canvas = surface(c);
        if (!canvas) return nullptr;
        canvas->Invalidate();
        canvas->setPosition(x, y);
        canvas->Invalidate();
        return nullptr;
    });
    addMethod("MOVE", 7, [](Call& c) -> CMC_Variable* {
        int dx = c.integer(0), dy = c.integer(1);
        if (CCanvas* canvas = surface(c)) canvas->Move(dx, dy);
        return nullptr;
    });
    addMethod("CLEAR", 8, [](Call& c) -> CMC_Variable* {
        CCanvas* canvas = surface(c);
        if (!canvas) return nullptr;
        canvas->removeAll();
        canvas->clear(true);
        canvas->Invalidate();
        return nullptr;
    });
    addMethod("CAPTURE", 9, [](Call& c) -> CMC_Variable* {
        bool flag = c.count() > 0 ? c.boolean(0) : true;
        if (!c.gone()) self(c)->capture(flag);
        return nullptr;
    });
    addMethod("SETOPACITY", 10, [](Call& c) -> CMC_Variable* {
        int opacity = c.integer(0);
        if (CCanvas* canvas = surface(c)) canvas->SetOpacity(static_cast<uint8_t>(opacity));
        return nullptr;
    });
    addMethod("SETASBUTTON", 11, [](Call& c) -> CMC_Variable* {
        bool enable = c.boolean(0);
        bool cursor = c.count() > 1 ? c.boolean(1) : true;
        if (!c.gone()) self(c)->setAsButton(enable, cursor);
        return nullptr;
    });
    addMethod("ERASE", 12, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int x = c.integer(1), y = c.integer(2);
        CCanvas* canvas = surface(c);
        CGraphicsObject* g = canvas ? named(c, name) : nullptr;
        if (g && self(c)->mayTake(g, "ERASE")) canvas->erase(g, x, y);
        return nullptr;
    });
    addMethod("DRAW", 13, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int x = c.integer(1), y = c.integer(2);
        CCanvas* canvas = surface(c);
        CGraphicsObject* g = canvas ? named(c, name) : nullptr;
        if (g && self(c)->mayTake(g, "DRAW") && self(c)->mayTake(g->getDrawn(), "DRAW"))
            canvas->draw(g->getDrawn(), x, y);
        return nullptr;
    });
    addMethod("SAVE", 14, save);
    addMethod("GETPOSITIONX", 15, [](Call& c) -> CMC_Variable* {
        CCanvas* canvas = surface(c);
        return integerResult(canvas ? canvas->getPosition().x : 0);
    });
    addMethod("GETPOSITIONY", 16, [](Call& c) -> CMC_Variable* {
        CCanvas* canvas = surface(c);
        return integerResult(canvas ? canvas->getPosition().y : 0);
    });
    addMethod("GETWIDTH", 17, [](Call& c) -> CMC_Variable* {
        CCanvas* canvas = surface(c);
        return integerResult(canvas ? canvas->Width() : 0);
    });
    addMethod("GETHEIGHT", 18, [](Call& c) -> CMC_Variable* {
        CCanvas* canvas = surface(c);
        return integerResult(canvas ? canvas->Height() : 0);
    });
    addMethod("GETNUMVISIBLEPIXELS", 19, visiblePixels);
    addMethod("RECREATE", 20, [](Call& c) -> CMC_Variable* {
        int w = c.integer(0), h = c.integer(1);
        bool alpha = c.boolean(2), background = c.boolean(3);
        int priority = c.integer(4);
        bool keepEmpty = c.boolean(5);
        if (!c.gone()) self(c)->create(w, h, alpha, background, priority, keepEmpty);
        return nullptr;
    });
}

} // namespace KavirelDLL
