#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/FileFixture.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"

namespace KavirelTest {

// Image files are built here byte by byte.
struct Bytes {
    std::string s;
    Bytes& u8(int v) {
        s.push_back(char(v));
        return *this;
    }
    Bytes& le16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& le32(int64_t v) { return le16(int(v & 0xFFFF)).le16(int((v >> 16) & 0xFFFF)); }
    Bytes& be16(int v) { return u8((v >> 8) & 0xFF).u8(v & 0xFF); }
    Bytes& be32(int64_t v) { return be16(int((v >> 16) & 0xFFFF)).be16(int(v & 0xFFFF)); }
    Bytes& raw(const std::string& t) {
        s += t;
        return *this;
    }
    Bytes& raw(const void* p, size_t n) {
        s.append(static_cast<const char*>(p), n);
        return *this;
    }
    Bytes& zeros(size_t n) {
        s.append(n, '\0');
        return *this;
    }
    size_t size() const { return s.size(); }
};

inline std::string words(const std::vector<uint16_t>& w) {
    std::string out;
    for (uint16_t v : w) out += char(v & 0xFF), out += char(v >> 8);
    return out;
}

// A 40-byte "PIK" header and what follows it.
inline std::string pik(int w, int h, int bpp, int compression, const std::string& pixels,
                       const std::string& alpha, int x = 0, int y = 0, int storedPixels = -1) {
    Bytes b;
    b.raw(std::string("PIK\0", 4)).le32(w).le32(h).le32(bpp);
    b.le32(storedPixels >= 0 ? storedPixels : int64_t(pixels.size())).le32(0).le32(compression);
    b.le32(int64_t(alpha.size())).le32(x).le32(y);
    return b.raw(pixels).raw(alpha).s;
}

// A 37-byte "NVI" header and what follows it.
inline std::string nvi(int w, int h, int bpp, int compression, const std::string& pixels,
                       const std::string& alpha, int x = 0, int y = 0, int storedPixels = -1,
                       int storedAlpha = -1) {
    Bytes b;
    b.raw(std::string("NVI\0", 4)).le16(w).le16(h).u8(bpp);
    b.le32(storedPixels >= 0 ? storedPixels : int64_t(pixels.size()));
    b.le32(storedAlpha >= 0 ? storedAlpha : int64_t(alpha.size()));
    b.le16(x).le16(y).le32(compression).zeros(12);
    return b.raw(pixels).raw(alpha).s;
}

// The headerless layout: 80 bytes that are neither header, the size and depth code, pixels from 92.
inline std::string legacy(int w, int h, int code, const std::string& pixels) {
    Bytes b;
    b.raw("OLD!").zeros(76).le16(w).le16(h).zeros(6).le16(code);
    return b.raw(pixels).s;
}

// A JPEG of w × h made by the library, 4:4:4, from three bytes per pixel.
inline std::string encodeJpeg(int w, int h, const std::vector<uint8_t>& rgb, int quality = 100) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    while (info.next_scanline < info.image_height) {
        std::memcpy(row.data(), rgb.data() + size_t(info.next_scanline) * w * 3, row.size());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<char*>(out), size);
    free(out);
    return bytes;
}

// A 16 × 16 JPEG: the left half one colour, the right half another.
inline std::string twoColourJpeg(const uint8_t left[3], const uint8_t right[3]) {
    std::vector<uint8_t> rgb(16 * 16 * 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) std::memcpy(&rgb[size_t(y * 16 + x) * 3], x < 8 ? left : right, 3);
    return encodeJpeg(16, 16, rgb);
}

// PackBits rows as the layered-picture files store them: literal runs only, at most 128 bytes each.
inline std::string packBitsRow(const std::string& row) {
    std::string out;
    for (size_t i = 0; i < row.size(); i += 128) {
        size_t n = std::min<size_t>(128, row.size() - i);
        out += char(n - 1);
        out += row.substr(i, n);
    }
    return out;
}

// A repeat run: n copies of v (n from 2 to 128).
inline std::string packBitsRun(int n, char v) { return std::string(1, char(1 - n)) + v; }

// A window with a refresh screen of the given depth, so images load into that depth.
class ImageWindow : public KavirelDLL::CWindow {
public:
    explicit ImageWindow(int bpp = 16) : m_screen(this, false) {
        m_screen.SetBpp(bpp);
        m_refreshScreen = &m_screen;
    }
    ~ImageWindow() override { m_refreshScreen = nullptr; }

private:
    KavirelDLL::CRefreshScreen m_screen;
};

} // namespace KavirelTest
