#include "media/sound/SndStream.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "display/ShellServices.h"
#include "display/Window.h"
#include "media/sound/StreamedWAV.h"
#include "platform/Audio.h"
#include "script/Application.h"

namespace KavirelDLL {

std::atomic<bool> CSndStream::s_refillRunning{false};
std::atomic<int> CSndStream::s_pendingLoops{0};
std::atomic<bool> CSndStream::s_threads{true};

namespace {
constexpr auto kRefillPeriod = std::chrono::milliseconds(50);
} // namespace

CSndStream::CSndStream(CWindow* window) : m_window(window) {}

CSndStream::CSndStream(CWindow* window, CXString name) : m_window(window) { Open(name); }

CSndStream::~CSndStream() {
    Stop();
    stopTimer();
    delete m_reader;
    m_reader = nullptr;
}

// ---------------------------------------------------------------- the refill thread

void CSndStream::startTimer() {
    m_busy = 0;
    if (!s_threads) return;
    m_timerStop = false;
    m_timer = std::thread(&CSndStream::timerLoop, this);
    m_timerActive = true;
}

void CSndStream::stopTimer() {
    if (!m_timer.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_timerMutex);
        m_timerStop = true;
    }
    m_timerWake.notify_all();
    m_timer.join();
    m_timerActive = false;
    m_busy = 0;
}

void CSndStream::timerLoop() {
    std::unique_lock<std::mutex> lock(m_timerMutex);
    while (!m_timerWake.wait_for(lock, kRefillPeriod, [this] { return m_timerStop; })) {
        lock.unlock();
        TimeFunc();
        lock.lock();
    }
}

// ---------------------------------------------------------------- opening and filling

bool CSndStream::Open(CXString name) {
    if (!StreamBufferSetup(name)) return false;
    m_opened = true;
    if (m_buffer) m_buffer->setPlayCursor(0);
    return true;
}

bool CSndStream::StreamBufferSetup(CXString name) {
    stopTimer();
    delete m_reader;
    m_reader = new CStreamedWAV(m_window, name, &m_buffer, &m_format);
    if (int error = m_reader->LastError()) {
        setErrorCode(error);
        delete m_reader;
        m_reader = nullptr;
        return false;
    }
    setErrorCode(ERR_NONE);
    m_bufferSize = m_reader->GetBufferSize();
    m_foundEnd = false;
    m_donePlaying = false;
    m_bytesRemaining = 0;
    FillDataBuffer();
    return true;
}

void CSndStream::FillDataBuffer() {
    if (!m_buffer || !m_reader) return;
    std::vector<unsigned char> bytes(static_cast<size_t>(m_bufferSize), silence());
    int got = m_reader->Read(m_bufferSize, bytes.data());
    // A short file repeats until the buffer is full; one without samples leaves silence and ends.
    // A reader that gives nothing after a restart (its file closed or failing) ends the repeat.
    while (got < m_bufferSize && m_reader->getDataLength() > 0) {
        m_reader->StartRead();
        const int more = m_reader->Read(m_bufferSize - got, bytes.data() + got);
        if (more <= 0) break;
        got += more;
    }
    if (m_reader->getDataLength() == 0) {
        m_foundEnd = true;
        m_bytesRemaining = 0;
    }
    {
        CAudioVoice::CLock lock(*m_buffer, 0, m_bufferSize);
        if (lock.ok()) std::memcpy(lock.part1, bytes.data(), static_cast<size_t>(m_bufferSize));
    }
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_nextWriteOffset = 0;
    m_progress = 0;
}

void CSndStream::fillPart(unsigned char* part, int size, int playCursor) {
    if (m_donePlaying) {
        std::memset(part, silence(), static_cast<size_t>(size));
        return;
    }
    int got = m_reader ? m_reader->Read(size, part) : 0;
    while (got < size) {
        if (m_looped && m_reader && m_reader->getDataLength() > 0) {
            m_reader->StartRead();
            const int more = m_reader->Read(size - got, part + got);
            if (more > 0) {
                got += more;
                loopStarted();
                continue;
            }
        }
        std::memset(part + got, silence(), static_cast<size_t>(size - got));
        m_foundEnd = true;
        int ahead = m_nextWriteOffset - playCursor;
        m_bytesRemaining = ahead < 0 ? ahead + m_bufferSize : ahead;
        break;
    }
}

