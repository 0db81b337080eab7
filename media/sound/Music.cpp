#include "media/sound/Music.h"

#include "media/sound/SndStream.h"

namespace KavirelDLL {

CMusic::~CMusic() { stop(); }

void CMusic::play(CXString fileName, bool loop) {
    // The window stops the music first; a stream still here would be lost otherwise.
    stop();
    m_stream = new CSndStream(m_window, fileName);
    if (int error = m_stream->LastError()) {
        setErrorCode(error);
        return;
    }
    setErrorCode(ERR_NONE);
    m_fileName = fileName;
    m_stream->Play(loop);
}

void CMusic::stop() {
    delete m_stream;
    m_stream = nullptr;
}

bool CMusic::isPlaying() { return m_stream && m_stream->IsPlaying(); }

void CMusic::setVolume(int volume) {
    if (m_stream) m_stream->setVolume(volume);
}

int CMusic::getVolume() { return m_stream ? m_stream->getVolume() : 0; }

void CMusic::setPan(int pan) {
    if (m_stream) m_stream->setPan(pan);
}

void CMusic::setFreq(int frequency) {
    if (m_stream) m_stream->setFreq(frequency);
}

} // namespace KavirelDLL
