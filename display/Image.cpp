#include "display/Image.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/Compression.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "display/Jpeg.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

// Pixel blocks beyond this are broken sizes, not pictures.
constexpr int64_t kMaxImageBytes = int64_t(1) << 30;

int32_t le32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

int16_t le16(const uint8_t* p) { return static_cast<int16_t>(uint16_t(p[0]) | uint16_t(p[1]) << 8); }

// Depth codes 2, 4 and 8 stand for 15, 16 and 24; 0 for what is no depth at all.
int realBpp(int bpp) {
    switch (bpp) {
    case 2:
        return 15;
    case 4:
        return 16;
    case 8:
        return 24;
    case 15:
    case 16:
    case 24:
    case 32:
        return bpp;
    default:
        return 0;
    }
}

// A new[] block of exactly length bytes read from the file, or null when the file holds fewer.
char* readBlock(CFile* file, int length) {
    if (length < 0) return nullptr;
    char* block = new (std::nothrow) char[size_t(length) + 1];
    if (!block) return nullptr;
    if (length > 0 && file->Read(block, length) != length) {
        delete[] block;
        return nullptr;
    }
    return block;
}

} // namespace

// ---------------------------------------------------------------- construction

CImage::CImage(CWindow* window) : CGraphicsObject(window), CPlayable(window) {}

CImage::CImage(CWindow* window, CGraphicsObject* other) : CGraphicsObject(window, *other), CPlayable(window) {
    m_fileName = "";
}

CImage::CImage(CImage& other) : CGraphicsObject(other.m_window, other), CPlayable(other.m_window) {
    m_fileName = "";
}

CImage::CImage(CWindow* window, CXString name) : CGraphicsObject(window), CPlayable(window) {
    m_fileName = name;
    setErrorCode(Load(name, true));
}

CImage::CImage(CWindow* window, CMElement* element) : CGraphicsObject(window), CPlayable(window) {
    if (!element) return;
    CXString file = element->getPropertyValue("FILENAME");
    setFilename(file);
    if (!file.IsString()) return;
    CMProperty* preload = element->getProperty("PRELOAD");
    if (!preload || preload->getBoolValue()) Load(file, true);
    if (element->getPropertyBoolValue("VISIBLE"))
        show();
    else
        hide();
    toRelease(element->getPropertyBoolValue("RELEASEAFTERUSE"));
}

CImage::~CImage() = default;

CXObject* CImage::clone() { return new CImage(m_window, this); }

CXString CImage::getFileName() { return CFileResolver::getFileName(); }

// ---------------------------------------------------------------- loading

int CImage::fail(int code, const char* why) {
    logMessage("image \"%s\": %s", m_fileName.GetBuffer(), why);
    dropBlocks();
    m_width = m_height = m_pitch = 0;
    release();
    setErrorCode(code);
    return code;
}

void CImage::adoptPicture(int width, int height, int bpp, int x, int y, const CSharedBlock& pixels,
                          const CSharedBlock& alpha, int alphaSize) {
    dropBlocks();
    m_width = width;
    m_height = height;
    m_pitch = width;
    m_bpp = bpp;
    m_x = x;
    m_y = y;
    m_data = pixels;
    m_channel[3] = alpha;
    m_channelSize[3] = alphaSize;
}

int CImage::Load(CXString name, bool convert) {
    Invalidate();
    flush();
    setErrorCode(0);
    m_fileName = name;
    // The test is case-sensitive: only ".IMG" names are image files.
    if (name.FindSubString(".IMG") < 0) {
        CXString path = CFile::getPath(m_window, name);
        // Only the disk has paths; a picture inside the big file is read through it.
        const int loaded = path.IsString() ? load(path) : loadFromGameFile(name);
        if (loaded != 0) return LastError();
        setFilename(name);
        CFileResolver::load();
        Invalidate();
        return 0;
    }
    CFile file;
    if (file.Open(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY) != 0)
        return fail(ERR_FILE_NOT_FOUND, "does not open");
    const int read = Load(&file);
    const int closed = file.Close();
    // What went wrong in reading counts before what closing says.
    const int error = read != 0 ? read : closed;
    if (error != 0) return fail(error, "could not be read");
    Visible(true);
    setFilename(name);
    CFileResolver::load();
    Invalidate();
    m_fileName = name;
    if (convert) CGraphicsObject::Load(name);
    return LastError();
}

