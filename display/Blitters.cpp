#include <algorithm>
#include <cstring>

#include "display/GraphicsObject.h"
#include "display/Surface.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KavirelDLL {

namespace {

#if defined(__SSE2__)
bool g_simd = true;
#else
bool g_simd = false;
#endif

// d + floor((s - d) × a / 256); the sum stays within 0..65535 for every channel width we use, so this is
// the table form ((d × 256 + mul[s - d][a]) AND 0xFFFF) >> 8 without the table.
inline int blend(int s, int d, int a) { return (d * 256 + (s - d) * a) >> 8; }

inline uint16_t blend555(uint16_t s, uint16_t d, int a) {
    int b = blend(s & 31, d & 31, a);
    int g = blend((s >> 5) & 31, (d >> 5) & 31, a);
    int r = blend((s >> 10) & 31, (d >> 10) & 31, a);
    return static_cast<uint16_t>(b | g << 5 | r << 10);
}

inline uint16_t blend565(uint16_t s, uint16_t d, int a) {
    int b = blend(s & 31, d & 31, a);
    int g = blend((s >> 5) & 63, (d >> 5) & 63, a);
    int r = blend(s >> 11, d >> 11, a);
    return static_cast<uint16_t>(b | g << 5 | r << 11);
}

// The 15-bit alpha rule adds one to every channel of a partial blend.
inline uint16_t blend555Up(uint16_t s, uint16_t d, int a) {
    int b = std::min(blend(s & 31, d & 31, a) + 1, 31);
    int g = std::min(blend((s >> 5) & 31, (d >> 5) & 31, a) + 1, 31);
    int r = std::min(blend((s >> 10) & 31, (d >> 10) & 31, a) + 1, 31);
    return static_cast<uint16_t>(b | g << 5 | r << 10);
}

inline uint16_t blend565Up(uint16_t s, uint16_t d, int a) {
    int b = std::min(blend(s & 31, d & 31, a) + 1, 31);
    int g = std::min(blend((s >> 5) & 63, (d >> 5) & 63, a) + 1, 63);
    int r = std::min(blend(s >> 11, d >> 11, a) + 1, 31);
    return static_cast<uint16_t>(b | g << 5 | r << 11);
}

// A 32-bit destination is read back as five bits a channel and written through the display's table.
inline uint32_t blendInto32(uint16_t s, uint32_t v, int a, const uint32_t* table) {
    int b = blend(s & 31, (v >> 3) & 31, a);
    int g = blend((s >> 6) & 31, (v >> 11) & 31, a);
    int r = blend(s >> 11, (v >> 19) & 31, a);
    return table[b | g << 6 | r << 11];
}

// ---- rows, scalar. Every row routine takes the same arguments (source, its alpha, destination, pixels,
// opacity), whether it reads them all or not, so one loop serves them all.

void rowAlpha15(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int) {
    for (int i = 0; i < n; ++i) {
        int al = a[i];
        if (al == 0) continue;
        d[i] = al == 255 ? s[i] : blend555Up(s[i], d[i], al);
    }
}

void rowAlpha16(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int) {
    for (int i = 0; i < n; ++i) {
        int al = a[i];
        if (al < 8) continue;
        d[i] = al >= 248 ? s[i] : blend565(s[i], d[i], al);
    }
}

void rowBlend15(const uint16_t* s, const uint8_t*, uint16_t* d, int n, int op) {
    for (int i = 0; i < n; ++i) d[i] = blend555(s[i], d[i], op);
}

void rowBlend16(const uint16_t* s, const uint8_t*, uint16_t* d, int n, int op) {
    for (int i = 0; i < n; ++i) d[i] = blend565(s[i], d[i], op);
}

void rowAlphaBlend15(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int op) {
    for (int i = 0; i < n; ++i) {
        int e = (op * a[i]) >> 8;
        if (e) d[i] = blend555(s[i], d[i], e);
    }
}

void rowAlphaBlend16(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int op) {
    for (int i = 0; i < n; ++i) {
        int e = (op * a[i]) >> 8;
        if (e) d[i] = blend565(s[i], d[i], e);
    }
}

#if defined(__SSE2__)
// ---- rows, SSE2: eight pixels a step, every channel in a 16-bit lane. (s - d) × a fits in 16 signed
// bits for six-bit channels, and an arithmetic shift of it is the floor the scalar rule takes.

inline __m128i lanesBlend(__m128i s, __m128i d, __m128i a) {
    return _mm_add_epi16(d, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(s, d), a), 8));
}

inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

inline __m128i loadAlpha(const uint8_t* a) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)), _mm_setzero_si128());
}

inline uint64_t alphaWord(const uint8_t* a) {
    uint64_t w;
    std::memcpy(&w, a, 8);
    return w;
}

inline __m128i blend565x8(__m128i s, __m128i d, __m128i a) {
    const __m128i m5 = _mm_set1_epi16(31), m6 = _mm_set1_epi16(63);
    __m128i b = lanesBlend(_mm_and_si128(s, m5), _mm_and_si128(d, m5), a);
    __m128i g =
        lanesBlend(_mm_and_si128(_mm_srli_epi16(s, 5), m6), _mm_and_si128(_mm_srli_epi16(d, 5), m6), a);
    __m128i r = lanesBlend(_mm_srli_epi16(s, 11), _mm_srli_epi16(d, 11), a);
    return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, 11));
}

inline __m128i blend555x8(__m128i s, __m128i d, __m128i a, __m128i add) {
    const __m128i m5 = _mm_set1_epi16(31);
    __m128i b = _mm_add_epi16(lanesBlend(_mm_and_si128(s, m5), _mm_and_si128(d, m5), a), add);
    __m128i g = _mm_add_epi16(
        lanesBlend(_mm_and_si128(_mm_srli_epi16(s, 5), m5), _mm_and_si128(_mm_srli_epi16(d, 5), m5), a), add);
    __m128i r = _mm_add_epi16(
        lanesBlend(_mm_and_si128(_mm_srli_epi16(s, 10), m5), _mm_and_si128(_mm_srli_epi16(d, 10), m5), a),
        add);
    b = _mm_min_epi16(b, m5);
    g = _mm_min_epi16(g, m5);
    r = _mm_min_epi16(r, m5);
    return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, 10));
}

inline __m128i load8(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store8(uint16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

void rowAlpha15Simd(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), one = _mm_set1_epi16(1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t aw = alphaWord(a + i);
        if (aw == 0) continue;
        __m128i sv = load8(s + i);
        if (aw == ~uint64_t(0)) {
            store8(d + i, sv);
            continue;
        }
        __m128i av = loadAlpha(a + i), dv = load8(d + i);
        __m128i out = blend555x8(sv, dv, av, one);
        out = select(_mm_cmpeq_epi16(av, full), sv, out);
        out = select(_mm_cmpeq_epi16(av, zero), dv, out);
        store8(d + i, out);
    }
    rowAlpha15(s + i, a + i, d + i, n - i, 255);
}

void rowAlpha16Simd(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int) {
    const __m128i low = _mm_set1_epi16(8), high = _mm_set1_epi16(247);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t aw = alphaWord(a + i);
        if (aw == 0) continue;
        __m128i sv = load8(s + i);
        if (aw == ~uint64_t(0)) {
            store8(d + i, sv);
            continue;
        }
        // Below the threshold the weight becomes 0, and a blend of weight 0 is the destination itself.
        __m128i av = loadAlpha(a + i);
        av = _mm_andnot_si128(_mm_cmplt_epi16(av, low), av);
        __m128i out = blend565x8(sv, load8(d + i), av);
        store8(d + i, select(_mm_cmpgt_epi16(av, high), sv, out));
    }
    rowAlpha16(s + i, a + i, d + i, n - i, 255);
}

void rowBlend15Simd(const uint16_t* s, const uint8_t*, uint16_t* d, int n, int op) {
    const __m128i av = _mm_set1_epi16(static_cast<int16_t>(op)), zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 8 <= n; i += 8) store8(d + i, blend555x8(load8(s + i), load8(d + i), av, zero));
    rowBlend15(s + i, nullptr, d + i, n - i, op);
}

void rowBlend16Simd(const uint16_t* s, const uint8_t*, uint16_t* d, int n, int op) {
    const __m128i av = _mm_set1_epi16(static_cast<int16_t>(op));
    int i = 0;
    for (; i + 8 <= n; i += 8) store8(d + i, blend565x8(load8(s + i), load8(d + i), av));
    rowBlend16(s + i, nullptr, d + i, n - i, op);
}

// e = (opacity × alpha) >> 8 needs 16 unsigned bits; a blend with e = 0 leaves the pixel as it is.
inline __m128i effective(const uint8_t* a, __m128i op) {
    return _mm_srli_epi16(_mm_mullo_epi16(loadAlpha(a), op), 8);
}

