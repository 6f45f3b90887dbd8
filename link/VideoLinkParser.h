#pragma once
#include <cstdint>

#include "link/OutputFormats.h"
#include "link/StoredPath.h"

// Reads back what buildVideoFormat wrote: the codec is handed this format by
// whatever program opened the link, and also, through nested lookups of the
// system, formats of other codecs. Nothing here trusts the bytes.

// Bytes of the format that must be present: the bitmap header and the link
// data; the padding after it is not needed.
inline constexpr uint32_t kVideoFormatBytesRead = 108;
// Pictures larger than this in either direction are refused, so every size
// derived from them fits comfortably in 32 bits.
inline constexpr int32_t kMaxLinkedPictureSide = 16384;

enum class LinkFormatFault {
    none,
    tooShort,        // biSize below the bitmap header and link data
    notShim,         // biCompression is another codec's
    wrongVersion,    // link data of another version
    badSize,         // width or height outside 1..kMaxLinkedPictureSide
    sizeMismatch,    // link data and bitmap header disagree on the size
    badFormatCode,   // not one of the four pixel formats
    pathUnterminated,  // no NUL within the path field
    emptyPath,
    noOutput,        // not one output format allowed
    badPathBlock,    // the bytes behind the link data are not well-formed blocks
};

struct VideoLink {
    int32_t nrFrames;
    int32_t width;
    int32_t height;
    int32_t formatCode;
    // Always NUL-terminated: the 8-bit field's bytes (ANSI code page), or the
    // path block's UTF-8 when the link has one.
    char sourcePath[kMaxPathText];
    bool sourcePathIsUtf8;
    AllowedOutputs outputs;
    int32_t linkOption;

    bool allows(int32_t formatCode) const;
};

// `format` points at a bitmap header of `available` bytes (the caller's
// biSize, or less if it knows better). On success fills `link`. Blocks behind
// the 112 bytes of the format are read only when biSize covers them and all
// of them are available.
LinkFormatFault parseVideoLinkFormat(const uint8_t* format, uint32_t available, VideoLink* link);

// A short English reason for debug output.
const char* linkFormatFaultText(LinkFormatFault fault);

// Compares FOURCCs the way the system's codec lookup does: ASCII letters in
// either case are the same code.
bool sameFourccIgnoringCase(uint32_t a, uint32_t b);
