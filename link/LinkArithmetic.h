#pragma once
#include <cstdint>

// The numbers a link file is made of. Header values the playback codec and
// readers recompute (rates, buffer sizes, the per-block maximum, stream
// samples) are done in double precision, in the order written here, and
// truncated toward zero. Sample counts are exact rational values in integers:
// double rounding once dropped whole frame periods of audio.

// The truncation used throughout; false (and *out untouched) when the value is
// not a number or does not fit in 32 signed bits.
bool truncateToInt32(double value, int32_t* out);

struct VideoRate {
    uint32_t scale;
    uint32_t rate;
};
// Denominators below 1000 are scaled to 1000 (unsigned 32-bit arithmetic), so
// that players keep some precision for rates like 25/1.
VideoRate videoRateFor(uint32_t numerator, uint32_t denominator);
// True when videoRateFor can represent the rate without wrapping around.
bool videoRateFits(uint32_t numerator, uint32_t denominator);

// Bits per pixel of a format code; unknown codes count as 24.
int32_t bitCountFor(int32_t formatCode);
// (bitCount × height × width) / 8; false when it does not fit 32 signed bits.
bool pictureSizeImage(int32_t bitCount, int32_t width, int32_t height, int32_t* size);

// Two block periods of PCM: 2 × ((channels × bits × rate) >> 3) in 32 bits
// (false when that overflows), then × (N × fpsDenominator) / fpsNumerator.
bool audioBufferBytes(int32_t channels, int32_t bits, int32_t rate, int32_t blockSpacing,
                      int32_t fpsNumerator, int32_t fpsDenominator, double* bytes);
// ((N × fpsDenominator × rate) × 1.1) / fpsNumerator
double maxAudioSamplesPerBlock(int32_t blockSpacing, int32_t fpsDenominator, int32_t rate,
                               int32_t fpsNumerator);
// Frame periods the audio lasts, counting a last partial one: the ceiling of
// samples × fpsNumerator / (rate × fpsDenominator), exact in 64-bit integers.
// False when the rate or frame rate is not above zero or the span does not
// fit 32 bits.
bool audioFrameSpan(int32_t samples, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator,
                    int32_t* span);
// ((fpsNumerator / fpsDenominator) / N) × B: the linked stream's bytes per second.
double linkedBytesPerSecond(int32_t fpsNumerator, int32_t fpsDenominator, int32_t blockSpacing,
                            uint32_t blockSize);

// A block is due on every N-th frame period while there is audio, and at the
// last audio frame period when that is off the grid.
bool audioBlockDue(int32_t frame, int32_t blockSpacing, int32_t audioFrameSpan);

// End time in seconds of the block written at frame period `frame`: the end of
// frame period frame + N − 1.
double blockEndTime(int32_t frame, int32_t blockSpacing, int32_t fpsNumerator,
                    int32_t fpsDenominator);

// Sample frames due by the end of `periods` frame periods: the floor of
// periods × rate × fpsDenominator / fpsNumerator, exact. False on overflow or
// a rate that is not above zero.
bool samplesDueBy(int64_t periods, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator,
                  int64_t* samples);

// Sample frames of the block written at frame period `frame` (linked or RAW):
// what is due by its end time less what was already written, and never more
// than the `total` the source has. Measured from the absolute end time, so
// rounding never accumulates.
bool blockSourceSamples(int32_t frame, int32_t blockSpacing, int32_t rate, int32_t fpsNumerator,
                        int32_t fpsDenominator, int32_t written, int32_t total, int32_t* count);

// Stream samples of a linked block: whole blocks of the linked format due by
// `endTime` that are not yet in the stream, before truncation. Kept in double
// precision as readers of the stream header expect.
double linkedStreamSamples(double endTime, uint32_t bytesPerSecond, uint32_t blockAlign,
                           int32_t streamPosition);
