#include "media/anim/AnimationManager.h"

#include <algorithm>

#include "core/HiResTimer.h"
#include "display/Playable.h"
#include "script/Groupped.h"

namespace KavirelDLL {

CAnimationManager::CAnimationManager() = default;

CAnimationManager::~CAnimationManager() = default;

void CAnimationManager::add(CPlayable* playable, CRefreshScreen* screen) {
    if (!playable) return;
    m_entries.push_back(
        std::make_unique<Entry>(Entry{playable, screen, false, CHiResTimer::timer.GetTickCount()}));
}

void CAnimationManager::remove(CPlayable* playable) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [playable](const std::unique_ptr<Entry>& e) { return e->playable == playable; });
    if (it != m_entries.end()) m_entries.erase(it);
}

bool CAnimationManager::isRegistered(CPlayable* playable) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [playable](const std::unique_ptr<Entry>& e) { return e->playable == playable; });
}

std::vector<CAnimationManager::Entry*> CAnimationManager::snapshot() const {
    std::vector<Entry*> copy;
    copy.reserve(m_entries.size());
    for (const auto& e : m_entries) copy.push_back(e.get());
    return copy;
}

bool CAnimationManager::isLive(const Entry* entry) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [entry](const std::unique_ptr<Entry>& e) { return e.get() == entry; });
}

int CAnimationManager::domodal() {
    const uint32_t now = CHiResTimer::timer.GetTickCount();
    for (Entry* e : snapshot()) {
        if (!e->playable->isPlaying()) continue;
        // A rate below 1 would divide by zero; it counts as one step a second.
        const int fps = std::max(1, e->playable->getFPS());
        if (int64_t(now) - int64_t(e->lastStep) >= 1000 / fps) {
            e->lastStep = CHiResTimer::timer.GetTickCount();
            e->due = true;
        }
    }
    // A step may add or remove entries (a finished animation, a handler it starts): entries gone
    // meanwhile are skipped.
    for (Entry* e : snapshot()) {
        if (!isLive(e)) continue;
        if (e->due) {
            e->due = false;
            e->playable->next();
        }
    }
    return 0;
}

void CAnimationManager::pause() {
    for (Entry* e : snapshot())
        if (isLive(e) && e->playable->isPlaying()) e->playable->pause();
}

void CAnimationManager::resume(CMC_Groupped* group) {
    for (Entry* e : snapshot()) {
        if (!isLive(e) || !e->playable->isPaused()) continue;
        if (group && !contains(group, e->playable)) continue;
        e->playable->resume();
    }
}

bool CAnimationManager::contains(CMC_Groupped* group, CPlayable* playable) {
    if (!group || !playable) return false;
    CXVector* members = group->getList();
    if (!members) return false;
    for (int i = 0; i < members->getSize(); ++i) {
        auto* holder = dynamic_cast<CPlayableHolder*>(members->at(i));
        if (holder && holder->getPlayable() == playable) return true;
    }
    return false;
}

} // namespace KavirelDLL
