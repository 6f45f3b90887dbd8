// The texts of the advanced information dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

#include "ui/AdvancedInfoText.h"

namespace {

std::string nameOf(uint32_t compression) {
    char text[16];
    compressionName(compression, text, sizeof text);
    return text;
}

std::string rateOf(uint32_t numerator, uint32_t denominator) {
    char text[32];
    formatFrameRate(numerator, denominator, text, sizeof text);
    return text;
}

std::string lengthOf(int64_t seconds, int32_t count) {
    char text[64];
    formatLength(seconds, count, text, sizeof text);
    return text;
}

TEST(AdvancedInfoText, CompressionNames) {
    EXPECT_EQ(nameOf(BI_RGB), "BI_RGB");
    EXPECT_EQ(nameOf(BI_RLE8), "BI_RLE8");
    EXPECT_EQ(nameOf(BI_RLE4), "BI_RLE4");
    EXPECT_EQ(nameOf(BI_BITFIELDS), "BI_BITFIELDS");
    EXPECT_EQ(nameOf(BI_JPEG), "BI_JPEG");
    EXPECT_EQ(nameOf(mmioFOURCC('D', 'I', 'V', 'X')), "DIVX");
    EXPECT_EQ(nameOf(mmioFOURCC('M', 'J', 'P', 'G')), "MJPG");
    EXPECT_EQ(nameOf(mmioFOURCC('c', 'v', 'i', 'd')), "cvid");
    // Short buffers are cut, never overrun.
    char small[4] = {'x', 'x', 'x', 'x'};
    compressionName(BI_BITFIELDS, small, sizeof small);
    EXPECT_STREQ(small, "BI_");
}

TEST(AdvancedInfoText, FrameRatesWithTwoDecimals) {
    EXPECT_EQ(rateOf(25, 1), "25.00");
    EXPECT_EQ(rateOf(30000, 1001), "29.97");
    EXPECT_EQ(rateOf(24000, 1001), "23.98");
    EXPECT_EQ(rateOf(1, 2), " 0.50");
}

TEST(AdvancedInfoText, VideoSecondsAreTruncated) {
    EXPECT_EQ(videoSeconds(1500, 25, 1), 60);
    EXPECT_EQ(videoSeconds(1499, 25, 1), 59);
    EXPECT_EQ(videoSeconds(1500, 30000, 1001), 50);
    EXPECT_EQ(videoSeconds(0, 25, 1), 0);
}

TEST(AdvancedInfoText, VideoSecondsWithoutAUsableRate) {
    EXPECT_EQ(videoSeconds(1500, 0, 1), 0);
    EXPECT_EQ(videoSeconds(1500, 25, 0), 0);
    EXPECT_EQ(videoSeconds(0, 0, 0), 0);
    EXPECT_EQ(videoSeconds(-5, 25, 1), 0);
    // One frame in a million seconds: far beyond what the field can show.
    EXPECT_EQ(videoSeconds(INT32_MAX, 1, 1000000), INT32_MAX);
}

TEST(AdvancedInfoText, AudioSecondsUseIntegerDivision) {
    EXPECT_EQ(audioSeconds(5400000, 48000), 112);
    EXPECT_EQ(audioSeconds(47999, 48000), 0);
    EXPECT_EQ(audioSeconds(5400000, 0), 0);
    EXPECT_EQ(audioSeconds(5400000, -48000), 0);
}

TEST(AdvancedInfoText, Lengths) {
    EXPECT_EQ(lengthOf(60, 1500), "00:01:00 (1500)");
    EXPECT_EQ(lengthOf(audioSeconds(5400000, 48000), 5400000), "00:01:52 (5400000)");
    EXPECT_EQ(lengthOf(audioSeconds(43200000, 8000), 43200000), "01:30:00 (43200000)");
    EXPECT_EQ(lengthOf(1, 25), "00:00:01 (25)");
    EXPECT_EQ(lengthOf(0, 0), "00:00:00 (0)");
    EXPECT_EQ(lengthOf(360000, 1), "100:00:00 (1)");
}

}  // namespace
