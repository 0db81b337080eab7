#include "objects/MediaObject.h"

#include <algorithm>
#include <unordered_map>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "media/controls/Unit6.h"
#include "objects/Mouse.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

// ---- CMC_MediaObject ----

CMC_MediaObject::CMC_MediaObject(CMC_ObjectsContainer* container, const CXString& name, int type, bool clone)
    : CMC_Object(name, type), m_window(container ? container->getWindow() : nullptr) {
    if (clone && container) setScene(container);
}

CMC_MediaObject::CMC_MediaObject(CMC_ObjectsContainer* container, CMElement* element, int type)
    : CMC_Object(container, element, type), m_window(container ? container->getWindow() : nullptr) {}

CMC_MediaObject::~CMC_MediaObject() = default;

CMC_ObjectsContainer* CMC_MediaObject::getContainer() const {
    return static_cast<CMC_ObjectsContainer*>(m_scene.current());
}

CMC_Scene* CMC_MediaObject::getContainerScene() const {
    CMC_ObjectsContainer* container = getContainer();
    if (!container) return nullptr;
    if (container->getType() == TYPE_SCENE) return static_cast<CMC_Scene*>(container);
    CMC_ObjectsContainer* running = container->getScene();
    return running && running->getType() == TYPE_SCENE ? static_cast<CMC_Scene*>(running) : nullptr;
}

CResourcesManager* CMC_MediaObject::sceneCache(CMC_ObjectsContainer* container) {
    if (!container || container->getType() != TYPE_SCENE) return nullptr;
    CUnit6* unit = CMC_Scene::getDefUnit();
    return unit ? unit->getResourcesManager() : nullptr;
}

CResourcesManager* CMC_MediaObject::getCache() const { return sceneCache(getContainer()); }

bool CMC_MediaObject::holdsUseOf(CFileResolver* resource) const {
    return resource && std::find(m_uses.begin(), m_uses.end(), resource) != m_uses.end();
}

CFileResolver* CMC_MediaObject::takeFromCache(const CXString& name) {
    CResourcesManager* cache = getCache();
    if (!cache || !name.IsString()) return nullptr;
    CFileResolver* found = cache->get(name);
    if (found) m_uses.push_back(found);
    return found;
}

bool CMC_MediaObject::addToCache(CFileResolver* resource) {
    CResourcesManager* cache = getCache();
    if (!cache || !resource) return false;
    cache->add(resource);
    m_uses.push_back(resource);
    return true;
}

bool CMC_MediaObject::giveBackUses(CFileResolver* resource) {
    std::vector<CFileResolver*> uses;
    uses.swap(m_uses);
    CResourcesManager* cache = getCache();
    bool destroyed = false;
    for (CFileResolver* use : uses) {
        // A resource already destroyed is no longer listed: its pointer is only compared.
        if (cache && cache->remove(use) && use == resource) destroyed = true;
    }
    return destroyed;
}

// ---- CMC_GraphicMedia ----

namespace {

// How many media objects monitor each graphic (one shared through the cache may have several); the scene
// and the inspector hold a graphic once, and let go of it when its last monitor goes.
std::unordered_map<CGraphicsObject*, int>& monitors() {
    static std::unordered_map<CGraphicsObject*, int> counts;
    return counts;
}

} // namespace

bool CMC_GraphicMedia::isMonitored(CGraphicsObject* graphic) { return monitors().count(graphic) > 0; }

CMC_GraphicMedia::CMC_GraphicMedia(CMC_ObjectsContainer* container, const CXString& name, int type)
    : CMC_MediaObject(container, name, type, false) {}

CMC_GraphicMedia::CMC_GraphicMedia(CMC_ObjectsContainer* container, CGraphicsObject* graphic,
                                   CFileResolver* resource, int type)
    : CMC_MediaObject(container, CXString("clone"), type, true), m_graphic(graphic), m_resource(resource) {}

CMC_GraphicMedia::CMC_GraphicMedia(CMC_ObjectsContainer* container, CMElement* element, int type)
    : CMC_MediaObject(container, element, type) {}

CMC_GraphicMedia::~CMC_GraphicMedia() {
    releaseAnchor();
    if (m_listening && m_window) m_window->removeMouseListener(this);
    // Deleted without done: nothing may keep this object as its observer.
    releaseGraphic();
    if (CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr)
        inspector->removeNotifier(this);
}

