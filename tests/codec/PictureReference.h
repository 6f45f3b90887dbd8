#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The tests' own view of pictures, written apart from the codec's layout and
// conversion code: a picture in any of the four formats is read into plain
// planes, and the conversions are computed in floating point from the
// definitions (ITU-R BT.601, limited range; MPEG-2 chroma siting).

enum : int32_t { kYV12 = 1, kYUY2 = 2, kRGB24 = 3, kRGB32 = 4 };

struct PlainPicture {
    int32_t format = 0;  // kRGB32 for RGB of either depth (alpha 255 for RGB24)
    int width = 0;
    int height = 0;
    std::vector<int> bgra;      // RGB: 4 values per pixel, top row first
    std::vector<int> y, u, v;   // YUV: luma per pixel; chroma per pair of pixels
    int chromaRows = 0;         // rows of u and v: height (4:2:2) or half (4:2:0)
};

// Bytes of one picture as stored (RGB rows padded to four bytes).
size_t storedBytes(int32_t format, int width, int height);

// Reads a stored picture; `topDown` matters for RGB only.
PlainPicture readPicture(int32_t format, const uint8_t* bytes, int width, int height, bool topDown);

// The picture `source` becomes in `format` by the definitions.
PlainPicture referenceConversion(const PlainPicture& source, int32_t format);

// Largest difference of any value (alpha included), or a large number when
// the two pictures do not have the same shape.
int largestDifference(const PlainPicture& a, const PlainPicture& b);

const char* formatText(int32_t format);
