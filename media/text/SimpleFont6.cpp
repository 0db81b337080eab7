#include "media/text/SimpleFont6.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/Containers.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/WholeFile.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/anim/Animo.h"
#include "media/anim/AnimoIO.h"

namespace KavirelDLL {

namespace {

constexpr int32_t kNoColor = std::numeric_limits<int32_t>::min();
constexpr int kHeaderBytes = 20;
// An atlas's pixels and alpha must fit the sizes a graphics object counts in int.
constexpr int64_t kMaxAtlasPixels = std::numeric_limits<int32_t>::max() / 3;
// Alpha above this counts as ink when kerning is scanned.
constexpr int kKerningInk = 20;

// The alpha of (x, y), 0 outside the picture; a picture without an alpha plane is opaque.
uint8_t alphaAt(const uint8_t* alpha, int width, int height, int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return alpha ? alpha[y * width + x] : 255;
}

bool blankColumn(const uint8_t* alpha, int width, int height, int x) {
    for (int y = 0; y < height; ++y)
        if (alphaAt(alpha, width, height, x, y) != 0) return false;
    return true;
}

// Blank columns counted from the left edge, or from the right one, up to the first with any ink.
int blankColumns(const uint8_t* alpha, int width, int height, bool fromRight) {
    int n = 0;
    while (n < width && blankColumn(alpha, width, height, fromRight ? width - 1 - n : n)) ++n;
    return n;
}

// The same of a graphics object's alpha plane; a graphics object without one is opaque.
int blankColumns(CGraphicsObject* frame, bool fromRight) {
    if (!frame) return 0;
    const int w = frame->Width(), h = frame->Height();
    const auto* alpha = frame->GetChannelSize(3) >= w * h
                            ? reinterpret_cast<const uint8_t*>(frame->GetChannelAlpha())
                            : nullptr;
    return blankColumns(alpha, w, h, fromRight);
}

// One letter's picture as create reads it, with its kerning ink (alpha above 20) as a bit per row, column by
// column.
struct Glyph {
    std::vector<uint16_t> pixels;
    std::vector<uint8_t> alpha;
    int left = 0, right = 0;
    std::vector<uint64_t> ink;
    int words = 0;

    void scanInk(int width, int height) {
        words = (height + 63) / 64;
        ink.assign(size_t(width) * size_t(words), 0);
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y)
                if (alpha[size_t(y * width + x)] > kKerningInk)
                    ink[size_t(x * words + y / 64)] |= uint64_t(1) << (y % 64);
    }
    const uint64_t* column(int x) const { return &ink[size_t(x * words)]; }
};

// Free columns between the last ink column of a and the first of b, scanned from the right of a. Walking the
// rows from the top, a row where both have ink ends the scan, and so does a row where one has ink directly
// below a row where only the other has (one column more).
int freeColumns(const Glyph& a, const Glyph& b, int width) {
    // A letter without ink meets nothing.
    std::vector<uint64_t> none;
    if (b.left >= width) none.assign(size_t(a.words), 0);
    const uint64_t* first = b.left < width ? b.column(b.left) : none.data();
    int count = 0;
    for (int c = width - a.right - 1; c >= a.left; --c, ++count) {
        const uint64_t* column = a.column(c);
        uint64_t carryA = 0, carryB = 0;
        for (int w = 0; w < a.words; ++w) {
            const uint64_t both = column[w] & first[w];
            const uint64_t onlyA = column[w] & ~first[w], onlyB = first[w] & ~column[w];
            const uint64_t touch = (onlyB & (onlyA << 1 | carryA)) | (onlyA & (onlyB << 1 | carryB));
            if (const uint64_t found = both | touch) {
                const int row = __builtin_ctzll(found);
                return both >> row & 1 ? count : count + 1;
            }
            carryA = onlyA >> 63;
            carryB = onlyB >> 63;
        }
    }
    return count;
}

} // namespace

// ---------------------------------------------------------------- CSimpleFont6

CSimpleFont6::CSimpleFont6(CWindow* window) : CGraphicsObject(window) { buildLookup(); }

CSimpleFont6::CSimpleFont6(CWindow* window, CXString file) : CSimpleFont6(window) { Load(file); }

CSimpleFont6::CSimpleFont6(CWindow* window, CMElement* element) : CSimpleFont6(window) {
    if (!element) return;
    m_family = element->getPropertyValue("FAMILY");
    m_style = element->getPropertyValue("STYLE");
    m_size = element->getPropertyIntValue("SIZE");
    CXString file = element->getPropertyValue("FILENAME");
    if (file.IsString()) Load(file);
}

