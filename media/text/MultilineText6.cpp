#include "media/text/MultilineText6.h"

#include <algorithm>

#include "core/Containers.h"
#include "core/File.h"
#include "core/Log.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"
#include "media/text/SimpleFont6.h"

namespace KavirelDLL {

namespace {

CSimpleFont6* baseOf(CSimpleFont6* font) {
    if (font && font->isMultifont()) return static_cast<CFontCollection*>(font)->getBaseFont();
    return font;
}

// A run cut into words, each with the spaces before it; spaces ending the run are a piece of their own.
std::vector<std::string> pieces(const std::string& run) {
    std::vector<std::string> out;
    std::string piece;
    for (char c : run) {
        if (c == ' ' && !piece.empty() && piece.back() != ' ') {
            out.push_back(piece);
            piece.clear();
        }
        piece += c;
    }
    if (!piece.empty()) out.push_back(piece);
    return out;
}

} // namespace

CMultilineText6::CMultilineText6(CWindow* window, bool hypertext, CUnit6* unit)
    : CText6(window, hypertext, unit), m_textLines(new CXArray(101, 0.75f)) {
    m_sharedLines = true;
}

CMultilineText6::~CMultilineText6() {
    flush();
    delete m_textLines;
}

void CMultilineText6::flush() {
    for (int i = 0; i < m_textLines->getSize(); ++i) delete static_cast<CText6*>(m_textLines->at(i));
    m_textLines->removeAll();
    // A box the unit deleted first has left the list already (the list is the box's holder).
    while (m_editBoxes->getSize() > 0) {
        auto* box = static_cast<CEditBox6*>(m_editBoxes->at(m_editBoxes->getSize() - 1));
        m_editBoxes->removeAt(m_editBoxes->getSize() - 1);
        box->removeHolder(m_editBoxes);
        if (m_unit) m_unit->removeEditBox(box);
        delete box;
    }
    flush_ht_info();
    Flush();
}

int CMultilineText6::getLineCount() { return m_textLines->getSize(); }

CText6* CMultilineText6::getLine(int i) {
    return i >= 0 && i < m_textLines->getSize() ? static_cast<CText6*>(m_textLines->at(i)) : nullptr;
}

void CMultilineText6::setText(CXString text) {
    if (m_font) Invalidate();
    m_source = convTab(text.replace(CXString("&NBSP;"), CXString(" ")));
    m_text = m_source;
    parseText();
    if (m_font) {
        layOut();
        remeasure(getHeight());
    }
}

void CMultilineText6::setFont(CSimpleFont6* font) {
    const bool hasText = m_text.IsString();
    if (hasText) Invalidate();
    m_font = font;
    parseText();
    if (hasText && font) {
        // Measured once laid out with the new font, as setText measures.
        layOut();
        remeasure(getHeight());
    }
}

void CMultilineText6::setJustify(CXRect rect, _justify h, _justify v) { CText6::setJustify(rect, h, v); }

void CMultilineText6::Move(int dx, int dy) {
    Invalidate();
    m_justifyRect += CXPoint(dx, dy);
    setJustify(m_justifyRect, m_hJustify, m_vJustify);
    Invalidate();
}

int CMultilineText6::Load(CXString name) {
    CFile file;
    if (file.Open(m_window, name, CFile::MODE_READ | CFile::MODE_TEXT) != 0) {
        logMessage("text \"%s\" does not open", name.GetBuffer());
        setText(CXString(""));
        setErrorCode(ERR_FILE_NOT_FOUND);
        return ERR_FILE_NOT_FOUND;
    }
    std::string text;
    char buffer[4096];
    int got;
    while ((got = file.Read(buffer, sizeof buffer)) > 0) text.append(buffer, size_t(got));
    if (!text.empty() && text.back() != '\n') text += '\n';
    setText(CXString(text.c_str()));
    setErrorCode(0);
    return 0;
}

void CMultilineText6::layOut() {
    flush();
    splitMultiText();
    // Each line keeps its own words; their indexes run on through the lines.
    int first = 0;
    for (int i = 0; i < m_textLines->getSize(); ++i) {
        CText6* line = getLine(i);
        ht_Line* words = line ? line->get_ht_lines_info(0) : nullptr;
        if (words) {
            words->firstWord = first;
            first += words->wordCount;
        }
        m_lines.push_back(words);
    }
}

void CMultilineText6::splitMultiText() {
    CSimpleFont6* current = baseOf(m_font);
    if (!current) return;
    const int width = m_justifyRect.right - m_justifyRect.left;
    int lineWidth = 0, lineCount = 0;
    // The line with its codes, the same without them, and the codes a wrapped line starts with again.
    std::string line, plainLine, openStyle, openColor;
    std::vector<std::pair<bool, std::string>> emitted;
    auto emit = [&] {
        emitted.emplace_back(true, line);
        line = openColor + openStyle;
        plainLine.clear();
    };
    for (int i = 0; i < m_codes->getSize(); ++i) {
        auto* code = static_cast<CTextFormatCode*>(m_codes->at(i));
        const std::string text = code->getText().GetBuffer();
        switch (code->getMode()) {
        case CTextFormatCode::STYLE:
            // A second style code before the wrap ends the repetition.
            openStyle = openStyle.empty() ? text : std::string();
            line += text;
            current = code->getFont() ? code->getFont() : current;
            break;
        case CTextFormatCode::COLOR: {
            CXString tag("<COLOR");
            tag += code->getColor();
            tag += ">";
            line += tag.GetBuffer();
            if (code->getColor() != 0) openColor = tag.GetBuffer();
            break;
        }
        case CTextFormatCode::RUN:
            for (std::string piece : pieces(text)) {
                const int pieceWidth = CText6::getLength(current, CXString(piece.c_str()));
                lineWidth += pieceWidth;
                // A line is wrapped only once it holds text: a word wider than the box gets a line of its
                // own.
                if (lineWidth > width && !plainLine.empty()) {
                    ++lineCount;
                    emit();
                    lineWidth = pieceWidth;
                    if (piece[0] == ' ') piece.erase(0, 1);
                }
                line += piece;
                plainLine += piece;
            }
            break;
        case CTextFormatCode::LINE_BREAK:
            ++lineCount;
            emit();
            emitted.emplace_back(false, std::string());
            lineWidth = 0;
            break;
        case CTextFormatCode::EDIT_FIELD: {
            // Wider than any screen is a damaged code: kept within reach so sums and the field stay small.
            const int fieldWidth = std::clamp(code->getWidth(), 0, 65535);
            if (lineWidth + fieldWidth > width && !plainLine.empty()) {
                ++lineCount;
                emit();
                lineWidth = 0;
            }
            const int s = current->getLetterWidth(char(-1), ' '), h = current->Height();
            const int cells = fieldWidth / (s + 2);
            // A blank, then the field's underscores.
            std::string field(size_t(std::max(cells - 2, 0)) + 1, '_');
            field[0] = ' ';
            line += field;
            plainLine += field;
            const int left = m_x + lineWidth + s, top = m_y + (h - 4) * lineCount;
            addEditBox(CXRect(left, top, left + fieldWidth, top + h), code);
            lineWidth += 3 * s + fieldWidth;
            break;
        }
        default:
            break;
        }
    }
    if (!plainLine.empty()) emitted.emplace_back(true, line);

    // Every line shows the text's colour unless its codes say otherwise.
    std::string colour;
    if (m_color != 0) {
        CXString tag("<COLOR");
        tag += m_color;
        tag += ">";
        colour = tag.GetBuffer();
    }
    for (const auto& [isLine, text] : emitted) {
        CText6* object = nullptr;
        if (isLine) {
            object = new CText6(m_window, m_hypertext, nullptr);
            object->setUp(m_font, CXString((colour + text).c_str()));
        }
        m_textLines->add(object);
    }
}

void CMultilineText6::addEditBox(CXRect rect, CTextFormatCode* code) {
    if (!m_unit) return;
    if (CEditBox6* box = m_unit->addEditBox(m_font, rect, 0, code->getText())) {
        m_editBoxes->add(box);
        box->addHolder(m_editBoxes);
    }
}

int CMultilineText6::getLength() {
    int length = 0;
    for (int i = 0; i < m_textLines->getSize(); ++i)
        if (CText6* line = getLine(i)) length = std::max(length, line->getLength());
    return length;
}

int CMultilineText6::getHeight() {
    const int entries = m_textLines->getSize();
    const int fontHeight = m_font ? m_font->Height() : 0;
    int height = 0;
    for (int i = 0; i < entries; ++i) {
        if (CText6* line = getLine(i))
            height += line->Height();
        else if (i > 0 && !getLine(i - 1))
            height += fontHeight;
    }
    return entries > 1 ? height - 2 * (entries - 1) : height;
}

void CMultilineText6::Redraw() {
    if (!m_font || !m_destiny) return;
    const int fontHeight = m_font->Height();
    int y = m_y;
    for (int i = 0; i < m_textLines->getSize(); ++i) {
        CText6* line = getLine(i);
        if (!line) {
            if (i > 0 && !getLine(i - 1)) y += fontHeight - 4;
            continue;
        }
        line->SetOpacity(m_opacity);
        line->SetDestiny(m_destiny);
        line->SetClippingRect(CXRect(0, 0, 0, 0));
        line->SetPosition(m_x, y);
        if (m_clip.IsEmpty()) {
            line->Redraw();
        } else {
            // The line's box in the text's coordinates, cut by the text's clipping, made the line's own.
            const int top = y - m_y;
            const CXRect part(std::max(0, m_clip.left), std::max(top, m_clip.top),
                              std::min(line->Width(), m_clip.right),
                              std::min(top + line->Height(), m_clip.bottom));
            if (part.right > part.left && part.bottom > part.top) {
                line->SetClippingRect(part - CXPoint(0, top));
                line->Redraw();
                line->SetClippingRect(CXRect(0, 0, 0, 0));
            }
        }
        y += line->Height() - 4;
    }
}

// ---------------------------------------------------------------- words

int CMultilineText6::getNumWords() {
    int words = 0;
    for (ht_Line* line : m_lines)
        if (line) words += line->wordCount;
    return words;
}

CText6* CMultilineText6::lineOf(int i, int& first) {
    for (int l = 0; l < m_textLines->getSize(); ++l) {
        CText6* line = getLine(l);
        ht_Line* words = line ? line->get_ht_lines_info(0) : nullptr;
        if (words && i >= words->firstWord && i < words->firstWord + words->wordCount) {
            first = words->firstWord;
            return line;
        }
    }
    return nullptr;
}

int CMultilineText6::getWordAtXY(CXPoint p) {
    int found = -1;
    for (int l = 0; l < m_textLines->getSize(); ++l) {
        CText6* line = getLine(l);
        ht_Line* words = line ? line->get_ht_lines_info(0) : nullptr;
        if (!words || p.y < words->top || p.y > words->bottom) continue;
        const int word = line->getWordAtXY(p);
        if (word >= 0) found = word + words->firstWord;
    }
    return found;
}

CXString CMultilineText6::getWordAt(int i) {
    int first = 0;
    CText6* line = lineOf(i, first);
    return line ? line->getWordAt(i - first) : CXString("");
}

CXPoint CMultilineText6::getWordPosition(int i) {
    int first = 0;
    CText6* line = lineOf(i, first);
    if (!line) return CXPoint(-1, -1);
    return CXPoint(line->getWordPosition(i - first).x, line->get_ht_lines_info(0)->top);
}

int CMultilineText6::getWordWidth(int i) {
    int first = 0;
    CText6* line = lineOf(i, first);
    return line ? line->getWordWidth(i - first) : 0;
}

int CMultilineText6::search(CXString word, int from) {
    for (int l = 0; l < m_textLines->getSize(); ++l)
        if (CText6* line = getLine(l)) {
            const int found = line->search(word, from);
            if (found != -1) return found;
        }
    return -1;
}

void CMultilineText6::setWordColor(int i, int color) {
    int first = 0;
    if (CText6* line = lineOf(i, first)) {
        line->setWordColor(i - first, color);
        Invalidate();
    }
}

} // namespace KavirelDLL
