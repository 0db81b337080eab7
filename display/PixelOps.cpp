#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/Compression.h"
#include "core/Log.h"
#include "display/GraphicsObject.h"
#include "display/PixelView.h"
#include "display/RefreshScreen.h"

namespace KavirelDLL {

namespace {

bool is16(int bpp) { return bpp == 15 || bpp == 16; }

uint16_t* words(const CSharedBlock& b) { return reinterpret_cast<uint16_t*>(b.get()); }

// Largest side a scaled object may have; beyond it a script's factor is a mistake, not a picture.
constexpr int64_t kMaxSide = 1 << 15;

} // namespace

bool CGraphicsObject::ensureDecoded() {
    if (m_compression == COMPRESSION_LZO || m_compression == COMPRESSION_LZO_RLE ||
        m_compression == COMPRESSION_JPEG)
        DeCompress();
    if (m_compression == COMPRESSION_RLE) {
        DeCompressRLE2();
        dropKeptCompressed();
    }
    return hasPixels();
}

bool CGraphicsObject::sharePixelsOf(CGraphicsObject& other) {
    if (&other == this) return true;
    if (!ensureDecoded() || !other.ensureDecoded()) return false;
    if (other.m_width != m_width || other.m_height != m_height || other.m_bpp != m_bpp) return false;
    m_data = other.m_data;
    m_pitch = other.m_pitch;
    m_channel[3] = other.m_channel[3];
    m_channelSize[3] = other.m_channelSize[3];
    dropKeptCompressed();
    Invalidate();
    return true;
}

CGraphicsObject::BlockState CGraphicsObject::saveBlocks() const {
    BlockState s;
    s.data = m_data;
    s.alpha = m_channel[3];
    s.keptData = m_keptData;
    s.keptAlpha = m_keptAlpha;
    s.width = m_width;
    s.height = m_height;
    s.pitch = m_pitch;
    s.bpp = m_bpp;
    s.alphaSize = m_channelSize[3];
    s.keptBpp = m_keptBpp;
    s.keptAlphaSize = m_keptAlphaSize;
    s.rawSize = m_rawSize;
    s.compressedSize = m_compressedSize;
    s.x = m_x;
    s.y = m_y;
    s.compression = m_compression;
    s.unpacked = m_unpacked;
    return s;
}

void CGraphicsObject::restoreBlocks(const BlockState& s, bool position) {
    m_data = s.data;
    m_channel[3] = s.alpha;
    m_keptData = s.keptData;
    m_keptAlpha = s.keptAlpha;
    m_width = s.width;
    m_height = s.height;
    m_pitch = s.pitch;
    m_bpp = s.bpp;
    m_channelSize[3] = s.alphaSize;
    m_keptBpp = s.keptBpp;
    m_keptAlphaSize = s.keptAlphaSize;
    m_rawSize = s.rawSize;
    m_compressedSize = s.compressedSize;
    m_compression = s.compression;
    m_unpacked = s.unpacked;
    if (position) SetPosition(s.x, s.y);
}

void CGraphicsObject::installPixels(CSharedBlock pixels, int width, int height) {
    dropKeptCompressed();
    m_data = pixels;
    m_width = width;
    m_height = height;
    m_pitch = width;
    m_compression = COMPRESSION_NONE;
    m_rawSize = __get_data_size(width, height, m_bpp);
    m_compressedSize = 0;
    if (m_channel[3] && m_channelSize[3] != pixelCount()) {
        m_channel[3].reset();
        m_channelSize[3] = 0;
    }
}

void CGraphicsObject::installAlpha(CSharedBlock alpha) {
    m_channel[3] = alpha;
    m_channelSize[3] = alpha ? pixelCount() : 0;
}

void CGraphicsObject::dropKeptCompressed() {
    m_keptData.reset();
    m_keptAlpha.reset();
    m_unpacked = false;
}

// ---------------------------------------------------------------- reading and writing pixels

uint8_t CGraphicsObject::GetPixel(_channel channel, CXPoint p) {
    int i = channel == CHANNEL_ALPHA ? 3 : int(channel);
    if (i < 0 || i > 3 || !m_channel[i]) return 0;
    if (p.x < 0 || p.y < 0 || p.x >= m_width || p.y >= m_height) return 0;
    int64_t index = int64_t(p.y) * m_width + p.x;
    if (i == 3 && m_compression != COMPRESSION_NONE) {
        // Read through a decoded copy; the compressed plane stays as it is.
        if (m_compression != COMPRESSION_RLE) return 0;
        CSharedBlock plane;
        if (!decodeRle(m_channel[3].get(), m_channelSize[3], pixelCount(), false, plane)) return 0;
        return static_cast<uint8_t>(plane.get()[index]);
    }
    if (index >= m_channelSize[i]) return 0;
    return static_cast<uint8_t>(m_channel[i].get()[index]);
}

CColor CGraphicsObject::GetPixel(CXPoint p) { return GetPixel(p.x, p.y); }

CColor CGraphicsObject::GetPixel(int x, int y) {
    if (!hasPixels() || x < 0 || y < 0 || x >= m_width || y >= m_height) return CColor();
    size_t index = size_t(y) * m_width + x;
    if (m_bpp == 15) return CColor(static_cast<int16_t>(words(m_data)[index]), COLORMODEL_RGB15);
    if (m_bpp == 16) return CColor(static_cast<int16_t>(words(m_data)[index]), COLORMODEL_RGB16);
    if (m_bpp == 24) {
        const auto* p = reinterpret_cast<const uint8_t*>(m_data.get()) + index * 3;
        return CColor(p[0], p[1], p[2]);
    }
    return CColor();
}

void CGraphicsObject::SetPixel(int x, int y, CColor color) {
    if (!is16(m_bpp) || x < 0 || y < 0 || x >= m_width || y >= m_height || !ensureDecoded()) return;
    words(m_data)[size_t(y) * m_width + x] = static_cast<uint16_t>(color.GetInBPP(m_bpp));
}

void CGraphicsObject::putPixel(int x, int y, CColor color, int weight, bool replace) {
    if (m_bpp == 15)
        putPixel15(x, y, color, weight, replace);
    else if (m_bpp == 16)
        putPixel16(x, y, color, weight, replace);
}

namespace {

// Each channel: old × (255 − weight) / 256 + new × weight / 256.
uint16_t weighted(uint16_t old, uint16_t now, int weight, int greenBits) {
    const int gMask = (1 << greenBits) - 1, rShift = 5 + greenBits;
    auto mix = [weight](int o, int n) { return ((o * (255 - weight)) >> 8) + ((weight * n) >> 8); };
    int b = mix(old & 31, now & 31);
    int g = mix((old >> 5) & gMask, (now >> 5) & gMask);
    int r = mix((old >> rShift) & 31, (now >> rShift) & 31);
    return static_cast<uint16_t>(b | g << 5 | r << rShift);
}

} // namespace

void CGraphicsObject::putPixel15(int x, int y, CColor color, int weight, bool replace) {
    putWeighted(15, x, y, color, weight, replace);
}

void CGraphicsObject::putPixel16(int x, int y, CColor color, int weight, bool replace) {
    putWeighted(16, x, y, color, weight, replace);
}

void CGraphicsObject::putWeighted(int bpp, int x, int y, CColor color, int weight, bool replace) {
    if (m_bpp != bpp || x < 0 || y < 0 || x >= m_width || y >= m_height || !ensureDecoded()) return;
    int64_t index = int64_t(y) * m_pitch + x;
    if (index < 0 || index >= pixelCount()) return;
    uint16_t& p = words(m_data)[index];
    p = weighted(replace ? 0 : p, static_cast<uint16_t>(color.GetInBPP(bpp)), std::clamp(weight, 0, 255),
                 bpp == 16 ? 6 : 5);
}

// ---------------------------------------------------------------- fills and colour effects

void CGraphicsObject::Fill(CColor* color) {
    if (!color || !ensureDecoded()) return;
    size_t n = size_t(pixelCount());
    if (is16(m_bpp)) {
        std::fill_n(words(m_data), n, static_cast<uint16_t>(color->GetInBPP(m_bpp)));
    } else if (m_bpp == 32) {
        uint32_t v = static_cast<uint32_t>(color->GetInBPP(32));
        for (size_t i = 0; i < n; ++i) std::memcpy(m_data.get() + i * 4, &v, 4);
    }
}

void CGraphicsObject::Fill(CXRect rect, CColor* color) {
    if (!color || !is16(m_bpp) || !ensureDecoded()) return;
    int l = std::max(0, rect.left), t = std::max(0, rect.top);
    int r = std::min(m_width, rect.right), b = std::min(m_height, rect.bottom);
    if (l >= r || t >= b) return;
    uint16_t v = static_cast<uint16_t>(color->GetInBPP(m_bpp));
    for (int y = t; y < b; ++y) std::fill_n(words(m_data) + size_t(y) * m_width + l, r - l, v);
}

void CGraphicsObject::replace_color(CColor* from, CColor* to) {
    if (!from || !to || !is16(m_bpp) || !ensureDecoded()) return;
    uint16_t f = static_cast<uint16_t>(from->GetInBPP(m_bpp)), t = static_cast<uint16_t>(to->GetInBPP(m_bpp));
    std::replace(words(m_data), words(m_data) + pixelCount(), f, t);
}

void CGraphicsObject::ToGrayScale() {
    if (!is16(m_bpp) || !ensureDecoded()) return;
    uint16_t* p = words(m_data);
    for (int i = 0, n = pixelCount(); i < n; ++i) p[i] = grayWord(p[i], m_bpp == 16);
}

void CGraphicsObject::InvertColors() {
    if (m_bpp != 15 || !ensureDecoded()) return;
    uint16_t* p = words(m_data);
    for (int i = 0, n = pixelCount(); i < n; ++i)
        p[i] = static_cast<uint16_t>((p[i] & 0x8000) | (~p[i] & 0x7FFF));
}

void CGraphicsObject::outline(CColor* color, int thickness) {
    if (!color || thickness <= 0 || !is16(m_bpp) || !ensureDecoded()) return;
    const int w = m_width, h = m_height;
    const int tr = std::min(thickness, h), tc = std::min(thickness, w);
    uint16_t v = static_cast<uint16_t>(color->GetInBPP(m_bpp));
    uint8_t* alpha = hasAlphaPlane() ? reinterpret_cast<uint8_t*>(m_channel[3].get()) : nullptr;
    auto paint = [&](int x, int y) {
        words(m_data)[size_t(y) * w + x] = v;
        if (alpha) alpha[size_t(y) * w + x] = 255;
    };
    for (int y = 0; y < h; ++y) {
        bool edgeRow = y < tr || y >= h - tr;
        for (int x = 0; x < w; ++x)
            if (edgeRow || x < tc || x >= w - tc) paint(x, y);
    }
}

// ---------------------------------------------------------------- crop, scale and copies

CSharedBlock CGraphicsObject::cutPixels(const CXRect& rect) {
    const int ps = GetPixelSize(), rw = rect.Width(), rh = rect.Height();
    CSharedBlock out = CSharedBlock::allocate(size_t(rw) * rh * ps);
    if (!out || !m_data) return out;
    // Rows lie a pitch apart: a display surface pads them.
    const size_t stride = size_t(std::max(m_pitch, m_width));
    int l = std::max(rect.left, 0), r = std::min(rect.right, m_width);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_height); ++y)
        if (l < r)
            std::memcpy(out.get() + (size_t(y - rect.top) * rw + (l - rect.left)) * ps,
                        m_data.get() + (size_t(y) * stride + l) * ps, size_t(r - l) * ps);
    return out;
}