CSimpleFont6::~CSimpleFont6() = default;

int CSimpleFont6::fail(int code, const char* why, const CXString& name) {
    logMessage("font \"%s\": %s", name.GetBuffer(), why);
    flush();
    setErrorCode(code);
    return code;
}

void CSimpleFont6::flush() {
    m_kerning.clear();
    m_leftOffsets.clear();
    m_rightOffsets.clear();
    m_letters.clear();
    m_cellColor.clear();
    m_letterCount = 0;
    buildLookup();
    Flush();
    m_width = m_height = 0;
}

void CSimpleFont6::buildLookup() {
    std::fill(std::begin(m_lookup), std::end(m_lookup), int16_t(-1));
    for (int i = m_letterCount - 1; i >= 0; --i) m_lookup[m_letters[size_t(i)]] = int16_t(i);
}

int CSimpleFont6::Load(CXString name) {
    flush();
    setErrorCode(0);
    CFile file;
    if (file.Open(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY) != 0)
        return fail(ERR_FILE_NOT_FOUND, "does not open", name);
    if (Load(&file) != 0) return LastError();
    if (m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) Convert(screen->GetBpp());
    setFileName(name);
    return LastError();
}

int CSimpleFont6::Load(CFile* file) {
    flush();
    setErrorCode(0);
    const CXString name = file ? file->GetFileName() : CXString("");
    if (!file) return fail(ERR_FILE_NOT_FOUND, "no file", name);
    CAnimoReader in(file);
    uint8_t head[kHeaderBytes];
    if (!in.read(head, kHeaderBytes)) return fail(ERR_FILE_DAMAGED, "header cut short", name);
    const int64_t w = CAnimoReader::u32(head + 4), h = CAnimoReader::u32(head + 8),
                  n = CAnimoReader::u32(head + 16);
    const int bpp = CAnimoReader::u32(head + 12) == 15 ? 15 : 16;
    // Every size is checked against the file before anything is allocated.
    if (n == 0) return 0;
    if (n > in.left() || w > kMaxAtlasPixels || h > kMaxAtlasPixels || w * h > kMaxAtlasPixels || w < n)
        return fail(ERR_FILE_DAMAGED, "sizes out of range", name);
    if (n + n * n + 2 * n + w * h * 3 > in.left())
        return fail(ERR_FILE_DAMAGED, "shorter than its sizes", name);
    const auto count = size_t(n), pixels = size_t(w * h);
    std::vector<uint8_t> letters(count);
    std::vector<int8_t> kerning(count * count), left(count), right(count);
    std::vector<uint16_t> atlas(pixels);
    std::vector<uint8_t> alpha(pixels);
    std::vector<uint8_t> raw(pixels * 2);
    if (!in.read(letters.data(), n) || !in.read(kerning.data(), n * n) || !in.read(left.data(), n) ||
        !in.read(right.data(), n) || !in.read(raw.data(), int64_t(raw.size())) ||
        !in.read(alpha.data(), int64_t(pixels)))
        return fail(ERR_FILE_DAMAGED, "cut short", name);
    for (size_t i = 0; i < pixels; ++i) atlas[i] = CAnimoReader::u16(&raw[i * 2]);
    if (!adopt(int(w), int(h), bpp, std::move(letters), std::move(kerning), std::move(left), std::move(right),
               std::move(atlas), std::move(alpha)))
        return fail(ERR_FILE_DAMAGED, "atlas refused", name);
    return 0;
}

bool CSimpleFont6::adopt(int width, int height, int bpp, std::vector<uint8_t> letters,
                         std::vector<int8_t> kerning, std::vector<int8_t> left, std::vector<int8_t> right,
                         std::vector<uint16_t> pixels, std::vector<uint8_t> alpha) {
    if (!sizeAcceptable(width, height, bpp)) return false;
    alloc(CXSize(width, height), bpp);
    if (pixelCount() > 0) {
        if (!m_data || !m_channel[3]) return false;
        std::memcpy(m_data.get(), pixels.data(), pixels.size() * 2);
        std::memcpy(m_channel[3].get(), alpha.data(), alpha.size());
    }
    m_letterCount = int(letters.size());
    m_letters = std::move(letters);
    m_kerning = std::move(kerning);
    m_leftOffsets = std::move(left);
    m_rightOffsets = std::move(right);
    m_cellColor.assign(size_t(m_letterCount), kNoColor);
    m_colored = false;
    buildLookup();
    return true;
}

