#include "display/Playable.h"

#include <cstddef>
#include <vector>

#include "core/Containers.h"

namespace KavirelDLL {

// ---------------------------------------------------------------- observer defaults

bool CPlayableObserver::onPlayableStarted(CPlayable*) { return false; }
bool CPlayableObserver::onPlayableTick(CPlayable*) { return false; }
bool CPlayableObserver::onPlayableFinished(CPlayable*) { return false; }
bool CPlayableObserver::onPlayableResumed(CPlayable*) { return false; }

// ---------------------------------------------------------------- event map

CPlayableEvents::CPlayableEvents() : m_events(new CXVector(101, 0.75f)) {}

CPlayableEvents::CPlayableEvents(const CPlayableEvents& other)
    : CXObject(other), m_events(new CXVector(101, 0.75f)) {
    copyFrom(other);
}

CPlayableEvents& CPlayableEvents::operator=(const CPlayableEvents& other) {
    if (this == &other) return *this;
    CXObject::operator=(other);
    clear();
    copyFrom(other);
    return *this;
}

CPlayableEvents::~CPlayableEvents() {
    clear();
    delete m_events;
}

void CPlayableEvents::clear() {
    for (int i = 0; i < m_events->getSize(); ++i) delete m_events->at(i);
    m_events->removeAll();
}

void CPlayableEvents::copyFrom(const CPlayableEvents& other) {
    for (int i = 0; i < other.m_events->getSize(); ++i) {
        auto* e = static_cast<CPlayableSingleEvent*>(other.m_events->at(i));
        m_events->add(new CPlayableSingleEvent(e->getKey(), e->getEvent()));
    }
}

void CPlayableEvents::addEvent(CXString key, CXString event) {
    m_events->add(new CPlayableSingleEvent(key, event));
}

void CPlayableEvents::setEvent(CXString key, CXString event) {
    for (int i = 0; i < m_events->getSize(); ++i) {
        auto* e = static_cast<CPlayableSingleEvent*>(m_events->at(i));
        if (e->getKey() == key) {
            e->setEvent(event);
            return;
        }
    }
}

CXString CPlayableEvents::getEvent(CXString key) {
    key.Upper();
    for (int i = 0; i < m_events->getSize(); ++i) {
        auto* e = static_cast<CPlayableSingleEvent*>(m_events->at(i));
        CXString stored = e->getKey();
        if (stored.Upper() == key) return e->getEvent();
    }
    return CXString("");
}

int CPlayableEvents::getSize() const { return m_events->getSize(); }

// ---------------------------------------------------------------- playable

CPlayable::CPlayable(CWindow* window)
    : m_name(""), m_window(window), m_parameter(""), m_events(new CPlayableEvents()), m_lastPlayedEvent(""),
      m_observers(new CXArray(101, 0.75f)) {}

CPlayable::CPlayable(const CPlayable& other)
    : CFileResolver(other), m_events(new CPlayableEvents(*other.m_events)),
      m_observers(static_cast<CXArray*>(other.m_observers->clone())) {
    copyFields(other);
}

CPlayable& CPlayable::operator=(const CPlayable& other) {
    if (this == &other) return *this;
    CFileResolver::operator=(other);
    *m_events = *other.m_events;
    delete m_observers;
    m_observers = static_cast<CXArray*>(other.m_observers->clone());
    copyFields(other);
    return *this;
}

void CPlayable::copyFields(const CPlayable& other) {
    m_type = other.m_type;
    m_status = other.m_status;
    m_position = other.m_position;
    m_name = other.m_name;
    m_window = other.m_window;
    m_waitMode = other.m_waitMode;
    m_parameter = other.m_parameter;
    m_mode = other.m_mode;
    m_parentsNo = other.m_parentsNo;
    m_visible = other.m_visible;
    m_lastPlayedEvent = other.m_lastPlayedEvent;
    m_volume = other.m_volume;
    m_panning = other.m_panning;
    m_frequency = other.m_frequency;
    m_parent = other.m_parent;
    m_genericNotifier = other.m_genericNotifier;
}

CPlayable::~CPlayable() {
    *m_alive = false;
    delete m_events;
    delete m_observers;
}

void CPlayable::addChild(CPlayable*) {}

void CPlayable::setParent(CPlayable* parent) { m_parent = parent; }

bool CPlayable::isParent() { return m_parent == nullptr; }

void CPlayable::substAnimation(CAnimo*) {}

CXArray* CPlayable::getNotifiers() { return m_observers; }

void CPlayable::setNotifier(CPlayableObserver* observer) {
    clearNotifiers();
    addNotifier(observer);
}

CPlayable* CPlayable::getPlaying() { return isPlaying() ? this : nullptr; }

CXString CPlayable::getParam() { return m_parameter; }

CXString CPlayable::getParameter(CXString key) { return m_events->getEvent(key); }

CXString CPlayable::getParameter() { return m_parameter; }

void CPlayable::play(CXString key) {
    stop(false);
    m_lastPlayedEvent = key;
    m_status = STATUS_PLAYING;
    m_parameter = getParameter(key);
    play();
}

bool CPlayable::onPlayableFinished(CPlayable*) { return false; }

void CPlayable::onStarted() {}

void CPlayable::onFinished() {}

int CPlayable::getStatus() { return m_status; }

bool CPlayable::isPlaying() { return (m_status & STATUS_PLAYING) != 0; }

bool CPlayable::isPaused() { return (m_status & STATUS_PAUSED) != 0; }

int CPlayable::getType() { return m_type; }

int CPlayable::previous() {
    seek(-3);
    return m_position;
}

int CPlayable::next() {
    seek(-4);
    return m_position;
}

int CPlayable::getFPS() { return 10; }

void CPlayable::move(int, int) {}

void CPlayable::move(CXPoint delta) { move(delta.x, delta.y); }

void CPlayable::setPosition(int, int) {}

void CPlayable::setPosition(CXPoint p) { setPosition(p.x, p.y); }

void CPlayable::SetGlobalPosition(int, int) {}

void CPlayable::SetGlobalPosition(CXPoint p) { SetGlobalPosition(p.x, p.y); }

bool CPlayable::isVisible() { return m_visible; }

void CPlayable::setVisibility(bool visible) { m_visible = visible; }

void CPlayable::show() { setVisibility(true); }

void CPlayable::hide() { setVisibility(false); }

void CPlayable::alwaysOnTop() {}

CXString CPlayable::getLastPlayedEvent() { return m_lastPlayedEvent; }

bool CPlayable::notify(int code) {
    if (code < NOTIFY_STARTED || code > NOTIFY_RESUMED) return true;
    // Observers may come and go while they are told.
    std::vector<CPlayableObserver*> told;
    told.reserve(static_cast<size_t>(m_observers->getSize()) + 1);
    for (int i = 0; i < m_observers->getSize(); ++i)
        told.push_back(static_cast<CPlayableObserver*>(m_observers->at(i)));
    if (m_genericNotifier) told.push_back(m_genericNotifier);
    bool answer = true;
    std::shared_ptr<bool> alive = m_alive;
    for (CPlayableObserver* o : told) {
        if (!*alive) break;
        // One removed by an earlier observer may already be gone.
        if (o != m_genericNotifier && !m_observers->contains(o)) continue;
        switch (code) {
        case NOTIFY_STARTED:
            answer = o->onPlayableStarted(this);
            break;
        case NOTIFY_TICK:
            answer = o->onPlayableTick(this);
            break;
        case NOTIFY_FINISHED:
            answer = o->onPlayableFinished(this);
            break;
        default:
            answer = o->onPlayableResumed(this);
            break;
        }
    }
    return answer;
}

void CPlayable::setVolume(int volume) { m_volume = volume; }

void CPlayable::setPanning(int panning) { m_panning = panning; }

void CPlayable::setFrequency(int frequency) { m_frequency = frequency; }

void CPlayable::setParameter(CXString key, CXString event) { m_events->setEvent(key, event); }

void CPlayable::addEvent(CXString key, CXString event) { m_events->addEvent(key, event); }

void CPlayable::addNotifier(CPlayableObserver* observer) {
    if (!observer || m_observers->contains(observer)) return;
    m_observers->add(observer);
}

void CPlayable::removeNotifier(CPlayableObserver* observer) { m_observers->remove(observer); }

void CPlayable::clearNotifiers() { m_observers->removeAll(); }

} // namespace KavirelDLL
