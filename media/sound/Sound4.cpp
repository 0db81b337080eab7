#include "media/sound/Sound4.h"

#include <cstdlib>
#include <cstring>

#include "core/DataBuffer.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/StringTokenizer.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "media/sound/SoundCodec.h"
#include "media/sound/SoundManager.h"
#include "platform/Audio.h"

namespace KavirelDLL {

namespace {
std::unique_ptr<CAudioDevice> g_device;
} // namespace

CAudioDevice* CSound4::m_pDirectSound = nullptr;
CAudioDevice* CSound4::m_pDirectSoundPrimaryBuffer = nullptr;
bool CSound4::m_bSoundBufferCreated = false;

// ---------------------------------------------------------------- the device

CAudioDevice* CSound4::CreateDirectSoundInterface(CWindow* window) {
    if (g_device) return g_device.get();
    bool silent = window && !window->IsSoundOn();
    g_device = CAudioDevice::openSdl(silent);
    if (!g_device)
        logMessage("sound: no audio device (%s), the game runs silent",
                   CAudioDevice::lastOpenError().c_str());
    m_pDirectSound = g_device.get();
    return m_pDirectSound;
}

CAudioDevice* CSound4::CreatePrimarySoundBuffer(CWindow*) {
    if (m_bSoundBufferCreated || !m_pDirectSound) return m_pDirectSoundPrimaryBuffer;
    m_pDirectSoundPrimaryBuffer = m_pDirectSound;
    m_bSoundBufferCreated = true;
    return m_pDirectSoundPrimaryBuffer;
}

void CSound4::DestroySoundBuffer() {
    // The device goes whether or not a sound asked for the primary buffer, so a later window opens anew.
    m_pDirectSoundPrimaryBuffer = nullptr;
    m_bSoundBufferCreated = false;
    m_pDirectSound = nullptr;
    g_device.reset();
}

void CSound4::useDevice(std::unique_ptr<CAudioDevice> device) {
    DestroySoundBuffer();
    g_device = std::move(device);
    m_pDirectSound = g_device.get();
}

// ---------------------------------------------------------------- a sound

CSound4::CSound4(CWindow* window) : CPlayable(window) {}

CSound4::CSound4(CWindow* window, CXString fileName, bool flushAfterPlayed, bool preload)
    : CPlayable(window), m_flushAfterPlayed(flushAfterPlayed) {
    setFilename(fileName);
    m_type = 1;
    CShellServices* application = window ? window->getShellServices() : nullptr;
    m_manager = application ? application->getSoundManagerIfc() : nullptr;
    if (m_manager) m_manager->add(this, false);
    CreatePrimarySoundBuffer(window);
    if (preload) load();
}

CSound4::~CSound4() {
    *m_alive = false;
    if (m_manager) m_manager->remove(this);
    releaseBuffer();
}

void CSound4::releaseBuffer() {
    if (m_buffer) m_buffer->stop();
    m_buffer.reset();
}

void CSound4::applyLevels() {
    m_buffer->setVolume(m_volume);
    m_buffer->setPan(m_panning);
    m_buffer->setFrequency(m_frequency);
}

bool CSound4::load() {
    CXString name = getFileName();
    // Speex sounds have no codec here.
    if (name.GetLength() >= 4 && CXString(name.GetBuffer() + name.GetLength() - 4).equalsIgnoreCase(".SPX")) {
        logMessage("sound: %s is a Speex file, which static sounds do not play", name.GetBuffer());
        setErrorCode(ERR_FILE_DAMAGED);
        return false;
    }
    CFile file(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY);
    if (file.LastError() || !file.GetHandle()) {
        logMessage("sound: %s is not found", name.GetBuffer());
        setErrorCode(ERR_FILE_NOT_FOUND);
        return false;
    }
    releaseBuffer();
    uint32_t ignored = 0;
    bool head = CWaveChunks::readHead(&file) && CWaveChunks::find(&file, "fmt ", ignored);
    uint8_t tag[2] = {};
    head = head && file.Read(tag, 2) == 2 && file.Seek(0, 0) == 0;
    CSoundCodec* codec = head ? CSoundCodec::getCodec(tag[0] | (tag[1] << 8)) : nullptr;
    if (codec) codec->decode(&file);
    CDataBuffer* data = codec ? codec->getBufferIfc() : nullptr;
    CAudioDevice* device = CreatePrimarySoundBuffer(m_window);
    bool loaded = false;
    if (data && device) {
        const CWaveFormat* desc = codec->getDesc();
        CAudioFormat voiceFormat{static_cast<int32_t>(desc->samplesPerSec),
                                 static_cast<int16_t>(desc->channels),
                                 static_cast<int16_t>(desc->bitsPerSample)};
        m_buffer = device->createVoice(voiceFormat, data->getCount());
        if (m_buffer) {
            CAudioVoice::CLock lock(*m_buffer, 0, m_buffer->size());
            std::memcpy(lock.part1, data->getBuffer(), static_cast<size_t>(lock.size1));
        }
        loaded = m_buffer != nullptr;
    }
    if (codec) codec->flush();
    if (loaded) {
        applyLevels();
        setErrorCode(ERR_NONE);
    } else if (data || !device) {
        // A sound that decoded but found no device to play on is no damage of the file.
        if (data) logMessage("sound: %s has a format the mixer does not play", name.GetBuffer());
        if (data) setErrorCode(ERR_FILE_DAMAGED);
    } else {
        logMessage("sound: %s is not a sound this engine plays", name.GetBuffer());
        setErrorCode(ERR_FILE_DAMAGED);
    }
    return loaded;
}

bool CSound4::Load(CXString fileName) {
    releaseBuffer();
    setFilename(fileName);
    return load();
}

void CSound4::Flush() { releaseBuffer(); }

void CSound4::SetPosition(int position) {
    if (m_buffer) m_buffer->setPlayCursor(position);
}

void CSound4::seek(int position) { SetPosition(position); }

void CSound4::play() {
    m_bytePosition = 0;
    Play();
}

void CSound4::Play() {
    if (!m_buffer) load();
    if (!m_buffer) return;
    m_buffer->setPlayCursor(m_bytePosition);
    if (m_manager) m_manager->play(this);
    m_buffer->play(false);
    m_bytePosition = 0;
    m_notifyFinished = true;
    bool wasPaused = m_status == STATUS_PAUSED;
    m_status = STATUS_PLAYING;
    notify(wasPaused ? NOTIFY_RESUMED : NOTIFY_STARTED);
}

void CSound4::Play(bool loop) {
    if (!m_buffer) load();
    if (!m_buffer) return;
    m_buffer->setPlayCursor(0);
    m_buffer->play(loop);
    m_notifyFinished = true;
    notify(NOTIFY_STARTED);
}

void CSound4::Stop() {
    if (m_buffer) m_buffer->stop();
    m_status = 0;
}

void CSound4::stop(bool notifyFinished) {
    m_notifyFinished = notifyFinished;
    Stop();
}

void CSound4::pause() {
    if (m_status != STATUS_PLAYING) return;
    if (m_buffer) m_bytePosition = m_buffer->playCursor();
    Stop();
    m_status = STATUS_PAUSED;
}

void CSound4::resume() {
    if (m_status == STATUS_PAUSED) Play();
}

bool CSound4::IsPlaying() { return m_buffer && m_buffer->isPlaying(); }

bool CSound4::isPlaying() { return IsPlaying(); }

void CSound4::setVolume(int volume) {
    if (m_buffer && !m_buffer->setVolume(volume)) return;
    if (volume < -10000 || volume > 0) return;
    CPlayable::setVolume(volume);
}

void CSound4::setPanning(int panning) {
    if (m_buffer && !m_buffer->setPan(panning)) return;
    if (panning < -10000 || panning > 10000) return;
    CPlayable::setPanning(panning);
}

void CSound4::setFrequency(int frequency) {
    if (m_buffer && !m_buffer->setFrequency(frequency)) return;
    if (frequency != 0 &&
        (frequency < CAudioFormat::kMinFrequency || frequency > CAudioFormat::kMaxFrequency))
        return;
    CPlayable::setFrequency(frequency);
}

void CSound4::OnWAVFinished() {
    std::shared_ptr<bool> alive = m_alive;
    if (m_notifyFinished) notify(NOTIFY_FINISHED);
    if (!*alive) return;
    m_notifyFinished = true;
    if (m_flushAfterPlayed) releaseBuffer();
}

// ---------------------------------------------------------------- randomized sounds

CRandomizedSound::CRandomizedSound(CWindow* window, CXString list, bool flushAfterPlayed, bool preload)
    : CSound4(window) {
    CStringTokenizer names(list, ";");
    while (names.hasMoreTokens()) {
        CXString name = names.nextToken();
        if (!name.IsString()) continue;
        if (name.Find(':') < 0 && window) name = window->GetSoundFXFullPath(name);
        m_members.push_back(new CSound4(window, name, flushAfterPlayed, preload));
    }
}

CRandomizedSound::~CRandomizedSound() {
    for (CSound4* member : m_members) delete member;
}

int CRandomizedSound::getCount() const { return static_cast<int>(m_members.size()); }

CSound4* CRandomizedSound::pick() {
    if (m_members.empty()) return nullptr;
    m_last = m_members[static_cast<size_t>(std::rand()) % m_members.size()];
    return m_last;
}

void CRandomizedSound::Play(bool loop) {
    if (CSound4* member = pick()) member->Play(loop);
}

void CRandomizedSound::Play() {
    if (CSound4* member = pick()) member->Play();
}

void CRandomizedSound::Stop() {
    if (m_last) m_last->Stop();
}

bool CRandomizedSound::IsPlaying() { return m_last && m_last->IsPlaying(); }

void CRandomizedSound::setVolume(int volume) {
    for (CSound4* member : m_members) member->setVolume(volume);
}

void CRandomizedSound::setPanning(int panning) {
    for (CSound4* member : m_members) member->setPanning(panning);
}

void CRandomizedSound::setFrequency(int frequency) {
    for (CSound4* member : m_members) member->setFrequency(frequency);
}

} // namespace KavirelDLL
