#include "avishim/VideoDecompressor.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "avishim/OutputFormat.h"
#include "avishim/PictureLayout.h"
#include "avishim/PixelConversions.h"
#include "common/Paths.h"
#include "link/LittleEndian.h"
#include "link/VideoRecords.h"
#include "source/FormatCode.h"

// Callers size these records by their own headers and the size checks below
// compare against ours: a header that disagrees in one bitness would refuse
// every frame there.
static_assert(sizeof(ICDECOMPRESS) == (sizeof(void*) == 8 ? 48 : 24));
static_assert(sizeof(ICDECOMPRESSEX) == (sizeof(void*) == 8 ? 72 : 52));
static_assert(sizeof(ICOPEN) == (sizeof(void*) == 8 ? 56 : 36));

namespace {

constexpr DWORD kShim = mmioFOURCC('S', 'H', 'I', 'M');
constexpr WCHAR kName[] = L"SHIM";
constexpr WCHAR kDescription[] = L"Quorl link decoder";
constexpr DWORD kCodecVersion = 1000;

bool sameLink(const VideoLink& a, const VideoLink& b) {
    return a.nrFrames == b.nrFrames && a.width == b.width && a.height == b.height &&
           a.formatCode == b.formatCode &&
           std::strcmp(a.sourcePath, b.sourcePath) == 0 && a.outputs.rgb32 == b.outputs.rgb32 &&
           a.outputs.rgb24 == b.outputs.rgb24 && a.outputs.yuy2 == b.outputs.yuy2 &&
           a.outputs.yv12 == b.outputs.yv12;
}

bool sameOutput(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight && a.biBitCount == b.biBitCount &&
           a.biCompression == b.biCompression && a.biSizeImage == b.biSizeImage;
}

// A sub-rectangle of either picture is not offered: the whole picture only.
bool wholePicture(const ICDECOMPRESSEX& ex) {
    auto whole = [](const BITMAPINFOHEADER* header, int x, int y, int dx, int dy) {
        if (header == nullptr) return true;
        const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
        return x == 0 && y == 0 && dx == header->biWidth && dy == height;
    };
    return whole(ex.lpbiSrc, ex.xSrc, ex.ySrc, ex.dxSrc, ex.dySrc) &&
           whole(ex.lpbiDst, ex.xDst, ex.yDst, ex.dxDst, ex.dyDst);
}

}  // namespace

void logCodec(const char* text, const char* detail) {
    char line[512];
    std::snprintf(line, sizeof line, "avishim: %s%s%s\n", text, detail != nullptr ? ": " : "",
                  detail != nullptr ? detail : "");
    OutputDebugStringA(line);
}

LRESULT VideoDecompressor::message(UINT msg, LPARAM lParam1, LPARAM lParam2) {
    // No exception may reach the system's driver loader.
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        return dispatch(msg, lParam1, lParam2);
    } catch (...) {
        logCodec("unexpected failure while handling a message");
        return ICERR_INTERNAL;
    }
}

