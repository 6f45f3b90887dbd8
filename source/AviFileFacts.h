#pragma once
#include <cstdint>

// The reader's own look at a RIFF AVI file's chunks: what AVIFile would get
// wrong or crash on, and whether the file is a link that may be made again.
// Pure: it sees the file only through ByteSource.
namespace avi {

// The fields of a stream header ('strh') that the compensation needs.
struct StreamHeaderFields {
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t sampleSize = 0;
};

// What the file's own chunks say, read without AVIFile.
struct AviFileFacts {
    bool isAvi = false;             // a RIFF 'AVI ' file
    bool hasLegacyIndex = false;    // an 'idx1' chunk
    bool hasOpenDmlIndex = false;   // an 'indx' chunk in a stream header list
    bool hasSecondPart = false;     // a 'RIFF' 'AVIX' part after the first (OpenDML, past 1 GB)
    bool isLink = false;            // a video stream of SHIM or an audio stream of tag 0xF4
    bool hasAudio = false;          // an audio stream header
    bool hasAudioBlockAlign = false;
    uint32_t audioBlockAlign = 0;   // nBlockAlign of the first audio stream's format
    StreamHeaderFields audio;
};

// Random access to the bytes of one file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // True only when all `length` bytes at `offset` were read.
    virtual bool readAt(uint64_t offset, void* data, uint32_t length) = 0;
};

// Fills `facts`; false when the bytes are no RIFF AVI file (a script or
// signpost file for a frameserver, say).
bool inspectAviChunks(ByteSource& file, AviFileFacts* facts);

}  // namespace avi
