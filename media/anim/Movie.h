#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/XTimer.h"
#include "display/DirectDrawSurface.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CAudioVoice;
class CMovieDecoder;

// A movie on the screen: its frames are decoded into a surface of the movie's own size, its sound plays on one
// mixer voice. While it plays, a worker thread looks every 10 ms for the frames due on the engine's clock and
// decodes them; a 40 ms timer on the main thread shows the newest one, tells observers "tick" once per decoded
// frame, and turns the end into "finished". Times are 64-bit counts of 100 ns.
class CMovie : public CDirectDrawSurface, public CPlayable, public CTimerNotificator {
public:
    explicit CMovie(CWindow* window);
    CMovie(CWindow* window, CXString fileName);
    ~CMovie() override;
    CMovie(const CMovie&) = delete;
    CMovie& operator=(const CMovie&) = delete;

    // A black surface of the movie's size at the window's depth.
    virtual bool createSurface(bool videoMemory);
    // Opens the file through the engine's files (the disk or the big file): ERR_FILE_NOT_FOUND when it is not
    // there, ERR_FILE_DAMAGED when it does not decode.
    virtual bool openStream(CXString fileName);
    // The surface and the sound voice of the open stream.
    virtual bool createVideoSample();
    virtual void releaseStreams();
    virtual bool load(CXString fileName);
    virtual void seekTime(int64_t time);
    // Milliseconds; an end of -1 loops from the start, 0 plays to the end.
    virtual void setPlayRange(int64_t startMs, int64_t endMs);

    void redraw(CGraphicsObject* target) override;
    void Redraw() override;

    void play(CXString key) override;
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    void seek(int time) override;

    void onTimer(int id) override;

    bool hasStream() const { return static_cast<bool>(m_decoder); }
    int64_t getRangeStart() const { return m_rangeStart; }
    int64_t getRangeEnd() const { return m_rangeEnd; }
    CAudioVoice* getVoice() const { return m_voice.get(); }

    // Test seam: no worker thread; the 40 ms callback decodes the due frames itself, on the main thread.
    static void decodeOnMainThread(bool on) { s_mainThread = on; }

private:
    void init();
    void startWorker();
    void stopWorker();
    void workerLoop();
    // Under the lock: the frames due now.
    void decodeDue();
    int64_t movieTimeUs() const;
    void rebase();
    // Under the lock: the stream and the clock at the time.
    void restartAt(int64_t timeUs);
    void updateVoice();

    std::unique_ptr<CMovieDecoder> m_decoder;
    std::unique_ptr<CAudioVoice> m_voice;
    int64_t m_rangeStart = 0;
    int64_t m_rangeEnd = 0;
    int m_timerId = 0;

    std::thread m_worker;
    std::atomic<bool> m_stopWorker{false};
    std::atomic<bool> m_frameUpdated{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_ticks{0};

    // The decoder, the frame buffers and the clock, shared with the worker.
    mutable std::mutex m_mutex;
    std::vector<uint16_t> m_pending;
    std::vector<uint16_t> m_ready;
    int64_t m_pendingUs = 0;
    bool m_hasPending = false;
    int m_framesSinceStart = 0;
    bool m_running = false;
    bool m_active = true;
    int64_t m_baseUs = 0;
    uint64_t m_anchorUs = 0;

    static std::atomic<bool> s_mainThread;
};

} // namespace KavirelDLL
