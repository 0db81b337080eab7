// The engine window's music: one piece at a time, read from the local install.
#include "display/Window.h"
#include "media/sound/Music.h"

namespace KavirelDLL {

void CWindow::StartMusic(CXString file, bool loop) {
    if (!m_soundOn || !m_musicOn || !m_music) return;
    CXString full = rootPath;
    full += file;
    if (m_music->isPlaying() && m_music->getFileName().equalsIgnoreCase(full)) return;
    m_music->stop();
    m_music->play(full, loop);
}

void CWindow::StopMusic() {
    if (m_music) m_music->stop();
}

bool CWindow::isMusicPlaying() { return m_music && m_music->isPlaying(); }

int CWindow::getMusicVolume() { return m_music ? m_music->getVolume() : 0; }

void CWindow::setMusicVolume(int volume) {
    if (m_music) m_music->setVolume(volume);
}

void CWindow::setMusicPan(int pan) {
    if (m_music) m_music->setPan(pan);
}

void CWindow::setMusicFreq(int frequency) {
    if (m_music) m_music->setFreq(frequency);
}

} // namespace KavirelDLL
