#include "objects/Animo.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Color.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "media/controls/Unit6.h"
#include "objects/Mouse.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

CXString upper(CXString text) {
    text.Upper();
    return text;
}

CRefreshScreen* screenOf(CWindow* window) { return window ? window->GetRefreshScreenInterface() : nullptr; }

int priorityOn(CWindow* window, CGraphicsObject* graphic) {
    CRefreshScreen* screen = screenOf(window);
    return screen && graphic ? screen->GetPriority(graphic) : -1;
}

} // namespace

// ---------------------------------------------------------------- construction

void CMC_Animo::construct(CMC_ObjectsContainer* container) {
    m_container.set(container);
    m_window = container ? container->getWindow() : nullptr;
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container) : CMC_Object(CXString("temp"), TYPE_ANIMO) {
    construct(container);
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* animation)
    : CMC_Object(CXString("clone"), TYPE_ANIMO) {
    construct(container);
    if (container) setScene(container);
    m_animation = animation;
    if (m_animation) m_animation->setNotifier(this);
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_ANIMO) {
    construct(container);
    if (!element) return;
    const CXString file = element->getPropertyValue("FILENAME");
    const bool toCanvas = element->getPropertyBoolValue("TOCANVAS");
    const bool visible = element->getPropertyBoolValue("VISIBLE");
    const bool flush = element->getPropertyBoolValue("FLUSHAFTERPLAYED");
    const CXString preloadText = element->getPropertyValue("PRELOAD");
    const bool preload = element->getPropertyBoolValue("PRELOAD");
    m_monitorCollision = element->getPropertyBoolValue("MONITORCOLLISION");
    m_monitorCollisionAlpha = element->getPropertyBoolValue("MONITORCOLLISIONALPHA");
    m_priority = element->getPropertyIntValue("PRIORITY");
    const int fps = element->getPropertyIntValue("FPS");
    m_preload = preloadText.GetLength() == 0 || preload;
    load(file, m_preload);
    if (m_animation) {
        m_animation->toRelease(flush);
        if (m_monitorCollision || m_monitorCollisionAlpha) monitor(m_monitorCollisionAlpha);
        if (toCanvas)
            if (CRefreshScreen* screen = screenOf(m_window)) screen->put(m_animation, m_priority);
        m_animation->setVisibility(visible);
        // No key, or 0, is 15 frames a second; anything below 1 is one.
        m_animation->SetFPS(fps == 0 ? 15 : fps);
        m_animation->addNotifier(this);
    }
    m_buttonMode = element->getPropertyBoolValue("ASBUTTON");
    m_firstFrameHit = element->getPropertyBoolValue("ONFIRSTFRAME");
    initializeBehaviours(container, element);
}

CMC_Animo::~CMC_Animo() {
    releaseAnchor();
    if (m_listening && m_window) m_window->removeMouseListener(this);
    if (m_window)
        if (CCollisionInspector* inspector = m_window->getCollisionInspectorInterface())
            inspector->removeNotifier(this);
    // Deleted without done: its use of the animation ends all the same, and nothing keeps telling it.
    releaseAnimation();
}

CMC_ObjectsContainer* CMC_Animo::getContainer() {
    if (CMC_ObjectsContainer* scene = getScene()) return scene;
    return static_cast<CMC_ObjectsContainer*>(m_container.current());
}

CMC_Scene* CMC_Animo::getMonitorScene() {
    CMC_ObjectsContainer* container = getContainer();
    // A class instance's objects monitor with the scene it lives in.
    for (int depth = 0; container && depth < 16; ++depth) {
        if (container->getType() == TYPE_SCENE) return static_cast<CMC_Scene*>(container);
        CMC_ObjectsContainer* parent = container->getParent();
        if (parent == container) break;
        container = parent;
    }
    return nullptr;
}

CResourcesManager* CMC_Animo::cache() {
    CMC_ObjectsContainer* container = getContainer();
    if (!container || container->getType() != TYPE_SCENE) return nullptr;
    CUnit6* unit = CMC_Scene::getDefUnit();
    return unit ? unit->getResourcesManager() : nullptr;
}

