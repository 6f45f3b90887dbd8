// Every conversion the codec offers, on random pictures of awkward sizes in
// both orientations: the SSE2 and the plain kernels give the same bytes, the
// result is the definition's (within 1 where RGB is computed from YUV), and
// nothing is written outside the picture.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "avishim/PictureLayout.h"
#include "avishim/PixelConversions.h"
#include "avishim/PixelKernels.h"
#include "tests/codec/PictureReference.h"

namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{2, 2}, {18, 14}, {720, 576}, {17, 9}, {1, 1}, {33, 3}};

struct Pair {
    int32_t from;
    int32_t to;
};
constexpr Pair kPairs[] = {
    {kRGB24, kRGB24}, {kRGB32, kRGB32}, {kYUY2, kYUY2},  {kYV12, kYV12},
    {kRGB24, kRGB32}, {kRGB32, kRGB24}, {kYUY2, kRGB24}, {kYUY2, kRGB32},
    {kYUY2, kYV12},   {kYV12, kRGB24},  {kYV12, kRGB32}, {kYV12, kYUY2},
};

bool isRgb(int32_t format) { return format == kRGB24 || format == kRGB32; }

// A buffer with guard bytes after the picture; the picture part starts random
// (padding included, so stray reads of padding would show).
struct Buffer {
    Buffer(size_t bytes, std::mt19937& random) : data(bytes + kGuardBytes, kGuard) {
        for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(random());
    }
    Buffer(size_t bytes, uint8_t fill) : data(bytes, fill) { data.resize(bytes + kGuardBytes, kGuard); }
    bool guardIntact() const {
        for (size_t i = data.size() - kGuardBytes; i < data.size(); ++i)
            if (data[i] != kGuard) return false;
        return true;
    }
    std::vector<uint8_t> data;
};

struct Case {
    Pair pair;
    Size size;
    bool sourceTopDown;
    bool destinationTopDown;

    std::string name() const {
        return std::string(formatText(pair.from)) + (sourceTopDown ? "(top-down)" : "") + " to " +
               formatText(pair.to) + (destinationTopDown ? "(top-down)" : "") + " at " +
               std::to_string(size.width) + "x" + std::to_string(size.height);
    }
};

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const Pair& pair : kPairs)
        for (const Size& size : kSizes)
            for (bool sourceTopDown : {false, true})
                for (bool destinationTopDown : {false, true}) {
                    // Orientation means nothing to YUV: one case is enough.
                    if (!isRgb(pair.from) && sourceTopDown) continue;
                    if (!isRgb(pair.to) && destinationTopDown) continue;
                    cases.push_back({pair, size, sourceTopDown, destinationTopDown});
                }
    return cases;
}

bool convert(const Case& c, const Buffer& source, Buffer& destination, KernelChoice choice) {
    const PicturePlanes from = layOutPicture(const_cast<uint8_t*>(source.data.data()), c.pair.from,
                                             c.size.width, c.size.height, c.sourceTopDown);
    const PicturePlanes to = layOutPicture(destination.data.data(), c.pair.to, c.size.width,
                                           c.size.height, c.destinationTopDown);
    return convertPicture(c.pair.from, asConst(from), c.pair.to, to, c.size.width, c.size.height,
                          choice);
}

}  // namespace

TEST(PixelConversions, KernelsAgreeAndMatchTheDefinitions) {
    ASSERT_TRUE(pixel::sse2Available());
    std::mt19937 random(1234);
    for (const Case& c : allCases()) {
        SCOPED_TRACE(c.name());
        const int w = c.size.width, h = c.size.height;
        const Buffer source(storedBytes(c.pair.from, w, h), random);
        const size_t outBytes = storedBytes(c.pair.to, w, h);
        Buffer plain(outBytes, uint8_t{0}), sse2(outBytes, uint8_t{0});
        ASSERT_TRUE(convert(c, source, plain, KernelChoice::scalar));
        ASSERT_TRUE(convert(c, source, sse2, KernelChoice::sse2));
        EXPECT_TRUE(plain.guardIntact());
        EXPECT_TRUE(sse2.guardIntact());
        ASSERT_TRUE(plain.data == sse2.data) << "SSE2 and plain kernels differ";

        const PlainPicture expected = referenceConversion(
            readPicture(c.pair.from, source.data.data(), w, h, c.sourceTopDown), c.pair.to);
        const PlainPicture got = readPicture(c.pair.to, plain.data.data(), w, h, c.destinationTopDown);
        const int allowed = (!isRgb(c.pair.from) && isRgb(c.pair.to)) ? 1 : 0;
        EXPECT_LE(largestDifference(got, expected), allowed);
    }
}

