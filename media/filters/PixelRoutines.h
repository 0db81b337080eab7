#pragma once
#include <cstdint>
#include <vector>

#include "core/Geometry.h"

namespace KavirelDLL {

// The static filters' pixel routines over 16-bit pixels (bpp 16: 5-6-5, bpp 15: 5-5-5) and optional alpha
// planes of one byte a pixel. Each writes a new picture; the source is never changed.
namespace FilterPixels {

// The COLORCHANNEL mask of the upper-case letters R, G and B in channels.
uint16_t channelMask(const char* channels, int bpp);
void mask(const uint16_t* src, uint16_t* dst, int64_t count, uint16_t mask);

// Red and blue become 31 - value, green M - (p AND M) (M 0x07C0, 0x03C0 at 15 bits), within clip (the
// whole picture when empty) and where alpha is not 0; other pixels are copied.
void negative(const uint16_t* src, const uint8_t* alpha, uint16_t* dst, int width, int height, CXRect clip,
              int bpp);

// The engine's grey (CGraphicsObject::ToGrayScale) from src into dst.
void grayScale(const uint16_t* src, uint16_t* dst, int64_t count, int bpp);

// Each pixel at least size / 2 from every edge: the fields' average over the square of side
// 2 * (size / 2) + 1 without the centre, divided by size * size - 1 and kept to the field's maximum, then
// (centre + average) / 2. The border band and every pixel for a size below 2 are copied.
void blur(const uint16_t* src, uint16_t* dst, int width, int height, int size, int bpp);

// Rotation by angle degrees: the new size, and pixels (and alpha when the source has one) turned about
// the centre; with smooth, the 2 x 2 average. False when the size is not representable.
bool rotate(const uint16_t* src, const uint8_t* alpha, int width, int height, double angle, int smooth,
            int bpp, std::vector<uint16_t>& outPixels, std::vector<uint8_t>& outAlpha, int& outWidth,
            int& outHeight);

// Nearest-pixel scaling to newWidth x newHeight.
void scaleNearest(const uint16_t* src, const uint8_t* alpha, int width, int height, double factorX,
                  double factorY, int newWidth, int newHeight, std::vector<uint16_t>& outPixels,
                  std::vector<uint8_t>& outAlpha);

// Scaling through the image library with its filter (smooth 1..8); false when the library refused.
bool scaleSmooth(const uint16_t* src, const uint8_t* alpha, int width, int height, int smooth, int bpp,
                 int newWidth, int newHeight, std::vector<uint16_t>& outPixels,
                 std::vector<uint8_t>& outAlpha);

// The bicubic sampler: a picture (5-6-5) as four floats a pixel (low five bits / 31, middle six / 63, top
// five / 31, alpha / 255 or 1), a sample at a fractional point over the 4 x 4 neighbours with the cubic
// convolution kernel of parameter -0.75, and the pass with the weights of offset 0.
float cubicWeight(float t);
std::vector<float> toFloats(const uint16_t* src, const uint8_t* alpha, int width, int height);
void sampleBicubic(const std::vector<float>& picture, int width, int height, float x, float y, float out[4]);
std::vector<float> bicubicPass(const std::vector<float>& picture, int width, int height);

} // namespace FilterPixels

} // namespace KavirelDLL
