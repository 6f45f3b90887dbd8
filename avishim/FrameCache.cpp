#include "avishim/FrameCache.h"

#include <algorithm>
#include <new>

FrameCache::FrameCache(size_t pictureBytes, size_t maxFrames, size_t maxBytes)
    : pictureBytes_(pictureBytes) {
    const size_t byBytes = pictureBytes == 0 ? maxFrames : maxBytes / pictureBytes;
    capacity_ = std::max<size_t>(1, std::min(maxFrames, byBytes));
    slots_.reserve(capacity_);
}

const uint8_t* FrameCache::find(uint32_t frame) {
    for (Slot& slot : slots_) {
        if (slot.valid && slot.frame == frame) {
            slot.lastUse = ++clock_;
            return slot.pixels.get();
        }
    }
    return nullptr;
}

uint8_t* FrameCache::reserve() {
    reserved_ = nullptr;
    Slot* chosen = nullptr;
    for (Slot& slot : slots_) {
        if (!slot.valid) {
            chosen = &slot;
            break;
        }
        if (chosen == nullptr || slot.lastUse < chosen->lastUse) chosen = &slot;
    }
    if (slots_.size() < capacity_ && (chosen == nullptr || chosen->valid)) {
        std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[std::max<size_t>(1, pictureBytes_)]);
        if (pixels != nullptr) {
            slots_.push_back(Slot{std::move(pixels), 0, false, 0});
            chosen = &slots_.back();
        }
        // Without memory for another slot, an old one is reused.
    }
    if (chosen == nullptr) return nullptr;
    chosen->valid = false;
    reserved_ = chosen;
    return chosen->pixels.get();
}

void FrameCache::commit(uint32_t frame) {
    if (reserved_ == nullptr) return;
    // A frame decoded twice (never found in between) must not sit in two
    // slots: the older copy would outlive its turn.
    for (Slot& slot : slots_)
        if (&slot != reserved_ && slot.valid && slot.frame == frame) slot.valid = false;
    reserved_->frame = frame;
    reserved_->valid = true;
    reserved_->lastUse = ++clock_;
    reserved_ = nullptr;
}

void FrameCache::clear() {
    slots_.clear();
    reserved_ = nullptr;
}
