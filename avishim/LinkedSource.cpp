#include "avishim/LinkedSource.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "avishim/PictureLayout.h"
#include "source/AVIReader.h"
#include "source/FormatCode.h"

// One source opened for pictures, shared by every link that names it in the
// same pixel format (two such readers would deliver the very same frames).
// It is closed when the last of those links lets it go, and its pictures
// leave the cache with it.
struct SourceVideo {
    ~SourceVideo() { FrameCache::shared().forget(owner); }

    // A reader serves one call at a time; links may be decoded on several
    // threads at once.
    std::mutex readLock;
    std::unique_ptr<AVIReader> reader;
    uint64_t owner = 0;  // its pictures' key in the cache
    int32_t format = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 0;
    bool topDown = false;
    size_t pictureBytes = 0;
    size_t bufferBytes = 0;

    bool read(uint32_t frame, uint8_t* into) {
        std::lock_guard<std::mutex> lock(readLock);
        return reader->readVideoFrame(frame, into, static_cast<int32_t>(bufferBytes));
    }
};

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

// What makes two readers interchangeable: the file, and the format asked of
// it. The source's path is used here and in openSourceVideo only.
using SourceKey = std::pair<std::string, int32_t>;
SourceKey sourceKeyOf(const VideoLink& link) { return {link.sourcePath, link.formatCode}; }

std::shared_ptr<SourceVideo> openSourceVideo(const VideoLink& link, const char** reason) {
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
    const size_t rowsNeed = pictureBytes(link.formatCode, reader->width, reader->height);
    if (rowsNeed == 0) {
        *reason = "the source's picture size is out of range";
        return nullptr;
    }
    std::shared_ptr<SourceVideo> source(new (std::nothrow) SourceVideo);
    if (source == nullptr) {
        *reason = "out of memory";
        return nullptr;
    }
    const BITMAPINFOHEADER& delivered = reader->deliveredHeader();
    source->format = link.formatCode;
    source->width = reader->width;
    source->height = reader->height;
    source->frames = reader->nrFrames;
    source->topDown = delivered.biHeight < 0;
    source->pictureBytes = rowsNeed;
    source->bufferBytes = bufferBytesFor(delivered, rowsNeed);
    source->owner = FrameCache::shared().newOwner();
    source->reader = std::move(reader);
    return source;
}

// Never destroyed, like the frame cache. The lock is never held while a
// source is opened or closed: either may bring this codec in again for a
// source that is itself a link.
std::mutex& registryLock() {
    static std::mutex* const lock = new std::mutex;
    return *lock;
}
std::map<SourceKey, std::weak_ptr<SourceVideo>>& registry() {
    static auto* const sources = new std::map<SourceKey, std::weak_ptr<SourceVideo>>;
    return *sources;
}

// The open source for `link`, shared when one is open already. A shared one
// that has fewer frames than this link (the file grew after it was opened)
// is not used: a fresh look at the file decides.
std::shared_ptr<SourceVideo> acquireSourceVideo(const VideoLink& link, const char** reason) {
    const SourceKey key = sourceKeyOf(link);
    std::shared_ptr<SourceVideo> shared;
    {
        std::lock_guard<std::mutex> lock(registryLock());
        const auto found = registry().find(key);
        if (found != registry().end()) shared = found->second.lock();
    }
    if (shared != nullptr && shared->frames >= link.nrFrames) return shared;
    shared.reset();

    std::shared_ptr<SourceVideo> opened = openSourceVideo(link, reason);
    if (opened == nullptr) return nullptr;
    {
        std::lock_guard<std::mutex> lock(registryLock());
        auto& sources = registry();
        for (auto entry = sources.begin(); entry != sources.end();) {
            if (entry->second.expired())
                entry = sources.erase(entry);
            else
                ++entry;
        }
        std::weak_ptr<SourceVideo>& slot = sources[key];
        // Another thread may have opened the same source meanwhile.
        shared = slot.lock();
        if (shared == nullptr || shared->frames < opened->frames) slot = opened;
    }
    if (shared != nullptr && shared->frames >= opened->frames) return shared;  // ours closes here
    return opened;
}

}  // namespace

