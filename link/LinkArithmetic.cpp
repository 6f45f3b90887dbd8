#include "link/LinkArithmetic.h"

#include "source/FormatCode.h"

bool truncateToInt32(double value, int32_t* out) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false;  // also rejects NaN
    *out = static_cast<int32_t>(value);
    return true;
}

VideoRate videoRateFor(uint32_t numerator, uint32_t denominator) {
    if (denominator < 1000) return VideoRate{1000, numerator * 1000u / denominator};
    return VideoRate{denominator, numerator};
}

bool videoRateFits(uint32_t numerator, uint32_t denominator) {
    return denominator >= 1000 || numerator <= 0xFFFFFFFFu / 1000u;
}

int32_t bitCountFor(int32_t formatCode) {
    switch (formatCode) {
        case kFormatYV12: return 12;
        case kFormatYUY2: return 16;
        case kFormatRGB32: return 32;
        default: return 24;
    }
}

bool pictureSizeImage(int32_t bitCount, int32_t width, int32_t height, int32_t* size) {
    // Two 32-bit sides and a bit count can leave even 64 bits.
    int64_t bits = 0;
    if (__builtin_mul_overflow(int64_t{bitCount} * height, int64_t{width}, &bits)) return false;
    if (bits > INT32_MAX || bits < INT32_MIN) return false;
    *size = static_cast<int32_t>(bits / 8);
    return true;
}

bool audioBufferBytes(int32_t channels, int32_t bits, int32_t rate, int32_t blockSpacing,
                      int32_t fpsNumerator, int32_t fpsDenominator, double* bytes) {
    // Linked audio never checks the source's channels and bits, so their
    // product with the rate can leave even 64 bits.
    int64_t bitsPerSecond = 0;
    if (__builtin_mul_overflow(int64_t{channels} * bits, int64_t{rate}, &bitsPerSecond))
        return false;
    int64_t perSecond = bitsPerSecond >> 3;
    if (perSecond > INT32_MAX / 2 || perSecond < INT32_MIN / 2) return false;
    int32_t twoSeconds = static_cast<int32_t>(2 * perSecond);
    *bytes = (twoSeconds * (static_cast<double>(blockSpacing) * fpsDenominator)) / fpsNumerator;
    return true;
}

double maxAudioSamplesPerBlock(int32_t blockSpacing, int32_t fpsDenominator, int32_t rate,
                               int32_t fpsNumerator) {
    return ((static_cast<double>(blockSpacing) * fpsDenominator * rate) * 1.1) / fpsNumerator;
}

bool audioFrameSpan(int32_t samples, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator,
                    int32_t* span) {
    if (samples < 0 || rate <= 0 || fpsNumerator <= 0 || fpsDenominator <= 0) return false;
    const int64_t periodsTimesSamples = int64_t{samples} * fpsNumerator;  // < 2^62
    const int64_t samplesPerPeriodTimes = int64_t{rate} * fpsDenominator;  // < 2^62
    const int64_t result = periodsTimesSamples / samplesPerPeriodTimes +
                           (periodsTimesSamples % samplesPerPeriodTimes != 0 ? 1 : 0);
    if (result > INT32_MAX) return false;
    *span = static_cast<int32_t>(result);
    return true;
}

double linkedBytesPerSecond(int32_t fpsNumerator, int32_t fpsDenominator, int32_t blockSpacing,
                            uint32_t blockSize) {
    return ((static_cast<double>(fpsNumerator) / fpsDenominator) / blockSpacing) * blockSize;
}

bool audioBlockDue(int32_t frame, int32_t blockSpacing, int32_t audioFrameSpan) {
    return (frame % blockSpacing == 0 && frame < audioFrameSpan) || frame == audioFrameSpan - 1;
}

double blockEndTime(int32_t frame, int32_t blockSpacing, int32_t fpsNumerator,
                    int32_t fpsDenominator) {
    return ((static_cast<double>(frame) + blockSpacing) * fpsDenominator) / fpsNumerator;
}

bool samplesDueBy(int64_t periods, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator,
                  int64_t* samples) {
    if (periods < 0 || rate <= 0 || fpsNumerator <= 0 || fpsDenominator <= 0) return false;
    // periods × p / num with p = rate × den split as p = q × num + r, so that
    // no product needs more than 64 bits: r × periods < 2^31 × 2^32.
    if (periods > UINT32_MAX) return false;
    const int64_t p = int64_t{rate} * fpsDenominator;
    const int64_t q = p / fpsNumerator;
    const int64_t r = p % fpsNumerator;
    int64_t whole = 0;
    if (__builtin_mul_overflow(q, periods, &whole)) return false;
    int64_t result = 0;
    if (__builtin_add_overflow(whole, r * periods / fpsNumerator, &result)) return false;
    *samples = result;
    return true;
}

bool blockSourceSamples(int32_t frame, int32_t blockSpacing, int32_t rate, int32_t fpsNumerator,
                        int32_t fpsDenominator, int32_t written, int32_t total, int32_t* count) {
    int64_t due = 0;
    if (!samplesDueBy(int64_t{frame} + blockSpacing, rate, fpsNumerator, fpsDenominator, &due))
        return false;
    if (due > total) due = total;
    const int64_t result = due - written;
    if (result < INT32_MIN || result > INT32_MAX) return false;
    *count = result > 0 ? static_cast<int32_t>(result) : 0;
    return true;
}

double linkedStreamSamples(double endTime, uint32_t bytesPerSecond, uint32_t blockAlign,
                           int32_t streamPosition) {
    return (bytesPerSecond * endTime) / blockAlign - streamPosition;
}
