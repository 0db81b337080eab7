#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "display/FramedGraphic.h"
#include "display/GraphicsObject.h"
#include "display/Playable.h"
#include "media/anim/Frame.h"

namespace KavirelDLL {

class CWindow;
class CFile;
class CAnimoReader;
class CSndStream;

// Animation flags (bits 8-23 of the file's flag field) and event flags.
enum : uint32_t {
    ANIMO_HIDE_ON_STOP = 0x100,        // event: hide the animation when the event stops
    ANIMO_PING_PONG = 0x20000,         // event: turn at the loop end and play back to the loop start
    ANIMO_EXCLUSIVE = 0x40000,         // event and animation: no other event starts while it plays
    ANIMO_SOUND_OUTLIVES = 0x80000,    // event and animation: the frame sound goes on after a stop
    ANIMO_LOOP_WHILE_SOUND = 0x100000, // event: loop only while the current sound plays
    ANIMO_NEW_FORMAT = 0x200000,       // animation: read from an "NV+" or "NVP" file
    ANIMO_STREAM_SOUNDS = 0x400000,    // animation: frame sounds are streamed when their frame shows
    ANIMO_CHAIN_EVENTS = 0x800000,     // animation: an event's end goes on with the next event
};

// One frame record of an event: offsets, opacity, and the optional name, parameter block and sound.
struct _animoFrame {
    uint32_t nameField = 0;  // non-zero: a name follows
    uint32_t paramField = 0; // non-zero: a parameter block follows
    int16_t x = 0;
    int16_t y = 0;
    int32_t reserved = -1;
    uint32_t soundField = 0; // non-zero: a sound name follows
    uint32_t reserved2 = 0;
    uint8_t opacity = 255; // 255: the event's
    uint8_t reserved3[5] = {0, 0, 0, 0, 0};
    CXString name;
    float params[5] = {0, 0, 0, 0, 0};
    CXString sound;
};

// An event: a named run of frames with its timing, looping, flags and opacity.
struct _animoEvent {
    char name[32] = {};
    uint16_t frames = 0;
    uint16_t loopStart = 0;
    uint16_t loopEnd = 0;   // 0: no loop
    uint16_t loopCount = 0; // 0: loop without end
    uint16_t loopCounter = 0;
    uint32_t fps = 0; // 0: 15
    uint32_t flags = 0;
    uint8_t opacity = 255;
    uint8_t reserved[12] = {};
    std::vector<uint16_t> images;                    // the image shown at each frame
    std::vector<std::optional<_animoFrame>> records; // one per frame, each may be absent

    void setName(const char* text);
};

// A multi-frame sprite: images, named events and their playback. It is drawn as a graphics object (its own
// raster always shows the current image, sharing its blocks) and played as a playable; the animation manager
// steps it. Copies share the images and sounds and copy the events.
class CAnimo : public CGraphicsObject, public CPlayable, public CFramedGraphic {
public:
    enum : int { ANIMO_PLAYING = 0, ANIMO_STOPPED = 1, ANIMO_PAUSED = 2 };

    explicit CAnimo(CWindow* window);
    // Loads the file at once (see Load).
    CAnimo(CWindow* window, CXString fileName);
    // Shares the images and sounds, copies the events, and shows the current frame.
    CAnimo(CAnimo& other);
    CAnimo& operator=(const CAnimo&) = delete;
    ~CAnimo() override;

    // ---- the animation's own operations
    virtual int GetNOF() { return static_cast<int>(m_images.size()); }
    // -1: the current image; none out of range.
    virtual CFrame* GetFrame(int index);
    // kind 0 "EXT", 1 "SEQ", 2 "POS": steps over the chunk's 3-byte tag when it is the one asked for, and
    // answers whether it was (when not, nothing is read). The picture-list reader reads what follows it.
    virtual bool ReadChunk(CFile* file, int kind);
    virtual int LoadNew(CFile* file);
    virtual void clearLastRefreshed() { m_lastDrawn = nullptr; }
    virtual int GetStatus() { return m_animoStatus; }
    virtual bool IsPlaying() { return m_animoStatus == ANIMO_PLAYING; }
    virtual int GetFPS() { return m_fps; }
    virtual void Continue();
    virtual void Play(CXString event, int frame);
    virtual void Play(int event, int frame);
    virtual void Play();
    virtual void Stop();
    virtual void StopNoNotify();
    virtual void Pause();
    virtual void Resume();
    virtual int Current() { return m_currentImage; }
    virtual bool Prev();
    virtual bool Next();
    virtual void Seek(int image);
    virtual void playReverse(CXString name, int frame);

