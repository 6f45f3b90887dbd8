#include "ui/SourceInfo.h"

#include "app/Application.h"
#include "source/SourceReader.h"
#include "ui/SourceInfoFields.h"

const char* formatName(int32_t code) {
    switch (code) {
        case kFormatYV12: return "YV12";
        case kFormatYUY2: return "YUY2";
        case kFormatRGB24: return "RGB24";
        case kFormatRGB32: return "RGB32";
        default: return "UNKNOWN";
    }
}

// Placeholder for the console half until the command-line report lands.
void showSourceInfo(Application& app, SourceReader* source) {
    if (app.commandLineMode && source != nullptr) return;
    fillSourceInfoFields(app, source);
}
