#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/XObject.h"
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

class CAudioVoice;
class CStreamedWAV;
class CWindow;

// A PCM WAV file played through a voice holding 1.2 seconds of it, refilled every 50 ms from a thread of its
// own while it plays. The thread is always stopped and joined before the reader or the voice is touched by
// Stop, Pause, Resume, Close or the destructor. A loop of the data is counted on that thread and raised as
// the running scene's "ONMUSICLOOPED" on the main thread, at the next frame.
class CSndStream : public CXObject {
public:
    explicit CSndStream(CWindow* window);
    CSndStream(CWindow* window, CXString name);
    ~CSndStream() override;
    CSndStream(const CSndStream&) = delete;
    CSndStream& operator=(const CSndStream&) = delete;

    bool Open(CXString name);
    void Play(bool loop);
    void Stop();
    void Pause();
    void Resume();
    void Close();
    bool IsPlaying();
    void loopStarted();

    void setVolume(int volume);
    void setPan(int pan);
    void setFreq(int frequency);
    int getVolume();

    // One refill: what the play cursor consumed since the last one is written anew (the thread's step; tests
    // call it directly after rendering).
    void TimeFunc();

    int GetNextWriteOffset();
    int GetBytesRemaining();
    int GetBufferSize();
    int GetProgress();
    int GetBitsPerSample() { return m_format.bitsPerSample; }
    bool DonePlaying() { return m_donePlaying; }
    bool IsLooped() { return m_looped; }
    bool FoundEnd() { return m_foundEnd; }
    void AddNextWriteOffset(int n);
    void SetDonePlaying(bool done) { m_donePlaying = done; }
    void SetFoundEnd(bool found) { m_foundEnd = found; }
    void SetBytesRemaining(int n);
    void MoveProgress(int n);
    void SWStartRead();
    void SWClose();
    int SWRead(int n, unsigned char* dst);
    CAudioVoice* getBuffer() const { return m_buffer; }
    CStreamedWAV* getReader() const { return m_reader; }
    bool isTimerActive() const { return m_timerActive; }

    // Raises the loops counted since the last frame on the window's running scene (main thread, each frame).
    static void raiseLoopEvents(CWindow* window);
    // Loops counted and not raised yet.
    static int pendingLoops() { return s_pendingLoops.load(); }
    // Without refill threads (tests run TimeFunc themselves).
    static void setRefillThreads(bool on) { s_threads = on; }

private:
    bool StreamBufferSetup(CXString name);
    void FillDataBuffer();
    // Silence, or the reader's bytes (rewinding while looped); false when the data gave nothing.
    void fillPart(unsigned char* part, int size, int playCursor);
    void startTimer();
    void stopTimer();
    void timerLoop();
    unsigned char silence() const { return m_format.bitsPerSample == 8 ? 0x80 : 0; }

    CWindow* m_window;
    bool m_opened = false;
    bool m_playing = false;
    bool m_timerActive = false;
    std::atomic<int32_t> m_busy{0};
    CAudioVoice* m_buffer = nullptr;
    CStreamedWAV* m_reader = nullptr;
    std::atomic<bool> m_foundEnd{false};
    std::atomic<bool> m_donePlaying{false};
    std::atomic<bool> m_looped{false};
    int32_t m_progress = 0;
    int32_t m_bufferSize = 0;
    int32_t m_bytesRemaining = 0;
    int32_t m_nextWriteOffset = 0;
    CWaveFormat m_format;

    // The refill's counters, shared with the accessors.
    std::mutex m_stateMutex;
    std::thread m_timer;
    std::mutex m_timerMutex;
    std::condition_variable m_timerWake;
    bool m_timerStop = false;

    static std::atomic<bool> s_refillRunning;
    static std::atomic<int> s_pendingLoops;
    static std::atomic<bool> s_threads;
};

} // namespace KavirelDLL
