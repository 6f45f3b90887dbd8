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

double audioFrameSpan(int32_t samples, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator) {
    return ((static_cast<double>(samples) / rate) * fpsNumerator) / fpsDenominator;
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

LinkedBlockCounts linkedBlockCounts(double endTime, int32_t rate, uint32_t bytesPerSecond,
                                    uint32_t blockAlign, int32_t samplesWritten,
                                    int32_t streamPosition) {
    return LinkedBlockCounts{
        rate * endTime - samplesWritten,
        (bytesPerSecond * endTime) / blockAlign - streamPosition,
    };
}

double rawBlockSamples(int32_t frame, int32_t blockSpacing, int32_t rate, int32_t fpsNumerator,
                       int32_t fpsDenominator, int32_t streamPosition) {
    return (((static_cast<double>(frame) + blockSpacing) * rate) * fpsDenominator) / fpsNumerator -
           streamPosition;
}
