#include "display/Jpeg.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "core/File.h"
#include "core/Log.h"

namespace KavirelDLL {

// The library reports fatal errors by calling error_exit, which must not return: it jumps back to the
// call that started the failing step. Only the library's C frames lie between, so nothing is skipped
// that would need destroying.
struct JPEG::Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf failed;
    bool truncated = false;
    bool created = false;
};

namespace {

void onFatalError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    logMessage("JPEG: %s", text);
    auto* decoder = reinterpret_cast<JPEG::Decoder*>(info->client_data);
    std::longjmp(decoder->failed, 1);
}

void onMessage(j_common_ptr info, int level) {
    if (level > 0) return; // trace messages
    auto* decoder = reinterpret_cast<JPEG::Decoder*>(info->client_data);
    if (level < 0) {
        if (info->err->msg_code == JWRN_JPEG_EOF) decoder->truncated = true;
        // One line per picture is enough.
        if (info->err->num_warnings++ > 0) return;
    }
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    logMessage("JPEG: %s", text);
}

// 0 on success; the library's failures come back here as 1.
int startDecoding(JPEG::Decoder* d, const unsigned char* data, unsigned long length, int maxPixels) {
    if (setjmp(d->failed)) return 1;
    jpeg_create_decompress(&d->info);
    d->created = true;
    jpeg_mem_src(&d->info, const_cast<unsigned char*>(data), length);
    jpeg_read_header(&d->info, TRUE);
    if (int64_t(d->info.image_width) * d->info.image_height > maxPixels) {
        logMessage("JPEG: a picture of %u x %u is refused", d->info.image_width, d->info.image_height);
        return 1;
    }
    d->info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d->info);
    return d->info.output_components == 3 ? 0 : 1;
}

int readLines(JPEG::Decoder* d, uint16_t* out, unsigned char* row, bool fifteen) {
    if (setjmp(d->failed)) return 1;
    const unsigned width = d->info.output_width;
    while (d->info.output_scanline < d->info.output_height) {
        uint16_t* line = out + size_t(d->info.output_scanline) * width;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(&d->info, rows, 1) != 1) return 1;
        const unsigned char* p = row;
        for (unsigned x = 0; x < width; ++x, p += 3) {
            const unsigned r = p[0], g = p[1], b = p[2];
            line[x] = fifteen ? uint16_t((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                              : uint16_t((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        }
        if (d->truncated) return 1;
    }
    jpeg_finish_decompress(&d->info);
    return d->truncated ? 1 : 0;
}

} // namespace

JPEG::JPEG(char* path) {
    CFile file;
    if (!path || file.Open(nullptr, CXString(path), CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
        logMessage("JPEG: \"%s\" does not open", path ? path : "");
        setErrorCode(ERR_FILE_NOT_FOUND);
        return;
    }
    const int length = file.Length();
    if (length > 0) {
        m_bytes.resize(size_t(length));
        if (file.Read(m_bytes.data(), length) != length) {
            logMessage("JPEG: \"%s\" could not be read", path);
            setErrorCode(ERR_FILE_DAMAGED);
            return;
        }
    }
    file.Close();
    open();
}

JPEG::JPEG(char* data, long length) {
    if (data && length > 0) m_bytes.assign(data, data + length);
    open();
}

JPEG::~JPEG() {
    if (m_decoder && m_decoder->created) jpeg_destroy_decompress(&m_decoder->info);
}

void JPEG::open() {
    if (m_bytes.empty()) {
        logMessage("JPEG: no data");
        setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    auto decoder = std::make_unique<Decoder>();
    decoder->info.err = jpeg_std_error(&decoder->errors);
    decoder->errors.error_exit = onFatalError;
    decoder->errors.emit_message = onMessage;
    decoder->info.client_data = decoder.get();
    if (startDecoding(decoder.get(), m_bytes.data(), m_bytes.size(), kMaxPixels) != 0) {
        if (decoder->created) jpeg_destroy_decompress(&decoder->info);
        setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    m_width = int(decoder->info.output_width);
    m_height = int(decoder->info.output_height);
    m_decoder = std::move(decoder);
}

char* JPEG::decompress(int bpp) {
    if (!m_decoder) return nullptr;
    const size_t pixels = size_t(m_width) * size_t(m_height);
    char* out = new (std::nothrow) char[pixels * 2 + 1];
    unsigned char* row = new (std::nothrow) unsigned char[size_t(m_width) * 3 + 1];
    const bool memory = out && row;
    const int failed =
        memory ? readLines(m_decoder.get(), reinterpret_cast<uint16_t*>(out), row, bpp == 15) : 1;
    delete[] row;
    jpeg_destroy_decompress(&m_decoder->info);
    m_decoder.reset();
    if (failed) {
        if (!memory)
            logMessage("JPEG: no memory for %d x %d pixels", m_width, m_height);
        else
            logMessage("JPEG: the picture breaks off");
        delete[] out;
        setErrorCode(ERR_FILE_DAMAGED);
        return nullptr;
    }
    return out;
}

} // namespace KavirelDLL
