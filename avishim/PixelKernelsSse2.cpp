// The SSE2 kernels: eight or sixteen pixels a step, the rest of a row through
// the reference kernels, so both give the same bytes for every width. On
// 32-bit x86 this file alone is compiled for SSE2 (with a realigned stack, as
// the system calls the codec with 4-byte alignment); callers ask
// sse2Available() first.
#include <emmintrin.h>

#include <cstring>

#include "avishim/PixelKernels.h"

namespace pixel {
namespace {

__m128i load8(const void* at) { return _mm_loadl_epi64(static_cast<const __m128i*>(at)); }
__m128i load16(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
void store8(void* at, __m128i value) { _mm_storel_epi64(static_cast<__m128i*>(at), value); }
void store16(void* at, __m128i value) { _mm_storeu_si128(static_cast<__m128i*>(at), value); }

uint32_t load32(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void rgb24ToRgb32(const uint8_t* src, uint8_t* dst, int32_t width) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t x = 0;
    for (; x + 4 <= width; x += 4, src += 12, dst += 16) {
        // The fourth pixel is read from one byte earlier and shifted, so no
        // load reaches past the row.
        const __m128i pixels = _mm_setr_epi32(static_cast<int>(load32(src)),
                                              static_cast<int>(load32(src + 3)),
                                              static_cast<int>(load32(src + 6)),
                                              static_cast<int>(load32(src + 8) >> 8));
        store16(dst, _mm_or_si128(pixels, alpha));
    }
    scalarKernels().rgb24ToRgb32(src, dst, width - x);
}

void rgb32ToRgb24(const uint8_t* src, uint8_t* dst, int32_t width) {
    // Per 64-bit lane (two pixels): the first pixel's three bytes stay, the
    // second's move down by one byte next to them.
    const __m128i firstPixel = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    const __m128i secondPixel = _mm_set_epi32(0x0000FFFF, static_cast<int>(0xFF000000u), 0x0000FFFF,
                                              static_cast<int>(0xFF000000u));
    int32_t x = 0;
    // Each lane is stored as 8 bytes of which 6 count; the two extra bytes
    // are overwritten by the next store, so the loop leaves at least two
    // pixels to the plain kernel and never writes past the row.
    for (; x + 6 <= width; x += 4, src += 16, dst += 12) {
        const __m128i pixels = load16(src);
        const __m128i packed = _mm_or_si128(_mm_and_si128(pixels, firstPixel),
                                            _mm_and_si128(_mm_srli_epi64(pixels, 8), secondPixel));
        store8(dst, packed);
        store8(dst + 6, _mm_srli_si128(packed, 8));
    }
    scalarKernels().rgb32ToRgb24(src, dst, width - x);
}

// Two 32-bit halves of a weighted sum, shifted and packed to 16 bits.
__m128i narrow(__m128i low, __m128i high) {
    return _mm_packs_epi32(_mm_srai_epi32(low, kShift), _mm_srai_epi32(high, kShift));
}

void yuvToRgb32(const uint8_t* y, const int16_t* u4, const int16_t* v4, uint8_t* dst,
                int32_t width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sixteen = _mm_set1_epi16(16);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i round = _mm_set1_epi32(kRound);
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    // Pairs for pmaddwd: (luma, chroma) weights per 32-bit lane.
    const __m128i weightsB = _mm_setr_epi16(kCoefY, kCoefBU, kCoefY, kCoefBU, kCoefY, kCoefBU,
                                            kCoefY, kCoefBU);
    const __m128i weightsGU = _mm_setr_epi16(kCoefY, -kCoefGU, kCoefY, -kCoefGU, kCoefY,
                                             -kCoefGU, kCoefY, -kCoefGU);
    const __m128i weightsGV = _mm_setr_epi16(-kCoefGV, kRound, -kCoefGV, kRound, -kCoefGV,
                                             kRound, -kCoefGV, kRound);
    const __m128i weightsR = _mm_setr_epi16(kCoefY, kCoefRV, kCoefY, kCoefRV, kCoefY, kCoefRV,
                                            kCoefY, kCoefRV);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i luma = _mm_unpacklo_epi8(load8(y + x), zero);
        luma = _mm_slli_epi16(_mm_sub_epi16(luma, sixteen), 2);
        __m128i u = load8(u4 + x / 2);
        __m128i v = load8(v4 + x / 2);
        u = _mm_unpacklo_epi16(u, u);  // each chroma value serves two pixels
        v = _mm_unpacklo_epi16(v, v);
        const __m128i yuLow = _mm_unpacklo_epi16(luma, u), yuHigh = _mm_unpackhi_epi16(luma, u);
        const __m128i yvLow = _mm_unpacklo_epi16(luma, v), yvHigh = _mm_unpackhi_epi16(luma, v);
        const __m128i v1Low = _mm_unpacklo_epi16(v, one), v1High = _mm_unpackhi_epi16(v, one);

        const __m128i b = narrow(_mm_add_epi32(_mm_madd_epi16(yuLow, weightsB), round),
                                 _mm_add_epi32(_mm_madd_epi16(yuHigh, weightsB), round));
        const __m128i g = narrow(
            _mm_add_epi32(_mm_madd_epi16(yuLow, weightsGU), _mm_madd_epi16(v1Low, weightsGV)),
            _mm_add_epi32(_mm_madd_epi16(yuHigh, weightsGU), _mm_madd_epi16(v1High, weightsGV)));
        const __m128i r = narrow(_mm_add_epi32(_mm_madd_epi16(yvLow, weightsR), round),
                                 _mm_add_epi32(_mm_madd_epi16(yvHigh, weightsR), round));

        const __m128i b8 = _mm_packus_epi16(b, b), g8 = _mm_packus_epi16(g, g),
                      r8 = _mm_packus_epi16(r, r);
        const __m128i bg = _mm_unpacklo_epi8(b8, g8), ra = _mm_unpacklo_epi8(r8, opaque);
        store16(dst + 4 * x, _mm_unpacklo_epi16(bg, ra));
        store16(dst + 4 * x + 16, _mm_unpackhi_epi16(bg, ra));
    }
    scalarKernels().yuvToRgb32(y + x, u4 + x / 2, v4 + x / 2, dst + 4 * x, width - x);
}

void unpackYuy2(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i lowWords = _mm_set1_epi32(0x0000FFFF);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i a = load16(src + 2 * x), b = load16(src + 2 * x + 16);
        store16(y + x, _mm_packus_epi16(_mm_and_si128(a, lowBytes), _mm_and_si128(b, lowBytes)));
        const __m128i ca = _mm_srli_epi16(a, 8), cb = _mm_srli_epi16(b, 8);  // U V U V ...
        const __m128i us = _mm_packs_epi32(_mm_and_si128(ca, lowWords), _mm_and_si128(cb, lowWords));
        const __m128i vs = _mm_packs_epi32(_mm_srli_epi32(ca, 16), _mm_srli_epi32(cb, 16));
        store8(u + x / 2, _mm_packus_epi16(us, us));
        store8(v + x / 2, _mm_packus_epi16(vs, vs));
    }
    scalarKernels().unpackYuy2(src + 2 * x, y + x, u + x / 2, v + x / 2, width - x);
}

void packYuy2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t width) {
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i luma = load16(y + x);
        const __m128i uv = _mm_unpacklo_epi8(load8(u + x / 2), load8(v + x / 2));
        store16(dst + 2 * x, _mm_unpacklo_epi8(luma, uv));
        store16(dst + 2 * x + 16, _mm_unpackhi_epi8(luma, uv));
    }
    scalarKernels().packYuy2(y + x, u + x / 2, v + x / 2, dst + 2 * x, width - x);
}