LRESULT VideoDecompressor::dispatch(UINT msg, LPARAM lParam1, LPARAM lParam2) {
    auto header = [](LPARAM value) { return reinterpret_cast<const BITMAPINFOHEADER*>(value); };
    switch (msg) {
    case ICM_GETINFO:
        return getInfo(reinterpret_cast<ICINFO*>(lParam1), lParam2);
    case ICM_DECOMPRESS_QUERY:
        return query(header(lParam1), header(lParam2));
    case ICM_DECOMPRESS_GET_FORMAT:
        return getFormat(header(lParam1), reinterpret_cast<BITMAPINFOHEADER*>(lParam2));
    case ICM_DECOMPRESS_BEGIN:
        return begin(header(lParam1), header(lParam2));
    case ICM_DECOMPRESS: {
        const auto* d = reinterpret_cast<const ICDECOMPRESS*>(lParam1);
        if (d == nullptr || static_cast<size_t>(lParam2) < sizeof(ICDECOMPRESS)) return ICERR_BADPARAM;
        return decompress(d->dwFlags, d->lpbiInput, d->lpInput, d->lpbiOutput, d->lpOutput);
    }
    case ICM_DECOMPRESS_END:
    case ICM_DECOMPRESSEX_END:
        return end();
    case ICM_DECOMPRESSEX_QUERY:
    case ICM_DECOMPRESSEX_BEGIN:
    case ICM_DECOMPRESSEX: {
        const auto* ex = reinterpret_cast<const ICDECOMPRESSEX*>(lParam1);
        if (ex == nullptr || static_cast<size_t>(lParam2) < sizeof(ICDECOMPRESSEX)) return ICERR_BADPARAM;
        if (!wholePicture(*ex)) return ICERR_BADFORMAT;
        if (msg == ICM_DECOMPRESSEX_QUERY) return query(ex->lpbiSrc, ex->lpbiDst);
        if (msg == ICM_DECOMPRESSEX_BEGIN) return begin(ex->lpbiSrc, ex->lpbiDst);
        return decompress(ex->dwFlags, ex->lpbiSrc, ex->lpSrc, ex->lpbiDst, ex->lpDst);
    }
    case ICM_GETSTATE:
    case ICM_SETSTATE:
        return 0;  // nothing to configure, so no state
    default:
        // Compression, palettes, drawing, About and configuration boxes:
        // none of them.
        return ICERR_UNSUPPORTED;
    }
}

LRESULT VideoDecompressor::getInfo(ICINFO* info, LPARAM size) const {
    if (info == nullptr) return sizeof(ICINFO);
    ICINFO mine{};
    mine.dwSize = sizeof mine;
    mine.fccType = ICTYPE_VIDEO;
    mine.fccHandler = kShim;
    mine.dwFlags = 0;
    mine.dwVersion = kCodecVersion;
    mine.dwVersionICM = ICVERSION;
    std::memcpy(mine.szName, kName, sizeof kName);
    std::memcpy(mine.szDescription, kDescription, sizeof kDescription);
    if (size <= 0) return 0;
    const size_t bytes = static_cast<size_t>(size) < sizeof mine ? static_cast<size_t>(size) : sizeof mine;
    std::memcpy(info, &mine, bytes);
    return static_cast<LRESULT>(bytes);
}

bool VideoDecompressor::readLink(const BITMAPINFOHEADER* input, VideoLink* link) {
    if (input == nullptr) return false;
    const LinkFormatFault fault = parseVideoLinkFormat(reinterpret_cast<const uint8_t*>(input),
                                                       input->biSize, link);
    // Other codecs' formats reach every driver during a lookup; only a
    // damaged SHIM format is worth a line.
    if (fault != LinkFormatFault::none && fault != LinkFormatFault::notShim &&
        fault != LinkFormatFault::tooShort)
        logCodec("refused a SHIM format", linkFormatFaultText(fault));
    if (fault == LinkFormatFault::none && link != nullptr)
        paths::makeLinkedPathUtf8(link->sourcePath, sizeof link->sourcePath, &link->sourcePathIsUtf8);
    return fault == LinkFormatFault::none;
}

