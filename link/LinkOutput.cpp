// Opening and closing the link file through the AVIFile-style writer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/LinkMessages.h"
#include "link/LinkWriter.h"
#include "common/MessageBoxes.h"
#include "common/Paths.h"

using namespace linkText;

namespace {

// An existing file is only tested, never emptied: it must stay as it is
// until the finished link replaces it. One that cannot be opened for writing
// is held by someone else (an editor still showing the previous link).
bool outputWritable(const char* path) {
    const std::wstring name = paths::wide(path);
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A new, empty file in the output's folder: a move within one folder (one
// volume) replaces the output in one step.
bool createTemporaryBeside(const char* output, std::string* temporary) {
    std::optional<std::wstring> full = paths::fullPath(paths::wide(output));
    if (!full) return false;
    const size_t lastSeparator = full->rfind(L'\\');
    if (lastSeparator == std::wstring::npos) return false;
    full->resize(lastSeparator);
    if (lastSeparator == 2) *full += L'\\';  // "C:" means the drive's current folder
    // GetTempFileNameW writes at most MAX_PATH units: a folder that leaves no
    // room for the name is refused by it.
    wchar_t name[MAX_PATH];
    if (full->size() > MAX_PATH - 14 || GetTempFileNameW(full->c_str(), L"qrl", 0, name) == 0)
        return false;
    *temporary = paths::utf8(name);
    return true;
}

}  // namespace

bool LinkWriter::openOutput() {
    if (file_ != nullptr) return false;
    // Whatever kept the file from opening (another program holding it, a
    // folder that is missing or read-only), the user can mend it while the
    // question is open; Retry then tries the whole open again.
    while (!openOutputFile()) {
        if (showBox(kOutputInUseText, kWriteErrorCaption, MB_RETRYCANCEL) != IDRETRY)
            return false;
    }
    if ((nrFrames_ != 0 && !createVideoStream()) || (numAudioSamples_ != 0 && !createAudioStream())) {
        closeOutput();
        return false;
    }
    return true;
}

bool LinkWriter::openOutputFile() {
    if (!outputWritable(outputPath_)) return false;
    // The link is written beside the output and moved over it only when
    // complete, so a failed, cancelled or killed link never damages the file
    // that was there before.
    if (!createTemporaryBeside(outputPath_, &temporaryPath_)) {
        temporaryPath_.clear();
        return false;
    }
    if (!libraryInitialised_) {
        aviFileInit();
        libraryInitialised_ = true;
    }
    if (aviFileOpen(&file_, temporaryPath_.c_str(), kAviOpenCreate | kAviOpenWrite) != kAviOk) {
        file_ = nullptr;
        closeOutput();
        return false;
    }
    return true;
}

bool LinkWriter::createVideoStream() {
    const VideoFormat format =
        buildVideoFormat(width_, height_, plan_.bitCount, plan_.sizeImage, videoLinkData_);
    videoFormatRecord_.assign(format.begin(), format.end());
    if (!storedSource_.block.empty()) videoFormatRecord_ = videoFormatWithPath(format, storedSource_.block);
    AviStreamInfo info =
        buildVideoStreamHeader(plan_.videoRate, nrFrames_, plan_.sizeImage, width_, height_);
    return aviFileCreateStream(file_, &videoStream_, &info) == kAviOk &&
           aviStreamSetFormat(videoStream_, 0, videoFormatRecord_.data(),
                              static_cast<int32_t>(videoFormatRecord_.size())) == kAviOk;
}

bool LinkWriter::createAudioStream() {
    uint32_t suggested = 0;
    if (audioMode_ == kAudioModeRaw) {
        PcmFormat pcm = buildPcmFormat(nrChannels_, audioSamplesPerSecond_, bitsPerSample_);
        audioFormatRecord_.assign(pcm.begin(), pcm.end());
    } else {
        const LinkedAudioFormat linked = buildLinkedAudioFormat(
            LinkedAudioFields{nrChannels_, audioSamplesPerSecond_, plan_.linkedBytesPerSecond,
                              tuning_.audioSHIMblockSize, bitsPerSample_,
                              tuning_.bPerSampleDestInSource},
            audioLinkData_);
        audioFormatRecord_.assign(linked.begin(), linked.end());
        if (!storedSource_.block.empty())
            audioFormatRecord_ = audioFormatWithPath(linked, storedSource_.block);
        suggested = tuning_.audioSHIMblockSize;
    }
    audioBlockAlign_ = formatBlockAlign(audioFormatRecord_.data());
    audioBytesPerSecond_ = formatAvgBytesPerSec(audioFormatRecord_.data());
    AviStreamInfo info = buildAudioStreamHeader(audioBlockAlign_, audioBytesPerSecond_, suggested);
    return aviFileCreateStream(file_, &audioStream_, &info) == kAviOk &&
           aviStreamSetFormat(audioStream_, 0, audioFormatRecord_.data(),
                              static_cast<int32_t>(audioFormatRecord_.size())) == kAviOk;
}

bool LinkWriter::releaseOutput() {
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

void LinkWriter::discardTemporary() {
    if (temporaryPath_.empty()) return;
    DeleteFileW(paths::wide(temporaryPath_).c_str());
    temporaryPath_.clear();
}

bool LinkWriter::closeOutput() {
    bool finished = releaseOutput();
    discardTemporary();
    return finished;
}

bool LinkWriter::finishOutput() {
    // Only a file whose index and headers made it to disk may replace the output.
    if (!releaseOutput()) {
        discardTemporary();
        showBox(kFinishFailedText, kWriteErrorCaption, MB_OK);
        return false;
    }
    if (!MoveFileExW(paths::wide(temporaryPath_).c_str(), paths::wide(outputPath_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        discardTemporary();
        showBox(withPath(kReplaceFailedText, outputPath_).c_str(), kWriteErrorCaption, MB_OK);
        return false;
    }
    temporaryPath_.clear();
    return true;
}
