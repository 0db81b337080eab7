#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/XObject.h"

namespace KavirelDLL {

class CPlayable;
class CRefreshScreen;
class CMC_Groupped;

// What a script object that shows an animation answers: the playable it drives.
class CPlayableHolder {
public:
    virtual CPlayable* getPlayable() = 0;

protected:
    ~CPlayableHolder() = default;
};

// Paces every registered playable by its own frame rate: the window's frame calls domodal once a frame,
// and a playing playable whose time has come steps once.
class CAnimationManager : public CXObject {
public:
    CAnimationManager();
    ~CAnimationManager() override;
    CAnimationManager(const CAnimationManager&) = delete;
    CAnimationManager& operator=(const CAnimationManager&) = delete;

    // Pauses every playing playable.
    virtual void pause();
    // Resumes every paused playable; with a group only those an animation among its members drives.
    virtual void resume(CMC_Groupped* group = nullptr);

    void add(CPlayable* playable, CRefreshScreen* screen);
    // The first entry of the playable; nothing when it has none.
    void remove(CPlayable* playable);
    int domodal();
    bool contains(CMC_Groupped* group, CPlayable* playable);
    bool isRegistered(CPlayable* playable) const;
    int getSize() const { return static_cast<int>(m_entries.size()); }

private:
    struct Entry {
        CPlayable* playable;
        CRefreshScreen* screen;
        bool due;
        uint32_t lastStep;
    };
    std::vector<Entry*> snapshot() const;
    bool isLive(const Entry* entry) const;

    std::vector<std::unique_ptr<Entry>> m_entries;
};

} // namespace KavirelDLL
