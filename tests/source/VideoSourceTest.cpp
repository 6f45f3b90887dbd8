#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "source/AVIReader.h"
#include "source/FormatCode.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 48;
constexpr int kFrames = 25;
constexpr DWORD kYUY2 = mmioFOURCC('Y', 'U', 'Y', '2');
constexpr DWORD kYV12 = mmioFOURCC('Y', 'V', '1', '2');

std::unique_ptr<AVIReader> openVideo(const std::string& path, int32_t forced = 0) {
    auto reader = std::make_unique<AVIReader>();
    if (!reader->openWithFormat(path.c_str(), false, true, "Quorl", forced)) return nullptr;
    return reader;
}

std::string forcedFailureText(const std::string& path) {
    return "Could not open AVI file : \"" + path + "\" with forced video format.";
}

Bytes readFrame(AVIReader& reader, uint32_t frame, size_t bytes) {
    Bytes picture(bytes);
    if (!reader.readVideoFrame(frame, picture.data(), static_cast<int32_t>(bytes))) return {};
    return picture;
}

Bytes slice(const Bytes& all, size_t offset, size_t bytes) {
    return Bytes(all.begin() + offset, all.begin() + offset + bytes);
}

// ffmpeg's decode runs top to bottom; bottom-up RGB pictures are turned
// over (YUV pictures run top to bottom whatever the sign).
Bytes inReaderOrder(const AVIReader& reader, Bytes picture, size_t rowBytes) {
    const BITMAPINFOHEADER& header = reader.deliveredHeader();
    if (header.biCompression == BI_RGB && header.biHeight > 0) return flipRows(picture, rowBytes);
    return picture;
}

struct StoredCase {
    const char* name;
    int32_t format;
    size_t frameBytes;
    size_t referenceFrameBytes;  // pal8 references carry a palette per frame
    size_t rowBytes;
};

}  // namespace

TEST(StoredVideo, EachStoredFormatOpensRawAndReadsBackAsFfmpegDecodesIt) {
    const StoredCase cases[] = {
        {"rgb24", kFormatRGB24, kWidth * kHeight * 3, kWidth * kHeight * 3, kWidth * 3},
        {"rgb24-bottomup", kFormatRGB24, kWidth * kHeight * 3, kWidth * kHeight * 3, kWidth * 3},
        {"rgb32", kFormatRGB32, kWidth * kHeight * 4, kWidth * kHeight * 4, kWidth * 4},
        {"yuy2", kFormatYUY2, kWidth * kHeight * 2, kWidth * kHeight * 2, kWidth * 2},
        {"yv12", kFormatYV12, kWidth * kHeight * 3 / 2, kWidth * kHeight * 3 / 2, 0},
        {"pal8", kFormatNone, kWidth * kHeight, kWidth * kHeight + 1024, kWidth},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = openVideo(mediaPath(std::string(c.name) + ".avi"));
        ASSERT_NE(reader, nullptr);
        EXPECT_TRUE(reader->videoOpened);
        EXPECT_FALSE(reader->audioOpened);
        EXPECT_EQ(reader->videoFormat, c.format);
        EXPECT_EQ(reader->width, kWidth);
        EXPECT_EQ(reader->height, kHeight);
        EXPECT_EQ(reader->fpsNumerator, 25u);
        EXPECT_EQ(reader->fpsDenominator, 1u);
        EXPECT_EQ(reader->nrFrames, kFrames);
        EXPECT_EQ(reader->decompressorAttempts(), 0);

        const Bytes ref = reference(std::string(c.name) + ".ref");
        ASSERT_EQ(ref.size(), c.referenceFrameBytes * kFrames);
        for (uint32_t frame = 0; frame < kFrames; frame += 6) {
            Bytes expected = slice(ref, frame * c.referenceFrameBytes, c.frameBytes);
            if (c.format == kFormatYV12) {
                // ffmpeg hands the chroma planes back as U then V; YV12 stores V first.
                const size_t luma = kWidth * kHeight, chroma = luma / 4;
                std::memcpy(&expected[luma], &ref[frame * c.referenceFrameBytes + luma + chroma],
                            chroma);
                std::memcpy(&expected[luma + chroma], &ref[frame * c.referenceFrameBytes + luma],
                            chroma);
            } else {
                expected = inReaderOrder(*reader, expected, c.rowBytes);
            }
            EXPECT_EQ(readFrame(*reader, frame, c.frameBytes), expected) << "frame " << frame;
        }
    }
}

