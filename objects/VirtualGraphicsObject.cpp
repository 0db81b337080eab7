#include "objects/VirtualGraphicsObject.h"

#include "core/Elements.h"
#include "display/RefreshScreen.h"
#include "display/VirtualGraphicsObject.h"
#include "display/Window.h"
#include "media/anim/Animo.h"
#include "objects/Animo.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"

namespace KavirelDLL {

namespace {

CMC_Scene* sceneOf(CMC_ObjectsContainer* container) {
    if (!container) return nullptr;
    if (container->getType() == TYPE_SCENE) return static_cast<CMC_Scene*>(container);
    CMC_ObjectsContainer* running = container->getScene();
    return running && running->getType() == TYPE_SCENE ? static_cast<CMC_Scene*>(running) : nullptr;
}

} // namespace

CMC_VirtualGraphicsObject::CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_VIRTUALGRAPHICSOBJECT),
      m_window(container ? container->getWindow() : nullptr) {
    m_graphic = new CVirtualGraphicsObject(m_window);
    if (!element) return;
    const bool toCanvas = element->getPropertyBoolValue("TOCANVAS");
    const bool visible = element->getPropertyBoolValue("VISIBLE");
    const bool monitor = element->getPropertyBoolValue("MONITORCOLLISION");
    const bool monitorAlpha = element->getPropertyBoolValue("MONITORCOLLISIONALPHA");
    if (!visible) m_graphic->Visible(false);
    m_priority = element->getPropertyIntValue("PRIORITY");
    if (monitor || monitorAlpha) monitorCollisions(monitorAlpha);
    if (toCanvas && m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) screen->put(m_graphic, m_priority);
    // Kept as text: scripts choose the source and the mask with SETSOURCE and SETMASK.
    m_sourceName = element->getPropertyValue("SOURCE");
    m_maskName = element->getPropertyValue("MASK");
    m_buttonMode = element->getPropertyBoolValue("ASBUTTON");
    initializeBehaviours(container, element);
}

CMC_VirtualGraphicsObject::CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container,
                                                     CVirtualGraphicsObject* graphic)
    : CMC_Object(CXString("clone"), TYPE_VIRTUALGRAPHICSOBJECT),
      m_window(container ? container->getWindow() : nullptr), m_graphic(graphic) {
    if (container) setScene(container);
}

CMC_VirtualGraphicsObject::~CMC_VirtualGraphicsObject() {
    releaseAnchor();
    // The scene must not keep watching a graphic that goes with the object.
    if (CMC_Object* scene = m_monitoredBy.get())
        static_cast<CMC_Scene*>(scene)->removeMonitorCollisions(m_graphic, this);
    // Its destruction takes it off the screen list.
    delete m_graphic;
    m_graphic = nullptr;
}

CGraphicsObject* CMC_VirtualGraphicsObject::getGraphicsObject() const { return m_graphic; }

CXObject* CMC_VirtualGraphicsObject::clone() {
    if (!m_graphic) return nullptr;
    auto* copy = static_cast<CVirtualGraphicsObject*>(m_graphic->clone());
    CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
    const int priority = screen ? screen->GetPriority(m_graphic) : -1;
    if (priority >= 0) screen->put(copy, priority);
    return new CMC_VirtualGraphicsObject(static_cast<CMC_ObjectsContainer*>(m_scene.current()), copy);
}

CXString** CMC_VirtualGraphicsObject::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"});
}

void CMC_VirtualGraphicsObject::monitorCollisions(bool alpha) {
    CMC_Scene* scene = sceneOf(static_cast<CMC_ObjectsContainer*>(m_scene.current()));
    if (!scene || !m_graphic) return;
    // Again (another alpha test, or after REMOVEMONITORCOLLISION): registered anew.
    if (auto* before = static_cast<CMC_Scene*>(m_monitoredBy.get()))
        before->removeMonitorCollisions(m_graphic, this);
    // The scene refuses a graphic whose flag is up.
    m_graphic->setMonitorCollisions(false);
    scene->monitorCollisions(m_graphic, alpha, this);
    m_monitoredBy.set(scene);
}

// ---- CMC_VirtualGraphicsObject_Runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_VirtualGraphicsObject* self(Call& c) { return c.self<CMC_VirtualGraphicsObject>(); }
CVirtualGraphicsObject* graphicOf(Call& c) { return c.gone() ? nullptr : self(c)->getVirtualGraphicsObject(); }
CGraphicsObject* named(Call& c, const CXString& name) {
    return c.container() ? c.container()->getGraphicsObject(name) : nullptr;
}

CMC_Variable* setPosition(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (CVirtualGraphicsObject* g = graphicOf(c)) {
        g->Invalidate();
        g->SetPosition(x, y);
        g->Invalidate();
    }
    return nullptr;
}

CMC_Variable* move(Call& c) {
    int dx = c.integer(0), dy = c.integer(1);
    if (CVirtualGraphicsObject* g = graphicOf(c)) g->Move(dx, dy);
    return nullptr;
}

CMC_Variable* setSource(Call& c) {
    CXString name = c.string(0);
    CVirtualGraphicsObject* g = graphicOf(c);
    if (CGraphicsObject* source = g ? named(c, name) : nullptr) g->setSource(source);
    return nullptr;
}

CMC_Variable* setMask(Call& c) {
    CXString name = c.string(0);
    CVirtualGraphicsObject* g = graphicOf(c);
    CGraphicsObject* mask = g ? named(c, name) : nullptr;
    if (!mask) return nullptr;
    CMC_Object* object = c.container()->getObject(name);
    if (object && object->getType() == TYPE_ANIMO && static_cast<CMC_Animo*>(object)->getAnimo())
        g->setMaskFromAnimo(static_cast<CMC_Animo*>(object)->getAnimo());
    else
        g->setMask(mask);
    return nullptr;
}

