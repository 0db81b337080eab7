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
    const int fps = element ? element->getPropertyIntValue("FPS") : 0;
    load(keys.fileName, keys.preload);
    if (CAnimo6* animation = getAnimo()) {
        // No key, or 0, is 15 frames a second; anything below 1 is one.
        animation->SetFPS(fps == 0 ? 15 : fps);
        animation->addNotifier(this);
    }
    m_firstFrameHit = element && element->getPropertyBoolValue("ONFIRSTFRAME");
    finishDefinition(container, element, keys);
    m_shows = keys.toCanvas && getAnimo();
}

CMC_Animo::~CMC_Animo() {
    // Borrowers find the animation through this object's handle: they let go while it still answers.
    letGoOfAnimation();
    releaseAnchor();
}

void CMC_Animo::letGoOfAnimation() {
    CAnimo6* animation = getAnimo();
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(nullptr);
    if (!animation) return;
    animation->removeNotifier(this);
    // An animation that goes with this object (its own, or the cache's at this object's last uses) must not
    // stay in the unit's random plays, however many times PLAYRAND put it there.
    CResourcesManager* cache = getCache();
    const bool goes = !holdsUseOf(m_resource) || !cache || cache->uses(animation) <= getCacheUses();
    CUnit6* unit = goes ? CMC_Scene::getDefUnit() : nullptr;
    CRandomPlayable* random = unit ? unit->getRandomPlayables() : nullptr;
    for (int i = random ? random->getCount() : 0; i-- > 0;)
        if (i < random->getCount() && random->getEntry(i)->getPlayable() == animation)
            unit->removeRandomPlayable(animation);
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
        if (animation) leaveTheScreenIfOnlyThisShows(animation);
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
        m_shows = oldPriority >= 0;
    }
    std::vector<CPlayable*> borrowers = m_sequences;
    for (CPlayable* playable : borrowers) playable->substAnimation(animation);
}

void CMC_Animo::leaveTheScreenIfOnlyThisShows(CAnimo6* old) {
    CResourcesManager* cache = getCache();
    CRefreshScreen* screen = getScreen();
    if (!m_shows || !cache || !screen || !holdsUseOf(old) || screen->GetPriority(old) < 0) return;
    // At this object's last uses the cache destroys it, and it leaves the screen then.
    int others = cache->uses(old) - getCacheUses();
    CMC_ObjectsContainer* container = getContainer();
    CXVector* objects = container ? container->getObjects() : nullptr;
    for (int i = 0; objects && i < objects->getSize() && others > 0; ++i) {
        auto* object = static_cast<CMC_Object*>(objects->at(i));
        if (object == this || object->getType() != TYPE_ANIMO) continue;
        auto* animo = static_cast<CMC_Animo*>(object);
        if (animo->getAnimo() != old || !animo->holdsUseOf(old)) continue;
        if (animo->m_shows) return;
        others -= animo->getCacheUses();
    }
    // Uses of anything else (a sequence's, another scene's) may show it: it stays.
    if (others == 0) *screen >> old;
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
        if (CAnimo6* animation = getAnimo()) {
            animation->addNotifier(this);
            CRefreshScreen* screen = getScreen();
            m_shows = screen && screen->GetPriority(animation) >= 0;
        }
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
    m_focused = false;
    // A start handler may delete this object: nothing of it is touched after the play.
    if (CAnimo6* animation = getAnimo()) animation->Play(CXString("ONNOEVENT"), 0);
}

bool CMC_Animo::playButtonEvent(const char* event) {
    CAnimo6* animation = getAnimo();
    if (!animation) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (!animation->isPlaying(CXString("ONCLICK"))) animation->Play(CXString(event), 0);
    return self->object != nullptr;
}

void CMC_Animo::onFoncusOn() {
    if (!m_buttonMode || !playButtonEvent("ONFOCUSON")) return;
    if (m_activeCursor && m_window) m_window->BeginActiveCursor();
}

void CMC_Animo::onFocusOff() {
    if (!playButtonEvent("ONFOCUSOFF")) return;
    if (m_activeCursor && m_window) m_window->EndActiveCursor();
}

void CMC_Animo::onClick() {
    if (!playButtonEvent("ONCLICK")) return;
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
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (!m_focused && inside) {
        m_focused = true;
        onFoncusOn();
        if (self->object && focusHandlers) onSignal("ONFOCUSON");
    } else if (m_focused && !inside) {
        m_focused = false;
        onFocusOff();
        if (self->object && focusHandlers) onSignal("ONFOCUSOFF");
    }
    return false;
}

bool CMC_Animo::onClick(int button, CXPoint p) {
    if (!buttonReady() || !hitBox().IsInRect(p)) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    onClick();
    if (self->object && hasHandler(EVT_ANIMO_ONCLICK))
        raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    return true;
}

bool CMC_Animo::onRelease(int button, CXPoint p) {
    if (!buttonReady() || !hasHandler(EVT_ANIMO_ONRELEASE) || !hitBox().IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return true;
}

} // namespace KavirelDLL
