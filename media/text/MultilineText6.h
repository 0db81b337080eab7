#pragma once
#include <string>
#include <vector>

#include "media/text/Text6.h"

namespace KavirelDLL {

class CXArray;

// A text wrapped to the width of its justification rectangle into lines of their own (each a CText6), lines
// 4 pixels apart; "|" and CR break lines and "&NBSP;" is a space. Word indexes run through all lines. Edit
// field codes become edit boxes made by the scene unit, over a space and underscores left in the line.
class CMultilineText6 : public CText6 {
public:
    CMultilineText6(CWindow* window, bool hypertext, CUnit6* unit);
    ~CMultilineText6() override;

    void Move(int dx, int dy) override;
    using CText6::Move;
    void Redraw() override;
    // The text of a file, its lines each followed by LF; ERR_FILE_NOT_FOUND when it does not open.
    int Load(CXString file) override;
    using CText6::Load;
    int getHeight() override;
    void setFont(CSimpleFont6* font) override;
    void setText(CXString text) override;
    void setJustify(CXRect rect, _justify h, _justify v) override;
    int getWordAtXY(CXPoint p) override;
    CXString getWordAt(int i) override;
    CXPoint getWordPosition(int i) override;
    int getWordWidth(int i) override;
    int search(CXString word, int from) override;
    void setWordColor(int i, int color) override;
    int getLength() override;
    int getNumWords() override;
    // Deletes the lines and the edit boxes (taken out of the unit first).
    virtual void flush();

    int getLineCount();
    // Null for a line break.
    CText6* getLine(int i);

private:
    // The lines of the parsed text: null for a line break.
    void splitMultiText();
    void layOut();
    void addEditBox(CXRect rect, CTextFormatCode* code);
    // The line holding a word; null when none does.
    CText6* lineOf(int i, int& first);

    CXArray* m_textLines;
};

} // namespace KavirelDLL
