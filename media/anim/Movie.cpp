#include "media/anim/Movie.h"

#include <algorithm>
#include <cstring>

#include "core/File.h"
#include "core/Log.h"
#include "display/Window.h"
#include "media/sound/Sound4.h"
#include "platform/Audio.h"
#include "platform/Movie.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

std::atomic<bool> CMovie::s_mainThread{false};

namespace {

// The engine's files as a movie's bytes; each movie has its own open file, so the worker reads alone.
class CFileSource : public CMovieSource {
public:
    explicit CFileSource(std::unique_ptr<CFile> file) : m_file(std::move(file)) {}
    int read(uint8_t* buffer, int size) override { return m_file->Read(buffer, size); }
    int64_t seek(int64_t offset, int origin) override {
        int64_t base = origin == 0 ? 0 : origin == 1 ? m_file->Tell() : m_file->Length();
        int64_t target = base + offset;
        if (target < 0 || target > m_file->Length()) return -1;
        if (m_file->Seek(static_cast<int>(target), 0) != 0) return -1;
        return target;
    }
    int64_t size() override { return m_file->Length(); }

private:
    std::unique_ptr<CFile> m_file;
};

std::unique_ptr<CMovieSource> openSource(CWindow* window, const CXString& name, int& error) {
    auto file = std::make_unique<CFile>();
    if (file->Open(window, name, CFile::MODE_READ | CFile::MODE_BINARY) != ERR_NONE || file->Length() < 0) {
        error = ERR_FILE_NOT_FOUND;
        return nullptr;
    }
    error = ERR_NONE;
    return std::make_unique<CFileSource>(std::move(file));
}

// The mixer's own format: the voice is never resampled twice.
constexpr int kAudioRate = CAudioDevice::kOutputRate;

} // namespace

CMovie::CMovie(CWindow* window) : CDirectDrawSurface(window), CPlayable(window) { init(); }

CMovie::CMovie(CWindow* window, CXString fileName) : CDirectDrawSurface(window), CPlayable(window) {
    init();
    load(fileName);
}

void CMovie::init() { m_timerId = CXTimer::newObjectId(); }

CMovie::~CMovie() {
    stopWorker();
    if (CPlayable::m_window && CPlayable::m_window->GetTimerInterface()) CPlayable::m_window->GetTimerInterface()->remove(m_timerId);
    if (m_voice) m_voice->stop();
    releaseStreams();
}

bool CMovie::createSurface(bool videoMemory) {
    if (!m_decoder) return false;
    const CMovieInfo& info = m_decoder->info();
    m_width = info.width;
    m_height = info.height;
    int bpp = CPlayable::m_window ? CPlayable::m_window->GetBpp() : 0;
    m_bpp = bpp == 15 ? 15 : 16;
    return create_surface(videoMemory);
}

