#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// RIFF chunk sizes count the payload only; the chunk itself then takes an even
// number of bytes.
constexpr uint64_t paddedSize(uint64_t size) { return size + (size & 1); }

// Builds RIFF chunks and lists in memory (the header area of an AVI file).
// Lists are opened and closed like brackets; closing one fills in its size.
class RiffBuffer {
public:
    // Starts a list ("RIFF" or "LIST" with a form or list type) and returns a
    // mark for endList.
    size_t beginList(uint32_t listId, uint32_t listType);
    void endList(size_t mark);
    // A complete chunk, padded to even size with a zero byte.
    void chunk(uint32_t id, const void* data, uint32_t size);
    // Zero bytes up to the absolute size `total`, as a JUNK chunk; `total` must
    // leave room for the chunk's own 8-byte header.
    void junkUpTo(size_t total);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    void appendU32(uint32_t value);

    std::vector<uint8_t> bytes_;
};
