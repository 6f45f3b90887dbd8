#include "avishim/PixelConversions.h"

#include <cstring>
#include <new>
#include <vector>

#include "avishim/PixelKernels.h"
#include "source/FormatCode.h"

namespace {

using pixel::Kernels;

const uint8_t* row(const ConstPlane& plane, int32_t index) {
    return plane.top + plane.stride * index;
}
uint8_t* row(const Plane& plane, int32_t index) { return plane.top + plane.stride * index; }

// Chroma row numbers (in a plane of `rows` rows) that luma row `y` blends:
// the nearer one and the one on the other side of the luma row.
struct ChromaPair {
    int32_t nearRow;
    int32_t farRow;
};
ChromaPair chromaRowsFor(int32_t y, int32_t rows) {
    const int32_t nearRow = y / 2;
    int32_t farRow = (y % 2 == 0) ? nearRow - 1 : nearRow + 1;
    if (farRow < 0) farRow = 0;
    if (farRow >= rows) farRow = rows - 1;
    return {nearRow, farRow};
}

// Row buffers for one conversion: luma, chroma at 8 bits and at four times
// precision, and an RGB32 row.
struct Scratch {
    explicit Scratch(int32_t width)
        : pairs((width + 1) / 2),
          luma(static_cast<size_t>(width)),
          u(static_cast<size_t>(pairs)),
          v(static_cast<size_t>(pairs)),
          u2(static_cast<size_t>(pairs)),
          v2(static_cast<size_t>(pairs)),
          u4(static_cast<size_t>(pairs)),
          v4(static_cast<size_t>(pairs)),
          bgra(static_cast<size_t>(width) * 4) {}
    int32_t pairs;
    std::vector<uint8_t> luma, u, v, u2, v2;
    std::vector<int16_t> u4, v4;
    std::vector<uint8_t> bgra;
};

void copyRows(const ConstPlane& from, const Plane& to, size_t bytes, int32_t rows) {
    for (int32_t y = 0; y < rows; ++y) std::memcpy(row(to, y), row(from, y), bytes);
}

// Writes one BGRA row to the destination, packing it to 24 bits if needed.
void storeRgb(const Kernels& k, int32_t to, const uint8_t* bgra, uint8_t* out, int32_t width) {
    if (to == kFormatRGB32)
        std::memcpy(out, bgra, static_cast<size_t>(width) * 4);
    else
        k.rgb32ToRgb24(bgra, out, width);
}

void rgbToRgb(const Kernels& k, int32_t from, const ConstPlane& src, int32_t to, const Plane& dst,
              int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y) {
        if (from == kFormatRGB24 && to == kFormatRGB32)
            k.rgb24ToRgb32(row(src, y), row(dst, y), width);
        else
            k.rgb32ToRgb24(row(src, y), row(dst, y), width);
    }
}

// The sets with single-pass rows need no scratch rows.
bool singlePassToRgb(const Kernels& k, int32_t from, const ConstPicturePlanes& src, int32_t to,
                     const Plane& dst, int32_t width, int32_t height) {
    if (k.yuy2ToRgb32 == nullptr) return false;
    if (from == kFormatYUY2) {
        const auto rowKernel = to == kFormatRGB32 ? k.yuy2ToRgb32 : k.yuy2ToRgb24;
        for (int32_t y = 0; y < height; ++y) rowKernel(row(src.plane[0], y), row(dst, y), width);
        return true;
    }
    const auto rowKernel = to == kFormatRGB32 ? k.yv12ToRgb32 : k.yv12ToRgb24;
    const int32_t chromaRows = (height + 1) / 2;
    for (int32_t y = 0; y < height; ++y) {
        const ChromaPair pair = chromaRowsFor(y, chromaRows);
        const pixel::ChromaRows chroma{
            row(src.plane[1], pair.nearRow), row(src.plane[1], pair.farRow),
            row(src.plane[2], pair.nearRow), row(src.plane[2], pair.farRow)};
        rowKernel(row(src.plane[0], y), chroma, row(dst, y), width);
    }
    return true;
}

void yuy2ToRgb(const Kernels& k, const ConstPlane& src, int32_t to, const Plane& dst,
               int32_t width, int32_t height, Scratch& s) {
    for (int32_t y = 0; y < height; ++y) {
        k.unpackYuy2(row(src, y), s.luma.data(), s.u.data(), s.v.data(), width);
        k.chromaScale4(s.u.data(), s.u4.data(), s.pairs);
        k.chromaScale4(s.v.data(), s.v4.data(), s.pairs);
        uint8_t* out = to == kFormatRGB32 ? row(dst, y) : s.bgra.data();
        k.yuvToRgb32(s.luma.data(), s.u4.data(), s.v4.data(), out, width);
        if (to == kFormatRGB24) storeRgb(k, to, s.bgra.data(), row(dst, y), width);
    }
}

void yv12ToRgb(const Kernels& k, const ConstPicturePlanes& src, int32_t to, const Plane& dst,
               int32_t width, int32_t height, Scratch& s) {
    const int32_t chromaRows = (height + 1) / 2;
    for (int32_t y = 0; y < height; ++y) {
        const ChromaPair pair = chromaRowsFor(y, chromaRows);
        k.chromaBlend4(row(src.plane[1], pair.nearRow), row(src.plane[1], pair.farRow),
                       s.u4.data(), s.pairs);
        k.chromaBlend4(row(src.plane[2], pair.nearRow), row(src.plane[2], pair.farRow),
                       s.v4.data(), s.pairs);
        uint8_t* out = to == kFormatRGB32 ? row(dst, y) : s.bgra.data();
        k.yuvToRgb32(row(src.plane[0], y), s.u4.data(), s.v4.data(), out, width);
        if (to == kFormatRGB24) storeRgb(k, to, s.bgra.data(), row(dst, y), width);
    }
}