int CImage::Load(CFile* file) {
    setErrorCode(0);
    if (!file || !file->GetHandle()) return fail(ERR_FILE_NOT_FOUND, "no file to read");
    return readImage(file);
}

int CImage::readImage(CFile* file) {
    const int64_t fileLength = file->Length();
    uint8_t head[40];
    if (file->Read(head, 40) != 40) return fail(ERR_FILE_DAMAGED, "shorter than an image header");
    if (std::memcmp(head, "NVI\0", 4) == 0) {
        file->Seek(-40, 1);
        return Load3(file);
    }

    int32_t width, height, bpp, compression = COMPRESSION_NONE, alphaLength = 0, x = 0, y = 0, stored = 0;
    int32_t dataStart = 40;
    if (std::memcmp(head, "PIK\0", 4) == 0) {
        width = le32(head + 4);
        height = le32(head + 8);
        bpp = le32(head + 12);
        stored = le32(head + 16);
        compression = le32(head + 24);
        alphaLength = le32(head + 28);
        x = le32(head + 32);
        y = le32(head + 36);
    } else {
        // Headerless legacy layout: the size and depth sit at 80, the pixels from 92.
        uint8_t skipped[40], block[12];
        if (file->Read(skipped, 40) != 40 || file->Read(block, 12) != 12)
            return fail(ERR_FILE_DAMAGED, "shorter than a legacy image header");
        width = le16(block);
        height = le16(block + 2);
        // The depth code is the low four bits of the word at 90, which runs on into the pixels.
        bpp = block[10] & 0xF;
        dataStart = 92;
    }

    bpp = realBpp(bpp);
    if (width < 0 || height < 0 || bpp == 0) return fail(ERR_FILE_DAMAGED, "size or depth out of range");
    // The picture's rectangle on the screen must be one an int can hold.
    if (int64_t(x) + width > INT32_MAX || int64_t(y) + height > INT32_MAX)
        return fail(ERR_FILE_DAMAGED, "position out of range");
    const int64_t pixelSize = __get_pixel_size(bpp);
    if (int64_t(width) * height > kMaxImageBytes / pixelSize) return fail(ERR_FILE_DAMAGED, "too large");
    const int64_t raw = int64_t(width) * height * pixelSize;
    if (compression != COMPRESSION_NONE && compression != COMPRESSION_LZO &&
        compression != COMPRESSION_LZO_RLE && compression != COMPRESSION_RLE &&
        compression != COMPRESSION_JPEG)
        return fail(ERR_FILE_DAMAGED, "unknown compression");
    if (alphaLength < 0 || alphaLength > fileLength - dataStart)
        return fail(ERR_FILE_DAMAGED, "alpha plane longer than the file");
    const int64_t pixelLength = fileLength - alphaLength - dataStart;
    if (pixelLength < 0 || pixelLength > kMaxImageBytes)
        return fail(ERR_FILE_DAMAGED, "pixel data out of range");
    if (compression == COMPRESSION_JPEG && (stored <= 0 || stored > pixelLength))
        return fail(ERR_FILE_DAMAGED, "JPEG data out of range");
    // Data of another length than the raw pixels are packed.
    if (compression == COMPRESSION_NONE && pixelLength != raw) compression = COMPRESSION_LZO;
    const bool rawAlpha = compression == COMPRESSION_NONE || compression == COMPRESSION_JPEG;
    if (rawAlpha && alphaLength != 0 && alphaLength != int64_t(width) * height)
        return fail(ERR_FILE_DAMAGED, "alpha plane of the wrong size");

    char* pixels = readBlock(file, int(pixelLength));
    if (!pixels) return fail(ERR_FILE_DAMAGED, "pixel data cut short");
    CSharedBlock pixelBlock = CSharedBlock::adopt(pixels);
    CSharedBlock alphaBlock;
    if (alphaLength > 0) {
        char* alpha = readBlock(file, alphaLength);
        if (!alpha) return fail(ERR_FILE_DAMAGED, "alpha plane cut short");
        alphaBlock = CSharedBlock::adopt(alpha);
    }

    adoptPicture(width, height, bpp, x, y, pixelBlock, alphaBlock, alphaLength);
    m_compression = static_cast<_compression>(compression);
    m_rawSize = int32_t(raw);
    m_compressedSize = compression == COMPRESSION_JPEG ? stored : int32_t(pixelLength);
    if (compression == COMPRESSION_NONE) m_compressedSize = int32_t(raw);

    DeCompress();
    if (LastError() != 0 || m_compression == COMPRESSION_LZO || m_compression == COMPRESSION_LZO_RLE ||
        m_compression == COMPRESSION_JPEG)
        return fail(ERR_FILE_DAMAGED, "packed data do not decode");
    if (m_compression == COMPRESSION_RLE) {
        // Run-length data stay packed until drawn; a damaged stream is found now, not at the first draw.
        DeCompressRLE2();
        if (LastError() != 0) return fail(ERR_FILE_DAMAGED, "run-length data do not decode");
        bringBackCompressed();
    }
    if (raw > 0 && !m_data) return fail(ERR_FILE_DAMAGED, "no pixel data");
    return 0;
}

