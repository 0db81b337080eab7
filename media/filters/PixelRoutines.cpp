#include "media/filters/PixelRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/PixelView.h"
#include "platform/ImageLibrary.h"

namespace KavirelDLL::FilterPixels {

namespace {

struct Fields {
    int redShift, redMax, greenMask, greenMax;
};

Fields fieldsOf(int bpp) { return bpp == 15 ? Fields{10, 31, 0x03E0, 31} : Fields{11, 31, 0x07E0, 63}; }

} // namespace

uint16_t channelMask(const char* channels, int bpp) {
    uint16_t m = 0;
    if (!channels) return 0;
    if (std::strchr(channels, 'R')) m |= bpp == 15 ? 0x7C00 : 0xF800;
    if (std::strchr(channels, 'G')) m |= bpp == 15 ? 0x03C0 : 0x07C0;
    if (std::strchr(channels, 'B')) m |= 0x001F;
    return m;
}

void mask(const uint16_t* src, uint16_t* dst, int64_t count, uint16_t m) {
    for (int64_t i = 0; i < count; ++i) dst[i] = static_cast<uint16_t>(src[i] & m);
}

void negative(const uint16_t* src, const uint8_t* alpha, uint16_t* dst, int width, int height, CXRect clip,
              int bpp) {
    const int64_t n = int64_t(width) * height;
    std::memcpy(dst, src, size_t(n) * 2);
    CXRect r = clip.IsEmpty() ? CXRect(0, 0, width, height) : clip;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    // 31 - v of a five-bit field is v XOR 31, and M - (p AND M) is (p AND M) XOR M: the negative is NOT p
    // kept to the red, blue and five-bit green fields.
    const uint16_t keep = bpp == 15 ? 0x7FDF : 0xFFDF;
    for (int y = r.top; y < r.bottom; ++y) {
        const int64_t row = int64_t(y) * width;
        const uint16_t* s = src + row;
        uint16_t* d = dst + row;
        if (alpha) {
            const uint8_t* a = alpha + row;
            for (int x = r.left; x < r.right; ++x) d[x] = a[x] ? uint16_t(~s[x] & keep) : s[x];
        } else {
            for (int x = r.left; x < r.right; ++x) d[x] = uint16_t(~s[x] & keep);
        }
    }
}

void grayScale(const uint16_t* src, uint16_t* dst, int64_t count, int bpp) {
    // One loop for each width of green, so that each runs its formula without a test a pixel.
    if (bpp == 15)
        for (int64_t i = 0; i < count; ++i) dst[i] = grayWord(src[i], false);
    else
        for (int64_t i = 0; i < count; ++i) dst[i] = grayWord(src[i], true);
}

namespace {

// The square's sums by the plain sliding window in 64-bit fields (any size).
void blurWide(const uint16_t* src, uint16_t* dst, int width, int height, int size, const Fields& f) {
    const int h = size / 2, side = 2 * h + 1;
    const int64_t divisor = int64_t(size) * size - 1;
    const int greenMask = f.greenMask;
    auto red = [&](unsigned p) { return int((p >> f.redShift) & 31u); };
    auto green = [&](unsigned p) { return int(p & unsigned(greenMask)); };
    auto blue = [&](unsigned p) { return int(p & 31u); };
    std::vector<int64_t> cr(size_t(width), 0), cg(size_t(width), 0), cb(size_t(width), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned p = src[int64_t(y) * width + x];
            cr[size_t(x)] += red(p);
            cg[size_t(x)] += green(p);
            cb[size_t(x)] += blue(p);
        }
    for (int y = h; y < height - h; ++y) {
        if (y > h) {
            const uint16_t* out = src + int64_t(y - h - 1) * width;
            const uint16_t* in = src + int64_t(y + h) * width;
            for (int x = 0; x < width; ++x) {
                cr[size_t(x)] += red(in[x]) - red(out[x]);
                cg[size_t(x)] += green(in[x]) - green(out[x]);
                cb[size_t(x)] += blue(in[x]) - blue(out[x]);
            }
        }
        int64_t sr = 0, sg = 0, sb = 0;
        for (int x = 0; x < side; ++x) {
            sr += cr[size_t(x)];
            sg += cg[size_t(x)];
            sb += cb[size_t(x)];
        }
        const uint16_t* row = src + int64_t(y) * width;
        uint16_t* target = dst + int64_t(y) * width;
        for (int x = h; x < width - h; ++x) {
            if (x > h) {
                sr += cr[size_t(x + h)] - cr[size_t(x - h - 1)];
                sg += cg[size_t(x + h)] - cg[size_t(x - h - 1)];
                sb += cb[size_t(x + h)] - cb[size_t(x - h - 1)];
            }
            const unsigned c = row[x];
            const int64_t ar = std::min<int64_t>((sr - red(c)) / divisor, 31);
            const int64_t ag = std::min<int64_t>((sg - green(c)) / divisor, greenMask);
            const int64_t ab = std::min<int64_t>((sb - blue(c)) / divisor, 31);
            const unsigned r = unsigned((red(c) + ar) / 2) & 31u;
            const unsigned g = unsigned((green(c) + ag) / 2) & unsigned(greenMask);
            const unsigned b = unsigned((blue(c) + ab) / 2) & 31u;
            target[x] = static_cast<uint16_t>((r << f.redShift) | g | b);
        }
    }
}

} // namespace

namespace {

constexpr uint64_t kLane = (uint64_t(1) << 21) - 1;

template <int RedShift, unsigned GreenMask>
inline uint64_t packFields(unsigned p) {
    return uint64_t((p >> RedShift) & 31u) | (uint64_t(p & GreenMask) << 21) | (uint64_t(p & 31u) << 42);
}

// One row of the blur from the prefix sums of the column sums: the average of the others, kept to the
// field's maximum (an even SIZE sums more pixels), then (centre + average) / 2 in each field. Shift >= 0
// divides by 2^Shift, else by (x + 0.5) * inverse, exact for sums below 2^21.
template <int RedShift, unsigned GreenMask, int Shift>
void blurRow(const uint16_t* row, uint16_t* target, const uint64_t* prefix, int h, int width,
             double inverse) {
    for (int x = h; x < width - h; ++x) {
        const uint64_t c = packFields<RedShift, GreenMask>(row[x]);
        const uint64_t others = prefix[x + h + 1] - prefix[x - h] - c;
        uint32_t ar, ag, ab;
        if constexpr (Shift >= 0) {
            ar = uint32_t((others & kLane) >> Shift);
            ag = uint32_t(((others >> 21) & kLane) >> Shift);
            ab = uint32_t((others >> 42) >> Shift);
        } else {
            ar = uint32_t((double(int64_t(others & kLane)) + 0.5) * inverse);
            ag = uint32_t((double(int64_t((others >> 21) & kLane)) + 0.5) * inverse);
            ab = uint32_t((double(int64_t(others >> 42)) + 0.5) * inverse);
        }
        ar = std::min<uint32_t>(ar, 31u);
        ag = std::min<uint32_t>(ag, GreenMask);
        ab = std::min<uint32_t>(ab, 31u);
        const uint32_t r = ((uint32_t(c & kLane) + ar) / 2) & 31u;
        const uint32_t g = ((uint32_t((c >> 21) & kLane) + ag) / 2) & GreenMask;
        const uint32_t b = ((uint32_t(c >> 42) + ab) / 2) & 31u;
        target[x] = static_cast<uint16_t>((r << RedShift) | g | b);
    }
}

} // namespace

namespace {

// Squares up to 15 x 15: each field's sums in 16-bit planes (63 x 225 fits), so the rows widen. Green is
// summed shifted down: ((G << 5) + floor(32 S / d)) / 2 masked to the green bits equals ((G + floor(S / d)) /
// 2) << 5.
template <int RedShift, unsigned GreenMax, int Shift>
void blurPlanes(const uint16_t* src, uint16_t* dst, int width, int height, int h, uint64_t multiplier) {
    const int side = 2 * h + 1;
    const size_t w = size_t(width);
    std::vector<uint16_t> cr(w, 0), cg(w, 0), cb(w, 0), wr(w, 0), wg(w, 0), wb(w, 0);
    // Separate rows without aliasing, so the compiler widens each loop.
    auto add = [w](uint16_t* __restrict r, uint16_t* __restrict g, uint16_t* __restrict b,
                   const uint16_t* __restrict in, const uint16_t* __restrict out) {
        for (size_t x = 0; x < w; ++x) {
            const unsigned p = in[x], q = out ? out[x] : 0u;
            r[x] = uint16_t(r[x] + ((p >> RedShift) & 31u) - ((q >> RedShift) & 31u));
            g[x] = uint16_t(g[x] + ((p >> 5) & GreenMax) - ((q >> 5) & GreenMax));
            b[x] = uint16_t(b[x] + (p & 31u) - (q & 31u));
        }
    };
    const std::vector<uint16_t> zeros(w, 0);
    for (int y = 0; y < side; ++y)
        add(cr.data(), cg.data(), cb.data(), src + int64_t(y) * width, zeros.data());
    auto sum = [](uint16_t* __restrict window, const uint16_t* __restrict column, size_t first, size_t last,
                  int h) {
        for (size_t x = first; x < last; ++x) window[x] = 0;
        for (int k = -h; k <= h; ++k) {
            const uint16_t* __restrict c = column + k;
            for (size_t x = first; x < last; ++x) window[x] = uint16_t(window[x] + c[x]);
        }
    };
    for (int y = h; y < height - h; ++y) {
        if (y > h)
            add(cr.data(), cg.data(), cb.data(), src + int64_t(y + h) * width,
                src + int64_t(y - h - 1) * width);
        const size_t first = size_t(h), last = w - size_t(h);
        sum(wr.data(), cr.data(), first, last, h);
        sum(wg.data(), cg.data(), first, last, h);
        sum(wb.data(), cb.data(), first, last, h);
        const uint16_t* __restrict row = src + int64_t(y) * width;
        uint16_t* __restrict target = dst + int64_t(y) * width;
        const uint16_t* __restrict sr = wr.data();
        const uint16_t* __restrict sg = wg.data();
        const uint16_t* __restrict sb = wb.data();
        for (size_t x = first; x < last; ++x) {
            const uint32_t p = row[x];
            const uint32_t r = (p >> RedShift) & 31u, g = (p >> 5) & GreenMax, b = p & 31u;
            uint32_t ar, ag, ab;
            if constexpr (Shift >= 0) {
                ar = (sr[x] - r) >> Shift;
                ag = (sg[x] - g) >> Shift;
                ab = (sb[x] - b) >> Shift;
            } else {
                ar = uint32_t((uint64_t(sr[x] - r) * multiplier) >> 32);
                ag = uint32_t((uint64_t(sg[x] - g) * multiplier) >> 32);
                ab = uint32_t((uint64_t(sb[x] - b) * multiplier) >> 32);
            }
            ar = std::min<uint32_t>(ar, 31u);
            ag = std::min<uint32_t>(ag, GreenMax);
            ab = std::min<uint32_t>(ab, 31u);
            target[x] = uint16_t((((r + ar) >> 1) << RedShift) | (((g + ag) >> 1) << 5) | ((b + ab) >> 1));
        }
    }
}

} // namespace

void blur(const uint16_t* src, uint16_t* dst, int width, int height, int size, int bpp) {
    const int64_t n = int64_t(width) * height;
    std::memcpy(dst, src, size_t(n) * 2);
    if (size < 2) return;
    const int h = size / 2, side = 2 * h + 1;
    if (width < side || height < side) return;
    const Fields f = fieldsOf(bpp);
    if (side <= 15) {
        const uint32_t divisor = uint32_t(size) * uint32_t(size) - 1;
        // floor(s * m / 2^32) is floor(s / d) for sums below 2^16 with m = floor(2^32 / d) + 1.
        const uint64_t multiplier = (uint64_t(1) << 32) / divisor + 1;
        if (bpp == 15) {
            if (divisor == 8)
                blurPlanes<10, 31u, 3>(src, dst, width, height, h, multiplier);
            else
                blurPlanes<10, 31u, -1>(src, dst, width, height, h, multiplier);
        } else {
            if (divisor == 8)
                blurPlanes<11, 63u, 3>(src, dst, width, height, h, multiplier);
            else
                blurPlanes<11, 63u, -1>(src, dst, width, height, h, multiplier);
        }
        return;
    }
    if (side > 31) {
        blurWide(src, dst, width, height, size, f);
        return;
    }
    // The three fields side by side in 21-bit lanes of one 64-bit word (a square of up to 31 x 31 sums stays
    // within its lane): red, green (in place), blue.
    const unsigned greenMask = unsigned(f.greenMask);
    const int redShift = f.redShift;
    auto pack = [&](unsigned p) {
        return uint64_t((p >> redShift) & 31u) | (uint64_t(p & greenMask) << 21) | (uint64_t(p & 31u) << 42);
    };
    // Exact quotients of lane sums (below 2^21) by the divisor: a shift for a power of two (SIZE 3 divides by
    // 8), else (x + 0.5) / d, which stays within [q, q + 1).
    const int64_t divisor = int64_t(size) * size - 1;
    int shift = -1;
    for (int k = 0; k < 21; ++k)
        if (divisor == (int64_t(1) << k)) shift = k;
    const double inverse = 1.0 / double(divisor);
    std::vector<uint64_t> column(size_t(width), 0), prefix(size_t(width) + 1, 0);
    for (int y = 0; y < side; ++y) {
        const uint16_t* row = src + int64_t(y) * width;
        for (int x = 0; x < width; ++x) column[size_t(x)] += pack(row[x]);
    }
    for (int y = h; y < height - h; ++y) {
        if (y > h) {
            const uint16_t* out = src + int64_t(y - h - 1) * width;
            const uint16_t* in = src + int64_t(y + h) * width;
            for (int x = 0; x < width; ++x) column[size_t(x)] += pack(in[x]) - pack(out[x]);
        }
        // Prefix sums of the columns: the square at x is prefix[x + h + 1] - prefix[x - h].
        prefix[0] = 0;
        for (int x = 0; x < width; ++x) prefix[size_t(x) + 1] = prefix[size_t(x)] + column[size_t(x)];
        const uint16_t* row = src + int64_t(y) * width;
        uint16_t* target = dst + int64_t(y) * width;
        if (shift == 3 && redShift == 11)
            blurRow<11, 0x07E0, 3>(row, target, prefix.data(), h, width, inverse);
        else if (shift == 3 && redShift == 10)
            blurRow<10, 0x03E0, 3>(row, target, prefix.data(), h, width, inverse);
        else if (redShift == 11)
            blurRow<11, 0x07E0, -1>(row, target, prefix.data(), h, width,
                                    shift >= 0 ? 1.0 / double(1 << shift) : inverse);
        else
            blurRow<10, 0x03E0, -1>(row, target, prefix.data(), h, width,
                                    shift >= 0 ? 1.0 / double(1 << shift) : inverse);
    }
}

namespace {

// The 2 x 2 average of every pixel but those of the last row and column, field by field.
void smooth2x2(std::vector<uint16_t>& px, std::vector<uint8_t>& alpha, int w, int h, int bpp) {
    if (w < 2 || h < 2) return;
    const std::vector<uint16_t> src = px;
    const std::vector<uint8_t> asrc = alpha;
    const Fields f = fieldsOf(bpp);
    const unsigned greenMax = unsigned(f.greenMax);
    for (int y = 0; y < h - 1; ++y)
        for (int x = 0; x < w - 1; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const unsigned q[4] = {src[i], src[i + 1], src[i + size_t(w)], src[i + size_t(w) + 1]};
            unsigned r = 0, g = 0, b = 0;
            for (unsigned p : q) {
                r += (p >> f.redShift) & 31u;
                g += (p >> 5) & greenMax;
                b += p & 31u;
            }
            px[i] = static_cast<uint16_t>(((r / 4) << f.redShift) | ((g / 4) << 5) | (b / 4));
            if (!asrc.empty())
                alpha[i] = static_cast<uint8_t>(
                    (unsigned(asrc[i]) + asrc[i + 1] + asrc[i + size_t(w)] + asrc[i + size_t(w) + 1]) / 4);
        }
}

constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

bool sizeFits(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

} // namespace

bool rotate(const uint16_t* src, const uint8_t* alpha, int width, int height, double angle, int smooth,
            int bpp, std::vector<uint16_t>& outPixels, std::vector<uint8_t>& outAlpha, int& outWidth,
            int& outHeight) {
    outPixels.clear();
    outAlpha.clear();
    outWidth = outHeight = 0;
    const double theta = angle * (-3.141582) / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const int cx = width / 2, cy = height / 2;
    auto tx = [&](double x, double y) { return x * c - y * s; };
    auto ty = [&](double x, double y) { return x * s + y * c; };
    const double tlx = tx(-cx, -cy), tly = ty(-cx, -cy);
    const double trx = tx(width - cx, -cy), try_ = ty(width - cx, -cy);
    const double blx = tx(-cx, height - cy), bly = ty(-cx, height - cy);
    const double brx = tx(width - cx, height - cy), bry = ty(width - cx, height - cy);
    const double wd = std::max(std::fabs(std::trunc(brx - tlx)), std::fabs(std::trunc(blx - trx)));
    const double hd = std::max(std::fabs(std::trunc(bry - tly)), std::fabs(std::trunc(bly - try_)));
    if (!std::isfinite(wd) || !std::isfinite(hd) || !sizeFits(int64_t(wd), int64_t(hd))) return false;
    const int W = int(wd), H = int(hd);
    outWidth = W;
    outHeight = H;
    outPixels.assign(size_t(W) * size_t(H), 0);
    if (alpha) outAlpha.assign(size_t(W) * size_t(H), 0);
    for (int col = 0; col < W; ++col)
        for (int row = 0; row < H; ++row) {
            const int u = col - W / 2, v = row - H / 2;
            const double fx = u * c - v * s + width / 2, fy = u * s + v * c + height / 2;
            if (!(fx > -1.0 && fy > -1.0 && fx < width && fy < height)) continue;
            const int sx = int(fx), sy = int(fy);
            if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
            const size_t from = size_t(sy) * size_t(width) + size_t(sx),
                         to = size_t(row) * size_t(W) + size_t(col);
            if (alpha && alpha[from] == 0) continue;
            outPixels[to] = src[from];
            if (alpha) outAlpha[to] = alpha[from];
        }
    if (smooth == 1) smooth2x2(outPixels, outAlpha, W, H, bpp);
    return true;
}

void scaleNearest(const uint16_t* src, const uint8_t* alpha, int width, int height, double factorX,
                  double factorY, int newWidth, int newHeight, std::vector<uint16_t>& outPixels,
                  std::vector<uint8_t>& outAlpha) {
    outPixels.assign(size_t(newWidth) * size_t(newHeight), 0);
    outAlpha.clear();
    if (alpha) outAlpha.assign(size_t(newWidth) * size_t(newHeight), 0);
    std::vector<int> columns(static_cast<size_t>(newWidth));
    for (int x = 0; x < newWidth; ++x) columns[size_t(x)] = std::clamp(int(x / factorX), 0, width - 1);
    for (int y = 0; y < newHeight; ++y) {
        const int sy = std::clamp(int(y / factorY), 0, height - 1);
        const uint16_t* row = src + size_t(sy) * size_t(width);
        uint16_t* out = outPixels.data() + size_t(y) * size_t(newWidth);
        for (int x = 0; x < newWidth; ++x) out[x] = row[columns[size_t(x)]];
        if (alpha)
            for (int x = 0; x < newWidth; ++x)
                outAlpha[size_t(y) * size_t(newWidth) + size_t(x)] =
                    alpha[size_t(sy) * size_t(width) + size_t(columns[size_t(x)])];
    }
}

bool scaleSmooth(const uint16_t* src, const uint8_t* alpha, int width, int height, int smooth, int bpp,
                 int newWidth, int newHeight, std::vector<uint16_t>& outPixels,
                 std::vector<uint8_t>& outAlpha) {
    const int channels = alpha ? 4 : 3;
    const Fields f = fieldsOf(bpp);
    const int greenShift = bpp == 15 ? 3 : 2;
    const size_t n = size_t(width) * size_t(height);
    std::vector<uint8_t> bytes(n * size_t(channels));
    for (size_t i = 0; i < n; ++i) {
        const unsigned p = src[i];
        uint8_t* o = bytes.data() + i * size_t(channels);
        o[0] = uint8_t((p & 31u) << 3);
        o[1] = uint8_t(((p >> 5) & unsigned(f.greenMax)) << greenShift);
        o[2] = uint8_t(((p >> f.redShift) & 31u) << 3);
        if (alpha) o[3] = alpha[i];
    }
    std::vector<uint8_t> scaled;
    if (!CImageLibrary::scale(bytes, width, height, channels, smooth, newWidth, newHeight, scaled))
        return false;
    const size_t m = size_t(newWidth) * size_t(newHeight);
    outPixels.assign(m, 0);
    outAlpha.clear();
    if (alpha) outAlpha.assign(m, 0);
    for (size_t i = 0; i < m; ++i) {
        const uint8_t* q = scaled.data() + i * size_t(channels);
        outPixels[i] = static_cast<uint16_t>((unsigned(q[2] >> 3) << f.redShift) |
                                             (unsigned(q[1] >> greenShift) << 5) | unsigned(q[0] >> 3));
        if (alpha) outAlpha[i] = q[3];
    }
    return true;
}

float cubicWeight(float t) {
    const float a = std::fabs(t);
    if (a <= 1.0f) return 1.25f * a * a * a - 2.25f * a * a + 1.0f;
    if (a < 2.0f) return -0.75f * a * a * a + 3.75f * a * a - 6.0f * a + 3.0f;
    return 0.0f;
}

std::vector<float> toFloats(const uint16_t* src, const uint8_t* alpha, int width, int height) {
    const size_t n = size_t(width) * size_t(height);
    std::vector<float> out(n * 4);
    for (size_t i = 0; i < n; ++i) {
        const unsigned p = src[i];
        out[i * 4 + 0] = float(p & 31u) / 31.0f;
        out[i * 4 + 1] = float((p >> 5) & 63u) / 63.0f;
        out[i * 4 + 2] = float((p >> 11) & 31u) / 31.0f;
        out[i * 4 + 3] = alpha ? float(alpha[i]) / 255.0f : 1.0f;
    }
    return out;
}

void sampleBicubic(const std::vector<float>& picture, int width, int height, float x, float y, float out[4]) {
    for (int k = 0; k < 4; ++k) out[k] = 0.0f;
    if (width <= 0 || height <= 0 || picture.size() < size_t(width) * size_t(height) * 4) return;
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - float(ix), fy = y - float(iy);
    for (int m = -1; m <= 2; ++m) {
        const float wy = cubicWeight(float(m) - fy);
        const int row = std::clamp(iy + m, 0, height - 1);
        for (int n = -1; n <= 2; ++n) {
            const float w = wy * cubicWeight(float(n) - fx);
            const int col = std::clamp(ix + n, 0, width - 1);
            const float* p = picture.data() + (size_t(row) * size_t(width) + size_t(col)) * 4;
            for (int k = 0; k < 4; ++k) out[k] += w * p[k];
        }
    }
}

std::vector<float> bicubicPass(const std::vector<float>& picture, int width, int height) {
    std::vector<float> out(picture.size(), 0.0f);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sampleBicubic(picture, width, height, float(x), float(y),
                          out.data() + (size_t(y) * size_t(width) + size_t(x)) * 4);
    return out;
}

} // namespace KavirelDLL::FilterPixels
