#include "platform/Codepage.h"

#include <cstdint>

namespace KavirelDLL {

namespace {
// Unicode of bytes 0x80..0xFF; 0 marks a byte the code page leaves undefined.
const uint16_t kHigh[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int toCp1250(uint32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int i = 0; i < 128; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}
} // namespace

std::string cp1250ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            uint16_t cp = kHigh[c - 0x80];
            appendUtf8(out, cp ? cp : 0xFFFD);
        }
    }
    return out;
}

std::string utf8ToCp1250(const std::string& text, bool* ok) {
    std::string out;
    bool all = true;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t cp = 0;
        size_t extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, extra = 3;
        } else {
            out += '?', all = false, ++i;
            continue;
        }
        if (i + extra >= text.size()) {
            out += '?', all = false;
            break;
        }
        bool valid = true;
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid) {
            out += '?', all = false, ++i;
            continue;
        }
        i += extra + 1;
        int b = toCp1250(cp);
        if (b < 0) {
            out += '?', all = false;
        } else {
            out += static_cast<char>(b);
        }
    }
    if (ok) *ok = all;
    return out;
}

char foldCp1250(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    switch (u) {
    case 0x8C:
    case 0x8F:
    case 0xA3:
    case 0xAF:
        return static_cast<char>(u + 0x10);
    case 0xC6:
    case 0xCA:
    case 0xD1:
    case 0xD3:
        return static_cast<char>(u + 0x20);
    case 0xA5:
        return static_cast<char>(0xB9);
    default:
        return c;
    }
}

std::string foldCp1250(const std::string& text) {
    std::string out(text);
    for (char& c : out) c = foldCp1250(c);
    return out;
}

} // namespace KavirelDLL
