#pragma once
#include <cstdint>
#include <string>

#include "link/LinkArithmetic.h"
#include "link/TuningValues.h"

// Everything the link writer derives from a source's stream information and
// the tuning values before it touches the output, and the checks that keep
// those numbers inside the fields and buffers they go into.

// A frame record larger than this serves no reader and would only fill the disk.
inline constexpr uint32_t kMaxFrameRecordSize = 1 << 20;
// nBlockAlign is 16 bits wide.
inline constexpr uint32_t kMaxAudioBlockSize = 65535;
inline constexpr int32_t kMaxAudioBufferSize = 64 << 20;

struct LinkParameters {
    int32_t width;
    int32_t height;
    int32_t fpsNumerator;  // 25/1 already substituted when there are no frames
    int32_t fpsDenominator;
    int32_t nrFrames;
    int32_t videoFormat;
    int32_t audioSamplesPerSecond;
    int32_t nrChannels;
    int32_t bitsPerSample;
    int32_t numAudioSamples;
    int32_t audioMode;  // 3: RAW audio; anything else: linked audio

    bool hasVideo() const { return nrFrames != 0; }
    bool hasAudio() const { return numAudioSamples != 0; }
    bool rawAudio() const { return audioMode == 3; }
};

struct LinkPlan {
    int32_t blockSpacing;          // N
    int32_t audioBufferSize;       // bytes
    int32_t maxAudioSamplesPerBlock;
    int32_t audioFrameSpan;        // frame periods the audio lasts
    int32_t frameTotal;            // frame periods the loop runs
    uint32_t frameRecordSize;      // S
    int32_t bitCount;
    int32_t sizeImage;
    VideoRate videoRate;
    uint32_t linkedBytesPerSecond; // nAvgBytesPerSec of the linked format
};

// Empty when the stream information can be linked, else the message to show.
std::string checkStreamInformation(const LinkParameters& source);
// Empty and `plan` filled when the link can be written with `tuning`, else the
// message to show.
std::string planLink(const LinkParameters& source, const TuningValues& tuning, LinkPlan* plan);
// An upper bound of the link file's size in bytes.
double estimateLinkFileSize(const LinkParameters& source, const LinkPlan& plan,
                            const TuningValues& tuning);
