#pragma once
#include <windows.h>
#include <vfw.h>

#include <memory>
#include <mutex>

#include "avishim/DriverFace.h"
#include "avishim/LinkedSource.h"
#include "link/VideoLinkParser.h"

// The 'vidc' face: decompresses SHIM frames, whose 4-byte records name source
// frames, into pictures of the source in a format the link allows.
//
// The source is opened in DECOMPRESS_BEGIN, the only answer a client cannot
// ignore, and released at DECOMPRESS_END or close. A DECOMPRESS without BEGIN,
// or with other formats than begun, begins again itself: some players never
// send BEGIN or END in pairs.
class VideoDecompressor : public DriverFace {
public:
    LRESULT message(UINT msg, LPARAM lParam1, LPARAM lParam2) override;

    LRESULT getInfo(ICINFO* info, LPARAM size) const;
    LRESULT query(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) const;
    LRESULT getFormat(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output) const;
    LRESULT begin(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output);
    LRESULT decompress(DWORD flags, const BITMAPINFOHEADER* input, const void* record,
                       const BITMAPINFOHEADER* output, void* pixels);
    LRESULT end();

private:
    // Parses the input format; logs and returns false for anything that is
    // not a link.
    static bool readLink(const BITMAPINFOHEADER* input, VideoLink* link);
    LRESULT dispatch(UINT msg, LPARAM lParam1, LPARAM lParam2);
    bool matchesBegun(const BITMAPINFOHEADER* input, const BITMAPINFOHEADER* output) const;

    std::mutex mutex_;
    std::unique_ptr<LinkedSource> source_;
    VideoLink link_{};
    int32_t outputFormat_ = 0;
    BITMAPINFOHEADER begunInput_{};
    BITMAPINFOHEADER begunOutput_{};
};

// Logs to the debugger, the codec's only way to speak while decoding.
void logCodec(const char* text, const char* detail = nullptr);
