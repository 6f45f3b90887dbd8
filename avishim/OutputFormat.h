#pragma once
#include <windows.h>

#include <cstdint>

#include "link/VideoLinkParser.h"

// The bitmap headers the decompressor accepts and offers for a link's
// pictures: RGB32 and RGB24 (BI_RGB, bottom-up for a positive height,
// top-down for a negative one), YUY2 (16 bits) and YV12 (12 bits).

// The format code a header asks for, 0 for anything else.
int32_t formatCodeOfHeader(const BITMAPINFOHEADER& header);

enum class OutputCheck { ok, unknownFormat, notAllowed, notConvertible, wrongSize, bufferTooSmall };

// Whether the link may be delivered in `header`'s format, size and buffer.
OutputCheck checkOutput(const VideoLink& link, const BITMAPINFOHEADER& header);
const char* outputCheckText(OutputCheck check);

// The source's own format when the link allows it, else the first allowed of
// RGB32, RGB24, YUY2, YV12 (one that can be converted to).
int32_t suggestedFormatCode(const VideoLink& link);

// A plain 40-byte header for `format`, with biSizeImage filled in.
BITMAPINFOHEADER headerFor(int32_t format, int32_t width, int32_t height);
