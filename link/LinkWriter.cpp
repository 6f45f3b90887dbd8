#include "link/LinkWriter.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "link/LinkMessages.h"
#include "link/SameFile.h"
#include "common/MessageBoxes.h"
#include "common/Paths.h"

using namespace linkText;

LinkWriter::LinkWriter() = default;

LinkWriter::~LinkWriter() {
    closeOutput();
    closeSettingsKey();
}

bool LinkWriter::createLink(const char* outputPath, const char* sourcePath, int32_t linkOption,
                            int32_t width, int32_t height, int32_t fpsNumerator,
                            int32_t fpsDenominator, int32_t nrFrames, int32_t videoFormat,
                            int32_t audioSamplesPerSecond, int32_t nrChannels,
                            int32_t bitsPerSample, int32_t numAudioSamples, bool allowRGB32,
                            bool allowRGB24, bool allowYUY2, bool allowYV12, int32_t audioMode,
                            SourceCallbacks source, ProgressHooks hooks) {
    outputPath_ = outputPath;
    sourcePath_ = sourcePath;
    linkOption_ = linkOption;
    width_ = width;
    height_ = height;
    fpsNumerator_ = fpsNumerator;
    fpsDenominator_ = fpsDenominator;
    nrFrames_ = nrFrames;
    videoFormat_ = videoFormat;
    audioSamplesPerSecond_ = audioSamplesPerSecond;
    nrChannels_ = nrChannels;
    bitsPerSample_ = bitsPerSample;
    numAudioSamples_ = numAudioSamples;
    allowed_ = AllowedOutputs{allowRGB32, allowRGB24, allowYUY2, allowYV12};
    audioMode_ = audioMode;
    source_ = source;
    hooks_ = hooks;
    if (outputPath == nullptr || sourcePath == nullptr) return false;

    // The link names its source by the full path, whatever the current folder
    // of the program that later plays it.
    storedSource_ = paths::storedSourcePath(sourcePath);
    if (storedSource_.kind == StoredPathKind::tooLong) {
        char text[sizeof kPathTooLongText + 16];
        std::snprintf(text, sizeof text, kPathTooLongText, static_cast<int>(kMaxSourcePathUnits));
        return refuse(text);
    }
    if (!allowed_.any()) return refuse(kNoOutputFormatText);
    std::optional<std::string> fullOutput = paths::fullPath(outputPath);
    if (!fullOutput) return refuse(withPath(kOutputNameText, outputPath));
    fullOutputPath_ = *fullOutput;
    outputPath_ = fullOutputPath_.c_str();
    if (outputNamesSource(outputPath_, sourcePath)) return refuse(sameFileText(outputPath, sourcePath));
    // Without frames there is no rate; the audio is timed in PAL frame periods.
    if (nrFrames_ == 0) {
        fpsNumerator_ = 25;
        fpsDenominator_ = 1;
    }
    std::string refusal = checkStreamInformation(parameters());
    if (!refusal.empty()) return refuse(refusal);

    loadTuningValues();
    refusal = planLink(parameters(), tuning_, &plan_);
    if (!refusal.empty()) return refuse(refusal);
    blockSpacing_ = plan_.blockSpacing;
    maxAudioSamplesPerBlock_ = plan_.maxAudioSamplesPerBlock;
    if (!allocateBuffers()) return false;
    buildLinkData();

    if (!openOutput()) return false;
    blockIndex_ = 0;
    samplesWritten_ = 0;
    streamPosition_ = 0;
    const int32_t total = plan_.frameTotal;
    for (int32_t frame = 0; frame < total; ++frame) {
        if (frame % 100 == 0 && hooks_.setPercent != nullptr)
            hooks_.setPercent(static_cast<int32_t>(int64_t{frame} * 100 / total), hooks_.context);
        if (hooks_.isCancelled != nullptr && hooks_.isCancelled(hooks_.context)) {
            closeOutput();
            return false;
        }
        if (frame < nrFrames_ && !writeFrameRecord(frame)) return false;
        if (!audioBlockDue(frame, blockSpacing_, plan_.audioFrameSpan)) continue;
        bool written = audioMode_ == kAudioModeRaw ? writeRawAudioBlock(frame)
                                                   : writeLinkedAudioBlock(frame);
        if (!written) {
            closeOutput();
            return false;
        }
    }
    return finishOutput();
}

bool LinkWriter::writeFrameRecord(int32_t frame) {
    if (file_ == nullptr || videoStream_ == nullptr) {
        closeOutput();
        return false;
    }
    fillFrameRecord(frameRecord_.get(), plan_.frameRecordSize, frame);
    if (aviStreamWrite(videoStream_, frame, 1, frameRecord_.get(),
                       static_cast<int32_t>(plan_.frameRecordSize), kAviKeyFrame, nullptr,
                       nullptr) != kAviOk)
        return fail(kVideoWriteText, kWriteErrorCaption);
    return true;
}

LinkParameters LinkWriter::parameters() const {
    return LinkParameters{width_,        height_,         fpsNumerator_,
                          fpsDenominator_, nrFrames_,     videoFormat_,
                          audioSamplesPerSecond_, nrChannels_, bitsPerSample_,
                          numAudioSamples_, audioMode_};
}

// The buffers of one link stay until the next link replaces them.
bool LinkWriter::allocateBuffers() {
    audioBuffer_.reset(new (std::nothrow) uint8_t[plan_.audioBufferSize > 0 ? plan_.audioBufferSize : 1]);
    audioBufferSize_ = audioBuffer_ ? plan_.audioBufferSize : 0;
    frameRecord_.reset(new (std::nothrow) uint8_t[plan_.frameRecordSize]);
    if (audioBuffer_ && frameRecord_) return true;
    char text[sizeof kOutOfMemoryText + 16];
    std::snprintf(text, sizeof text, kOutOfMemoryText,
                  static_cast<unsigned>(plan_.audioBufferSize) + plan_.frameRecordSize);
    return refuse(text);
}

void LinkWriter::buildLinkData() {
    const char* field = storedSource_.field.c_str();
    videoLinkData_ = buildVideoLinkData(VideoLinkFields{nrFrames_, height_, width_, videoFormat_,
                                                        field, allowed_, linkOption_});
    audioLinkData_ = buildAudioLinkData(AudioLinkFields{
        numAudioSamples_, maxAudioSamplesPerBlock_, tuning_.audioMaxSizeDecodingBuffer,
        bitsPerSample_, field, linkOption_});
}

bool LinkWriter::fail(const char* text, const char* caption) {
    showBox(text, caption, MB_OK);
    closeOutput();
    return false;
}

bool LinkWriter::refuse(const std::string& text) {
    showBox(text.c_str(), kLinkCaption, MB_OK);
    return false;
}