std::unique_ptr<LinkedSource> LinkedSource::open(const VideoLink& link, const char** reason) {
    const char* ignored = nullptr;
    if (reason == nullptr) reason = &ignored;
    if (link.nrFrames < 1) {
        *reason = "the link names no frames";
        return nullptr;
    }
    if (sourcesBeingOpened >= kMaxNestedSources) {
        *reason = "links name each other too deeply (a link naming itself?)";
        return nullptr;
    }
    const NestingGuard nesting;
    std::shared_ptr<SourceVideo> source = acquireSourceVideo(link, reason);
    if (source == nullptr) return nullptr;
    if (source->width != link.width || source->height != link.height) {
        *reason = "the source's picture size differs from the link's";
        return nullptr;
    }
    // A source cut short since the link was made would have to make up the
    // frames it lost.
    if (source->frames < link.nrFrames) {
        *reason = "the source has fewer frames than the link";
        return nullptr;
    }
    std::unique_ptr<LinkedSource> linked(new (std::nothrow) LinkedSource(std::move(source), link.nrFrames));
    if (linked == nullptr) *reason = "out of memory";
    return linked;
}

LinkedSource::LinkedSource(std::shared_ptr<SourceVideo> source, int32_t linkFrames)
    : source_(std::move(source)),
      format_(source_->format),
      width_(source_->width),
      height_(source_->height),
      linkFrames_(linkFrames),
      topDown_(source_->topDown),
      pictureBytes_(source_->pictureBytes),
      bufferBytes_(source_->bufferBytes) {}

LinkedSource::~LinkedSource() = default;

ConstPicturePlanes LinkedSource::planesOf(const uint8_t* picture) const {
    return asConst(layOutPicture(const_cast<uint8_t*>(picture), format_, width_, height_, topDown_));
}

bool LinkedSource::scrubbing(uint32_t frame) {
    if (asked_ && frame <= previous_)
        sinceStepBack_ = 0;
    else if (sinceStepBack_ < kScrubbingRequests)
        ++sinceStepBack_;
    asked_ = true;
    previous_ = frame;
    return sinceStepBack_ < kScrubbingRequests;
}

LinkedSource::Fetch LinkedSource::picture(uint32_t frame, FrameCache::Picture* out) {
    return fetch(frame, out, scrubbing(frame));
}

LinkedSource::Fetch LinkedSource::fetch(uint32_t frame, FrameCache::Picture* out, bool keep) {
    if (frame >= static_cast<uint32_t>(linkFrames_)) return Fetch::outsideLink;
    FrameCache& cache = FrameCache::shared();
    if (FrameCache::Picture cached = cache.find(source_->owner, frame)) {
        *out = std::move(cached);
        return Fetch::ok;
    }
    FrameCache::Picture slot = cache.reserve(bufferBytes_);
    if (slot == nullptr || !source_->read(frame, slot.get())) return Fetch::unreadable;
    cache.commit(source_->owner, frame, slot, bufferBytes_, !keep);
    *out = std::move(slot);
    return Fetch::ok;
}

bool LinkedSource::deliversInto(int32_t format, bool topDown, size_t room) const {
    if (format != format_ || room < bufferBytes_) return false;
    const bool rgb = format == kFormatRGB24 || format == kFormatRGB32;
    return !rgb || topDown == topDown_;
}

LinkedSource::Fetch LinkedSource::copyInto(uint32_t frame, uint8_t* pixels) {
    if (frame >= static_cast<uint32_t>(linkFrames_)) return Fetch::outsideLink;
    FrameCache::Picture cached;
    if (scrubbing(frame)) {
        const Fetch fetched = fetch(frame, &cached, true);
        if (fetched != Fetch::ok) return fetched;
    } else {
        cached = FrameCache::shared().find(source_->owner, frame);
    }
    if (cached != nullptr) {
        std::memcpy(pixels, cached.get(), pictureBytes_);
        return Fetch::ok;
    }
    return source_->read(frame, pixels) ? Fetch::ok : Fetch::unreadable;
}
