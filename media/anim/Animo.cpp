#include "media/anim/Animo.h"

#include <algorithm>
#include <cstring>

#include "core/File.h"
#include "core/Log.h"
#include "display/ImageFile.h"
#include "display/RefreshScreen.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "media/anim/AnimationManager.h"
#include "media/sound/SndStream.h"
#include "media/sound/Sound4.h"

namespace KavirelDLL {

void _animoEvent::setName(const char* text) {
    std::memset(name, 0, sizeof name);
    std::strncpy(name, text, sizeof name - 1);
}

// ---------------------------------------------------------------- construction

void CAnimo::construct() {
    m_type = 2;
    m_author = "Edo Vantrelski";
    m_description = "";
    registerWithManager();
}

namespace {
// Picture files of the animation format (CImageFile) load as animations.
bool readPictureAnimations() {
    CImageFile::setAnimationReader(
        [](CWindow* window, CXString name) -> CGraphicsObject* { return new CAnimo(window, name); });
    return true;
}
[[maybe_unused]] const bool g_picturesReadAnimations = readPictureAnimations();
} // namespace

CAnimo::CAnimo(CWindow* window) : CGraphicsObject(window), CPlayable(window) { construct(); }

CAnimo::CAnimo(CWindow* window, CXString fileName) : CGraphicsObject(window), CPlayable(window) {
    construct();
    Load(fileName);
}

CAnimo::CAnimo(CAnimo& other) : CGraphicsObject(other.CGraphicsObject::m_window), CPlayable(other) {
    m_type = 2;
    m_images = other.m_images;
    m_sounds = other.m_sounds;
    m_events = other.m_events;
    m_author = other.m_author;
    m_description = other.m_description;
    m_globalX = other.m_globalX;
    m_globalY = other.m_globalY;
    m_fps = other.m_fps;
    m_flags = other.m_flags;
    m_animoFlags = other.m_animoFlags;
    m_randomFrames = other.m_randomFrames;
    m_opacity = other.m_opacity;
    m_bpp = other.m_bpp;
    m_fileName = other.m_fileName;
    m_currentEvent = other.m_currentEvent;
    m_currentFrame = other.m_currentFrame;
    m_currentImage = other.m_currentImage;
    CGraphicsObject::m_visible = other.CGraphicsObject::m_visible;
    // The copy starts stopped, whatever its source is doing.
    setStatus(ANIMO_STOPPED);
    registerWithManager();
    if (validEvent(m_currentEvent) && m_currentFrame >= 0) SetEventFrame(m_currentEvent, m_currentFrame);
}

CAnimo::~CAnimo() {
    unregisterFromManager();
    if (m_currentSound && !(m_animoFlags & ANIMO_SOUND_OUTLIVES)) m_currentSound->stop(false);
    m_currentSound = nullptr;
    m_lastDrawn = nullptr;
}

void CAnimo::registerWithManager() {
    CWindow* window = CGraphicsObject::m_window;
    CShellServices* application = window ? window->getShellServices() : nullptr;
    if (CAnimationManager* manager = application ? application->getAnimoManagerIfc() : nullptr)
        manager->add(this, window->GetRefreshScreenInterface());
}

void CAnimo::unregisterFromManager() {
    // One outliving the shell finds no application and touches nothing.
    CWindow* window = CGraphicsObject::m_window;
    CShellServices* application = window ? window->getShellServices() : nullptr;
    if (CAnimationManager* manager = application ? application->getAnimoManagerIfc() : nullptr)
        manager->remove(this);
}

void CAnimo::Flush() {
    StopNoNotify();
    stopCurrentSound();
    m_stream.reset();
    m_images.clear();
    m_events.clear();
    m_sounds.clear();
    m_rleCache = {};
    m_lastDrawn = nullptr;
    m_currentImage = -1;
    m_currentFrame = -1;
    m_currentEvent = 0;
    m_globalX = m_globalY = 0;
    dropBlocks();
    m_width = m_height = m_pitch = 0;
    setStatus(ANIMO_STOPPED);
    release();
}

void CAnimo::setStatus(int status) {
    m_animoStatus = status;
    m_status = status == ANIMO_PLAYING ? STATUS_PLAYING : status == ANIMO_PAUSED ? STATUS_PAUSED : 0;
}

// ---------------------------------------------------------------- events and frames

CFrame* CAnimo::GetFrame(int index) {
    if (index == -1) index = m_currentImage;
    if (index < 0 || index >= GetNOF()) return nullptr;
    return m_images[static_cast<size_t>(index)].get();
}

int CAnimo::GetEventNo(int event) { return event == -1 ? m_currentEvent : event; }

int CAnimo::GetNOFInEvent(int event) {
    event = GetEventNo(event);
    return validEvent(event) ? m_events[static_cast<size_t>(event)].frames : 0;
}

int CAnimo::GetNOFInEvent(CXString name) { return GetNOFInEvent(resolveEventName(name)); }

int CAnimo::resolveEventName(CXString name) {
    name.Upper();
    for (int i = 0; i < GetNOE(); ++i) {
        CXString candidate(m_events[static_cast<size_t>(i)].name);
        if (candidate.Upper() == name) return i;
    }
    return -1;
}

int CAnimo::GetEventNo(CXString name) {
    for (int i = 0; i < GetNOE(); ++i)
        if (CXString(m_events[static_cast<size_t>(i)].name).equalsIgnoreCase(name)) return i;
    return -1;
}

CXString CAnimo::GetEventName(int event) {
    event = GetEventNo(event);
    return validEvent(event) ? CXString(m_events[static_cast<size_t>(event)].name) : CXString("");
}

int CAnimo::getFirstEvent() {
    for (int i = 0; i < GetNOE(); ++i)
        if (m_events[static_cast<size_t>(i)].frames > 0) return i;
    return 0;
}

int CAnimo::nextEventWithFrames(int after) {
    for (int i = after + 1; i < GetNOE(); ++i)
        if (m_events[static_cast<size_t>(i)].frames > 0) return i;
    return -1;
}

int CAnimo::GetFrameNo(int event, int code) {
    switch (code) {
    case -3:
        return GetNOFInEvent(event) - 1;
    case -2:
        return 0;
    case -1:
        return m_currentFrame;
    default:
        return code;
    }
}

int CAnimo::GetFrameNo(int event, CXString name) {
    event = GetEventNo(event);
    if (!validEvent(event)) return -1;
    const _animoEvent& e = m_events[static_cast<size_t>(event)];
    for (size_t i = 0; i < e.records.size(); ++i)
        if (e.records[i] && e.records[i]->nameField && e.records[i]->name == name) return static_cast<int>(i);
    return -1;
}

int CAnimo::getFrameNo(CXString eventName) {
    const int event = GetEventNo(eventName);
    return event < 0 ? 0 : event;
}

_animoEvent* CAnimo::GetEventInfo(int event) {
    event = GetEventNo(event);
    return validEvent(event) ? &m_events[static_cast<size_t>(event)] : nullptr;
}

_animoFrame* CAnimo::GetFrameInfo(int event, int frame) {
    _animoEvent* e = GetEventInfo(event);
    if (frame == -1) frame = m_currentFrame;
    if (!e || frame < 0 || frame >= static_cast<int>(e->records.size())) return nullptr;
    auto& record = e->records[static_cast<size_t>(frame)];
    return record ? &*record : nullptr;
}

CXString CAnimo::getFrameName(int event, int frame) {
    _animoFrame* record = GetFrameInfo(event, frame);
    return record && record->nameField ? record->name : CXString("");
}

CXString CAnimo::GetName(int event, int frame, CXString fallback) {
    CXString name = getFrameName(event, frame);
    if (name.GetLength() > 0) return name;
    if (fallback == "Default") {
        CXString text;
        text.Format("Frame %d", frame);
        return text;
    }
    return name;
}

CFrame* CAnimo::GetEventFrame(int event, int frame) {
    _animoEvent* e = GetEventInfo(event);
    if (frame == -1) frame = m_currentFrame;
    if (!e || frame < 0 || frame >= static_cast<int>(e->images.size())) return nullptr;
    return GetFrame(e->images[static_cast<size_t>(frame)]);
}

CFrame* CAnimo::getFrame(CXString name) {
    for (_animoEvent& e : m_events)
        for (size_t i = 0; i < e.records.size(); ++i)
            if (e.records[i] && e.records[i]->nameField && e.records[i]->name == name)
                return GetFrame(e.images[i]);
    return nullptr;
}

int CAnimo::GetLoop(int event, int& start, int& end) {
    _animoEvent* e = GetEventInfo(event);
    if (!e) return 0;
    start = e->loopStart;
    end = e->loopEnd;
    return e->loopCount;
}

CFrame* CAnimo::AddFrame(CGraphicsObject* graphics) {
    if (!graphics) return nullptr;
    auto frame = std::make_shared<CFrame>(CGraphicsObject::m_window);
    frame->Copy(graphics);
    const CXPoint at = graphics->GetPosition();
    frame->SetPosition(at.x, at.y);
    m_images.push_back(frame);
    return frame.get();
}

bool CAnimo::RemoveFrame(int image) {
    if (image < 0 || image >= GetNOF()) return false;
    for (const _animoEvent& e : m_events)
        if (std::find(e.images.begin(), e.images.end(), image) != e.images.end()) return false;
    if (m_lastDrawn == m_images[static_cast<size_t>(image)].get()) m_lastDrawn = nullptr;
    m_images.erase(m_images.begin() + image);
    for (_animoEvent& e : m_events)
        for (uint16_t& i : e.images)
            if (i > image) --i;
    if (m_currentImage == image)
        m_currentImage = -1;
    else if (m_currentImage > image)
        --m_currentImage;
    return true;
}

void CAnimo::ExchangeFrames(int event, int a, int b) {
    _animoEvent* e = GetEventInfo(event);
    if (!e || a < 0 || b < 0 || a >= e->frames || b >= e->frames) return;
    std::swap(e->images[static_cast<size_t>(a)], e->images[static_cast<size_t>(b)]);
    std::swap(e->records[static_cast<size_t>(a)], e->records[static_cast<size_t>(b)]);
    auto& sounds = m_sounds[static_cast<size_t>(GetEventNo(event))];
    if (static_cast<int>(sounds.size()) > std::max(a, b))
        std::swap(sounds[static_cast<size_t>(a)], sounds[static_cast<size_t>(b)]);
}

void CAnimo::RemoveFrame(int event, int frame) {
    _animoEvent* e = GetEventInfo(event);
    if (!e || frame < 0 || frame >= e->frames) return;
    e->images.erase(e->images.begin() + frame);
    e->records.erase(e->records.begin() + frame);
    auto& sounds = m_sounds[static_cast<size_t>(GetEventNo(event))];
    if (frame < static_cast<int>(sounds.size())) {
        stopCurrentSoundIn({sounds[static_cast<size_t>(frame)]});
        sounds.erase(sounds.begin() + frame);
    }
    e->frames = static_cast<uint16_t>(e->images.size());
}

void CAnimo::RemoveAllFrames(int event) {
    _animoEvent* e = GetEventInfo(event);
    if (!e) return;
    e->images.clear();
    e->records.clear();
    e->frames = 0;
    auto& sounds = m_sounds[static_cast<size_t>(GetEventNo(event))];
    stopCurrentSoundIn(sounds);
    sounds.clear();
}

void CAnimo::AddEvent(const _animoEvent& record) {
    _animoEvent e = record;
    e.images.resize(e.frames, 0);
    e.records.assign(e.frames, _animoFrame{});
    m_events.push_back(std::move(e));
    m_sounds.emplace_back(m_events.back().frames);
}

void CAnimo::RemoveEvent(int event) {
    event = GetEventNo(event);
    if (!validEvent(event)) return;
    m_events.erase(m_events.begin() + event);
    stopCurrentSoundIn(m_sounds[static_cast<size_t>(event)]);
    m_sounds.erase(m_sounds.begin() + event);
    if (m_currentEvent >= GetNOE()) m_currentEvent = 0;
}

void CAnimo::RemoveAllEvents() {
    m_events.clear();
    for (const auto& sounds : m_sounds) stopCurrentSoundIn(sounds);
    m_sounds.clear();
    m_currentEvent = 0;
}

void CAnimo::UpdateSoundFX(int event, int frame, std::shared_ptr<CPlayable> sound) {
    event = GetEventNo(event);
    if (!validEvent(event) || frame < 0 || frame >= m_events[static_cast<size_t>(event)].frames) return;
    auto& slots = m_sounds[static_cast<size_t>(event)];
    if (static_cast<int>(slots.size()) <= frame) slots.resize(static_cast<size_t>(frame) + 1);
    auto& slot = slots[static_cast<size_t>(frame)];
    if (slot != sound) stopCurrentSoundIn({slot});
    slot = std::move(sound);
}

void CAnimo::stopCurrentSound() {
    if (m_currentSound) m_currentSound->stop(false);
    m_currentSound = nullptr;
}

void CAnimo::stopCurrentSoundIn(const std::vector<std::shared_ptr<CPlayable>>& slots) {
    if (!m_currentSound) return;
    for (const auto& slot : slots)
        if (slot.get() == m_currentSound) return stopCurrentSound();
}

void CAnimo::ClearWAVEntry(int event, int frame) {
    if (_animoFrame* record = GetFrameInfo(event, frame)) {
        record->soundField = 0;
        record->sound = "";
    }
}

CPlayable* CAnimo::getFrameSound(int event, int frame) {
    event = GetEventNo(event);
    if (!validEvent(event) || frame < 0) return nullptr;
    const auto& slots = m_sounds[static_cast<size_t>(event)];
    return frame < static_cast<int>(slots.size()) ? slots[static_cast<size_t>(frame)].get() : nullptr;
}

bool CAnimo::isInside(int x, int y, bool alpha) {
    if (!GetFrame(m_currentImage)) return false;
    return CGraphicsObject::isInside(x, y, alpha);
}

// ---------------------------------------------------------------- geometry

CXPoint CAnimo::getCurrFramePosition() {
    CFrame* f = GetFrame(m_currentImage);
    return f ? f->GetFramePosition() : CXPoint(0, 0);
}

CXPoint CAnimo::GetPosition() { return CXPoint(m_x + m_globalX, m_y + m_globalY); }

CXRect CAnimo::GetBoundingBox() {
    if (!GetFrame(m_currentImage)) return CXRect();
    const CXPoint at = GetPosition();
    CXRect box(at.x, at.y, at.x + m_width, at.y + m_height);
    if (!m_clip.IsEmpty()) box.Common(m_clip + at);
    return box;
}

CXRect CAnimo::GetAbsoluteBoundingBox() { return GetBoundingBox(); }

CXPoint CAnimo::getCenterPoint() {
    CFrame* first = GetFrame(0);
    return first ? CXPoint(first->Width() / 2, first->Height() / 2) : CXPoint(0, 0);
}

void CAnimo::invalidateArea() {
    CXRect box = GetBoundingBox();
    invalidateOnCanvas(box);
}

void CAnimo::setPosition(int x, int y) { SetPosition(x, y); }

void CAnimo::SetPosition(int x, int y) {
    CXRect before = GetBoundingBox();
    for (auto& frame : m_images) frame->SetPosition(x, y);
    const _animoFrame* record = GetFrameInfo(m_currentEvent, m_currentFrame);
    m_x = x + (record ? record->x : 0);
    m_y = y + (record ? record->y : 0);
    before.Sum(GetBoundingBox());
    invalidateOnCanvas(before);
    notifyCollisions();
}

void CAnimo::Move(int dx, int dy) {
    CXRect before = GetBoundingBox();
    m_globalX += dx;
    m_globalY += dy;
    before.Sum(GetBoundingBox());
    invalidateOnCanvas(before);
    m_invalidated = true;
    notifyCollisions();
}

void CAnimo::SetGlobalPosition(int x, int y) {
    // The old place must be repainted too, or the picture would stay behind there.
    CXRect before = GetBoundingBox();
    m_globalX = x - m_anchorX;
    m_globalY = y - m_anchorY;
    before.Sum(GetBoundingBox());
    invalidateOnCanvas(before);
    notifyCollisions();
}

CColor CAnimo::GetPixel(int x, int y) {
    CFrame* f = m_lastDrawn ? m_lastDrawn : GetFrame(m_currentImage);
    return f ? f->GetPixel(x, y) : CColor();
}

void CAnimo::DeCompress() {
    for (auto& frame : m_images) frame->DeCompress();
    updateWithCurrentFrame();
}

void CAnimo::DeCompressRLE2() {
    for (auto& frame : m_images) frame->DeCompressRLE2();
    updateWithCurrentFrame();
}

void CAnimo::Convert(int bpp) {
    if (bpp != 15 && bpp != 16) return;
    for (auto& frame : m_images)
        if (frame->GetCompression() == COMPRESSION_NONE) frame->CGraphicsObject::Convert(bpp);
    m_bpp = bpp;
    updateWithCurrentFrame();
}

// ---------------------------------------------------------------- visibility

void CAnimo::setVisibleFlag(bool visible) {
    CGraphicsObject::m_visible = visible;
    CPlayable::m_visible = visible;
    CGraphicsObject::Invalidate();
}

void CAnimo::setVisibility(bool visible) {
    if (visible)
        show();
    else
        hide();
}

void CAnimo::show() {
    if (!isLoaded() && CPlayable::getFileName().GetLength() > 0) Load(CPlayable::getFileName());
    setVisibleFlag(true);
}

void CAnimo::hide() {
    if (releaseAfterUse()) Flush();
    setVisibleFlag(false);
}

void CAnimo::alwaysOnTop() {
    if (CRefreshScreen* screen = GetCanvas()) screen->SetFlags(this, 1);
}

// ---------------------------------------------------------------- drawing

void CAnimo::updateWithCurrentFrame() {
    CFrame* f = GetFrame(m_currentImage);
    if (!f) return;
    m_data = f->m_data;
    m_channel[3] = f->m_channel[3];
    for (int i = 0; i < 4; ++i) m_channelSize[i] = f->m_channelSize[i];
    m_width = f->m_width;
    m_height = f->m_height;
    m_pitch = f->m_pitch;
    m_bpp = f->m_bpp;
    m_compression = f->m_compression;
    m_rawSize = f->m_rawSize;
    m_compressedSize = f->m_compressedSize;
}

void CAnimo::drawCurrent(CGraphicsObject* destination, CXPoint shift) {
    CFrame* f = GetFrame(m_currentImage);
    if (!f || !destination) return;
    if (m_lastDrawn && m_lastDrawn != f) m_lastDrawn->bringBackCompressed();
    const CXRect clip = f->m_clip;
    const int x = f->m_x, y = f->m_y;
    const uint8_t opacity = f->m_opacity;
    f->m_clip = m_clip;
    f->m_x = m_x + shift.x;
    f->m_y = m_y + shift.y;
    f->m_opacity = m_opacity;
    f->m_alphaAsMask = m_alphaAsMask;
    if (f->readyToDraw()) f->drawWith(destination, &m_rleCache);
    f->m_clip = clip;
    f->m_x = x;
    f->m_y = y;
    f->m_opacity = opacity;
    // A first draw may have decoded the image.
    updateWithCurrentFrame();
    m_lastDrawn = f;
}

void CAnimo::redraw(CGraphicsObject* destination) { drawCurrent(destination, CXPoint(0, 0)); }

// ---------------------------------------------------------------- showing frames

bool CAnimo::Set(int image, bool tell) {
    const _animoFrame* record = GetFrameInfo(m_currentEvent, m_currentFrame);
    return Set(image, record ? record->x : 0, record ? record->y : 0, tell);
}

bool CAnimo::Set(int image, int dx, int dy, bool tell) {
    CFrame* f = GetFrame(image);
    if (!f || image < 0) return true;
    const CXRect before = GetBoundingBox();
    m_currentImage = image;
    updateWithCurrentFrame();
    m_x = f->m_ownX + dx;
    m_y = f->m_ownY + dy;
    if (isVisible()) {
        CXRect after = GetBoundingBox();
        if (after != before) invalidateOnCanvas(after);
    }
    if (!tell) return true;
    // Observers see the new image; one may delete the animation.
    std::shared_ptr<bool> alive = aliveToken();
    notify(NOTIFY_TICK);
    return *alive;
}

bool CAnimo::showFrame(int event, int frame) {
    if (event == -1) event = m_currentEvent;
    if (frame == -1) frame = 0;
    if (!validEvent(event) || frame < 0 || frame >= m_events[static_cast<size_t>(event)].frames) return true;
    if (isVisible()) invalidateArea();
    if (IsPlaying()) startFrameSound(event, frame);
    _animoEvent& e = m_events[static_cast<size_t>(event)];
    int dx = 0, dy = 0;
    const auto& record = e.records[static_cast<size_t>(frame)];
    if (record) {
        dx = record->x;
        dy = record->y;
    }
    // Rotation turns about where the frame shows, with or without a record.
    const CFrame* shown = GetFrame(e.images[static_cast<size_t>(frame)]);
    m_rotationRef = shown ? CXPoint(shown->m_ownX + dx, shown->m_ownY + dy) : CXPoint(dx, dy);
    if (record) {
        m_opacity = record->opacity == 255 ? e.opacity : record->opacity;
        if (record->paramField) {
            // The factors are kept for who asks; the image itself is shown as stored.
            m_scaleX = record->params[1];
            m_scaleY = record->params[2];
            Rotate(record->params[0]);
        }
    }
    m_currentEvent = event;
    m_currentFrame = frame;
    return Set(e.images[static_cast<size_t>(frame)], dx, dy);
}

void CAnimo::SetEventFrame(int event, int frame) { showFrame(event, frame); }

void CAnimo::SetEventFrame(CXString event, int frame) {
    const int index = resolveEventName(event);
    if (index >= 0) showFrame(index, frame);
}

int CAnimo::SetEventFrame(int event, CXString frameName) {
    event = GetEventNo(event);
    frameName.Upper();
    const int frames = GetNOFInEvent(event);
    for (int i = 0; i < frames; ++i) {
        CXString name = GetName(event, i, CXString("Default"));
        if (name.Upper() == frameName) {
            showFrame(event, i);
            return i;
        }
    }
    return -1;
}

void CAnimo::Seek(int image) {
    CFrame* f = GetFrame(image);
    if (!f || image < 0) return;
    CXRect before = GetBoundingBox();
    m_currentImage = image;
    updateWithCurrentFrame();
    m_x = f->m_ownX;
    m_y = f->m_ownY;
    before.Sum(GetBoundingBox());
    invalidateOnCanvas(before);
}

// ---------------------------------------------------------------- sounds

void CAnimo::startFrameSound(int event, int frame) {
    if (m_animoFlags & ANIMO_STREAM_SOUNDS) {
        const _animoFrame* record = GetFrameInfo(event, frame);
        if (!record || !record->soundField || record->sound.GetLength() == 0) return;
        CWindow* window = CGraphicsObject::m_window;
        m_stream.reset();
        m_stream = std::make_unique<CSndStream>(window, window ? window->GetSoundFXFullPath(record->sound)
                                                               : record->sound);
        m_stream->Play(false);
        return;
    }
    if (CPlayable* sound = getFrameSound(event, frame)) {
        if (m_currentSound && m_currentSound != sound) m_currentSound->stop(false);
        m_currentSound = sound;
        sound->play();
    }
}

bool CAnimo::soundStillPlaying() {
    return (m_stream && m_stream->IsPlaying()) || (m_currentSound && m_currentSound->isPlaying());
}

void CAnimo::buildSoundTable() {
    m_sounds.assign(m_events.size(), {});
    for (size_t e = 0; e < m_events.size(); ++e) m_sounds[e].resize(m_events[e].frames);
    if (m_animoFlags & ANIMO_STREAM_SOUNDS) return;
    CWindow* window = CGraphicsObject::m_window;
    for (size_t e = 0; e < m_events.size(); ++e)
        for (size_t f = 0; f < m_events[e].records.size(); ++f) {
            const auto& record = m_events[e].records[f];
            if (!record || !record->soundField) continue;
            const CXString path = window ? window->GetSoundFXFullPath(record->sound) : record->sound;
            // A list's members are each put in the sound-effects folder by the list itself, so it is
            // given as stored: resolving the whole text first would put the folder twice before the first.
            if (path.Find(';') >= 0)
                m_sounds[e][f] = std::make_shared<CRandomizedSound>(window, record->sound, false, true);
            else
                m_sounds[e][f] = std::make_shared<CSound4>(window, path, false, true);
        }
}

// ---------------------------------------------------------------- playing

void CAnimo::Play() { Play(0, 0); }

void CAnimo::Play(CXString event, int frame) {
    const int index = resolveEventName(event);
    if (index >= 0) Play(index, frame);
}

void CAnimo::Play(int event, int frame) {
    CGraphicsObject::Invalidate();
    event = GetEventNo(event);
    if (!validEvent(event) || m_events[static_cast<size_t>(event)].frames == 0) return;
    if (IsPlaying() && ((m_animoFlags & ANIMO_EXCLUSIVE) ||
                        (validEvent(m_currentEvent) &&
                         (m_events[static_cast<size_t>(m_currentEvent)].flags & ANIMO_EXCLUSIVE))))
        return;
    if (validEvent(m_currentEvent)) m_events[static_cast<size_t>(m_currentEvent)].loopCounter = 0;
    m_currentEvent = event;
    m_lastStarted = event;
    // A new event starts forwards, whichever way a ping-pong left the last one.
    m_direction = 0;
    if (!isVisible()) setVisibleFlag(true);
    if (m_fps == 0) m_fps = 15;
    setStatus(ANIMO_PLAYING);
    std::shared_ptr<bool> alive = aliveToken();
    showFrame(event, frame);
    if (*alive) notify(NOTIFY_STARTED);
}

void CAnimo::Continue() {
    if (!validEvent(m_currentEvent) || m_events[static_cast<size_t>(m_currentEvent)].frames == 0) return;
    const uint32_t fps = m_events[static_cast<size_t>(m_currentEvent)].fps;
    m_fps = fps == 0 ? 15 : static_cast<int>(std::min<uint32_t>(fps, INT32_MAX));
    setStatus(ANIMO_PLAYING);
    Next();
}

void CAnimo::Stop() {
    if (IsPlaying()) StopNoNotify();
}

void CAnimo::StopNoNotify() {
    if (m_animoStatus == ANIMO_STOPPED) return;
    if (m_stream) m_stream->Stop();
    const uint32_t eventFlags =
        validEvent(m_currentEvent) ? m_events[static_cast<size_t>(m_currentEvent)].flags : 0;
    if (eventFlags & ANIMO_HIDE_ON_STOP) setVisibleFlag(false);
    setStatus(ANIMO_STOPPED);
    if (!((eventFlags | m_animoFlags) & ANIMO_SOUND_OUTLIVES)) stopCurrentSound();
}

void CAnimo::Pause() {
    if (IsPlaying()) setStatus(ANIMO_PAUSED);
}

void CAnimo::Resume() {
    if (m_animoStatus == ANIMO_PAUSED) setStatus(ANIMO_PLAYING);
}

bool CAnimo::finish() {
    StopNoNotify();
    std::shared_ptr<bool> alive = aliveToken();
    notify(NOTIFY_FINISHED);
    return *alive;
}

bool CAnimo::Next() {
    if (isVisible()) invalidateArea();
    if (m_images.empty() || !validEvent(m_currentEvent)) return false;
    const int n = m_currentFrame, d = n + 1;
    _animoEvent& e = m_events[static_cast<size_t>(m_currentEvent)];
    const int count = e.frames;
    const bool chain = (m_animoFlags & ANIMO_CHAIN_EVENTS) != 0;
    const int before = m_currentImage;
    auto toNextEvent = [&](bool finishWithout) {
        const int next = chain ? nextEventWithFrames(m_currentEvent) : -1;
        if (next >= 0) return showFrame(next, 0);
        if (finishWithout) finish();
        return false;
    };
    int target;
    if (e.loopEnd == 0) {
        if (d >= count) {
            if (chain) {
                const int next = nextEventWithFrames(m_currentEvent);
                // Without one the last frame stays, still playing.
                if (next >= 0 && showFrame(next, 0)) return m_currentImage != before;
                return false;
            }
            finish();
            return false;
        }
        target = d;
    } else if (d <= e.loopEnd) {
        target = d;
    } else if (e.flags & ANIMO_PING_PONG) {
        m_direction = 1;
        target = n - 1;
    } else if ((e.flags & ANIMO_LOOP_WHILE_SOUND) && !soundStillPlaying()) {
        // The sound has ended: the event runs on past its loop.
        if (d >= count) {
            if (!chain) {
                finish();
                return false;
            }
            if (!toNextEvent(true)) return false;
            return m_currentImage != before;
        }
        if (n + 2 < count) {
            target = n + 2;
        } else {
            if (!chain) {
                finish();
                return false;
            }
            if (!toNextEvent(true)) return false;
            return m_currentImage != before;
        }
    } else if (e.loopCount != 0) {
        ++e.loopCounter;
        if (e.loopCounter < e.loopCount) {
            target = e.loopStart;
        } else {
            e.loopCounter = 0;
            if (!showFrame(m_currentEvent, d)) return false;
            finish();
            return false;
        }
    } else {
        target = e.loopStart;
    }
    if (!showFrame(m_currentEvent, target)) return false;
    return m_currentImage != before;
}

bool CAnimo::Prev() {
    if (isVisible()) invalidateArea();
    if (m_images.empty() || !validEvent(m_currentEvent)) return false;
    const int n = m_currentFrame, c = n - 1;
    _animoEvent& e = m_events[static_cast<size_t>(m_currentEvent)];
    const int before = m_currentImage;
    int target;
    if (e.loopEnd == 0) {
        if (c < 0) {
            finish();
            return false;
        }
        target = c;
    } else if (c >= e.loopStart) {
        target = c;
    } else if (e.flags & ANIMO_PING_PONG) {
        m_direction = 0;
        target = n + 1;
    } else if ((e.flags & ANIMO_LOOP_WHILE_SOUND) && !soundStillPlaying()) {
        if (n <= 1) {
            if (!showFrame(m_currentEvent, e.loopEnd)) return false;
            finish();
            return false;
        }
        target = c;
    } else {
        target = e.loopEnd;
    }
    if (!showFrame(m_currentEvent, target)) return false;
    return m_currentImage != before;
}

void CAnimo::playReverse(CXString name, int frame) {
    const char* suffix = "_reverse";
    if (name.endsWith(suffix)) {
        const int event = resolveEventName(name);
        if (event >= 0) {
            if (m_currentFrame >= 0 && m_currentFrame < m_events[static_cast<size_t>(event)].frames)
                Play(event, m_currentFrame);
            return;
        }
    }
    const CXString reversed = name + suffix;
    int event = resolveEventName(reversed);
    if (event < 0) {
        const int source = resolveEventName(name);
        if (source < 0) return;
        _animoEvent made = m_events[static_cast<size_t>(source)];
        const uint16_t frames = made.frames;
        made.setName(reversed.GetBuffer());
        std::reverse(made.images.begin(), made.images.end());
        std::reverse(made.records.begin(), made.records.end());
        for (auto& record : made.records)
            if (record) {
                record->paramField = 0;
            }
        m_events.push_back(std::move(made));
        m_sounds.emplace_back(frames);
        event = GetNOE() - 1;
    }
    if (frame == -1) frame = m_events[static_cast<size_t>(event)].frames - m_currentFrame;
    Play(event, frame);
}

int CAnimo::previous() {
    Prev();
    return m_currentFrame;
}

int CAnimo::next() {
    std::shared_ptr<bool> alive = aliveToken();
    if (m_direction == 0)
        Next();
    else
        Prev();
    return *alive ? m_currentFrame : -1;
}

void CAnimo::play() { Play(m_currentEvent, 0); }

void CAnimo::stop(bool notifyFinished) {
    Stop();
    if (notifyFinished) notify(NOTIFY_FINISHED);
}

} // namespace KavirelDLL
