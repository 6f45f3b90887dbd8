#include "avishim/FrameCache.h"

#include <new>

FrameCache::FrameCache(size_t budgetBytes) : budget_(budgetBytes) {}

size_t FrameCache::budgetForPointerBytes(size_t pointerBytes) {
    // 64 MB still holds a few seconds of SD scrubbing or eight HD pictures,
    // and leaves a 32-bit editor its address space for the clips themselves.
    return pointerBytes <= 4 ? size_t{64} << 20 : size_t{256} << 20;
}

FrameCache& FrameCache::shared() {
    // Never destroyed: a decompressor may still be closed after the
    // library's static objects have gone, at process exit.
    static FrameCache* const cache = new FrameCache(budgetForPointerBytes(sizeof(void*)));
    return *cache;
}

uint64_t FrameCache::newOwner() {
    std::lock_guard<std::mutex> lock(mutex_);
    return nextOwner_++;
}

FrameCache::Picture FrameCache::find(uint64_t owner, uint32_t frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = index_.find(Key{owner, frame});
    if (found == index_.end()) return nullptr;
    found->second->inPassing = false;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->picture;
}

void FrameCache::drop(Order::iterator entry) {
    held_ -= entry->bytes;
    index_.erase(entry->key);
    order_.erase(entry);
}

FrameCache::Picture FrameCache::dropOldest(size_t reuseBytes) {
    const Order::iterator oldest = std::prev(order_.end());
    Picture picture;
    // Only the cache holds it: nobody can reach it once it is out of the
    // index, so its memory can serve the next decode without a new
    // allocation (whose fresh pages the system would have to fault in).
    if (oldest->bytes == reuseBytes && oldest->picture.use_count() == 1)
        picture = std::move(oldest->picture);
    drop(oldest);
    return picture;
}

FrameCache::Picture FrameCache::reserve(size_t bytes) {
    if (bytes == 0) bytes = 1;
    Picture reused;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!order_.empty() && order_.back().inPassing) reused = dropOldest(bytes);
        while (!order_.empty() && held_ + bytes > budget_) {
            Picture candidate = dropOldest(bytes);
            if (reused == nullptr) reused = std::move(candidate);
        }
    }
    if (reused != nullptr) return reused;
    uint8_t* fresh = new (std::nothrow) uint8_t[bytes];
    if (fresh == nullptr) return nullptr;
    return Picture(fresh);
}

void FrameCache::commit(uint64_t owner, uint32_t frame, Picture picture, size_t bytes,
                        bool inPassing) {
    if (picture == nullptr || bytes > budget_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const Key key{owner, frame};
    const auto found = index_.find(key);
    if (found != index_.end()) drop(found->second);
    // Other decoders may have committed since this one reserved.
    while (!order_.empty() && held_ + bytes > budget_) dropOldest(0);
    const auto placed = inPassing ? order_.end() : order_.begin();
    index_[key] = order_.insert(placed, Entry{key, std::move(picture), bytes, inPassing});
    held_ += bytes;
}

void FrameCache::forget(uint64_t owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto entry = order_.begin(); entry != order_.end();) {
        const auto next = std::next(entry);
        if (entry->key.owner == owner) drop(entry);
        entry = next;
    }
}

void FrameCache::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    index_.clear();
    order_.clear();
    held_ = 0;
}

size_t FrameCache::bytesHeld() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

size_t FrameCache::picturesHeld() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return order_.size();
}