LRESULT VideoDecompressor::query(const BITMAPINFOHEADER* input,
                                 const BITMAPINFOHEADER* output) const {
    VideoLink link{};
    if (!readLink(input, &link)) return ICERR_BADFORMAT;
    if (output == nullptr) return ICERR_OK;
    const OutputCheck check = checkOutput(link, *output);
    if (check != OutputCheck::ok) return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT VideoDecompressor::getFormat(const BITMAPINFOHEADER* input,
                                     BITMAPINFOHEADER* output) const {
    VideoLink link{};
    if (!readLink(input, &link)) return ICERR_BADFORMAT;
    if (output == nullptr) return sizeof(BITMAPINFOHEADER);
    const int32_t format = suggestedFormatCode(link);
    if (format == kFormatNone) return ICERR_BADFORMAT;
    *output = headerFor(format, link.width, link.height);
    return ICERR_OK;
}

LRESULT VideoDecompressor::begin(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) {
    VideoLink link{};
    if (!readLink(input, &link) || output == nullptr) return ICERR_BADFORMAT;
    const OutputCheck check = checkOutput(link, *output);
    if (check != OutputCheck::ok) {
        logCodec("refused an output format", outputCheckText(check));
        return ICERR_BADFORMAT;
    }
    // A begin for the same source keeps it open, with its cached pictures.
    if (source_ == nullptr || !sameLink(link, link_)) {
        source_.reset();
        const char* reason = nullptr;
        source_ = LinkedSource::open(link, &reason);
        if (source_ == nullptr) {
            logCodec(reason, link.sourcePath);
            return ICERR_ERROR;
        }
    }
    link_ = link;
    outputFormat_ = formatCodeOfHeader(*output);
    begunInput_ = *input;
    begunOutput_ = *output;
    return ICERR_OK;
}

bool VideoDecompressor::matchesBegun(const BITMAPINFOHEADER* input,
                                     const BITMAPINFOHEADER* output) const {
    if (source_ == nullptr || input == nullptr || output == nullptr) return false;
    if (!sameOutput(*output, begunOutput_)) return false;
    VideoLink link{};
    return readLink(input, &link) && sameLink(link, link_);
}

LRESULT VideoDecompressor::decompress(DWORD flags, const BITMAPINFOHEADER* input,
                                      const void* record, const BITMAPINFOHEADER* output,
                                      void* pixels) {
    if (input == nullptr || output == nullptr || pixels == nullptr) return ICERR_BADPARAM;
    if (!matchesBegun(input, output)) {
        const LRESULT begun = begin(input, output);
        if (begun != ICERR_OK) return begun;
    }
    // A frame the player will not show need not be fetched.
    if (flags & ICDECOMPRESS_HURRYUP) return ICERR_OK;
    // The record size travels in the input's biSizeImage. An empty chunk is
    // a dropped frame: the picture already in the buffer stays.
    if (record == nullptr || input->biSizeImage == 0 || (flags & ICDECOMPRESS_NULLFRAME))
        return ICERR_OK;
    if (input->biSizeImage < kMinFrameRecordSize) {
        logCodec("frame record shorter than four bytes");
        return ICERR_BADFORMAT;
    }
    const uint32_t frame = getU32(static_cast<const uint8_t*>(record));
    const bool topDown = output->biHeight < 0;
    const size_t room = output->biSizeImage != 0
                            ? output->biSizeImage
                            : pictureBytes(outputFormat_, link_.width, link_.height);
    FrameCache::Picture picture;
    const LinkedSource::Fetch fetched =
        source_->deliversInto(outputFormat_, topDown, room)
            ? source_->copyInto(frame, static_cast<uint8_t*>(pixels))
            : source_->picture(frame, &picture);
    if (fetched != LinkedSource::Fetch::ok) {
        char number[16];
        std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(frame));
        // A record the link cannot have written is a damaged link, not a
        // reason to show some other frame.
        if (fetched == LinkedSource::Fetch::outsideLink) {
            logCodec("frame record outside the link", number);
            return ICERR_BADFORMAT;
        }
        logCodec("source frame unreadable", number);
        return ICERR_ERROR;
    }
    if (picture == nullptr) return ICERR_OK;  // read straight into the output
    const PicturePlanes destination = layOutPicture(static_cast<uint8_t*>(pixels), outputFormat_,
                                                    link_.width, link_.height, topDown);
    if (!convertPicture(source_->format(), source_->planesOf(picture.get()), outputFormat_,
                        destination, link_.width, link_.height)) {
        logCodec("picture conversion failed");
        return ICERR_ERROR;
    }
    return ICERR_OK;
}

LRESULT VideoDecompressor::end() {
    source_.reset();
    outputFormat_ = 0;
    return ICERR_OK;
}