TEST(StoredVideo, ForcedFormatMustBeTheStoredOne) {
    const std::string rgb24 = mediaPath("rgb24.avi");
    EXPECT_NE(openVideo(rgb24, kFormatRGB24), nullptr);
    for (int32_t other : {int32_t{kFormatYUY2}, int32_t{kFormatRGB32}, int32_t{kFormatYV12}, 7}) {
        AVIReader reader;
        EXPECT_FALSE(reader.openWithFormat(rgb24.c_str(), true, true, "Quorl", other));
        EXPECT_STREQ(reader.lastError, forcedFailureText(rgb24).c_str());
    }
    EXPECT_NE(openVideo(mediaPath("yuy2.avi"), kFormatYUY2), nullptr);
    EXPECT_NE(openVideo(mediaPath("yv12.avi"), kFormatYV12), nullptr);
    EXPECT_EQ(openVideo(mediaPath("pal8.avi"), kFormatRGB24), nullptr);
}

TEST(StoredVideo, NegativeFrameRectangleEdgesGivePositiveSizes) {
    Bytes avi = readFileBytes(mediaPath("rgb24.avi"));
    const size_t strh = streamHeaderOffset(avi, "vids");
    ASSERT_NE(strh, 0u);
    putLe16(avi, strh + 52, static_cast<uint16_t>(-kWidth));   // rcFrame.right
    putLe16(avi, strh + 54, static_cast<uint16_t>(-kHeight));  // rcFrame.bottom
    const std::string path = scratchPath("negative-frame.avi");
    ASSERT_TRUE(writeFileBytes(path, avi));

    auto reader = openVideo(path);
    ASSERT_NE(reader, nullptr);
    AVISTREAMINFOA info{};
    reader->getStreamDetails(nullptr, &info, nullptr, nullptr, nullptr);
    ASSERT_LT(info.rcFrame.bottom, 0) << "the platform did not keep the stored rectangle";
    EXPECT_EQ(reader->width, kWidth);
    EXPECT_EQ(reader->height, kHeight);
}

TEST(StoredVideo, RawFrameReadsRefuseSmallBuffersAndMissingFrames) {
    auto reader = openVideo(mediaPath("rgb24.avi"));
    ASSERT_NE(reader, nullptr);
    const size_t bytes = kWidth * kHeight * 3;
    Bytes picture(bytes + 16, 0xA5);
    EXPECT_FALSE(reader->readVideoFrame(0, picture.data(), static_cast<int32_t>(bytes - 1)));
    EXPECT_STREQ(reader->lastError, "Unable to read video from AVI file");
    for (size_t i = bytes - 1; i < picture.size(); ++i) ASSERT_EQ(picture[i], 0xA5) << i;

    EXPECT_FALSE(reader->readVideoFrame(kFrames + 100, picture.data(), static_cast<int32_t>(bytes)));
    EXPECT_STREQ(reader->lastError, "Unable to read video from AVI file");
    EXPECT_FALSE(reader->readVideoFrame(0, nullptr, static_cast<int32_t>(bytes)));
}