void CMC_Animo::monitor(bool alpha) {
    if (!m_animation) return;
    if (CMC_Scene* scene = getMonitorScene()) scene->monitorCollisions(m_animation, alpha, this);
}

void CMC_Animo::removeCollisionsMonitoring() {
    if (!m_animation) return;
    if (CMC_Scene* scene = getMonitorScene())
        scene->removeMonitorCollisions(m_animation, this);
    else if (CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr)
        inspector->removeMonitoredObject(m_animation);
}

void CMC_Animo::forgetAnimation() {
    if (!m_animation) return;
    m_animation->removeNotifier(this);
    removeCollisionsMonitoring();
    m_animation = nullptr;
}

CXString** CMC_Animo::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONPAUSED", "ONRESUMED",
                          "ONFRAMECHANGED", "ONCOLLISION", "ONCOLLISIONFINISHED", "ONFOCUSON", "ONFOCUSOFF",
                          "ONCLICK", "ONRELEASE"});
}

bool CMC_Animo::verifyBehaviour(const CXString& key) {
    if (!m_listening && m_window &&
        (key.startsWith("ONCLICK") || key.startsWith("ONRELEASE") || key.equals("ONFOCUSON") ||
         key.equals("ONFOCUSOFF"))) {
        m_focused = false;
        m_listening = true;
        m_window->registerMouseListener(this, m_priority);
    }
    return true;
}

// ---------------------------------------------------------------- clone, done, load

CXObject* CMC_Animo::clone() {
    CMC_ObjectsContainer* container = getContainer();
    CAnimo6* copy = m_animation ? static_cast<CAnimo6*>(m_animation->clone()) : nullptr;
    if (copy) {
        // The copy is always on the screen: at the source's priority, or at 0 when the source is not.
        const int priority = priorityOn(m_window, m_animation);
        if (CRefreshScreen* screen = screenOf(m_window)) screen->put(copy, priority >= 0 ? priority : 0);
    }
    return new CMC_Animo(container, copy);
}

void CMC_Animo::releaseAnimation() {
    if (!m_animation) return;
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(nullptr);
    CAnimo6* animation = m_animation;
    const bool cached = m_cached;
    forgetAnimation();
    m_cached = false;
    if (cached) {
        // The cache destroys it at its last use.
        if (CResourcesManager* resources = cache()) resources->remove(animation);
        return;
    }
    animation->Visible(false);
    if (CRefreshScreen* screen = screenOf(m_window)) *screen >> animation;
    if (CUnit6* unit = CMC_Scene::getDefUnit()) unit->removeRandomPlayable(animation);
    delete animation;
}

bool CMC_Animo::done(bool flag) {
    releaseAnimation();
    return CMC_Object::done(flag);
}

void CMC_Animo::load(CXString fileName, bool preload) {
    if (!m_animation || !m_animation->CPlayable::getFileName().equalsIgnoreCase(fileName)) {
        CResourcesManager* resources = cache();
        CRefreshScreen* screen = screenOf(m_window);
        const int oldPriority = priorityOn(m_window, m_animation);
        releaseAnimation();
        if (resources && fileName.GetLength() > 0) {
            CFileResolver* found = resources->get(fileName);
            m_animation = dynamic_cast<CAnimo6*>(found);
            // Another kind of resource of that name is not an animation: its use goes back.
            if (found && !m_animation) resources->remove(found);
        }
        m_cached = m_animation != nullptr;
        if (!m_animation) {
            m_animation = new CAnimo6(m_window);
            m_animation->setFilename(fileName);
            if (preload && fileName.GetLength() > 0) m_animation->Load(fileName);
            if (resources) {
                resources->add(m_animation);
                m_cached = true;
            }
        }
        if (oldPriority >= 0) {
            if (screen) screen->put(m_animation, oldPriority);
            m_animation->setNotifier(this);
            if (m_monitorCollision || m_monitorCollisionAlpha) monitor(m_monitorCollisionAlpha);
            m_animation->setMonitorCollisions(m_monitorCollision || m_monitorCollisionAlpha);
        }
    }
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(m_animation);
}

