#pragma once
#include <string>

#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;

// A whole text file in memory, handed out line by line.
class CTextFileReader : public CXObject {
public:
    // Reads the whole file through the engine's name resolution, in text mode; a file that cannot be
    // read leaves its error code and no data.
    CTextFileReader(CWindow* window, const char* fileName);
    // Wraps text the caller owns and keeps alive while the reader is used.
    CTextFileReader(CWindow* window, const char* data, int size);
    ~CTextFileReader() override;
    CTextFileReader(const CTextFileReader&) = delete;
    CTextFileReader& operator=(const CTextFileReader&) = delete;

    // The bytes up to the next line end, without it; a line end of "\r\n" counts as one. The last
    // line is whole even when the text does not end with a line end.
    CXString getLine();
    bool eof() const { return m_position >= m_size; }
    void reset() { m_position = 0; }

    const char* data() const { return m_data; }
    int size() const { return m_size; }

private:
    friend class CTextCoder;
    void nextLine(std::string& line);

    char* m_data = nullptr;
    int32_t m_size = 0;
    int32_t m_position = 0;
    bool m_owned = false;
};

// The text source of definition files. A file whose first line is "{<C:n>}" (or "{<D:n>}", which
// also asks for a plain copy beside it when opened) is coded: each following line holds up to n
// scrambled lines, each closed by "<E>". The coder hands out plain lines either way.
//
// The scrambling is Kavirel's own; a file scrambled any other way decodes to unreadable text. Bytes 0x20-0x7E
// other than '<', 'E' and '>', and bytes 0x80-0xFF, form a ring of 220 symbols; the character at
// transform index i (counted over every character of the text, back to 0 after n-1) moves forward
// on the ring by getOffset(i), which is never 0. Every other byte stays, so a coded text holds
// line ends, control characters and "<E>" only where the plain text did.
class CTextCoder : public CXObject {
private:
    virtual int getOffset(int index);

public:
    CTextCoder(CWindow* window, CXString fileName, bool noAutoDecode);
    // Adopts the reader and deletes it with the coder.
    CTextCoder(CWindow* window, CTextFileReader* reader, bool noAutoDecode);
    ~CTextCoder() override;
    CTextCoder(const CTextCoder&) = delete;
    CTextCoder& operator=(const CTextCoder&) = delete;

    virtual bool _eof();
    // The next plain line with "\n" appended.
    virtual CXString getLine();
    // For a plain source, the next coded physical line; for a coded one "\n".
    virtual CXString codeLine();
    virtual bool isCoded();

    int getCycle() const { return m_cycle; }

    // Writes a coded copy of a plain file; false when it could not be written whole. A text that
    // holds "<E>" itself (once its tabs are removed) cannot be coded and is refused.
    static bool code(CWindow* window, CXString source, CXString target, int cycle);
    // Writes a plain copy of a coded file; false when it could not be written whole.
    static bool decode(CWindow* window, CXString source, CXString target);

private:
    friend class CMElementsLoader;
    void nextLine(std::string& line);
    void nextCodedLine(std::string& out);
    void init(bool noAutoDecode);
    void setCycle(int cycle);
    void nextMark();

    CWindow* m_window;
    CXString m_fileName;
    CTextFileReader* m_reader;
    bool m_coded = false;
    int32_t m_cycle = 0;
    int32_t m_index = 0;
    bool m_endReached = false;
    int32_t m_cursor = 0;
    int32_t m_mark = -1;
    int32_t m_logicalLines = 0;
    std::string m_currentLine;
};

} // namespace KavirelDLL
