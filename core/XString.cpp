#include "core/XString.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Containers.h"
#include "core/StringTokenizer.h"

namespace KavirelDLL {

namespace {

constexpr int kInitialCapacity = 32;
constexpr int kSpare = 32;
// The longest text: its capacity, the spare and the terminator still fit an int.
constexpr int kMaxLength = INT_MAX - 2 * kSpare;

struct CaseTables {
    unsigned char lower[256];
    unsigned char upper[256];
    bool isLower[256];
    bool isUpper[256];
};

constexpr CaseTables makeCaseTables() {
    CaseTables t{};
    for (int i = 0; i < 256; ++i) {
        t.lower[i] = static_cast<unsigned char>(i);
        t.upper[i] = static_cast<unsigned char>(i);
    }
    auto pair = [&t](int up, int low) {
        t.lower[up] = static_cast<unsigned char>(low);
        t.upper[low] = static_cast<unsigned char>(up);
        t.isUpper[up] = true;
        t.isLower[low] = true;
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    const int polish[][2] = {{0x8C, 0x9C}, {0x8F, 0x9F}, {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAF, 0xBF},
                             {0xC6, 0xE6}, {0xCA, 0xEA}, {0xD1, 0xF1}, {0xD3, 0xF3}};
    for (const auto& p : polish) pair(p[0], p[1]);
    return t;
}

constexpr CaseTables kCase = makeCaseTables();

inline unsigned char uc(char c) { return static_cast<unsigned char>(c); }

int textLength(const char* text) {
    if (!text) return 0;
    size_t n = std::strlen(text);
    return n > static_cast<size_t>(kMaxLength) ? kMaxLength : static_cast<int>(n);
}

int capacityFor(int length) { return length < kInitialCapacity ? kInitialCapacity : length + kSpare; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The C runtime's atoi and atol on a 32-bit long: leading blanks, a sign, decimal digits; an overflow
// gives the nearest limit.
int32_t leadingInteger(const char* s) {
    if (!s) return 0;
    while (isBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    int64_t value = 0;
    while (*s >= '0' && *s <= '9') {
        value = value * 10 + (*s++ - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The C runtime's atof without its locale: blanks, a sign, digits with one '.', an exponent. Out of
// range gives infinity, or zero when the number is too small.
double leadingDouble(const char* s) {
    if (!s) return 0.0;
    while (isBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    const char* start = s;
    const char* p = s;
    int digits = 0;
    int scale = 0; // decimal position of the first significant digit
    bool significant = false;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits)
        if (significant || *p != '0') significant = true, ++scale;
    if (*p == '.') {
        for (++p; *p >= '0' && *p <= '9'; ++p, ++digits) {
            if (significant) continue;
            if (*p == '0')
                --scale;
            else
                significant = true;
        }
    }
    if (digits == 0) return 0.0;
    long exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (*q == '+' || *q == '-') negativeExponent = *q++ == '-';
        if (*q >= '0' && *q <= '9') {
            for (; *q >= '0' && *q <= '9'; ++q) exponent = std::min(exponent * 10 + (*q - '0'), 100000L);
            if (negativeExponent) exponent = -exponent;
            p = q;
        }
    }
    double value = 0.0;
    auto result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = significant && scale + exponent > 0 ? HUGE_VAL : 0.0;
    else if (result.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::string decimalText(int32_t value) {
    char buf[16];
    auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

// Digits of a finite, non-zero magnitude as the classic runtime holds them: rounded half up to 17
// significant digits. The value is 0.d1d2... times ten to the power decpt.
struct DecimalDigits {
    std::string digits;
    int decpt = 0;
};

bool parseScientific(const char* begin, const char* end, DecimalDigits& out) {
    out.digits.clear();
    const char* p = begin;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') out.digits.push_back(*p);
    if (p == end) return false;
    int exponent = 0;
    if (std::from_chars(p + 1 + (p[1] == '+'), end, exponent).ec != std::errc()) return false;
    out.decpt = exponent + 1;
    return true;
}

DecimalDigits classicDigits(double magnitude) {
    constexpr int kKept = 17;
    DecimalDigits d;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 30);
    parseScientific(buf, r.ptr, d);
    // A tail that reads exactly as a half may be a rounding of the exact value: look at every digit.
    if (d.digits.compare(kKept, std::string::npos, "50000000000000") == 0) {
        char exact[1100];
        auto e = std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::scientific, 767);
        parseScientific(exact, e.ptr, d);
    }
    bool up = d.digits.size() > static_cast<size_t>(kKept) && d.digits[kKept] >= '5';
    d.digits.resize(kKept, '0');
    if (up) {
        int i = kKept - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            d.digits.pop_back();
            ++d.decpt;
        }
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// The classic runtime's rounding of the held digits to count digits, half up, with the carry that
// turns 9.99 into 10.0 moving the decimal point. A negative count gives no digits and no rounding.
std::string roundDigits(DecimalDigits& d, int count) {
    std::string out = "0";
    size_t next = 0;
    for (int k = 0; k < count; ++k) out.push_back(next < d.digits.size() ? d.digits[next++] : '0');
    if (count >= 0 && next < d.digits.size() && d.digits[next] >= '5') {
        size_t i = out.size() - 1;
        while (out[i] == '9') out[i--] = '0';
        ++out[i];
    }
    if (out[0] == '1')
        ++d.decpt;
    else
        out.erase(0, 1);
    return out;
}

bool specialText(double value, std::string& text) {
    if (std::isinf(value)) {
        text = value < 0 ? "-1.#INF" : "1.#INF";
        return true;
    }
    if (std::isnan(value)) {
        text = std::signbit(value) ? "-1.#QNAN" : "1.#QNAN";
        return true;
    }
    return false;
}

std::string fixedFiveDecimals(double value) {
    std::string special;
    if (value == 0.0) return "0";
    if (specialText(value, special)) return special;
    DecimalDigits d = classicDigits(std::fabs(value));
    std::string digits = roundDigits(d, 5 + d.decpt);
    if (digits.empty()) return "0";
    std::string text = value < 0 ? "-" : "";
    if (d.decpt > 0) {
        text.append(digits, 0, static_cast<size_t>(d.decpt));
        text.push_back('.');
        text.append(digits, static_cast<size_t>(d.decpt), std::string::npos);
    } else {
        text += "0.";
        text.append(static_cast<size_t>(-d.decpt), '0');
        text += digits;
    }
    return text;
}

std::string generalNineDigits(double value) {
    constexpr int kDigits = 9;
    std::string special;
    if (specialText(value, special)) return special;
    if (value == 0.0) return "0.";
    DecimalDigits d = classicDigits(std::fabs(value));
    std::string text = value < 0 ? "-" : "";
    int magnitude = d.decpt - 1;
    if (magnitude < -1 || magnitude > kDigits - 1) {
        std::string digits = roundDigits(d, kDigits);
        int exponent = d.decpt - 1;
        text.push_back(digits[0]);
        text.push_back('.');
        text.append(digits, 1, kDigits - 1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "e%c%03d", exponent < 0 ? '-' : '+',
                      exponent < 0 ? -exponent : exponent);
        size_t keep = text.size();
        while (text[keep - 1] == '0') --keep;
        text.resize(keep);
        text += exp;
        return text;
    }
    int decimals = kDigits - d.decpt;
    std::string digits = roundDigits(d, kDigits);
    if (d.decpt <= 0) {
        text += "0";
        if (decimals > 0) {
            text.push_back('.');
            text.append(static_cast<size_t>(-d.decpt), '0');
            text += digits;
        }
    } else {
        text.append(digits, 0, static_cast<size_t>(d.decpt));
        if (decimals > 0) {
            text.push_back('.');
            text.append(digits, static_cast<size_t>(d.decpt), std::string::npos);
        }
    }
    // Trailing zeros of the fraction go; the point itself stays.
    if (text.find('.') != std::string::npos)
        while (text.back() == '0') text.pop_back();
    return text;
}

} // namespace

// ---- construction and assignment ----

CXString::CXString() : m_length(0), m_capacity(kInitialCapacity), m_buffer(new char[kInitialCapacity + 1]) {
    m_buffer[0] = 0;
}

CXString::CXString(const char* text) : CXString(text, textLength(text), capacityFor(textLength(text))) {}

CXString::CXString(const CXString& other) : CXString(other.m_buffer, other.m_length, other.m_capacity) {}

CXString::CXString(CXString&& other) noexcept
    : m_length(other.m_length), m_capacity(other.m_capacity), m_buffer(other.m_buffer) {
    other.m_length = 0;
    other.m_capacity = 0;
    other.m_buffer = new char[1];
    other.m_buffer[0] = 0;
}

CXString::CXString(int size) : CXString("", 0, size < 0 ? 0 : size) {}

CXString::CXString(const char* text, int length, int capacity)
    : m_length(length), m_capacity(std::max(capacity, length)), m_buffer(nullptr) {
    m_buffer = new char[static_cast<size_t>(m_capacity) + 1];
    if (length > 0) std::memcpy(m_buffer, text, static_cast<size_t>(length));
    m_buffer[length] = 0;
}

CXString::~CXString() { delete[] m_buffer; }

void CXString::reallocate(int capacity) {
    capacity = std::max(capacity, m_length);
    char* fresh = new char[static_cast<size_t>(capacity) + 1];
    std::memcpy(fresh, m_buffer, static_cast<size_t>(m_length) + 1);
    delete[] m_buffer;
    m_buffer = fresh;
    m_capacity = capacity;
}

// The text may lie inside this string's own buffer.
void CXString::assignText(const char* text, int length) {
    if (length < m_capacity) {
        std::memmove(m_buffer, text, static_cast<size_t>(length));
    } else {
        int capacity = length + kSpare;
        char* fresh = new char[static_cast<size_t>(capacity) + 1];
        std::memcpy(fresh, text, static_cast<size_t>(length));
        delete[] m_buffer;
        m_buffer = fresh;
        m_capacity = capacity;
    }
    m_length = length;
    m_buffer[length] = 0;
}

// Text that outgrows the buffer at least doubles it, so a text built piece by piece is copied a number of
// times that grows with the logarithm of its length, not with the number of pieces.
void CXString::appendText(const char* text, int length) {
    if (length <= 0 || m_length >= kMaxLength) return;
    length = std::min(length, kMaxLength - m_length);
    int total = m_length + length;
    if (total < m_capacity) {
        std::memmove(m_buffer + m_length, text, static_cast<size_t>(length));
    } else {
        int capacity = std::max(total + kSpare, m_capacity < kMaxLength / 2 ? 2 * m_capacity : kMaxLength);
        char* fresh = new char[static_cast<size_t>(capacity) + 1];
        std::memcpy(fresh, m_buffer, static_cast<size_t>(m_length));
        std::memcpy(fresh + m_length, text, static_cast<size_t>(length));
        delete[] m_buffer;
        m_buffer = fresh;
        m_capacity = capacity;
    }
    m_length = total;
    m_buffer[total] = 0;
}

// Appends of a character or a number keep a reserve below the capacity and double it when the reserve
// is used up; the doubling repeats until the extra characters fit, however small the capacity was.
void CXString::growForAppend(int reserve, int extra) {
    if (m_length < m_capacity - reserve && m_length + extra <= m_capacity) return;
    int capacity = m_capacity;
    do {
        capacity = capacity > 0 ? capacity * 2 : 1;
    } while (!(m_length < capacity - reserve && m_length + extra <= capacity));
    reallocate(capacity);
}

CXString& CXString::operator=(const CXString& other) {
    if (this == &other) return *this;
    if (m_capacity >= other.m_capacity) {
        std::memcpy(m_buffer, other.m_buffer, static_cast<size_t>(other.m_length) + 1);
        m_length = other.m_length;
    } else {
        int capacity = other.m_length + kSpare;
        char* fresh = new char[static_cast<size_t>(capacity) + 1];
        std::memcpy(fresh, other.m_buffer, static_cast<size_t>(other.m_length) + 1);
        delete[] m_buffer;
        m_buffer = fresh;
        m_capacity = capacity;
        m_length = other.m_length;
    }
    return *this;
}

CXString& CXString::operator=(const char* text) {
    if (!text) return *this;
    assignText(text, textLength(text));
    return *this;
}

CXString& CXString::operator=(char c) {
    int capacity = std::max(m_capacity, 1);
    delete[] m_buffer;
    m_buffer = new char[static_cast<size_t>(capacity) + 1];
    m_capacity = capacity;
    m_buffer[0] = c;
    m_buffer[1] = 0;
    m_length = c ? 1 : 0;
    return *this;
}

CXString& CXString::operator=(int value) {
    std::string text = decimalText(value);
    assignText(text.data(), static_cast<int>(text.size()));
    return *this;
}

CXString& CXString::operator=(double value) {
    std::string text = generalNineDigits(value);
    assignText(text.data(), static_cast<int>(text.size()));
    return *this;
}

CXString& CXString::operator+=(const CXString& other) {
    appendText(other.m_buffer, other.m_length);
    return *this;
}

CXString& CXString::operator+=(const char* text) {
    appendText(text, textLength(text));
    return *this;
}

CXString& CXString::operator+=(char c) {
    // A terminator cannot be part of the text.
    if (c == 0) return *this;
    growForAppend(2, 1);
    m_buffer[m_length++] = c;
    m_buffer[m_length] = 0;
    return *this;
}

CXString& CXString::operator+=(int value) {
    std::string text = decimalText(value);
    growForAppend(20, static_cast<int>(text.size()));
    std::memcpy(m_buffer + m_length, text.data(), text.size());
    m_length += static_cast<int>(text.size());
    m_buffer[m_length] = 0;
    return *this;
}

// ---- comparison ----

bool CXString::equals(const CXString& other) const {
    return m_length == other.m_length &&
           std::memcmp(m_buffer, other.m_buffer, static_cast<size_t>(m_length)) == 0;
}

bool CXString::equalsIgnoreCase(const CXString& other) const {
    if (m_length != other.m_length) return false;
    for (int i = 0; i < m_length; ++i)
        if (kCase.upper[uc(m_buffer[i])] != kCase.upper[uc(other.m_buffer[i])]) return false;
    return true;
}

bool CXString::startsWith(const CXString& prefix) const {
    return m_length >= prefix.m_length &&
           std::memcmp(m_buffer, prefix.m_buffer, static_cast<size_t>(prefix.m_length)) == 0;
}

bool CXString::endsWith(const CXString& suffix) const {
    return m_length >= suffix.m_length && std::memcmp(m_buffer + m_length - suffix.m_length, suffix.m_buffer,
                                                      static_cast<size_t>(suffix.m_length)) == 0;
}

bool operator==(const CXString& a, const CXString& b) { return a.equals(b); }
bool operator==(const char* a, const CXString& b) { return std::strcmp(a ? a : "", b.GetBuffer()) == 0; }
bool operator==(const CXString& a, const char* b) { return b == a; }
bool operator!=(const CXString& a, const CXString& b) { return !(a == b); }
bool operator!=(const char* a, const CXString& b) { return !(a == b); }
bool operator!=(const CXString& a, const char* b) { return !(b == a); }

CXString operator+(const CXString& a, const char* b) {
    CXString r(a);
    r += b;
    return r;
}
CXString operator+(const char* a, const CXString& b) {
    CXString r(a);
    r += b;
    return r;
}
CXString operator+(const CXString& a, const CXString& b) {
    CXString r(a);
    r += b;
    return r;
}

// ---- access and search ----

char CXString::GetAt(int i) const {
    if (i == -1) return m_length > 0 ? m_buffer[m_length - 1] : 0;
    if (i < 0 || i >= m_length) return 0;
    return m_buffer[i];
}

int CXString::Find(char c, int start) const {
    if (c == 0) return -1;
    for (int i = std::max(start, 0); i < m_length; ++i)
        if (m_buffer[i] == c) return i;
    return -1;
}

int CXString::FindLast(char c, int pos) const {
    if (c == 0) return -1;
    if (pos == -1 || pos > m_length) pos = m_length;
    for (int i = pos - 1; i >= 0; --i)
        if (m_buffer[i] == c) return i;
    return -1;
}

int CXString::FindSubString(const CXString& sub, int start) const {
    start = std::max(start, 0);
    if (start > m_length) return -1;
    const char* found = std::strstr(m_buffer + start, sub.m_buffer);
    return found ? static_cast<int>(found - m_buffer) : -1;
}

int CXString::indexOf(const CXString& sub, int start) const {
    if (sub.m_length == 0) return -1;
    for (int i = std::max(start, 0); i <= m_length - sub.m_length; ++i)
        if (std::memcmp(m_buffer + i, sub.m_buffer, static_cast<size_t>(sub.m_length)) == 0) return i;
    return -1;
}

int CXString::findOneOf(const CXString& chars, int start) const {
    for (int i = std::max(start, 0); i < m_length; ++i)
        if (std::memchr(chars.m_buffer, m_buffer[i], static_cast<size_t>(chars.m_length))) return i;
    return -1;
}

int CXString::getCount(unsigned char c) const {
    int count = 0;
    for (int i = 0; i < m_length; ++i)
        if (uc(m_buffer[i]) == c) ++count;
    return count;
}

// ---- pieces ----

CXString CXString::Left(int n) const { return Mid(0, n); }

void CXString::left(int n, CXString* out) const { mid(0, n, out); }

CXString& CXString::left(int n) { return mid(0, n); }

CXString CXString::Mid(int start, int end) const {
    start = std::clamp(start, 0, m_length);
    end = std::clamp(end, start, m_length);
    return CXString(m_buffer + start, end - start, m_capacity);
}

void CXString::mid(int start, int end, CXString* out) const {
    if (!out) return;
    start = std::clamp(start, 0, m_length);
    end = std::clamp(end, start, m_length);
    int length = end - start;
    if (out == this) {
        std::memmove(out->m_buffer, m_buffer + start, static_cast<size_t>(length));
        out->m_length = length;
        out->m_buffer[length] = 0;
        return;
    }
    if (length >= out->m_capacity) {
        delete[] out->m_buffer;
        out->m_capacity = length + kSpare;
        out->m_buffer = new char[static_cast<size_t>(out->m_capacity) + 1];
    }
    std::memcpy(out->m_buffer, m_buffer + start, static_cast<size_t>(length));
    out->m_length = length;
    out->m_buffer[length] = 0;
}

CXString& CXString::mid(int start, int end) {
    mid(start, end, this);
    return *this;
}

CXString CXString::Right(int start) const {
    start = std::clamp(start, 0, m_length);
    return CXString(m_buffer + start, m_length - start, capacityFor(m_length - start));
}

void CXString::right(int start, CXString* out) const { mid(start, m_length, out); }

CXString& CXString::right(int start) { return mid(start, m_length); }

// ---- case ----

unsigned char CXString::toLowerChar(unsigned char c) { return kCase.lower[c]; }
unsigned char CXString::toUpperChar(unsigned char c) { return kCase.upper[c]; }
bool CXString::isLowerChar(unsigned char c) { return kCase.isLower[c]; }
bool CXString::isUpperChar(unsigned char c) { return kCase.isUpper[c]; }

CXString& CXString::Lower() {
    for (int i = 0; i < m_length; ++i) m_buffer[i] = static_cast<char>(kCase.lower[uc(m_buffer[i])]);
    return *this;
}

CXString& CXString::Upper() {
    for (int i = 0; i < m_length; ++i) m_buffer[i] = static_cast<char>(kCase.upper[uc(m_buffer[i])]);
    return *this;
}

bool CXString::IsLower() const {
    for (int i = 0; i < m_length; ++i)
        if (!kCase.isLower[uc(m_buffer[i])]) return false;
    return true;
}

bool CXString::IsUpper() const {
    for (int i = 0; i < m_length; ++i)
        if (!kCase.isUpper[uc(m_buffer[i])]) return false;
    return true;
}

bool CXString::IsUpper(int i) const { return i >= 0 && i < m_length && kCase.isUpper[uc(m_buffer[i])]; }

// ---- editing ----

CXString& CXString::LTrim(unsigned char c) {
    int skip = 0;
    while (skip < m_length && uc(m_buffer[skip]) == c) ++skip;
    return right(skip);
}

CXString& CXString::RTrim(unsigned char c) {
    while (m_length > 0 && uc(m_buffer[m_length - 1]) == c) --m_length;
    m_buffer[m_length] = 0;
    return *this;
}

CXString& CXString::AllTrim(unsigned char c) {
    RTrim(c);
    return LTrim(c);
}

CXString& CXString::Replace(char from, char to) {
    for (int i = 0; i < m_length; ++i)
        if (m_buffer[i] == from) m_buffer[i] = to;
    // A replacement by the terminator ends the text there.
    if (to == 0) m_length = static_cast<int>(std::strlen(m_buffer));
    return *this;
}

CXString& CXString::FillWith(unsigned char c, int n) {
    n = std::max(n, 0);
    if (c == 0) n = 0;
    delete[] m_buffer;
    m_buffer = new char[static_cast<size_t>(n) + 1];
    m_capacity = n;
    std::memset(m_buffer, c, static_cast<size_t>(n));
    m_buffer[n] = 0;
    m_length = n;
    return *this;
}

CXString& CXString::replaceOnce(const CXString& from, const CXString& to, int start) {
    int at = indexOf(from, start);
    if (at < 0) return *this;
    CXString result(m_buffer, at, capacityFor(m_length - from.m_length + to.m_length));
    result += to;
    result += m_buffer + at + from.m_length;
    *this = result;
    return *this;
}

CXString& CXString::removeTag(const CXString& tag) {
    std::string out;
    out.reserve(static_cast<size_t>(m_length));
    int i = 0;
    while (i < m_length) {
        char c = m_buffer[i];
        if (c != '<') {
            out.push_back(c);
            ++i;
            continue;
        }
        int available = std::min(tag.m_length, m_length - i - 1);
        bool match = available == tag.m_length &&
                     std::memcmp(m_buffer + i + 1, tag.m_buffer, static_cast<size_t>(tag.m_length)) == 0;
        if (!match) {
            out.push_back(c);
            ++i;
            continue;
        }
        // Everything up to and including the next '>' goes; without one, the rest of the text goes.
        const void* close = std::memchr(m_buffer + i, '>', static_cast<size_t>(m_length - i));
        i = close ? static_cast<int>(static_cast<const char*>(close) - m_buffer) + 1 : m_length;
    }
    assignText(out.data(), static_cast<int>(out.size()));
    return *this;
}

CXString CXString::replace(const CXString& from, const CXString& to) const {
    if (from.m_length == 0) return *this;
    CXString result;
    int pos = 0;
    for (int at = indexOf(from, 0); at >= 0; at = indexOf(from, pos)) {
        result.appendText(m_buffer + pos, at - pos);
        result += to;
        pos = at + from.m_length;
    }
    result.appendText(m_buffer + pos, m_length - pos);
    return result;
}

bool CXString::FilterFits(const CXString& other) const {
    if (other == "*" || other == "*.*") return true;
    int shift = 0;
    for (int i = 0; i < other.m_length; ++i) {
        int at = i + shift;
        // Past the terminator nothing matches.
        char p = at >= 0 && at <= m_length ? m_buffer[at] : 0;
        if (p == '?') continue;
        if (p == '*') {
            if (m_length > other.m_length) {
                shift = m_length - other.m_length;
                continue;
            }
            if (at == m_length - 1) return true;
            continue;
        }
        if (p != other.m_buffer[i]) return false;
    }
    return true;
}

// ---- conversions ----

bool CXString::isNumber() const { return toNumber() != 0; }
int CXString::toNumber() const { return leadingInteger(m_buffer); }
int32_t CXString::toLong() const { return leadingInteger(m_buffer); }
double CXString::toDouble() const { return leadingDouble(m_buffer); }
bool CXString::toBool() const { return equalsIgnoreCase("TRUE"); }

int CXString::toNumber(const CXString& s) { return s.toNumber(); }
int32_t CXString::toLong(const CXString& s) { return s.toLong(); }
double CXString::toDouble(const CXString& s) { return s.toDouble(); }
bool CXString::toBool(const CXString& s) { return s.equalsIgnoreCase("true"); }

CXPoint CXString::toPoint() const {
    CStringTokenizer tokens(*this, ".|, ");
    int x = tokens.nextToken().toNumber();
    int y = tokens.nextToken().toNumber();
    return CXPoint(x, y);
}

CXRect CXString::toRect() const {
    CStringTokenizer tokens(*this, ".|, ");
    int l = tokens.nextToken().toNumber();
    int t = tokens.nextToken().toNumber();
    int r = tokens.nextToken().toNumber();
    int b = tokens.nextToken().toNumber();
    return CXRect(l, t, r, b);
}

CXArray* CXString::toVector(const CXString& separators) const {
    CXArray* list = new CXArray(101, 0.75f);
    CStringTokenizer tokens(*this, separators);
    while (tokens.hasMoreTokens()) list->add(new CXString(tokens.nextToken()));
    return list;
}

CXArray* CXString::toVector() const { return toVector(", \n\r"); }

void CXString::releaseToVector(CXArray* list) {
    if (!list) return;
    for (int i = 0; i < list->getSize(); ++i) delete static_cast<CXString*>(list->at(i));
    delete list;
}

CXString CXString::getWord(int n) const {
    if (n < 0) return CXString();
    CStringTokenizer words(*this, " \n\t");
    for (int i = 0; i < n && words.hasMoreTokens(); ++i) words.nextToken();
    return words.nextToken();
}

CXString CXString::toString(bool value) { return CXString(value ? "TRUE" : "FALSE"); }

CXString CXString::toString(int value) { return CXString(decimalText(value).c_str()); }

CXString CXString::toString(double value) { return CXString(fixedFiveDecimals(value).c_str()); }

// ---- formatting ----

void CXString::Format(const char* format, int a) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a);
    *this = text;
}

void CXString::Format(const char* format, int a, int b) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a, b);
    *this = text;
}

void CXString::Format(const char* format, const CXString& a) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a.m_buffer);
    *this = text;
}

void CXString::Format(const char* format, const CXString& a, int b) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a.m_buffer, b);
    *this = text;
}

void CXString::Format(const char* format, const CXString& a, int b, const CXString& c) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a.m_buffer, b, c.m_buffer);
    *this = text;
}

void CXString::Format(const char* format, const CXString& a, int b, int c) {
    char text[256];
    std::snprintf(text, sizeof text, format ? format : "", a.m_buffer, b, c);
    *this = text;
}

} // namespace KavirelDLL