TEST(CompressedVideo, MsVideo1DecompressesToRgb24EqualToFfmpegsDecode) {
    auto reader = openVideo(mediaPath("msvideo1.avi"));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->videoFormat, kFormatRGB24);
    EXPECT_EQ(reader->decompressorAttempts(), 1);
    EXPECT_EQ(reader->nrFrames, kFrames);
    EXPECT_EQ(reader->deliveredHeader().biSizeImage, DWORD{kWidth * kHeight * 3});

    // The codec stores 5 bits per channel; ffmpeg's decode keeps those bits,
    // the system's decompressor widens them to 8.
    const Bytes ref = reference("msvideo1.ref");
    const size_t frameBytes = kWidth * kHeight * 3;
    for (uint32_t frame = 0; frame < kFrames; frame += 4) {
        SCOPED_TRACE(frame);
        const Bytes picture = inReaderOrder(*reader, readFrame(*reader, frame, frameBytes),
                                            kWidth * 3);
        ASSERT_EQ(picture.size(), frameBytes);
        int mismatches = 0, exchangedMismatches = 0;
        for (size_t pixel = 0; pixel < size_t{kWidth} * kHeight; ++pixel) {
            const unsigned word = ref[frame * kWidth * kHeight * 2 + pixel * 2] |
                                  ref[frame * kWidth * kHeight * 2 + pixel * 2 + 1] << 8;
            const unsigned b = word & 31, g = word >> 5 & 31, r = word >> 10 & 31;
            if (picture[pixel * 3] >> 3 != b || picture[pixel * 3 + 1] >> 3 != g ||
                picture[pixel * 3 + 2] >> 3 != r)
                ++mismatches;
            if (picture[pixel * 3] >> 3 != r || picture[pixel * 3 + 1] >> 3 != g ||
                picture[pixel * 3 + 2] >> 3 != b)
                ++exchangedMismatches;
        }
        // Wine 8's decompressor delivers red and blue exchanged, so the
        // picture must be exact either way round; on frames after the first
        // it also leaves a few stray pixels in the first four-pixel block row
        // of its buffer, which no decoder difference would explain.
        const int allowed = frame == 0 ? 0 : 4 * 4;
        EXPECT_LE(std::min(mismatches, exchangedMismatches), allowed);
    }
}

TEST(CompressedVideo, CinepakDecompressesToRgb24CloseToFfmpegsDecode) {
    auto reader = openVideo(mediaPath("cinepak.avi"));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->videoFormat, kFormatRGB24);
    EXPECT_EQ(reader->decompressorAttempts(), 1);

    // Both decoders turn the codec's YUV into RGB with their own rounding.
    const Bytes ref = reference("cinepak.ref");
    const size_t frameBytes = kWidth * kHeight * 3;
    for (uint32_t frame = 0; frame < kFrames; frame += 4) {
        SCOPED_TRACE(frame);
        const Bytes picture = inReaderOrder(*reader, readFrame(*reader, frame, frameBytes),
                                            kWidth * 3);
        ASSERT_EQ(picture.size(), frameBytes);
        int worst = 0;
        for (size_t i = 0; i < frameBytes; ++i)
            worst = std::max(worst, std::abs(picture[i] - ref[frame * frameBytes + i]));
        EXPECT_LE(worst, 3);
    }
}

TEST(CompressedVideo, Rle8DecompressesToExactlyThePalettisedPicture) {
    // An RLE8 file made from ffmpeg's palettised one: same palette, same
    // pictures, so the decompressed frames must equal ffmpeg's RGB decode.
    const Bytes pal8 = readFileBytes(mediaPath("pal8.avi"));
    const Bytes indices = reference("pal8.ref");
    const size_t strf = [&] {
        for (size_t at = 12; at + 8 < pal8.size(); ++at)
            if (std::memcmp(&pal8[at], "strf", 4) == 0) return at + 8;
        return size_t{0};
    }();
    ASSERT_NE(strf, 0u);
    AviStream video;
    video.type = "vids";
    video.handler = "mrle";
    video.scale = 1;
    video.rate = 25;
    video.frameRight = kWidth;
    video.frameBottom = kHeight;
    video.chunkId = "00dc";
    video.format.assign(pal8.begin() + strf, pal8.begin() + strf + 40 + 1024);
    putLe32(video.format, 8, kHeight);  // RLE pictures run bottom-up
    putLe32(video.format, 16, BI_RLE8);
    for (int frame = 0; frame < kFrames; ++frame)
        video.chunks.push_back(encodeRle8(&indices[frame * (kWidth * kHeight + 1024)], kWidth,
                                          kHeight));
    putLe32(video.format, 20, 0);  // biSizeImage: left to the decoder
    const std::string path = scratchPath("rle8.avi");
    ASSERT_TRUE(writeFileBytes(path, buildAvi({video}, 40000)));

    auto reader = openVideo(path);
    ASSERT_NE(reader, nullptr) << "the system offers no RLE8 decompressor";
    EXPECT_EQ(reader->videoFormat, kFormatRGB24);
    const Bytes ref = reference("pal8.bgr24");
    const size_t frameBytes = kWidth * kHeight * 3;
    for (uint32_t frame = 0; frame < kFrames; frame += 6) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(inReaderOrder(*reader, readFrame(*reader, frame, frameBytes), kWidth * 3),
                  slice(ref, frame * frameBytes, frameBytes));
    }
}

