#include "source/PcmReadAhead.h"

#include <cstdlib>
#include <cstring>

namespace {

// A bound for absurd rates and frame sizes; 192 kHz of eight 24-bit channels
// still get nearly a second.
constexpr int64_t kMostBytes = 4 * 1024 * 1024;

}  // namespace

PcmReadAhead::~PcmReadAhead() { release(); }

bool PcmReadAhead::allocate(int32_t frameBytes, uint32_t framesPerSecond, int32_t leastBytes) {
    release();
    if (frameBytes <= 0 || frameBytes > kMostBytes) return true;
    int64_t bytes = static_cast<int64_t>(framesPerSecond) * frameBytes;
    if (bytes < leastBytes) bytes = leastBytes;
    if (bytes > kMostBytes) bytes = kMostBytes;
    const int64_t frames = bytes / frameBytes;
    data_ = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(frames * frameBytes)));
    if (data_ == nullptr) return false;
    frameBytes_ = frameBytes;
    capacity_ = static_cast<int32_t>(frames);
    return true;
}

void PcmReadAhead::release() {
    std::free(data_);
    data_ = nullptr;
    frameBytes_ = capacity_ = first_ = held_ = 0;
}

int32_t PcmReadAhead::heldFrom(int32_t position) const {
    const int64_t end = static_cast<int64_t>(first_) + held_;
    if (position < first_ || position >= end) return 0;
    return static_cast<int32_t>(end - position);
}

void PcmReadAhead::copy(int32_t position, int32_t count, unsigned char* out) const {
    std::memcpy(out, data_ + static_cast<size_t>(position - first_) * frameBytes_,
                static_cast<size_t>(count) * frameBytes_);
}

unsigned char* PcmReadAhead::beginRefill(int32_t position) {
    first_ = position;
    held_ = 0;
    return data_;
}

void PcmReadAhead::finishRefill(int32_t frames) {
    held_ = frames < 0 ? 0 : frames > capacity_ ? capacity_ : frames;
}