CMC_Variable* setClipping(Call& c) {
    if (c.count() == 1) {
        CXString name = c.string(0);
        CVirtualGraphicsObject* g = graphicOf(c);
        if (!g) return nullptr;
        CGraphicsObject* other = named(c, name);
        g->SetClippingRect(other ? other->GetBoundingBox() : CXRect(0, 0, 0, 0));
        return nullptr;
    }
    int v[4];
    for (int i = 0; i < 4; ++i) v[i] = c.integer(i);
    if (CVirtualGraphicsObject* g = graphicOf(c)) g->SetClippingRect(CXRect(v[0], v[1], v[2], v[3]));
    return nullptr;
}

CMC_Variable* isNear(Call& c) {
    if (c.count() == 2) {
        CXString name = c.string(0);
        int distance = c.integer(1);
        CVirtualGraphicsObject* g = graphicOf(c);
        CGraphicsObject* other = g ? named(c, name) : nullptr;
        return boolResult(other && g->isNear(other, distance));
    }
    int v[5];
    for (int i = 0; i < 5; ++i) v[i] = c.integer(i);
    CVirtualGraphicsObject* g = graphicOf(c);
    return boolResult(g && g->isNear(CXRect(v[0], v[1], v[2], v[3]), v[4]));
}

CMC_Variable* isInside(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool alpha = c.boolean(2);
    CVirtualGraphicsObject* g = graphicOf(c);
    // The object has no alpha plane of its own: the alpha test reads the mask, as hits do.
    return boolResult(g && (alpha ? g->testHit(CXPoint(x, y), false) : g->isInside(x, y, false)));
}

CMC_Variable* monitorCollision(Call& c) {
    bool alpha = c.boolean(0);
    if (c.gone()) return nullptr;
    self(c)->monitorCollisions(alpha);
    if (CVirtualGraphicsObject* g = graphicOf(c)) g->setMonitorCollisions(true);
    return nullptr;
}

CMC_Variable* removeMonitorCollision(Call& c) {
    self(c)->removeCollisionsMonitoring();
    if (CVirtualGraphicsObject* g = graphicOf(c)) g->setMonitorCollisions(false);
    return nullptr;
}

CMC_Variable* setPriority(Call& c) {
    int priority = c.integer(0);
    CVirtualGraphicsObject* g = graphicOf(c);
    CWindow* window = g ? self(c)->getWindow() : nullptr;
    if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
        screen->SetPriority(g, priority);
    return nullptr;
}

CMC_Variable* setAsButton(Call& c) {
    bool first = c.boolean(0), active = c.boolean(1);
    if (!c.gone()) self(c)->setAsButton(first, active);
    return nullptr;
}

} // namespace

void CMC_VirtualGraphicsObject_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SHOW", MTH_SHOW, [](Call& c) -> CMC_Variable* {
        if (CVirtualGraphicsObject* g = graphicOf(c)) g->Visible(true);
        return nullptr;
    });
    addMethod("HIDE", MTH_HIDE, [](Call& c) -> CMC_Variable* {
        if (CVirtualGraphicsObject* g = graphicOf(c)) g->Visible(false);
        return nullptr;
    });
    addMethod("SETPOSITION", MTH_SETPOSITION, setPosition);
    addMethod("MOVE", MTH_MOVE, move);
    addMethod("SETSOURCE", MTH_SETSOURCE, setSource);
    addMethod("SETMASK", MTH_SETMASK, setMask);
    addMethod("CLEARCLIPPING", MTH_CLEARCLIPPING, [](Call& c) -> CMC_Variable* {
        if (CVirtualGraphicsObject* g = graphicOf(c)) g->SetClippingRect(CXRect(0, 0, 0, 0));
        return nullptr;
    });
    addMethod("SETCLIPPING", MTH_SETCLIPPING, setClipping);
    addMethod("GETPOSITIONX", MTH_GETPOSITIONX, [](Call& c) -> CMC_Variable* {
        return integerResult(graphicOf(c) ? graphicOf(c)->GetPosition().x : 0);
    });
    addMethod("GETPOSITIONY", MTH_GETPOSITIONY, [](Call& c) -> CMC_Variable* {
        return integerResult(graphicOf(c) ? graphicOf(c)->GetPosition().y : 0);
    });
    addMethod("GETWIDTH", MTH_GETWIDTH,
              [](Call& c) -> CMC_Variable* { return integerResult(graphicOf(c) ? graphicOf(c)->Width() : 0); });
    addMethod("GETHEIGHT", MTH_GETHEIGHT,
              [](Call& c) -> CMC_Variable* { return integerResult(graphicOf(c) ? graphicOf(c)->Height() : 0); });
    addMethod("ISNEAR", MTH_ISNEAR, isNear);
    addMethod("ISINSIDE", MTH_ISINSIDE, isInside);
    addMethod("MONITORCOLLISION", MTH_MONITORCOLLISION, monitorCollision);
    addMethod("REMOVEMONITORCOLLISION", MTH_REMOVEMONITORCOLLISION, removeMonitorCollision);
    addMethod("SETPRIORITY", MTH_SETPRIORITY, setPriority);
    addMethod("INVALIDATE", MTH_INVALIDATE, [](Call& c) -> CMC_Variable* {
        if (CVirtualGraphicsObject* g = graphicOf(c)) g->Invalidate();
        return nullptr;
    });
    addMethod("ISVISIBLE", MTH_ISVISIBLE,
              [](Call& c) -> CMC_Variable* { return boolResult(graphicOf(c) && graphicOf(c)->isVisible()); });
    addMethod("SETASBUTTON", MTH_SETASBUTTON, setAsButton);
}

} // namespace KavirelDLL
