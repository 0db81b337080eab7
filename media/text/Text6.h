#pragma once
#include <cstdint>
#include <vector>

#include "core/XString.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CSimpleFont6;
class CUnit6;
class CWindow;
class CXVector;

enum _justify : int32_t { LEFT = 0, RIGHT = 1, CENTER = 2, TOP = 3, BOTTOM = 4 };

// One parsed piece of a text.
class CTextFormatCode : public CXObject {
public:
    enum : int { STYLE = 1, RUN = 2, TAB = 3, LINE_BREAK = 4, EDIT_FIELD = 5, COLOR = 6 };

    CTextFormatCode(int mode, CXString text) : m_mode(mode), m_text(text) {}
    int getMode() const { return m_mode; }
    int getColor() const { return m_color; }
    CXString getText() const { return m_text; }
    CSimpleFont6* getFont() const { return m_font; }
    int getWidth() const { return m_width; }
    CXString getName() const { return m_name; }

private:
    friend class CText6;
    int m_mode;
    int m_color = 0;
    CXString m_text;
    CSimpleFont6* m_font = nullptr;
    int m_width = 0;
    CXString m_name;
};

// Where a word was drawn, and its own colour (kNoWordColor: the text's).
struct ht_Word {
    int start = 0;
    int end = 0;
    int color = 0x10000;
};

// The words of one line: their extents and the line's y range, recorded when it is drawn.
struct ht_Line {
    int firstWord = 0;
    int top = 0;
    int bottom = 0;
    int wordCount = 0;
    std::vector<ht_Word> words;
};

// One line of text in a bitmap font, with format codes between "<" and ">": "B", "I", "U", "LS" and "US"
// switch a font collection's style, "COLOR" followed by a pixel value or by r,g,b sets the colour (no value:
// the colour before), "E,width,name,text" opens an edit field; CR and "|" break lines. A single font reads
// its codes as a collection of that font alone (style codes find nothing). The text is placed inside its
// justification rectangle, and the words it draws are kept (position, width, own colour) for scripts.
//
// Words are the space-separated parts of the text without its codes; their indexes run through the text.
// Positions given and answered are the screen's, as of the text's last draw.
class CText6 : public CGraphicsObject {
public:
    CText6(CWindow* window, bool hypertext, CUnit6* unit);
    ~CText6() override;

    virtual void flush_ht_info();
    virtual void setFont(CSimpleFont6* font);
    virtual void setText(CXString text);
    virtual void setJustify(CXRect rect, _justify h, _justify v);
    virtual CXString getText() { return m_text; }
    // The text inside "<COLOR...>" and "<COLOR>" (its colour tags removed first); the text alone for 0.
    virtual CXString getColoruredText(CXString text, int color);
    virtual void setColor(int color);
    virtual int getColor() { return m_color; }
    // -1 when no word was drawn there.
    virtual int getWordAtXY(CXPoint p);
    // Empty for an index outside the text.
    virtual CXString getWordAt(int i);
    // (-1, -1) for an index outside the text.
    virtual CXPoint getWordPosition(int i);
    virtual int getWordWidth(int i);
    // The index of the first word from `from` on that equals the word; -1 when none.
    virtual int search(CXString word, int from);
    virtual void setWordColor(int i, int color);

    void Move(int dx, int dy) override;
    using CGraphicsObject::Move;
    void Redraw() override;
    void onInvalidate(CGraphicsObject* source, CXRect* rect) override;
    void onDestroy(CGraphicsObject* source) override;

    // The width as drawn.
    virtual int getLength();
    // The width of a text without codes in a font.
    static int getLength(CSimpleFont6* font, CXString text);
    virtual int getNumWords();
    int count_words();
    ht_Line* get_ht_lines_info(int i);
    CSimpleFont6* getFont() { return m_font; }
    _justify getHJustify() { return m_hJustify; }
    _justify getVJustify() { return m_vJustify; }
    CXRect getjustifyRect() { return m_justifyRect; }
    CXVector* getEditBoxes() { return m_editBoxes; }
    CXVector* getCodes() { return m_codes; }
    // Every TAB becomes eight spaces.
    static CXString convTab(CXString text);

protected:
    void parseText();
    // The size and place after the text or its font changed.
    void remeasure(int height);
    void deleteCodes();
    // The colour of "COLOR" codes: one pixel value, or r,g,b packed for the screen's format.
    int parseColor(const CXString& value);
    // Watches the font or a code's font, so that a font destroyed is forgotten.
    void watch(CSimpleFont6* font);
    void unwatchAll();
    // The text without its codes: the words' text.
    const std::string& plain() const { return m_plain; }
    // The word holding the character at an index of the plain text.
    void wordExtent(int i, int& from, int& to);
    bool validWord(int i);

    CSimpleFont6* m_font = nullptr;
    CXString m_text;
    // The text as given (tabs expanded), which the colour wraps.
    CXString m_source;
    CXRect m_justifyRect;
    _justify m_vJustify = TOP;
    _justify m_hJustify = LEFT;
    CXVector* m_codes;
    CUnit6* m_unit;
    CXVector* m_editBoxes;
    int m_color = 0xFFFF;
    bool m_hypertext = true;
    bool m_layoutPending = true;
    std::vector<ht_Line*> m_lines;
    bool m_sharedLines = false;

private:
    friend class CMultilineText6;
    // A line of a multi-line text: its font and its text as given, colour codes included.
    void setUp(CSimpleFont6* font, CXString text);
    void addRun(std::string& run);
    void addCode(int mode, const CXString& name, CSimpleFont6*& current);
    void buildWords();

    std::string m_plain;
    std::vector<CSimpleFont6*> m_watched;
};

} // namespace KavirelDLL
