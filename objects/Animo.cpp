#include "objects/Animo.h"

#include <algorithm>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "media/controls/Unit6.h"
#include "objects/Mouse.h"
#include "script/Scene.h"

namespace KavirelDLL {

namespace {

CXString upper(CXString text) {
    text.Upper();
    return text;
}

} // namespace

// ---------------------------------------------------------------- construction

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container)
    : CMC_GraphicMedia(container, CXString("temp"), TYPE_ANIMO) {}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* animation)
    : CMC_GraphicMedia(container, animation, animation, TYPE_ANIMO) {
    if (animation) animation->setNotifier(this);
}

CMC_Animo::CMC_Animo(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicMedia(container, element, TYPE_ANIMO) {
    Keys keys = readKeys(element);
    m_monitorCollision = keys.monitorCollision;
    m_monitorCollisionAlpha = keys.monitorCollisionAlpha;
    m_priority = keys.priority;
    m_preload = keys.preload;
    const int fps = element ? element->getPropertyIntValue("FPS") : 0;
    load(keys.fileName, keys.preload);
    if (CAnimo6* animation = getAnimo()) {
        // No key, or 0, is 15 frames a second; anything below 1 is one.
        animation->SetFPS(fps == 0 ? 15 : fps);
        animation->addNotifier(this);
    }
    m_firstFrameHit = element && element->getPropertyBoolValue("ONFIRSTFRAME");
    finishDefinition(container, element, keys);
}

CMC_Animo::~CMC_Animo() {
    releaseAnchor();
    letGoOfAnimation();
}

void CMC_Animo::letGoOfAnimation() {
    CAnimo6* animation = getAnimo();
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(nullptr);
    if (!animation) return;
    animation->removeNotifier(this);
    // One the cache does not keep goes with this object: the unit's random plays must not keep it.
    if (!holdsUseOf(m_resource))
        if (CUnit6* unit = CMC_Scene::getDefUnit()) unit->removeRandomPlayable(animation);
}

CXString** CMC_Animo::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONPAUSED", "ONRESUMED",
                          "ONFRAMECHANGED", "ONCOLLISION", "ONCOLLISIONFINISHED", "ONFOCUSON", "ONFOCUSOFF",
                          "ONCLICK", "ONRELEASE"});
}

void CMC_Animo::setGraphicVisible(bool visible) {
    // The playable's visibility: a deferred file is read when it is shown.
    if (CAnimo6* animation = getAnimo()) animation->setVisibility(visible);
}

// ---------------------------------------------------------------- clone, done, load

CXObject* CMC_Animo::clone() {
    CAnimo6* animation = getAnimo();
    CAnimo6* copy = animation ? static_cast<CAnimo6*>(animation->clone()) : nullptr;
    bool placed = false;
    if (copy) {
        const int priority = getDrawPriority();
        if (CRefreshScreen* screen = getScreen()) {
            screen->put(copy, priority >= 0 ? priority : 0);
            placed = true;
        }
    }
    auto* made = new CMC_Animo(getContainer(), copy);
    made->m_putOnScreen = placed; // the clone listens at the priority it is drawn at
    return made;
}

CMC_GraphicMedia* CMC_Animo::newClone(CGraphicsObject* copy) {
    return new CMC_Animo(getContainer(), dynamic_cast<CAnimo6*>(copy));
}

bool CMC_Animo::done(bool flag) {
    letGoOfAnimation();
    return CMC_GraphicMedia::done(flag);
}

void CMC_Animo::load(CXString fileName, bool preload) {
    CAnimo6* animation = getAnimo();
    if (!animation || !animation->CPlayable::getFileName().equalsIgnoreCase(fileName)) {
        CResourcesManager* cache = getCache();
        const int oldPriority = getDrawPriority();
        // Borrowers let go of the old animation before it may go.
        letGoOfAnimation();
        releaseGraphic();
        animation = nullptr;
        if (cache && fileName.IsString()) {
            CFileResolver* found = takeFromCache(fileName);
            animation = dynamic_cast<CAnimo6*>(found);
            // Another kind of resource under this name is no animation: its use goes back.
            if (found && !animation) giveBackUses(nullptr);
        }
        if (!animation) {
            animation = new CAnimo6(m_window);
            animation->setFilename(fileName);
            if (preload && fileName.IsString()) animation->Load(fileName);
            if (cache) addToCache(animation);
        }
        setGraphic(animation);
        if (oldPriority >= 0) animation->setNotifier(this);
        replaceGraphicDone(oldPriority);
    }
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(animation);
}

