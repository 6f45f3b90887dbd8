#pragma once
#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

#include "tests/codec/PictureReference.h"

// M:\codec\NAME: the sources and links tests/codec/make-media.sh made.
std::string codecMedia(const char* name);

// Names this build's avishim.dll, by full path, as the system's SHIM video
// codec in the prefix (the value regsvr32 writes). Only the video value: the
// audio driver value would reach every program that uses the ACM.
void registerCodecForVideo();

// A bitmap header asking for `format` at the given size; RGB is top-down for
// `topDown`, YUV always.
BITMAPINFOHEADER wantedHeader(int32_t format, int width, int height, bool topDown);

// The picture a DIB returned by a decompressor holds.
PlainPicture pictureOfDib(const BITMAPINFOHEADER* dib);
// The picture in `bits`, laid out as `header` says.
PlainPicture pictureOfDibBits(const BITMAPINFOHEADER& header, const std::vector<uint8_t>& bits);

// The source's own frame, as the source delivers it: read with AVIStreamRead
// for uncompressed sources, decompressed to RGB24 for compressed ones.
struct SourceFrames {
    explicit SourceFrames(const std::string& path);
    ~SourceFrames();
    SourceFrames(const SourceFrames&) = delete;
    SourceFrames& operator=(const SourceFrames&) = delete;

    bool opened() const { return stream_ != nullptr; }
    LONG length() const { return length_; }
    int width() const { return width_; }
    int height() const { return height_; }
    PlainPicture frame(LONG number);

private:
    PAVISTREAM stream_ = nullptr;
    PGETFRAME decompressor_ = nullptr;
    BITMAPINFOHEADER format_{};
    LONG length_ = 0;
    int width_ = 0;
    int height_ = 0;
};