CSharedBlock CGraphicsObject::cutAlpha(const CXRect& rect) {
    if (!hasAlphaPlane()) return CSharedBlock();
    const int rw = rect.Width(), rh = rect.Height();
    CSharedBlock out = CSharedBlock::allocate(size_t(rw) * rh);
    if (!out) return out;
    int l = std::max(rect.left, 0), r = std::min(rect.right, m_width);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_height); ++y)
        if (l < r)
            std::memcpy(out.get() + size_t(y - rect.top) * rw + (l - rect.left),
                        m_channel[3].get() + size_t(y) * m_width + l, size_t(r - l));
    return out;
}

void CGraphicsObject::crop(CXRect rect) {
    Invalidate();
    if (!ensureDecoded()) return;
    dropKeptCompressed();
    CXRect part(std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, m_width),
                std::min(rect.bottom, m_height));
    if (part.Width() <= 0 || part.Height() <= 0) part = CXRect(0, 0, 0, 0);
    CSharedBlock pixels = cutPixels(part), alpha = cutAlpha(part);
    bool hadAlpha = static_cast<bool>(m_channel[3]);
    m_data = pixels;
    m_channel[3] = alpha;
    m_width = m_pitch = part.Width();
    m_height = part.Height();
    m_channelSize[3] = hadAlpha && alpha ? pixelCount() : 0;
}

