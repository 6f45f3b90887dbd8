#include "avishim/PictureLayout.h"

#include "source/FormatCode.h"

namespace {

constexpr int32_t kMaxSide = 16384;

bool sizeUsable(int32_t width, int32_t height) {
    return width >= 1 && width <= kMaxSide && height >= 1 && height <= kMaxSide;
}

size_t half(int32_t side) { return (static_cast<size_t>(side) + 1) / 2; }

}  // namespace

size_t rowBytes(int32_t format, int32_t width) {
    if (width < 1 || width > kMaxSide) return 0;
    const size_t w = static_cast<size_t>(width);
    switch (format) {
    case kFormatRGB32: return w * 4;
    case kFormatRGB24: return (w * 3 + 3) / 4 * 4;
    case kFormatYUY2: return half(width) * 4;
    case kFormatYV12: return w;
    default: return 0;
    }
}

size_t pictureBytes(int32_t format, int32_t width, int32_t height) {
    if (!sizeUsable(width, height)) return 0;
    const size_t rows = static_cast<size_t>(height);
    if (format == kFormatYV12) return rowBytes(format, width) * rows + 2 * half(width) * half(height);
    return rowBytes(format, width) * rows;
}

PicturePlanes layOutPicture(uint8_t* base, int32_t format, int32_t width, int32_t height,
                            bool topDown) {
    PicturePlanes planes{};
    const size_t row = rowBytes(format, width);
    if (base == nullptr || row == 0 || !sizeUsable(width, height)) return planes;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(row);
    const bool rgb = format == kFormatRGB24 || format == kFormatRGB32;
    if (rgb && !topDown) {
        planes.plane[0] = {base + stride * (height - 1), -stride};
    } else {
        planes.plane[0] = {base, stride};
    }
    if (format == kFormatYV12) {
        const ptrdiff_t chroma = static_cast<ptrdiff_t>(half(width));
        uint8_t* v = base + stride * height;
        uint8_t* u = v + chroma * static_cast<ptrdiff_t>(half(height));
        planes.plane[1] = {u, chroma};
        planes.plane[2] = {v, chroma};
    }
    return planes;
}