    // ---- graphics object
    void DeCompress() override;
    void DeCompressRLE2() override;
    CXPoint getCenterPoint() override;
    void setPosition(int x, int y) override;
    void setPosition(CXPoint p) override { setPosition(p.x, p.y); }
    void SetPosition(int x, int y) override;
    void SetPosition(CXPoint p) override { SetPosition(p.x, p.y); }
    void Move(int dx, int dy) override;
    void Move(CXPoint d) override { Move(d.x, d.y); }
    void Flush() override;
    CColor GetPixel(int x, int y) override;
    CColor GetPixel(CXPoint p) override { return GetPixel(p.x, p.y); }
    using CGraphicsObject::GetPixel;
    void redraw(CGraphicsObject* destination) override;
    int Load(CXString name) override;
    // Reads any generation of animation file from the file's position; the error code.
    int Load(CFile* file) override;
    // Writes an "NVP" file; ERR_FILE_WRITE when it cannot.
    int Save(CXString name, _compression kind) override;
    // Writes only a picture-list header: "PIK" for 0, "PI2" for 1, "PI3" otherwise.
    int Save(CFile* file, _compression mode) override;
    CXPoint getPosition() override { return CXPoint(m_globalX, m_globalY); }
    CXPoint GetPosition() override;
    CXRect GetBoundingBox() override;
    CXRect GetAbsoluteBoundingBox() override;
    CGraphicsObject* getDrawn() override { return GetFrame(m_currentImage); }

    // ---- framed graphic
    CGraphicsObject* framedGraphic() override { return this; }
    CGraphicsObject* shownFrame() override { return GetFrame(-1); }

    // ---- playable
    void play() override;
    void stop(bool notify) override;
    void pause() override { Pause(); }
    void resume() override { Resume(); }
    bool isPlaying() override { return IsPlaying(); }
    void seek(int image) override { Seek(image); }
    int previous() override;
    int next() override;
    int getFPS() override { return m_fps; }
    void move(int dx, int dy) override { Move(dx, dy); }
    void move(CXPoint d) override { Move(d.x, d.y); }
    void SetGlobalPosition(int x, int y) override;
    void SetGlobalPosition(CXPoint p) override { SetGlobalPosition(p.x, p.y); }
    void setVisibility(bool visible) override;
    bool isVisible() override { return CGraphicsObject::isVisible(); }
    void show() override;
    void hide() override;
    void alwaysOnTop() override;

    // ---- files
    int Load3(CFile* file);
    int Save3(CFile* file, int compression);
    // The bytes Save3 writes.
    bool save3(std::vector<uint8_t>& out, int compression);

    // ---- events and frames (event -1: the current event; frame -1: the current frame)
    int GetNOE() const { return static_cast<int>(m_events.size()); }
    int GetNOFInEvent(int event);
    int GetNOFInEvent(CXString name);
    int resolveEventName(CXString name);
    int GetEventNo(CXString name);
    int GetEventNo(int event);
    CXString GetEventName(int event);
    CXString getCurrentEventName() { return GetEventName(m_currentEvent); }
    int GetCurrentEvent() const { return m_currentEvent; }
    void SetCurrentEvent(int event) { m_currentEvent = event; }
    int getFirstEvent();
    int getFirstFrame() { return 0; }
    // code -3: the event's last frame, -2: 0, -1: the current frame, else the code.
    int GetFrameNo(int event, int code);
    int GetFrameNo(int event, CXString name);
    int getFrameNo(CXString eventName);
    CXString getFrameName(int event, int frame);
    CXString GetName(int event, int frame, CXString fallback);
    CFrame* GetEventFrame(int event, int frame);
    CFrame* getFrame(CXString name);
    _animoEvent* GetEventInfo(int event);
    _animoFrame* GetFrameInfo(int event, int frame);
    // Loop start and end; answers the loop count.
    int GetLoop(int event, int& start, int& end);
    CFrame* AddFrame(CGraphicsObject* graphics);
    CFrame* AddFrame(CGraphicsObject*, int, int) { return nullptr; }
    bool RemoveFrame(int image);
    void ExchangeFrames(int event, int a, int b);
    void RemoveFrame(int event, int frame);
    void RemoveAllFrames(int event);
    void AddEvent(const _animoEvent& record);
    void RemoveEvent(int event);
    void RemoveAllEvents();
    void UpdateSoundFX(int event, int frame, std::shared_ptr<CPlayable> sound);
    void ClearWAVEntry(int event, int frame);
    bool isInside(int x, int y, bool alpha);
    void SetDirection(int direction) { m_direction = direction; }
    int GetDirection() const { return m_direction; }
    int GetCurrentFrameInSequence() const { return m_currentFrame; }
    CXPoint getCurrFramePosition();
    void SetEventFrame(int event, int frame);
    void SetEventFrame(CXString event, int frame);
    int SetEventFrame(int event, CXString frameName);

