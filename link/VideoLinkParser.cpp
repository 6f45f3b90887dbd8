#include "link/VideoLinkParser.h"

#include <cstring>

#include "link/LittleEndian.h"
#include "link/VideoRecords.h"

namespace {

constexpr uint32_t kLinkDataOffset = 40;
constexpr uint32_t kPathOffset = kLinkDataOffset + 20;
constexpr uint32_t kPathField = 40;

uint32_t upperAscii(uint32_t code) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = (code >> shift) & 0xFF;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        result |= c << shift;
    }
    return result;
}

int32_t i32at(const uint8_t* format, uint32_t offset) {
    return static_cast<int32_t>(getU32(format + offset));
}

bool sideInRange(int64_t side) { return side >= 1 && side <= kMaxLinkedPictureSide; }

}  // namespace

bool sameFourccIgnoringCase(uint32_t a, uint32_t b) { return upperAscii(a) == upperAscii(b); }

bool VideoLink::allows(int32_t code) const {
    switch (code) {
    case 1: return outputs.yv12;
    case 2: return outputs.yuy2;
    case 3: return outputs.rgb24;
    case 4: return outputs.rgb32;
    default: return false;
    }
}

LinkFormatFault parseVideoLinkFormat(const uint8_t* format, uint32_t available, VideoLink* link) {
    if (format == nullptr || available < kVideoFormatBytesRead) return LinkFormatFault::tooShort;
    // biSize itself must cover the link data too: a caller's byte count may
    // be larger than the header it hands over.
    if (getU32(format) < kVideoFormatBytesRead) return LinkFormatFault::tooShort;
    if (!sameFourccIgnoringCase(getU32(format + 16), fourcc("SHIM")))
        return LinkFormatFault::notShim;
    const uint8_t* data = format + kLinkDataOffset;
    if (i32at(data, 0) != kLinkDataVersion) return LinkFormatFault::wrongVersion;

    const int64_t headerWidth = i32at(format, 4);
    int64_t headerHeight = i32at(format, 8);
    if (headerHeight < 0) headerHeight = -headerHeight;
    const int32_t height = i32at(data, 8);
    const int32_t width = i32at(data, 12);
    if (!sideInRange(width) || !sideInRange(height)) return LinkFormatFault::badSize;
    if (headerWidth != width || headerHeight != height) return LinkFormatFault::sizeMismatch;

    const int32_t formatCode = i32at(data, 16);
    if (formatCode < 1 || formatCode > 4) return LinkFormatFault::badFormatCode;

    const uint8_t* path = format + kPathOffset;
    const void* end = std::memchr(path, 0, kPathField);
    if (end == nullptr) return LinkFormatFault::pathUnterminated;
    // A path block, where there is one, names the source; the field is then
    // left empty by the writer.
    char blockPath[kMaxPathText];
    PathBlockFault block = PathBlockFault::absent;
    const uint32_t statedSize = getU32(format);
    if (statedSize > kVideoFormatSize) {
        if (available < statedSize || statedSize - kVideoFormatSize > kMaxFormatBlocks)
            return LinkFormatFault::badPathBlock;
        block = readPathBlock(format + kVideoFormatSize, statedSize - kVideoFormatSize, blockPath);
        if (block != PathBlockFault::none && block != PathBlockFault::absent)
            return LinkFormatFault::badPathBlock;
    }
    if (end == path && block != PathBlockFault::none) return LinkFormatFault::emptyPath;

    // A flag allows only when it is exactly 1, like every boolean byte the
    // program writes.
    AllowedOutputs outputs{data[63] == 1, data[62] == 1, data[61] == 1, data[60] == 1};
    if (!outputs.any()) return LinkFormatFault::noOutput;

    if (link != nullptr) {
        link->nrFrames = i32at(data, 4);
        link->width = width;
        link->height = height;
        link->formatCode = formatCode;
        link->sourcePathIsUtf8 = block == PathBlockFault::none;
        if (link->sourcePathIsUtf8) {
            std::memcpy(link->sourcePath, blockPath, std::strlen(blockPath) + 1);
        } else {
            std::memcpy(link->sourcePath, path, kPathField);
        }
        link->outputs = outputs;
        link->linkOption = i32at(data, 64);
    }
    return LinkFormatFault::none;
}

const char* linkFormatFaultText(LinkFormatFault fault) {
    switch (fault) {
    case LinkFormatFault::none: return "a link format";
    case LinkFormatFault::tooShort: return "format shorter than a link format";
    case LinkFormatFault::notShim: return "not a SHIM format";
    case LinkFormatFault::wrongVersion: return "link data of an unknown version";
    case LinkFormatFault::badSize: return "picture size out of range";
    case LinkFormatFault::sizeMismatch: return "link data and bitmap header differ in size";
    case LinkFormatFault::badFormatCode: return "unknown source pixel format";
    case LinkFormatFault::pathUnterminated: return "source path without terminator";
    case LinkFormatFault::emptyPath: return "empty source path";
    case LinkFormatFault::noOutput: return "no output format allowed";
    case LinkFormatFault::badPathBlock: return "malformed path block behind the link data";
    }
    return "unknown fault";
}