bool CSimpleFont6::save(std::vector<uint8_t>& out) {
    out.clear();
    const int64_t pixels = int64_t(m_width) * m_height;
    const auto* atlas = reinterpret_cast<const uint16_t*>(GetDataPtr());
    const char* alpha = GetChannelAlpha();
    if (m_letterCount > 0 && (!atlas || !alpha || GetCompression() != COMPRESSION_NONE)) return false;
    CAnimoWriter w(out);
    w.bytes("FNT", 4);
    w.u32(uint32_t(m_width));
    w.u32(uint32_t(m_height));
    w.u32(16);
    w.u32(uint32_t(m_letterCount));
    w.bytes(m_letters.data(), m_letters.size());
    w.bytes(m_kerning.data(), m_kerning.size());
    w.bytes(m_leftOffsets.data(), m_leftOffsets.size());
    w.bytes(m_rightOffsets.data(), m_rightOffsets.size());
    for (int64_t i = 0; m_letterCount > 0 && i < pixels; ++i) w.u16(atlas[i]);
    if (m_letterCount > 0) w.bytes(alpha, size_t(pixels));
    return true;
}

int CSimpleFont6::create(CXString animationFile, CXString fntFile) {
    flush();
    setErrorCode(0);
    CAnimo animation(m_window, animationFile);
    if (animation.LastError() != 0)
        return fail(animation.LastError(), "its animation cannot be read", animationFile);
    const int n = animation.GetNOF();
    if (n == 0 || animation.GetNOE() == 0)
        return fail(ERR_FILE_DAMAGED, "its animation has no frames", animationFile);
    animation.DeCompress();
    animation.DeCompressRLE2();
    animation.Convert(16);
    const int cw = animation.GetFrame(0)->Width(), h = animation.GetFrame(0)->Height();
    if (cw > 127) return fail(ERR_FILE_DAMAGED, "letters wider than 127 pixels", animationFile);
    if (n > 256) return fail(ERR_FILE_DAMAGED, "more letters than characters", animationFile);
    if (int64_t(cw) * n * h > kMaxAtlasPixels)
        return fail(ERR_FILE_DAMAGED, "too many letters", animationFile);

    const auto count = static_cast<size_t>(n);
    std::vector<Glyph> glyphs(count);
    std::vector<uint8_t> letters(count);
    for (int i = 0; i < n; ++i) {
        CFrame* frame = animation.GetFrame(i);
        if (frame->Width() != cw || frame->Height() != h)
            return fail(ERR_FILE_DAMAGED, "frames of different sizes", animationFile);
        const auto* pixels = reinterpret_cast<const uint16_t*>(frame->GetDataPtr());
        const auto* alpha = reinterpret_cast<const uint8_t*>(frame->GetChannelAlpha());
        // Letters are 16-bit words: a frame of another depth holds fewer bytes than they need.
        if (frame->GetCompression() != COMPRESSION_NONE ||
            (cw * h > 0 && (!pixels || (frame->GetBpp() != 15 && frame->GetBpp() != 16))))
            return fail(ERR_FILE_DAMAGED, "a frame that cannot be decoded", animationFile);
        if (frame->GetChannelSize(3) < cw * h) alpha = nullptr;
        Glyph& g = glyphs[size_t(i)];
        g.pixels.assign(pixels, pixels + cw * h);
        g.alpha.resize(size_t(cw * h));
        for (int p = 0; p < cw * h; ++p) g.alpha[size_t(p)] = alpha ? alpha[p] : 255;
        // The one-pixel border is blank in every letter.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < cw; ++x)
                if (y == 0 || x == 0 || y == h - 1 || x == cw - 1) {
                    g.pixels[size_t(y * cw + x)] = 0;
                    g.alpha[size_t(y * cw + x)] = 0;
                }
        g.left = blankColumns(g.alpha.data(), cw, h, false);
        g.right = blankColumns(g.alpha.data(), cw, h, true);
        // A letter without ink is cell-wide blank on the left and has no ink width.
        if (g.left == cw) g.right = 0;
        g.scanInk(cw, h);
        letters[size_t(i)] = uint8_t(animation.getFrameName(0, i).GetAt(0));
    }

    const int w = n * cw;
    std::vector<uint16_t> atlas(size_t(w) * size_t(h));
    std::vector<uint8_t> alpha(atlas.size());
    std::vector<int8_t> left(count), right(count), kerning(count * count);
    for (int i = 0; i < n; ++i) {
        const Glyph& g = glyphs[size_t(i)];
        left[size_t(i)] = int8_t(g.left);
        right[size_t(i)] = int8_t(g.right);
        // Frames without columns (or rows) give letters that copy nothing into the atlas.
        for (int y = 0; cw > 0 && y < h; ++y) {
            std::memcpy(&atlas[size_t(y) * w + size_t(i) * cw], &g.pixels[size_t(y * cw)], size_t(cw) * 2);
            std::memcpy(&alpha[size_t(y) * w + size_t(i) * cw], &g.alpha[size_t(y * cw)], size_t(cw));
        }
        for (int j = 0; j < n; ++j)
            kerning[size_t(i) * n + size_t(j)] = int8_t(1 - freeColumns(g, glyphs[size_t(j)], cw));
    }
    if (!adopt(w, h, 16, std::move(letters), std::move(kerning), std::move(left), std::move(right),
               std::move(atlas), std::move(alpha)))
        return fail(ERR_FILE_DAMAGED, "atlas refused", animationFile);

    std::vector<uint8_t> bytes;
    save(bytes);
    const int written = writeWholeFile(m_window, fntFile, CFile::MODE_BINARY, "font", [&](CFile& file) {
        return file.Write(bytes.data(), int(bytes.size())) == int(bytes.size());
    });
    if (written != 0) setErrorCode(ERR_FILE_WRITE);
    return LastError();
}

