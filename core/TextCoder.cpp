#include "core/TextCoder.h"

#include <cstring>
#include <new>

#include "core/File.h"
#include "core/Log.h"

namespace KavirelDLL {

namespace {

constexpr int kRing = 220;

struct Ring {
    unsigned char symbol[kRing];
    int16_t place[256]; // -1 for bytes that stay as they are
};

constexpr Ring makeRing() {
    Ring r{};
    for (int c = 0; c < 256; ++c) r.place[c] = -1;
    int n = 0;
    for (int c = 0x20; c < 0x7F; ++c) {
        if (c == '<' || c == 'E' || c == '>') continue;
        r.symbol[n] = static_cast<unsigned char>(c);
        r.place[c] = static_cast<int16_t>(n++);
    }
    for (int c = 0x80; c < 0x100; ++c) {
        r.symbol[n] = static_cast<unsigned char>(c);
        r.place[c] = static_cast<int16_t>(n++);
    }
    return r;
}

constexpr Ring kRingTable = makeRing();
static_assert(kRing == 95 - 3 + 128);

const char kMark[] = "<E>";
constexpr int kMarkLength = 3;

// How far the character at a transform index moves on the ring: 1 to 219, never a full turn.
inline int offsetAt(int index) {
    return 1 + static_cast<int>((static_cast<uint32_t>(index) * 89u) % static_cast<uint32_t>(kRing - 1));
}

// Moves each character of a run forward (or back) on the ring; index counts the characters of the
// whole text, back to 0 after cycle - 1.
void transform(char* text, size_t length, int32_t& index, int32_t cycle, bool forward) {
    for (size_t i = 0; i < length; ++i) {
        int place = kRingTable.place[static_cast<unsigned char>(text[i])];
        int offset = offsetAt(index);
        if (++index >= cycle) index = 0;
        if (place < 0) continue;
        place += forward ? offset : -offset;
        if (place >= kRing) place -= kRing;
        if (place < 0) place += kRing;
        text[i] = static_cast<char>(kRingTable.symbol[place]);
    }
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Whether a line of the text holds the line mark once its tabs are removed, as they are when coded.
bool holdsMark(const char* data, int size) {
    char before = 0, last = 0;
    for (int i = 0; i < size; ++i) {
        char c = data[i];
        if (c == '\t') continue;
        if (c == '\n') {
            before = last = 0;
            continue;
        }
        if (before == '<' && last == 'E' && c == '>') return true;
        before = last;
        last = c;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------- CTextFileReader

CTextFileReader::CTextFileReader(CWindow* window, const char* fileName) {
    CFile file(window, CXString(fileName), CFile::MODE_READ | CFile::MODE_TEXT);
    if (file.LastError() != ERR_NONE) {
        setErrorCode(file.LastError());
        return;
    }
    int length = file.Length();
    if (length <= 0) return;
    m_data = new (std::nothrow) char[static_cast<size_t>(length)];
    if (!m_data) {
        logMessage("%s is too large to read (%d bytes)", fileName, length);
        setErrorCode(ERR_FILE_NOT_FOUND);
        return;
    }
    m_owned = true;
    // Text mode folds line ends, so fewer bytes may arrive than the file holds.
    int read = file.Read(m_data, length);
    m_size = read > 0 ? read : 0;
}

CTextFileReader::CTextFileReader(CWindow*, const char* data, int size) {
    if (!data || size <= 0) return;
    m_data = const_cast<char*>(data);
    m_size = size;
}

CTextFileReader::~CTextFileReader() {
    if (m_owned) delete[] m_data;
}

void CTextFileReader::nextLine(std::string& line) {
    line.clear();
    if (eof()) return;
    const char* start = m_data + m_position;
    const char* end = m_data + m_size;
    const char* stop = static_cast<const char*>(std::memchr(start, '\n', static_cast<size_t>(end - start)));
    const char* next = stop ? stop + 1 : end;
    if (!stop) stop = end;
    if (stop > start && stop[-1] == '\r') --stop;
    line.assign(start, static_cast<size_t>(stop - start));
    m_position = static_cast<int32_t>(next - m_data);
}

CXString CTextFileReader::getLine() {
    std::string line;
    nextLine(line);
    return CXString(line.c_str());
}

// ---------------------------------------------------------------- CTextCoder

CTextCoder::CTextCoder(CWindow* window, CXString fileName, bool noAutoDecode)
    : m_window(window), m_fileName(fileName), m_reader(new CTextFileReader(window, fileName.GetBuffer())) {
    init(noAutoDecode);
}

CTextCoder::CTextCoder(CWindow* window, CTextFileReader* reader, bool noAutoDecode)
    : m_window(window), m_reader(reader ? reader : new CTextFileReader(window, nullptr, 0)) {
    init(noAutoDecode);
}

CTextCoder::~CTextCoder() { delete m_reader; }

int CTextCoder::getOffset(int index) { return offsetAt(index); }

void CTextCoder::setCycle(int cycle) {
    m_cycle = cycle;
    m_index = 0;
}

void CTextCoder::init(bool noAutoDecode) {
    setErrorCode(m_reader->LastError());
    if (LastError() != ERR_NONE) return;
    std::string first;
    m_reader->nextLine(first);
    bool automatic = startsWith(first, "{<D:");
    if (automatic || startsWith(first, "{<C:")) {
        size_t colon = first.find(':');
        size_t close = first.find('>');
        std::string number = close != std::string::npos && close > colon
                                 ? first.substr(colon + 1, close - colon - 1)
                                 : std::string();
        int cycle = CXString(number.c_str()).toNumber();
        // Without a cycle there is nothing to count lines by: such a header is ordinary text.
        if (cycle >= 1) {
            m_coded = true;
            setCycle(cycle);
            nextMark();
            if (automatic && !noAutoDecode && m_fileName.IsString())
                decode(m_window, m_fileName, m_fileName + ".decoded");
            return;
        }
    }
    m_reader->reset();
}

// Finds the mark that closes the next logical line, taking a new physical line once the current
// one has given its cycle of lines, so that _eof() is true as soon as no line is left.
void CTextCoder::nextMark() {
    if (m_endReached) return;
    if (m_logicalLines % m_cycle == 0) {
        if (m_reader->eof()) {
            m_endReached = true;
            return;
        }
        m_reader->nextLine(m_currentLine);
        m_cursor = 0;
    }
    size_t at = m_currentLine.find(kMark, static_cast<size_t>(m_cursor));
    if (at == std::string::npos) {
        m_endReached = true;
        return;
    }
    m_mark = static_cast<int32_t>(at);
}

bool CTextCoder::_eof() { return m_coded ? m_endReached : m_reader->eof(); }

bool CTextCoder::isCoded() { return m_coded; }

CXString CTextCoder::getLine() {
    std::string line;
    nextLine(line);
    return CXString(line.c_str());
}

void CTextCoder::nextLine(std::string& line) {
    line.clear();
    if (!m_coded) {
        m_reader->nextLine(line);
    } else if (!m_endReached) {
        line.assign(m_currentLine, static_cast<size_t>(m_cursor), static_cast<size_t>(m_mark - m_cursor));
        transform(line.data(), line.size(), m_index, m_cycle, false);
        m_cursor = m_mark + kMarkLength;
        ++m_logicalLines;
        nextMark();
    }
    line.push_back('\n');
}

CXString CTextCoder::codeLine() {
    std::string out;
    nextCodedLine(out);
    return CXString(out.c_str());
}

// Kept in a std::string so that a stray zero byte does not cut the lines coded after it.
void CTextCoder::nextCodedLine(std::string& out) {
    out.clear();
    if (m_coded) {
        out.push_back('\n');
        return;
    }
    std::string line;
    int lines = m_cycle < 1 ? 1 : m_cycle;
    for (int i = 0; i < lines && !m_reader->eof(); ++i) {
        m_reader->nextLine(line);
        // Blanks stay: at the start of a line joined to the one before they are part of the value.
        size_t start = out.size();
        for (char c : line)
            if (c != '\t') out.push_back(c);
        transform(out.data() + start, out.size() - start, m_index, m_cycle, true);
        out += kMark;
    }
    out.push_back('\n');
}

namespace {

bool writeAll(CFile& out, const std::string& text) {
    return out.Write(text.data(), static_cast<int>(text.size())) == static_cast<int>(text.size());
}

} // namespace

bool CTextCoder::code(CWindow* window, CXString source, CXString target, int cycle) {
    if (cycle < 1) {
        logMessage("%s not coded: a cycle of %d lines cannot be counted", source.GetBuffer(), cycle);
        return false;
    }
    CTextCoder in(window, source, false);
    if (in.LastError() != ERR_NONE || in.isCoded()) return false;
    if (holdsMark(in.m_reader->data(), in.m_reader->size())) {
        logMessage("%s not coded: it holds the line mark %s itself", source.GetBuffer(), kMark);
        return false;
    }
    CFile out(nullptr, target, CFile::MODE_UPDATE | CFile::MODE_TEXT);
    if (out.LastError() != ERR_NONE) return false;
    in.setCycle(cycle);
    CXString header;
    header.Format("{<C:%d>}\n", cycle);
    bool written = out.putLine(header) == header.GetLength();
    std::string line;
    while (written && !in._eof()) {
        in.nextCodedLine(line);
        written = writeAll(out, line);
    }
    return out.Close() == ERR_NONE && written;
}

bool CTextCoder::decode(CWindow* window, CXString source, CXString target) {
    CTextCoder in(window, source, true);
    if (in.LastError() != ERR_NONE || !in.isCoded()) return false;
    CFile out(nullptr, target, CFile::MODE_UPDATE | CFile::MODE_TEXT);
    if (out.LastError() != ERR_NONE) return false;
    bool written = true;
    std::string line;
    while (written && !in._eof()) {
        in.nextLine(line);
        written = writeAll(out, line);
    }
    return out.Close() == ERR_NONE && written;
}

} // namespace KavirelDLL
