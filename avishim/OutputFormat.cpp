#include "avishim/OutputFormat.h"

#include <mmsystem.h>

#include <initializer_list>

#include "avishim/PictureLayout.h"
#include "avishim/PixelConversions.h"
#include "source/FormatCode.h"

namespace {

constexpr DWORD kYUY2 = mmioFOURCC('Y', 'U', 'Y', '2');
constexpr DWORD kYV12 = mmioFOURCC('Y', 'V', '1', '2');

}  // namespace

int32_t formatCodeOfHeader(const BITMAPINFOHEADER& header) {
    if (header.biCompression == BI_RGB) {
        if (header.biBitCount == 32) return kFormatRGB32;
        if (header.biBitCount == 24) return kFormatRGB24;
        return kFormatNone;
    }
    if (sameFourccIgnoringCase(header.biCompression, kYUY2) && header.biBitCount == 16)
        return kFormatYUY2;
    if (sameFourccIgnoringCase(header.biCompression, kYV12) && header.biBitCount == 12)
        return kFormatYV12;
    return kFormatNone;
}

OutputCheck checkOutput(const VideoLink& link, const BITMAPINFOHEADER& header) {
    const int32_t format = formatCodeOfHeader(header);
    if (format == kFormatNone) return OutputCheck::unknownFormat;
    if (!link.allows(format)) return OutputCheck::notAllowed;
    if (!canConvert(link.formatCode, format)) return OutputCheck::notConvertible;
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight)
                                               : header.biHeight;
    if (header.biWidth != link.width || height != link.height) return OutputCheck::wrongSize;
    // A caller that states its buffer's size must have room for the picture;
    // 0 leaves the size to the format, as usual for uncompressed pictures.
    if (header.biSizeImage != 0 &&
        header.biSizeImage < pictureBytes(format, link.width, link.height))
        return OutputCheck::bufferTooSmall;
    return OutputCheck::ok;
}

const char* outputCheckText(OutputCheck check) {
    switch (check) {
    case OutputCheck::ok: return "accepted";
    case OutputCheck::unknownFormat: return "not one of RGB32, RGB24, YUY2, YV12";
    case OutputCheck::notAllowed: return "a pixel format the link does not allow";
    case OutputCheck::notConvertible: return "a conversion from RGB to YUV";
    case OutputCheck::wrongSize: return "a picture size other than the link's";
    case OutputCheck::bufferTooSmall: return "a buffer too small for the picture";
    }
    return "refused";
}

int32_t suggestedFormatCode(const VideoLink& link) {
    if (link.allows(link.formatCode)) return link.formatCode;
    for (int32_t format : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12})
        if (link.allows(format) && canConvert(link.formatCode, format)) return format;
    return kFormatNone;
}

BITMAPINFOHEADER headerFor(int32_t format, int32_t width, int32_t height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    switch (format) {
    case kFormatRGB32: header.biBitCount = 32; header.biCompression = BI_RGB; break;
    case kFormatRGB24: header.biBitCount = 24; header.biCompression = BI_RGB; break;
    case kFormatYUY2: header.biBitCount = 16; header.biCompression = kYUY2; break;
    case kFormatYV12: header.biBitCount = 12; header.biCompression = kYV12; break;
    default: break;
    }
    header.biSizeImage = static_cast<DWORD>(pictureBytes(format, width, height));
    return header;
}
