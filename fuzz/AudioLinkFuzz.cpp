// The audio half of a link as the codec receives it: a linked format and the
// blocks behind it. Input: two bytes giving the format's length
// (little-endian), the format, then one block. Whatever the parsers accept must be safe to size buffers
// and source reads from.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "link/AudioLinkParser.h"
#include "link/AudioRecords.h"
#include "link/StoredPath.h"

namespace {

void checkFormat(const LinkedAudio& link) {
    FUZZ_CHECK(link.channels >= 1 && link.channels <= 0xFFFF);
    FUZZ_CHECK(link.samplesPerSecond >= 1 && link.samplesPerSecond <= INT32_MAX);
    FUZZ_CHECK(link.blockSize >= kAudioBlockRecordSize && link.blockSize <= 0xFFFF);
    FUZZ_CHECK(link.frameBytes() >= 1 && link.frameBytes() <= 0xFFFF);
    FUZZ_CHECK(link.numAudioSamples >= 1 && link.maxAudioSamplesPerBlock >= 1);
    const void* end = std::memchr(link.sourcePath, '\0', sizeof link.sourcePath);
    FUZZ_CHECK(end != nullptr && end != link.sourcePath);
    if (link.sourcePathIsUtf8)
        FUZZ_CHECK(isUtf8(reinterpret_cast<const uint8_t*>(link.sourcePath), std::strlen(link.sourcePath)));
}

void checkBlock(const LinkedAudio& link, const AudioBlockRecord& record) {
    FUZZ_CHECK(record.sampleCount >= 0 && record.sampleCount <= link.maxAudioSamplesPerBlock);
    FUZZ_CHECK(record.firstSample >= 0);
    // Only an empty block starts where the sound ends, none past it.
    FUZZ_CHECK(record.firstSample < link.numAudioSamples ||
               (record.firstSample == link.numAudioSamples && record.sampleCount == 0));
    // A block reaches past the source's end by less than one block at most.
    const int64_t end = int64_t{record.firstSample} + record.sampleCount;
    FUZZ_CHECK(end <= int64_t{link.numAudioSamples} + link.maxAudioSamplesPerBlock);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Room for a format with path blocks behind it.
    size_t formatSize = data[0] | data[1] << 8;
    if (formatSize > size - 2) formatSize = size - 2;
    const uint8_t* format = data + 2;
    const uint8_t* block = format + formatSize;
    const size_t blockSize = size - 2 - formatSize;

    LinkedAudio link;
    if (parseLinkedAudioFormat(format, formatSize, &link) != LinkedFormatProblem::none) {
        // The same bytes may still be offered as the plain PCM side.
        isLinkedPcmFormat(format, formatSize, LinkedAudio{});
        return 0;
    }
    checkFormat(link);
    isLinkedPcmFormat(block, blockSize, link);
    AudioBlockRecord record;
    if (parseAudioBlockRecord(block, blockSize, link, &record) == BlockProblem::none)
        checkBlock(link, record);
    return 0;
}