CMC_GraphicMedia::Keys CMC_GraphicMedia::readKeys(CMElement* element) {
    Keys keys;
    if (element) {
        keys.fileName = element->getPropertyValue("FILENAME");
        keys.toCanvas = element->getPropertyBoolValue("TOCANVAS");
        keys.visible = element->getPropertyBoolValue("VISIBLE");
        keys.flushAfterPlayed = element->getPropertyBoolValue("FLUSHAFTERPLAYED");
        CXString preload = element->getPropertyValue("PRELOAD");
        // Only an explicit false defers the reading.
        keys.preload = !preload.IsString() || element->getPropertyBoolValue("PRELOAD");
        keys.monitorCollision = element->getPropertyBoolValue("MONITORCOLLISION");
        keys.monitorCollisionAlpha = element->getPropertyBoolValue("MONITORCOLLISIONALPHA");
        keys.priority = element->getPropertyIntValue("PRIORITY");
        keys.asButton = element->getPropertyBoolValue("ASBUTTON");
    }
    m_monitorCollision = keys.monitorCollision;
    m_monitorCollisionAlpha = keys.monitorCollisionAlpha;
    m_priority = keys.priority;
    m_preload = keys.preload;
    return keys;
}

void CMC_GraphicMedia::finishDefinition(CMC_ObjectsContainer* container, CMElement* element,
                                        const Keys& keys) {
    if (m_resource) m_resource->toRelease(keys.flushAfterPlayed);
    if (m_graphic) {
        setGraphicVisible(keys.visible);
        m_start = m_graphic->GetPosition();
    }
    if (keys.monitorCollision || keys.monitorCollisionAlpha) monitorCollisions(keys.monitorCollisionAlpha);
    if (keys.toCanvas) putOnScreen(keys.priority);
    m_buttonMode = keys.asButton;
    initializeBehaviours(container, element);
}

void CMC_GraphicMedia::setGraphic(CGraphicsObject* graphic, CFileResolver* resource) {
    m_graphic = graphic;
    m_resource = resource;
}

CRefreshScreen* CMC_GraphicMedia::getScreen() const {
    return m_window ? m_window->GetRefreshScreenInterface() : nullptr;
}

void CMC_GraphicMedia::putOnScreen(int priority) {
    CRefreshScreen* screen = getScreen();
    // A graphic a sharer listed already stays where the sharer put it.
    if (!screen || !m_graphic || screen->GetPriority(m_graphic) >= 0) return;
    screen->put(m_graphic, priority);
    m_putOnScreen = true;
}

int CMC_GraphicMedia::getDrawPriority() const {
    CRefreshScreen* screen = getScreen();
    return screen && m_graphic ? screen->GetPriority(m_graphic) : -1;
}

bool CMC_GraphicMedia::handles(const char* event) { return hasHandler(getSignalIndex(event)); }

bool CMC_GraphicMedia::graphicVisible() { return m_graphic && m_graphic->isVisible(); }

void CMC_GraphicMedia::setGraphicVisible(bool visible) {
    if (m_graphic) m_graphic->Visible(visible);
}

CXRect CMC_GraphicMedia::hitBox() { return m_graphic ? m_graphic->GetBoundingBox() : CXRect(); }

std::vector<CXString> CMC_GraphicMedia::collisionDetails(const CXString& partner) { return {partner}; }

void CMC_GraphicMedia::setAsButton(bool enable, bool activeCursor) {
    m_buttonMode = enable;
    m_activeCursor = activeCursor;
}

void CMC_GraphicMedia::monitorCollisions(bool alpha) {
    CMC_Scene* scene = getContainerScene();
    if (!scene || !m_graphic) return;
    if (m_monitored != m_graphic) {
        if (m_monitored) removeCollisionsMonitoring();
        int& count = monitors()[m_graphic];
        if (count == 0) {
            // The scene refuses a graphic whose flag is up, and leaves it at the alpha test's value.
            m_graphic->setMonitorCollisions(false);
            scene->monitorCollisions(m_graphic, alpha, this);
        } else if (CCollisionInspector* inspector =
                       m_window ? m_window->getCollisionInspectorInterface() : nullptr) {
            // Another sharer registered the graphic: this object only listens too.
            inspector->addNotifier(this);
        }
        ++count;
        m_monitored = m_graphic;
    }
    // Any monitored graphic reports its moves.
    m_graphic->setMonitorCollisions(true);
}

void CMC_GraphicMedia::monitorCollisionsNow(bool alpha) { monitorCollisions(alpha); }

void CMC_GraphicMedia::removeMonitoringNow() {
    removeCollisionsMonitoring();
    if (m_graphic && !isMonitored(m_graphic)) m_graphic->setMonitorCollisions(false);
}