void chromaScale4(const uint8_t* c, int16_t* c4, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(512);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i wide = _mm_unpacklo_epi8(load8(c + i), zero);
        store16(c4 + i, _mm_sub_epi16(_mm_slli_epi16(wide, 2), centre));
    }
    scalarKernels().chromaScale4(c + i, c4 + i, count - i);
}

void chromaBlend4(const uint8_t* nearRow, const uint8_t* farRow, int16_t* c4, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(512);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i n = _mm_unpacklo_epi8(load8(nearRow + i), zero);
        const __m128i f = _mm_unpacklo_epi8(load8(farRow + i), zero);
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(n, _mm_add_epi16(n, n)), f);
        store16(c4 + i, _mm_sub_epi16(sum, centre));
    }
    scalarKernels().chromaBlend4(nearRow + i, farRow + i, c4 + i, count - i);
}

__m128i blendHalf(__m128i n, __m128i f, __m128i two) {
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(n, _mm_add_epi16(n, n)), f);
    return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
}

void chromaBlend8(const uint8_t* nearRow, const uint8_t* farRow, uint8_t* c, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i n = load16(nearRow + i), f = load16(farRow + i);
        const __m128i low = blendHalf(_mm_unpacklo_epi8(n, zero), _mm_unpacklo_epi8(f, zero), two);
        const __m128i high = blendHalf(_mm_unpackhi_epi8(n, zero), _mm_unpackhi_epi8(f, zero), two);
        store16(c + i, _mm_packus_epi16(low, high));
    }
    scalarKernels().chromaBlend8(nearRow + i, farRow + i, c + i, count - i);
}

void chromaAverage(const uint8_t* a, const uint8_t* b, uint8_t* c, int32_t count) {
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) store16(c + i, _mm_avg_epu8(load16(a + i), load16(b + i)));
    scalarKernels().chromaAverage(a + i, b + i, c + i, count - i);
}

constexpr Kernels kSse2{rgb24ToRgb32, rgb32ToRgb24, yuvToRgb32,   unpackYuy2,   packYuy2,
                        chromaScale4, chromaBlend4, chromaBlend8, chromaAverage,
                        nullptr,      nullptr,      nullptr,      nullptr};

}  // namespace

const Kernels& sse2Kernels() { return kSse2; }

}  // namespace pixel