CGraphicsObject* CMC_Animo::getFrame(const CXString& name) {
    return m_animation ? m_animation->getFrame(name) : nullptr;
}

void CMC_Animo::addSeq(CPlayable* playable) {
    if (playable && std::find(m_sequences.begin(), m_sequences.end(), playable) == m_sequences.end())
        m_sequences.push_back(playable);
}

void CMC_Animo::removeSeq(CPlayable* playable) {
    m_sequences.erase(std::remove(m_sequences.begin(), m_sequences.end(), playable), m_sequences.end());
}

CXString CMC_Animo::getSignalEvent(CXString name) {
    const int length = name.GetLength();
    if (length > 8 && name.Right(length - 8).equals("_REVERSE")) return name.Left(length - 8);
    return name;
}

// ---------------------------------------------------------------- the cache record

void CMC_Animo::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_buttonMode << m_monitorCollision << m_monitorCollisionAlpha;
        *archive << (m_animation ? m_animation->CPlayable::getFileName() : CXString(""));
        *archive << (priorityOn(m_window, m_animation) != -1);
        *archive << (m_animation && m_animation->isVisible());
        *archive << static_cast<int32_t>(m_priority);
        *archive << (m_animation && m_animation->releaseAfterUse());
        *archive << m_preload;
        return;
    }
    CXString file;
    bool onScreen = false, visible = false, release = false;
    int32_t priority = 0;
    *archive >> &m_buttonMode >> &m_monitorCollision >> &m_monitorCollisionAlpha >> &file >> &onScreen >>
        &visible >> &priority >> &release >> &m_preload;
    if (!archive->good()) return;
    m_priority = priority;
    load(file, m_preload);
    if (!m_animation) return;
    m_animation->toRelease(release);
    m_animation->Visible(visible);
    if (m_monitorCollision || m_monitorCollisionAlpha) monitor(m_monitorCollisionAlpha);
    if (onScreen)
        if (CRefreshScreen* screen = screenOf(m_window)) screen->put(m_animation, m_priority);
    // Observed at once, as an object made from its definition is.
    m_animation->addNotifier(this);
}

// ---------------------------------------------------------------- events

bool CMC_Animo::onPlayableStarted(CPlayable*) {
    if (m_animation && hasHandler(EVT_ANIMO_ONSTARTED))
        raiseDetailed("ONSTARTED", {getSignalEvent(upper(m_animation->getCurrentEventName()))});
    return false;
}

bool CMC_Animo::onPlayableFinished(CPlayable*) {
    if (m_animation && hasHandler(EVT_ANIMO_ONFINISHED))
        raiseDetailed("ONFINISHED", {getSignalEvent(upper(m_animation->getCurrentEventName()))});
    return false;
}

bool CMC_Animo::onPlayableTick(CPlayable*) {
    if (!m_animation || !hasHandler(EVT_ANIMO_ONFRAMECHANGED)) return false;
    CAnimo6* animation = m_animation;
    const CXString frameName =
        animation->getFrameName(animation->GetEventNo(-1), animation->GetCurrentFrameInSequence());
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    bool answered = frameName.GetLength() > 0
                        ? onSignal("ONFRAMECHANGED^" + upper(frameName))
                        : onSignal("ONFRAMECHANGEDFRAME^" + CXString::toString(animation->Current()));
    if (answered || !self->object || m_animation != animation) return false;
    raiseDetailed("ONFRAMECHANGED", {getSignalEvent(upper(animation->getCurrentEventName()))});
    return false;
}

void CMC_Animo::onCollision(CGraphicsObject* a, CGraphicsObject* b) {
    if (!hasHandler(EVT_ANIMO_ONCOLLISION) || !a || a != m_animation) return;
    raiseCollision("ONCOLLISION", a, b);
}

