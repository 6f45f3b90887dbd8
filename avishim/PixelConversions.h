#pragma once
#include <cstdint>

#include "avishim/PictureLayout.h"

// Whole-picture conversions between the four pixel formats (format codes 1
// YV12, 2 YUY2, 3 RGB24, 4 RGB32): copies, RGB24 <-> RGB32 (alpha 255),
// YUY2 -> RGB24/RGB32/YV12 and YV12 -> RGB24/RGB32/YUY2. RGB is never turned
// into YUV. Pictures are given plane by plane (top row and signed stride), so
// a flip is only a negative stride.
//
// YV12 chroma is sited as in MPEG-2: between two luma rows. Going to YUY2 or
// RGB each luma row takes its chroma from the two nearest chroma rows, 3:1;
// YUY2 to YV12 averages each pair of rows. Within a row, one chroma value
// serves both pixels of its pair.

enum class KernelChoice {
    best,    // the fastest set the processor runs
    scalar,  // the reference, one pixel at a time
    sse2,    // these three only where kernelsAvailable()
    ssse3,
    avx2,
};

bool kernelsAvailable(KernelChoice choice);

struct ConstPlane {
    const uint8_t* top;
    ptrdiff_t stride;
};
struct ConstPicturePlanes {
    ConstPlane plane[3];
};

inline ConstPicturePlanes asConst(const PicturePlanes& planes) {
    ConstPicturePlanes result{};
    for (int i = 0; i < 3; ++i) result.plane[i] = {planes.plane[i].top, planes.plane[i].stride};
    return result;
}

bool canConvert(int32_t from, int32_t to);

// False (and nothing written) when the pair cannot be converted, the size
// is not positive or the processor lacks the chosen kernels. Source and
// destination must not overlap.
bool convertPicture(int32_t from, const ConstPicturePlanes& source, int32_t to,
                    const PicturePlanes& destination, int32_t width, int32_t height,
                    KernelChoice choice = KernelChoice::best);
