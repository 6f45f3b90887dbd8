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
    // The sink's own memory where the next `size` appended bytes will be
    // kept, so that a caller can build them in place: appending bytes from
    // the very place they would be copied to costs no copy. Valid as long as
    // the appends that follow stay within it. Null when the sink has no
    // such room; the caller then appends from its own memory.
    virtual uint8_t* room(uint32_t /*size*/) { return nullptr; }
};
