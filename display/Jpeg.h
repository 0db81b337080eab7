#pragma once
#include <memory>
#include <vector>

#include "core/XObject.h"

namespace KavirelDLL {

// A JPEG picture decoded straight from memory (the 6.2 library interface). The header is read when the
// object is made; decompress then makes the pixels once. A file that does not open leaves
// ERR_FILE_NOT_FOUND, undecodable, truncated or oversized data ERR_FILE_DAMAGED, and no decoder.
class JPEG : public CXObject {
public:
    // An engine file name, read through the engine's files (the big file included).
    explicit JPEG(char* path);
    JPEG(char* data, long length);
    ~JPEG() override;
    JPEG(const JPEG&) = delete;
    JPEG& operator=(const JPEG&) = delete;

    // A new[] block of width × height 16-bit pixels, 5-5-5 for bpp 15 and 5-6-5 otherwise, owned by the
    // caller; null when there is no decoder or the data break off. The decoder is finished either way.
    char* decompress(int bpp);
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    // A decoder is ready for decompress.
    bool isReady() const { return m_decoder != nullptr; }

    // Pictures beyond this many pixels are refused before decoding.
    static constexpr int kMaxPixels = 1 << 26;

    // The library's state; opaque outside the reader.
    struct Decoder;

private:
    void open();

    std::vector<unsigned char> m_bytes;
    std::unique_ptr<Decoder> m_decoder;
    int m_width = 0;
    int m_height = 0;
};

} // namespace KavirelDLL
