#pragma once
#include <cstdint>

class SourceReader;

// Plain functions with the reader as an explicit last argument, so that the
// link writer can hold a copy of the record without knowing the reader's type.
using AudioEntry = bool (*)(int32_t start, int32_t count, void* buffer, int32_t size,
                            SourceReader* reader);
using VideoEntry = bool (*)(uint32_t frame, void* buffer, int32_t size, SourceReader* reader);

struct SourceCallbacks {
    SourceReader* reader;
    AudioEntry audioEntry;
    VideoEntry videoEntry;
};

// A source opened through the system's video layer. The stream information
// (videoFormat .. bitsPerSample) is public: the driver, the link writer and the
// information report read it, also after the reader has been closed.
class SourceReader {
public:
    virtual ~SourceReader() = default;
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    virtual bool readVideoFrame(uint32_t frame, void* buffer, int32_t size) = 0;
    // `start` and `count` are in delivered PCM sample frames.
    virtual bool readAudio(int32_t start, int32_t count, void* buffer, int32_t size) = 0;
    virtual bool open(const char* path, bool wantAudio, bool wantVideo, const char* callerName) = 0;
    // Always returns false; the stream information stays readable afterwards.
    virtual bool close(bool closeAudio, bool closeVideo) = 0;
    virtual bool spareHook(void*, void*, void*) { return true; }

    bool openWithFormat(const char* path, bool wantAudio, bool wantVideo, const char* callerName,
                        int32_t forcedFormat);

    char name[30];
    char sourcePath[1024];  // UTF-8: up to 258 UTF-16 units of three bytes each
    char lastError[772];
    bool forceFormatSet;
    int32_t forcedFormat;

    int32_t videoFormat;
    int32_t width;
    int32_t height;
    uint32_t fpsNumerator;
    uint32_t fpsDenominator;
    int32_t nrFrames;
    int32_t audioSamplesPerSecond;
    int32_t numAudioSamples;
    int32_t nrChannels;
    int32_t bitsPerSample;
    bool videoOpened;
    bool audioOpened;

    SourceCallbacks callbacks;

protected:
    SourceReader();
};

// Opens `path` through an AVIReader; null when it cannot be opened (the
// reader is then discarded). The caller owns the result.
SourceReader* openSource(int32_t forcedFormat, const char* path);
using OpenSourceFunction = SourceReader* (*)(int32_t forcedFormat, const char* path);

inline constexpr char kCallerName[] = "Quorl";