bool CMovie::openStream(CXString fileName) {
    int error = ERR_NONE;
    auto source = openSource(CPlayable::m_window, fileName, error);
    if (!source) {
        setErrorCode(error);
        logMessage("movie %s: the file is not there", fileName.GetBuffer());
        return false;
    }
    int bpp = CPlayable::m_window && CPlayable::m_window->GetBpp() == 15 ? 15 : 16;
    auto decoder = CMovieDecoder::open(std::move(source), bpp);
    if (!decoder) {
        setErrorCode(ERR_FILE_DAMAGED);
        logMessage("movie %s: not a movie that can be decoded", fileName.GetBuffer());
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_decoder = std::move(decoder);
    return true;
}

bool CMovie::createVideoSample() {
    if (!createSurface(true)) {
        setErrorCode(ERR_FILE_DAMAGED);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t pixels = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
        m_pending.assign(pixels, 0);
        m_ready.assign(pixels, 0);
        m_hasPending = false;
    }
    // The sound: the whole track decoded once into one voice, which then follows the picture.
    m_voice.reset();
    CAudioDevice* device = CPlayable::m_window && CPlayable::m_window->IsSoundOn() ? CSound4::CreatePrimarySoundBuffer(CPlayable::m_window) : nullptr;
    if (!device || !m_decoder->info().hasAudio) return true;
    int error = ERR_NONE;
    auto source = openSource(CPlayable::m_window, CPlayable::getFileName(), error);
    auto audio = source ? CMovieDecoder::open(std::move(source), 16) : nullptr;
    std::vector<int16_t> samples;
    const int64_t maxFrames = CAudioDevice::kMaxVoiceBytes / 4;
    if (!audio || !audio->decodeAudio(samples, kAudioRate, maxFrames))
        logMessage("movie %s: its sound does not decode%s", CPlayable::getFileName().GetBuffer(),
                   samples.empty() ? "; it plays silent" : " to its end");
    if (static_cast<int64_t>(samples.size() / 2) >= maxFrames)
        logMessage("movie %s: its sound is cut after %lld s", CPlayable::getFileName().GetBuffer(),
                   static_cast<long long>(maxFrames / kAudioRate));
    if (samples.empty()) return true;
    const int32_t bytes = static_cast<int32_t>(samples.size() * 2);
    m_voice = device->createVoice(CAudioFormat{kAudioRate, 2, 16}, bytes);
    if (!m_voice) return true;
    CAudioVoice::CLock block(*m_voice, 0, bytes);
    if (block.ok()) std::memcpy(block.part1, samples.data(), static_cast<size_t>(block.size1));
    return true;
}

void CMovie::releaseStreams() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_decoder.reset();
    m_hasPending = false;
}

bool CMovie::load(CXString fileName) {
    CGraphicsObject::Invalidate();
    stopWorker();
    if (CPlayable::m_window && CPlayable::m_window->GetTimerInterface()) CPlayable::m_window->GetTimerInterface()->remove(m_timerId);
    m_voice.reset();
    releaseStreams();
    m_running = false;
    m_finished = false;
    m_frameUpdated = false;
    m_ticks = 0;
    setErrorCode(ERR_NONE);
    CPlayable::setFilename(fileName);
    if (openStream(fileName) && createVideoSample()) return true;
    releaseStreams();
    return false;
}

void CMovie::startWorker() {
    stopWorker();
    if (s_mainThread) return;
    m_stopWorker = false;
    m_worker = std::thread([this] { workerLoop(); });
}

void CMovie::stopWorker() {
    if (!m_worker.joinable()) return;
    m_stopWorker = true;
    m_worker.join();
}

void CMovie::workerLoop() {
    while (!m_stopWorker) {
        CPlatformClock::sleepMilliseconds(10);
        std::lock_guard<std::mutex> lock(m_mutex);
        decodeDue();
    }
}

int64_t CMovie::movieTimeUs() const {
    if (!m_running || !m_active) return m_baseUs;
    return m_baseUs + static_cast<int64_t>(CPlatformClock::microseconds() - m_anchorUs);
}

void CMovie::rebase() {
    m_baseUs = movieTimeUs();
    m_anchorUs = CPlatformClock::microseconds();
}

void CMovie::restartAt(int64_t timeUs) {
    if (m_decoder) m_decoder->seek(timeUs);
    m_hasPending = false;
    m_framesSinceStart = 0;
    m_baseUs = timeUs;
    m_anchorUs = CPlatformClock::microseconds();
    if (m_voice) {
        int64_t offset = timeUs * kAudioRate / 1000000 * 4;
        if (offset >= 0 && offset < m_voice->size())
            m_voice->setPlayCursor(static_cast<int32_t>(offset));
        else
            m_voice->stop();
    }
}

