#include "media/text/Text6.h"

#include <algorithm>

#include "core/Containers.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/text/SimpleFont6.h"

namespace KavirelDLL {

namespace {

constexpr int kNoWordColor = 0x10000;

// The font a text starts with: a collection's base font, or the font itself.
CSimpleFont6* firstFont(CSimpleFont6* font) {
    if (font && font->isMultifont()) return static_cast<CFontCollection*>(font)->getBaseFont();
    return font;
}

// The style a code names; empty for a name that is no style code.
const char* styleOf(const CXString& name) {
    if (name.equalsIgnoreCase("B")) return "BOLD";
    if (name.equalsIgnoreCase("I")) return "ITALIC";
    if (name.equalsIgnoreCase("U")) return "UNDERLINE";
    if (name.equalsIgnoreCase("LS")) return "LSTRIKE";
    if (name.equalsIgnoreCase("US")) return "USTRIKE";
    return "";
}

int clampByte(int v) { return std::clamp(v, 0, 255); }

} // namespace

CText6::CText6(CWindow* window, bool, CUnit6* unit)
    : CGraphicsObject(window), m_codes(new CXVector(101, 0.75f)), m_unit(unit),
      m_editBoxes(new CXVector(101, 0.75f)) {}

CText6::~CText6() {
    unwatchAll();
    flush_ht_info();
    deleteCodes();
    delete m_codes;
    delete m_editBoxes;
}

void CText6::flush_ht_info() {
    if (!m_sharedLines)
        for (ht_Line* line : m_lines) delete line;
    m_lines.clear();
}

void CText6::deleteCodes() {
    for (int i = 0; i < m_codes->getSize(); ++i) delete m_codes->at(i);
    m_codes->removeAll();
    m_plain.clear();
}

void CText6::watch(CSimpleFont6* font) {
    if (!font || std::find(m_watched.begin(), m_watched.end(), font) != m_watched.end()) return;
    font->addInvalidateObserver(this);
    m_watched.push_back(font);
}

void CText6::unwatchAll() {
    for (CSimpleFont6* font : m_watched) font->removeInvalidateObserver(this);
    m_watched.clear();
}

void CText6::onInvalidate(CGraphicsObject* source, CXRect* rect) {
    // A font changes as every text draws with it; that is no change of this text.
    for (CSimpleFont6* font : m_watched)
        if (static_cast<CGraphicsObject*>(font) == source) return;
    CGraphicsObject::onInvalidate(source, rect);
}

void CText6::onDestroy(CGraphicsObject* source) {
    // Told while the font's destructor runs: compared as a pointer only.
    auto watched = std::find_if(m_watched.begin(), m_watched.end(),
                                [&](CSimpleFont6* f) { return static_cast<CGraphicsObject*>(f) == source; });
    if (watched == m_watched.end()) {
        CGraphicsObject::onDestroy(source);
        return;
    }
    m_watched.erase(watched);
    if (static_cast<CGraphicsObject*>(m_font) == source) m_font = nullptr;
    for (int i = 0; i < m_codes->getSize(); ++i) {
        auto* code = static_cast<CTextFormatCode*>(m_codes->at(i));
        if (static_cast<CGraphicsObject*>(code->m_font) == source) code->m_font = nullptr;
    }
}

CXString CText6::convTab(CXString text) {
    if (text.Find('\t') < 0) return text;
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text.GetAt(i);
        if (c == '\t')
            out += "        ";
        else
            out += c;
    }
    return CXString(out.c_str());
}

CXString CText6::getColoruredText(CXString text, int color) {
    if (text.startsWith("<COLOR")) text.removeTag("COLOR");
    if (color == 0) return text;
    CXString out("<COLOR");
    out += color;
    out += ">";
    out += text;
    out += "<COLOR>";
    return out;
}

void CText6::setText(CXString text) {
    if (m_font) Invalidate();
    // The text's own colour codes stay: only the colour given to the whole text is put around it.
    m_source = convTab(text);
    m_text = m_source;
    if (m_color != 0) {
        m_text = "<COLOR";
        m_text += m_color;
        m_text += ">";
        m_text += m_source;
        m_text += "<COLOR>";
    }
    parseText();
    if (m_font) remeasure(m_font->Height());
    buildWords();
}

void CText6::buildWords() {
    flush_ht_info();
    auto* line = new ht_Line;
    line->wordCount = count_words();
    line->words.resize(size_t(line->wordCount));
    m_lines.push_back(line);
    m_layoutPending = true;
}

