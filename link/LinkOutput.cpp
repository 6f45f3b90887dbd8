// Opening and closing the link file through the AVIFile-style writer.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "link/LinkMessages.h"
#include "link/LinkWriter.h"

using namespace linkText;

bool LinkWriter::openOutput() {
    if (file_ != nullptr) return false;
    // Emptying the file first tells a file held open elsewhere (an editor
    // still showing the previous link) from any later failure.
    for (;;) {
        if (FILE* probe = std::fopen(outputPath_, "w")) {
            std::fclose(probe);
            break;
        }
        if (MessageBoxA(nullptr, kOutputInUseText, kWriteErrorCaption, MB_RETRYCANCEL) != IDRETRY)
            return false;
    }
    if (!libraryInitialised_) {
        aviFileInit();
        libraryInitialised_ = true;
    }
    if (aviFileOpen(&file_, outputPath_, kAviOpenCreate | kAviOpenWrite) != kAviOk) {
        file_ = nullptr;
        closeOutput();
        return false;
    }
    if ((nrFrames_ != 0 && !createVideoStream()) || (numAudioSamples_ != 0 && !createAudioStream())) {
        closeOutput();
        return false;
    }
    return true;
}

bool LinkWriter::createVideoStream() {
    videoFormatRecord_ =
        buildVideoFormat(width_, height_, plan_.bitCount, plan_.sizeImage, videoLinkData_);
    AviStreamInfo info =
        buildVideoStreamHeader(plan_.videoRate, nrFrames_, plan_.sizeImage, width_, height_);
    return aviFileCreateStream(file_, &videoStream_, &info) == kAviOk &&
           aviStreamSetFormat(videoStream_, 0, videoFormatRecord_.data(), kVideoFormatSize) == kAviOk;
}

bool LinkWriter::createAudioStream() {
    uint32_t suggested = 0;
    if (audioMode_ == kAudioModeRaw) {
        PcmFormat pcm = buildPcmFormat(nrChannels_, audioSamplesPerSecond_, bitsPerSample_);
        std::copy(pcm.begin(), pcm.end(), audioFormatRecord_.begin());
        audioFormatSize_ = kPcmFormatSize;
    } else {
        audioFormatRecord_ = buildLinkedAudioFormat(
            LinkedAudioFields{nrChannels_, audioSamplesPerSecond_, plan_.linkedBytesPerSecond,
                              tuning_.audioSHIMblockSize, bitsPerSample_,
                              tuning_.bPerSampleDestInSource},
            audioLinkData_);
        audioFormatSize_ = kLinkedAudioFormatSize;
        suggested = tuning_.audioSHIMblockSize;
    }
    audioBlockAlign_ = formatBlockAlign(audioFormatRecord_.data());
    audioBytesPerSecond_ = formatAvgBytesPerSec(audioFormatRecord_.data());
    AviStreamInfo info = buildAudioStreamHeader(audioBlockAlign_, audioBytesPerSecond_, suggested);
    return aviFileCreateStream(file_, &audioStream_, &info) == kAviOk &&
           aviStreamSetFormat(audioStream_, 0, audioFormatRecord_.data(),
                              static_cast<int32_t>(audioFormatSize_)) == kAviOk;
}

bool LinkWriter::closeOutput() {
    bool finished = true;
    if (audioStream_ != nullptr) finished = aviStreamRelease(audioStream_) == kAviOk && finished;
    if (videoStream_ != nullptr) finished = aviStreamRelease(videoStream_) == kAviOk && finished;
    if (file_ != nullptr) finished = aviFileRelease(file_) == kAviOk && finished;
    audioStream_ = nullptr;
    videoStream_ = nullptr;
    file_ = nullptr;
    if (libraryInitialised_) {
        aviFileExit();
        libraryInitialised_ = false;
    }
    return finished;
}
