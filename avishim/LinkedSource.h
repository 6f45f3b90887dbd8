#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "avishim/FrameCache.h"
#include "avishim/PixelConversions.h"
#include "link/VideoLinkParser.h"

struct SourceVideo;

// The source a link names, opened with the program's own reader and asked
// for the pixel format recorded in the link, so the frames are the ones the
// program saw when it made the link. Links that name the same source in the
// same format share one reader, and their pictures live in the process's one
// frame cache.
class LinkedSource {
public:
    // Null when the source cannot be opened or no longer matches the link
    // (another picture size, fewer frames than the link names); `reason`
    // then says why.
    static std::unique_ptr<LinkedSource> open(const VideoLink& link, const char** reason);
    ~LinkedSource();
    LinkedSource(const LinkedSource&) = delete;
    LinkedSource& operator=(const LinkedSource&) = delete;

    enum class Fetch { ok, outsideLink, unreadable };

    int32_t format() const { return format_; }
    // Frames the link names; the source may have more.
    int32_t frameCount() const { return linkFrames_; }

    // Source frame `frame` as the source lays it out, from the cache or read
    // into it (for good while the user scrubs, else in passing). A frame the
    // link does not have is never substituted.
    Fetch picture(uint32_t frame, FrameCache::Picture* out);
    ConstPicturePlanes planesOf(const uint8_t* picture) const;

    // Whether an output picture in `format`, top-down or not, with `room`
    // bytes, is laid out exactly as the source delivers its frames.
    bool deliversInto(int32_t format, bool topDown, size_t room) const;
    // Puts `frame` into such an output: a cached picture is copied; during
    // playback any other is read straight into it, but while the user
    // scrubs it goes through the cache, as it will soon be asked for again.
    Fetch copyInto(uint32_t frame, uint8_t* pixels);

private:
    LinkedSource(std::shared_ptr<SourceVideo> source, int32_t linkFrames);
    // Notes a request; true while the requests step back or repeat.
    bool scrubbing(uint32_t frame);
    // A picture read for playback is kept only in passing (FrameCache).
    Fetch fetch(uint32_t frame, FrameCache::Picture* out, bool keep);

    std::shared_ptr<SourceVideo> source_;
    int32_t format_;
    int32_t width_;
    int32_t height_;
    int32_t linkFrames_;
    bool topDown_;
    size_t pictureBytes_;
    size_t bufferBytes_;

    // Playback only goes forward; a step back or a repeat within the last
    // few requests means the user is scrubbing.
    static constexpr uint32_t kScrubbingRequests = 16;
    bool asked_ = false;
    uint32_t previous_ = 0;
    uint32_t sinceStepBack_ = kScrubbingRequests;
};
