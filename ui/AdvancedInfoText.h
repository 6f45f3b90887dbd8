#pragma once
#include <cstddef>
#include <cstdint>

// Texts of the advanced file information dialog, kept apart from the dialog
// so that they can be checked without a window.

// "BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG" for the standard
// values; any other value as its four characters, least significant byte first.
void compressionName(uint32_t compression, char* out, size_t size);

// "%5.2f" of numerator / denominator.
void formatFrameRate(uint32_t numerator, uint32_t denominator, char* out, size_t size);

// Whole seconds a stream lasts; 0 when it has no usable rate. Capped at
// INT32_MAX, which no real source comes near.
int64_t videoSeconds(int32_t nrFrames, uint32_t fpsNumerator, uint32_t fpsDenominator);
int64_t audioSeconds(int32_t numSamples, int32_t samplesPerSecond);

// "hh:mm:ss (count)".
void formatLength(int64_t seconds, int32_t count, char* out, size_t size);
