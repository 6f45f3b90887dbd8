// YUV rows straight to RGB with SSSE3, eight pixels a step, in the exact
// arithmetic of the reference kernels. Only this file is compiled for SSSE3
// (on 32-bit x86 with a realigned stack, as the system calls the codec with
// 4-byte alignment); nothing here runs unless ssse3Available().
#include <tmmintrin.h>

#include <cstring>

#include "avishim/PixelKernels.h"

// A step's pieces are always inlined: on Windows a vector passed to or
// returned from a function goes through memory.
#define STEP_PIECE inline __attribute__((always_inline))

namespace pixel {
namespace ssse3 {
namespace {

// The sums are formed at twice the reference's scale: luma as 8 Y, chroma as
// 2 (c + 512) (8 C, or 6 near + 2 far), and the offsets of both joined to the
// rounding term in one constant per colour. The upper 16 bits of each 32-bit
// sum are then the reference's (sum >> 15) exactly, with no shift for half
// the pixels, and the scaled inputs come from one multiply-add.
constexpr int32_t kConstB = 2 * (kRound - 64 * kCoefY - 512 * kCoefBU);
constexpr int32_t kConstG = 2 * (kRound - 64 * kCoefY + 512 * (kCoefGU + kCoefGV));
constexpr int32_t kConstR = 2 * (kRound - 64 * kCoefY - 512 * kCoefRV);

constexpr int32_t kStep = 8;

// Two 16-bit weights per 32-bit lane, for pmaddwd.
STEP_PIECE __m128i weights(int32_t low, int32_t high) {
    return _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(high) << 16) |
                                               (static_cast<uint32_t>(low) & 0xFFFF)));
}

STEP_PIECE __m128i load4(const uint8_t* at) {
    int32_t value;
    std::memcpy(&value, at, 4);
    return _mm_cvtsi32_si128(value);
}
STEP_PIECE __m128i load8(const uint8_t* at) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
}
STEP_PIECE __m128i load16(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
STEP_PIECE void store8(uint8_t* at, __m128i value) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at), value);
}
STEP_PIECE void store16(uint8_t* at, __m128i value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
}

// Eight BGRA pixels: 0-3 and 4-7.
struct Bgra {
    __m128i low;
    __m128i high;
};

// One colour of four pairs as words in pixel order: the even pixel's result
// comes down from the upper half of its sum, the odd one's stays there.
STEP_PIECE __m128i colour(__m128i lumaEven, __m128i lumaOdd, __m128i chroma) {
    const __m128i even = _mm_srli_epi32(_mm_add_epi32(lumaEven, chroma), 16);
    const __m128i odd = _mm_and_si128(_mm_add_epi32(lumaOdd, chroma), _mm_set1_epi32(-65536));
    return _mm_or_si128(even, odd);
}

// `luma`: 8 Y of eight pixels as words, so that each 32-bit lane holds a
// pair; `chroma`: 2 ((u, v) + 512) of each pair as words.
STEP_PIECE Bgra toBgra(__m128i luma, __m128i chroma) {
    const __m128i lumaEven = _mm_madd_epi16(luma, weights(kCoefY, 0));
    const __m128i lumaOdd = _mm_madd_epi16(luma, weights(0, kCoefY));
    const __m128i b =
        _mm_add_epi32(_mm_madd_epi16(chroma, weights(kCoefBU, 0)), _mm_set1_epi32(kConstB));
    const __m128i g = _mm_add_epi32(_mm_madd_epi16(chroma, weights(-kCoefGU, -kCoefGV)),
                                    _mm_set1_epi32(kConstG));
    const __m128i r =
        _mm_add_epi32(_mm_madd_epi16(chroma, weights(0, kCoefRV)), _mm_set1_epi32(kConstR));
    // Saturating to bytes is the reference's clamp.
    const __m128i br =
        _mm_packus_epi16(colour(lumaEven, lumaOdd, b), colour(lumaEven, lumaOdd, r));
    const __m128i ga = _mm_packus_epi16(colour(lumaEven, lumaOdd, g), _mm_set1_epi16(255));
    const __m128i bg = _mm_unpacklo_epi8(br, ga);
    const __m128i ra = _mm_unpackhi_epi8(br, ga);
    return {_mm_unpacklo_epi16(bg, ra), _mm_unpackhi_epi16(bg, ra)};
}

STEP_PIECE Bgra yuy2Pixels(const uint8_t* src) {
    const __m128i pairs = load16(src);  // Y U Y V per pair
    // Byte weights (8, 0) and (0, 8) per word.
    const __m128i luma = _mm_maddubs_epi16(pairs, _mm_set1_epi16(0x0008));
    const __m128i chroma = _mm_maddubs_epi16(pairs, _mm_set1_epi16(0x0800));
    return toBgra(luma, chroma);
}

STEP_PIECE Bgra yv12Pixels(const uint8_t* y, const uint8_t* uNear, const uint8_t* uFar,
                           const uint8_t* vNear, const uint8_t* vFar) {
    const __m128i luma = _mm_slli_epi16(_mm_unpacklo_epi8(load8(y), _mm_setzero_si128()), 3);
    const __m128i u = _mm_unpacklo_epi8(load4(uNear), load4(uFar));
    const __m128i v = _mm_unpacklo_epi8(load4(vNear), load4(vFar));
    // Bytes near, far of u then of v per pair, weighted 6 and 2.
    const __m128i chroma = _mm_maddubs_epi16(_mm_unpacklo_epi16(u, v), _mm_set1_epi16(0x0206));
    return toBgra(luma, chroma);
}

template <bool kAlpha>
STEP_PIECE void store(const Bgra& pixels, uint8_t* dst) {
    if (kAlpha) {
        store16(dst, pixels.low);
        store16(dst + 16, pixels.high);
        return;
    }
    // Pixels 0-3 without alpha fill twelve bytes; pixel 4 and the blue of
    // pixel 5 the other four; the rest of pixel 5 and pixels 6-7 follow.
    const __m128i firstFour = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i fifth = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 2, 4);
    const __m128i rest = _mm_setr_epi8(5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1);
    store16(dst, _mm_or_si128(_mm_shuffle_epi8(pixels.low, firstFour),
                              _mm_shuffle_epi8(pixels.high, fifth)));
    store8(dst + 16, _mm_shuffle_epi8(pixels.high, rest));
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

}  // namespace ssse3
}  // namespace pixel
