// Every conversion the codec offers, on random pictures of awkward sizes in
// both orientations: every vector kernel set and the plain kernels give the
// same bytes, the
// result is the definition's (within 1 where RGB is computed from YUV), and
// nothing is written outside the picture.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "avishim/PictureLayout.h"
#include "avishim/PixelConversions.h"
#include "tests/codec/PictureReference.h"

namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{2, 2}, {18, 14}, {720, 576}, {17, 9}, {1, 1}, {33, 3}, {47, 5}};

constexpr KernelChoice kVectorSets[] = {KernelChoice::sse2, KernelChoice::ssse3,
                                        KernelChoice::avx2};
const char* setName(KernelChoice set) {
    return set == KernelChoice::sse2 ? "SSE2" : set == KernelChoice::ssse3 ? "SSSE3" : "AVX2";
}

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

// The sets are chosen by what the processor reports; the compiler's own
// reading of it must agree (this machine has them all).
TEST(PixelConversions, KernelSetsFollowTheProcessor) {
    EXPECT_TRUE(kernelsAvailable(KernelChoice::scalar));
    EXPECT_TRUE(kernelsAvailable(KernelChoice::best));
    EXPECT_EQ(kernelsAvailable(KernelChoice::sse2), __builtin_cpu_supports("sse2") != 0);
    EXPECT_EQ(kernelsAvailable(KernelChoice::ssse3), __builtin_cpu_supports("ssse3") != 0);
    EXPECT_EQ(kernelsAvailable(KernelChoice::avx2), __builtin_cpu_supports("avx2") != 0);
}

TEST(PixelConversions, KernelsAgreeAndMatchTheDefinitions) {
    ASSERT_TRUE(kernelsAvailable(KernelChoice::sse2));
    std::mt19937 random(1234);
    for (const Case& c : allCases()) {
        SCOPED_TRACE(c.name());
        const int w = c.size.width, h = c.size.height;
        const Buffer source(storedBytes(c.pair.from, w, h), random);
        const size_t outBytes = storedBytes(c.pair.to, w, h);
        Buffer plain(outBytes, uint8_t{0});
        ASSERT_TRUE(convert(c, source, plain, KernelChoice::scalar));
        EXPECT_TRUE(plain.guardIntact());
        for (KernelChoice set : kVectorSets) {
            if (!kernelsAvailable(set)) continue;
            Buffer vector(outBytes, uint8_t{0});
            ASSERT_TRUE(convert(c, source, vector, set));
            EXPECT_TRUE(vector.guardIntact()) << setName(set);
            ASSERT_TRUE(plain.data == vector.data) << setName(set) << " and plain kernels differ";
        }

        const PlainPicture expected = referenceConversion(
            readPicture(c.pair.from, source.data.data(), w, h, c.sourceTopDown), c.pair.to);
        const PlainPicture got = readPicture(c.pair.to, plain.data.data(), w, h, c.destinationTopDown);
        const int allowed = (!isRgb(c.pair.from) && isRgb(c.pair.to)) ? 1 : 0;
        EXPECT_LE(largestDifference(got, expected), allowed);
    }
}

// Extremes a random picture rarely holds: black, white and saturated colours
// beyond the nominal range must clamp, not wrap, in every set alike.
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
        // The same colours as YV12, for its own chroma path.
        std::vector<uint8_t> yv12(storedBytes(kYV12, w, h));
        ASSERT_TRUE(convertPicture(kYUY2, asConst(layOutPicture(yuy2.data(), kYUY2, w, h, true)),
                                   kYV12, layOutPicture(yv12.data(), kYV12, w, h, true), w, h));
        for (const Pair& pair : {Pair{kYUY2, kRGB32}, Pair{kYUY2, kRGB24}, Pair{kYV12, kRGB32},
                                 Pair{kYV12, kRGB24}}) {
            SCOPED_TRACE(std::string(formatText(pair.from)) + " to " + formatText(pair.to));
            uint8_t* source = pair.from == kYUY2 ? yuy2.data() : yv12.data();
            const PlainPicture expected =
                referenceConversion(readPicture(pair.from, source, w, h, true), pair.to);
            std::vector<uint8_t> plain;
            for (KernelChoice choice : {KernelChoice::scalar, KernelChoice::sse2,
                                        KernelChoice::ssse3, KernelChoice::avx2}) {
                if (!kernelsAvailable(choice)) continue;
                std::vector<uint8_t> rgb(storedBytes(pair.to, w, h));
                const PicturePlanes from = layOutPicture(source, pair.from, w, h, true);
                const PicturePlanes to = layOutPicture(rgb.data(), pair.to, w, h, true);
                ASSERT_TRUE(convertPicture(pair.from, asConst(from), pair.to, to, w, h, choice));
                const PlainPicture got = readPicture(pair.to, rgb.data(), w, h, true);
                EXPECT_LE(largestDifference(got, expected), 1);
                if (plain.empty()) plain = rgb;
                EXPECT_EQ(rgb, plain);
            }
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
