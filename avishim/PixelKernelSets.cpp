// Which kernel sets the processor runs, and the tables of the sets that
// borrow the SSE2 kernels. Compiled for the baseline instruction set: this is
// the code that runs before anyone knows what the processor has.
#include <cpuid.h>

#include "avishim/PixelKernels.h"

namespace pixel {
namespace {

struct Features {
    bool sse2 = false;
    bool ssse3 = false;
    bool avx2 = false;
};

// XCR0: which register states the system saves on a thread switch.
uint64_t enabledRegisterStates() {
    uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<uint64_t>(high) << 32) | low;
}

Features detect() {
    Features f;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return f;
    f.sse2 = (edx & bit_SSE2) != 0;
    f.ssse3 = f.sse2 && (ecx & bit_SSSE3) != 0;
    // A processor with AVX under a system that does not save the upper
    // halves of the vector registers (an old Windows, some emulators) would
    // corrupt them between threads: both XMM and YMM state must be enabled.
    constexpr uint64_t kXmmAndYmm = 0x6;
    const bool systemSavesYmm = (ecx & bit_OSXSAVE) != 0 && (ecx & bit_AVX) != 0 &&
                                (enabledRegisterStates() & kXmmAndYmm) == kXmmAndYmm;
    if (f.ssse3 && systemSavesYmm && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        f.avx2 = (ebx & bit_AVX2) != 0;
    return f;
}

const Features& features() {
    static const Features detected = detect();
    return detected;
}

Kernels withSinglePassRows(Kernels k, decltype(Kernels::yuy2ToRgb32) yuy2ToRgb32,
                           decltype(Kernels::yuy2ToRgb24) yuy2ToRgb24,
                           decltype(Kernels::yv12ToRgb32) yv12ToRgb32,
                           decltype(Kernels::yv12ToRgb24) yv12ToRgb24) {
    k.yuy2ToRgb32 = yuy2ToRgb32;
    k.yuy2ToRgb24 = yuy2ToRgb24;
    k.yv12ToRgb32 = yv12ToRgb32;
    k.yv12ToRgb24 = yv12ToRgb24;
    return k;
}

}  // namespace

bool sse2Available() { return features().sse2; }
bool ssse3Available() { return features().ssse3; }
bool avx2Available() { return features().avx2; }

const Kernels& ssse3Kernels() {
    static const Kernels kernels = withSinglePassRows(
        sse2Kernels(), ssse3::yuy2ToRgb32, ssse3::yuy2ToRgb24, ssse3::yv12ToRgb32,
        ssse3::yv12ToRgb24);
    return kernels;
}

const Kernels& avx2Kernels() {
    static const Kernels kernels =
        withSinglePassRows(sse2Kernels(), avx2::yuy2ToRgb32, avx2::yuy2ToRgb24,
                           avx2::yv12ToRgb32, avx2::yv12ToRgb24);
    return kernels;
}

}  // namespace pixel