void rowAlphaBlend15Simd(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int op) {
    const __m128i ov = _mm_set1_epi16(static_cast<int16_t>(op)), zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        if (alphaWord(a + i) == 0) continue;
        // A 15-bit word may carry a stray top bit; a pixel left alone keeps it.
        __m128i e = effective(a + i, ov), dv = load8(d + i);
        store8(d + i, select(_mm_cmpeq_epi16(e, zero), dv, blend555x8(load8(s + i), dv, e, zero)));
    }
    rowAlphaBlend15(s + i, a + i, d + i, n - i, op);
}

void rowAlphaBlend16Simd(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int op) {
    const __m128i ov = _mm_set1_epi16(static_cast<int16_t>(op));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        if (alphaWord(a + i) == 0) continue;
        store8(d + i, blend565x8(load8(s + i), load8(d + i), effective(a + i, ov)));
    }
    rowAlphaBlend16(s + i, a + i, d + i, n - i, op);
}
#else
// Never chosen without SSE2 (g_simd stays false); the names keep the routines' pairs whole.
constexpr auto rowAlpha15Simd = rowAlpha15, rowAlpha16Simd = rowAlpha16;
constexpr auto rowBlend15Simd = rowBlend15, rowBlend16Simd = rowBlend16;
constexpr auto rowAlphaBlend15Simd = rowAlphaBlend15, rowAlphaBlend16Simd = rowAlphaBlend16;
#endif

// The part of the source one copy moves: read from (sx, sy) of the source, written at (dx, dy) of the
// destination, cols × rows pixels, always inside both.
struct Area {
    int sx = 0, sy = 0, dx = 0, dy = 0, cols = 0, rows = 0;
};

// False when the region is crossed (negative columns or rows). The clipping rectangle hides parts of the
// source in place; a viewport shows a window of the source at the object's position; with both, the
// viewport's window is shown and the clipping rectangle hides parts of it, in the object's coordinates.
bool computeArea(const _canvas* s, const _canvas* d, Area& area) {
    area = Area();
    const CXRect& clip = s->region;
    const CXRect& view = d->region;
    int64_t baseX = 0, baseY = 0, lx = 0, ly = 0, lw = s->width, lh = s->height;
    if (!view.IsEmpty()) {
        if (view.Width() < 0 || view.Height() < 0) return false;
        baseX = view.left;
        baseY = view.top;
        lw = view.Width();
        lh = view.Height();
        if (!clip.IsEmpty()) {
            if (clip.Width() < 0 || clip.Height() < 0) return false;
            int64_t l = std::max<int64_t>(0, clip.left), t = std::max<int64_t>(0, clip.top);
            int64_t r = std::min<int64_t>(lw, clip.right), b = std::min<int64_t>(lh, clip.bottom);
            lx = l;
            ly = t;
            lw = r - l;
            lh = b - t;
        }
    } else if (!clip.IsEmpty()) {
        if (clip.Width() < 0 || clip.Height() < 0) return false;
        lx = clip.left;
        ly = clip.top;
        lw = clip.Width();
        lh = clip.Height();
    }
    if (lw <= 0 || lh <= 0) return true;
    int64_t sx = baseX + lx, sy = baseY + ly, dx = int64_t(s->x) + lx, dy = int64_t(s->y) + ly, w = lw,
            h = lh;
    // Reads stay inside the source.
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    w = std::min<int64_t>(w, int64_t(s->width) - sx);
    h = std::min<int64_t>(h, int64_t(s->height) - sy);
    // Writes stay inside the destination.
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min<int64_t>(w, int64_t(d->width) - dx);
    h = std::min<int64_t>(h, int64_t(d->height) - dy);
    if (w <= 0 || h <= 0) return true;
    area.sx = int(sx);
    area.sy = int(sy);
    area.dx = int(dx);
    area.dy = int(dy);
    area.cols = int(w);
    area.rows = int(h);
    return true;
}

inline int stride(const _canvas* c) { return c->pitch > 0 ? c->pitch : c->width; }

template <typename T>
T* pixelRow(const _canvas* c, int x, int y) {
    return reinterpret_cast<T*>(c->data) + static_cast<ptrdiff_t>(y) * stride(c) + x;
}

inline uint8_t* alphaRow(const _canvas* c, int x, int y) {
    return reinterpret_cast<uint8_t*>(c->alpha) + static_cast<ptrdiff_t>(y) * c->width + x;
}

