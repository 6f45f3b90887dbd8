// The reference kernels: one pixel at a time, in the arithmetic the SSE2 set
// must reproduce exactly.
#include <cstring>

#include "avishim/PixelKernels.h"

namespace pixel {
namespace {

uint8_t clampByte(int32_t value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

void rgb24ToRgb32(const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
    }
}

void rgb32ToRgb24(const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
}

void yuvToRgb32(const uint8_t* y, const int16_t* u4, const int16_t* v4, uint8_t* dst,
                int32_t width) {
    for (int32_t x = 0; x < width; ++x, dst += 4) {
        const int32_t l = (y[x] - 16) * 4;
        const int32_t u = u4[x / 2];
        const int32_t v = v4[x / 2];
        const int32_t luma = kCoefY * l;
        dst[0] = clampByte((luma + kCoefBU * u + kRound) >> kShift);
        dst[1] = clampByte((luma - kCoefGU * u - kCoefGV * v + kRound) >> kShift);
        dst[2] = clampByte((luma + kCoefRV * v + kRound) >> kShift);
        dst[3] = 255;
    }
}

void unpackYuy2(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width) {
    for (int32_t pair = 0; pair < (width + 1) / 2; ++pair, src += 4) {
        y[2 * pair] = src[0];
        if (2 * pair + 1 < width) y[2 * pair + 1] = src[2];
        u[pair] = src[1];
        v[pair] = src[3];
    }
}

void packYuy2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t width) {
    for (int32_t pair = 0; pair < (width + 1) / 2; ++pair, dst += 4) {
        dst[0] = y[2 * pair];
        dst[1] = u[pair];
        dst[2] = 2 * pair + 1 < width ? y[2 * pair + 1] : y[2 * pair];
        dst[3] = v[pair];
    }
}

void chromaScale4(const uint8_t* c, int16_t* c4, int32_t count) {
    for (int32_t i = 0; i < count; ++i) c4[i] = static_cast<int16_t>(c[i] * 4 - 512);
}

void chromaBlend4(const uint8_t* nearRow, const uint8_t* farRow, int16_t* c4, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        c4[i] = static_cast<int16_t>(3 * nearRow[i] + farRow[i] - 512);
}

void chromaBlend8(const uint8_t* nearRow, const uint8_t* farRow, uint8_t* c, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        c[i] = static_cast<uint8_t>((3 * nearRow[i] + farRow[i] + 2) >> 2);
}

void chromaAverage(const uint8_t* a, const uint8_t* b, uint8_t* c, int32_t count) {
    for (int32_t i = 0; i < count; ++i) c[i] = static_cast<uint8_t>((a[i] + b[i] + 1) >> 1);
}

constexpr Kernels kScalar{rgb24ToRgb32, rgb32ToRgb24, yuvToRgb32,   unpackYuy2,   packYuy2,
                          chromaScale4, chromaBlend4, chromaBlend8, chromaAverage,
                          nullptr,      nullptr,      nullptr,      nullptr};

}  // namespace

const Kernels& scalarKernels() { return kScalar; }

}  // namespace pixel