template <typename From>
void CGraphicsObject::resample(int width, int height, From from) {
    const int ps = GetPixelSize();
    CSharedBlock pixels = CSharedBlock::allocate(size_t(width) * height * ps);
    CSharedBlock alpha = hasAlphaPlane() ? CSharedBlock::allocate(size_t(width) * height) : CSharedBlock();
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            size_t source = from(row, col), to = size_t(row) * width + col;
            std::memcpy(pixels.get() + to * ps, m_data.get() + source * ps, ps);
            if (alpha) alpha.get()[to] = m_channel[3].get()[source];
        }
    m_data = pixels;
    m_channel[3] = alpha;
    m_width = m_pitch = width;
    m_height = height;
    m_channelSize[3] = alpha ? pixelCount() : 0;
}

void CGraphicsObject::Scale(float sx, float sy) {
    if (!(sx > 0.0f) || !(sy > 0.0f) || !ensureDecoded()) return;
    double fw = std::floor(double(m_width) * sx), fh = std::floor(double(m_height) * sy);
    if (fw > double(kMaxSide) || fh > double(kMaxSide)) {
        logMessage("graphics object \"%s\": scaling to %.0f x %.0f refused", m_fileName.GetBuffer(), fw, fh);
        setErrorCode(ERR_GRAPHICS_SIZE);
        return;
    }
    if (!sizeAcceptable(int(fw), int(fh), m_bpp)) return;
    dropKeptCompressed();
    const int w = m_width, h = m_height;
    resample(int(fw), int(fh), [=](int row, int col) {
        int y = std::min(int(float(row) / sy), h - 1);
        int x = std::min(int(float(col) / sx), w - 1);
        return size_t(y) * w + x;
    });
}

