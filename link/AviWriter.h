#pragma once
#include <cstdint>
#include <vector>

#include "link/AviHeaders.h"
#include "link/AviResult.h"
#include "link/AviStreamInfo.h"
#include "link/ByteSink.h"

// Writes one AVI 1.0 file into a ByteSink, with the semantics of the system's
// AVIFile writer for what the link writer needs: streams are declared first,
// then chunks are written at stream positions and streamed straight out; only
// the index stays in memory. finish() writes the index and the final headers.
class AviWriter {
public:
    // An AVI 1.0 file addresses everything with 32-bit sizes that readers
    // treat as signed.
    static constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;
    static constexpr uint32_t kMaxStreams = 100;      // two decimal digits in chunk ids
    static constexpr int32_t kMaxFormatSize = 65536;

    explicit AviWriter(ByteSink& sink) : sink_(sink) {}
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Streams of type "vids" and "auds", before the first write only.
    AviResult createStream(const AviStreamInfo& info, uint32_t* streamIndex);
    // The `strf` payload, stored as given; position 0 before the first write.
    AviResult setFormat(uint32_t stream, int32_t position, const void* format, int32_t size);
    // One chunk. `start` must be the stream's current length: a stream whose
    // dwSampleSize is 0 takes one sample per chunk; any other stream grows by
    // `samples`, which may be 0.
    AviResult write(uint32_t stream, int32_t start, int32_t samples, const void* data,
                    int32_t bytes, uint32_t flags);
    // Memory inside the sink for the payload of the next chunk, of up to
    // `capacity` bytes, once the streams are declared: data built there and
    // passed to write() is not copied again. Null when the sink has none; the
    // caller then builds the payload in its own memory.
    uint8_t* chunkRoom(uint32_t capacity);
    // Writes the index and the final headers and finishes the sink. Once only.
    AviResult finish();

    uint32_t streamCount() const { return static_cast<uint32_t>(streams_.size()); }
    uint32_t streamLength(uint32_t stream) const;
    uint64_t bytesWritten() const { return end_; }

private:
    struct Stream {
        AviStreamInfo info;
        std::vector<uint8_t> format;
        uint32_t length = 0;
        uint32_t largestChunk = 0;
    };

    AviResult beginMovi();
    AviResult append(const void* data, uint32_t size);
    AviResult appendIndex();
    bool fitsWithIndex(uint64_t moreBytes, uint64_t moreEntries) const;
    std::vector<AviStreamHeaders> headerView(std::vector<AviStreamInfo>& finalInfo) const;
    AviMainHeader mainHeader(const std::vector<AviStreamInfo>& finalInfo) const;

    ByteSink& sink_;
    std::vector<Stream> streams_;
    std::vector<uint8_t> index_;  // the `idx1` entries as they go to the file
    uint64_t moviOffset_ = 0;  // where the `movi` list starts; 0 until the first write
    uint64_t end_ = 0;         // bytes appended to the sink so far
    bool failed_ = false;      // the sink failed: the file's content is unknown
    bool finished_ = false;
};
