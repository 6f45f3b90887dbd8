#pragma once
#include <cstdint>

// Pixel format codes shared by the settings record, the command line, the
// source reader and the link file. The numbers are stored in files and in the
// registry, so they never change.
enum FormatCode : int32_t {
    kFormatNone = 0,
    kFormatYV12 = 1,  // 4:2:0, 12 bits per pixel
    kFormatYUY2 = 2,  // 4:2:2, 16 bits per pixel
    kFormatRGB24 = 3,
    kFormatRGB32 = 4,
};

inline bool isKnownFormat(int32_t code) { return code >= kFormatYV12 && code <= kFormatRGB32; }