void CMC_GraphicMedia::removeCollisionsMonitoring() {
    CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr;
    CGraphicsObject* graphic = m_monitored;
    m_monitored = nullptr;
    auto entry = graphic ? monitors().find(graphic) : monitors().end();
    if (entry == monitors().end() || --entry->second > 0) {
        // Never registered, or other sharers still monitor the graphic: only this observer goes.
        if (inspector) inspector->removeNotifier(this);
        return;
    }
    monitors().erase(entry);
    if (CMC_Scene* scene = getContainerScene()) {
        scene->removeMonitorCollisions(graphic, this);
    } else if (inspector) {
        inspector->removeNotifier(this);
        inspector->removeMonitoredObject(graphic);
    }
}

void CMC_GraphicMedia::releaseGraphic() {
    removeCollisionsMonitoring();
    m_putOnScreen = false;
    if (!m_graphic) {
        giveBackUses(nullptr);
        return;
    }
    CGraphicsObject* graphic = m_graphic;
    CFileResolver* resource = m_resource;
    bool cached = holdsUseOf(resource);
    m_graphic = nullptr;
    m_resource = nullptr;
    giveBackUses(resource);
    // A graphic the cache lends stays the cache's, shown by whoever else holds it.
    if (cached) return;
    CRefreshScreen* screen = getScreen();
    if (screen && screen->GetPriority(graphic) >= 0) *screen >> graphic;
    delete graphic;
}

void CMC_GraphicMedia::replaceGraphicDone(int oldPriority) {
    if (!m_graphic || oldPriority < 0) return;
    putOnScreen(oldPriority);
    if (m_monitorCollision || m_monitorCollisionAlpha) monitorCollisions(m_monitorCollisionAlpha);
    // A graphic other sharers monitor keeps reporting its moves.
    if (!isMonitored(m_graphic)) m_graphic->setMonitorCollisions(false);
}

CXObject* CMC_GraphicMedia::clone() {
    if (!m_graphic) return nullptr;
    auto* copy = dynamic_cast<CGraphicsObject*>(m_graphic->clone());
    if (!copy) return nullptr;
    int priority = getDrawPriority();
    // The copy's pixels are shared blocks; the use keeps the cached picture as long as this object.
    if (m_resource) takeFromCache(m_resource->getFileName());
    if (priority >= 0)
        if (CRefreshScreen* screen = getScreen()) screen->put(copy, priority);
    CMC_GraphicMedia* made = newClone(copy);
    if (made) made->m_putOnScreen = priority >= 0;
    return made;
}

bool CMC_GraphicMedia::done(bool flag) {
    releaseGraphic();
    return CMC_Object::done(flag);
}

bool CMC_GraphicMedia::verifyBehaviour(const CXString& key) {
    if (!m_listening && m_window && isMouseEvent(key)) {
        m_focused = false;
        m_listening = true;
        // The priority of this moment: the draw priority (SETPRIORITY may have changed it) of a graphic this
        // object listed, else PRIORITY (a sharer's listing does not count).
        int priority = m_putOnScreen ? getDrawPriority() : -1;
        m_window->registerMouseListener(this, priority >= 0 ? priority : m_priority);
    }
    return true;
}

void CMC_GraphicMedia::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    CMC_Object::initializeBehaviours(container, element);
    if (!element) verifyBindings(); // bindings read back from a cache register the listener
}

bool CMC_GraphicMedia::mouseReady() { return m_buttonMode && m_listening && m_graphic && graphicVisible(); }

bool CMC_GraphicMedia::onMouseMove(CXPoint p) {
    if (!mouseReady() || !(handles("ONFOCUSON") || handles("ONFOCUSOFF"))) return false;
    bool inside = hitBox().IsInRect(p);
    trackFocus(this, m_focused, inside, m_activeCursor, m_window);
    return false;
}

bool CMC_GraphicMedia::onClick(int button, CXPoint p) {
    if (!mouseReady() || !handles("ONCLICK") || !hitBox().IsInRect(p)) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    if (self->object && m_activeCursor && m_window) m_window->EndActiveCursor();
    return true;
}