int CSimpleFont6::findLetter(char letter) const {
    auto c = static_cast<unsigned char>(letter);
    if (c == '@') c = '<';
    if (c == '$') c = '>';
    return m_lookup[c];
}

int CSimpleFont6::inkWidth(int cell) const {
    return std::max(0, cellWidth() - m_leftOffsets[size_t(cell)] - m_rightOffsets[size_t(cell)]);
}

int CSimpleFont6::getKerning(int previous, int next) {
    if (previous == 0 || next == ' ' || next == '~' || next == 0) return 0;
    const int a = findLetter(char(previous)), b = findLetter(char(next));
    if (a < 0 || b < 0) return 0;
    return m_kerning[size_t(a) * size_t(m_letterCount) + size_t(b)];
}

int CSimpleFont6::getRealLetterWidth(char letter) {
    if (letter == ' ') return getLetterWidth(0, 'l');
    if (letter == '~') return 1;
    const int cell = letter == 0 ? -1 : findLetter(letter);
    return cell < 0 ? 0 : inkWidth(cell);
}

int CSimpleFont6::getLetterWidth(char previous, char letter) {
    return getRealLetterWidth(letter) -
           getKerning(static_cast<unsigned char>(previous), static_cast<unsigned char>(letter));
}

int CSimpleFont6::drawLetter(int x, int y, char previous, char letter) {
    if (letter == ' ') return getLetterWidth(0, 'l') + 2;
    if (letter == '~') return 3;
    const int cell = letter == 0 ? -1 : findLetter(letter);
    if (cell < 0) return 2;
    const CXRect kept = GetClippingRect();
    const int k = getKerning(static_cast<unsigned char>(previous), static_cast<unsigned char>(letter));
    const int g = cell * cellWidth() + m_leftOffsets[size_t(cell)];
    const int w = inkWidth(cell);
    SetPosition(x - g - k, y);
    CXRect clip(g, 0, g + w, m_height);
    if (!kept.IsEmpty()) {
        clip.left = std::max(kept.left, g);
        clip.top = std::max(kept.top, 0);
        clip.right = std::min(g + w, kept.right);
        clip.bottom = std::min(m_height, kept.bottom);
    }
    // A clipping rectangle that leaves nothing of the letter draws nothing.
    if (clip.right > clip.left && clip.bottom > clip.top && w > 0) {
        CGraphicsObject::SetClippingRect(clip);
        Redraw();
    }
    CGraphicsObject::SetClippingRect(kept);
    return w - k + 2;
}

void CSimpleFont6::SetClippingRect(char letter, CXRect rect) {
    const int cell = findLetter(letter);
    if (cell >= 0 && !rect.IsEmpty()) {
        const int g = cell * cellWidth() + m_leftOffsets[size_t(cell)];
        rect.left += g;
        rect.right += g;
    }
    CGraphicsObject::SetClippingRect(rect);
}

void CSimpleFont6::setColor(int color) {
    m_color = color;
    m_colored = true;
}