CGraphicsObject* CMC_Animo::getFrame(const CXString& name) {
    CAnimo6* animation = getAnimo();
    return animation ? animation->getFrame(name) : nullptr;
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
    CMC_GraphicMedia::serialize(archive);
    // Observed at once, as an object made from its definition is.
    if (archive && !archive->isStoring())
        if (CAnimo6* animation = getAnimo()) animation->addNotifier(this);
}

// ---------------------------------------------------------------- events

bool CMC_Animo::onPlayableStarted(CPlayable*) {
    if (CAnimo6* animation = getAnimo(); animation && hasHandler(EVT_ANIMO_ONSTARTED))
        raiseDetailed("ONSTARTED", {getSignalEvent(upper(animation->getCurrentEventName()))});
    return false;
}

bool CMC_Animo::onPlayableFinished(CPlayable*) {
    if (CAnimo6* animation = getAnimo(); animation && hasHandler(EVT_ANIMO_ONFINISHED))
        raiseDetailed("ONFINISHED", {getSignalEvent(upper(animation->getCurrentEventName()))});
    return false;
}

bool CMC_Animo::onPlayableTick(CPlayable*) {
    CAnimo6* animation = getAnimo();
    if (!animation || !hasHandler(EVT_ANIMO_ONFRAMECHANGED)) return false;
    const CXString frameName =
        animation->getFrameName(animation->GetEventNo(-1), animation->GetCurrentFrameInSequence());
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    bool answered = frameName.GetLength() > 0
                        ? onSignal("ONFRAMECHANGED^" + upper(frameName))
                        : onSignal("ONFRAMECHANGEDFRAME^" + CXString::toString(animation->Current()));
    if (answered || !self->object || getAnimo() != animation) return false;
    raiseDetailed("ONFRAMECHANGED", {getSignalEvent(upper(animation->getCurrentEventName()))});
    return false;
}

std::vector<CXString> CMC_Animo::collisionDetails(const CXString& partner) {
    CAnimo6* animation = getAnimo();
    const CXString event = getSignalEvent(upper(animation ? animation->getCurrentEventName() : CXString("")));
    return {event + "^" + partner, partner};
}

// ---------------------------------------------------------------- the button

void CMC_Animo::setAsButton(bool enable, bool activeCursor) {
    CMC_GraphicMedia::setAsButton(enable, activeCursor);
    if (CAnimo6* animation = getAnimo()) animation->Play(CXString("ONNOEVENT"), 0);
    m_focused = false;
}

void CMC_Animo::onFoncusOn() {
    CAnimo6* animation = getAnimo();
    if (!m_buttonMode || !animation) return;
    if (!animation->isPlaying(CXString("ONCLICK"))) animation->Play(CXString("ONFOCUSON"), 0);
    if (m_activeCursor && m_window) m_window->BeginActiveCursor();
}

void CMC_Animo::onFocusOff() {
    CAnimo6* animation = getAnimo();
    if (!animation) return;
    if (!animation->isPlaying(CXString("ONCLICK"))) animation->Play(CXString("ONFOCUSOFF"), 0);
    if (m_activeCursor && m_window) m_window->EndActiveCursor();
}

void CMC_Animo::onClick() {
    CAnimo6* animation = getAnimo();
    if (!animation) return;
    if (!animation->isPlaying(CXString("ONCLICK"))) animation->Play(CXString("ONCLICK"), 0);
    if (m_activeCursor && m_window) m_window->EndActiveCursor();
}

CXRect CMC_Animo::hitBox() {
    CAnimo6* animation = getAnimo();
    if (m_firstFrameHit && animation)
        if (CFrame* frame = animation->GetFrame(animation->getFirstFrame())) return frame->GetBoundingBox();
    return CMC_GraphicMedia::hitBox();
}

bool CMC_Animo::onMouseMove(CXPoint p) {
    if (!buttonReady()) return false;
    const bool inside = hitBox().IsInRect(p);
    const bool focusHandlers = hasHandler(EVT_ANIMO_ONFOCUSON) || hasHandler(EVT_ANIMO_ONFOCUSOFF);
    if (!m_focused && inside) {
        m_focused = true;
        onFoncusOn();
        if (focusHandlers) onSignal("ONFOCUSON");
    } else if (m_focused && !inside) {
        m_focused = false;
        onFocusOff();
        if (focusHandlers) onSignal("ONFOCUSOFF");
    }
    return false;
}

bool CMC_Animo::onClick(int button, CXPoint p) {
    if (!buttonReady() || !hitBox().IsInRect(p)) return false;
    onClick();
    if (hasHandler(EVT_ANIMO_ONCLICK)) raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    return true;
}

bool CMC_Animo::onRelease(int button, CXPoint p) {
    if (!buttonReady() || !hasHandler(EVT_ANIMO_ONRELEASE) || !hitBox().IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return true;
}

} // namespace KavirelDLL