bool is16(int bpp) { return bpp == 15 || bpp == 16; }

// Runs one row routine over the area of a 16-bit copy; false for a crossed region.
template <typename Row>
bool eachRow(_canvas* s, _canvas* d, bool needsAlpha, Row row) {
    if (!s || !d || !s->data || !d->data || (needsAlpha && !s->alpha)) return false;
    Area a;
    if (!computeArea(s, d, a)) return false;
    for (int r = 0; r < a.rows; ++r)
        row(pixelRow<const uint16_t>(s, a.sx, a.sy + r), s->alpha ? alphaRow(s, a.sx, a.sy + r) : nullptr,
            pixelRow<uint16_t>(d, a.dx, a.dy + r), a.cols);
    return true;
}

using RowRoutine = void (*)(const uint16_t* s, const uint8_t* a, uint16_t* d, int n, int opacity);

// A copy between canvases of one 15- or 16-bit depth through that depth's row routine, or its SSE2 twin
// while SSE2 blending is on. Opacity 0 draws nothing.
template <RowRoutine Scalar, RowRoutine Simd>
bool depthRows(_canvas* src, _canvas* dst, int bpp, bool needsAlpha, uint8_t opacity = 255) {
    if (src->bpp != bpp || dst->bpp != bpp) return false;
    if (opacity == 0) return true;
    return eachRow(src, dst, needsAlpha, [opacity](const uint16_t* s, const uint8_t* a, uint16_t* d, int n) {
        if (g_simd)
            Simd(s, a, d, n, opacity);
        else
            Scalar(s, a, d, n, opacity);
    });
}

template <typename Pixel>
bool eachRow32(_canvas* s, _canvas* d, bool needsAlpha, Pixel pixel) {
    const uint32_t* table = CSurface::getBppConversionTable();
    if (!table || !s || !d || !s->data || !d->data || (needsAlpha && !s->alpha)) return false;
    Area a;
    if (!computeArea(s, d, a)) return false;
    for (int r = 0; r < a.rows; ++r) {
        const uint16_t* sp = pixelRow<const uint16_t>(s, a.sx, a.sy + r);
        const uint8_t* ap = s->alpha ? alphaRow(s, a.sx, a.sy + r) : nullptr;
        uint32_t* dp = pixelRow<uint32_t>(d, a.dx, a.dy + r);
        for (int i = 0; i < a.cols; ++i) pixel(sp[i], ap ? ap[i] : 255, dp[i], table);
    }
    return true;
}

} // namespace

void CGraphicsObject::setSimdBlending(bool on) { g_simd = on && hasSimdBlending(); }

bool CGraphicsObject::isSimdBlending() { return g_simd; }

bool CGraphicsObject::hasSimdBlending() {
#if defined(__SSE2__)
    return true;
#else
    return false;
#endif
}

// ---------------------------------------------------------------- the drawing decision

void CGraphicsObject::redraw(CGraphicsObject* destination) { drawWith(destination, nullptr); }

void CGraphicsObject::drawWith(CGraphicsObject* destination, CRleDrawCache* cache) {
    if (!destination || !m_data) return;
    char* target = destination->GetDataPtr();
    if (!target || destination->GetCompression() != COMPRESSION_NONE) return;
    CXSize dsize = destination->Size();
    int dw = std::min(dsize.cx, destination->m_width), dh = std::min(dsize.cy, destination->m_height);

    // Run-length pixels are decoded for the draw and put back after it.
    bool bringBack = false;
    if (m_compression == COMPRESSION_RLE && !m_unpacked)
        bringBack = decodeRleForDraw(cache, destination->GetBpp());
    if (m_compression != COMPRESSION_NONE) return;

    Convert(destination->GetBpp());
    bool meets = int64_t(m_x) + m_width > 0 && int64_t(m_y) + m_height > 0 && m_x < dw && m_y < dh;
    bool draw = meets;
    if (draw && m_autoClip) {
        CXRect visible(std::max(0, -m_x), std::max(0, -m_y),
                       int(std::min<int64_t>(m_width, int64_t(dw) - m_x)),
                       int(std::min<int64_t>(m_height, int64_t(dh) - m_y)));
        if (visible.IsEmpty()) {
            draw = false;
        } else if (m_clip.IsEmpty()) {
            m_clip = visible;
        } else {
            m_clip.left = std::max(m_clip.left, visible.left);
            m_clip.top = std::max(m_clip.top, visible.top);
            m_clip.right = std::min(m_clip.right, visible.right);
            m_clip.bottom = std::min(m_clip.bottom, visible.bottom);
        }
    }
    if (draw) {
        _canvas src;
        src.data = m_data.get();
        src.alpha = hasAlphaPlane() ? m_channel[3].get() : nullptr;
        src.bpp = m_bpp;
        src.x = m_x;
        src.y = m_y;
        src.width = m_width;
        src.height = m_height;
        src.region = m_clip;
        _canvas dst;
        dst.data = target;
        dst.alpha = destination->hasAlphaPlane() ? destination->m_channel[3].get() : nullptr;
        dst.bpp = destination->GetBpp();
        dst.width = dw;
        dst.height = dh;
        // Pixel rows are the pitch apart (a display pads them); alpha rows stay width long.
        dst.pitch = std::max(destination->GetPitch(), dw);
        dst.region = m_viewport;

        if (m_opacity != 255)
            __copy_blend(&src, &dst, m_opacity);
        else if (dst.alpha)
            copyToCanvas(&src, &dst);
        else if (!src.alpha)
            __copy(&src, &dst);
        else if (m_alphaAsMask)
            __copy_alpha_as_mask(&src, &dst);
        else
            __copy_alpha(&src, &dst);
    }
    if (bringBack) endRleDraw(cache);
}

