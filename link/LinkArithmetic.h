#pragma once
#include <cstdint>

// The numbers a link file is made of. The order of the operations and the
// precision are part of the file format: the playback codec recomputes some of
// them, so they are done in double precision, in the order written here, and
// truncated toward zero.

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
// ((samples / rate) × fpsNumerator) / fpsDenominator: frame periods the audio lasts.
double audioFrameSpan(int32_t samples, int32_t rate, int32_t fpsNumerator, int32_t fpsDenominator);
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

struct LinkedBlockCounts {
    double sourceSamples;  // audioSampleThisBlock before truncation
    double streamSamples;  // whole stream blocks due, before truncation
};
// Everything is measured from the block's end time against what was already
// written, so rounding never accumulates.
LinkedBlockCounts linkedBlockCounts(double endTime, int32_t rate, uint32_t bytesPerSecond,
                                    uint32_t blockAlign, int32_t samplesWritten,
                                    int32_t streamPosition);
// RAW blocks multiply before dividing: ((((i + N) × rate) × den) / num) − position.
double rawBlockSamples(int32_t frame, int32_t blockSpacing, int32_t rate, int32_t fpsNumerator,
                       int32_t fpsDenominator, int32_t streamPosition);
