#include "link/StoredPath.h"

#include <cstring>

#include "link/LittleEndian.h"

namespace {

constexpr size_t kVideoSizeOffset = 0;   // biSize
constexpr size_t kAudioSizeOffset = 16;  // cbSize

uint32_t padded(uint32_t length) { return (length + 3) & ~3u; }

bool fitsField(const std::optional<std::string>& text) {
    return text.has_value() && !text->empty() &&
           text->size() <= static_cast<size_t>(kMaxLinkedPathLength);
}

std::vector<uint8_t> withBlock(const uint8_t* format, size_t size, const std::string& utf8) {
    std::vector<uint8_t> result(format, format + size);
    const std::vector<uint8_t> block = buildPathBlock(utf8);
    result.insert(result.end(), block.begin(), block.end());
    return result;
}

}  // namespace

StoredPath chooseStoredPath(const PathForms& forms) {
    StoredPath stored;
    if (fitsField(forms.fullAnsi)) {
        stored.kind = StoredPathKind::field;
        stored.field = *forms.fullAnsi;
    } else if (fitsField(forms.shortAnsi)) {
        stored.kind = StoredPathKind::shortForm;
        stored.field = *forms.shortAnsi;
    } else if (!forms.fullUtf8.empty() && forms.fullUtf8.size() < kMaxPathText &&
               isUtf8(reinterpret_cast<const uint8_t*>(forms.fullUtf8.data()), forms.fullUtf8.size()) &&
               utf16Units(forms.fullUtf8) <= kMaxSourcePathUnits &&
               forms.fullUtf8.find('\0') == std::string::npos) {
        stored.kind = StoredPathKind::block;
        stored.block = forms.fullUtf8;
    }
    return stored;
}

std::vector<uint8_t> buildPathBlock(const std::string& utf8) {
    const uint32_t length = static_cast<uint32_t>(utf8.size()) + 1;
    std::vector<uint8_t> block(kBlockHeaderSize + padded(length), 0);
    putU32(&block[0], kPathBlockTag);
    putU32(&block[4], length);
    std::memcpy(&block[kBlockHeaderSize], utf8.data(), utf8.size());
    return block;
}

std::vector<uint8_t> videoFormatWithPath(const VideoFormat& format, const std::string& utf8) {
    std::vector<uint8_t> result = withBlock(format.data(), format.size(), utf8);
    putU32(&result[kVideoSizeOffset], static_cast<uint32_t>(result.size()));
    return result;
}

std::vector<uint8_t> audioFormatWithPath(const LinkedAudioFormat& format, const std::string& utf8) {
    std::vector<uint8_t> result = withBlock(format.data(), format.size(), utf8);
    // cbSize counts what follows the 18-byte WAVEFORMATEX.
    putU16(&result[kAudioSizeOffset], static_cast<uint32_t>(result.size() - 18));
    return result;
}

PathBlockFault readPathBlock(const uint8_t* blocks, size_t size, char* text) {
    bool found = false;
    size_t at = 0;
    while (at < size) {
        if (size - at < kBlockHeaderSize) return PathBlockFault::truncated;
        const uint32_t tag = getU32(blocks + at);
        const uint32_t length = getU32(blocks + at + 4);
        const size_t room = size - at - kBlockHeaderSize;
        // The padding belongs to the block: a block cut short in it is cut short.
        if (length > room || padded(length) > room) return PathBlockFault::truncated;
        const uint8_t* payload = blocks + at + kBlockHeaderSize;
        if (tag == kPathBlockTag) {
            if (found) return PathBlockFault::twice;
            if (length < 2 || length > kMaxPathText || payload[length - 1] != 0 ||
                std::memchr(payload, 0, length - 1) != nullptr)
                return PathBlockFault::badText;
            if (!isUtf8(payload, length - 1)) return PathBlockFault::notUtf8;
            std::memcpy(text, payload, length);
            found = true;
        }
        at += kBlockHeaderSize + padded(length);
    }
    return found ? PathBlockFault::none : PathBlockFault::absent;
}
