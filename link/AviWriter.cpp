#include "link/AviWriter.h"

#include <algorithm>

#include "link/LittleEndian.h"
#include "link/RiffBuffer.h"

namespace {

constexpr uint32_t kVideoType = fourcc("vids");
constexpr uint32_t kAudioType = fourcc("auds");
constexpr uint32_t kNoLength = 0xFFFFFFFF;

uint32_t saturate32(uint64_t value) {
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// Bytes per second a stream needs at most while playing.
uint64_t streamBytesPerSecond(const AviStreamInfo& info, uint32_t largestChunk) {
    if (info.dwScale == 0) return 0;
    uint64_t perSample = info.dwSampleSize != 0 ? info.dwSampleSize : largestChunk;
    return (perSample * info.dwRate + info.dwScale - 1) / info.dwScale;
}

}  // namespace

AviResult AviWriter::createStream(const AviStreamInfo& info, uint32_t* streamIndex) {
    if (streamIndex == nullptr) return kAviErrBadParam;
    if (finished_ || moviOffset_ != 0) return kAviErrUnsupported;
    if (info.fccType != kVideoType && info.fccType != kAudioType) return kAviErrUnsupported;
    if (streams_.size() >= kMaxStreams) return kAviErrUnsupported;
    Stream stream;
    stream.info = info;
    streams_.push_back(stream);
    *streamIndex = static_cast<uint32_t>(streams_.size() - 1);
    return kAviOk;
}

AviResult AviWriter::setFormat(uint32_t stream, int32_t position, const void* format,
                               int32_t size) {
    if (stream >= streams_.size()) return kAviErrBadHandle;
    if (format == nullptr || size <= 0 || size > kMaxFormatSize) return kAviErrBadFormat;
    // Format changes inside a stream (palettes) have no use here.
    if (finished_ || moviOffset_ != 0 || position != 0) return kAviErrUnsupported;
    auto* bytes = static_cast<const uint8_t*>(format);
    streams_[stream].format.assign(bytes, bytes + size);
    return kAviOk;
}

AviResult AviWriter::write(uint32_t stream, int32_t start, int32_t samples, const void* data,
                           int32_t bytes, uint32_t flags) {
    if (finished_) return kAviErrUnsupported;
    if (failed_) return kAviErrFileWrite;
    if (stream >= streams_.size()) return kAviErrBadHandle;
    if (samples < 0 || bytes < 0 || (bytes > 0 && data == nullptr)) return kAviErrBadParam;
    Stream& target = streams_[stream];
    bool onePerChunk = target.info.dwSampleSize == 0;
    if (onePerChunk && samples != 1) return kAviErrBadParam;
    if (start < 0 || static_cast<uint32_t>(start) != target.length) return kAviErrBadParam;
    // 0xFFFFFFFF means "length open"; a stream may never reach it.
    if (uint64_t{target.length} + static_cast<uint32_t>(samples) >= kNoLength)
        return kAviErrBadSize;

    AviResult result = beginMovi();
    if (result != kAviOk) return result;
    uint64_t chunkBytes = 8 + paddedSize(static_cast<uint32_t>(bytes));
    if (!fitsWithIndex(chunkBytes, 1)) return kAviErrFileTooLarge;

    uint32_t id;
    if (target.info.fccType == kVideoType)
        id = streamChunkId(stream, (flags & kAviKeyFrame) && bytes > 0 ? "db" : "dc");
    else
        id = streamChunkId(stream, "wb");
    AviIndexEntry entry{id, flags, static_cast<uint32_t>(end_ - (moviOffset_ + 8)),
                        static_cast<uint32_t>(bytes)};
    uint8_t header[8];
    putU32(header, id);
    putU32(header + 4, static_cast<uint32_t>(bytes));
    static const uint8_t kPad = 0;
    if ((result = append(header, 8)) != kAviOk) return result;
    if (bytes > 0 && (result = append(data, static_cast<uint32_t>(bytes))) != kAviOk) return result;
    if ((bytes & 1) && (result = append(&kPad, 1)) != kAviOk) return result;

    const size_t at = index_.size();
    index_.resize(at + kIndexEntrySize);
    encodeIndexEntry(&index_[at], entry);
    target.length += static_cast<uint32_t>(samples);
    target.largestChunk = std::max(target.largestChunk, static_cast<uint32_t>(bytes));
    return kAviOk;
}

uint8_t* AviWriter::chunkRoom(uint32_t capacity) {
    if (finished_ || failed_ || beginMovi() != kAviOk) return nullptr;
    const uint64_t chunkBytes = 8 + paddedSize(capacity);
    if (chunkBytes > 0xFFFFFFFFu) return nullptr;
    uint8_t* room = sink_.room(static_cast<uint32_t>(chunkBytes));
    return room != nullptr ? room + 8 : nullptr;
}

AviResult AviWriter::finish() {
    if (finished_) return kAviErrUnsupported;
    finished_ = true;
    AviResult result = failed_ ? kAviErrFileWrite : beginMovi();
    uint64_t moviEnd = end_;  // the list ends where the index begins
    if (result == kAviOk) result = appendIndex();
    if (result == kAviOk) {
        std::vector<AviStreamInfo> finalInfo;
        std::vector<AviStreamHeaders> view = headerView(finalInfo);
        std::vector<uint8_t> prologue =
            buildPrologue(static_cast<uint32_t>(end_ - 8), mainHeader(finalInfo), view);
        uint8_t moviSize[4];
        putU32(moviSize, static_cast<uint32_t>(moviEnd - (moviOffset_ + 8)));
        if (prologue.size() != moviOffset_ ||
            !sink_.overwrite(0, prologue.data(), static_cast<uint32_t>(prologue.size())) ||
            !sink_.overwrite(moviOffset_ + 4, moviSize, 4))
            result = kAviErrFileWrite;
    }
    if (!sink_.finish() && result == kAviOk) result = kAviErrFileWrite;
    return result;
}

uint32_t AviWriter::streamLength(uint32_t stream) const {
    return stream < streams_.size() ? streams_[stream].length : 0;
}

AviResult AviWriter::beginMovi() {
    if (moviOffset_ != 0) return kAviOk;
    std::vector<AviStreamInfo> finalInfo;
    std::vector<AviStreamHeaders> view = headerView(finalInfo);
    uint64_t offset = moviListOffset(view);
    if (offset + 12 + 8 > kMaxFileSize) return kAviErrFileTooLarge;
    // Provisional headers; finish() writes the final ones over them.
    std::vector<uint8_t> prologue = buildPrologue(0, mainHeader(finalInfo), view);
    uint8_t moviHeader[12];
    putU32(moviHeader, fourcc("LIST"));
    putU32(moviHeader + 4, 4);
    putU32(moviHeader + 8, fourcc("movi"));
    AviResult result = append(prologue.data(), static_cast<uint32_t>(prologue.size()));
    if (result == kAviOk) result = append(moviHeader, sizeof moviHeader);
    if (result == kAviOk) moviOffset_ = offset;
    return result;
}

AviResult AviWriter::append(const void* data, uint32_t size) {
    if (!sink_.append(data, size)) {
        failed_ = true;
        return kAviErrFileWrite;
    }
    end_ += size;
    return kAviOk;
}

AviResult AviWriter::appendIndex() {
    uint8_t header[8];
    putU32(header, fourcc("idx1"));
    putU32(header + 4, static_cast<uint32_t>(index_.size()));
    AviResult result = append(header, sizeof header);
    if (result == kAviOk && !index_.empty())
        result = append(index_.data(), static_cast<uint32_t>(index_.size()));
    return result;
}

// True when `moreBytes` of chunks and their `moreEntries` index entries still
// leave room for the whole index below the size limit.
bool AviWriter::fitsWithIndex(uint64_t moreBytes, uint64_t moreEntries) const {
    uint64_t indexBytes = 8 + index_.size() + kIndexEntrySize * moreEntries;
    return end_ + moreBytes + indexBytes <= kMaxFileSize;
}

std::vector<AviStreamHeaders> AviWriter::headerView(std::vector<AviStreamInfo>& finalInfo) const {
    finalInfo.clear();
    finalInfo.reserve(streams_.size());
    std::vector<AviStreamHeaders> view;
    for (const Stream& stream : streams_) {
        AviStreamInfo info = stream.info;
        info.dwLength = stream.length;
        info.dwSuggestedBufferSize = std::max(info.dwSuggestedBufferSize, stream.largestChunk);
        finalInfo.push_back(info);
    }
    for (size_t i = 0; i < streams_.size(); ++i)
        view.push_back(AviStreamHeaders{&finalInfo[i], &streams_[i].format});
    return view;
}

AviMainHeader AviWriter::mainHeader(const std::vector<AviStreamInfo>& finalInfo) const {
    AviMainHeader main{};
    main.dwFlags = kAvifHasIndex;
    main.dwStreams = static_cast<uint32_t>(finalInfo.size());
    uint64_t bytesPerSecond = 0;
    bool videoSeen = false;
    for (size_t i = 0; i < finalInfo.size(); ++i) {
        const AviStreamInfo& info = finalInfo[i];
        bytesPerSecond += streamBytesPerSecond(info, streams_[i].largestChunk);
        main.dwSuggestedBufferSize = std::max(main.dwSuggestedBufferSize, info.dwSuggestedBufferSize);
        if (info.fccType != kVideoType || videoSeen) continue;
        videoSeen = true;
        if (info.dwRate != 0)
            main.dwMicroSecPerFrame =
                saturate32((uint64_t{1000000} * info.dwScale + info.dwRate / 2) / info.dwRate);
        main.dwTotalFrames = info.dwLength;
        main.dwWidth = static_cast<uint32_t>(std::max<int64_t>(0, int64_t{info.rcRight} - info.rcLeft));
        main.dwHeight = static_cast<uint32_t>(std::max<int64_t>(0, int64_t{info.rcBottom} - info.rcTop));
    }
    main.dwMaxBytesPerSec = saturate32(bytesPerSecond);
    return main;
}
