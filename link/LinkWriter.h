#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/AudioRecords.h"
#include "link/AviFile.h"
#include "link/LinkPlan.h"
#include "link/OutputFormats.h"
#include "link/ProgressHooks.h"
#include "link/StoredPath.h"
#include "link/TuningValues.h"
#include "link/VideoRecords.h"
#include "source/SourceReader.h"

inline constexpr int32_t kAudioModeLinked = 2;
inline constexpr int32_t kAudioModeRaw = 3;

// Turns one opened source into one link file. One writer lives for the whole
// process; createLink always leaves it idle again.
class LinkWriter {
public:
    LinkWriter();
    ~LinkWriter();
    LinkWriter(const LinkWriter&) = delete;
    LinkWriter& operator=(const LinkWriter&) = delete;

    // True when the link file was completely written and closed.
    bool createLink(const char* outputPath, const char* sourcePath, int32_t linkOption,
                    int32_t width, int32_t height, int32_t fpsNumerator, int32_t fpsDenominator,
                    int32_t nrFrames, int32_t videoFormat, int32_t audioSamplesPerSecond,
                    int32_t nrChannels, int32_t bitsPerSample, int32_t numAudioSamples,
                    bool allowRGB32, bool allowRGB24, bool allowYUY2, bool allowYV12,
                    int32_t audioMode, SourceCallbacks source, ProgressHooks hooks);

    // Creates the output file and its streams from the stored arguments.
    bool openOutput();
    // One block of PCM read from the source, for frame period `frame`.
    bool writeRawAudioBlock(int32_t frame);
    // Releases the streams, the file and the library and deletes the
    // unfinished link; safe when nothing is open. False when the file's index
    // or headers could not be written.
    bool closeOutput();
    // Finishes the file and moves it over the output; false (after saying
    // why) when it could not be finished or put in place.
    bool finishOutput();

    // The tuning values under AVISETTINGS: a missing or unreadable value
    // resets all five to their defaults and writes them back.
    void loadTuningValues();
    void storeTuningValues();
    void resetTuningValues();
    // 1 created, 2 opened existing, 0 failed.
    int openSettingsKey();
    void closeSettingsKey();
    const TuningValues& tuningValues() const { return tuning_; }

private:
    bool writeFrameRecord(int32_t frame);
    bool writeLinkedAudioBlock(int32_t frame);
    LinkParameters parameters() const;
    bool allocateBuffers();
    void buildLinkData();
    // The temporary file beside the output, opened for the writer; false
    // (after cleaning up) when any step of that fails.
    bool openOutputFile();
    bool createVideoStream();
    bool createAudioStream();
    // Shows `text` and ends the link: output closed, result false.
    bool fail(const char* text, const char* caption);
    bool releaseOutput();
    void discardTemporary();
    // Shows `text` before anything was touched; result false.
    bool refuse(const std::string& text);

    SourceCallbacks source_{};
    ProgressHooks hooks_{};
    const char* outputPath_ = nullptr;  // the full path, in fullOutputPath_
    std::string fullOutputPath_;
    std::string temporaryPath_;  // where the link is written until it is complete
    const char* sourcePath_ = nullptr;
    StoredPath storedSource_;  // how the link names the source
    int32_t linkOption_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t fpsNumerator_ = 0;
    int32_t fpsDenominator_ = 0;
    int32_t nrFrames_ = 0;
    int32_t videoFormat_ = 0;
    int32_t audioSamplesPerSecond_ = 0;
    int32_t nrChannels_ = 0;
    int32_t bitsPerSample_ = 0;
    int32_t numAudioSamples_ = 0;
    AllowedOutputs allowed_{};
    int32_t audioBufferSize_ = 0;
    std::unique_ptr<uint8_t[]> audioBuffer_;
    std::unique_ptr<uint8_t[]> frameRecord_;
    VideoLinkData videoLinkData_{};
    AudioLinkData audioLinkData_{};
    TuningValues tuning_ = kDefaultTuningValues;
    std::vector<uint8_t> videoFormatRecord_;
    std::vector<uint8_t> audioFormatRecord_;  // linked or PCM, with any path block
    LinkPlan plan_{};
    int32_t blockSpacing_ = 1;
    int32_t blockIndex_ = 0;
    int32_t audioMode_ = kAudioModeLinked;
    int32_t samplesWritten_ = 0;
    int32_t streamPosition_ = 0;
    uint32_t audioBlockAlign_ = 0;
    uint32_t audioBytesPerSecond_ = 0;
    int32_t maxAudioSamplesPerBlock_ = 0;
    bool libraryInitialised_ = false;
    AviFileHandle* file_ = nullptr;
    AviStreamHandle* videoStream_ = nullptr;
    AviStreamHandle* audioStream_ = nullptr;
    void* settingsKey_ = nullptr;  // HKEY of AVISETTINGS while it is read or written
};
