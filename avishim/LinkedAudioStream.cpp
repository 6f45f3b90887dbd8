#include "avishim/LinkedAudioStream.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// A link may name another link as its source, which is fine, but one that
// names itself (or a ring of them) would open itself from inside its own
// open until the stack ran out. Nothing real nests this deep.
constexpr int kMaxNestedOpens = 4;
thread_local int nestedOpens = 0;

struct NestedOpen {
    NestedOpen() { ++nestedOpens; }
    ~NestedOpen() { --nestedOpens; }
};

void report(const char* text, const char* detail) {
    char line[512];
    std::snprintf(line, sizeof line, "avishim audio: %s%s\n", text, detail);
    OutputDebugStringA(line);
}

}  // namespace

std::unique_ptr<LinkedAudioStream> LinkedAudioStream::open(const LinkedAudio& link) {
    if (nestedOpens >= kMaxNestedOpens) {
        report("links nested too deeply at ", link.sourcePath);
        return nullptr;
    }
    NestedOpen nested;
    std::unique_ptr<LinkedAudioStream> stream(new (std::nothrow) LinkedAudioStream(link));
    if (!stream) return nullptr;
    AVIReader& reader = stream->reader_;
    if (!reader.open(link.sourcePath, true, false, kCallerName) || !reader.audioOpened) {
        report("cannot open the source ", link.sourcePath);
        return nullptr;
    }
    // The blocks are sized by the link's sound; a source that delivers other
    // frames would overrun them.
    if (reader.nrChannels != static_cast<int32_t>(link.channels) ||
        reader.audioSamplesPerSecond != static_cast<int32_t>(link.samplesPerSecond) ||
        reader.bitsPerSample != static_cast<int32_t>(link.bitsPerSample)) {
        report("the source's sound no longer matches the link: ", link.sourcePath);
        return nullptr;
    }
    // A source cut short since the link was made would leave holes of
    // silence in the middle of a render; one that grew is still the same.
    if (reader.numAudioSamples < link.numAudioSamples) {
        report("the source has fewer samples than the link: ", link.sourcePath);
        return nullptr;
    }
    return stream;
}

LinkedAudioStream::~LinkedAudioStream() { reader_.close(true, true); }

bool LinkedAudioStream::fill(const AudioBlockRecord& record, uint8_t* out, uint32_t room) {
    const uint32_t frameBytes = link_.frameBytes();
    // The last block of a link made with an earlier schedule may reach past
    // the link's sound; that tail is silence, also from a source that has
    // grown since.
    int64_t held = int64_t{link_.numAudioSamples} - record.firstSample;
    if (held < 0) held = 0;
    const int32_t read = held < record.sampleCount ? static_cast<int32_t>(held) : record.sampleCount;
    if (read > 0 && !reader_.readAudio(record.firstSample, read, out, static_cast<int32_t>(room))) {
        report("cannot read the source: ", reader_.lastError);
        return false;
    }
    const size_t readBytes = static_cast<size_t>(read) * frameBytes;
    // Unsigned 8-bit PCM is silent at its middle value.
    const int silence = link_.bitsPerSample == 8 ? 0x80 : 0;
    std::memset(out + readBytes, silence,
                static_cast<size_t>(record.sampleCount) * frameBytes - readBytes);
    return true;
}

bool LinkedAudioStream::convert(const uint8_t* source, uint32_t sourceLength, uint8_t* destination,
                                uint32_t destinationLength, uint32_t* sourceUsed,
                                uint32_t* destinationUsed) {
    *sourceUsed = 0;
    *destinationUsed = 0;
    const uint32_t blockSize = link_.blockSize;
    const uint32_t frameBytes = link_.frameBytes();
    uint32_t taken = 0;
    uint32_t written = 0;
    while (sourceLength - taken >= blockSize) {
        AudioBlockRecord record;
        const BlockProblem problem =
            parseAudioBlockRecord(source + taken, sourceLength - taken, link_, &record);
        if (problem != BlockProblem::none) {
            report("a block record fails its checks", "");
            return false;
        }
        const uint64_t bytes = uint64_t{static_cast<uint32_t>(record.sampleCount)} * frameBytes;
        const uint32_t room = destinationLength - written;
        if (bytes > room) {
            // Stop before a block that does not fit; the caller hands the rest
            // again with a fresh destination.
            if (taken > 0) break;
            report("the destination cannot take a block", "");
            return false;
        }
        if (!fill(record, destination + written, room > INT32_MAX ? INT32_MAX : room)) return false;
        taken += blockSize;
        written += static_cast<uint32_t>(bytes);
    }
    if (taken == 0 && sourceLength > 0) {
        report("no whole block to convert", "");
        return false;
    }
    *sourceUsed = taken;
    *destinationUsed = written;
    return true;
}