// ---------------------------------------------------------------- dispatchers

bool CGraphicsObject::__copy(_canvas* src, _canvas* dst) {
    if (!src || !dst) return false;
    if (src->bpp == dst->bpp) return is16(src->bpp) ? __copy_bpp15_16(src, dst) : false;
    if (is16(src->bpp) && dst->bpp == 24) return __copy_bpp24(src, dst);
    if (is16(src->bpp) && dst->bpp == 32) return __copy_bpp32(src, dst);
    return false;
}

bool CGraphicsObject::__copy_alpha(_canvas* src, _canvas* dst) {
    if (!src || !dst) return false;
    if (src->bpp == dst->bpp) {
        if (src->bpp == 15) return __copy_alpha15(src, dst);
        if (src->bpp == 16) return __copy_alpha16(src, dst);
        return true;
    }
    if (is16(src->bpp) && dst->bpp == 24) return __copy_alpha24(src, dst);
    if (is16(src->bpp) && dst->bpp == 32) return __copy_alpha32(src, dst);
    return false;
}

bool CGraphicsObject::__copy_blend(_canvas* src, _canvas* dst, uint8_t opacity) {
    if (!src || !dst) return false;
    bool alpha = src->alpha != nullptr;
    if (src->bpp == dst->bpp) {
        if (src->bpp == 15)
            return alpha ? __copy_alpha_blend15(src, dst, opacity) : __copy_blend15(src, dst, opacity);
        if (src->bpp == 16)
            return alpha ? __copy_alpha_blend16(src, dst, opacity) : __copy_blend16(src, dst, opacity);
        return true;
    }
    if (is16(src->bpp) && dst->bpp == 24)
        return alpha ? __copy_alpha_blend24(src, dst, opacity) : __copy_blend24(src, dst, opacity);
    if (is16(src->bpp) && dst->bpp == 32)
        return alpha ? __copy_alpha_blend32(src, dst, opacity) : __copy_blend32(src, dst, opacity);
    return false;
}

// ---------------------------------------------------------------- 15- and 16-bit routines

bool CGraphicsObject::__copy_bpp15_16(_canvas* src, _canvas* dst) {
    if (!is16(src->bpp) || !is16(dst->bpp)) return false;
    return eachRow(src, dst, false, [](const uint16_t* s, const uint8_t*, uint16_t* d, int n) {
        std::memmove(d, s, static_cast<size_t>(n) * 2);
    });
}

bool CGraphicsObject::__copy_alpha_as_mask(_canvas* src, _canvas* dst) {
    if (!is16(src->bpp) || src->bpp != dst->bpp) return false;
    return eachRow(src, dst, true, [](const uint16_t* s, const uint8_t* a, uint16_t* d, int n) {
        for (int i = 0; i < n; ++i)
            if (a[i]) d[i] = s[i];
    });
}

bool CGraphicsObject::__copy_alpha15(_canvas* src, _canvas* dst) {
    return depthRows<rowAlpha15, rowAlpha15Simd>(src, dst, 15, true);
}

bool CGraphicsObject::__copy_alpha16(_canvas* src, _canvas* dst) {
    return depthRows<rowAlpha16, rowAlpha16Simd>(src, dst, 16, true);
}

