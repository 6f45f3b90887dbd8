// The video format a player hands the codec: any bytes, read as a bitmap
// header with link data and perhaps tagged blocks behind it. What the parser accepts must be a link the
// writer could have built, and must read back the same once rebuilt.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/LinkArithmetic.h"
#include "link/LittleEndian.h"
#include "link/StoredPath.h"
#include "link/VideoLinkParser.h"
#include "link/VideoRecords.h"
#include "source/FormatCode.h"

namespace {

void checkAccepted(const VideoLink& link) {
    FUZZ_CHECK(link.width >= 1 && link.width <= kMaxLinkedPictureSide);
    FUZZ_CHECK(link.height >= 1 && link.height <= kMaxLinkedPictureSide);
    FUZZ_CHECK(isKnownFormat(link.formatCode));
    FUZZ_CHECK(link.outputs.any());
    const void* end = std::memchr(link.sourcePath, '\0', sizeof link.sourcePath);
    FUZZ_CHECK(end != nullptr && end != link.sourcePath);
    FUZZ_CHECK(link.allows(1) == link.outputs.yv12 && link.allows(4) == link.outputs.rgb32);

    // Every size the codec derives from an accepted link fits 32 bits.
    int32_t sizeImage = 0;
    FUZZ_CHECK(pictureSizeImage(32, link.width, link.height, &sizeImage));

    // A path block's text is UTF-8 the codec can hand to the system.
    if (link.sourcePathIsUtf8)
        FUZZ_CHECK(isUtf8(reinterpret_cast<const uint8_t*>(link.sourcePath), std::strlen(link.sourcePath)));

    // Built again by the writer's own code, it parses to the same link. Only
    // 38 characters of a path are ever written into the field; a block path
    // goes behind an empty one.
    const bool inField = !link.sourcePathIsUtf8;
    if (inField && std::strlen(link.sourcePath) > static_cast<size_t>(kMaxLinkedPathLength)) return;
    VideoLinkData data = buildVideoLinkData(VideoLinkFields{
        link.nrFrames, link.height, link.width, link.formatCode, inField ? link.sourcePath : "",
        link.outputs, link.linkOption});
    pictureSizeImage(bitCountFor(link.formatCode), link.width, link.height, &sizeImage);
    VideoFormat fixed = buildVideoFormat(link.width, link.height, bitCountFor(link.formatCode),
                                         sizeImage, data);
    std::vector<uint8_t> format(fixed.begin(), fixed.end());
    if (!inField) format = videoFormatWithPath(fixed, link.sourcePath);
    VideoLink again{};
    FUZZ_CHECK(parseVideoLinkFormat(format.data(), static_cast<uint32_t>(format.size()), &again) ==
               LinkFormatFault::none);
    FUZZ_CHECK(again.sourcePathIsUtf8 == link.sourcePathIsUtf8);
    FUZZ_CHECK(again.nrFrames == link.nrFrames && again.width == link.width &&
               again.height == link.height && again.formatCode == link.formatCode &&
               again.linkOption == link.linkOption);
    FUZZ_CHECK(std::strcmp(again.sourcePath, link.sourcePath) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The caller's byte count is not to be trusted either: try the input's
    // own length and the biSize it claims, whichever is smaller.
    const uint32_t available = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
    VideoLink link{};
    LinkFormatFault fault = parseVideoLinkFormat(data, available, &link);
    FUZZ_CHECK(linkFormatFaultText(fault) != nullptr);
    if (fault == LinkFormatFault::none) checkAccepted(link);
    if (size >= 4) {
        uint32_t claimed = getU32(data);
        if (claimed < available) parseVideoLinkFormat(data, claimed, &link);
    }
    return 0;
}