void yv12ToYuy2(const Kernels& k, const ConstPicturePlanes& src, const Plane& dst, int32_t width,
                int32_t height, Scratch& s) {
    const int32_t chromaRows = (height + 1) / 2;
    for (int32_t y = 0; y < height; ++y) {
        const ChromaPair pair = chromaRowsFor(y, chromaRows);
        k.chromaBlend8(row(src.plane[1], pair.nearRow), row(src.plane[1], pair.farRow),
                       s.u.data(), s.pairs);
        k.chromaBlend8(row(src.plane[2], pair.nearRow), row(src.plane[2], pair.farRow),
                       s.v.data(), s.pairs);
        k.packYuy2(row(src.plane[0], y), s.u.data(), s.v.data(), row(dst, y), width);
    }
}

void yuy2ToYv12(const Kernels& k, const ConstPlane& src, const PicturePlanes& dst, int32_t width,
                int32_t height, Scratch& s) {
    for (int32_t y = 0; y < height; y += 2) {
        const int32_t chromaRow = y / 2;
        k.unpackYuy2(row(src, y), row(dst.plane[0], y), s.u.data(), s.v.data(), width);
        if (y + 1 < height) {
            k.unpackYuy2(row(src, y + 1), row(dst.plane[0], y + 1), s.u2.data(), s.v2.data(),
                         width);
            k.chromaAverage(s.u.data(), s.u2.data(), row(dst.plane[1], chromaRow), s.pairs);
            k.chromaAverage(s.v.data(), s.v2.data(), row(dst.plane[2], chromaRow), s.pairs);
        } else {
            // An odd last row has no partner: its chroma stands alone.
            std::memcpy(row(dst.plane[1], chromaRow), s.u.data(), static_cast<size_t>(s.pairs));
            std::memcpy(row(dst.plane[2], chromaRow), s.v.data(), static_cast<size_t>(s.pairs));
        }
    }
}

void copyPicture(int32_t format, const ConstPicturePlanes& src, const PicturePlanes& dst,
                 int32_t width, int32_t height) {
    copyRows(src.plane[0], dst.plane[0], rowBytes(format, width), height);
    if (format == kFormatYV12) {
        const size_t pairs = static_cast<size_t>((width + 1) / 2);
        copyRows(src.plane[1], dst.plane[1], pairs, (height + 1) / 2);
        copyRows(src.plane[2], dst.plane[2], pairs, (height + 1) / 2);
    }
}

bool isRgb(int32_t format) { return format == kFormatRGB24 || format == kFormatRGB32; }

// Null when the processor lacks the set. The best one is chosen once: the
// processor does not change under a running process.
const Kernels* kernelsFor(KernelChoice choice) {
    switch (choice) {
    case KernelChoice::best: {
        static const Kernels& best = pixel::avx2Available()    ? pixel::avx2Kernels()
                                     : pixel::ssse3Available() ? pixel::ssse3Kernels()
                                     : pixel::sse2Available()  ? pixel::sse2Kernels()
                                                               : pixel::scalarKernels();
        return &best;
    }
    case KernelChoice::scalar: return &pixel::scalarKernels();
    case KernelChoice::sse2: return pixel::sse2Available() ? &pixel::sse2Kernels() : nullptr;
    case KernelChoice::ssse3: return pixel::ssse3Available() ? &pixel::ssse3Kernels() : nullptr;
    case KernelChoice::avx2: return pixel::avx2Available() ? &pixel::avx2Kernels() : nullptr;
    }
    return nullptr;
}

}  // namespace

bool kernelsAvailable(KernelChoice choice) { return kernelsFor(choice) != nullptr; }

bool canConvert(int32_t from, int32_t to) {
    if (!isKnownFormat(from) || !isKnownFormat(to)) return false;
    // RGB never becomes YUV: the colour would have to be re-sampled, and a
    // link never asks for it.
    return !(isRgb(from) && !isRgb(to));
}

bool convertPicture(int32_t from, const ConstPicturePlanes& source, int32_t to,
                    const PicturePlanes& destination, int32_t width, int32_t height,
                    KernelChoice choice) {
    if (!canConvert(from, to) || width < 1 || height < 1 || rowBytes(from, width) == 0) return false;
    const Kernels* kernels = kernelsFor(choice);
    if (kernels == nullptr) return false;
    const Kernels& k = *kernels;

    if (from == to) {
        copyPicture(from, source, destination, width, height);
        return true;
    }
    if (isRgb(from)) {
        rgbToRgb(k, from, source.plane[0], to, destination.plane[0], width, height);
        return true;
    }
    if (isRgb(to) && singlePassToRgb(k, from, source, to, destination.plane[0], width, height))
        return true;
    try {
        Scratch scratch(width);
        if (from == kFormatYUY2 && isRgb(to))
            yuy2ToRgb(k, source.plane[0], to, destination.plane[0], width, height, scratch);
        else if (from == kFormatYV12 && isRgb(to))
            yv12ToRgb(k, source, to, destination.plane[0], width, height, scratch);
        else if (from == kFormatYV12)
            yv12ToYuy2(k, source, destination.plane[0], width, height, scratch);
        else
            yuy2ToYv12(k, source.plane[0], destination, width, height, scratch);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