// Extremes a random picture rarely holds: black, white and saturated colours
// beyond the nominal range must clamp, not wrap.
TEST(PixelConversions, ExtremeValuesClampInsteadOfWrapping) {
    struct Extreme {
        uint8_t y, u, v;
    };
    const Extreme extremes[] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 255}, {0, 255, 0},
                                {16, 128, 128}, {235, 128, 128}, {81, 90, 240}};
    for (const Extreme& e : extremes) {
        SCOPED_TRACE(std::to_string(e.y) + "," + std::to_string(e.u) + "," + std::to_string(e.v));
        const int w = 24, h = 4;
        std::vector<uint8_t> yuy2(storedBytes(kYUY2, w, h));
        for (size_t i = 0; i < yuy2.size(); i += 4) {
            yuy2[i] = e.y;
            yuy2[i + 1] = e.u;
            yuy2[i + 2] = e.y;
            yuy2[i + 3] = e.v;
        }
        for (KernelChoice choice : {KernelChoice::scalar, KernelChoice::sse2}) {
            std::vector<uint8_t> rgb(storedBytes(kRGB32, w, h));
            const PicturePlanes from = layOutPicture(yuy2.data(), kYUY2, w, h, true);
            const PicturePlanes to = layOutPicture(rgb.data(), kRGB32, w, h, true);
            ASSERT_TRUE(convertPicture(kYUY2, asConst(from), kRGB32, to, w, h, choice));
            const PlainPicture expected =
                referenceConversion(readPicture(kYUY2, yuy2.data(), w, h, true), kRGB32);
            EXPECT_LE(largestDifference(readPicture(kRGB32, rgb.data(), w, h, true), expected), 1);
        }
    }
}

TEST(PixelConversions, RgbNeverBecomesYuvAndNothingIsWrittenForRefusals) {
    struct Refusal {
        int32_t from, to;
        int width, height;
    };
    const Refusal refusals[] = {
        {kRGB24, kYUY2, 8, 8}, {kRGB32, kYV12, 8, 8}, {kRGB24, kYV12, 8, 8}, {kRGB32, kYUY2, 8, 8},
        {0, kRGB24, 8, 8},     {kRGB24, 5, 8, 8},     {kYUY2, kRGB32, 0, 8}, {kYV12, kRGB32, 8, -2},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(std::to_string(r.from) + " to " + std::to_string(r.to));
        std::vector<uint8_t> source(1024, 7), destination(1024, 0);
        const PicturePlanes from = layOutPicture(source.data(), kRGB32, 8, 8, true);
        const PicturePlanes to = layOutPicture(destination.data(), kRGB32, 8, 8, true);
        EXPECT_FALSE(convertPicture(r.from, asConst(from), r.to, to, r.width, r.height));
        EXPECT_EQ(destination, std::vector<uint8_t>(1024, 0));
    }
}

TEST(PictureLayout, SizesAndPlanesOfEachFormat) {
    struct Row {
        int32_t format;
        int width, height;
        size_t bytes, stride;
    };
    const Row rows[] = {
        {kRGB32, 720, 576, 1658880, 2880}, {kRGB24, 720, 576, 1244160, 2160},
        {kRGB24, 18, 14, 56 * 14, 56},     {kYUY2, 720, 576, 829440, 1440},
        {kYUY2, 17, 9, 36 * 9, 36},        {kYV12, 720, 576, 622080, 720},
        {kYV12, 17, 9, 17 * 9 + 2 * 9 * 5, 17}, {kRGB24, 0, 10, 0, 0},
        {kYV12, 16385, 2, 0, 0},           {7, 16, 16, 0, 0},
        // The largest picture a link may name, in every format.
        {kYV12, 16384, 16384, 402653184, 16384}, {kYUY2, 16384, 16384, 536870912, 32768},
        {kRGB24, 16384, 16384, 805306368, 49152}, {kRGB32, 16384, 16384, 1073741824, 65536},
        {kRGB32, 16384, 16385, 0, 65536},     {kRGB24, 1, 16384, 65536, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(formatText(r.format)) + " " + std::to_string(r.width) + "x" +
                     std::to_string(r.height));
        EXPECT_EQ(pictureBytes(r.format, r.width, r.height), r.bytes);
        if (r.bytes != 0) {
            EXPECT_EQ(r.bytes, storedBytes(r.format, r.width, r.height));
        }
        EXPECT_EQ(rowBytes(r.format, r.width), r.stride);
    }
    // Bottom-up RGB starts at the last row; YV12's U plane follows its V plane.
    uint8_t base[4096];
    const PicturePlanes rgb = layOutPicture(base, kRGB24, 18, 14, false);
    EXPECT_EQ(rgb.plane[0].top, base + 56 * 13);
    EXPECT_EQ(rgb.plane[0].stride, -56);
    EXPECT_EQ(layOutPicture(base, kRGB24, 18, 0, false).plane[0].top, nullptr);  // not before base
    const PicturePlanes yv12 = layOutPicture(base, kYV12, 17, 9, false);
    EXPECT_EQ(yv12.plane[0].top, base);
    EXPECT_EQ(yv12.plane[2].top, base + 17 * 9);
    EXPECT_EQ(yv12.plane[1].top, base + 17 * 9 + 9 * 5);
    EXPECT_EQ(yv12.plane[1].stride, 9);
}
