// YUV rows straight to RGB with AVX2, sixteen pixels a step: the SSSE3 rows'
// arithmetic in both 128-bit lanes at once. Only this file is compiled for
// AVX2 (on 32-bit x86 with a realigned stack); nothing here runs unless
// avx2Available(). It keeps to plain functions and local templates, so no
// code built for AVX2 can be shared with, or run before, the processor check.
#include <immintrin.h>

#include <cstring>

#include "avishim/PixelKernels.h"

// A step's pieces are always inlined: on Windows a vector passed to or
// returned from a function goes through memory.
#define STEP_PIECE inline __attribute__((always_inline))

namespace pixel {
namespace avx2 {
namespace {

// See the SSSE3 rows: the sums at twice the reference's scale, the results
// in their upper halves.
constexpr int32_t kConstB = 2 * (kRound - 64 * kCoefY - 512 * kCoefBU);
constexpr int32_t kConstG = 2 * (kRound - 64 * kCoefY + 512 * (kCoefGU + kCoefGV));
constexpr int32_t kConstR = 2 * (kRound - 64 * kCoefY - 512 * kCoefRV);

constexpr int32_t kStep = 16;

STEP_PIECE __m256i weights(int32_t low, int32_t high) {
    return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(high) << 16) |
                                                  (static_cast<uint32_t>(low) & 0xFFFF)));
}

STEP_PIECE __m128i load8(const uint8_t* at) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
}
STEP_PIECE __m128i load16(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
STEP_PIECE __m256i load32(const uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
STEP_PIECE void store16(uint8_t* at, __m128i value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
}
STEP_PIECE void store32(uint8_t* at, __m256i value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), value);
}

// Sixteen BGRA pixels: 0-7 and 8-15.
struct Bgra {
    __m256i low;
    __m256i high;
};

STEP_PIECE __m256i colour(__m256i lumaEven, __m256i lumaOdd, __m256i chroma) {
    const __m256i even = _mm256_srli_epi32(_mm256_add_epi32(lumaEven, chroma), 16);
    return _mm256_blend_epi16(even, _mm256_add_epi32(lumaOdd, chroma), 0xAA);
}

// As the SSSE3 toBgra, in each lane: four pairs of a lane give that lane's
// first four pixels in `low` and the other four in `high`.
STEP_PIECE Bgra toBgra(__m256i luma, __m256i chroma) {
    const __m256i lumaEven = _mm256_madd_epi16(luma, weights(kCoefY, 0));
    const __m256i lumaOdd = _mm256_madd_epi16(luma, weights(0, kCoefY));
    const __m256i b = _mm256_add_epi32(_mm256_madd_epi16(chroma, weights(kCoefBU, 0)),
                                       _mm256_set1_epi32(kConstB));
    const __m256i g = _mm256_add_epi32(_mm256_madd_epi16(chroma, weights(-kCoefGU, -kCoefGV)),
                                       _mm256_set1_epi32(kConstG));
    const __m256i r = _mm256_add_epi32(_mm256_madd_epi16(chroma, weights(0, kCoefRV)),
                                       _mm256_set1_epi32(kConstR));
    const __m256i br =
        _mm256_packus_epi16(colour(lumaEven, lumaOdd, b), colour(lumaEven, lumaOdd, r));
    const __m256i ga = _mm256_packus_epi16(colour(lumaEven, lumaOdd, g), _mm256_set1_epi16(255));
    const __m256i bg = _mm256_unpacklo_epi8(br, ga);
    const __m256i ra = _mm256_unpackhi_epi8(br, ga);
    return {_mm256_unpacklo_epi16(bg, ra), _mm256_unpackhi_epi16(bg, ra)};
}

STEP_PIECE Bgra yuy2Pixels(const uint8_t* src) {
    // Pairs 0-1 and 4-5 to the first lane, 2-3 and 6-7 to the second, so
    // that `low` holds pixels 0-7 and `high` pixels 8-15.
    const __m256i pairs = _mm256_permute4x64_epi64(load32(src), 0xD8);
    const __m256i luma = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(0x0008));
    const __m256i chroma = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(0x0800));
    return toBgra(luma, chroma);
}