bool CGraphicsObject::__copy_blend15(_canvas* src, _canvas* dst, uint8_t opacity) {
    return depthRows<rowBlend15, rowBlend15Simd>(src, dst, 15, false, opacity);
}

bool CGraphicsObject::__copy_blend16(_canvas* src, _canvas* dst, uint8_t opacity) {
    return depthRows<rowBlend16, rowBlend16Simd>(src, dst, 16, false, opacity);
}

bool CGraphicsObject::__copy_alpha_blend15(_canvas* src, _canvas* dst, uint8_t opacity) {
    return depthRows<rowAlphaBlend15, rowAlphaBlend15Simd>(src, dst, 15, true, opacity);
}

bool CGraphicsObject::__copy_alpha_blend16(_canvas* src, _canvas* dst, uint8_t opacity) {
    return depthRows<rowAlphaBlend16, rowAlphaBlend16Simd>(src, dst, 16, true, opacity);
}

bool CGraphicsObject::copyToCanvas(_canvas* src, _canvas* dst) {
    if (!src || !dst || !is16(src->bpp) || src->bpp != dst->bpp || !dst->alpha) return false;
    if (!src->data || !dst->data) return false;
    Area a;
    if (!computeArea(src, dst, a)) return false;
    const bool sixteen = src->bpp == 16;
    for (int r = 0; r < a.rows; ++r) {
        const uint16_t* s = pixelRow<const uint16_t>(src, a.sx, a.sy + r);
        uint16_t* d = pixelRow<uint16_t>(dst, a.dx, a.dy + r);
        uint8_t* da = alphaRow(dst, a.dx, a.dy + r);
        if (!src->alpha) {
            std::memmove(d, s, static_cast<size_t>(a.cols) * 2);
            std::memset(da, 255, static_cast<size_t>(a.cols));
            continue;
        }
        const uint8_t* sa = alphaRow(src, a.sx, a.sy + r);
        for (int i = 0; i < a.cols; ++i) {
            int al = sa[i];
            if (al == 0) continue;
            if (al == 255) {
                d[i] = s[i];
                da[i] = 255;
            } else if (da[i] == 0) {
                d[i] = s[i];
                da[i] = static_cast<uint8_t>(al);
            } else {
                d[i] = sixteen ? blend565Up(s[i], d[i], al) : blend555Up(s[i], d[i], al);
                da[i] = static_cast<uint8_t>(std::min(da[i] + al, 255));
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------- 24-bit destinations draw nothing

bool CGraphicsObject::__copy_bpp24(_canvas*, _canvas*) { return true; }
bool CGraphicsObject::__copy_alpha24(_canvas*, _canvas*) { return false; }
bool CGraphicsObject::__copy_blend24(_canvas*, _canvas*, uint8_t) { return false; }
bool CGraphicsObject::__copy_alpha_blend24(_canvas*, _canvas*, uint8_t) { return false; }

// ---------------------------------------------------------------- 32-bit destinations

bool CGraphicsObject::__copy_bpp32(_canvas* src, _canvas* dst) {
    if (dst->bpp != 32) return false;
    return eachRow32(src, dst, false, [](uint16_t s, int, uint32_t& d, const uint32_t* t) { d = t[s]; });
}

bool CGraphicsObject::__copy_alpha32(_canvas* src, _canvas* dst) {
    if (dst->bpp != 32) return false;
    return eachRow32(src, dst, true, [](uint16_t s, int a, uint32_t& d, const uint32_t* t) {
        if (a == 0) return;
        d = a == 255 ? t[s] : blendInto32(s, d, a, t);
    });
}

bool CGraphicsObject::__copy_blend32(_canvas* src, _canvas* dst, uint8_t opacity) {
    if (dst->bpp != 32) return false;
    if (opacity == 0) return true;
    return eachRow32(src, dst, false, [opacity](uint16_t s, int, uint32_t& d, const uint32_t* t) {
        d = blendInto32(s, d, opacity, t);
    });
}

bool CGraphicsObject::__copy_alpha_blend32(_canvas* src, _canvas* dst, uint8_t opacity) {
    if (dst->bpp != 32) return false;
    if (opacity == 0) return true;
    return eachRow32(src, dst, true, [opacity](uint16_t s, int a, uint32_t& d, const uint32_t* t) {
        int e = (opacity * a) >> 8;
        if (e) d = blendInto32(s, d, e, t);
    });
}

} // namespace KavirelDLL
