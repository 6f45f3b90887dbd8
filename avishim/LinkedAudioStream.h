#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "link/AudioLinkParser.h"
#include "source/AVIReader.h"

// One open conversion of linked audio: the source named in the link, opened
// for its sound with the program's own reader, and the blocks turned into
// that sound. The reader keeps its place between calls, so blocks that follow
// each other continue reading where the last one ended and only a jump makes
// it look for a new place.
class LinkedAudioStream {
public:
    // Null when the source cannot be opened, or no longer delivers the sound
    // the link was made from (other channels, rate or bits).
    static std::unique_ptr<LinkedAudioStream> open(const LinkedAudio& link);
    ~LinkedAudioStream();

    // Converts the whole blocks at the front of `source`, as many as
    // `destination` has room for. False when a record fails its checks, the
    // source cannot be read, or not even the first block fits; the counts
    // are then 0.
    bool convert(const uint8_t* source, uint32_t sourceLength, uint8_t* destination,
                 uint32_t destinationLength, uint32_t* sourceUsed, uint32_t* destinationUsed);

private:
    explicit LinkedAudioStream(const LinkedAudio& link) : link_(link) {}
    bool fill(const AudioBlockRecord& record, uint8_t* out, uint32_t room);

    LinkedAudio link_;
    AVIReader reader_;
};
