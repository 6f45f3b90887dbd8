#pragma once
#include <cstdint>

// Where the AVI writer's bytes go. The writer appends in order and, when it
// finishes, goes back to patch the sizes and headers it could not know before.
// Every operation reports failure (disk full, device gone) instead of throwing.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends at the end of what was written so far.
    virtual bool append(const void* data, uint32_t size) = 0;
    // Overwrites bytes already written; the end of the data stays where it was.
    virtual bool overwrite(uint64_t offset, const void* data, uint32_t size) = 0;
    // Makes everything durable and releases the destination.
    virtual bool finish() = 0;
};
