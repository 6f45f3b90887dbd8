#include "ui/ProgressLine.h"

#include <cstdio>

std::string progressLine(int32_t percent) {
    char number[16];
    std::snprintf(number, sizeof number, "%.3d", percent);
    std::string line = std::string("Progress: ") + number + "% | [0%";
    for (int32_t i = 1; i <= percent / 10; ++i) {
        line += '-';
        if (i == 2) line += "25%";
        if (i == 5) line += "50%";
        if (i == 8) line += "75%";
        if (i == 10) line += "100%";
    }
    return line + "]\r";
}

std::string progressCaption(const char* title, int32_t percent) {
    constexpr size_t kCaptionLength = 259;  // the caption buffer holds 260 bytes
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, " (%d%%)", percent);
    // A long title gives way, so the percentage always stays readable.
    std::string caption(title);
    std::string tail(suffix);
    if (caption.size() + tail.size() > kCaptionLength) caption.resize(kCaptionLength - tail.size());
    return caption + tail;
}
