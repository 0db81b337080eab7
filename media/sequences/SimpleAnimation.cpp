#include "media/sequences/SimpleAnimation.h"

#include "media/anim/Animo6.h"
#include "media/sequences/SequenceSupport.h"

namespace KavirelDLL {

CSimpleAnimation::CSimpleAnimation(CWindow* window, CAnimo* animation) : CPlayable(window) {
    m_type = 6;
    m_animation.set(animation);
}

CSimpleAnimation::CSimpleAnimation(CWindow* window, CMC_Object* animo) : CPlayable(window) {
    m_type = 6;
    m_animation.borrow(animo, this);
}

CSimpleAnimation::~CSimpleAnimation() { m_animation.letGo(this, this); }

CAnimo* CSimpleAnimation::getAnimation() { return m_animation.get(); }

void CSimpleAnimation::setAnimation(CAnimo* animation) {
    if (animation == getAnimation()) return;
    m_animation.letGo(this, this);
    m_animation.set(animation);
}

void CSimpleAnimation::holdAnimation(CResourcesManager* cache) { m_animation.hold(cache); }

void CSimpleAnimation::substAnimation(CAnimo* animation) {
    if (CAnimo* old = getAnimation()) old->removeNotifier(this);
    m_animation.set(animation);
}

void CSimpleAnimation::play() {
    std::shared_ptr<bool> alive = aliveToken();
    notify(NOTIFY_STARTED);
    if (!*alive) return;
    CAnimo* animation = getAnimation();
    if (animation) {
        m_lastPlayedEvent = animation->GetEventName(m_eventIndex);
        animation->addNotifier(this);
        m_awaitingEnd = true;
        animation->Play(m_eventIndex, 0);
        if (!*alive || !m_awaitingEnd || animation->IsPlaying()) return;
        animation->removeNotifier(this);
    }
    // No animation, or an event it cannot play: the play is over at once, so a sequence goes on.
    m_awaitingEnd = false;
    notify(NOTIFY_FINISHED);
}

void CSimpleAnimation::stop(bool notifyFinished) {
    m_status &= ~STATUS_PLAYING;
    CAnimo* animation = getAnimation();
    if (!animation) return;
    std::shared_ptr<bool> alive = aliveToken();
    animation->stop(notifyFinished);
    if (*alive) animation->removeNotifier(this);
}

void CSimpleAnimation::pause() {
    if (CAnimo* animation = getAnimation()) animation->pause();
}

void CSimpleAnimation::resume() {
    if (CAnimo* animation = getAnimation()) animation->resume();
}

bool CSimpleAnimation::isPlaying() {
    CAnimo* animation = getAnimation();
    return animation && animation->isPlaying();
}

bool CSimpleAnimation::isVisible() {
    CAnimo* animation = getAnimation();
    return animation ? animation->isVisible() : m_visible;
}

void CSimpleAnimation::setVisibility(bool visible) {
    m_visible = visible;
    if (CAnimo* animation = getAnimation()) animation->setVisibility(visible);
}

bool CSimpleAnimation::onPlayableFinished(CPlayable* playable) {
    CAnimo* animation = getAnimation();
    if (!animation || playable != static_cast<CPlayable*>(animation)) return false;
    animation->removeNotifier(this);
    m_awaitingEnd = false;
    notify(NOTIFY_FINISHED);
    return false;
}

} // namespace KavirelDLL
