#pragma once
#include <memory>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "core/XString.h"

namespace KavirelDLL {

class CAnimo;
class CGraphicsObject;
class CMElement;
class CWindow;

// The older font: an animation whose first event shows a frame per letter, each frame named by its letter.
class CFont5 : public CXObject {
public:
    explicit CFont5(CWindow* window);
    CFont5(CWindow* window, CXString file);
    // FILENAME, then load.
    CFont5(CWindow* window, CMElement* element);
    ~CFont5() override;
    CFont5(const CFont5&) = delete;
    CFont5& operator=(const CFont5&) = delete;

    // False only when no animation could be made; the animation's error code stays in LastError.
    bool load(CXString file);
    // (0, 0) for a letter the font lacks.
    CXSize getLetterSize(char letter);
    int getLetterWidth(char letter) { return getLetterSize(letter).cx; }
    int getLetterHeight(char letter) { return getLetterSize(letter).cy; }
    // The tallest frame.
    int getAlphabetHeight();
    // Draws the letter at (x, y) into the destination; its width, 0 for a letter the font lacks.
    int drawLetter(CXPoint p, char letter) { return drawLetter(p.x, p.y, letter); }
    int drawLetter(int x, int y, char letter);
    // A space is as wide as "A"; every other letter adds spacing and its width.
    int getLengthInPixels(CXString text, int spacing);
    void setDestiny(CGraphicsObject* destination) { m_destination = destination; }
    CXString getAlphabet() const { return m_alphabet; }
    CXString getFileName() const { return m_fileName; }

private:
    int frameOf(char letter);

    CWindow* m_window;
    CXString m_fileName;
    CXString m_alphabet;
    std::unique_ptr<CAnimo> m_animation;
    CGraphicsObject* m_destination = nullptr;
};

} // namespace KavirelDLL
