#pragma once
#include <cstdint>

#include "link/ProgressHooks.h"
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
};