void CSndStream::TimeFunc() {
    if (s_refillRunning.exchange(true)) return;
    if (m_busy.exchange(1)) {
        s_refillRunning = false;
        return;
    }
    {
        std::lock_guard<std::mutex> state(m_stateMutex);
        int cursor = m_buffer ? m_buffer->playCursor() : m_nextWriteOffset;
        if (cursor != m_nextWriteOffset) {
            if (m_foundEnd && m_bytesRemaining == 0) {
                m_donePlaying = true;
            } else {
                int distance = cursor - m_nextWriteOffset;
                if (distance < 0) distance += m_bufferSize;
                m_progress += distance;
                std::vector<unsigned char> bytes(static_cast<size_t>(distance), silence());
                if (m_foundEnd)
                    m_bytesRemaining = std::max(0, m_bytesRemaining - distance);
                else
                    fillPart(bytes.data(), distance, cursor);
                CAudioVoice::CLock lock(*m_buffer, m_nextWriteOffset, distance);
                if (lock.ok()) {
                    std::memcpy(lock.part1, bytes.data(), static_cast<size_t>(lock.size1));
                    if (lock.size2)
                        std::memcpy(lock.part2, bytes.data() + lock.size1, static_cast<size_t>(lock.size2));
                    m_nextWriteOffset = (m_nextWriteOffset + distance) % m_bufferSize;
                }
            }
        }
    }
    m_busy = 0;
    s_refillRunning = false;
}

// ---------------------------------------------------------------- playing

void CSndStream::Play(bool loop) {
    if (!m_buffer) return;
    stopTimer();
    m_looped = loop;
    m_buffer->setPlayCursor(0);
    startTimer();
    m_buffer->play(true);
    m_playing = true;
}

void CSndStream::Stop() {
    if (!m_buffer) return;
    m_donePlaying = true;
    stopTimer();
    if (m_playing) {
        m_buffer->stop();
        m_playing = false;
    }
}

void CSndStream::Pause() { Stop(); }

void CSndStream::Resume() {
    if (!m_buffer || !m_reader) return;
    stopTimer();
    long position = m_reader->getPosition();
    m_foundEnd = false;
    m_donePlaying = false;
    {
        std::lock_guard<std::mutex> state(m_stateMutex);
        m_bytesRemaining = 0;
    }
    m_reader->setPosition(std::max<long>(m_reader->getDataStart(), position - 2L * m_bufferSize));
    FillDataBuffer();
    Play(false);
}

void CSndStream::Close() {
    if (!m_buffer || !m_opened) return;
    m_donePlaying = true;
    stopTimer();
    if (m_playing) m_buffer->stop();
    m_playing = false;
    delete m_reader;
    m_reader = nullptr;
    m_opened = false;
}

bool CSndStream::IsPlaying() { return m_playing && !m_donePlaying; }

void CSndStream::loopStarted() { ++s_pendingLoops; }

void CSndStream::raiseLoopEvents(CWindow* window) {
    int loops = s_pendingLoops.exchange(0);
    CShellServices* shell = window ? window->getShellServices() : nullptr;
    CMC_Application* root = shell ? shell->getMCApplicationIfc() : nullptr;
    for (int i = 0; i < loops && root; ++i) {
        CMC_Scene* scene = root->getCurrentScene();
        while (scene && scene->getCurrentScene()) scene = scene->getCurrentScene();
        if (scene) scene->onSignal("ONMUSICLOOPED");
    }
}

// ---------------------------------------------------------------- levels and accessors

void CSndStream::setVolume(int volume) {
    if (m_buffer) m_buffer->setVolume(volume);
}

void CSndStream::setPan(int pan) {
    if (m_buffer) m_buffer->setPan(pan);
}

void CSndStream::setFreq(int frequency) {
    if (m_buffer) m_buffer->setFrequency(frequency);
}

int CSndStream::getVolume() { return m_buffer ? m_buffer->volume() : 0; }

int CSndStream::GetNextWriteOffset() {
    std::lock_guard<std::mutex> state(m_stateMutex);
    return m_nextWriteOffset;
}

int CSndStream::GetBytesRemaining() {
    std::lock_guard<std::mutex> state(m_stateMutex);
    return m_bytesRemaining;
}

int CSndStream::GetBufferSize() { return m_bufferSize; }

int CSndStream::GetProgress() {
    std::lock_guard<std::mutex> state(m_stateMutex);
    return m_progress;
}

void CSndStream::AddNextWriteOffset(int n) {
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_nextWriteOffset += n;
}

void CSndStream::SetBytesRemaining(int n) {
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_bytesRemaining = n;
}

void CSndStream::MoveProgress(int n) {
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_progress += n;
}

void CSndStream::SWStartRead() {
    if (m_reader) m_reader->StartRead();
}

void CSndStream::SWClose() {
    if (m_reader) m_reader->Close();
}

int CSndStream::SWRead(int n, unsigned char* dst) { return m_reader ? m_reader->Read(n, dst) : 0; }

} // namespace KavirelDLL