TEST(CompressedVideo, ForcedFormatMakesExactlyOneAttempt) {
    const std::string cinepak = mediaPath("cinepak.avi");
    {
        // YV12 is asked for top-down; whether the decompressor can deliver
        // it is up to the system.
        AVIReader reader;
        const bool opened = reader.openWithFormat(cinepak.c_str(), false, true, "Quorl", kFormatYV12);
        EXPECT_EQ(reader.decompressorAttempts(), 1);
        const BITMAPINFOHEADER& asked = reader.deliveredHeader();
        EXPECT_EQ(asked.biCompression, kYV12);
        EXPECT_EQ(asked.biBitCount, 12);
        EXPECT_EQ(asked.biHeight, -kHeight);
        EXPECT_EQ(asked.biSizeImage, DWORD{kWidth * kHeight * 12 / 8});
        EXPECT_EQ(reader.videoFormat, kFormatYV12);
        if (!opened) {
            EXPECT_STREQ(reader.lastError, forcedFailureText(cinepak).c_str());
        }
    }
    {
        auto reader = openVideo(cinepak, kFormatYUY2);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->decompressorAttempts(), 1);
        EXPECT_EQ(reader->videoFormat, kFormatYUY2);
        EXPECT_EQ(reader->deliveredHeader().biHeight, -kHeight);
        EXPECT_EQ(readFrame(*reader, 0, kWidth * kHeight * 2).size(), size_t{kWidth * kHeight * 2});
    }
    {
        auto reader = openVideo(cinepak, kFormatRGB32);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->decompressorAttempts(), 1);
        EXPECT_EQ(reader->videoFormat, kFormatRGB32);
        EXPECT_EQ(reader->deliveredHeader().biHeight, kHeight);
    }
    const std::string msvideo1 = mediaPath("msvideo1.avi");
    AVIReader reader;
    EXPECT_FALSE(reader.openWithFormat(msvideo1.c_str(), true, true, "Quorl", kFormatYUY2));
    EXPECT_EQ(reader.decompressorAttempts(), 1);
    EXPECT_STREQ(reader.lastError, forcedFailureText(msvideo1).c_str());
}

TEST(CompressedVideo, DecompressedFrameReadsRefuseSmallBuffersAndMissingFrames) {
    auto reader = openVideo(mediaPath("msvideo1.avi"));
    ASSERT_NE(reader, nullptr);
    const size_t bytes = kWidth * kHeight * 3;
    Bytes picture(bytes, 0xA5);
    EXPECT_FALSE(reader->readVideoFrame(0, picture.data(), static_cast<int32_t>(bytes / 2)));
    EXPECT_STREQ(reader->lastError, "Video frame buffer too small for the picture");
    for (size_t i = bytes / 2; i < bytes; ++i) ASSERT_EQ(picture[i], 0xA5) << i;

    EXPECT_FALSE(reader->readVideoFrame(kFrames + 100, picture.data(), static_cast<int32_t>(bytes)));
    EXPECT_STREQ(reader->lastError, "Unable to read RAW video date from AVI file");
}
