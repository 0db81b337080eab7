#include "media/text/Font5.h"

#include <algorithm>

#include "core/Elements.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/anim/Animo.h"
#include "media/anim/Frame.h"

namespace KavirelDLL {

namespace {

// Stands in the alphabet for a frame without a name, so later letters keep their frame's position.
constexpr char kNoLetter = '\x01';

} // namespace

CFont5::CFont5(CWindow* window) : m_window(window) {}

CFont5::CFont5(CWindow* window, CXString file) : CFont5(window) { load(file); }

CFont5::CFont5(CWindow* window, CMElement* element) : CFont5(window) {
    if (!element) return;
    m_fileName = element->getPropertyValue("FILENAME");
    load(m_fileName);
}

CFont5::~CFont5() = default;

bool CFont5::load(CXString file) {
    m_animation = std::make_unique<CAnimo>(m_window, file);
    setErrorCode(m_animation->LastError());
    m_alphabet = "";
    for (int i = 0; i < m_animation->GetNOF(); ++i) {
        // The corners stay blank; a frame without an alpha plane has none to clear.
        if (CFrame* frame = m_animation->GetFrame(i)) {
            const int w = frame->Width(), h = frame->Height();
            char* alpha = frame->GetChannelAlpha();
            if (alpha && w > 0 && h > 0 && frame->GetChannelSize(3) >= w * h &&
                frame->GetCompression() == COMPRESSION_NONE) {
                alpha[0] = alpha[w - 1] = 0;
                alpha[(h - 1) * w] = alpha[h * w - 1] = 0;
            }
        }
        const CXString name = m_animation->getFrameName(0, i);
        m_alphabet += name.IsString() ? name.GetAt(0) : kNoLetter;
    }
    if (m_window) m_animation->SetDestiny(m_window->GetRefreshScreenInterface());
    return true;
}

int CFont5::frameOf(char letter) {
    if (!m_animation || letter == kNoLetter) return -1;
    const int i = m_alphabet.Find(letter);
    return i >= 0 && i < m_animation->GetNOFInEvent(0) ? i : -1;
}

CXSize CFont5::getLetterSize(char letter) {
    const int i = frameOf(letter);
    CFrame* frame = i < 0 ? nullptr : m_animation->GetEventFrame(0, i);
    return frame ? frame->Size() : CXSize(0, 0);
}

int CFont5::getAlphabetHeight() {
    int height = 0;
    for (int i = 0; m_animation && i < m_animation->GetNOF(); ++i)
        height = std::max(height, m_animation->GetFrame(i)->Height());
    return height;
}

int CFont5::drawLetter(int x, int y, char letter) {
    if (!m_animation) return 0;
    m_animation->SetDestiny(m_destination);
    m_animation->SetPosition(x, y);
    const int i = frameOf(letter);
    if (i < 0) return 0;
    m_animation->SetEventFrame(0, i);
    m_animation->Redraw();
    return getLetterWidth(letter);
}

int CFont5::getLengthInPixels(CXString text, int spacing) {
    int length = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text.GetAt(i);
        length += c == ' ' ? getLetterWidth('A') : spacing + getLetterWidth(c);
    }
    return length;
}

} // namespace KavirelDLL
