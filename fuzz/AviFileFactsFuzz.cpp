// Any bytes as the file the reader looks into before AVIFile opens it. The
// look must end with work linear in the file's size and read only inside it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "source/AviFileFacts.h"

namespace {

class MemoryFile : public avi::ByteSource {
public:
    MemoryFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* data, uint32_t length) override {
        ++reads_;
        if (offset > size_ || length > size_ - offset) return false;
        std::memcpy(data, data_ + offset, length);
        return true;
    }
    uint64_t reads() const { return reads_; }

private:
    const uint8_t* data_;
    size_t size_;
    uint64_t reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryFile file(data, size);
    avi::AviFileFacts facts;
    const bool isAvi = avi::inspectAviChunks(file, &facts);
    FUZZ_CHECK(isAvi == facts.isAvi);
    FUZZ_CHECK(isAvi || (!facts.hasAudio && !facts.hasLegacyIndex && !facts.hasOpenDmlIndex &&
                         !facts.isLink && !facts.hasSecondPart));
    FUZZ_CHECK(!facts.hasAudioBlockAlign || facts.hasAudio);
    // Work stays linear in the file's size: a chunk takes 8 bytes at least,
    // and each is read a few times at most (the stream lists are walked once
    // per question asked of them).
    FUZZ_CHECK(file.reads() <= 16 * (size / 8 + 4));
    return 0;
}
