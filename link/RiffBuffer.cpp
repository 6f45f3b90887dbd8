#include "link/RiffBuffer.h"

#include "link/LittleEndian.h"

size_t RiffBuffer::beginList(uint32_t listId, uint32_t listType) {
    size_t mark = bytes_.size();
    appendU32(listId);
    appendU32(0);  // size, filled in by endList
    appendU32(listType);
    return mark;
}

void RiffBuffer::endList(size_t mark) {
    putU32(bytes_.data() + mark + 4, static_cast<uint32_t>(bytes_.size() - mark - 8));
}

void RiffBuffer::chunk(uint32_t id, const void* data, uint32_t size) {
    appendU32(id);
    appendU32(size);
    auto* from = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), from, from + size);
    if (size & 1) bytes_.push_back(0);
}

void RiffBuffer::junkUpTo(size_t total) {
    size_t payload = total - bytes_.size() - 8;
    appendU32(fourcc("JUNK"));
    appendU32(static_cast<uint32_t>(payload));
    bytes_.resize(total, 0);
}

void RiffBuffer::appendU32(uint32_t value) {
    uint8_t le[4];
    putU32(le, value);
    bytes_.insert(bytes_.end(), le, le + 4);
}
