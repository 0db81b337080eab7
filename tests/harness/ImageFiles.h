#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "display/RefreshScreen.h"
#include "display/Window.h"

// Image files built byte by byte (the image tests, and the fuzz targets' seeds), and a window to read them
// into. Whoever calls encodeJpeg links libjpeg.
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

struct Channel {
    int id;
    int compression;
    std::string data; // as stored after the compression word
};

struct Layer {
    int top, left, bottom, right;
    std::string name;
    std::vector<Channel> channels;
    std::string maskBlock;  // layer-mask data
    std::string infoBlocks; // additional information after the name
};

// A layered picture of the given layers, version 1, 8 bits a channel.
inline std::string psd(const std::vector<Layer>& layers, int depth = 8, const char* signature = "8BPS") {
    Bytes records;
    records.be16(-int(layers.size())); // negative counts are read by their absolute value
    for (const Layer& l : layers) {
        records.be32(l.top).be32(l.left).be32(l.bottom).be32(l.right).be16(int(l.channels.size()));
        for (const Channel& c : l.channels) records.be16(c.id).be32(int64_t(c.data.size()) + 2);
        records.raw("8BIMnorm").u8(255).u8(0).u8(0).u8(0);
        Bytes extra;
        extra.be32(int64_t(l.maskBlock.size())).raw(l.maskBlock);
        extra.be32(8).raw("\0\0\xFF\xFF\0\0\xFF\xFF", 8);
        std::string name(1, char(l.name.size()));
        name += l.name;
        while (name.size() % 4) name += '\0';
        extra.raw(name).raw(l.infoBlocks);
        records.be32(int64_t(extra.size())).raw(extra.s);
    }
    for (const Layer& l : layers)
        for (const Channel& c : l.channels) records.be16(c.compression).raw(c.data);

    Bytes file;
    file.raw(signature).be16(1).zeros(6).be16(3).be32(16).be32(32).be16(depth).be16(3);
    file.be32(0);                           // colour-mode data
    file.be32(6).raw("RESRCS");             // image resources, passed over
    file.be32(int64_t(records.size()) + 4); // layer and mask information
    file.be32(int64_t(records.size()));
    return file.raw(records.s).s;
}

// Rows of PackBits data for a plane: the row byte counts, then the rows.
inline std::string packedPlane(const std::vector<std::string>& rows) {
    Bytes counts, data;
    for (const std::string& r : rows) {
        counts.be16(int(r.size()));
        data.raw(r);
    }
    return counts.s + data.s;
}

// Two layers: a 3 × 2 one with raw planes and alpha, a 4 × 3 one with packed planes, an alpha plane of an
// unknown compression and a user mask of its own size.
inline std::vector<Layer> twoLayers() {
    Layer back{0, 0, 2, 3, "Back", {}, "", ""};
    back.channels = {{-1, 0, std::string("\x00\x40\x80\xC0\xFF\x01", 6)},
                     {0, 0, "\x10\x11\x12\x13\x14\x15"},
                     {1, 0, "\x20\x21\x22\x23\x24\x25"},
                     {2, 0, "\x30\x31\x32\x33\x34\x35"}};
    back.infoBlocks = std::string("8BIMluni\0\0\0\x04", 12) + std::string("\0\0\0\0", 4);
    Layer sun{10, 20, 13, 24, "Sun", {}, std::string(20, '\x01'), ""};
    sun.channels = {
        {0, 1, packedPlane({packBitsRun(4, '\x7F'), packBitsRow("\x01\x02\x03\x04"), packBitsRun(4, 0)})},
        {1, 1,
         packedPlane({packBitsRun(4, 1), packBitsRun(4, 2), packBitsRun(2, 3) + packBitsRow("\x09\x0A")})},
        {2, 1, packedPlane({packBitsRun(4, '\xFF'), packBitsRun(4, '\xFF'), packBitsRun(4, '\xFF')})},
        {-1, 3, "whatever"},
        {-2, 0, "\x55"}};
    return {back, sun};
}

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