void CText6::setColor(int color) {
    if (color == m_color) return;
    m_color = color;
    setText(m_source);
}

void CText6::setUp(CSimpleFont6* font, CXString text) {
    m_font = font;
    m_color = 0;
    m_text = text;
    parseText();
    m_width = getLength();
    m_height = font ? font->Height() : 0;
    buildWords();
}

void CText6::setFont(CSimpleFont6* font) {
    const bool hasText = m_text.IsString();
    if (hasText) Invalidate();
    unwatchAll();
    m_font = font;
    if (!font) {
        parseText();
        return;
    }
    m_color = font->getDefColor();
    // Measured once the text is parsed with the new font, as setText measures it.
    parseText();
    if (hasText) remeasure(font->Height());
}

void CText6::remeasure(int height) {
    m_width = getLength();
    m_height = height;
    setJustify(m_justifyRect, m_hJustify, m_vJustify);
    Invalidate();
}

void CText6::setJustify(CXRect rect, _justify h, _justify v) {
    m_justifyRect = rect;
    m_hJustify = h;
    m_vJustify = v;
    int x = m_x, y = m_y;
    if (h == LEFT) x = rect.left;
    if (h == RIGHT) x = rect.right - m_width;
    if (h == CENTER) x = rect.left + (rect.right - rect.left - m_width) / 2;
    if (v == CENTER) y = rect.top + (rect.bottom - rect.top - m_height) / 2;
    if (v == TOP) y = rect.top;
    if (v == BOTTOM) y = rect.bottom - m_height;
    m_x = x;
    m_y = y;
}

void CText6::Move(int dx, int dy) {
    if (m_justifyRect.IsEmpty()) {
        CGraphicsObject::Move(dx, dy);
        return;
    }
    Invalidate();
    m_justifyRect += CXPoint(dx, dy);
    setJustify(m_justifyRect, m_hJustify, m_vJustify);
    Invalidate();
}

// ---------------------------------------------------------------- parsing

int CText6::parseColor(const CXString& value) {
    if (value.Find(',') < 0) return value.toNumber();
    const std::string text = value.GetBuffer();
    const size_t a = text.find(','), b = text.find(',', a + 1);
    const int r = clampByte(CXString(text.substr(0, a).c_str()).toNumber());
    const int g =
        b == std::string::npos ? 0 : clampByte(CXString(text.substr(a + 1, b - a - 1).c_str()).toNumber());
    const int bl =
        clampByte(CXString(text.substr(b == std::string::npos ? text.size() : b + 1).c_str()).toNumber());
    CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
    if (screen && screen->GetBpp() == 15) return (r >> 3) << 10 | (g >> 3) << 5 | bl >> 3;
    return (r >> 3) << 11 | (g >> 2) << 5 | bl >> 3;
}

void CText6::addRun(std::string& run) {
    if (run.empty()) return;
    m_codes->add(new CTextFormatCode(CTextFormatCode::RUN, CXString(run.c_str())));
    m_plain += run;
    run.clear();
}

void CText6::addCode(int mode, const CXString& name, CSimpleFont6*& current) {
    if (mode == CTextFormatCode::STYLE) {
        // Styles do not combine: a code switches between its style and the standard one.
        CXString style = styleOf(name);
        if (current && current->getStyle().equalsIgnoreCase(style)) style = "STANDARD";
        CSimpleFont6* font = nullptr;
        if (current && m_font && m_font->isMultifont())
            font =
                static_cast<CFontCollection*>(m_font)->get(current->getFamily(), style, current->getSize());
        if (!font) return;
        CXString text("<");
        text += name;
        text += ">";
        auto* code = new CTextFormatCode(mode, text);
        code->m_font = font;
        m_codes->add(code);
        watch(font);
        current = font;
        return;
    }
    if (mode == CTextFormatCode::EDIT_FIELD) {
        // "E", width, field name and initial text; the text keeps any further commas.
        const std::string fields = name.GetBuffer();
        std::vector<std::string> parts;
        size_t from = 0;
        while (parts.size() < 3) {
            const size_t comma = fields.find(',', from);
            if (comma == std::string::npos) break;
            parts.push_back(fields.substr(from, comma - from));
            from = comma + 1;
        }
        parts.push_back(fields.substr(std::min(from, fields.size())));
        auto* code = new CTextFormatCode(mode, CXString(parts.size() > 3 ? parts[3].c_str() : ""));
        code->m_width = parts.size() > 1 ? CXString(parts[1].c_str()).toNumber() : 0;
        code->m_name = parts.size() > 2 ? parts[2].c_str() : "";
        m_codes->add(code);
        return;
    }
    auto* code = new CTextFormatCode(mode, CXString(""));
    if (mode == CTextFormatCode::COLOR) code->m_color = parseColor(name.Right(5));
    m_codes->add(code);
}