void CGraphicsObject::Scale2x() {
    if (!ensureDecoded()) return;
    dropKeptCompressed();
    const int w = m_width;
    resample(m_width / 2, m_height / 2, [w](int row, int col) { return size_t(row * 2) * w + col * 2; });
}

void CGraphicsObject::takeSettingsOf(CGraphicsObject* other) {
    Flush();
    m_fileName = other->m_fileName;
    m_window = other->m_window;
    m_destiny = other->m_destiny;
    m_bpp = other->m_bpp;
    m_autoClip = other->m_autoClip;
    m_flags = other->m_flags;
    m_ownsData = true;
}

void CGraphicsObject::cutFrom(CGraphicsObject* source, const CXRect& part) {
    m_data = source->cutPixels(part);
    m_channel[3] = source->cutAlpha(part);
    m_channelSize[3] = m_channel[3] ? pixelCount() : 0;
}

void CGraphicsObject::Copy(CGraphicsObject* other) {
    if (!other || other == this) return;
    takeSettingsOf(other);
    m_fileName += "copy";
    m_width = other->m_width;
    m_height = other->m_height;
    // The copy's own block is packed, whatever rows the other pads.
    m_pitch = other->m_width;
    m_clip = other->m_clip;
    m_viewport = other->m_viewport;
    CXPoint p = other->GetPosition();
    m_x = p.x;
    m_y = p.y;

    // A compressed source is read through a decoded view and keeps its own state.
    std::unique_ptr<CGraphicsObject> view;
    CGraphicsObject* source = other->readable(view);
    if (!source || !source->m_data) return;
    CXRect part(0, 0, m_width, m_height);
    if (!other->m_clip.IsEmpty()) {
        part = other->m_clip;
        if (part.Width() < 0 || part.Height() < 0) part = CXRect(0, 0, 0, 0);
        // A clipping rectangle may reach far beyond the pixels; the copy is made at its size.
        if (!sizeAcceptable(part.Width(), part.Height(), m_bpp)) {
            m_width = m_height = m_pitch = 0;
            return;
        }
        m_width = m_pitch = part.Width();
        m_height = part.Height();
        m_clip = CXRect();
        m_viewport = CXRect();
    }
    cutFrom(source, part);
}

