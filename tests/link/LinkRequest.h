#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkWriter.h"

// Known PCM served through a source callback record, the way the source
// reader serves decoded audio: each 16-bit sample is a function of its sample
// frame and channel, so any chunk can be checked against what was asked.
class PcmServer {
public:
    struct Call {
        int32_t start;
        int32_t count;
        int32_t bufferSize;
    };

    explicit PcmServer(int32_t channels, int32_t bitsPerSample = 16)
        : channels_(channels), bits_(bitsPerSample) {}

    SourceCallbacks callbacks();
    static int16_t sampleValue(int32_t frame, int32_t channel);
    std::vector<uint8_t> expected(int32_t start, int32_t count) const;

    std::vector<Call> calls;
    int32_t failAtCall = -1;  // the n-th call (0-based) returns false

private:
    static bool audioEntry(int32_t start, int32_t count, void* buffer, int32_t size,
                           SourceReader* reader);

    int32_t channels_;
    int32_t bits_;
};

// What the progress reporter saw.
struct ProgressLog {
    std::vector<int32_t> percents;
    int32_t polls = 0;
    int32_t cancelAtPoll = -1;  // isCancelled answers true at this poll (0-based)

    ProgressHooks hooks();
};

// The arguments of one createLink call, with the values of a short PAL YV12
// clip without audio unless a test says otherwise.
struct LinkRequest {
    std::string outputPath;
    std::string sourcePath = "c:\\ORVserver.avs";
    int32_t linkOption = 1;
    int32_t width = 720;
    int32_t height = 576;
    int32_t fpsNumerator = 25;
    int32_t fpsDenominator = 1;
    int32_t nrFrames = 10;
    int32_t videoFormat = 1;
    int32_t audioSamplesPerSecond = 48000;
    int32_t nrChannels = 2;
    int32_t bitsPerSample = 16;
    int32_t numAudioSamples = 0;
    bool rgb32 = false, rgb24 = false, yuy2 = false, yv12 = true;
    int32_t audioMode = kAudioModeLinked;
    SourceCallbacks source{};
    ProgressHooks hooks{};

    bool run(LinkWriter& writer) const;
};
