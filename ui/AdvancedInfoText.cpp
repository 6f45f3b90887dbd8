#include "ui/AdvancedInfoText.h"

#include <cmath>
#include <cstdio>

namespace {
constexpr double kLongestSeconds = 2147483647.0;
}

void compressionName(uint32_t compression, char* out, size_t size) {
    static const char* const kStandardNames[] = {"BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS",
                                                 "BI_JPEG"};
    if (compression < sizeof kStandardNames / sizeof kStandardNames[0]) {
        std::snprintf(out, size, "%s", kStandardNames[compression]);
        return;
    }
    const char fourcc[5] = {static_cast<char>(compression & 0xFF),
                            static_cast<char>((compression >> 8) & 0xFF),
                            static_cast<char>((compression >> 16) & 0xFF),
                            static_cast<char>((compression >> 24) & 0xFF), '\0'};
    std::snprintf(out, size, "%s", fourcc);
}

void formatFrameRate(uint32_t numerator, uint32_t denominator, char* out, size_t size) {
    std::snprintf(out, size, "%5.2f",
                  static_cast<double>(numerator) / static_cast<double>(denominator));
}

int64_t videoSeconds(int32_t nrFrames, uint32_t fpsNumerator, uint32_t fpsDenominator) {
    // A zero numerator would make the length infinite, and converting that
    // to an integer is undefined.
    if (fpsNumerator == 0) return 0;
    const double fps = static_cast<double>(fpsNumerator) / static_cast<double>(fpsDenominator);
    const double seconds = std::trunc(nrFrames / fps);
    if (!(seconds > 0.0)) return 0;
    return static_cast<int64_t>(std::fmin(seconds, kLongestSeconds));
}

int64_t audioSeconds(int32_t numSamples, int32_t samplesPerSecond) {
    if (samplesPerSecond <= 0 || numSamples <= 0) return 0;
    return numSamples / samplesPerSecond;
}

void formatLength(int64_t seconds, int32_t count, char* out, size_t size) {
    std::snprintf(out, size, "%.2d:%.2d:%.2d (%d)", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(count));
}