void CSimpleFont6::paintCells(int first, int last) {
    auto* pixels = reinterpret_cast<uint16_t*>(m_data.get());
    const int cw = cellWidth();
    if (!m_colored || !pixels || GetCompression() != COMPRESSION_NONE || cw == 0) return;
    first = std::max(first, 0);
    last = std::min(last, m_letterCount - 1);
    const auto value = static_cast<uint16_t>(m_color);
    for (int cell = first; cell <= last; ++cell) {
        if (m_cellColor[size_t(cell)] == m_color) continue;
        m_cellColor[size_t(cell)] = m_color;
        // The last cell takes the columns that no cell holds as well.
        const int right = cell == m_letterCount - 1 ? m_width : (cell + 1) * cw;
        for (int y = 0; y < m_height; ++y)
            std::fill(pixels + y * m_width + cell * cw, pixels + y * m_width + right, value);
    }
}

char* CSimpleFont6::GetDataPtr() {
    paintCells(0, m_letterCount - 1);
    return CGraphicsObject::GetDataPtr();
}

void CSimpleFont6::redraw(CGraphicsObject* destination) {
    const int cw = cellWidth();
    if (cw > 0) {
        if (m_clip.IsEmpty())
            paintCells(0, m_letterCount - 1);
        else
            paintCells(m_clip.left / cw, (m_clip.right - 1) / cw);
    }
    CGraphicsObject::redraw(destination);
}

int CSimpleFont6::getLeftOffset(CGraphicsObject* frame) { return blankColumns(frame, false); }

int CSimpleFont6::getRightOffset(CGraphicsObject* frame) { return blankColumns(frame, true); }

// ---------------------------------------------------------------- CFontCollection

CFontCollection::CFontCollection(CWindow* window) : CSimpleFont6(window), m_fonts(new CXVector(101, 0.75f)) {}

CFontCollection::~CFontCollection() {
    for (int i = 0; i < m_fonts->getSize(); ++i)
        static_cast<CSimpleFont6*>(m_fonts->at(i))->removeInvalidateObserver(this);
    delete m_fonts;
}

void CFontCollection::addFont(CSimpleFont6* font) {
    if (!font || m_fonts->contains(font)) return;
    m_fonts->add(font);
    font->addInvalidateObserver(this);
    if (!m_baseFont) m_baseFont = font;
}

void CFontCollection::onDestroy(CGraphicsObject* source) {
    // Told while the font's own destructor runs: compared as a pointer only.
    auto* listed = static_cast<CXObject*>(source);
    if (m_fonts->contains(listed)) {
        m_fonts->remove(listed);
        if (static_cast<CXObject*>(m_baseFont) == listed) m_baseFont = nullptr;
        return;
    }
    CSimpleFont6::onDestroy(source);
}

CSimpleFont6* CFontCollection::get(CXString family, CXString style, int size) {
    for (int i = 0; i < m_fonts->getSize(); ++i) {
        auto* font = static_cast<CSimpleFont6*>(m_fonts->at(i));
        if (font->getSize() == size && font->getFamily().equalsIgnoreCase(family) &&
            font->getStyle().equalsIgnoreCase(style))
            return font;
    }
    return nullptr;
}

int CFontCollection::getFontCount() { return m_fonts->getSize(); }

CSimpleFont6* CFontCollection::getFont(int i) {
    return static_cast<CSimpleFont6*>(m_fonts->at(i < m_fonts->getSize() ? i : -1));
}

void CFontCollection::SetOpacity(uint8_t opacity) {
    CSimpleFont6::SetOpacity(opacity);
    for (int i = 0; i < m_fonts->getSize(); ++i)
        static_cast<CSimpleFont6*>(m_fonts->at(i))->SetOpacity(opacity);
}

int CFontCollection::Height() { return m_baseFont ? m_baseFont->Height() : 0; }

int CFontCollection::drawLetter(int x, int y, char previous, char letter) {
    return m_baseFont ? m_baseFont->drawLetter(x, y, previous, letter) : 0;
}

int CFontCollection::getLetterWidth(char previous, char letter) {
    return m_baseFont ? m_baseFont->getLetterWidth(previous, letter) : 0;
}

int CFontCollection::getRealLetterWidth(char letter) {
    return m_baseFont ? m_baseFont->getRealLetterWidth(letter) : 0;
}

void CFontCollection::setColor(int color) {
    CSimpleFont6::setColor(color);
    for (int i = 0; i < m_fonts->getSize(); ++i) static_cast<CSimpleFont6*>(m_fonts->at(i))->setColor(color);
}

} // namespace KavirelDLL
