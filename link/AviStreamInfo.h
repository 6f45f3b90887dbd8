#pragma once
#include <cstdint>

// What a caller says about a stream when it creates one: the fields of the
// system's AVISTREAMINFOA in the same order and sizes, so one can be copied
// into the other. The writer turns it into the stream's `strh` and `strn`.
struct AviStreamInfo {
    uint32_t fccType;
    uint32_t fccHandler;
    uint32_t dwFlags;
    uint32_t dwCaps;
    uint16_t wPriority;
    uint16_t wLanguage;
    uint32_t dwScale;
    uint32_t dwRate;
    uint32_t dwStart;
    uint32_t dwLength;  // replaced by the samples actually written
    uint32_t dwInitialFrames;
    uint32_t dwSuggestedBufferSize;  // raised to the largest chunk written
    uint32_t dwQuality;
    uint32_t dwSampleSize;  // 0: one chunk per sample (video)
    int32_t rcLeft;
    int32_t rcTop;
    int32_t rcRight;
    int32_t rcBottom;
    uint32_t dwEditCount;
    uint32_t dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AviStreamInfo) == 140);

// Index flag of a chunk that can be decoded on its own.
inline constexpr uint32_t kAviKeyFrame = 0x10;
