#include "ui/SourceInfo.h"

#include "app/Application.h"
#include "source/SourceReader.h"
#include "ui/SourceInfoFields.h"

namespace {

constexpr char kDashes[] = "----------------------------------\n";

// The console knows only wsprintf's integer conversions, so the report
// prints the raw rate numbers rather than a frame rate.
void printSourceInfo(Application& app, const SourceReader& source) {
    if (source.videoOpened) {
        app.showMessage("Video Info:\n");
        app.showMessage(kDashes);
        app.showMessage("  Video Format:%s\n", formatName(source.videoFormat));
        app.showMessage("        width :%d\n", source.width);
        app.showMessage("        height:%d\n", source.height);
        app.showMessage("  fpsNumerator:%d\n", source.fpsNumerator);
        app.showMessage("fpsDenominator:%d\n", source.fpsDenominator);
        app.showMessage("      nrFrames:%d\n", source.nrFrames);
        app.showMessage("\n");
    }
    if (source.audioOpened) {
        app.showMessage("Audio info:\n");
        app.showMessage(kDashes);
        app.showMessage("audioSamplesPerSecond:%d\n", source.audioSamplesPerSecond);
        app.showMessage("      numAudioSamples:%d\n", source.numAudioSamples);
        app.showMessage("           nrChannels:%d\n", source.nrChannels);
        app.showMessage("    \t  bits Sample:%d\n", source.bitsPerSample);
        app.showMessage("\n");
    }
}

}  // namespace

const char* formatName(int32_t code) {
    switch (code) {
        case kFormatYV12: return "YV12";
        case kFormatYUY2: return "YUY2";
        case kFormatRGB24: return "RGB24";
        case kFormatRGB32: return "RGB32";
        default: return "UNKNOWN";
    }
}

void showSourceInfo(Application& app, SourceReader* source) {
    if (app.commandLineMode && source != nullptr) {
        printSourceInfo(app, *source);
        return;
    }
    // Window mode, or no source: the link dialog's fields (none exist in
    // command-line mode, where this shows nothing).
    fillSourceInfoFields(app, source);
}
