#pragma once
#include <cstdint>

// Values that shape a link file's records. They live in the registry under
// AVISETTINGS and are changed only there (no dialog shows them).
struct TuningValues {
    uint32_t videoSHIMblockSize;          // bytes per frame record (at least 4 are written)
    uint32_t audioSHIMblockSize;          // bytes per linked audio block
    uint32_t audioMaxSizeDecodingBuffer;  // handed to the codec unchanged
    uint32_t interleave;                  // frame periods per linked audio block
    uint32_t bPerSampleDestInSource;      // 1: the linked format states the source's bits
};

inline constexpr TuningValues kDefaultTuningValues{4, 128, 65536, 1, 0};

inline constexpr char kTuningSubkey[] = "AVISETTINGS";
inline constexpr char kVideoBlockSizeName[] = "videoSHIMblockSize";
inline constexpr char kAudioBlockSizeName[] = "audioSHIMblockSize";
inline constexpr char kBitsPerSampleFlagName[] = "bPerSampleDestInSource";
inline constexpr char kDecodingBufferName[] = "audioMaxSizeDecodingBuffer";
inline constexpr char kInterleaveName[] = "interleave";
