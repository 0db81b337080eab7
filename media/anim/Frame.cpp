#include "media/anim/Frame.h"

#include <memory>
#include <new>

#include "core/Compression.h"
#include "core/File.h"
#include "core/Log.h"
#include "media/anim/AnimoIO.h"

namespace KavirelDLL {

namespace {

// Pictures beyond this are broken sizes.
constexpr int64_t kMaxImageBytes = int64_t(1) << 30;

} // namespace

CFrame::CFrame(CWindow* window) : CGraphicsObject(window) {}

void CFrame::SetPosition(int x, int y) {
    m_ownX = x;
    m_ownY = y;
    m_offsetX = m_offsetY = 0;
    m_x = x;
    m_y = y;
}

void CFrame::SetPosOffset(int x, int y) {
    m_offsetX = x;
    m_offsetY = y;
}

void CFrame::Move(int dx, int dy) {
    m_x += dx;
    m_y += dy;
    m_ownX += dx;
    m_ownY += dy;
    m_offsetX += dx;
    m_offsetY += dy;
}

bool CFrame::rawSizeFits() const {
    const int64_t pixels = int64_t(m_width) * m_height;
    if (int64_t(m_compressedSize) < pixels * __get_pixel_size(m_bpp)) return false;
    // An alpha plane, when there is one, holds a byte for every pixel.
    return !m_channel[3] || m_channelSize[3] <= 0 || int64_t(m_channelSize[3]) >= pixels;
}

void CFrame::DeCompress() {
    if (m_compression == 1) {
        // Code-1 data have no decoder: they are the pixels as stored, when there are enough of them.
        if (m_data && rawSizeFits()) {
            m_compression = COMPRESSION_NONE;
            m_rawSize = m_compressedSize;
        } else {
            logMessage("animation image \"%s\": stored pixels or alpha do not fill %d x %d",
                       m_fileName.GetBuffer(), m_width, m_height);
            setErrorCode(ERR_FILE_DAMAGED);
        }
        return;
    }
    if (m_compression != COMPRESSION_JPEG) {
        CGraphicsObject::DeCompress();
        return;
    }
    // The JPEG's alpha plane is an LZO block of its own.
    CSharedBlock alpha = m_channel[3];
    const int alphaSize = m_channelSize[3];
    CGraphicsObject::DeCompress();
    if (m_compression != COMPRESSION_NONE || !alpha || alphaSize <= 0) return;
    CLZWCompression2 packed(alpha.get(), alphaSize);
    std::unique_ptr<char[]> plane(packed.decompress());
    const uint32_t decoded = plane ? CAnimoReader::u32(reinterpret_cast<const uint8_t*>(alpha.get())) : 0;
    if (!plane || decoded != uint32_t(m_width) * uint32_t(m_height)) {
        logMessage("animation image \"%s\": packed alpha does not decode to %d x %d", m_fileName.GetBuffer(),
                   m_width, m_height);
        m_channel[3].reset();
        m_channelSize[3] = 0;
        setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    m_channel[3] = CSharedBlock::adopt(plane.release());
    m_channelSize[3] = m_width * m_height;
}

bool CFrame::runLengthValid() {
    if (m_compression != COMPRESSION_RLE) return true;
    const int raw = __get_data_size(m_width, m_height, m_bpp);
    std::unique_ptr<char[]> pixels(CRLECompression::__decompress(m_data.get(), m_compressedSize, raw));
    if (!pixels) return false;
    if (!m_channel[3]) return true;
    std::unique_ptr<char[]> alpha(
        CRLECompression::__decompresschar(m_channel[3].get(), m_channelSize[3], m_width * m_height));
    return alpha != nullptr;
}

bool CFrame::decodeNow() {
    const int before = LastError();
    setErrorCode(0);
    if (m_compression == COMPRESSION_LZO || m_compression == COMPRESSION_LZO_RLE ||
        m_compression == COMPRESSION_JPEG || m_compression == 1)
        DeCompress();
    const bool ok = LastError() == 0 && runLengthValid();
    if (ok) setErrorCode(before);
    m_decodeFailed = !ok;
    return ok;
}

bool CFrame::readyToDraw() {
    if (m_decodeFailed) return false;
    if (m_compression == COMPRESSION_LZO || m_compression == COMPRESSION_LZO_RLE ||
        m_compression == COMPRESSION_JPEG || m_compression == 1) {
        if (!decodeNow()) {
            logMessage("animation image \"%s\" is damaged and is not drawn", m_fileName.GetBuffer());
            return false;
        }
    }
    return true;
}

void CFrame::redraw(CGraphicsObject* destination) {
    if (readyToDraw()) CGraphicsObject::redraw(destination);
}

// ---------------------------------------------------------------- headers

bool CFrame::parseHeader(const uint8_t* h, int length) {
    using R = CAnimoReader;
    const int n = R::s16(h + 14);
    if (n < 0 || n > 4 || 16 + 4 * n > length) return false;
    m_width = R::s16(h);
    m_height = R::s16(h + 2);
    SetPosition(R::s16(h + 4), R::s16(h + 6));
    const int code = R::s16(h + 8);
    const uint32_t dataSize = R::u32(h + 10);
    if (m_width < 0 || m_height < 0 || code < 0 || code > COMPRESSION_JPEG || dataSize > INT32_MAX)
        return false;
    m_sizeEntries = n;
    for (int i = 0; i < 4; ++i) m_channelSize[i] = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t entry = R::u32(h + 16 + 4 * i);
        if (entry > INT32_MAX) return false;
        m_channelSize[i] = static_cast<int32_t>(entry);
    }
    m_compression = static_cast<_compression>(code);
    m_compressedSize = static_cast<int32_t>(dataSize);
    m_rawSize = code == COMPRESSION_NONE ? m_compressedSize : __get_data_size(m_width, m_height, m_bpp);
    m_pitch = m_width;
    return true;
}

bool CFrame::LoadHeaderNew2(CFile* file) {
    uint8_t h[52];
    CAnimoReader in(file);
    return in.read(h, 52) && parseHeader(h, 52);
}

bool CFrame::LoadHeaderNew(CFile* file) {
    uint8_t h[32];
    CAnimoReader in(file);
    return in.read(h, 32) && parseHeader(h, 32);
}

bool CFrame::LoadHeader(CFile* file, int generation) {
    CAnimoReader in(file);
    return readPictureListHeader(in, generation);
}

bool CFrame::readPictureListHeader(CAnimoReader& in, int generation) {
    using R = CAnimoReader;
    m_generation = generation;
    for (int i = 0; i < 4; ++i) m_channelSize[i] = 0;
    int bppCode;
    uint32_t pixels, alpha;
    if (generation == 1) {
        uint8_t h[20];
        if (!in.read(h, 20)) return false;
        pixels = R::u32(h);
        alpha = R::u32(h + 4);
        m_width = R::s16(h + 8);
        m_height = R::s16(h + 12);
        SetPosition(R::s16(h + 10), R::s16(h + 14));
        bppCode = R::s16(h + 18);
        m_sizeEntries = 0;
    } else {
        uint8_t h[32];
        if (!in.read(h, 32)) return false;
        m_width = R::s16(h);
        m_height = R::s16(h + 4);
        SetPosition(R::s16(h + 2), R::s16(h + 6));
        bppCode = R::s16(h + 10);
        const uint32_t n = R::u32(h + 12);
        if (n > 4) return false;
        m_sizeEntries = static_cast<int32_t>(n);
        uint32_t entries[4] = {0, 0, 0, 0};
        for (uint32_t i = 0; i < n; ++i) entries[i] = R::u32(h + 16 + 4 * i);
        pixels = entries[0];
        alpha = entries[3];
        for (int i = 1; i < 3; ++i) m_channelSize[i] = entries[i] > INT32_MAX ? 0 : int32_t(entries[i]);
    }
    if (m_width < 0 || m_height < 0 || pixels > INT32_MAX || alpha > INT32_MAX) return false;
    if (const int bpp = GetRealBpp(bppCode)) m_bpp = bpp;
    m_compressedSize = static_cast<int32_t>(pixels);
    m_channelSize[0] = m_compressedSize;
    m_channelSize[3] = static_cast<int32_t>(alpha);
    m_rawSize = m_compressedSize;
    m_pitch = m_width;
    return true;
}

// ---------------------------------------------------------------- data

bool CFrame::readData(CAnimoReader& in, int64_t pixels, int64_t alpha) {
    if (int64_t(m_width) * m_height * __get_pixel_size(m_bpp) > kMaxImageBytes) return false;
    if (pixels > in.left() || alpha > in.left() - pixels) return false;
    // The blocks are filled from the file at once, so they are not cleared first.
    CSharedBlock data =
        pixels > 0 ? CSharedBlock::adopt(new (std::nothrow) char[size_t(pixels)]) : CSharedBlock();
    if (pixels > 0 && (!data || !in.read(data.get(), pixels))) return false;
    CSharedBlock plane;
    if (alpha > 0) {
        plane = CSharedBlock::adopt(new (std::nothrow) char[size_t(alpha)]);
        if (!plane || !in.read(plane.get(), alpha)) return false;
    }
    m_data = data;
    m_channel[3] = plane;
    m_channelSize[3] = static_cast<int32_t>(alpha);
    // Raw pixels must cover the picture; packed ones are checked when they are decoded.
    return m_compression != COMPRESSION_NONE || rawSizeFits();
}

bool CFrame::LoadNew(CFile* file) {
    CAnimoReader in(file);
    return readData(in);
}

int CFrame::Load(CFile* file) {
    CAnimoReader in(file);
    return readPictureListData(in) ? 0 : ERR_FILE_DAMAGED;
}

bool CFrame::readPictureListData(CAnimoReader& in) {
    if (m_generation == 2) m_compression = static_cast<_compression>(1);
    if (m_generation == 3) m_compression = COMPRESSION_LZO;
    return readData(in);
}

// ---------------------------------------------------------------- writing

void CFrame::writeHeader(std::vector<uint8_t>& out, int length) {
    CAnimoWriter w(out);
    const size_t start = out.size();
    w.u16(static_cast<uint16_t>(m_width));
    w.u16(static_cast<uint16_t>(m_height));
    w.u16(static_cast<uint16_t>(m_ownX));
    w.u16(static_cast<uint16_t>(m_ownY));
    w.u16(static_cast<uint16_t>(m_compression));
    w.u32(static_cast<uint32_t>(storedSize()));
    int32_t entries[4] = {m_channelSize[0], m_channelSize[1], m_channelSize[2], storedAlphaSize()};
    int n = m_sizeEntries;
    if (m_channel[3] && n == 0) {
        n = 4;
        if (entries[3] == 0) entries[3] = m_width * m_height;
    }
    if (!m_channel[3]) entries[3] = 0;
    w.u16(static_cast<uint16_t>(n));
    for (int i = 0; i < n; ++i) w.u32(static_cast<uint32_t>(entries[i]));
    w.zeros(static_cast<size_t>(length) - (out.size() - start));
}

void CFrame::SaveHeaderNew(std::vector<uint8_t>& out, int) { writeHeader(out, 52); }

void CFrame::SaveHeader3(std::vector<uint8_t>& out, int) { writeHeader(out, 32); }

void CFrame::SaveHeader(std::vector<uint8_t>& out, int generation) {
    CAnimoWriter w(out);
    m_generation = generation;
    // Both headers hold the same six words; "PIK" puts its two sizes before them, the others their entries
    // after.
    if (generation == 1) {
        w.u32(static_cast<uint32_t>(__get_data_size(m_width, m_height, m_bpp)));
        w.u32(static_cast<uint32_t>(m_width * m_height));
    }
    w.u16(static_cast<uint16_t>(m_width));
    w.u16(static_cast<uint16_t>(m_ownX));
    w.u16(static_cast<uint16_t>(m_height));
    w.u16(static_cast<uint16_t>(m_ownY));
    w.u16(0);
    w.u16(static_cast<uint16_t>(GetFlagBpp(m_bpp)));
    if (generation == 1) return;
    w.u32(4);
    for (int i = 0; i < 4; ++i) w.u32(static_cast<uint32_t>(m_channelSize[i]));
}

int CFrame::storedSize() const {
    return m_compression == COMPRESSION_NONE ? __get_data_size(m_width, m_height, m_bpp) : m_compressedSize;
}

int CFrame::storedAlphaSize() const {
    if (!m_channel[3]) return 0;
    return m_compression == COMPRESSION_NONE ? m_width * m_height : m_channelSize[3];
}

void CFrame::SaveNew(std::vector<uint8_t>& out) {
    // Decoded blocks hold exactly the picture, whatever sizes their packed form had.
    CAnimoWriter w(out);
    if (m_data && storedSize() > 0) w.bytes(m_data.get(), static_cast<size_t>(storedSize()));
    if (storedAlphaSize() > 0) w.bytes(m_channel[3].get(), static_cast<size_t>(storedAlphaSize()));
}

void CFrame::Save(std::vector<uint8_t>& out, int generation) {
    if (generation == 1 && !m_channel[3]) return;
    SaveNew(out);
}

} // namespace KavirelDLL
