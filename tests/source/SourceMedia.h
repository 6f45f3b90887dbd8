#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A source made by make-media.sh (Windows path), and ffmpeg's decode of it.
std::string mediaPath(const std::string& name);
Bytes reference(const std::string& name);
// A path in this test program's scratch folder.
std::string scratchPath(const std::string& name);

// Rows of a picture in the opposite vertical order.
Bytes flipRows(const Bytes& picture, size_t rowBytes);

// Offset of the data of the first stream header ('strh') of the given type
// ("vids" or "auds") in a RIFF AVI file's bytes; 0 when there is none.
size_t streamHeaderOffset(const Bytes& avi, const char* type);
void putLe32(Bytes& bytes, size_t offset, uint32_t value);
void putLe16(Bytes& bytes, size_t offset, uint16_t value);
uint32_t le32(const Bytes& bytes, size_t offset);

// One stream of an AVI file written by buildAvi.
struct AviStream {
    std::string type;      // "vids" or "auds"
    std::string handler;   // fccHandler
    uint32_t scale = 1, rate = 25, sampleSize = 0;
    int16_t frameRight = 0, frameBottom = 0;
    Bytes format;          // the 'strf' contents
    std::string chunkId;   // e.g. "00dc"
    std::vector<Bytes> chunks;
};
// A plain AVI 1.0 file with an 'idx1' index; no streams at all is allowed.
Bytes buildAvi(const std::vector<AviStream>& streams, uint32_t microSecPerFrame);

// RLE8 encoding (runs only) of an 8-bit picture whose rows run top to bottom;
// the encoded picture runs bottom to top, as RLE bitmaps do.
Bytes encodeRle8(const unsigned char* topDownRows, int width, int height);
