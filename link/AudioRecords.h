#pragma once
#include <array>
#include <cstdint>

#include "link/AviStreamInfo.h"

// The audio half of a link file: the linked format (tag 0xF4, whose extra
// bytes tell the codec where the source's audio is), the plain PCM format of
// RAW links, and the record each linked audio chunk begins with.

inline constexpr uint16_t kLinkedAudioTag = 0x00F4;
inline constexpr uint32_t kLinkedAudioFormatSize = 82;
inline constexpr uint32_t kPcmFormatSize = 18;
inline constexpr uint32_t kAudioBlockRecordSize = 12;
inline constexpr char kAudioStreamName[] = "Audio Stream";

using AudioLinkData = std::array<uint8_t, 64>;
using LinkedAudioFormat = std::array<uint8_t, kLinkedAudioFormatSize>;
using PcmFormat = std::array<uint8_t, kPcmFormatSize>;

struct AudioLinkFields {
    int32_t numAudioSamples;
    int32_t maxAudioSamplesPerBlock;
    uint32_t audioMaxSizeDecodingBuffer;
    int32_t bitsPerSample;  // always the source's, whatever the format states
    const char* sourcePath;
    int32_t linkOption;
};

struct LinkedAudioFields {
    int32_t channels;
    int32_t samplesPerSecond;
    uint32_t avgBytesPerSec;
    uint32_t blockSize;  // B; only its low 16 bits fit nBlockAlign
    int32_t bitsPerSample;
    uint32_t bPerSampleDestInSource;
};

AudioLinkData buildAudioLinkData(const AudioLinkFields& fields);
LinkedAudioFormat buildLinkedAudioFormat(const LinkedAudioFields& fields,
                                         const AudioLinkData& linkData);
PcmFormat buildPcmFormat(int32_t channels, int32_t samplesPerSecond, int32_t bitsPerSample);

// nBlockAlign and nAvgBytesPerSec of a built format (linked or PCM).
uint32_t formatBlockAlign(const uint8_t* format);
uint32_t formatAvgBytesPerSec(const uint8_t* format);

// The stream header of either audio variant; its length is left open.
AviStreamInfo buildAudioStreamHeader(uint32_t blockAlign, uint32_t avgBytesPerSec,
                                     uint32_t suggestedBufferSize);
// `size` bytes: block index, first sample, sample count, then zeros.
void fillAudioBlockRecord(uint8_t* block, uint32_t size, int32_t blockIndex, int32_t firstSample,
                          int32_t sampleCount);
