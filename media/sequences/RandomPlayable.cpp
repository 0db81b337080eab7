#include "media/sequences/RandomPlayable.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/XRandom.h"
#include "display/Window.h"
#include "media/anim/Animo.h"

namespace KavirelDLL {

bool CRandomPlayableNotifier::onRandomPlayableStarted(CPlayable*, int) { return true; }

bool CRandomPlayableNotifier::onRandomPlayableFinished(CPlayable*, int) { return false; }

// ---------------------------------------------------------------- one entry

CRandomPlayableEntry::CRandomPlayableEntry(CRandomPlayable* owner, CPlayable* playable, double perMinute,
                                           int maxRepeat, CXString event)
    : m_owner(owner), m_playable(playable), m_perMinute(perMinute), m_maxRepeat(maxRepeat), m_event(event) {
    if (m_playable) m_playable->addNotifier(this);
    initialize();
}

CRandomPlayableEntry::~CRandomPlayableEntry() {
    *m_alive = false;
    if (m_playable) m_playable->removeNotifier(this);
}

bool CRandomPlayableEntry::isPlaying() { return m_playable && m_playable->isPlaying(); }

CPlayable* CRandomPlayableEntry::getPlayable() { return m_playable; }

int CRandomPlayableEntry::getSeqTime() { return m_seqTime; }

void CRandomPlayableEntry::initialize() {
    m_seqTime = 0;
    m_burst = CXRandom::random(m_maxRepeat - 1);
    // A rate of 0 or less (or none at all) never plays; a countdown longer than an int holds is capped.
    if (!(m_perMinute > 0)) {
        m_countdown = 0;
        return;
    }
    const double span = std::trunc(60.0 / m_perMinute);
    m_countdown = CXRandom::random(span < INT_MAX - 1 ? static_cast<int>(span) : INT_MAX - 1) + 1;
}

void CRandomPlayableEntry::tick() {
    if (!m_playable || isPlaying() || !(m_perMinute > 0)) return;
    // A play that ended without a finished notice leaves nothing to count down from.
    if (m_countdown <= 0) initialize();
    if (--m_countdown != 0) return;
    ++m_seqTime;
    std::shared_ptr<bool> alive = aliveToken();
    const bool allowed = m_owner->notify(this, true);
    if (!*alive) return;
    if (!allowed) {
        initialize();
        return;
    }
    playOnce();
    // Refused by the playable, or over before it began: count down again.
    if (*alive && m_countdown == 0 && !isPlaying()) initialize();
}

void CRandomPlayableEntry::playOnce() {
    if (m_event.IsString()) {
        m_playable->play(m_event);
        return;
    }
    auto* animation = dynamic_cast<CAnimo*>(m_playable);
    if (!animation || animation->GetNOE() == 0) return;
    for (int attempt = 0; attempt < 10; ++attempt) {
        animation->Play(std::rand() % animation->GetNOE(), 0);
        if (animation->IsPlaying()) break;
    }
}

bool CRandomPlayableEntry::onPlayableFinished(CPlayable* playable) {
    if (playable != m_playable) return false;
    std::shared_ptr<bool> alive = aliveToken();
    const bool again = m_owner->notify(this, false);
    if (!*alive) return false;
    if (again || m_seqTime < m_burst)
        m_countdown = 1;
    else
        initialize();
    return false;
}

// ---------------------------------------------------------------- the list

CRandomPlayable::CRandomPlayable(CWindow* window, CUnit6* unit) : m_unit(unit) {
    m_timer = window ? window->GetTimerInterface() : nullptr;
    if (!m_timer) return;
    m_timerId = CXTimer::newObjectId();
    m_timer->add(m_timerId, 1000, static_cast<CTimerNotificator*>(this));
}

CRandomPlayable::~CRandomPlayable() {
    *m_alive = false;
    if (m_timer) m_timer->remove(m_timerId);
    for (int i = 0; i < m_entries.getSize(); ++i) delete m_entries.at(i);
    m_entries.removeAll();
}

void CRandomPlayable::add(CPlayable* playable, double perMinute, int maxRepeat, CXString event) {
    m_entries.add(new CRandomPlayableEntry(this, playable, perMinute, maxRepeat, event));
}

void CRandomPlayable::remove(CPlayable* playable) {
    for (int i = 0; i < m_entries.getSize(); ++i) {
        auto* entry = static_cast<CRandomPlayableEntry*>(m_entries.at(i));
        if (entry->getPlayable() != playable) continue;
        m_entries.removeAt(i);
        delete entry;
        return;
    }
}

void CRandomPlayable::onTimer(int) {
    // A play runs handlers, which may remove entries (their own among them) or this whole list.
    std::vector<std::pair<CRandomPlayableEntry*, std::shared_ptr<bool>>> entries;
    for (int i = 0; i < m_entries.getSize(); ++i) {
        auto* entry = static_cast<CRandomPlayableEntry*>(m_entries.at(i));
        entries.emplace_back(entry, entry->aliveToken());
    }
    std::shared_ptr<bool> alive = m_alive;
    for (auto& [entry, entryAlive] : entries) {
        if (!*alive) return;
        if (*entryAlive) entry->tick();
    }
}

void CRandomPlayable::addNotifier(CRandomPlayableNotifier* notifier) {
    if (notifier && !m_notifiers.contains(notifier)) m_notifiers.add(notifier);
}

void CRandomPlayable::removeNotifier(CRandomPlayableNotifier* notifier) { m_notifiers.remove(notifier); }

bool CRandomPlayable::notify(CRandomPlayableEntry* entry, bool started) {
    bool answer = false;
    std::unique_ptr<CXArray> notifiers(static_cast<CXArray*>(m_notifiers.clone()));
    std::shared_ptr<bool> alive = m_alive;
    for (int i = 0; i < notifiers->getSize() && *alive; ++i) {
        auto* n = static_cast<CRandomPlayableNotifier*>(notifiers->at(i));
        if (!m_notifiers.contains(n)) continue;
        answer = started ? n->onRandomPlayableStarted(entry->getPlayable(), entry->getSeqTime())
                         : n->onRandomPlayableFinished(entry->getPlayable(), entry->getSeqTime());
    }
    return answer;
}

} // namespace KavirelDLL