void CGraphicsObject::Copy(CGraphicsObject* other, CXRect rect) {
    if (rect.IsEmpty()) {
        Copy(other);
        return;
    }
    if (!other || other == this) return;
    takeSettingsOf(other);
    m_clip = CXRect();
    m_viewport = CXRect();
    m_x = rect.left;
    m_y = rect.top;
    if (rect.Width() < 0 || rect.Height() < 0 || !sizeAcceptable(rect.Width(), rect.Height(), m_bpp)) {
        m_width = m_height = m_pitch = 0;
        return;
    }
    m_width = m_pitch = rect.Width();
    m_height = rect.Height();
    std::unique_ptr<CGraphicsObject> view;
    CGraphicsObject* source = other->readable(view);
    if (!source || !source->m_data) return;
    cutFrom(source, rect);
}

// ---------------------------------------------------------------- colour planes

void CGraphicsObject::Split() {
    if (m_bpp != 24 || !ensureDecoded()) return;
    const size_t n = size_t(pixelCount());
    CSharedBlock planes[3];
    for (auto& p : planes) {
        p = CSharedBlock::allocate(n);
        if (!p) return;
    }
    const auto* src = reinterpret_cast<const uint8_t*>(m_data.get());
    for (size_t i = 0; i < n; ++i) {
        planes[2].get()[i] = char(src[i * 3]);
        planes[1].get()[i] = char(src[i * 3 + 1]);
        planes[0].get()[i] = char(src[i * 3 + 2]);
    }
    for (int c = 0; c < 3; ++c) {
        m_channel[c] = planes[c];
        m_channelSize[c] = int(n);
    }
    m_data.reset();
}

void CGraphicsObject::JoinChannels() {
    const int previous = m_bpp;
    const size_t n = size_t(pixelCount());
    CSharedBlock pixels = CSharedBlock::allocate(n * 3);
    if (!pixels) return;
    auto plane = [&](int c, size_t i) -> char {
        return m_channel[c] && i < size_t(std::max(m_channelSize[c], 0)) ? m_channel[c].get()[i] : 0;
    };
    for (size_t i = 0; i < n; ++i) {
        pixels.get()[i * 3] = plane(2, i);
        pixels.get()[i * 3 + 1] = plane(1, i);
        pixels.get()[i * 3 + 2] = plane(0, i);
    }
    for (int c = 0; c < 3; ++c) {
        m_channel[c].reset();
        m_channelSize[c] = 0;
    }
    m_data = pixels;
    m_bpp = 24;
    m_compression = COMPRESSION_NONE;
    Convert(previous);
}

void CGraphicsObject::SplitOn2(const char* data, int count) {
    if (!data || count < 0) return;
    const size_t n = size_t(std::max(count, pixelCount()));
    CSharedBlock pixels = CSharedBlock::allocate(n * 3), alpha = CSharedBlock::allocate(n);
    if (!pixels || !alpha) return;
    for (size_t i = 0; i < size_t(count); ++i) {
        std::memcpy(pixels.get() + i * 3, data + i * 4, 3);
        alpha.get()[i] = data[i * 4 + 3];
    }
    m_data = pixels;
    m_channel[3] = alpha;
    m_channelSize[3] = int(n);
    m_compression = COMPRESSION_NONE;
}

char* CGraphicsObject::Join2Channels() {
    if (GetPixelSize() < 3 || !ensureDecoded()) return nullptr;
    const size_t n = size_t(pixelCount());
    char* out = new char[n * 4];
    const bool withAlpha = hasAlphaPlane();
    for (size_t i = 0; i < n; ++i) {
        std::memcpy(out + i * 4, m_data.get() + i * 3, 3);
        out[i * 4 + 3] = withAlpha ? m_channel[3].get()[i] : char(255);
    }
    return out;
}