int CImage::Load3(CFile* file) {
    setErrorCode(0);
    if (!file || !file->GetHandle()) return fail(ERR_FILE_NOT_FOUND, "no file to read");
    return readNvi(file);
}

int CImage::readNvi(CFile* file) {
    uint8_t head[37];
    if (file->Read(head, 37) != 37 || std::memcmp(head, "NVI\0", 4) != 0)
        return fail(ERR_FILE_DAMAGED, "no \"NVI\" header");
    const int width = le16(head + 4);
    const int height = le16(head + 6);
    const int bpp = realBpp(head[8]);
    const int32_t pixelLength = le32(head + 9);
    const int32_t alphaLength = le32(head + 13);
    const int x = le16(head + 17);
    const int y = le16(head + 19);
    const int32_t compression = le32(head + 21);

    if (width < 0 || height < 0 || bpp == 0) return fail(ERR_FILE_DAMAGED, "size or depth out of range");
    if (compression != 0 && compression != 2) return fail(ERR_FILE_DAMAGED, "unknown compression");
    const int64_t pixels = int64_t(width) * height;
    const int64_t raw = pixels * __get_pixel_size(bpp);
    if (raw > kMaxImageBytes) return fail(ERR_FILE_DAMAGED, "too large");
    if (pixelLength < 0 || alphaLength < 0) return fail(ERR_FILE_DAMAGED, "negative data lengths");
    if (pixelLength > raw) return fail(ERR_FILE_DAMAGED, "pixel data longer than the picture");
    if (int64_t(pixelLength) + alphaLength > int64_t(file->Length()) - file->Tell())
        return fail(ERR_FILE_DAMAGED, "data cut short");

    // Raw pixels must be the whole picture and packed ones are decoded into a block of their own, so
    // only the stored bytes are read.
    char* block = readBlock(file, pixelLength);
    if (!block) return fail(ERR_FILE_DAMAGED, "pixel data cut short");
    CSharedBlock pixelBlock = CSharedBlock::adopt(block);
    CSharedBlock alphaBlock;
    if (alphaLength > 0) {
        char* alpha = readBlock(file, alphaLength);
        if (!alpha) return fail(ERR_FILE_DAMAGED, "alpha plane cut short");
        alphaBlock = CSharedBlock::adopt(alpha);
    }

    int32_t alphaSize = alphaLength;
    if (compression == 2) {
        CLZWCompression packed(pixelBlock.get(), pixelLength);
        char* decoded = packed.decompress(int(raw));
        if (!decoded || packed.GetSize() != raw) {
            delete[] decoded;
            return fail(ERR_FILE_DAMAGED, "packed pixels do not decode");
        }
        pixelBlock = CSharedBlock::adopt(decoded);
        if (alphaBlock) {
            CLZWCompression packedAlpha(alphaBlock.get(), alphaLength);
            char* alpha = packedAlpha.decompress(int(pixels));
            if (!alpha || packedAlpha.GetSize() != pixels) {
                delete[] alpha;
                return fail(ERR_FILE_DAMAGED, "packed alpha plane does not decode");
            }
            alphaBlock = CSharedBlock::adopt(alpha);
            alphaSize = int32_t(pixels);
        }
    } else if (pixelLength != raw || (alphaLength != 0 && alphaLength != pixels)) {
        return fail(ERR_FILE_DAMAGED, "data lengths do not fit the picture");
    }

    adoptPicture(width, height, bpp, x, y, pixelBlock, alphaBlock, alphaBlock ? alphaSize : 0);
    m_compression = COMPRESSION_NONE;
    m_rawSize = m_compressedSize = int32_t(raw);
    return 0;
}

