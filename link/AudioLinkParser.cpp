#include "link/AudioLinkParser.h"

#include <cstring>

#include "link/AudioRecords.h"
#include "link/LittleEndian.h"
#include "link/VideoRecords.h"

namespace {

constexpr size_t kWaveHeaderSize = 18;  // WAVEFORMATEX up to and with cbSize
constexpr size_t kLinkDataSize = sizeof(AudioLinkData);
constexpr size_t kPathOffset = 20;
constexpr size_t kPathField = 40;
constexpr uint16_t kPcmTag = 1;

bool usableBits(uint32_t bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

int32_t getI32(const uint8_t* at) { return static_cast<int32_t>(getU32(at)); }

}  // namespace

LinkedFormatProblem parseLinkedAudioFormat(const uint8_t* format, size_t size, LinkedAudio* out) {
    if (format == nullptr || size < kLinkedAudioFormatSize) return LinkedFormatProblem::tooShort;
    if (getU16(format) != kLinkedAudioTag) return LinkedFormatProblem::foreignTag;
    if (getU16(format + 16) < kLinkDataSize) return LinkedFormatProblem::shortExtra;
    const uint8_t* data = format + kWaveHeaderSize;
    if (getI32(data) != kLinkDataVersion) return LinkedFormatProblem::wrongVersion;

    LinkedAudio link;
    link.channels = getU16(format + 2);
    link.samplesPerSecond = getU32(format + 4);
    link.blockSize = getU16(format + 12);
    // The format's own wBitsPerSample is 0 unless the writer was told to
    // state it; the link data always holds the source's.
    const int32_t bits = getI32(data + 16);
    link.numAudioSamples = getI32(data + 4);
    link.maxAudioSamplesPerBlock = getI32(data + 8);

    if (link.channels == 0) return LinkedFormatProblem::noChannels;
    // The reader keeps rates in signed 32 bits.
    if (link.samplesPerSecond == 0 || link.samplesPerSecond > INT32_MAX)
        return LinkedFormatProblem::noRate;
    if (link.blockSize < kAudioBlockRecordSize) return LinkedFormatProblem::blockTooSmall;
    if (bits < 0 || !usableBits(static_cast<uint32_t>(bits))) return LinkedFormatProblem::unusableBits;
    link.bitsPerSample = static_cast<uint32_t>(bits);
    if (link.frameBytes() > 0xFFFF) return LinkedFormatProblem::frameTooLarge;
    if (link.numAudioSamples < 1 || link.maxAudioSamplesPerBlock < 1)
        return LinkedFormatProblem::badCounts;

    const uint8_t* path = data + kPathOffset;
    const void* end = std::memchr(path, 0, kPathField);
    if (end == nullptr) return LinkedFormatProblem::badPath;
    // Blocks follow the link data when cbSize says so; a path block names the
    // source, and the writer then leaves the field empty.
    const size_t extra = getU16(format + 16) - kLinkDataSize;
    PathBlockFault block = PathBlockFault::absent;
    if (extra > 0) {
        if (size - kLinkedAudioFormatSize < extra || extra > kMaxFormatBlocks)
            return LinkedFormatProblem::badPathBlock;
        block = readPathBlock(format + kLinkedAudioFormatSize, extra, link.sourcePath);
        if (block != PathBlockFault::none && block != PathBlockFault::absent)
            return LinkedFormatProblem::badPathBlock;
    }
    link.sourcePathIsUtf8 = block == PathBlockFault::none;
    if (!link.sourcePathIsUtf8) {
        if (path[0] == 0) return LinkedFormatProblem::badPath;
        std::memcpy(link.sourcePath, path, static_cast<const uint8_t*>(end) - path + 1);
    }

    if (out != nullptr) *out = link;
    return LinkedFormatProblem::none;
}

BlockProblem parseAudioBlockRecord(const uint8_t* block, size_t available, const LinkedAudio& link,
                                   AudioBlockRecord* out) {
    if (block == nullptr || available < link.blockSize || available < kAudioBlockRecordSize)
        return BlockProblem::truncated;
    AudioBlockRecord record;
    record.blockIndex = getI32(block);
    record.firstSample = getI32(block + 4);
    record.sampleCount = getI32(block + 8);
    if (record.sampleCount < 0) return BlockProblem::negativeCount;
    if (record.sampleCount > link.maxAudioSamplesPerBlock) return BlockProblem::countAboveMaximum;
    const int64_t end = int64_t{record.firstSample} + record.sampleCount;
    // Only an empty block may start where the sound ends.
    const bool startsInside = record.firstSample < link.numAudioSamples ||
                              (record.firstSample == link.numAudioSamples && record.sampleCount == 0);
    if (record.firstSample < 0 || !startsInside ||
        end > int64_t{link.numAudioSamples} + link.maxAudioSamplesPerBlock)
        return BlockProblem::outsideSource;
    if (out != nullptr) *out = record;
    return BlockProblem::none;
}

bool isLinkedPcmFormat(const uint8_t* format, size_t size, const LinkedAudio& link) {
    // PCMWAVEFORMAT (16 bytes) is enough; a cbSize behind it must be 0.
    if (format == nullptr || size < 16) return false;
    if (size >= kWaveHeaderSize && getU16(format + 16) != 0) return false;
    const uint32_t align = link.frameBytes();
    return getU16(format) == kPcmTag && getU16(format + 2) == link.channels &&
           getU32(format + 4) == link.samplesPerSecond &&
           getU32(format + 8) == uint64_t{align} * link.samplesPerSecond && getU16(format + 12) == align &&
           getU16(format + 14) == link.bitsPerSample;
}
