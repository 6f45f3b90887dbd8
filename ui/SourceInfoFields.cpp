#include "ui/SourceInfoFields.h"

#include <cstdio>

#include "app/Application.h"
#include "source/SourceReader.h"
#include "ui/SourceInfo.h"
#include "ui/resource.h"

namespace {

constexpr int kValueFields[] = {
    IDC_INFO_WIDTH,       IDC_INFO_HEIGHT,          IDC_INFO_VIDEO_FORMAT, IDC_INFO_FPS,
    IDC_INFO_SAMPLE_RATE, IDC_INFO_BITS_PER_SAMPLE, IDC_INFO_CHANNELS,     IDC_INFO_NR_SAMPLES,
    IDC_INFO_NR_FRAMES,   IDC_INFO_VIDEO_TIME,      IDC_INFO_AUDIO_TIME,
};

void setNumber(HWND dialog, int field, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, field, text);
}

void setClock(HWND dialog, int field, int hours, int minutes, int seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", hours, minutes, seconds);
    SetDlgItemTextA(dialog, field, text);
}

void fillVideo(HWND dialog, const SourceReader& source) {
    // Single precision throughout: the displayed times depend on its rounding.
    const float fps = static_cast<float>(static_cast<double>(source.fpsNumerator) /
                                         static_cast<double>(source.fpsDenominator));
    SetDlgItemTextA(dialog, IDC_INFO_VIDEO_FORMAT, formatName(source.videoFormat));
    setNumber(dialog, IDC_INFO_WIDTH, source.width);
    setNumber(dialog, IDC_INFO_HEIGHT, source.height);
    setNumber(dialog, IDC_INFO_NR_FRAMES, source.nrFrames);
    char text[48];
    std::snprintf(text, sizeof text, "%6.3f", static_cast<double>(fps));
    SetDlgItemTextA(dialog, IDC_INFO_FPS, text);

    const float seconds = static_cast<float>(source.nrFrames) / fps;
    setClock(dialog, IDC_INFO_VIDEO_TIME, static_cast<int>(seconds * (1.0f / 3600.0f)),
             static_cast<int>(seconds * (1.0f / 60.0f)) % 60, static_cast<int>(seconds) % 60);
}

void fillAudio(HWND dialog, const SourceReader& source) {
    setNumber(dialog, IDC_INFO_SAMPLE_RATE, source.audioSamplesPerSecond);
    setNumber(dialog, IDC_INFO_BITS_PER_SAMPLE, source.bitsPerSample);
    setNumber(dialog, IDC_INFO_CHANNELS, source.nrChannels);
    setNumber(dialog, IDC_INFO_NR_SAMPLES, source.numAudioSamples);
    // A reader never opens audio without a rate; the guard keeps a broken
    // source from ending the program.
    const int seconds = source.audioSamplesPerSecond > 0
                            ? source.numAudioSamples / source.audioSamplesPerSecond
                            : 0;
    setClock(dialog, IDC_INFO_AUDIO_TIME, seconds / 3600, seconds / 60 % 60, seconds % 60);
}

}  // namespace

void fillSourceInfoFields(Application& app, SourceReader* source) {
    HWND dialog = app.linkDialog;
    if (dialog == nullptr) return;
    for (int field : kValueFields) SetDlgItemTextA(dialog, field, "none");
    if (source == nullptr) return;
    if (source->videoOpened && source->fpsDenominator != 0) fillVideo(dialog, *source);
    if (source->audioOpened) fillAudio(dialog, *source);
}
