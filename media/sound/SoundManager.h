#pragma once
#include <list>

#include "core/XObject.h"

namespace KavirelDLL {

class CSound4;

// The application's list of static sounds: once per frame it turns a sound that stopped playing into its
// finished event, and it pauses and resumes them all together. Removal is deferred to the next frame step, so
// a sound may leave while the list is walked (from its own finished handler).
class CSoundManager : public CXObject {
public:
    CSoundManager() = default;
    ~CSoundManager() override;
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    virtual void pause();
    virtual void resume();

    void add(CSound4* sound, bool owned);
    // The sound's next end is reported.
    void play(CSound4* sound);
    void remove(CSound4* sound);
    void domodal();
    // One last step; then the owned sounds are deleted and every entry goes.
    void Flush();
    int getCount() const { return m_count; }

private:
    struct CEntry {
        CSound4* sound;
        bool watching;
        bool owned;
        bool removed;
    };
    std::list<CEntry> m_entries;
    int m_count = 0;
};

} // namespace KavirelDLL