void CText6::parseText() {
    deleteCodes();
    unwatchAll();
    watch(m_font);
    CSimpleFont6* current = firstFont(m_font);
    const char* s = m_text.GetBuffer();
    const int n = m_text.GetLength();
    std::string run;
    for (int i = 0; i < n; ++i) {
        const char c = s[i];
        if (c == '\t') {
            run += c;
            addCode(CTextFormatCode::TAB, CXString(""), current);
        } else if (c == '\n') {
            continue;
        } else if (c == '\r' || c == '|') {
            addRun(run);
            addCode(CTextFormatCode::LINE_BREAK, CXString(""), current);
        } else if (c == '<') {
            int j = i + 1;
            while (j < n && s[j] != '>' && s[j] != '<') ++j;
            if (j >= n) {
                // Unclosed: the rest is text.
                run.append(s + i, size_t(n - i));
                addRun(run);
                break;
            }
            if (s[j] == '<') {
                // A second "<" before any ">": the text up to it stays, the second "<" is lost.
                run.append(s + i, size_t(j - i));
                addRun(run);
                i = j;
                continue;
            }
            const CXString name = m_text.Mid(i + 1, j);
            int mode = 0;
            if (*styleOf(name))
                mode = CTextFormatCode::STYLE;
            else if (name.startsWith("E,"))
                mode = CTextFormatCode::EDIT_FIELD;
            else if (name.startsWith("COLOR"))
                mode = CTextFormatCode::COLOR;
            // Any other name is text, without its "<".
            if (mode == 0) continue;
            addRun(run);
            addCode(mode, name, current);
            i = j;
        } else {
            run += c;
        }
    }
    addRun(run);
}

// ---------------------------------------------------------------- measuring

int CText6::getLength(CSimpleFont6* font, CXString text) {
    if (!font) return 0;
    int length = 0;
    char previous = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text.GetAt(i);
        length += font->getLetterWidth(previous, c) + 2;
        previous = c;
    }
    return length;
}

int CText6::getLength() {
    CSimpleFont6* current = firstFont(m_font);
    int length = 0;
    for (int i = 0; current && i < m_codes->getSize(); ++i) {
        auto* code = static_cast<CTextFormatCode*>(m_codes->at(i));
        if (code->getMode() == CTextFormatCode::STYLE && code->getFont()) current = code->getFont();
        if (code->getMode() == CTextFormatCode::RUN) length += getLength(current, code->getText());
    }
    return length;
}

// ---------------------------------------------------------------- drawing

