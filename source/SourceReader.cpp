#include "source/SourceReader.h"

#include <cstring>

namespace {
bool callReadAudio(int32_t start, int32_t count, void* buffer, int32_t size, SourceReader* reader) {
    return reader->readAudio(start, count, buffer, size);
}
bool callReadVideoFrame(uint32_t frame, void* buffer, int32_t size, SourceReader* reader) {
    return reader->readVideoFrame(frame, buffer, size);
}
}  // namespace

SourceReader::SourceReader()
    : name{}, sourcePath{}, lastError{}, forceFormatSet(false), forcedFormat(0), videoFormat(0),
      width(0), height(0), fpsNumerator(0), fpsDenominator(0), nrFrames(0),
      audioSamplesPerSecond(0), numAudioSamples(0), nrChannels(0), bitsPerSample(0),
      videoOpened(false), audioOpened(false), callbacks{nullptr, callReadAudio, callReadVideoFrame} {
    std::strcpy(name, "UNKNOWN");
}

bool SourceReader::openWithFormat(const char* path, bool wantAudio, bool wantVideo,
                                  const char* callerName, int32_t forcedFormatCode) {
    forceFormatSet = forcedFormatCode != 0;
    forcedFormat = forceFormatSet ? forcedFormatCode : 0;
    return open(path, wantAudio, wantVideo, callerName);
}