void CGraphicsObject::displacementFilter(const CXPoint* offsets, bool withAlpha, bool freeOld) {
    if (!offsets || !ensureDecoded()) return;
    const int w = m_width, h = m_height, ps = GetPixelSize();
    const int64_t n = pixelCount();
    const bool alphaToo = withAlpha && hasAlphaPlane();
    CSharedBlock pixels = CSharedBlock::allocate(size_t(n) * ps);
    CSharedBlock alpha = alphaToo ? CSharedBlock::allocate(size_t(n)) : CSharedBlock();
    if (!pixels || (alphaToo && !alpha)) return;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const int64_t i = int64_t(row) * w + col;
            const int64_t from = int64_t(offsets[i].x) + int64_t(w) * (int64_t(offsets[i].y) + row) + col;
            if (from <= 0 || from >= n) continue;
            std::memcpy(pixels.get() + i * ps, m_data.get() + from * ps, ps);
            if (alpha) alpha.get()[i] = m_channel[3].get()[from];
        }
    if (!freeOld) {
        // The caller keeps the old blocks.
        m_data.release();
        if (alpha) m_channel[3].release();
    }
    m_data = pixels;
    if (alpha) m_channel[3] = alpha;
}

// ---------------------------------------------------------------- alpha merging

void CGraphicsObject::mergeAlpha(CXPoint p, CGraphicsObject* other) {
    if (!other || other == this || !ensureDecoded() || !hasAlphaPlane()) return;
    const int w = m_width, h = m_height;
    if (p.x >= w || p.y >= h) {
        if (!other->m_mergeBytes.empty()) {
            restoreAlpha(other);
            other->m_mergeBytes.clear();
            other->m_mergeRect = CXRect();
        }
        return;
    }
    restoreAlpha(other);
    std::unique_ptr<CGraphicsObject> view;
    CGraphicsObject* source = other->readable(view);
    const int ow = source ? source->m_width : other->m_width,
              oh = source ? source->m_height : other->m_height;
    CXRect r(std::max(0, p.x), std::max(0, p.y), int(std::min<int64_t>(int64_t(p.x) + ow, w)),
             int(std::min<int64_t>(int64_t(p.y) + oh, h)));
    other->m_mergeBytes.clear();
    other->m_mergeRect = CXRect();
    if (r.Width() <= 0 || r.Height() <= 0) return;
    char* alpha = m_channel[3].get();
    other->m_mergeRect = r;
    other->m_mergeBytes.resize(size_t(r.Width()) * r.Height());
    for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(other->m_mergeBytes.data() + size_t(y - r.top) * r.Width(),
                    alpha + size_t(y) * w + r.left, size_t(r.Width()));
    const char* otherAlpha = source && source->hasAlphaPlane() ? source->m_channel[3].get() : nullptr;
    if (otherAlpha)
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(alpha + size_t(y) * w + r.left, otherAlpha + size_t(y - p.y) * ow + (r.left - p.x),
                        size_t(r.Width()));
    invalidateOnCanvas(r + CXPoint(m_x, m_y));
}

void CGraphicsObject::restoreAlpha(CGraphicsObject* other) {
    if (!other || other->m_mergeBytes.empty() || !hasAlphaPlane()) return;
    const CXRect& r = other->m_mergeRect;
    if (size_t(r.Width()) * size_t(r.Height()) != other->m_mergeBytes.size()) return;
    // Saved under another object, perhaps: only what lies inside this plane is written.
    int l = std::max(r.left, 0), rt = std::min(r.right, m_width);
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, m_height); ++y)
        if (l < rt)
            std::memcpy(m_channel[3].get() + size_t(y) * m_width + l,
                        other->m_mergeBytes.data() + size_t(y - r.top) * r.Width() + (l - r.left),
                        size_t(rt - l));
    invalidateOnCanvas(r + CXPoint(m_x, m_y));
}

void CGraphicsObject::mergeAlpha2(CXPoint p, CGraphicsObject* other, bool clearFirst) {
    if (!other || !ensureDecoded() || !hasAlphaPlane()) return;
    uint8_t* alpha = reinterpret_cast<uint8_t*>(m_channel[3].get());
    if (clearFirst) std::memset(alpha, 255, size_t(pixelCount()));
    std::unique_ptr<CGraphicsObject> view;
    CGraphicsObject* source = other->readable(view);
    const uint8_t* otherAlpha = source && source->hasAlphaPlane()
                                    ? reinterpret_cast<const uint8_t*>(source->m_channel[3].get())
                                    : nullptr;
    const int ow = source ? source->m_width : 0, oh = source ? source->m_height : 0;
    CXRect box = other->GetBoundingBox();
    for (int row = 0; row < box.Height(); ++row)
        for (int col = 0; col < box.Width(); ++col) {
            int64_t x = int64_t(p.x) + col, y = int64_t(p.y) + row;
            if (x < 0 || y < 0 || x >= m_width || y >= m_height) continue;
            uint8_t& a = alpha[y * m_width + x];
            if (a == 0) continue;
            // Without an alpha plane the other object is opaque.
            if (!otherAlpha)
                a = 255;
            else if (col < ow && row < oh)
                a = otherAlpha[size_t(row) * ow + col];
        }
    invalidateOnCanvas(box);
}

