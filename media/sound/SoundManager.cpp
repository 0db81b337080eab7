#include "media/sound/SoundManager.h"

#include "media/sound/Sound4.h"

namespace KavirelDLL {

CSoundManager::~CSoundManager() { Flush(); }

void CSoundManager::add(CSound4* sound, bool owned) {
    m_entries.push_back({sound, false, owned, false});
    ++m_count;
}

void CSoundManager::play(CSound4* sound) {
    for (CEntry& entry : m_entries)
        if (entry.sound == sound) {
            entry.watching = true;
            return;
        }
}

void CSoundManager::remove(CSound4* sound) {
    for (CEntry& entry : m_entries)
        if (entry.sound == sound) {
            --m_count;
            entry.sound = nullptr;
            entry.removed = true;
            return;
        }
}

void CSoundManager::domodal() {
    // Entries added meanwhile are appended and seen in the same pass; none is unlinked until the end.
    for (CEntry& entry : m_entries) {
        CSound4* sound = entry.sound;
        if (!sound || entry.removed || !entry.watching || sound->isPaused() || sound->IsPlaying()) continue;
        entry.watching = false;
        sound->OnWAVFinished();
    }
    m_entries.remove_if([](const CEntry& entry) { return entry.removed; });
}

void CSoundManager::pause() {
    for (CEntry& entry : m_entries)
        if (entry.sound && entry.sound->isPlaying()) entry.sound->pause();
}

void CSoundManager::resume() {
    for (CEntry& entry : m_entries)
        if (entry.sound && entry.sound->isPaused()) entry.sound->resume();
}

void CSoundManager::Flush() {
    domodal();
    std::list<CEntry> entries;
    entries.swap(m_entries);
    m_count = 0;
    for (CEntry& entry : entries) {
        if (!entry.sound) continue;
        entry.sound->detachManager();
        if (entry.owned) delete entry.sound;
    }
}

} // namespace KavirelDLL
