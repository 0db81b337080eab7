#include "media/anim/Animo6.h"

#include <algorithm>
#include <set>

#include "core/Elements.h"

namespace KavirelDLL {

CAnimo6::CAnimo6(CWindow* window) : CAnimo(window) {}

CAnimo6::CAnimo6(CWindow* window, CXString fileName) : CAnimo(window, fileName) {}

CAnimo6::CAnimo6(CAnimo6& other) : CAnimo(other) {}

CAnimo6::CAnimo6(CWindow* window, CMElement* element) : CAnimo(window) {
    if (!element) return;
    toRelease(element->getPropertyBoolValue("RELEASEAFTERUSE"));
    CMProperty* preload = element->getProperty("PRELOAD");
    const bool loadNow = !preload || preload->getBoolValue();
    const CXString file = element->getPropertyValue("FILENAME");
    setFilename(file);
    if (file.GetLength() > 0 && loadNow) Load(file);
    if (!element->getPropertyBoolValue("VISIBLE")) {
        if (releaseAfterUse()) flush();
        CAnimo::hide();
    }
}

CXObject* CAnimo6::clone() { return new CAnimo6(*this); }

void CAnimo6::pack(bool freeWorking) {
    for (auto& frame : m_images) frame->pack(freeWorking);
    updateWithCurrentFrame();
}

void CAnimo6::unpack() {
    for (auto& frame : m_images) frame->unpack();
    updateWithCurrentFrame();
}

void CAnimo6::FlipH() {
    for (auto& frame : m_images) frame->FlipH();
    updateWithCurrentFrame();
    CGraphicsObject::Invalidate();
}

void CAnimo6::FlipV() {
    for (auto& frame : m_images) frame->FlipV();
    updateWithCurrentFrame();
    CGraphicsObject::Invalidate();
}

void CAnimo6::resetFlips() {
    for (auto& frame : m_images) frame->resetFlips();
    updateWithCurrentFrame();
    CGraphicsObject::Invalidate();
}

void CAnimo6::redraw(CGraphicsObject* destination) { drawCurrent(destination, globalShift()); }

CXRect CAnimo6::getRect() { return CGraphicsObject::getRect() + globalShift(); }

CXPoint CAnimo6::ClientCoords(CXPoint p) {
    return CXPoint(p.x - globalShift().x - m_x, p.y - globalShift().y - m_y);
}

CXPoint CAnimo6::rotateRZ(float angle) {
    CFrame* frame = GetFrame(-1);
    if (!frame) return CXPoint(0, 0);
    CGraphicsObject::Invalidate();
    const CXPoint offset = frame->rotateRZ(angle);
    const CXPoint reference = getRotationReference();
    m_x = reference.x + offset.x;
    m_y = reference.y + offset.y;
    updateWithCurrentFrame();
    CXRect box = GetBoundingBox();
    box.Explode(10, 10);
    invalidateOnCanvas(box);
    return offset;
}

void CAnimo6::show() { CAnimo::show(); }

void CAnimo6::hide() {
    if (releaseAfterUse()) flush();
    CAnimo::hide();
}

template <typename Op>
void CAnimo6::forEachSound(Op op) {
    std::set<CPlayable*> seen;
    for (auto& event : m_sounds)
        for (auto& sound : event)
            if (sound && seen.insert(sound.get()).second) op(sound.get());
}

void CAnimo6::setVolume(int volume) {
    CPlayable::setVolume(volume);
    forEachSound([volume](CPlayable* s) { s->setVolume(volume); });
}

void CAnimo6::setPanning(int panning) {
    CPlayable::setPanning(panning);
    forEachSound([panning](CPlayable* s) { s->setPanning(panning); });
}

void CAnimo6::setFrequency(int frequency) {
    CPlayable::setFrequency(frequency);
    forEachSound([frequency](CPlayable* s) { s->setFrequency(frequency); });
}

bool CAnimo6::isPlaying(CXString event) { return IsPlaying() && getCurrentEventName() == event; }

bool CAnimo6::isAt(int x, int y, bool alpha) {
    CFrame* frame = GetFrame(-1);
    if (!frame) return false;
    const CXPoint at = GetPosition();
    const int px = x - at.x, py = y - at.y;
    if (px < 0 || py < 0 || px >= frame->Width() || py >= frame->Height()) return false;
    if (!alpha || !frame->GetChannelAlpha()) return true;
    return frame->GetPixel(CHANNEL_ALPHA, CXPoint(px, py)) != 0;
}

void CAnimo6::replace_color(CColor* from, CColor* to) {
    for (auto& frame : m_images) frame->replace_color(from, to);
    updateWithCurrentFrame();
}

int CAnimo6::GetMaxWidth() {
    int most = 0;
    for (auto& frame : m_images) most = std::max(most, frame->Width());
    return most;
}

int CAnimo6::GetMaxHeight() {
    int most = 0;
    for (auto& frame : m_images) most = std::max(most, frame->Height());
    return most;
}

} // namespace KavirelDLL
