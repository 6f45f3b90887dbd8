#pragma once
#include <cstdint>

// A window of a PCM stream, read from the platform in one large piece and
// served from memory. AVIFile finds the position of every audio read by
// walking the stream's index from its first entry, so a read costs more the
// later it starts; reading a frame period at a time makes a whole link cost
// the square of its length. With the window, sequential requests of any size
// cost one platform read per window.
//
// The window only keeps bytes; the reader decides what to read into it.
class PcmReadAhead {
public:
    PcmReadAhead() = default;
    ~PcmReadAhead();
    PcmReadAhead(const PcmReadAhead&) = delete;
    PcmReadAhead& operator=(const PcmReadAhead&) = delete;

    // Room for a second of audio or `leastBytes`, whichever is larger (but
    // at most 4 MiB), in whole frames. False only when the memory cannot be
    // had. A frame without bytes or larger than the window leaves it unready,
    // and such streams are read as asked.
    static constexpr int32_t kDefaultLeastBytes = 256 * 1024;
    bool allocate(int32_t frameBytes, uint32_t framesPerSecond,
                  int32_t leastBytes = kDefaultLeastBytes);
    void release();

    bool ready() const { return data_ != nullptr; }
    int32_t frameBytes() const { return frameBytes_; }
    int32_t capacity() const { return capacity_; }

    // Frames held from `position` onward; 0 when the window does not hold it.
    int32_t heldFrom(int32_t position) const;
    // Copies `count` frames from `position` onward; heldFrom(position) must
    // be at least `count`.
    void copy(int32_t position, int32_t count, unsigned char* out) const;

    // Empties the window and hands out its room (capacity() frames) for
    // frames read from `position` onward; finishRefill says how many arrived.
    unsigned char* beginRefill(int32_t position);
    void finishRefill(int32_t frames);
    void forget() { held_ = 0; }

private:
    unsigned char* data_ = nullptr;
    int32_t frameBytes_ = 0;
    int32_t capacity_ = 0;
    int32_t first_ = 0;
    int32_t held_ = 0;
};
