#include "avishim/LinkedSource.h"

#include <algorithm>
#include <new>

#include "avishim/PictureLayout.h"
#include "source/AVIReader.h"
#include "source/FormatCode.h"

namespace {

// A link may name another link as its source (opening it brings this codec
// in again, on the same thread); a link that names itself, or two that name
// each other, would do so without end. A few levels are plenty for real
// chains.
constexpr int kMaxNestedSources = 4;
thread_local int sourcesBeingOpened = 0;

struct NestingGuard {
    NestingGuard() { ++sourcesBeingOpened; }
    ~NestingGuard() { --sourcesBeingOpened; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

// Room for one picture as the reader hands it over. A stored or decoded
// picture may claim a few bytes more than its rows need (padding); a claim
// far beyond that is not believed.
size_t bufferBytesFor(const BITMAPINFOHEADER& delivered, size_t rowsNeed) {
    const size_t claimed = delivered.biSizeImage;
    if (claimed > rowsNeed && claimed <= rowsNeed + rowsNeed / 2) return claimed;
    return rowsNeed;
}

}  // namespace

std::unique_ptr<LinkedSource> LinkedSource::open(const VideoLink& link, const char** reason) {
    const char* ignored = nullptr;
    if (reason == nullptr) reason = &ignored;
    if (sourcesBeingOpened >= kMaxNestedSources) {
        *reason = "links name each other too deeply (a link naming itself?)";
        return nullptr;
    }
    const NestingGuard nesting;
    std::unique_ptr<AVIReader> reader(new (std::nothrow) AVIReader);
    if (reader == nullptr) {
        *reason = "out of memory";
        return nullptr;
    }
    // Only the pictures are wanted: audio set-up would cost time and could
    // ask the user questions.
    if (!reader->openWithFormat(link.sourcePath, false, true, kCallerName, link.formatCode) ||
        !reader->videoOpened) {
        *reason = "the source cannot be opened in the linked pixel format";
        return nullptr;
    }
    if (reader->videoFormat != link.formatCode) {
        *reason = "the source delivers another pixel format";
        return nullptr;
    }
    if (reader->width != link.width || reader->height != link.height) {
        *reason = "the source's picture size differs from the link's";
        return nullptr;
    }
    if (reader->nrFrames < 1) {
        *reason = "the source has no frames";
        return nullptr;
    }
    const BITMAPINFOHEADER& delivered = reader->deliveredHeader();
    const bool topDown = delivered.biHeight < 0;
    const size_t rowsNeed = pictureBytes(link.formatCode, link.width, link.height);
    if (rowsNeed == 0) {
        *reason = "the picture size is out of range";
        return nullptr;
    }
    std::unique_ptr<LinkedSource> source(
        new (std::nothrow) LinkedSource(std::move(reader), link.formatCode, link.width,
                                        link.height, topDown, bufferBytesFor(delivered, rowsNeed)));
    if (source == nullptr) *reason = "out of memory";
    return source;
}

LinkedSource::LinkedSource(std::unique_ptr<AVIReader> reader, int32_t format, int32_t width,
                           int32_t height, bool topDown, size_t bufferBytes)
    : reader_(std::move(reader)),
      format_(format),
      width_(width),
      height_(height),
      frameCount_(reader_->nrFrames),
      topDown_(topDown),
      cache_(bufferBytes) {}

LinkedSource::~LinkedSource() = default;

ConstPicturePlanes LinkedSource::planesOf(const uint8_t* picture) const {
    return asConst(layOutPicture(const_cast<uint8_t*>(picture), format_, width_, height_, topDown_));
}

const uint8_t* LinkedSource::picture(uint32_t frame) {
    // Links made from a source that has since become shorter, or records
    // that name frames past the end, show the last frame.
    if (frame >= static_cast<uint32_t>(frameCount_)) frame = static_cast<uint32_t>(frameCount_ - 1);
    if (const uint8_t* cached = cache_.find(frame)) return cached;
    uint8_t* slot = cache_.reserve();
    if (slot == nullptr) return nullptr;
    const size_t bytes = std::min<size_t>(cache_.pictureBytes(), INT32_MAX);
    if (!reader_->readVideoFrame(frame, slot, static_cast<int32_t>(bytes))) return nullptr;
    cache_.commit(frame);
    return slot;
}
