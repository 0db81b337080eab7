#include "display/PixelView.h"

#include <algorithm>
#include <cstring>

namespace KavirelDLL {

bool copyPixels(const CPixelView& source, CXRect r, const CPixelView& dest, int x, int y) {
    if (!source.isValid() || !dest.isValid()) return false;
    // Cut the rectangle to the source, then to the destination, moving the target point along.
    int64_t left = std::max<int64_t>(r.left, 0), top = std::max<int64_t>(r.top, 0);
    int64_t right = std::min<int64_t>(r.right, source.width),
            bottom = std::min<int64_t>(r.bottom, source.height);
    int64_t dx = int64_t(x) + (left - r.left), dy = int64_t(y) + (top - r.top);
    if (dx < 0) {
        left -= dx;
        dx = 0;
    }
    if (dy < 0) {
        top -= dy;
        dy = 0;
    }
    right = std::min<int64_t>(right, left + (dest.width - dx));
    bottom = std::min<int64_t>(bottom, top + (dest.height - dy));
    if (right <= left || bottom <= top) return false;
    const size_t bytes = size_t(right - left) * sizeof(uint16_t);
    const uint16_t* from = source.pixels + top * source.pitch + left;
    uint16_t* to = dest.pixels + dy * dest.pitch + dx;
    if (from == to && source.pitch == dest.pitch) return true;
    const int64_t rows = bottom - top;
    // Overlapping copies inside one block go bottom-up when moving down.
    if (source.pixels == dest.pixels && to > from) {
        for (int64_t row = rows - 1; row >= 0; --row)
            std::memmove(to + row * dest.pitch, from + row * source.pitch, bytes);
    } else {
        for (int64_t row = 0; row < rows; ++row)
            std::memmove(to + row * dest.pitch, from + row * source.pitch, bytes);
    }
    return true;
}

bool stretchPixels(const CPixelView& source, CXRect s, const CPixelView& dest, CXRect d) {
    if (!source.isValid() || !dest.isValid()) return false;
    if (s.left < 0 || s.top < 0 || s.right > source.width || s.bottom > source.height) return false;
    const int64_t sw = s.Width(), sh = s.Height(), dw = d.Width(), dh = d.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return false;
    if (sw == dw && sh == dh) return copyPixels(source, s, dest, d.left, d.top);
    const int64_t x0 = std::max<int64_t>(d.left, 0), x1 = std::min<int64_t>(d.right, dest.width);
    const int64_t y0 = std::max<int64_t>(d.top, 0), y1 = std::min<int64_t>(d.bottom, dest.height);
    if (x1 <= x0 || y1 <= y0) return false;
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t sy = s.top + ((y - d.top) * sh) / dh;
        const uint16_t* from = source.pixels + sy * source.pitch;
        uint16_t* to = dest.pixels + y * dest.pitch;
        for (int64_t x = x0; x < x1; ++x) to[x] = from[s.left + ((x - d.left) * sw) / dw];
    }
    return true;
}

void fillPixels(const CPixelView& dest, CXRect r, uint16_t value) {
    if (!dest.isValid()) return;
    const int left = std::max(0, r.left), top = std::max(0, r.top);
    const int right = std::min(dest.width, r.right), bottom = std::min(dest.height, r.bottom);
    if (right <= left || bottom <= top) return;
    for (int y = top; y < bottom; ++y)
        std::fill_n(dest.pixels + int64_t(y) * dest.pitch + left, right - left, value);
}

void grayPixels(const CPixelView& dest, bool sixBitGreen) {
    if (!dest.isValid()) return;
    for (int y = 0; y < dest.height; ++y) {
        uint16_t* row = dest.pixels + int64_t(y) * dest.pitch;
        for (int x = 0; x < dest.width; ++x) row[x] = grayWord(row[x], sixBitGreen);
    }
}

} // namespace KavirelDLL
