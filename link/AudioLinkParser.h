#pragma once
#include <cstddef>
#include <cstdint>

#include "link/StoredPath.h"

// Reading the audio half of a link file back: the linked format a player hands
// the codec, and the record at the front of every linked audio block. Both
// arrive from whatever client opened the file, so every field is checked
// before anything is sized or read from it.

// The linked format, as far as the codec needs it.
struct LinkedAudio {
    uint32_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t blockSize = 0;          // B: bytes of one linked block (nBlockAlign)
    uint32_t bitsPerSample = 0;      // the source's, from the link data
    int32_t numAudioSamples = 0;     // sample frames the source holds
    int32_t maxAudioSamplesPerBlock = 0;
    // NUL-terminated: the 8-bit field's bytes (ANSI code page), or the path
    // block's UTF-8 when the format has one.
    char sourcePath[kMaxPathText] = {};
    bool sourcePathIsUtf8 = false;

    // Bytes of one PCM sample frame of the source.
    uint32_t frameBytes() const { return channels * bitsPerSample / 8; }
};

enum class LinkedFormatProblem {
    none,
    tooShort,         // fewer bytes than the format with its link data
    foreignTag,       // not the linked-audio tag
    shortExtra,       // cbSize leaves no room for the link data
    wrongVersion,
    noChannels,
    noRate,
    blockTooSmall,    // B cannot hold a block record
    unusableBits,     // not 8, 16, 24 or 32 bits per sample
    frameTooLarge,    // a PCM frame would not fit nBlockAlign
    badCounts,        // sample count or block maximum below 1
    badPath,          // empty, or no NUL inside the path field
    badPathBlock,     // the bytes behind the link data are not well-formed blocks
};

// Checks the `size` bytes at `format` (a WAVEFORMATEX with the link data
// behind it) and fills `out` when they are a usable linked format.
LinkedFormatProblem parseLinkedAudioFormat(const uint8_t* format, size_t size, LinkedAudio* out);

struct AudioBlockRecord {
    int32_t blockIndex = 0;
    int32_t firstSample = 0;
    int32_t sampleCount = 0;
};

enum class BlockProblem {
    none,
    truncated,          // fewer bytes than a whole block
    negativeCount,
    countAboveMaximum,
    outsideSource,      // starts before 0 or past what the source can cover
};

// Reads the record at the front of one block of `available` bytes and checks
// it against the link. A block that starts within the link's sound may reach
// past its end by at most one block's maximum: an earlier writer scheduled
// the last blocks of a link by frame periods, and with a block spacing above
// 1 they ended after the sound did. That part is silence; a block starting
// past the sound, or reaching further, is not one a writer could have made.
BlockProblem parseAudioBlockRecord(const uint8_t* block, size_t available, const LinkedAudio& link,
                                   AudioBlockRecord* out);

// True when the `size` bytes at `format` are the plain PCM format of the
// link's sound (channels, rate, bits, block align and byte rate all agree).
bool isLinkedPcmFormat(const uint8_t* format, size_t size, const LinkedAudio& link);