// ---------------------------------------------------------------- flood fill

CXRect CGraphicsObject::PrepareFloodFill(CXPoint p, CColor color, uint16_t* buffer, int maxSpans) {
    m_ffSpans.clear();
    if (!buffer || !is16(m_bpp) || !ensureDecoded() || m_width > 32767 || m_height > 32767) return CXRect();
    const int w = m_width, h = m_height;
    const uint16_t fill = static_cast<uint16_t>(color.GetInBPP(m_bpp));
    const uint16_t* own = words(m_data);
    auto fillable = [&](int x, int y) {
        size_t i = size_t(y) * w + x;
        return own[i] != 0 && buffer[i] != fill;
    };
    if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h || !fillable(p.x, p.y)) return CXRect();
    int left = p.x, top = p.y, right = p.x, bottom = p.y;
    std::vector<CXPoint> seeds{p};
    auto seedRow = [&](int y, int from, int to) {
        if (y < 0 || y >= h) return;
        for (int x = from; x <= to; ++x)
            if (fillable(x, y) && (x == from || !fillable(x - 1, y))) seeds.push_back(CXPoint(x, y));
    };
    while (!seeds.empty()) {
        if (maxSpans > 0 && int(m_ffSpans.size()) >= maxSpans) break;
        CXPoint s = seeds.back();
        seeds.pop_back();
        if (!fillable(s.x, s.y)) continue;
        int xl = s.x, xr = s.x;
        while (xl > 0 && fillable(xl - 1, s.y)) --xl;
        while (xr + 1 < w && fillable(xr + 1, s.y)) ++xr;
        std::fill(buffer + size_t(s.y) * w + xl, buffer + size_t(s.y) * w + xr + 1, fill);
        m_ffSpans.push_back(_ffspan{int16_t(xl), int16_t(s.y), int16_t(xr - xl + 1)});
        left = std::min(left, xl);
        right = std::max(right, xr);
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
        seedRow(s.y - 1, xl, xr);
        seedRow(s.y + 1, xl, xr);
    }
    return CXRect(left, top, right + 1, bottom + 1);
}

void CGraphicsObject::FloodFill(CColor color, uint16_t* buffer) {
    if (!buffer) return;
    const uint16_t fill = static_cast<uint16_t>(color.GetInBPP(m_bpp));
    for (const _ffspan& s : m_ffSpans) {
        if (s.y < 0 || s.y >= m_height || s.x < 0 || s.length <= 0) continue;
        int end = std::min(int(s.x) + s.length, m_width);
        if (s.x < end)
            std::fill(buffer + size_t(s.y) * m_width + s.x, buffer + size_t(s.y) * m_width + end, fill);
    }
}

// ---------------------------------------------------------------- flips

template <typename Op>
void CGraphicsObject::flipWith(Op op) {
    // A compressed object is flipped decoded and compressed again; a kept copy would undo the flip.
    _compression kind = m_keptData ? COMPRESSION_RLE : m_compression;
    dropKeptCompressed();
    if (!ensureDecoded()) return;
    // The marks are this object's own, so its pixels must be too.
    unshareData();
    unshareAlpha();
    op();
    if (kind != COMPRESSION_NONE) Compress(kind);
}

void CGraphicsObject::flipRows() {
    const int w = m_width, h = m_height, ps = GetPixelSize();
    const bool withAlpha = hasAlphaPlane();
    std::vector<char> tmp(size_t(w) * ps);
    for (int i = 0, j = h - 1; i < j; ++i, --j) {
        char* a = m_data.get() + size_t(i) * w * ps;
        char* b = m_data.get() + size_t(j) * w * ps;
        std::swap_ranges(a, a + size_t(w) * ps, b);
        if (withAlpha)
            std::swap_ranges(m_channel[3].get() + size_t(i) * w, m_channel[3].get() + size_t(i + 1) * w,
                             m_channel[3].get() + size_t(j) * w);
    }
    m_flippedRows = !m_flippedRows;
}

