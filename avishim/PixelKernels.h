#pragma once
#include <cstdint>

// Row kernels the picture conversions are made of. Every set gives the same
// results to the bit: a plain one that runs anywhere and serves as the
// reference, an SSE2 one, and SSSE3 and AVX2 ones that take the SSE2 kernels
// and add single-pass YUV to RGB rows. Widths are in pixels; chroma arrays
// hold one value per pair of pixels ((width + 1) / 2 of them).
//
// YUV to RGB follows ITU-R BT.601 with limited range (Y 16..235, C 16..240).
// Chroma reaches the RGB kernel at four times its precision and centred
// (4 C - 512), so a vertically interpolated chroma keeps its quarter steps
// until the final rounding; luma is scaled the same way (4 (Y - 16)). Each
// output is (cY y + cC c + 2^14) >> 15 with 13-bit coefficients, clamped.
namespace pixel {

inline constexpr int32_t kCoefY = 9539;     // 255/219
inline constexpr int32_t kCoefRV = 13075;   // 1.596027
inline constexpr int32_t kCoefGU = 3209;    // 0.391762
inline constexpr int32_t kCoefGV = 6660;    // 0.812968
inline constexpr int32_t kCoefBU = 16525;   // 2.017232
inline constexpr int32_t kRound = 1 << 14;
inline constexpr int kShift = 15;

// The chroma rows a YV12 luma row blends, 3:1 from the nearer (see
// chromaBlend4).
struct ChromaRows {
    const uint8_t* uNear;
    const uint8_t* uFar;
    const uint8_t* vNear;
    const uint8_t* vFar;
};

struct Kernels {
    void (*rgb24ToRgb32)(const uint8_t* src, uint8_t* dst, int32_t width);
    void (*rgb32ToRgb24)(const uint8_t* src, uint8_t* dst, int32_t width);
    // One row of Y with 4:2:2 chroma (u4, v4 as described above) to BGRA.
    void (*yuvToRgb32)(const uint8_t* y, const int16_t* u4, const int16_t* v4, uint8_t* dst,
                       int32_t width);
    // Splits a YUY2 row into Y and 8-bit chroma.
    void (*unpackYuy2)(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width);
    // The reverse; with an odd width the last pair repeats its Y.
    void (*packYuy2)(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst,
                     int32_t width);
    // 4 c - 512 for `count` chroma values.
    void (*chromaScale4)(const uint8_t* c, int16_t* c4, int32_t count);
    // 3 near + far - 512: chroma between two chroma rows, at a quarter of
    // the way from the nearer.
    void (*chromaBlend4)(const uint8_t* nearRow, const uint8_t* farRow, int16_t* c4,
                         int32_t count);
    // (3 near + far + 2) >> 2: the same, rounded to 8 bits.
    void (*chromaBlend8)(const uint8_t* nearRow, const uint8_t* farRow, uint8_t* c,
                         int32_t count);
    // (a + b + 1) >> 1.
    void (*chromaAverage)(const uint8_t* a, const uint8_t* b, uint8_t* c, int32_t count);

    // Whole rows from YUY2, or from YV12 luma and its chroma rows, to BGRA or
    // BGR in one pass, with the results of the kernels above. Null in the sets
    // without them: the conversions then build those rows from the kernels
    // above through scratch rows.
    void (*yuy2ToRgb32)(const uint8_t* src, uint8_t* dst, int32_t width);
    void (*yuy2ToRgb24)(const uint8_t* src, uint8_t* dst, int32_t width);
    void (*yv12ToRgb32)(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
    void (*yv12ToRgb24)(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
};

const Kernels& scalarKernels();
const Kernels& sse2Kernels();
const Kernels& ssse3Kernels();
const Kernels& avx2Kernels();
// Whether the processor (and, for AVX2, the system, which must save the
// 256-bit registers) runs a set. SSE2 is always there on 64-bit x86.
bool sse2Available();
bool ssse3Available();
bool avx2Available();

// The single-pass rows of the SSSE3 and AVX2 sets. Their files alone are
// compiled for those instruction sets, so reach them only through
// ssse3Kernels() and avx2Kernels() after asking the processor.
namespace ssse3 {
void yuy2ToRgb32(const uint8_t* src, uint8_t* dst, int32_t width);
void yuy2ToRgb24(const uint8_t* src, uint8_t* dst, int32_t width);
void yv12ToRgb32(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
void yv12ToRgb24(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
}  // namespace ssse3
namespace avx2 {
void yuy2ToRgb32(const uint8_t* src, uint8_t* dst, int32_t width);
void yuy2ToRgb24(const uint8_t* src, uint8_t* dst, int32_t width);
void yv12ToRgb32(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
void yv12ToRgb24(const uint8_t* y, const ChromaRows& chroma, uint8_t* dst, int32_t width);
}  // namespace avx2

}  // namespace pixel
