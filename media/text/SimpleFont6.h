#pragma once
#include <cstdint>
#include <vector>

#include "core/XString.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CFile;
class CFrame;
class CMElement;
class CWindow;
class CXVector;

// A bitmap font: one atlas of 16-bit pixels with an alpha plane, every letter in a cell of the same width,
// with the blank columns at each side of a letter and a kerning table for every ordered pair of letters. A
// letter is drawn by placing the whole atlas and clipping it to the letter's cell. Letters take their shape
// from the alpha plane only: the font has one colour at a time.
//
// Characters are code page 1250 bytes. "@" and "$" are drawn as "<" and ">", since texts write those two
// characters that way.
//
// The FNT file (little-endian, no padding): "FNT\0", u32 atlas width W, u32 height H, u32 bits per pixel,
// u32 letter count n, then n letters, n x n kerning bytes (row: the previous letter), n left and n right
// blank-column counts (all signed bytes), W x H 16-bit pixels and W x H alpha bytes.
class CSimpleFont6 : public CGraphicsObject {
public:
    explicit CSimpleFont6(CWindow* window);
    CSimpleFont6(CWindow* window, CXString file);
    // FILENAME (loaded unless empty), FAMILY, STYLE and SIZE.
    CSimpleFont6(CWindow* window, CMElement* element);
    ~CSimpleFont6() override;

    // Both answer the error code: ERR_FILE_NOT_FOUND for a file that does not open, ERR_FILE_DAMAGED for a
    // short or inconsistent one (the font stays empty then, and the log names the file).
    int Load(CXString name) override;
    int Load(CFile* file) override;
    // Makes a font of an animation file (a frame per letter, named by it) and writes it as FNT. The frames
    // must all have the first one's size, at most 127 pixels wide. ERR_FILE_NOT_FOUND or ERR_FILE_DAMAGED
    // for an animation it cannot use, ERR_FILE_WRITE when the FNT file cannot be written; no file then.
    int create(CXString animationFile, CXString fntFile);
    // The FNT bytes of the font.
    bool save(std::vector<uint8_t>& out);

    virtual void flush();
    // Draws a letter with its left ink column at x - kerning; answers the advance (2 blank pixels included).
    virtual int drawLetter(int x, int y, char previous, char letter);
    virtual int getLetterWidth(char previous, char letter);
    virtual int getRealLetterWidth(char letter);
    // Clips the atlas to part of a letter: rect is relative to the letter's ink (empty: the whole cell).
    virtual void SetClippingRect(char letter, CXRect rect);
    using CGraphicsObject::SetClippingRect;
    virtual void setColor(int color);
    virtual bool isMultifont() { return false; }

    // The atlas as pixels: every cell in the font's colour.
    char* GetDataPtr() override;
    void redraw(CGraphicsObject* destination) override;

    // Columns from the left or right edge in which every alpha value is 0.
    static int getLeftOffset(CGraphicsObject* frame);
    static int getRightOffset(CGraphicsObject* frame);
    // The pixels the letter moves left after previous; 0 unless both are letters drawn from their cells.
    int getKerning(int previous, int next);

    void setFamily(CXString family) { m_family = family; }
    void setStyle(CXString style) { m_style = style; }
    void setSize(int size) { m_size = size; }
    using CGraphicsObject::setSize;
    CXString getFamily() { return m_family; }
    CXString getStyle() { return m_style; }
    int getSize() { return m_size; }
    int setDefColor(int color) { return m_defColor = color; }
    int getDefColor() { return m_defColor; }
    int getColor() { return m_color; }
    int getLetterCount() const { return m_letterCount; }
    // The cell of a character, -1 when the font lacks it.
    int findLetter(char letter) const;

protected:
    // Takes the parts of a font; false (and empty) when they do not fit together.
    bool adopt(int width, int height, int bpp, std::vector<uint8_t> letters, std::vector<int8_t> kerning,
               std::vector<int8_t> left, std::vector<int8_t> right, std::vector<uint16_t> pixels,
               std::vector<uint8_t> alpha);
    int cellWidth() const { return m_letterCount > 0 ? m_width / m_letterCount : 0; }
    int inkWidth(int cell) const;
    // Writes the font's colour into the cells from first to last when they show another.
    void paintCells(int first, int last);

    std::vector<int8_t> m_kerning;
    std::vector<int8_t> m_leftOffsets;
    std::vector<int8_t> m_rightOffsets;
    std::vector<uint8_t> m_letters;
    int m_letterCount = 0;
    CXString m_family;
    CXString m_style;
    int m_size = 0;
    int m_defColor = 0xFFFF;
    int m_color = 0;

private:
    int fail(int code, const char* why, const CXString& name);
    void buildLookup();

    // First cell of each character (-1: none).
    int16_t m_lookup[256];
    // The colour each cell's pixels show; kNoColor while they are the file's own.
    std::vector<int32_t> m_cellColor;
    bool m_colored = false;
};

// A font that switches among fonts by family, style and size; otherwise it is its base font. It does not own
// the fonts it lists, and forgets one that is destroyed.
class CFontCollection : public CSimpleFont6 {
public:
    explicit CFontCollection(CWindow* window);
    ~CFontCollection() override;

    // Adds a font unless listed; the first becomes the base font.
    void addFont(CSimpleFont6* font);
    void setBaseFont(CSimpleFont6* font) { m_baseFont = font; }
    CSimpleFont6* getBaseFont() { return m_baseFont; }
    // The first font of that family and style (letter case ignored) and that size; null when none.
    CSimpleFont6* get(CXString family, CXString style, int size);
    int getFontCount();
    CSimpleFont6* getFont(int i);

    void SetOpacity(uint8_t opacity) override;
    int Height() override;
    int drawLetter(int x, int y, char previous, char letter) override;
    int getLetterWidth(char previous, char letter) override;
    int getRealLetterWidth(char letter) override;
    void setColor(int color) override;
    bool isMultifont() override { return true; }
    void onDestroy(CGraphicsObject* source) override;

private:
    CXVector* m_fonts;
    CSimpleFont6* m_baseFont = nullptr;
};

} // namespace KavirelDLL