void CGraphicsObject::flipColumns() {
    const int w = m_width, h = m_height, ps = GetPixelSize();
    const bool withAlpha = hasAlphaPlane();
    for (int y = 0; y < h; ++y) {
        char* row = m_data.get() + size_t(y) * w * ps;
        for (int i = 0, j = w - 1; i < j; ++i, --j)
            std::swap_ranges(row + size_t(i) * ps, row + size_t(i + 1) * ps, row + size_t(j) * ps);
        if (withAlpha)
            std::reverse(m_channel[3].get() + size_t(y) * w, m_channel[3].get() + size_t(y + 1) * w);
    }
    m_flippedColumns = !m_flippedColumns;
}

void CGraphicsObject::FlipH() {
    flipWith([this] { flipRows(); });
}

void CGraphicsObject::FlipV() {
    flipWith([this] { flipColumns(); });
}

void CGraphicsObject::resetFlips() {
    if (m_flippedColumns) FlipV();
    if (m_flippedRows) FlipH();
}

// ---------------------------------------------------------------- format conversion

void CGraphicsObject::Convert(int bpp) {
    int target = bpp;
    if (target == 24 || target == 32) {
        // A 32-bit display takes 16-bit sources.
        if (m_bpp != 15) return;
        target = 16;
    }
    if (target > 23) return;
    if (target == m_bpp || !m_data || m_compression != COMPRESSION_NONE || pixelCount() < 1) return;
    __convert_bpp(m_bpp, target);
}

int CGraphicsObject::__get_convert_code(int from, int to) {
    if (from == 15 && to == 16) return 1;
    if (from == 16 && to == 15) return 2;
    if (from == 32 && to == 15) return 3;
    if (from == 32 && to == 16) return 4;
    if (from == to) return 5;
    return 0;
}

void CGraphicsObject::__convert_bpp(int from, int to) {
    if (!m_data || m_compression != COMPRESSION_NONE) return;
    const int n = pixelCount();
    switch (__get_convert_code(from, to)) {
    case 1:
        unshareData();
        _convert15to16(m_data.get(), n);
        m_bpp = 16;
        break;
    case 2:
        unshareData();
        _convert16to15(m_data.get(), n);
        m_bpp = 15;
        break;
    case 3:
    case 4: {
        char* converted = to == 15 ? _convert32to15(m_data.get(), n) : _convert32to16(m_data.get(), n);
        if (!converted) return;
        m_data = CSharedBlock::adopt(converted);
        m_bpp = to;
        break;
    }
    default:
        break;
    }
}

void CGraphicsObject::_convert15to16(char* data, int pixels) {
    auto* p = reinterpret_cast<uint16_t*>(data);
    for (int i = 0; i < pixels; ++i) p[i] = static_cast<uint16_t>((p[i] & 0x001F) | ((p[i] & 0xFFC0) << 1));
}

void CGraphicsObject::_convert16to15(char* data, int pixels) {
    auto* p = reinterpret_cast<uint16_t*>(data);
    for (int i = 0; i < pixels; ++i) p[i] = static_cast<uint16_t>((p[i] & 0x001F) | ((p[i] & 0xFFC0) >> 1));
}

char* CGraphicsObject::_convert32to16(const char* data, int pixels) {
    if (!data || pixels < 0) return nullptr;
    auto* out = new char[size_t(pixels) * 2];
    const auto* b = reinterpret_cast<const uint8_t*>(data);
    auto* p = reinterpret_cast<uint16_t*>(out);
    for (int i = 0; i < pixels; ++i, b += 3)
        p[i] = static_cast<uint16_t>((b[0] >> 3) << 11 | (b[1] >> 2) << 5 | b[2] >> 3);
    return out;
}

char* CGraphicsObject::_convert32to15(const char* data, int pixels) {
    if (!data || pixels < 0) return nullptr;
    auto* out = new char[size_t(pixels) * 2];
    const auto* b = reinterpret_cast<const uint8_t*>(data);
    auto* p = reinterpret_cast<uint16_t*>(out);
    for (int i = 0; i < pixels; ++i, b += 3)
        p[i] = static_cast<uint16_t>((b[0] >> 3) << 10 | (b[1] >> 3) << 5 | b[2] >> 3);
    return out;
}

} // namespace KavirelDLL
