#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "link/AviStreamInfo.h"

// The fixed-layout parts of an AVI 1.0 file: the main header (`avih`), the
// stream headers (`strh`), the header list and the index entries.

inline constexpr uint32_t kAvifHasIndex = 0x10;
// The header area ends on this boundary, so that `movi` starts on a sector, as
// the system's AVIFile layer lays its files out.
inline constexpr uint32_t kHeaderAlignment = 2048;

struct AviMainHeader {
    uint32_t dwMicroSecPerFrame;
    uint32_t dwMaxBytesPerSec;
    uint32_t dwPaddingGranularity;
    uint32_t dwFlags;
    uint32_t dwTotalFrames;
    uint32_t dwInitialFrames;
    uint32_t dwStreams;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwWidth;
    uint32_t dwHeight;
};

// One stream as it goes into the header list.
struct AviStreamHeaders {
    const AviStreamInfo* info;
    const std::vector<uint8_t>* format;  // the `strf` payload, stored as given
};

struct AviIndexEntry {
    uint32_t chunkId;
    uint32_t flags;
    uint32_t offset;  // from the `movi` list type, as AVIFile writes it
    uint32_t size;    // payload bytes, without padding
};
inline constexpr uint32_t kIndexEntrySize = 16;

std::array<uint8_t, 56> encodeMainHeader(const AviMainHeader& header);
std::array<uint8_t, 56> encodeStreamHeader(const AviStreamInfo& info);
void encodeIndexEntry(uint8_t* at, const AviIndexEntry& entry);

// "00db", "01wb", ...: the stream's number in two decimal digits and a kind.
uint32_t streamChunkId(uint32_t streamIndex, const char (&kind)[3]);

// The bytes from the start of the file up to the `movi` list: the RIFF header
// (declaring `riffSize`), the `hdrl` list and a JUNK chunk filling the rest.
std::vector<uint8_t> buildPrologue(uint32_t riffSize, const AviMainHeader& main,
                                   const std::vector<AviStreamHeaders>& streams);
// Where the `movi` list starts for these streams: the prologue's size.
uint32_t moviListOffset(const std::vector<AviStreamHeaders>& streams);