// Each lane gets a copy of the planes' bytes and picks its own pairs, in the
// order the YUY2 rows have after their permute; copying bytes to both lanes
// is part of a load, where moving them across lanes would be one more step.
STEP_PIECE Bgra yv12Pixels(const uint8_t* y, const uint8_t* uNear, const uint8_t* uFar,
                           const uint8_t* vNear, const uint8_t* vFar) {
    const __m256i lumaBytes = _mm256_broadcastsi128_si256(load16(y));
    const __m256i lumaOrder =
        _mm256_setr_epi8(0, -1, 1, -1, 2, -1, 3, -1, 8, -1, 9, -1, 10, -1, 11, -1,  //
                         4, -1, 5, -1, 6, -1, 7, -1, 12, -1, 13, -1, 14, -1, 15, -1);
    const __m256i luma = _mm256_slli_epi16(_mm256_shuffle_epi8(lumaBytes, lumaOrder), 3);
    // Near and far side by side, per pair of pixels.
    const __m256i u = _mm256_unpacklo_epi8(_mm256_broadcastq_epi64(load8(uNear)),
                                           _mm256_broadcastq_epi64(load8(uFar)));
    const __m256i v = _mm256_unpacklo_epi8(_mm256_broadcastq_epi64(load8(vNear)),
                                           _mm256_broadcastq_epi64(load8(vFar)));
    const __m256i uOrder =
        _mm256_setr_epi8(0, 1, -1, -1, 2, 3, -1, -1, 8, 9, -1, -1, 10, 11, -1, -1,  //
                         4, 5, -1, -1, 6, 7, -1, -1, 12, 13, -1, -1, 14, 15, -1, -1);
    const __m256i vOrder =
        _mm256_setr_epi8(-1, -1, 0, 1, -1, -1, 2, 3, -1, -1, 8, 9, -1, -1, 10, 11,  //
                         -1, -1, 4, 5, -1, -1, 6, 7, -1, -1, 12, 13, -1, -1, 14, 15);
    const __m256i nearFar =
        _mm256_or_si256(_mm256_shuffle_epi8(u, uOrder), _mm256_shuffle_epi8(v, vOrder));
    // Bytes near, far of u then of v per pair, weighted 6 and 2.
    return toBgra(luma, _mm256_maddubs_epi16(nearFar, _mm256_set1_epi16(0x0206)));
}

template <bool kAlpha>
STEP_PIECE void store(const Bgra& pixels, uint8_t* dst) {
    if (kAlpha) {
        store32(dst, pixels.low);
        store32(dst + 32, pixels.high);
        return;
    }
    // Each lane's four pixels without alpha take its first twelve bytes;
    // then whole 32-bit groups move across lanes into 48 bytes.
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i first = _mm256_shuffle_epi8(pixels.low, drop);
    const __m256i second = _mm256_shuffle_epi8(pixels.high, drop);
    const __m256i head = _mm256_blend_epi32(
        _mm256_permutevar8x32_epi32(first, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 0, 0)),
        _mm256_permutevar8x32_epi32(second, _mm256_setr_epi32(0, 0, 0, 0, 0, 0, 0, 1)), 0xC0);
    const __m256i tail =
        _mm256_permutevar8x32_epi32(second, _mm256_setr_epi32(2, 4, 5, 6, 0, 0, 0, 0));
    store32(dst, head);
    store16(dst + 32, _mm256_castsi256_si128(tail));
}

// A row's last pixels take the same step through padded copies, so nothing
// past the row is read or written.
template <bool kAlpha>
void yuy2Row(const uint8_t* src, uint8_t* dst, int32_t width) {
    constexpr int32_t bytes = kAlpha ? 4 : 3;
    int32_t x = 0;
    for (; x + kStep <= width; x += kStep)
        store<kAlpha>(yuy2Pixels(src + 2 * x), dst + bytes * x);
    if (x == width) return;
    const int32_t rest = width - x;
    uint8_t in[2 * kStep] = {};
    uint8_t out[4 * kStep];
    std::memcpy(in, src + 2 * x, static_cast<size_t>(4 * ((rest + 1) / 2)));
    store<kAlpha>(yuy2Pixels(in), out);
    std::memcpy(dst + bytes * x, out, static_cast<size_t>(bytes * rest));
}

template <bool kAlpha>
void yv12Row(const uint8_t* y, const ChromaRows& c, uint8_t* dst, int32_t width) {
    constexpr int32_t bytes = kAlpha ? 4 : 3;
    int32_t x = 0;
    for (; x + kStep <= width; x += kStep) {
        const int32_t pair = x / 2;
        store<kAlpha>(
            yv12Pixels(y + x, c.uNear + pair, c.uFar + pair, c.vNear + pair, c.vFar + pair),
            dst + bytes * x);
    }
    if (x == width) return;
    const int32_t rest = width - x, pair = x / 2;
    const size_t pairs = static_cast<size_t>((rest + 1) / 2);
    uint8_t luma[kStep] = {}, uNear[kStep / 2] = {}, uFar[kStep / 2] = {}, vNear[kStep / 2] = {},
            vFar[kStep / 2] = {};
    uint8_t out[4 * kStep];
    std::memcpy(luma, y + x, static_cast<size_t>(rest));
    std::memcpy(uNear, c.uNear + pair, pairs);
    std::memcpy(uFar, c.uFar + pair, pairs);
    std::memcpy(vNear, c.vNear + pair, pairs);
    std::memcpy(vFar, c.vFar + pair, pairs);
    store<kAlpha>(yv12Pixels(luma, uNear, uFar, vNear, vFar), out);
    std::memcpy(dst + bytes * x, out, static_cast<size_t>(bytes * rest));
}

}  // namespace

void yuy2ToRgb32(const uint8_t* src, uint8_t* dst, int32_t width) {
    yuy2Row<true>(src, dst, width);
}
void yuy2ToRgb24(const uint8_t* src, uint8_t* dst, int32_t width) {
    yuy2Row<false>(src, dst, width);
}
void yv12ToRgb32(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width) {
    yv12Row<true>(y, chroma, dst, width);
}
void yv12ToRgb24(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width) {
    yv12Row<false>(y, chroma, dst, width);
}

}  // namespace avx2
}  // namespace pixel
