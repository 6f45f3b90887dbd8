#include "ui/SourceInfo.h"

#include "app/Application.h"
#include "source/SourceReader.h"

const char* formatName(int32_t code) {
    switch (code) {
        case kFormatYV12: return "YV12";
        case kFormatYUY2: return "YUY2";
        case kFormatRGB24: return "RGB24";
        case kFormatRGB32: return "RGB32";
        default: return "UNKNOWN";
    }
}

// Placeholder until the information report lands.
void showSourceInfo(Application&, SourceReader*) {}