void CText6::Redraw() {
    CSimpleFont6* current = firstFont(m_font);
    if (!current || !m_destiny) return;
    const int saved = m_font->getColor();
    ht_Line* line = m_lines.empty() ? nullptr : m_lines[0];
    // Where the text is now: it may have moved since it was laid out.
    if (line) {
        line->top = m_y;
        line->bottom = m_y + m_font->Height();
    }
    m_font->SetOpacity(m_opacity);
    int x = m_x;
    const int y = m_y;
    int textColor = saved;
    int word = 0;
    bool recoloured = false;
    bool begun = false;
    auto hasWord = [&](int i) { return line && i >= 0 && i < line->wordCount; };
    // The word's own colour, else the text's; a style code's font takes it too.
    auto colour = [&] {
        const int wanted = hasWord(word) && line->words[size_t(word)].color != kNoWordColor
                               ? line->words[size_t(word)].color
                               : textColor;
        if (current->getColor() != wanted && (wanted != 0 || recoloured)) {
            current->setColor(wanted);
            recoloured = true;
        }
    };
    for (int i = 0; i < m_codes->getSize(); ++i) {
        auto* code = static_cast<CTextFormatCode*>(m_codes->at(i));
        if (code->getMode() == CTextFormatCode::STYLE && code->getFont()) current = code->getFont();
        if (code->getMode() == CTextFormatCode::COLOR && code->getColor() != 0) textColor = code->getColor();
        if (code->getMode() != CTextFormatCode::RUN) continue;
        current->SetDestiny(m_destiny);
        current->SetOpacity(m_opacity);
        colour();
        // A word starts with the text or after a space, not where a code splits it.
        if (!begun && hasWord(word)) line->words[size_t(word)].start = x - m_x;
        begun = true;
        const CXString& text = code->getText();
        char previous = 0;
        for (int c = 0; c < text.GetLength(); ++c) {
            const char letter = text.GetAt(c);
            if (letter == ' ') {
                if (hasWord(word)) line->words[size_t(word)].end = x - 1 - m_x;
                ++word;
                if (hasWord(word)) line->words[size_t(word)].start = x - m_x;
                colour();
            }
            if (m_clip.IsEmpty()) {
                x += current->drawLetter(x, y, previous, letter);
            } else {
                // The letter's ink in the text's own coordinates, cut by the clipping rectangle.
                const int ink = x - m_x -
                                current->getKerning(static_cast<unsigned char>(previous),
                                                    static_cast<unsigned char>(letter));
                CXRect part(std::max(ink, m_clip.left), std::max(0, m_clip.top),
                            std::min(ink + current->getRealLetterWidth(letter), m_clip.right),
                            std::min(current->Height(), m_clip.bottom));
                if (part.right <= part.left || part.bottom <= part.top) {
                    x += current->getLetterWidth(previous, letter) + 2;
                } else {
                    current->SetClippingRect(letter, part - CXPoint(ink, 0));
                    x += current->drawLetter(x, y, previous, letter);
                    current->CGraphicsObject::SetClippingRect(CXRect(0, 0, 0, 0));
                }
            }
            previous = letter;
        }
        if (hasWord(word)) line->words[size_t(word)].end = x - 1 - m_x;
    }
    if (hasWord(word)) line->words[size_t(word)].end = x - m_x;
    m_font->SetOpacity(255);
    // A font that had no colour of its own keeps the last one rather than turning black.
    if (recoloured && saved != 0) m_font->setColor(saved);
    m_layoutPending = false;
}

// ---------------------------------------------------------------- words

int CText6::count_words() {
    return m_plain.empty() ? 0 : int(std::count(m_plain.begin(), m_plain.end(), ' ')) + 1;
}

int CText6::getNumWords() { return m_lines.empty() || !m_lines[0] ? 0 : m_lines[0]->wordCount; }

ht_Line* CText6::get_ht_lines_info(int i) {
    return i >= 0 && i < int(m_lines.size()) ? m_lines[size_t(i)] : nullptr;
}

bool CText6::validWord(int i) {
    return !m_lines.empty() && m_lines[0] && i >= 0 && i < m_lines[0]->wordCount;
}

void CText6::wordExtent(int i, int& from, int& to) {
    from = 0;
    for (int w = 0; w < i; ++w) from = int(m_plain.find(' ', size_t(from))) + 1;
    const size_t end = m_plain.find(' ', size_t(from));
    to = end == std::string::npos ? int(m_plain.size()) : int(end);
}

int CText6::getWordAtXY(CXPoint p) {
    if (m_lines.empty() || !m_lines[0]) return -1;
    const ht_Line* line = m_lines[0];
    for (int i = 0; i < line->wordCount; ++i) {
        const ht_Word& w = line->words[size_t(i)];
        if (w.start <= p.x - m_x && p.x - m_x <= w.end) return i;
    }
    return -1;
}

CXString CText6::getWordAt(int i) {
    if (!validWord(i)) return CXString("");
    int from = 0, to = 0;
    wordExtent(i, from, to);
    return CXString(m_plain.substr(size_t(from), size_t(to - from)).c_str());
}

CXPoint CText6::getWordPosition(int i) {
    if (!validWord(i)) return CXPoint(-1, -1);
    return CXPoint(m_lines[0]->words[size_t(i)].start + m_x, -1);
}

int CText6::getWordWidth(int i) {
    if (!validWord(i)) return 0;
    const ht_Word& w = m_lines[0]->words[size_t(i)];
    return w.end - w.start;
}

int CText6::search(CXString word, int from) {
    if (m_lines.empty() || !m_lines[0]) return -1;
    const int first = m_lines[0]->firstWord;
    const std::string wanted = word.GetBuffer();
    size_t start = 0;
    for (int i = 0; i < m_lines[0]->wordCount; ++i) {
        size_t end = m_plain.find(' ', start);
        if (end == std::string::npos) end = m_plain.size();
        if (first + i >= from && m_plain.compare(start, end - start, wanted) == 0) return first + i;
        start = end + 1;
    }
    return -1;
}

void CText6::setWordColor(int i, int color) {
    if (!validWord(i)) return;
    m_lines[0]->words[size_t(i)].color = color;
    Invalidate();
}

} // namespace KavirelDLL
