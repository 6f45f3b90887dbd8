#include <cstdint>
#include <cstring>

#include "source/AVIReader.h"
#include "source/AviPlatform.h"
#include "source/FormatCode.h"
#include "source/ReaderTexts.h"

namespace {

constexpr DWORD kYUY2 = mmioFOURCC('Y', 'U', 'Y', '2');
constexpr DWORD kYV12 = mmioFOURCC('Y', 'V', '1', '2');

int32_t magnitude(LONG edge) {
    const int64_t value = edge < 0 ? -static_cast<int64_t>(edge) : edge;
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// The format code of frames read as they are stored; 0 for stored formats
// that are none of the four (8- or 16-bit RGB, for instance).
int32_t storedFormatCode(const BITMAPINFOHEADER& header) {
    if (header.biCompression == BI_RGB && header.biBitCount == 32) return kFormatRGB32;
    if (header.biCompression == BI_RGB && header.biBitCount == 24) return kFormatRGB24;
    if (header.biCompression == kYUY2) return kFormatYUY2;
    if (header.biCompression == kYV12) return kFormatYV12;
    return kFormatNone;
}

bool isStoredUsable(const BITMAPINFOHEADER& header) {
    return header.biCompression == BI_RGB || header.biCompression == kYUY2 ||
           header.biCompression == kYV12;
}

// What the decompressor is asked for, in the order asked.
struct DecompressorAttempt {
    int32_t format;
    WORD bitCount;
    DWORD compression;
    bool topDown;
};
constexpr DecompressorAttempt kAttempts[] = {
    {kFormatRGB24, 24, BI_RGB, false},
    {kFormatRGB32, 32, BI_RGB, false},
    {kFormatYUY2, 16, kYUY2, true},
    {kFormatYV12, 12, kYV12, true},
};

// Bytes of one decompressed picture when the decompressor leaves the size out.
DWORD pictureBytes(const BITMAPINFOHEADER& header) {
    const uint64_t stride = (static_cast<uint64_t>(magnitude(header.biWidth)) *
                                 header.biBitCount + 31) / 32 * 4;
    const uint64_t bytes = stride * static_cast<uint64_t>(magnitude(header.biHeight));
    return bytes > UINT32_MAX ? UINT32_MAX : static_cast<DWORD>(bytes);
}

}  // namespace

bool AVIReader::setUpVideo() {
    if (frameDecompressor != nullptr) {
        setLastError(kVideoAlreadyOpened);
        return false;
    }
    videoOpened = true;
    if (avi::streamInfo(videoStream, &videoInfo) != AVIERR_OK) return false;
    // Without both there is no frame rate to link at.
    if (videoInfo.dwRate == 0 || videoInfo.dwScale == 0) return false;
    videoStartMs = avi::streamStartMs(videoStream, videoInfo);

    fpsNumerator = videoInfo.dwRate;
    fpsDenominator = videoInfo.dwScale;
    nrFrames = static_cast<int32_t>(videoInfo.dwLength);
    width = magnitude(videoInfo.rcFrame.right);
    height = magnitude(videoInfo.rcFrame.bottom);

    sourceHeader = BITMAPINFOHEADER{};
    LONG formatSize = sizeof sourceHeader;
    // A longer format (a palette) does not fit and is reported as an error;
    // the header itself has been read all the same.
    avi::readFormat(videoStream, &sourceHeader, &formatSize);
    requestedHeader = sourceHeader;
    decompressorAttempts_ = 0;

    if (isStoredUsable(sourceHeader)) {
        const int32_t stored = storedFormatCode(sourceHeader);
        if (forceFormatSet && forcedFormat != stored) return false;
        videoFormat = stored;
        frameDecompressor = nullptr;
        return true;
    }
    return negotiateDecompressor();
}

bool AVIReader::negotiateDecompressor() {
    for (const DecompressorAttempt& attempt : kAttempts) {
        const bool runs = forceFormatSet ? forcedFormat == attempt.format
                                         : frameDecompressor == nullptr;
        if (!runs) continue;
        videoFormat = attempt.format;
        requestedHeader.biBitCount = attempt.bitCount;
        requestedHeader.biCompression = attempt.compression;
        // None of the four has a colour table; a palettised source's colour
        // count would make decompressors refuse the request (Wine's RLE
        // decompressor does), and a table in the answer would sit where the
        // pixels are expected.
        requestedHeader.biClrUsed = 0;
        requestedHeader.biClrImportant = 0;
        if (attempt.topDown) requestedHeader.biHeight = -magnitude(requestedHeader.biHeight);
        // 32-bit product as stored in the header, shifted rather than divided.
        const uint32_t bits = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) *
                              attempt.bitCount;
        requestedHeader.biSizeImage = static_cast<DWORD>(static_cast<int32_t>(bits) >> 3);
        ++decompressorAttempts_;
        frameDecompressor = avi::openDecompressor(videoStream, &requestedHeader);
    }
    return frameDecompressor != nullptr;
}

bool AVIReader::readVideoFrame(uint32_t frame, void* buffer, int32_t size) {
    if (buffer == nullptr || size < 0) {
        setLastError(kVideoBufferTooSmall);
        return false;
    }
    if (frameDecompressor == nullptr) {
        if (videoStream == nullptr ||
            avi::read(videoStream, static_cast<LONG>(frame), 1, buffer, size, nullptr,
                      nullptr) != AVIERR_OK) {
            setLastError(kVideoUnreadable);
            return false;
        }
        return true;
    }
    const BITMAPINFOHEADER* picture =
        avi::decompressFrame(frameDecompressor, static_cast<LONG>(frame));
    if (picture == nullptr) {
        setLastError(kVideoFrameUnreadable);
        return false;
    }
    const DWORD bytes = picture->biSizeImage != 0 ? picture->biSizeImage : pictureBytes(*picture);
    if (bytes > static_cast<DWORD>(size)) {
        setLastError(kVideoBufferTooSmall);
        return false;
    }
    std::memcpy(buffer, reinterpret_cast<const unsigned char*>(picture) + picture->biSize, bytes);
    return true;
}
