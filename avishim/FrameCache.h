#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The last few decoded pictures of one source. Editors step back and forth
// over the same frames; a picture still here costs a copy instead of a
// decode. Slots are made only when first needed.
class FrameCache {
public:
    static constexpr size_t kDefaultFrames = 8;
    static constexpr size_t kDefaultBytes = size_t{64} << 20;

    // Holds at most `maxFrames` pictures and `maxBytes` bytes of them, but
    // always at least one picture (the one being decoded lives here too).
    explicit FrameCache(size_t pictureBytes, size_t maxFrames = kDefaultFrames,
                        size_t maxBytes = kDefaultBytes);

    size_t capacity() const { return capacity_; }
    size_t pictureBytes() const { return pictureBytes_; }

    // The picture of `frame`, or null. A hit becomes the most recently used.
    const uint8_t* find(uint32_t frame);

    // A slot to decode into: a free one, else the least recently used one,
    // whose picture is forgotten. Null when memory runs out. Fill it, then
    // call commit() with its frame number; a slot never committed stays free.
    uint8_t* reserve();
    void commit(uint32_t frame);

    void clear();

private:
    struct Slot {
        std::unique_ptr<uint8_t[]> pixels;
        uint32_t frame = 0;
        bool valid = false;
        uint64_t lastUse = 0;
    };
    size_t pictureBytes_;
    size_t capacity_;
    std::vector<Slot> slots_;
    Slot* reserved_ = nullptr;
    uint64_t clock_ = 0;
};
