#include "media/sequences/SpeakingAnimation.h"

#include <cstdlib>

#include "media/anim/Animo6.h"
#include "media/sequences/SequenceSupport.h"
#include "media/sound/Sound4.h"

namespace KavirelDLL {

CSpeakingAnimation::CSpeakingAnimation(CWindow* window, CResourcesManager* resources)
    : CPlayable(window), m_resources(resources) {
    m_type = 5;
}

CSpeakingAnimation::~CSpeakingAnimation() {
    m_animation.letGo(this, this);
    letGoVoice();
}

CAnimo* CSpeakingAnimation::getAnimation() { return m_animation.get(); }

CPlayable* CSpeakingAnimation::getVoice() {
    if (m_soundFromScene && !m_scriptSound.current()) m_voice = nullptr;
    return m_voice;
}

void CSpeakingAnimation::letGoVoice() {
    CPlayable* voice = getVoice();
    if (voice) voice->removeNotifier(this);
    // Another element is let go as a parent lets go of a child; a voice of its own goes back to the cache.
    if (!m_soundFromScene && voice && m_voiceCounted)
        SequenceSupport::release(voice, m_resources, true);
    else if (!m_soundFromScene && voice)
        SequenceSupport::giveBack(voice, m_resources);
    m_voiceCounted = false;
    m_scriptSound.clear();
    m_soundFromScene = false;
    m_voice = nullptr;
}

void CSpeakingAnimation::setAnimation(CXString name) {
    m_animation.letGo(this, this);
    CMC_Object* object = SequenceSupport::sceneObject(m_window, name);
    CAnimationLender* lender = SequenceSupport::animationLender(object);
    if (lender && lender->getAnimo()) {
        m_animation.borrow(object, this);
        return;
    }
    bool made = false;
    m_animation.set(SequenceSupport::takeAnimation(m_window, m_resources, name, made));
    m_animation.hold(m_resources);
    // A one-pixel stand-in shows nothing and stays off the screen.
    if (getAnimation() && !name.equalsIgnoreCase("PIXEL.ANN"))
        SequenceSupport::putOnScreen(m_window, getAnimation());
}

void CSpeakingAnimation::substAnimation(CAnimo* animation) {
    if (CAnimo* old = getAnimation()) old->removeNotifier(this);
    m_animation.set(animation);
}

void CSpeakingAnimation::apply(CXString name) {
    letGoVoice();
    CMC_Object* object = SequenceSupport::sceneObject(m_window, name);
    CSoundLender* lender = SequenceSupport::soundLender(object);
    CSound4* sound = lender ? lender->getSound() : nullptr;
    if (sound) {
        m_voice = sound;
        m_scriptSound.set(object);
        m_soundFromScene = true;
    } else {
        m_voice = SequenceSupport::takeSound(m_window, m_resources, name);
    }
    setFilename(name);
}

void CSpeakingAnimation::apply(CPlayable* voice) {
    letGoVoice();
    // A voice holding this playable would hold it for ever.
    if (!voice || SequenceSupport::holds(voice, this)) return;
    m_voice = voice;
    voice->addParent();
    m_voiceCounted = true;
}

CXString CSpeakingAnimation::prefixed(const char* what) const {
    if (!m_prefix.IsString()) return CXString(what);
    return m_prefix + "_" + what;
}

bool CSpeakingAnimation::playEvent(const char* what) {
    CAnimo* animation = getAnimation();
    const int index = animation ? animation->resolveEventName(prefixed(what)) : -1;
    if (index < 0) return false;
    animation->Play(index, 0);
    return animation->IsPlaying() && animation->GetCurrentEvent() == index;
}

void CSpeakingAnimation::play() {
    std::shared_ptr<bool> alive = aliveToken();
    m_finishReported = false;
    notify(NOTIFY_STARTED);
    if (!*alive) return;
    m_speechStarted = false;
    m_finishing = false;
    CPlayable* voice = getVoice();
    if (voice) voice->addNotifier(this);
    CAnimo* animation = getAnimation();
    if (!animation) {
        // Nothing to show: the play is over at once, so a sequence goes on.
        if (voice) voice->removeNotifier(this);
        reportFinished();
        return;
    }
    m_status |= STATUS_PLAYING;
    animation->addNotifier(this);
    if (voice) {
        if (auto* sound = dynamic_cast<CSound4*>(voice)) sound->load();
        voice->setVolume(m_volume);
        voice->setPanning(m_panning);
        if (m_frequency > 0) voice->setFrequency(m_frequency);
    }
    if (!m_starting || !playEvent("START")) startSpeech();
}

void CSpeakingAnimation::startSpeech() {
    m_speechStarted = true;
    std::shared_ptr<bool> alive = aliveToken();
    if (CPlayable* voice = getVoice()) {
        voice->setNotifier(this);
        voice->play();
    }
    if (*alive) playOnOf();
}

void CSpeakingAnimation::playOnOf() {
    CPlayable* voice = getVoice();
    if (!voice || !voice->isPlaying()) {
        finish();
        return;
    }
    CAnimo* animation = getAnimation();
    const int count = animation ? animation->GetNOE() : 0;
    // No event, no draw.
    if (count == 0) return;
    const CXString head = m_prefix + "_";
    int index = 0;
    for (int draw = 0; draw < 10000; ++draw) {
        index = std::rand() % count;
        CXString name = animation->GetEventName(index);
        if (!m_prefix.IsString()) {
            if (name.GetAt(0) >= '0' && name.GetAt(0) <= '9') break;
            continue;
        }
        if (name.GetLength() <= head.GetLength() || !name.Left(head.GetLength()).equalsIgnoreCase(head))
            continue;
        CXString rest = name.Right(head.GetLength());
        if (!rest.equalsIgnoreCase("START") && !rest.equalsIgnoreCase("END") &&
            !rest.equalsIgnoreCase("STOP"))
            break;
    }
    animation->Play(index, 0);
}

void CSpeakingAnimation::finish() {
    // The voice's end and the last talking event's end may both lead here.
    if (m_finishing) return;
    m_finishing = true;
    CAnimo* animation = getAnimation();
    if (animation && animation->IsPlaying() && animation->isVisible()) {
        animation->StopNoNotify();
        // The end or stop event's own end reports finished.
        if (m_ending && (playEvent("END") || playEvent("STOP"))) return;
    }
    reportFinished();
}

void CSpeakingAnimation::reportFinished() {
    m_status &= ~STATUS_PLAYING;
    if (m_finishReported) return;
    m_finishReported = true;
    notify(NOTIFY_FINISHED);
}

bool CSpeakingAnimation::onPlayableFinished(CPlayable* playable) {
    CAnimo* animation = getAnimation();
    CPlayable* voice = getVoice();
    if (animation && playable == static_cast<CPlayable*>(animation)) {
        if (!m_speechStarted) {
            // The start event is over: the voice begins.
            startSpeech();
        } else if (m_finishing) {
            animation->removeNotifier(this);
            if (voice) voice->removeNotifier(this);
            reportFinished();
        } else {
            playOnOf();
        }
    } else if (voice && playable == voice) {
        finish();
    }
    return false;
}

void CSpeakingAnimation::stop(bool notifyFinished) {
    m_status &= ~STATUS_PLAYING;
    m_finishing = true;
    CPlayable* voice = getVoice();
    CAnimo* animation = getAnimation();
    // Not told of what this stop causes: the one report below is all.
    if (voice) voice->removeNotifier(this);
    if (animation) animation->removeNotifier(this);
    std::shared_ptr<bool> alive = aliveToken();
    if (voice) {
        voice->stop(notifyFinished);
        if (auto* sound = dynamic_cast<CSound4*>(voice)) sound->Flush();
    }
    if (animation && *alive) animation->stop(notifyFinished);
    if (!*alive) return;
    if (notifyFinished)
        reportFinished();
    else
        m_finishReported = true;
}

void CSpeakingAnimation::pause() {
    if (CPlayable* voice = getVoice()) voice->pause();
    if (CAnimo* animation = getAnimation()) animation->pause();
}

void CSpeakingAnimation::resume() {
    if (CPlayable* voice = getVoice()) voice->resume();
    if (CAnimo* animation = getAnimation()) animation->resume();
}

bool CSpeakingAnimation::isPlaying() {
    CPlayable* voice = getVoice();
    CAnimo* animation = getAnimation();
    return (voice && voice->isPlaying()) || (animation && animation->isPlaying());
}

void CSpeakingAnimation::move(int dx, int dy) {
    if (CAnimo* animation = getAnimation()) animation->Move(dx, dy);
}

void CSpeakingAnimation::setPosition(int x, int y) {
    CAnimo* animation = getAnimation();
    if (!animation) return;
    animation->Invalidate();
    animation->SetPosition(x, y);
    animation->Invalidate();
}

void CSpeakingAnimation::setVisibility(bool visible) {
    m_visible = visible;
    if (CAnimo* animation = getAnimation()) animation->setVisibility(visible);
}

void CSpeakingAnimation::alwaysOnTop() {
    if (CAnimo* animation = getAnimation()) animation->alwaysOnTop();
}

bool CSpeakingAnimation::isVisible() {
    CAnimo* animation = getAnimation();
    return animation ? animation->isVisible() : m_visible;
}

} // namespace KavirelDLL