int CImage::load(CXString path) {
    setErrorCode(0);
    if (!path.IsString()) return fail(ERR_FILE_NOT_FOUND, "does not open");
    std::string name(path.GetBuffer());
    JPEG jpeg(name.data());
    return decodeJpeg(jpeg);
}

int CImage::loadFromGameFile(CXString name) {
    setErrorCode(0);
    CFile file;
    if (file.Open(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY) != 0)
        return fail(ERR_FILE_NOT_FOUND, "does not open");
    const int length = file.Length();
    if (length <= 0) return fail(ERR_FILE_DAMAGED, "not a readable JPEG");
    std::vector<char> bytes(static_cast<size_t>(length));
    if (file.Read(bytes.data(), length) != length) return fail(ERR_FILE_DAMAGED, "could not be read");
    file.Close();
    JPEG jpeg(bytes.data(), length);
    return decodeJpeg(jpeg);
}

int CImage::decodeJpeg(JPEG& jpeg) {
    if (!jpeg.isReady())
        return fail(jpeg.LastError() ? jpeg.LastError() : ERR_FILE_DAMAGED, "not a readable JPEG");
    int bpp = 16;
    if (m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface())
            if (screen->GetBpp() == 15) bpp = 15;
    char* pixels = jpeg.decompress(bpp);
    if (!pixels) return fail(ERR_FILE_DAMAGED, "JPEG data break off");
    dropBlocks();
    m_width = jpeg.getWidth();
    m_height = jpeg.getHeight();
    m_pitch = m_width;
    m_bpp = bpp;
    m_data = CSharedBlock::adopt(pixels);
    m_compression = COMPRESSION_NONE;
    m_rawSize = m_compressedSize = m_width * m_height * 2;
    return 0;
}

void CImage::flush() {
    Flush();
    release();
}

// ---------------------------------------------------------------- playable

void CImage::play() {}

void CImage::stop(bool) {}

void CImage::pause() {}

void CImage::resume() {}

void CImage::seek(int) {}

void CImage::show() {
    if (!isLoaded() && CFileResolver::m_fileName.IsString()) Load(CFileResolver::m_fileName, true);
    Visible(true);
}

void CImage::hide() {
    if (releaseAfterUse()) flush();
    Visible(false);
}

void CImage::setVisibility(bool visible) {
    if (visible)
        show();
    else
        hide();
}

bool CImage::isVisible() { return CGraphicsObject::isVisible(); }

} // namespace KavirelDLL
