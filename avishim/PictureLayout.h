#pragma once
#include <cstddef>
#include <cstdint>

// Where the rows of a picture lie in one buffer, for the four pixel formats
// (format codes 1 YV12, 2 YUY2, 3 RGB24, 4 RGB32). Pure arithmetic.
//
// RGB rows are padded to four bytes and stored bottom-up unless the picture
// is top-down; YUY2 and YV12 are always top-down (their sign of height only
// says nothing about the order). YV12 holds Y, then V, then U, each chroma
// plane half the size in both directions, rounded up.

// One plane: the address of its top row and the signed distance to the next
// row down (negative for a bottom-up picture).
struct Plane {
    uint8_t* top;
    ptrdiff_t stride;
};

// Packed formats use plane 0 only; YV12 uses 0 = Y, 1 = U, 2 = V.
struct PicturePlanes {
    Plane plane[3];
};

// Bytes of one picture, 0 for an unknown format or a size outside
// 1..16384 in either direction.
size_t pictureBytes(int32_t format, int32_t width, int32_t height);

// Bytes from one row to the next in plane 0.
size_t rowBytes(int32_t format, int32_t width);

// `topDown` matters only for RGB.
PicturePlanes layOutPicture(uint8_t* base, int32_t format, int32_t width, int32_t height,
                            bool topDown);
