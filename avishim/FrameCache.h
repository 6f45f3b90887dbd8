#pragma once
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

// Decoded pictures kept for reuse. Editors step back and forth over the same
// frames, and a picture still here costs a copy instead of a decode; but an
// editor also keeps every clip of its project open, so the pictures of all
// open links share one budget, the least recently used going first. Every
// decompressor of the process may call in from its own thread.
class FrameCache {
public:
    // A picture's bytes. The cache never writes to a picture once committed,
    // and a picture handed out stays valid while its holder keeps it, even
    // if the cache has let it go meanwhile.
    using Picture = std::shared_ptr<uint8_t[]>;

    explicit FrameCache(size_t budgetBytes);
    FrameCache(const FrameCache&) = delete;
    FrameCache& operator=(const FrameCache&) = delete;

    // The budget for a process whose pointers have `pointerBytes` bytes: a
    // 32-bit editor has 2 GB for everything, a 64-bit one room to spare.
    static size_t budgetForPointerBytes(size_t pointerBytes);
    // The cache every link of this process shares.
    static FrameCache& shared();

    // A number under which one source's pictures are kept, new on each call.
    uint64_t newOwner();

    // The picture of `owner`'s `frame`, or null. A hit becomes the most
    // recently used.
    Picture find(uint64_t owner, uint32_t frame);

    // Room for a picture of `bytes` to decode into: the least recently used
    // pictures make way first when the budget is spent, and one of the same
    // size that nobody holds is reused rather than freed. Null when memory
    // runs out. A reserved picture is nobody's until committed.
    Picture reserve(size_t bytes);
    // Keeps `picture` (of `bytes`) as `owner`'s `frame`, replacing any
    // earlier one. A picture larger than the whole budget is not kept.
    // A picture `inPassing` (decoded during playback, unlikely to be asked
    // for again) comes last in line: the next reserve of its size reuses it
    // even while the budget lasts, so playing a clip does not fill the
    // budget with fresh memory, unless it is found again first.
    void commit(uint64_t owner, uint32_t frame, Picture picture, size_t bytes,
                bool inPassing = false);

    // Lets go of every picture of `owner` (its source was closed).
    void forget(uint64_t owner);
    void clear();

    size_t budget() const { return budget_; }
    size_t bytesHeld() const;
    size_t picturesHeld() const;

private:
    struct Key {
        uint64_t owner;
        uint32_t frame;
        bool operator==(const Key& other) const {
            return owner == other.owner && frame == other.frame;
        }
    };
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return std::hash<uint64_t>()(key.owner * 0x9E3779B97F4A7C15ull ^ key.frame);
        }
    };
    struct Entry {
        Key key;
        Picture picture;
        size_t bytes;
        bool inPassing;
    };
    using Order = std::list<Entry>;  // most recently used first

    // Drops the least recently used picture; hands it back when it may be
    // reused for `reuseBytes`. Caller holds the lock.
    Picture dropOldest(size_t reuseBytes);
    void drop(Order::iterator entry);

    const size_t budget_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_map<Key, Order::iterator, KeyHash> index_;
    size_t held_ = 0;
    uint64_t nextOwner_ = 1;
};
