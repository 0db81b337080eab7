#include "media/sequences/SequenceSupport.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "media/anim/AnimationManager.h"
#include "media/anim/Animo6.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sequences/SpeakingAnimation.h"
#include "media/sound/Sound4.h"
#include "script/Application.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

CAnimo* CBorrowedAnimation::get() {
    // The object owns its animation: once the object is gone, so is the animation.
    if (m_fromScript && !m_animo.current()) m_animation = nullptr;
    return m_animation;
}

void CBorrowedAnimation::borrow(CMC_Object* animo, CPlayable* borrower) {
    CAnimationLender* lender = SequenceSupport::animationLender(animo);
    if (!lender) return;
    m_animo.set(animo);
    m_fromScript = true;
    m_animation = lender->getAnimo();
    lender->addSeq(borrower);
}

void CBorrowedAnimation::hold(CResourcesManager* cache) {
    m_held = m_animation != nullptr && !m_fromScript;
    m_cache = cache;
}

void CBorrowedAnimation::letGo(CPlayable* borrower, CPlayableObserver* observer) {
    CAnimo* animation = get();
    if (animation) animation->removeNotifier(observer);
    if (m_fromScript) {
        if (CAnimationLender* lender = SequenceSupport::animationLender(m_animo.current()))
            lender->removeSeq(borrower);
        m_animo.clear();
        m_fromScript = false;
    } else if (m_held && animation) {
        SequenceSupport::giveBack(animation, m_cache);
    }
    m_animation = nullptr;
    m_held = false;
    m_cache = nullptr;
}

namespace SequenceSupport {

CMC_Object* sceneObject(CWindow* window, const CXString& name) {
    CShellServices* shell = window ? window->getShellServices() : nullptr;
    CMC_Application* root = shell ? shell->getMCApplicationIfc() : nullptr;
    CMC_Scene* episode = root ? root->getCurrentScene() : nullptr;
    CMC_Scene* scene = episode ? episode->getCurrentScene() : nullptr;
    return scene && name.IsString() ? scene->getObject(name) : nullptr;
}

CAnimationLender* animationLender(CMC_Object* object) {
    return object && object->getType() == TYPE_ANIMO ? dynamic_cast<CAnimationLender*>(object) : nullptr;
}

CSoundLender* soundLender(CMC_Object* object) {
    return object && object->getType() == TYPE_SOUND ? dynamic_cast<CSoundLender*>(object) : nullptr;
}

CAnimationManager* animationManager(CWindow* window) {
    CShellServices* shell = window ? window->getShellServices() : nullptr;
    return shell ? shell->getAnimoManagerIfc() : nullptr;
}

namespace {

// What a tree's claim on a cache's sound replaced.
struct Claim {
    CPlayableObserver* observer;
    CXString name;
};

// Trees run on the main thread only.
std::unordered_map<CPlayable*, Claim>& claims() {
    static std::unordered_map<CPlayable*, Claim> all;
    return all;
}

std::unordered_set<CPlayable*>& owned() {
    static std::unordered_set<CPlayable*> all;
    return all;
}

bool isMedia(CPlayable* playable) { return playable->getType() == 1 || playable->getType() == 2; }

} // namespace

void release(CPlayable* playable, CResourcesManager* cache, bool counted) {
    if (!playable) return;
    if (counted) {
        playable->subParent();
        if (playable->getParentsNo() > 0) return;
    }
    if (!isMedia(playable))
        delete playable;
    else if (isOwned(playable) || isClaimed(playable))
        giveBack(playable, cache);
}

void giveBack(CPlayable* media, CResourcesManager* cache) {
    if (!media) return;
    if (owned().erase(media)) {
        delete media;
        return;
    }
    auto claim = claims().find(media);
    if (claim != claims().end()) {
        media->setGenericNotifier(claim->second.observer);
        media->setName(claim->second.name);
        claims().erase(claim);
    }
    if (cache) cache->remove(media);
}

bool isOwned(CPlayable* media) { return owned().count(media) > 0; }

void disown(CPlayable* media) { owned().erase(media); }

bool claim(CPlayable* media, CPlayableObserver* observer, const CXString& name) {
    if (!media || isClaimed(media) || media->getGenericNotifier()) return false;
    claims().emplace(media, Claim{media->getGenericNotifier(), media->getName()});
    media->setGenericNotifier(observer);
    media->setName(name);
    return true;
}

bool isClaimed(CPlayable* media) { return claims().count(media) > 0; }

CSound4* ownSound(CWindow* window, const CXString& path) {
    auto* sound = new CSound4(window, path, true, false);
    owned().insert(sound);
    return sound;
}

namespace {

// One use of the cache's resource of that name, when it is of the kind asked for.
template <class T>
T* fromCache(CResourcesManager* cache, const CXString& name) {
    CFileResolver* found = cache ? cache->get(name) : nullptr;
    if (!found) return nullptr;
    if (T* kind = dynamic_cast<T*>(found)) return kind;
    cache->remove(found);
    return nullptr;
}

} // namespace

CAnimo* takeAnimation(CWindow* window, CResourcesManager* cache, const CXString& file, bool& made) {
    made = false;
    if (!file.IsString()) return nullptr;
    if (auto* cached = fromCache<CAnimo>(cache, file)) return cached;
    auto* animation = new CAnimo6(window, file);
    // Named even when the file did not load, so the cache finds it again.
    animation->setFilename(file);
    if (cache)
        cache->add(static_cast<CPlayable*>(animation));
    else
        owned().insert(animation);
    made = true;
    return animation;
}

CSound4* takeSound(CWindow* window, CResourcesManager* cache, const CXString& path) {
    if (!path.IsString()) return nullptr;
    if (!cache) return ownSound(window, path);
    if (auto* cached = fromCache<CSound4>(cache, path)) return cached;
    auto* sound = new CSound4(window, path, true, false);
    cache->add(sound);
    return sound;
}

void putOnScreen(CWindow* window, CAnimo* animation) {
    if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
        screen->put(animation, 1000);
}

namespace {

// Walks what outer holds; stops early when visit answers true.
template <class Visit>
bool walk(CPlayable* outer, std::unordered_set<CPlayable*>& seen, Visit visit) {
    std::vector<CPlayable*> pending{outer};
    while (!pending.empty()) {
        CPlayable* p = pending.back();
        pending.pop_back();
        if (!p || !seen.insert(p).second) continue;
        if (visit(p)) return true;
        if (auto* sequence = dynamic_cast<CSequencedPlayable*>(p))
            for (int i = 0; i < sequence->getChildrenCount(); ++i) pending.push_back(sequence->getChild(i));
        if (auto* speaking = dynamic_cast<CSpeakingAnimation*>(p)) pending.push_back(speaking->getVoice());
    }
    return false;
}

} // namespace

bool holds(CPlayable* outer, CPlayable* inner) {
    std::unordered_set<CPlayable*> seen;
    return walk(outer, seen, [inner](CPlayable* p) { return p == inner; });
}

std::unordered_set<CPlayable*> heldBy(CPlayable* outer) {
    std::unordered_set<CPlayable*> seen;
    walk(outer, seen, [](CPlayable*) { return false; });
    return seen;
}

} // namespace SequenceSupport
} // namespace KavirelDLL
