// Whole-picture conversions at random sizes, row strides and orientations:
// every vector kernel set the processor runs must give the plain kernels'
// bytes exactly, and none may touch a byte outside the rows it was given (the gaps between rows are
// checked against a fill pattern, the buffers' ends by AddressSanitizer).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avishim/PictureLayout.h"
#include "avishim/PixelConversions.h"
#include "fuzz/FuzzCheck.h"
#include "source/FormatCode.h"

namespace {

constexpr uint8_t kFill = 0xCD;

// One plane in its own buffer, exactly as large as its rows need.
struct PlaneBuffer {
    std::vector<uint8_t> bytes;
    ptrdiff_t stride = 0;
    bool bottomUp = false;
    int32_t rows = 0;

    uint8_t* top() {
        if (rows == 0) return nullptr;
        return bottomUp ? bytes.data() + stride * (rows - 1) : bytes.data();
    }
    ptrdiff_t signedStride() const { return bottomUp ? -stride : stride; }
};

struct Picture {
    PlaneBuffer plane[3];
    int planes = 1;

    PicturePlanes planesView() {
        PicturePlanes view{};
        for (int i = 0; i < planes; ++i) view.plane[i] = {plane[i].top(), plane[i].signedStride()};
        return view;
    }
};

// Bytes of one row as a picture buffer holds it: RGB rows are padded to four
// bytes like every bitmap's, so a row copy may carry the padding along.
size_t rowPixels(int32_t format, int32_t width, int planeIndex) {
    if (planeIndex == 0) return rowBytes(format, width);
    return (static_cast<size_t>(width) + 1) / 2;
}

Picture makePicture(FuzzedDataProvider& in, int32_t format, int32_t width, int32_t height) {
    Picture picture;
    picture.planes = format == kFormatYV12 ? 3 : 1;
    const bool bottomUp = in.ConsumeBool();
    for (int i = 0; i < picture.planes; ++i) {
        PlaneBuffer& p = picture.plane[i];
        p.rows = i == 0 ? height : (height + 1) / 2;
        p.stride = static_cast<ptrdiff_t>(rowPixels(format, width, i) +
                                          in.ConsumeIntegralInRange<size_t>(0, 19));
        p.bottomUp = bottomUp;
        // The last row ends the buffer: nothing after it may be read or written.
        p.bytes.assign(static_cast<size_t>(p.stride) * (p.rows - 1) + rowPixels(format, width, i),
                       kFill);
    }
    return picture;
}

void fillFrom(FuzzedDataProvider& in, Picture& picture) {
    std::vector<uint8_t> pattern = in.ConsumeRemainingBytes<uint8_t>();
    if (pattern.empty()) pattern.push_back(0x80);
    size_t next = 0;
    for (int i = 0; i < picture.planes; ++i)
        for (uint8_t& byte : picture.plane[i].bytes) byte = pattern[next++ % pattern.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t from = in.ConsumeIntegralInRange<int32_t>(kFormatYV12, kFormatRGB32);
    const int32_t to = in.ConsumeIntegralInRange<int32_t>(kFormatYV12, kFormatRGB32);
    // Widths cross every vector width and its tails; a few rows show the
    // vertical chroma handling, odd heights included.
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(1, 70);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(1, 9);

    Picture source = makePicture(in, from, width, height);
    Picture plain = makePicture(in, to, width, height);
    const Picture untouched = plain;
    fillFrom(in, source);

    const ConstPicturePlanes sourceView = asConst(source.planesView());
    const bool convertedPlain = convertPicture(from, sourceView, to, plain.planesView(), width,
                                               height, KernelChoice::scalar);
    FUZZ_CHECK(convertedPlain == canConvert(from, to));
    // Gaps between rows keep the fill.
    for (int i = 0; i < plain.planes; ++i) {
        const PlaneBuffer& p = plain.plane[i];
        const size_t used = rowPixels(to, width, i);
        for (int32_t r = 0; r + 1 < p.rows; ++r)
            for (size_t b = used; b < static_cast<size_t>(p.stride); ++b)
                FUZZ_CHECK(p.bytes[static_cast<size_t>(p.stride) * r + b] == kFill);
    }
    for (KernelChoice set : {KernelChoice::sse2, KernelChoice::ssse3, KernelChoice::avx2}) {
        if (!kernelsAvailable(set)) continue;
        Picture vector = untouched;
        const bool convertedVector =
            convertPicture(from, sourceView, to, vector.planesView(), width, height, set);
        FUZZ_CHECK(convertedVector == convertedPlain);
        for (int i = 0; i < plain.planes; ++i)
            FUZZ_CHECK(plain.plane[i].bytes == vector.plane[i].bytes);
    }
    return 0;
}
