#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/Geometry.h"

namespace KavirelDLL {

class CXArray;

// Owned 8-bit text in code page 1250. The capacity rules below decide when the buffer is re-allocated
// and are kept exactly; the buffer always holds capacity characters plus the terminator.
class CXString {
public:
    CXString();
    CXString(const char* text);
    CXString(const CXString& other);
    CXString(CXString&& other) noexcept;
    // An empty string whose buffer is sized for size characters.
    explicit CXString(int size);
    virtual ~CXString();

    CXString& operator=(const CXString& other);
    CXString& operator=(const char* text);
    CXString& operator=(char c);
    CXString& operator=(int value);
    // Nine significant digits, laid out as the classic runtime's _gcvt does ("1." for one).
    CXString& operator=(double value);

    CXString& operator+=(const CXString& other);
    CXString& operator+=(const char* text);
    CXString& operator+=(char c);
    CXString& operator+=(int value);

    const char* GetBuffer() const { return m_buffer; }
    int GetLength() const { return m_length; }
    int GetCapacity() const { return m_capacity; }

    bool equals(const CXString& other) const;
    bool equalsIgnoreCase(const CXString& other) const;
    bool startsWith(const CXString& prefix) const;
    bool endsWith(const CXString& suffix) const;

    char GetAt(int i) const;
    char lastChar() const { return GetAt(-1); }
    bool IsString() const { return m_length > 0; }

    int Find(char c, int start = 0) const;
    int FindLast(char c, int pos = -1) const;
    int FindSubString(const CXString& sub, int start = 0) const;
    virtual int indexOf(const CXString& sub, int start = 0) const;
    virtual int findOneOf(const CXString& chars, int start = 0) const;
    virtual int getCount(unsigned char c) const;

    // Start and end are 0-based, end exclusive; Right takes a start index, not a count.
    CXString Left(int n) const;
    void left(int n, CXString* out) const;
    CXString& left(int n);
    CXString Mid(int start, int end) const;
    void mid(int start, int end, CXString* out) const;
    CXString& mid(int start, int end);
    CXString Right(int start) const;
    void right(int start, CXString* out) const;
    CXString& right(int start);

    CXString& Lower();
    CXString& Upper();
    bool IsLower() const;
    bool IsUpper() const;
    bool IsUpper(int i) const;

    CXString& LTrim(unsigned char c = ' ');
    CXString& RTrim(unsigned char c = ' ');
    CXString& AllTrim(unsigned char c = ' ');
    CXString& Replace(char from, char to);
    CXString& FillWith(unsigned char c, int n);
    CXString& replaceOnce(const CXString& from, const CXString& to, int start = 0);
    CXString& removeTag(const CXString& tag);
    CXString replace(const CXString& from, const CXString& to) const;
    bool FilterFits(const CXString& other) const;

    bool isNumber() const;
    int toNumber() const;
    int32_t toLong() const;
    double toDouble() const;
    bool toBool() const;
    CXPoint toPoint() const;
    CXRect toRect() const;
    CXArray* toVector(const CXString& separators) const;
    CXArray* toVector() const;
    CXString getWord(int n) const;

    static int toNumber(const CXString& s);
    static int32_t toLong(const CXString& s);
    static double toDouble(const CXString& s);
    static bool toBool(const CXString& s);
    static void releaseToVector(CXArray* list);
    static CXString toString(bool value);
    static CXString toString(int value);
    // Five decimals, as the classic runtime's _fcvt gives the digits: 2.5 is "2.50000", 0 is "0".
    static CXString toString(double value);

    // The formatted text replaces the string, at most 255 characters.
    void Format(const char* format, int a);
    void Format(const char* format, int a, int b);
    void Format(const char* format, const CXString& a);
    void Format(const char* format, const CXString& a, int b);
    void Format(const char* format, const CXString& a, int b, const CXString& c);
    void Format(const char* format, const CXString& a, int b, int c);

    // Case rules of code page 1250: ASCII letters and the nine Polish pairs, nothing else.
    static unsigned char toLowerChar(unsigned char c);
    static unsigned char toUpperChar(unsigned char c);
    static bool isLowerChar(unsigned char c);
    static bool isUpperChar(unsigned char c);

private:
    CXString(const char* text, int length, int capacity);
    void reallocate(int capacity);
    void assignText(const char* text, int length);
    void appendText(const char* text, int length);
    void growForAppend(int reserve, int extra);

    int32_t m_length;
    int32_t m_capacity;
    char* m_buffer;
};

bool operator==(const CXString& a, const CXString& b);
bool operator==(const char* a, const CXString& b);
bool operator==(const CXString& a, const char* b);
bool operator!=(const CXString& a, const CXString& b);
bool operator!=(const char* a, const CXString& b);
bool operator!=(const CXString& a, const char* b);

CXString operator+(const CXString& a, const char* b);
CXString operator+(const char* a, const CXString& b);
CXString operator+(const CXString& a, const CXString& b);

// Whether the Word at a and the one at b are the same (read unaligned).
template <typename Word> inline bool sameWord(const char* a, const char* b) {
    Word x, y;
    std::memcpy(&x, a, sizeof(Word));
    std::memcpy(&y, b, sizeof(Word));
    return x == y;
}

// Whether length bytes at a and at b are the same, compared a word at a time: names, keys and
// the test texts of lines are compared without a call.
inline bool sameText(const char* a, const char* b, size_t length) {
    for (; length >= 8; a += 8, b += 8, length -= 8)
        if (!sameWord<uint64_t>(a, b)) return false;
    if (length >= 4) {
        if (!sameWord<uint32_t>(a, b)) return false;
        a += 4, b += 4, length -= 4;
    }
    if (length >= 2) {
        if (!sameWord<uint16_t>(a, b)) return false;
        a += 2, b += 2, length -= 2;
    }
    return length == 0 || *a == *b;
}
inline bool sameText(const CXString& a, const CXString& b) {
    return a.GetLength() == b.GetLength() &&
           sameText(a.GetBuffer(), b.GetBuffer(), static_cast<size_t>(a.GetLength()));
}

} // namespace KavirelDLL
