#pragma once
#include <cstdint>
#include <memory>

#include "avishim/FrameCache.h"
#include "avishim/PixelConversions.h"
#include "link/VideoLinkParser.h"

class AVIReader;

// The source a link names, opened with the program's own reader and asked
// for the pixel format recorded in the link, so the frames are the ones the
// program saw when it made the link. Decoded pictures stay in a small cache.
class LinkedSource {
public:
    // Null when the source cannot be opened or no longer matches the link
    // (another picture size, no frames); `reason` then says why.
    static std::unique_ptr<LinkedSource> open(const VideoLink& link, const char** reason);
    ~LinkedSource();
    LinkedSource(const LinkedSource&) = delete;
    LinkedSource& operator=(const LinkedSource&) = delete;

    int32_t format() const { return format_; }
    int32_t frameCount() const { return frameCount_; }
    // The planes of a picture held by the cache (valid until the next call).
    ConstPicturePlanes planesOf(const uint8_t* picture) const;

    // Source frame `frame`, or the last one for a number past the end; null
    // when it cannot be read.
    const uint8_t* picture(uint32_t frame);

private:
    LinkedSource(std::unique_ptr<AVIReader> reader, int32_t format, int32_t width, int32_t height,
                 bool topDown, size_t bufferBytes);

    std::unique_ptr<AVIReader> reader_;
    int32_t format_;
    int32_t width_;
    int32_t height_;
    int32_t frameCount_;
    bool topDown_;
    FrameCache cache_;
};