    // ---- settings
    uint32_t GetAnimoFlags() const { return m_animoFlags; }
    void SetAnimoFlags(uint32_t flags) { m_animoFlags = flags; }
    // Values of 0 or less are stored as 1.
    void SetFPS(int fps) { m_fps = fps > 0 ? fps : 1; }
    uint16_t RandomFramesNumber() const { return m_randomFrames; }
    void setRandomFramesNumber(uint16_t n) { m_randomFrames = n; }
    bool getLoadAtStart() const { return m_loadAtStart; }
    void setLoadAtStart(bool load) { m_loadAtStart = load; }
    CXString getAuthor() const { return m_author; }
    void setAuthor(CXString author) { m_author = author; }
    CXString getDescription() const { return m_description; }
    void setDescription(CXString text) { m_description = text; }
    int getLastStartedEvent() const { return m_lastStarted; }
    CXPoint getRotationReference() const { return m_rotationRef; }
    // The scale factors of the parameter block of the frame shown last (1, 1 without one).
    float getScaleX() const { return m_scaleX; }
    float getScaleY() const { return m_scaleY; }
    void setFilter(uint8_t flag, void* filter) {
        m_filterFlag = flag;
        m_filter = filter;
    }
    void* getFilter() const { return m_filter; }
    uint8_t getFilterFlag() const { return m_filterFlag; }
    void setChangeFilter(uint8_t flag, void* filter) {
        m_changeFilterFlag = flag;
        m_changeFilter = filter;
    }
    void* getChangeFilter() const { return m_changeFilter; }
    uint8_t getChangeFilterFlag() const { return m_changeFilterFlag; }
    // The sound of a frame; null when it has none.
    CPlayable* getFrameSound(int event, int frame);
    CPlayable* getCurrentSound() const { return m_currentSound; }
    // Images become this depth (uncompressed ones are converted).
    void Convert(int bpp);

    using CGraphicsObject::getWindow;
    using CGraphicsObject::Invalidate;
    // The raster fields become the current image's (a filter changed its pixels).
    void updateWithCurrentFrame();
    // Makes the image current again at its own place (plus the shown event frame's offsets); with tell the
    // observers hear of it. False when an observer deleted the animation.
    bool Set(int image, bool tell);

protected:
    using CGraphicsObject::m_fileName;
    using CGraphicsObject::m_visible;
    using CGraphicsObject::m_window;

    // Draws the current image at its position shifted by shift.
    void drawCurrent(CGraphicsObject* destination, CXPoint shift);
    CXPoint globalShift() const { return CXPoint(m_globalX, m_globalY); }
    // Every image, event and sound of the animation.
    std::vector<std::shared_ptr<CFrame>> m_images;
    std::vector<std::vector<std::shared_ptr<CPlayable>>> m_sounds;

private:
    void construct();
    void setStatus(int status);
    // Shows a frame; false when an observer deleted the animation meanwhile.
    bool showFrame(int event, int frame);
    // Makes the image current; false when an observer deleted the animation.
    bool Set(int image, int dx, int dy, bool tell = true);
    // Stops with the "finished" notification; false when an observer deleted the animation.
    bool finish();
    void startFrameSound(int event, int frame);
    // Stops the sound heard now and forgets it (only the sound table owns it); the second form when it is
    // one of the slots, which are about to go.
    void stopCurrentSound();
    void stopCurrentSoundIn(const std::vector<std::shared_ptr<CPlayable>>& slots);
    bool soundStillPlaying();
    int nextEventWithFrames(int after);
    bool validEvent(int event) const { return event >= 0 && event < GetNOE(); }
    void makeStandardEvents(int images);
    void buildSoundTable();
    int fail(int code, const char* why);
    int load3(CAnimoReader& in);
    int loadNew(CAnimoReader& in);
    int loadPictureList(CAnimoReader& in, const uint8_t* head);
    bool readChunk(CAnimoReader& in, int kind);
    bool readEvent3(CAnimoReader& in, _animoEvent& event);
    // Makes count images and reads their headers of length bytes in one block.
    bool readImageHeaders(CAnimoReader& in, int count, int length, int bpp);
    bool readImageData(CAnimoReader& in);
    void registerWithManager();
    void unregisterFromManager();
    void invalidateArea();
    void setVisibleFlag(bool visible);

    std::vector<_animoEvent> m_events;
    std::unique_ptr<CSndStream> m_stream;
    int32_t m_currentFrame = -1;
    CXString m_author;
    CXString m_description;
    int32_t m_currentImage = -1;
    CFrame* m_lastDrawn = nullptr;
    // Code-4 images decoded for drawing, so the image shown again is not decoded again.
    CRleDrawCache m_rleCache;
    bool m_loadAtStart = false;
    int32_t m_currentEvent = 0;
    uint32_t m_animoFlags = 0;
    int32_t m_globalX = 0;
    int32_t m_globalY = 0;
    int32_t m_animoStatus = ANIMO_STOPPED;
    int32_t m_direction = 0;
    int32_t m_lastStarted = -1;
    int32_t m_fps = 15;
    uint16_t m_randomFrames = 0;
    uint8_t m_filterFlag = 0;
    void* m_filter = nullptr;
    uint8_t m_changeFilterFlag = 0;
    void* m_changeFilter = nullptr;
    CPlayable* m_currentSound = nullptr;
    CXPoint m_rotationRef;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
};

} // namespace KavirelDLL