void CMC_Animo::onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) {
    if (!hasHandler(EVT_ANIMO_ONCOLLISIONFINISHED) || !a || a != m_animation) return;
    raiseCollision("ONCOLLISIONFINISHED", a, b);
}

void CMC_Animo::raiseCollision(const char* event, CGraphicsObject* a, CGraphicsObject* b) {
    CMC_ObjectsContainer* container = getContainer();
    if (!container) return;
    const CXString detail = getSignalEvent(upper(m_animation->getCurrentEventName()));
    const CXString partner = container->getGraphicsObjectName(b, true);
    const CXString own = container->getGraphicsObjectName(a, true);
    const CXString name(event);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (onSignal(name + "^" + detail + "^" + partner) || !self->object) return;
    if (onSignal(name + "^" + partner) || !self->object) return;
    auto* args = new CXArray(101, 0.75f);
    args->add(new CXString(own));
    args->add(new CXString(partner));
    onSignal(name, args);
    CMC_Binding::freeArguments(args);
}

// ---------------------------------------------------------------- the button

void CMC_Animo::setAsButton(bool enable, bool activeCursor) {
    m_activeCursor = activeCursor;
    m_buttonMode = enable;
    if (m_animation) m_animation->Play(CXString("ONNOEVENT"), 0);
    m_focused = false;
}

void CMC_Animo::onFoncusOn() {
    if (!m_buttonMode || !m_animation) return;
    if (!m_animation->isPlaying(CXString("ONCLICK"))) m_animation->Play(CXString("ONFOCUSON"), 0);
    if (m_activeCursor && m_window) m_window->BeginActiveCursor();
}

void CMC_Animo::onFocusOff() {
    if (!m_animation) return;
    if (!m_animation->isPlaying(CXString("ONCLICK"))) m_animation->Play(CXString("ONFOCUSOFF"), 0);
    if (m_activeCursor && m_window) m_window->EndActiveCursor();
}

void CMC_Animo::onClick() {
    if (!m_animation) return;
    if (!m_animation->isPlaying(CXString("ONCLICK"))) m_animation->Play(CXString("ONCLICK"), 0);
    if (m_activeCursor && m_window) m_window->EndActiveCursor();
}

bool CMC_Animo::mouseReady() {
    return m_buttonMode && !CWindow::isPaused() && m_animation && m_animation->isVisible();
}

CXRect CMC_Animo::hitBox(int image) {
    if (m_firstFrameHit)
        if (CFrame* frame = m_animation->GetFrame(image)) return frame->GetBoundingBox();
    return m_animation->GetBoundingBox();
}

bool CMC_Animo::onMouseMove(CXPoint p) {
    if (!mouseReady()) return false;
    const bool inside = hitBox(0).IsInRect(p);
    const bool focusHandlers = hasHandler(EVT_ANIMO_ONFOCUSON) || hasHandler(EVT_ANIMO_ONFOCUSOFF);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (!m_focused && inside) {
        m_focused = true;
        onFoncusOn();
        if (m_listening && focusHandlers) onSignal("ONFOCUSON");
    } else if (m_focused && !inside) {
        m_focused = false;
        onFocusOff();
        if (m_listening && focusHandlers) onSignal("ONFOCUSOFF");
    }
    return false;
}

bool CMC_Animo::onClick(int button, CXPoint p) {
    if (!m_listening || !mouseReady()) return false;
    if (!hitBox(m_animation->getFirstFrame()).IsInRect(p)) return false;
    onClick();
    if (hasHandler(EVT_ANIMO_ONCLICK)) raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    return true;
}

bool CMC_Animo::onRelease(int button, CXPoint p) {
    if (!m_listening || !hasHandler(EVT_ANIMO_ONRELEASE) || !mouseReady()) return false;
    if (!hitBox(0).IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return true;
}

} // namespace KavirelDLL