void CMovie::decodeDue() {
    if (!m_decoder || !m_running || !m_active || m_finished) return;
    const int stride = m_width;
    // Frames owed after a long stall are decoded in order, a bounded number per look.
    for (int guard = 0; guard < 256; ++guard) {
        if (!m_hasPending) {
            int result = m_decoder->nextFrame(m_pending.data(), stride, &m_pendingUs);
            if (result != CMovieDecoder::RESULT_FRAME) {
                // A stream that gives no frame after going back to its start would loop for ever.
                if (m_rangeEnd != -1 || m_framesSinceStart == 0) {
                    m_finished = true;
                    return;
                }
                restartAt(0);
                continue;
            }
            m_hasPending = true;
        }
        if (m_pendingUs > movieTimeUs()) return;
        // The first frame past the range's end is replaced by its start.
        if (m_rangeEnd > 0 && m_pendingUs * 10 > m_rangeEnd) {
            if (m_framesSinceStart == 0) {
                m_finished = true;
                return;
            }
            restartAt(m_rangeStart / 10);
            continue;
        }
        m_ready.swap(m_pending);
        m_hasPending = false;
        ++m_framesSinceStart;
        ++m_ticks;
        m_frameUpdated = true;
    }
}

void CMovie::updateVoice() {
    if (!m_voice) return;
    if (m_running && m_active)
        m_voice->play(false);
    else
        m_voice->stop();
}

void CMovie::seekTime(int64_t time) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_decoder) return;
    m_finished = false;
    restartAt(std::max<int64_t>(0, time) / 10);
    updateVoice();
}

void CMovie::setPlayRange(int64_t startMs, int64_t endMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rangeStart = startMs * 10000;
    m_rangeEnd = endMs == -1 ? -1 : endMs * 10000;
}

void CMovie::redraw(CGraphicsObject* target) {
    auto* surface = dynamic_cast<CDirectDrawSurface*>(target);
    if (!surface || m_width <= 0 || m_height <= 0) return;
    CXRect rect(0, 0, m_width, m_height);
    surface->Blt(this, m_x + rect.left, m_y + rect.top, &rect);
}

void CMovie::Redraw() { CDirectDrawSurface::Redraw(); }

void CMovie::play(CXString) { play(); }

void CMovie::play() {
    if (!m_decoder) {
        stop(true);
        return;
    }
    stopWorker();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = false;
        m_ticks = 0;
        m_running = true;
        m_active = !CPlayable::m_window || CPlayable::m_window->isActive();
        // From the stream's start, whatever the range.
        restartAt(0);
        updateVoice();
    }
    m_status = STATUS_PLAYING;
    if (CXTimer* timer = CPlayable::m_window ? CPlayable::m_window->GetTimerInterface() : nullptr) {
        timer->remove(m_timerId);
        timer->add(m_timerId, 40, this);
    }
    startWorker();
    auto alive = aliveToken();
    notify(NOTIFY_STARTED);
    if (*alive) CGraphicsObject::Invalidate();
}

void CMovie::stop(bool notifyObservers) {
    m_finished = false;
    stopWorker();
    if (CPlayable::m_window && CPlayable::m_window->GetTimerInterface()) CPlayable::m_window->GetTimerInterface()->remove(m_timerId);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
        updateVoice();
    }
    m_status = 0;
    if (notifyObservers) notify(NOTIFY_FINISHED);
}

void CMovie::pause() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_running) return;
    rebase();
    m_running = false;
    updateVoice();
}

void CMovie::resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_decoder || m_running) return;
    m_anchorUs = CPlatformClock::microseconds();
    m_running = true;
    updateVoice();
}

bool CMovie::isPlaying() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running;
}

void CMovie::seek(int time) { seekTime(time); }

void CMovie::onTimer(int) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool active = !CPlayable::m_window || CPlayable::m_window->isActive();
        if (active != m_active) {
            // An inactive window stills the picture and the sound.
            rebase();
            m_active = active;
            m_anchorUs = CPlatformClock::microseconds();
            updateVoice();
        }
        if (s_mainThread) decodeDue();
    }
    if (m_frameUpdated.exchange(false)) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            char* pixels = GetDataPtr();
            if (pixels && !m_ready.empty())
                std::memcpy(pixels, m_ready.data(), m_ready.size() * sizeof(uint16_t));
        }
        CGraphicsObject::Invalidate();
    }
    auto alive = aliveToken();
    for (int ticks = m_ticks.exchange(0); ticks > 0; --ticks) {
        notify(NOTIFY_TICK);
        if (!*alive) return;
    }
    if (m_finished) stop(true);
}

} // namespace KavirelDLL