bool CMC_GraphicMedia::onRelease(int button, CXPoint p) {
    if (!mouseReady() || !handles("ONRELEASE") || !hitBox().IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return false;
}

void CMC_GraphicMedia::raiseCollision(const char* event, CGraphicsObject* a, CGraphicsObject* b) {
    if (!m_graphic || a != m_graphic || !handles(event)) return;
    CMC_ObjectsContainer* container = getContainer();
    if (!container) return;
    CXString partner = container->getGraphicsObjectName(b, true);
    CXString own = container->getGraphicsObjectName(a, true);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CXString name(event);
    for (const CXString& detail : collisionDetails(partner)) {
        if (onSignal(name + "^" + detail)) return;
        if (!self->object) return;
    }
    auto* args = new CXArray(101, 0.75f);
    args->add(new CXString(own));
    args->add(new CXString(partner));
    onSignal(name, args);
    CMC_Binding::freeArguments(args);
}

void CMC_GraphicMedia::onCollision(CGraphicsObject* a, CGraphicsObject* b) {
    raiseCollision("ONCOLLISION", a, b);
}

void CMC_GraphicMedia::onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) {
    raiseCollision("ONCOLLISIONFINISHED", a, b);
}

void CMC_GraphicMedia::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        CXString fileName = m_resource ? m_resource->getFileName() : CXString("");
        bool onScreen = getDrawPriority() != -1;
        bool visible = m_graphic && graphicVisible();
        bool release = m_resource && m_resource->releaseAfterUse();
        *archive << m_buttonMode << m_monitorCollision << m_monitorCollisionAlpha << fileName << onScreen
                 << visible << static_cast<int32_t>(m_priority) << release << m_preload;
        return;
    }
    CXString fileName;
    bool onScreen = false;
    bool visible = false;
    bool release = false;
    int32_t priority = 0;
    *archive >> &m_buttonMode >> &m_monitorCollision >> &m_monitorCollisionAlpha >> &fileName >> &onScreen >>
        &visible >> &priority >> &release >> &m_preload;
    if (!archive->good()) return;
    m_priority = priority;
    load(fileName, m_preload);
    if (!m_graphic) return;
    if (m_resource) m_resource->toRelease(release);
    // As in the definition: a deferred picture that is visible is read now.
    setGraphicVisible(visible);
    m_start = m_graphic->GetPosition();
    if (m_monitorCollision || m_monitorCollisionAlpha) monitorCollisions(m_monitorCollisionAlpha);
    if (onScreen) putOnScreen(m_priority);
}

// ---- CMC_MediaRunner ----

CMC_MediaRunner::Call::Call(CMC_MediaRunner& runner, CMC_Object* object, CMC_ObjectsContainer* container,
                            CXVector* args)
    : m_runner(runner), m_object(object), m_container(container), m_args(args),
      m_guard(object, container, args) {}

int CMC_MediaRunner::Call::integer(int index) const {
    CMC_Integer* value = m_runner.getParameterInteger(m_args, index);
    return value ? value->getValue() : 0;
}

bool CMC_MediaRunner::Call::boolean(int index) const {
    CMC_Bool* value = m_runner.getParameterBool(m_args, index);
    return value && value->getValue();
}

double CMC_MediaRunner::Call::real(int index) const {
    CMC_Double* value = m_runner.getParameterDouble(m_args, index);
    return value ? value->getValue() : 0.0;
}

CXString CMC_MediaRunner::Call::string(int index) const {
    CMC_String* value = m_runner.getParameterString(m_args, index);
    return value ? value->getValue() : CXString("");
}

void CMC_MediaRunner::addMethod(const char* name, int id, Handler handler) {
    CMC_Runner::addMethod(name, id);
    if (id < 1 || id >= MTH_SEND) return;
    if (static_cast<int>(m_handlers.size()) <= id) m_handlers.resize(static_cast<size_t>(id) + 1, nullptr);
    m_handlers[static_cast<size_t>(id)] = handler;
}

CMC_Variable* CMC_MediaRunner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                   CXVector* args) {
    if (!object || object->getType() != m_typeId || id < 1 || id >= static_cast<int>(m_handlers.size()) ||
        !m_handlers[static_cast<size_t>(id)])
        return CMC_Runner::run(id, object, container, args);
    Call call(*this, object, container, args);
    return m_handlers[static_cast<size_t>(id)](call);
}

// ---------------------------------------------------------------- the focus rule

void trackFocus(CMC_Object* object, bool& focused, bool inside, const bool& activeCursor, CWindow* window) {
    std::shared_ptr<CMC_ObjectAnchor> self = object->anchor();
    if (focused && !inside) {
        focused = false;
        object->onSignal("ONFOCUSOFF");
        if (self->object && activeCursor && window) window->EndActiveCursor();
    } else if (!focused && inside) {
        focused = true;
        object->onSignal("ONFOCUSON");
        if (self->object && activeCursor && window) window->BeginActiveCursor();
    }
}

} // namespace KavirelDLL
