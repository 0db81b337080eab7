#include "media/sequences/SequencedPlayable.h"

#include <cstdlib>
#include <memory>

#include "display/Window.h"
#include "media/anim/AnimationManager.h"
#include "media/anim/Animo.h"
#include "media/sequences/SequenceSupport.h"
#include "media/sequences/SimpleAnimation.h"
#include "media/sequences/SpeakingAnimation.h"

namespace KavirelDLL {

CSequencedPlayable::CSequencedPlayable(CWindow* window) : CPlayable(window) {
    m_type = 7;
    if (CAnimationManager* manager = SequenceSupport::animationManager(window))
        manager->add(this, window->GetRefreshScreenInterface());
}

CSequencedPlayable::CSequencedPlayable(CWindow* window, CMElement*) : CSequencedPlayable(window) {}

CSequencedPlayable::~CSequencedPlayable() {
    for (int i = 0; i < m_children.getSize(); ++i) {
        child(i)->removeNotifier(this);
        if (child(i)->getParent() == this) child(i)->setParent(nullptr);
    }
    // Copied: a child let go may be the last hold on playables further down.
    std::unique_ptr<CXArray> children(static_cast<CXArray*>(m_children.clone()));
    m_children.removeAll();
    for (int i = 0; i < children->getSize(); ++i)
        SequenceSupport::release(static_cast<CPlayable*>(children->at(i)), m_resources, true);
    if (CAnimationManager* manager = SequenceSupport::animationManager(m_window)) manager->remove(this);
}

CPlayable* CSequencedPlayable::child(int index) const {
    return index >= 0 && index < m_children.getSize() ? static_cast<CPlayable*>(m_children.at(index))
                                                      : nullptr;
}

int CSequencedPlayable::selectIndex(unsigned char c) {
    if (c < ':') return c - '1';
    if (c < '[') return c - 56;
    return c - 62;
}

void CSequencedPlayable::addChild(CPlayable* playable) {
    // A tree that held itself would never end its walks or its destruction.
    if (!playable || SequenceSupport::holds(playable, this)) return;
    m_children.add(playable);
    playable->addParent();
    playable->setParent(this);
}

void CSequencedPlayable::startChild(int index) {
    CPlayable* c = child(index);
    if (!c) return;
    c->setNotifier(this);
    c->setParameter(m_parameter);
    // The child's start may delete this tree (a script handler deleting its SEQUENCE), children and all.
    std::shared_ptr<bool> alive = aliveToken();
    c->play();
    if (*alive) accure(c);
}

void CSequencedPlayable::accure(CPlayable* playable) {
    if (!playable) return;
    playable->setVolume(m_volume);
    playable->setPanning(m_panning);
    if (m_frequency > 0) playable->setFrequency(m_frequency);
}

void CSequencedPlayable::reportFinished() {
    if (m_finishReported) return;
    m_finishReported = true;
    notify(NOTIFY_FINISHED);
}

void CSequencedPlayable::play() {
    m_resumed = false;
    m_finishReported = false;
    // Nothing plays until a child starts.
    m_status = 0;
    std::shared_ptr<bool> alive = aliveToken();
    notify(NOTIFY_STARTED);
    if (!*alive) return;
    const int count = m_children.getSize();
    switch (m_mode) {
    case MODE_SEQUENCE:
        m_current = 0;
        if (count == 0) return;
        m_status = STATUS_PLAYING;
        // Counted before each start: a child that ends as it starts moves the sequence on from there.
        m_started = 0;
        startChild(0);
        while (*alive && isPlaying() && child(m_current) && !child(m_current)->getWaitMode() &&
               m_current < count - 1) {
            ++m_current;
            m_started = m_current;
            startChild(m_current);
        }
        break;
    case MODE_RANDOM:
        if (count == 0) return;
        m_current = std::rand() % count;
        m_status = STATUS_PLAYING;
        ++m_started;
        startChild(m_current);
        break;
    case MODE_PARAMETER: {
        const int index = m_parameter.IsString() ? selectIndex(m_parameter.GetAt(0)) : -1;
        if (!child(index)) return;
        m_parameter = getParameter();
        m_current = index;
        m_status = STATUS_PLAYING;
        startChild(index);
        break;
    }
    default:
        break;
    }
}

int CSequencedPlayable::next() {
    if (isPaused() || !isPlaying() || !currentChild() || currentChild()->isPlaying()) return m_started;
    std::shared_ptr<bool> alive = aliveToken();
    if (m_mode == MODE_SEQUENCE && m_started < m_children.getSize() - 1) {
        m_parameter = currentChild()->getParam();
        ++m_current;
        ++m_started;
        startChild(m_current);
        return *alive ? m_started : -1;
    }
    if (m_mode == MODE_SEQUENCE) {
        stop(true);
    } else if (m_mode == MODE_RANDOM) {
        // The child ended without a word: the play is over all the same.
        halt(false);
        if (*alive) reportFinished();
    }
    return *alive ? m_started : -1;
}

bool CSequencedPlayable::halt(bool notifyChild) {
    CPlayable* c = currentChild();
    if (!c || !isPlaying()) return false;
    m_status = 0;
    c->stop(notifyChild);
    return true;
}

void CSequencedPlayable::stop(bool notifyFinished) {
    std::shared_ptr<bool> alive = aliveToken();
    if (!halt(notifyFinished) || !*alive) return;
    // Whichever way the child tells of its end (at once, a frame later, or not at all), the sequence
    // reports it once; a quiet stop ends the play without a report.
    if (notifyFinished)
        reportFinished();
    else
        m_finishReported = true;
}

void CSequencedPlayable::pause() {
    CPlayable* c = currentChild();
    if (!c || !isPlaying() || isPaused()) return;
    m_resumed = false;
    c->pause();
    m_status |= STATUS_PAUSED;
}

void CSequencedPlayable::resume() {
    CPlayable* c = currentChild();
    if (!c || !isPaused()) return;
    m_resumed = true;
    m_status &= ~STATUS_PAUSED;
    c->resume();
}

void CSequencedPlayable::seek(int target) {
    CPlayable* c = currentChild();
    if (!c) return;
    std::shared_ptr<bool> alive = aliveToken();
    m_seeking = true;
    c->stop(true);
    if (!*alive) return;
    m_seeking = false;
    int index = target;
    if (target == -4)
        index = m_current + 1;
    else if (target == -3)
        index = m_current - 1;
    else if (target == -2)
        index = m_children.getSize() - 1;
    else if (target == -1)
        index = 0;
    if (!child(index)) {
        // Past either end: the play is over.
        m_status = 0;
        reportFinished();
        return;
    }
    // A sequence sought after its play ended plays again, and tells of its new end.
    if (!isPlaying()) m_finishReported = false;
    m_current = index;
    m_started = index;
    m_status = STATUS_PLAYING;
    startChild(index);
}

bool CSequencedPlayable::onPlayableFinished(CPlayable* playable) {
    if (m_seeking || isPaused() || !m_children.contains(playable)) return false;
    std::shared_ptr<bool> alive = aliveToken();
    if (isPlaying()) {
        if (m_mode == MODE_SEQUENCE)
            next();
        else
            halt(false);
    }
    if (*alive && !(m_mode == MODE_SEQUENCE && isPlaying())) reportFinished();
    return false;
}

CXString CSequencedPlayable::getParameter() {
    if (m_parameter.GetLength() <= 1) return CXString("");
    if (m_mode == MODE_PARAMETER) return m_parameter.Right(1);
    return m_parameter;
}

CPlayable* CSequencedPlayable::getPlaying() {
    CPlayable* c = currentChild();
    return isPlaying() && c ? c->getPlaying() : nullptr;
}

CXString CSequencedPlayable::getLastPlayedEvent(CXString name) {
    CPlayable* c = currentChild();
    if (!isPlaying() || !c) return CXString("");
    if (name.IsString() && name != m_name) {
        for (int i = 0; i < m_children.getSize(); ++i)
            if (auto* nested = dynamic_cast<CSequencedPlayable*>(child(i))) {
                CXString answer = nested->getLastPlayedEvent(name);
                if (answer.IsString()) return answer;
            }
        return CXString("");
    }
    if (auto* nested = dynamic_cast<CSequencedPlayable*>(c)) return nested->getLastPlayedEvent(CXString(""));
    return c->getLastPlayedEvent();
}

CPlayable* CSequencedPlayable::get(CXString key) {
    CXString text = m_events->getEvent(key);
    CPlayable* found = this;
    while (text.IsString()) {
        auto* sequence = dynamic_cast<CSequencedPlayable*>(found);
        if (!sequence) break;
        CPlayable* selected;
        if (sequence->m_mode == MODE_PARAMETER) {
            selected = sequence->child(selectIndex(text.GetAt(0)));
            text = text.Right(1);
        } else {
            selected = sequence->child(0);
        }
        if (!selected) break;
        found = selected;
    }
    return found;
}

void CSequencedPlayable::collect(CXArray* into, int type) {
    for (int i = 0; i < m_children.getSize(); ++i) {
        CPlayable* c = child(i);
        if (auto* nested = dynamic_cast<CSequencedPlayable*>(c)) {
            nested->collect(into, type);
            continue;
        }
        CPlayable* found = c;
        if (type == 2) {
            if (auto* simple = dynamic_cast<CSimpleAnimation*>(c))
                found = simple->getAnimation();
            else if (auto* speaking = dynamic_cast<CSpeakingAnimation*>(c))
                found = speaking->getAnimation();
            else if (!dynamic_cast<CAnimo*>(c))
                found = nullptr;
        } else if (c->getType() != type) {
            found = nullptr;
        }
        if (found && !into->contains(found)) into->add(found);
    }
}

CXArray* CSequencedPlayable::getAllAnimations() {
    auto* all = new CXArray(101, 0.75f);
    collect(all, 2);
    return all;
}

CXArray* CSequencedPlayable::getAllOfType(int type) {
    auto* all = new CXArray(101, 0.75f);
    if (type != 7) collect(all, type);
    return all;
}

CAnimo* CSequencedPlayable::firstAnimation(bool playingOnly) {
    std::unique_ptr<CXArray> all(getAllAnimations());
    for (int i = 0; i < all->getSize(); ++i) {
        auto* animation = static_cast<CAnimo*>(static_cast<CPlayable*>(all->at(i)));
        if (!playingOnly || animation->IsPlaying()) return animation;
    }
    return nullptr;
}

CXRect CSequencedPlayable::getBoundingBox(int first) {
    CAnimo* animation = firstAnimation(first != 1);
    return animation ? animation->GetBoundingBox() : CXRect();
}

CXPoint CSequencedPlayable::getPosition(int first) {
    CAnimo* animation = firstAnimation(first != 1);
    return animation ? animation->GetPosition() : CXPoint(0, 0);
}

void CSequencedPlayable::setPosition(int x, int y) {
    for (int i = 0; i < m_children.getSize(); ++i) child(i)->setPosition(x, y);
}

void CSequencedPlayable::alwaysOnTop() {
    for (int i = 0; i < m_children.getSize(); ++i) child(i)->alwaysOnTop();
}

void CSequencedPlayable::setVisibility(bool visible) {
    for (int i = 0; i < m_children.getSize(); ++i)
        if (child(i)->isVisible() != visible) child(i)->setVisibility(visible);
    m_visible = visible;
}

void CSequencedPlayable::move(int dx, int dy) {
    std::unique_ptr<CXArray> all(getAllAnimations());
    for (int i = 0; i < all->getSize(); ++i)
        static_cast<CAnimo*>(static_cast<CPlayable*>(all->at(i)))->Move(dx, dy);
}

} // namespace KavirelDLL
