// The bytes and numbers a link file is made of, built without any file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/UserSettings.h"
#include "link/AudioRecords.h"
#include "link/LinkArithmetic.h"
#include "link/LinkMessages.h"
#include "link/LinkPlan.h"
#include "link/LittleEndian.h"
#include "link/OutputFormats.h"
#include "link/StoredPath.h"
#include "link/VideoRecords.h"

using namespace linkText;

namespace {

template <typename Bytes>
uint32_t u32at(const Bytes& bytes, size_t offset) {
    return getU32(&bytes[offset]);
}
template <typename Bytes>
uint16_t u16at(const Bytes& bytes, size_t offset) {
    return getU16(&bytes[offset]);
}

VideoLinkFields orvServerClip() {
    return VideoLinkFields{1000, 576, 720, 1, "c:\\ORVserver.avs",
                           AllowedOutputs{false, false, false, true}, 1};
}

std::string formatted(const char* text, ...) {
    char buffer[512];
    va_list args;
    va_start(args, text);
    std::vsnprintf(buffer, sizeof buffer, text, args);
    va_end(args);
    return buffer;
}

LinkParameters palClip() {
    LinkParameters p{};
    p.width = 720;
    p.height = 576;
    p.fpsNumerator = 25;
    p.fpsDenominator = 1;
    p.nrFrames = 1000;
    p.videoFormat = 1;
    p.audioSamplesPerSecond = 48000;
    p.nrChannels = 2;
    p.bitsPerSample = 16;
    p.numAudioSamples = 48000 * 40;
    p.audioMode = 2;
    return p;
}

void setAudio(LinkParameters& p, int32_t mode, int32_t channels, int32_t bits, int32_t rate) {
    p.audioMode = mode;
    p.nrChannels = channels;
    p.bitsPerSample = bits;
    p.audioSamplesPerSecond = rate;
}

// 131072 frames per second, with one audio sample.
void superFast(LinkParameters& p) {
    p.fpsNumerator = 134217728;
    p.fpsDenominator = 1024;
    p.numAudioSamples = 1;
}

// What the writer says before it touches the output: the stream check, then the plan.
std::string refusal(const LinkParameters& p, const TuningValues& tuning) {
    std::string text = checkStreamInformation(p);
    LinkPlan plan{};
    return text.empty() ? planLink(p, tuning, &plan) : text;
}

}  // namespace

TEST(VideoRecords, FrameRatesBelowAThousandthAreScaledToThousandths) {
    VideoRate pal = videoRateFor(25, 1);
    EXPECT_EQ(pal.scale, 1000u);
    EXPECT_EQ(pal.rate, 25000u);
    VideoRate ntsc = videoRateFor(30000, 1001);
    EXPECT_EQ(ntsc.scale, 1001u);
    EXPECT_EQ(ntsc.rate, 30000u);
    VideoRate exact = videoRateFor(23976, 1000);
    EXPECT_EQ(exact.scale, 1000u);
    EXPECT_EQ(exact.rate, 23976u);
    VideoRate truncated = videoRateFor(2997, 999);  // 2997000 / 999 = 3000 exactly
    EXPECT_EQ(truncated.rate, 3000u);
    EXPECT_EQ(videoRateFor(10, 3).rate, 3333u);
    // Rates whose thousandfold no longer fits 32 bits cannot be stored.
    EXPECT_TRUE(videoRateFits(4294967, 1));
    EXPECT_FALSE(videoRateFits(4294968, 1));
    EXPECT_TRUE(videoRateFits(4294968, 1000));
}

TEST(VideoRecords, BitCountAndPictureSizeFollowTheFormatCode) {
    EXPECT_EQ(bitCountFor(1), 12);
    EXPECT_EQ(bitCountFor(2), 16);
    EXPECT_EQ(bitCountFor(3), 24);
    EXPECT_EQ(bitCountFor(4), 32);
    EXPECT_EQ(bitCountFor(0), 24);
    EXPECT_EQ(bitCountFor(7), 24);
    int32_t size = 0;
    ASSERT_TRUE(pictureSizeImage(12, 720, 576, &size));
    EXPECT_EQ(size, 622080);
    ASSERT_TRUE(pictureSizeImage(24, 3, 1, &size));
    EXPECT_EQ(size, 9);
    ASSERT_TRUE(pictureSizeImage(12, 3, 1, &size));  // 36 / 8, truncated
    EXPECT_EQ(size, 4);
    EXPECT_FALSE(pictureSizeImage(32, 30000, 30000, &size));
}

TEST(VideoRecords, LinkDataAndFormatOfTheOrvServerExample) {
    VideoLinkData data = buildVideoLinkData(orvServerClip());
    EXPECT_EQ(u32at(data, 0), 2u);
    EXPECT_EQ(u32at(data, 4), 1000u);
    EXPECT_EQ(u32at(data, 8), 576u);
    EXPECT_EQ(u32at(data, 12), 720u);
    EXPECT_EQ(u32at(data, 16), 1u);
    EXPECT_EQ(std::memcmp(&data[20], "c:\\ORVserver.avs", 16), 0);
    for (int i = 36; i < 60; ++i) EXPECT_EQ(data[i], 0) << i;
    EXPECT_EQ(data[60], 1);
    EXPECT_EQ(data[61], 0);
    EXPECT_EQ(data[62], 0);
    EXPECT_EQ(data[63], 0);
    EXPECT_EQ(u32at(data, 64), 1u);

    VideoFormat format = buildVideoFormat(720, 576, 12, 622080, data);
    EXPECT_EQ(u32at(format, 0), 112u);
    EXPECT_EQ(u32at(format, 4), 720u);
    EXPECT_EQ(u32at(format, 8), 576u);
    EXPECT_EQ(u16at(format, 12), 1);
    EXPECT_EQ(u16at(format, 14), 12);
    EXPECT_EQ(std::memcmp(&format[16], "SHIM", 4), 0);
    EXPECT_EQ(u32at(format, 20), 622080u);
    for (int i = 24; i < 40; ++i) EXPECT_EQ(format[i], 0) << i;
    EXPECT_EQ(std::memcmp(&format[40], data.data(), data.size()), 0);
    for (int i = 108; i < 112; ++i) EXPECT_EQ(format[i], 0) << i;
}

TEST(VideoRecords, OutputFlagsStandInFormatCodeOrder) {
    VideoLinkFields fields = orvServerClip();
    fields.outputs = AllowedOutputs{true, false, true, false};  // RGB32, YUY2
    VideoLinkData data = buildVideoLinkData(fields);
    EXPECT_EQ(data[59 + 1], 0);  // YV12
    EXPECT_EQ(data[59 + 2], 1);  // YUY2
    EXPECT_EQ(data[59 + 3], 0);  // RGB24
    EXPECT_EQ(data[59 + 4], 1);  // RGB32
}

TEST(VideoRecords, PathsFillAtMostThirtyEightBytes) {
    const std::string path38 = "d:\\media\\projects\\2024\\clip-0001-a.avs";
    ASSERT_EQ(path38.size(), 38u);
    VideoLinkFields fields = orvServerClip();
    fields.sourcePath = path38.c_str();
    VideoLinkData data = buildVideoLinkData(fields);
    EXPECT_EQ(std::memcmp(&data[20], path38.data(), 38), 0);
    EXPECT_EQ(data[58], 0);
    EXPECT_EQ(data[59], 0);
    // The builder never overruns its field, even if a caller skipped the check.
    const std::string path39 = path38 + "x";
    fields.sourcePath = path39.c_str();
    data = buildVideoLinkData(fields);
    EXPECT_EQ(data[58], 0);
    EXPECT_EQ(data[59], 0);
    EXPECT_EQ(data[60], 1);
}

TEST(StoredPath, FieldThenShortFormThenBlockThenRefusal) {
    const std::string path38 = "d:\\media\\projects\\2024\\clip-0001-a.avs";
    const std::string longPath = "S:\\" + std::string(96, 'l') + ".avi";
    const std::string cyrillic = "S:\\\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE.avi";  // Видео
    const std::string tooMany = "S:\\" + std::string(kMaxSourcePathUnits - 3, 'x') + "\xF0\x9F\x98\x80";
    using Kind = StoredPathKind;
    struct Row {
        const char* name;
        PathForms forms;
        Kind kind;
        std::string field, block;
    };
    const Row rows[] = {
        {"38 characters, byte for byte", {path38, path38, "D:\\MEDIA\\PROJEC~1\\2024\\CLIP-0~1.AVS"},
         Kind::field, path38, ""},
        {"ANSI but not ASCII", {"c:\\\xC3\xA9t\xC3\xA9.avi", "c:\\\xE9t\xE9.avi", std::nullopt},
         Kind::field, "c:\\\xE9t\xE9.avi", ""},
        {"39 characters: the short form", {path38 + "x", path38 + "x", "D:\\MEDIA\\CLIP~1.AVS"},
         Kind::shortForm, "D:\\MEDIA\\CLIP~1.AVS", ""},
        {"outside the code page, short form fits", {cyrillic, std::nullopt, "S:\\A_VE~WG3.AVI"},
         Kind::shortForm, "S:\\A_VE~WG3.AVI", ""},
        {"short form too long", {longPath, longPath, std::string(39, 's')}, Kind::block, "", longPath},
        {"no short form", {cyrillic, std::nullopt, std::nullopt}, Kind::block, "", cyrillic},
        {"258 units at most", {tooMany, std::nullopt, std::nullopt}, Kind::tooLong, "", ""},
        {"not UTF-8", {"S:\\\xC0\xAF.avi", std::nullopt, std::nullopt}, Kind::tooLong, "", ""},
        {"empty", {"", std::string(), std::nullopt}, Kind::tooLong, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StoredPath stored = chooseStoredPath(row.forms);
        EXPECT_EQ(stored.kind, row.kind);
        EXPECT_EQ(stored.field, row.field);
        EXPECT_EQ(stored.block, row.block);
    }
    // 258 units (an emoji takes two) still go into a block.
    const std::string longest = tooMany.substr(0, tooMany.size() - 6) + "\xF0\x9F\x98\x80";
    EXPECT_EQ(utf16Units(longest), kMaxSourcePathUnits);
    EXPECT_EQ(chooseStoredPath({longest, std::nullopt, std::nullopt}).kind, Kind::block);
}

TEST(StoredPath, BlockLayoutBehindBothFormats) {
    const std::string path = "S:\\\xE4\xB8\xAD\\x.avi";  // 12 bytes
    const std::vector<uint8_t> block = buildPathBlock(path);
    ASSERT_EQ(block.size(), 8u + 16u);  // 13 bytes of text padded to 16
    EXPECT_EQ(std::memcmp(&block[0], "PATH", 4), 0);
    EXPECT_EQ(u32at(block, 4), 13u);
    EXPECT_EQ(std::memcmp(&block[8], path.c_str(), 13), 0);
    for (size_t i = 21; i < block.size(); ++i) EXPECT_EQ(block[i], 0) << i;

    VideoFormat video = buildVideoFormat(720, 576, 12, 622080, buildVideoLinkData(orvServerClip()));
    const std::vector<uint8_t> grownVideo = videoFormatWithPath(video, path);
    ASSERT_EQ(grownVideo.size(), 112u + block.size());
    EXPECT_EQ(u32at(grownVideo, 0), grownVideo.size());
    EXPECT_EQ(std::memcmp(&grownVideo[4], &video[4], 108), 0);  // the fixed part keeps its offsets
    EXPECT_TRUE(std::equal(block.begin(), block.end(), grownVideo.begin() + 112));

    AudioLinkData data = buildAudioLinkData(AudioLinkFields{480000, 2112, 65536, 16, "", 1});
    LinkedAudioFormat audio = buildLinkedAudioFormat(LinkedAudioFields{2, 48000, 3200, 128, 16, 0}, data);
    const std::vector<uint8_t> grownAudio = audioFormatWithPath(audio, path);
    ASSERT_EQ(grownAudio.size(), 82u + block.size());
    EXPECT_EQ(u16at(grownAudio, 16), 64u + block.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), grownAudio.begin() + 82));
}

TEST(StoredPath, Utf8IsCheckedAndCountedAsWindowsCounts) {
    struct Row {
        const char* text;
        bool valid;
        size_t units;
    };
    const Row rows[] = {
        {"plain", true, 5},
        {"\xD0\x92\xD0\xB8", true, 2},   // Cyrillic: two bytes each
        {"\xE4\xB8\xAD", true, 1},        // CJK: three bytes
        {"\xF0\x9F\x98\x80", true, 2},    // emoji: a surrogate pair
        {"\xC0\xAF", false, 0},            // overlong '/'
        {"\xED\xA0\x80", false, 0},        // a surrogate itself
        {"\xF4\x90\x80\x80", false, 0},    // past U+10FFFF
        {"\xE4\xB8", false, 0},            // cut short
        {"\x80", false, 0},                // continuation without lead
        {"\xC3\x41", false, 0},            // a lead followed by plain ASCII
        {"\xE0\x9F\xBF", false, 0},        // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", false, 0},    // overlong U+FFFF
        {"\xED\xBF\xBF", false, 0},        // the last surrogate
    };
    for (const Row& row : rows) {
        const std::string text = row.text;
        EXPECT_EQ(isUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size()), row.valid) << text;
        if (row.valid) {
            EXPECT_EQ(utf16Units(text), row.units) << text;
        }
    }
}

TEST(VideoRecords, StreamHeaderDescribesTheDecodedPicture) {
    AviStreamInfo info = buildVideoStreamHeader(videoRateFor(25, 1), 1000, 622080, 720, 576);
    EXPECT_EQ(info.fccType, fourcc("vids"));
    EXPECT_EQ(info.fccHandler, fourcc("SHIM"));
    EXPECT_EQ(info.dwScale, 1000u);
    EXPECT_EQ(info.dwRate, 25000u);
    EXPECT_EQ(info.dwLength, 1000u);
    EXPECT_EQ(info.dwSuggestedBufferSize, 622080u);
    EXPECT_EQ(info.dwQuality, 0xFFFFFFFFu);
    EXPECT_EQ(info.dwSampleSize, 0u);
    EXPECT_EQ(info.dwFlags | info.dwStart | info.dwInitialFrames | info.wPriority | info.wLanguage, 0u);
    EXPECT_EQ(info.rcLeft, 0);
    EXPECT_EQ(info.rcTop, 0);
    EXPECT_EQ(info.rcRight, 720);
    EXPECT_EQ(info.rcBottom, 576);
    EXPECT_STREQ(info.szName, "AVI2ORV");
}

TEST(VideoRecords, FrameRecordIsTheNumberThenZeros) {
    uint8_t record[16];
    std::memset(record, 0xAA, sizeof record);
    fillFrameRecord(record, 16, 0x01020304);
    EXPECT_EQ(getU32(record), 0x01020304u);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(record[i], 0) << i;
}

TEST(AudioRecords, LinkedFormatAtDefaultTuning) {
    AudioLinkData data = buildAudioLinkData(
        AudioLinkFields{480000, 2112, 65536, 16, "c:\\ORVserver.avs", 1});
    EXPECT_EQ(u32at(data, 0), 2u);
    EXPECT_EQ(u32at(data, 4), 480000u);
    EXPECT_EQ(u32at(data, 8), 2112u);
    EXPECT_EQ(u32at(data, 12), 65536u);
    EXPECT_EQ(u32at(data, 16), 16u);
    EXPECT_EQ(std::memcmp(&data[20], "c:\\ORVserver.avs\0", 17), 0);
    EXPECT_EQ(u32at(data, 60), 1u);
    EXPECT_EQ(u32at(buildAudioLinkData(AudioLinkFields{1, 1, 1, 8, "x", 0}), 60), 0u);  // linkOption

    double perSecond = linkedBytesPerSecond(25, 1, 1, 128);
    LinkedAudioFormat format = buildLinkedAudioFormat(
        LinkedAudioFields{2, 48000, static_cast<uint32_t>(perSecond), 128, 16, 0}, data);
    EXPECT_EQ(u16at(format, 0), 0xF4);
    EXPECT_EQ(u16at(format, 2), 2);
    EXPECT_EQ(u32at(format, 4), 48000u);
    EXPECT_EQ(u32at(format, 8), 3200u);
    EXPECT_EQ(u16at(format, 12), 128);
    EXPECT_EQ(u16at(format, 14), 0);  // bPerSampleDestInSource 0
    EXPECT_EQ(u16at(format, 16), 64);
    EXPECT_EQ(std::memcmp(&format[18], data.data(), 64), 0);

    format = buildLinkedAudioFormat(LinkedAudioFields{2, 48000, 3200, 128, 16, 1}, data);
    EXPECT_EQ(u16at(format, 14), 16);
    format = buildLinkedAudioFormat(LinkedAudioFields{2, 48000, 3200, 128, 16, 2}, data);
    EXPECT_EQ(u16at(format, 14), 0);  // only exactly 1 counts
}

TEST(AudioRecords, LinkedRatesAndBlockBoundsAtPalAndNtsc) {
    EXPECT_EQ(static_cast<uint32_t>(linkedBytesPerSecond(30000, 1001, 1, 128)), 3836u);
    EXPECT_EQ(static_cast<uint32_t>(linkedBytesPerSecond(30000, 1001, 4, 128)), 959u);  // 959.04
    EXPECT_EQ(static_cast<int32_t>(maxAudioSamplesPerBlock(4, 1001, 48000, 30000)), 7047);  // 7047.04
    // At 3836 bytes per second the first block falls just short of a whole
    // stream sample (0.99997); the stream then stays one behind.
    EXPECT_EQ(static_cast<int32_t>(linkedStreamSamples(blockEndTime(0, 1, 30000, 1001), 3836, 128, 0)), 0);
    EXPECT_EQ(static_cast<int32_t>(linkedStreamSamples(blockEndTime(1, 1, 30000, 1001), 3836, 128, 0)), 1);
    EXPECT_EQ(static_cast<int32_t>(linkedStreamSamples(blockEndTime(2, 1, 30000, 1001), 3836, 128, 1)), 1);
    EXPECT_EQ(static_cast<int32_t>(maxAudioSamplesPerBlock(1, 1, 48000, 25)), 2112);
    EXPECT_EQ(static_cast<int32_t>(maxAudioSamplesPerBlock(1, 1001, 48000, 30000)), 1761);
}

// Sample counts and spans are exact: double rounding once gave 59 periods
// for 60 periods of audio, and 1919/1921 where every block holds 1920.
TEST(AudioSchedule, SpansAreTheCeilingOfTheExactValue) {
    struct Case { int32_t samples, rate, num, den, span; };
    const Case cases[] = {
        {480000, 48000, 25, 1, 250},      // whole periods
        {96096, 48000, 30000, 1001, 60},  // 59.99999999999999 in double
        {48000, 48000, 30000, 1001, 30},  // 29.97: the last partial period counts
        {67353, 22050, 25, 1, 77},        // 76.36
        {1, 48000, 25, 1, 1},
        {0, 48000, 25, 1, 0},
        {INT32_MAX, 1, 1, 1, INT32_MAX},  // the longest span there is
        {48001, 48000, 1, 1, 2},          // one sample into the second period
    };
    for (const Case& c : cases) {
        int32_t span = -1;
        ASSERT_TRUE(audioFrameSpan(c.samples, c.rate, c.num, c.den, &span)) << c.samples;
        EXPECT_EQ(span, c.span) << c.samples << " at " << c.num << "/" << c.den;
    }
    int32_t span = 0;
    EXPECT_FALSE(audioFrameSpan(INT32_MAX, 1, INT32_MAX, 1, &span));
    EXPECT_FALSE(audioFrameSpan(100, 0, 25, 1, &span));
    EXPECT_FALSE(audioFrameSpan(100, 48000, 0, 1, &span));
    EXPECT_FALSE(audioFrameSpan(100, 48000, 25, 0, &span));
}

TEST(AudioSchedule, BlockSamplesAreExactAndStopAtTheEnd) {
    struct Case { int32_t frame, spacing, rate, num, den, written, total, count; };
    const Case cases[] = {
        {28, 1, 48000, 25, 1, 28 * 1920, 1 << 30, 1920},  // was 1919 in double
        {29, 1, 48000, 25, 1, 29 * 1920, 1 << 30, 1920},  // was 1921
        {59, 1, 48000, 30000, 1001, 94494, 96096, 1602},  // the last period of 96096 samples
        {76, 1, 22050, 25, 1, 76 * 882, 67353, 321},      // the last partial period
        {8, 4, 48000, 25, 1, 8 * 1920, 9 * 1920 + 5, 1925}, // never past the source's end
        {9, 4, 48000, 25, 1, 9 * 1920 + 5, 9 * 1920 + 5, 0},
    };
    for (const Case& c : cases) {
        int32_t count = -1;
        ASSERT_TRUE(blockSourceSamples(c.frame, c.spacing, c.rate, c.num, c.den, c.written,
                                       c.total, &count));
        EXPECT_EQ(count, c.count) << "frame " << c.frame;
    }
    int64_t due = 0;
    ASSERT_TRUE(samplesDueBy(int64_t{INT32_MAX} + 1, 48000, 30000, 1001, &due));
    EXPECT_EQ(due, (int64_t{INT32_MAX} + 1) * 48000 * 1001 / 30000);
    EXPECT_FALSE(samplesDueBy(int64_t{INT32_MAX}, INT32_MAX, 1, INT32_MAX, &due));
    EXPECT_FALSE(samplesDueBy(1, 0, 25, 1, &due));
    EXPECT_FALSE(samplesDueBy(1, 48000, 25, 0, &due));
    ASSERT_TRUE(samplesDueBy(5, 1, 1, 1, &due));  // 1 Hz is a rate like any other
    EXPECT_EQ(due, 5);
}

TEST(AudioRecords, PcmFormatAndStreamHeader) {
    PcmFormat pcm = buildPcmFormat(2, 44100, 16);
    EXPECT_EQ(u16at(pcm, 0), 1);
    EXPECT_EQ(u16at(pcm, 2), 2);
    EXPECT_EQ(u32at(pcm, 4), 44100u);
    EXPECT_EQ(u32at(pcm, 8), 176400u);
    EXPECT_EQ(u16at(pcm, 12), 4);
    EXPECT_EQ(u16at(pcm, 14), 16);
    EXPECT_EQ(u16at(pcm, 16), 0);
    EXPECT_EQ(formatBlockAlign(pcm.data()), 4u);
    EXPECT_EQ(formatAvgBytesPerSec(pcm.data()), 176400u);
    EXPECT_EQ(u16at(buildPcmFormat(1, 8000, 12), 12), 1);  // 12 / 8, truncated

    AviStreamInfo info = buildAudioStreamHeader(4, 176400, 0);
    EXPECT_EQ(info.fccType, fourcc("auds"));
    EXPECT_EQ(info.fccHandler, 0u);
    EXPECT_EQ(info.dwScale, 4u);
    EXPECT_EQ(info.dwRate, 176400u);
    EXPECT_EQ(info.dwSampleSize, 4u);
    EXPECT_EQ(info.dwLength, 0xFFFFFFFFu);
    EXPECT_EQ(info.dwQuality, 0xFFFFFFFFu);
    EXPECT_EQ(info.rcRight | info.rcBottom, 0);
    EXPECT_STREQ(info.szName, "Audio Stream");
}

TEST(AudioRecords, BlockRecordIsIndexFirstSampleCountThenZeros) {
    uint8_t block[128];
    std::memset(block, 0xAA, sizeof block);
    fillAudioBlockRecord(block, sizeof block, 3, 5763, 1921);
    EXPECT_EQ(getU32(block), 3u);
    EXPECT_EQ(getU32(block + 4), 5763u);
    EXPECT_EQ(getU32(block + 8), 1921u);
    for (int i = 12; i < 128; ++i) EXPECT_EQ(block[i], 0) << i;
}

TEST(AudioSchedule, BlocksFallOnTheGridAndOnTheLastAudioPeriod) {
    auto dueFrames = [](int32_t spacing, int32_t span, int32_t total) {
        std::string frames;
        for (int32_t i = 0; i < total; ++i)
            if (audioBlockDue(i, spacing, span)) frames += std::to_string(i) + " ";
        return frames;
    };
    EXPECT_EQ(dueFrames(4, 10, 20), "0 4 8 9 ");
    EXPECT_EQ(dueFrames(4, 9, 20), "0 4 8 ");
    EXPECT_EQ(dueFrames(1, 3, 10), "0 1 2 ");
    EXPECT_EQ(dueFrames(3, 0, 10), "");
    EXPECT_EQ(dueFrames(5, 1, 10), "0 ");
    // The last block of N = 4, span 10 stands for one frame period past the one before.
    EXPECT_DOUBLE_EQ(blockEndTime(8, 4, 25, 1) * 25, 12.0);
    EXPECT_DOUBLE_EQ(blockEndTime(9, 4, 25, 1) * 25, 13.0);
}

TEST(AudioSchedule, TruncationRefusesWhatDoesNotFit) {
    int32_t out = 7;
    EXPECT_TRUE(truncateToInt32(1601.99, &out));
    EXPECT_EQ(out, 1601);
    EXPECT_TRUE(truncateToInt32(-0.5, &out));
    EXPECT_EQ(out, 0);
    EXPECT_TRUE(truncateToInt32(2147483647.9, &out));
    EXPECT_EQ(out, 2147483647);
    EXPECT_TRUE(truncateToInt32(-2147483648.9, &out));
    EXPECT_EQ(out, INT32_MIN);
    EXPECT_FALSE(truncateToInt32(-2147483649.0, &out));
    EXPECT_FALSE(truncateToInt32(2147483648.0, &out));
    EXPECT_FALSE(truncateToInt32(0.0 / 0.0, &out));
    EXPECT_FALSE(truncateToInt32(1e300 * 1e10, &out));
}

TEST(LinkPlan, StreamInformationThatWouldDivideByZeroIsRefused) {
    LinkParameters p = palClip();
    EXPECT_EQ(checkStreamInformation(p), "");
    p.fpsDenominator = 0;
    EXPECT_EQ(checkStreamInformation(p), formatted(kFrameRateText, 25, 0));
    p = palClip();
    p.fpsNumerator = 0;
    EXPECT_EQ(checkStreamInformation(p), formatted(kFrameRateText, 0, 1));
    p = palClip();
    p.audioSamplesPerSecond = 0;
    EXPECT_EQ(checkStreamInformation(p), formatted(kSampleRateText, 1920000, 0));
    p.numAudioSamples = 0;  // no audio: its rate does not matter
    EXPECT_EQ(checkStreamInformation(p), "");
    p = palClip();
    p.nrFrames = -1;
    EXPECT_EQ(checkStreamInformation(p), formatted(kNegativeCountText, -1, 1920000));
    p = palClip();
    p.fpsNumerator = 5000000;  // would wrap the thousandfold rate
    EXPECT_EQ(checkStreamInformation(p), formatted(kFrameRateTooHighText, 5000000, 1));
    p = palClip();
    p.width = 40000;
    p.height = 40000;
    EXPECT_EQ(checkStreamInformation(p), formatted(kPictureSizeText, 40000, 40000));
    p.nrFrames = 0;  // no video stream, no picture size
    EXPECT_EQ(checkStreamInformation(p), "");
}

TEST(LinkPlan, RawAudioNeedsWholeBytesPerSampleFrame) {
    LinkParameters p = palClip();
    p.audioMode = 3;
    EXPECT_EQ(checkStreamInformation(p), "");
    p.nrChannels = 0;
    EXPECT_EQ(checkStreamInformation(p), formatted(kRawAudioFormatText, 0, 16, 48000));
    p = palClip();
    p.audioMode = 3;
    p.bitsPerSample = 4;  // one channel of 4 bits: half a byte per sample frame
    p.nrChannels = 1;
    EXPECT_EQ(checkStreamInformation(p), formatted(kRawAudioFormatText, 1, 4, 48000));
    p.audioMode = 2;  // linked audio carries no samples
    EXPECT_EQ(checkStreamInformation(p), "");
}

TEST(LinkPlan, SpacingBuffersAndCountsAtDefaultTuning) {
    LinkPlan plan{};
    ASSERT_EQ(planLink(palClip(), kDefaultTuningValues, &plan), "");
    EXPECT_EQ(plan.blockSpacing, 1);
    EXPECT_EQ(plan.audioBufferSize, 15360);
    EXPECT_EQ(plan.maxAudioSamplesPerBlock, 2112);
    EXPECT_EQ(plan.audioFrameSpan, 1000);
    EXPECT_EQ(plan.frameTotal, 1000);
    EXPECT_EQ(plan.frameRecordSize, 4u);
    EXPECT_EQ(plan.sizeImage, 622080);
    EXPECT_EQ(plan.linkedBytesPerSecond, 3200u);
    TuningValues tuning = kDefaultTuningValues;
    tuning.videoSHIMblockSize = 3;  // a frame record always holds its frame number
    ASSERT_EQ(planLink(palClip(), tuning, &plan), "");
    EXPECT_EQ(plan.frameRecordSize, 4u);
}

TEST(LinkPlan, InterleaveOfZeroOrLessMeansOneBlockPerFrame) {
    for (uint32_t interleave : {0u, 0xFFFFFFFBu /* -5 */, 0x80000000u}) {
        TuningValues tuning = kDefaultTuningValues;
        tuning.interleave = interleave;
        LinkPlan plan{};
        ASSERT_EQ(planLink(palClip(), tuning, &plan), "") << interleave;
        EXPECT_EQ(plan.blockSpacing, 1) << interleave;
    }
    TuningValues tuning = kDefaultTuningValues;
    tuning.interleave = 5;
    LinkParameters raw = palClip();
    raw.audioMode = 3;
    LinkPlan plan{};
    ASSERT_EQ(planLink(raw, tuning, &plan), "");
    EXPECT_EQ(plan.blockSpacing, 1);
}

TEST(LinkPlan, AbsurdTuningValuesAreRefusedBeforeAnyAllocation) {
    LinkPlan plan{};
    TuningValues tuning = kDefaultTuningValues;
    tuning.videoSHIMblockSize = 0xFFFFFFFF;
    EXPECT_EQ(planLink(palClip(), tuning, &plan), formatted(kVideoBlockSizeText, 0xFFFFFFFFu, 1048576u));
    tuning.videoSHIMblockSize = kMaxFrameRecordSize;
    LinkParameters shortClip = palClip();
    shortClip.nrFrames = 100;
    shortClip.numAudioSamples = 0;
    EXPECT_EQ(planLink(shortClip, tuning, &plan), "");

    tuning = kDefaultTuningValues;
    tuning.audioSHIMblockSize = 65536;  // nBlockAlign would read 0
    EXPECT_EQ(planLink(palClip(), tuning, &plan), formatted(kAudioBlockSizeText, 65536u, 65535u));
    tuning.audioSHIMblockSize = 65535;
    EXPECT_EQ(planLink(palClip(), tuning, &plan), "");
    tuning.audioSHIMblockSize = 11;  // fails later, at the first block, as it always has
    EXPECT_EQ(planLink(palClip(), tuning, &plan), "");

    tuning = kDefaultTuningValues;
    tuning.interleave = 0x7FFFFFFF;
    EXPECT_EQ(planLink(palClip(), tuning, &plan),
              formatted(kAudioBufferText, 32985348817920.0, 67108864, 0x7FFFFFFF));
    tuning.interleave = 1000;  // 25 frames per second: 3 bytes per second, still a rate
    EXPECT_EQ(planLink(palClip(), tuning, &plan), "");
    tuning.interleave = 4000;  // 0.8 bytes per second: no rate at all
    EXPECT_EQ(planLink(palClip(), tuning, &plan), formatted(kInterleaveText, 4000, 25, 1, 48000));
}

TEST(LinkPlan, LinksThatWouldPassTwoGigabytesAreRefused) {
    LinkParameters twoHours = palClip();
    twoHours.nrFrames = 180000;
    twoHours.numAudioSamples = 48000 * 7200;
    LinkPlan plan{};
    EXPECT_EQ(planLink(twoHours, kDefaultTuningValues, &plan), "");
    twoHours.audioMode = 3;  // 1.38 GB of PCM still fits
    EXPECT_EQ(planLink(twoHours, kDefaultTuningValues, &plan), "");
    twoHours.nrChannels = 6;
    EXPECT_EQ(planLink(twoHours, kDefaultTuningValues, &plan), formatted(kFileTooLargeText, 3964.0));

    TuningValues tuning = kDefaultTuningValues;
    tuning.videoSHIMblockSize = 16384;  // 180000 records of 16 KB
    twoHours.audioMode = 2;
    EXPECT_EQ(planLink(twoHours, tuning, &plan), formatted(kFileTooLargeText, 2843.0));
}

TEST(LinkPlan, ProductsBeyondSixtyFourBitsAreRefusedNotWrapped) {
    int32_t size = 0;
    EXPECT_FALSE(pictureSizeImage(32, INT32_MAX, INT32_MAX, &size));
    EXPECT_FALSE(pictureSizeImage(24, INT32_MIN, INT32_MAX, &size));
    double bytes = 0;
    // Two seconds of PCM must fit 32 signed bits, as the buffer size is computed in them.
    EXPECT_TRUE(audioBufferBytes(1, 8, 1073741823, 1, 1, 1, &bytes));
    EXPECT_EQ(bytes, 2147483646.0);
    EXPECT_FALSE(audioBufferBytes(1, 8, 1073741824, 1, 1, 1, &bytes));
    EXPECT_FALSE(audioBufferBytes(INT32_MAX, INT32_MAX, 48000, 1, 25, 1, &bytes));
    EXPECT_FALSE(audioBufferBytes(-65536, INT32_MAX, INT32_MAX, 1, 25, 1, &bytes));

    // Linked audio takes the source's channels and bits unchecked.
    LinkParameters p = palClip();
    p.nrChannels = INT32_MAX;
    p.bitsPerSample = INT32_MAX;
    ASSERT_EQ(checkStreamInformation(p), "");
    LinkPlan plan{};
    EXPECT_EQ(planLink(p, kDefaultTuningValues, &plan),
              formatted(kAudioBufferText, 2213609286783561891840.0, 67108864, 1));  // (2^31-1)² × 480
    p = palClip();
    p.nrFrames = 0;  // no video: the plan still sizes a picture, which must not wrap
    p.width = INT32_MAX;
    p.height = INT32_MIN;
    EXPECT_EQ(planLink(p, kDefaultTuningValues, &plan), "");
    EXPECT_EQ(plan.sizeImage, 0);
}

// Every refusal names its cause and the numbers; every limit itself passes.
TEST(LinkPlan, EachRefusalNamesItsCauseAndEachLimitPasses) {
    using P = LinkParameters;
    using T = TuningValues;
    struct Row {
        const char* name;
        std::function<void(P&, T&)> edit;
        std::string message;  // empty: the link can be made
    };
    const Row rows[] = {
        {"frame rate -25/1", [](P& p, T&) { p.fpsNumerator = -25; }, formatted(kFrameRateText, -25, 1)},
        {"negative sample count", [](P& p, T&) { p.numAudioSamples = -1; },
         formatted(kNegativeCountText, 1000, -1)},
        {"no frames and no samples", [](P& p, T&) { p.nrFrames = p.numAudioSamples = 0; }, kNothingToLinkText},
        {"height 0", [](P& p, T&) { p.height = 0; }, formatted(kPictureSizeText, 720, 0)},
        {"negative height", [](P& p, T&) { p.height = -576; }, formatted(kPictureSizeText, 720, -576)},
        {"width 0", [](P& p, T&) { p.width = 0; }, formatted(kPictureSizeText, 0, 576)},
        {"RAW block of 65536 bytes", [](P& p, T&) { setAudio(p, 3, 32768, 16, 48000); },
         formatted(kRawAudioFormatText, 32768, 16, 48000)},
        {"RAW mono 8-bit: a block of one byte", [](P& p, T&) { setAudio(p, 3, 1, 8, 8000); p.numAudioSamples = 8000; }, ""},
        {"RAW block of 65535 bytes", [](P& p, T&) { setAudio(p, 3, 65535, 8, 8000); p.numAudioSamples = 8000; }, ""},
        // 65535 × 65537 is 2^32 - 1: the byte rate fits, two frame periods of it do not.
        {"RAW bytes per second of 2^32 - 1", [](P& p, T&) { setAudio(p, 3, 65535, 8, 65537); },
         formatted(kAudioBufferText, 343597384.0, 67108864, 1)},
        {"RAW bytes per second of 2^32", [](P& p, T&) { setAudio(p, 3, 16384, 16, 131072); },
         formatted(kRawAudioFormatText, 16384, 16, 131072)},
        // Mono 8-bit audio at 2^25 Hz and one frame per second: two seconds are 64 MB.
        {"audio buffer of exactly 64 MB",
         [](P& p, T&) { setAudio(p, 2, 1, 8, 33554432); p.fpsNumerator = 1; p.numAudioSamples = 33554432; }, ""},
        {"audio buffer of 64 MB and 2 bytes",
         [](P& p, T&) { setAudio(p, 2, 1, 8, 33554433); p.fpsNumerator = 1; p.numAudioSamples = 33554433; },
         formatted(kAudioBufferText, 67108866.0, 67108864, 1)},
        {"RAW audio has no linked blocks", [](P& p, T& t) { p.audioMode = 3; t.audioSHIMblockSize = 65536; }, ""},
        {"no frame records to size", [](P& p, T& t) { p.nrFrames = 0; t.videoSHIMblockSize = 0xFFFFFFFF; }, ""},
        {"one linked byte per second", [](P&, T& t) { t.interleave = 3200; }, ""},
        {"a 12-byte block needs a rate too", [](P&, T& t) { t.interleave = 4000; t.audioSHIMblockSize = 12; },
         formatted(kInterleaveText, 4000, 25, 1, 48000)},
        // 4116 bytes of headers and 1048601 per frame: 2047 frames fit, 2048 do not.
        {"audio of 2^32 frame periods", [](P& p, T&) { setAudio(p, 2, 2, 16, 1); p.fpsNumerator = 2; p.numAudioSamples = INT32_MAX; },
         formatted(kAudioSpanText, INT32_MAX, 1)},
        // Samples of no bits need no buffer, but their block maximum still must fit.
        {"interleave 2^31 - 1 with 0-bit samples",
         [](P& p, T& t) { p.bitsPerSample = 0; t.interleave = 0x7FFFFFFF; t.audioSHIMblockSize = 11; },
         formatted(kInterleaveText, 0x7FFFFFFF, 25, 1, 48000)},
        {"2047 records of 1 MB", [](P& p, T& t) { p.nrFrames = 2047; p.numAudioSamples = 0; t.videoSHIMblockSize = 1048576; }, ""},
        {"2048 records of 1 MB", [](P& p, T& t) { p.nrFrames = 2048; p.numAudioSamples = 0; t.videoSHIMblockSize = 1048576; },
         formatted(kFileTooLargeText, 2048.0)},
        {"below one linked byte per second", [](P&, T& t) { t.interleave = 3201; },
         formatted(kInterleaveText, 3201, 25, 1, 48000)},
        // 2^27/1024 frames per second × 32768 bytes: nAvgBytesPerSec would read 0.
        {"2^32 linked bytes per second", [](P& p, T& t) { superFast(p); t.audioSHIMblockSize = 32768; },
         formatted(kInterleaveText, 1, 134217728, 1024, 48000)},
        {"2^32 - 131072 linked bytes per second", [](P& p, T& t) { superFast(p); t.audioSHIMblockSize = 32767; }, ""},
    };
    for (const Row& row : rows) {
        LinkParameters p = palClip();
        TuningValues tuning = kDefaultTuningValues;
        row.edit(p, tuning);
        EXPECT_EQ(refusal(p, tuning), row.message) << row.name;
    }
}

TEST(LinkPlan, NtscRatesTruncateAndLongAudioRunsPastTheFrames) {
    LinkParameters p = palClip();
    p.fpsNumerator = 30000;
    p.fpsDenominator = 1001;
    p.numAudioSamples = 96096;  // 60 frame periods at 29.97
    p.nrFrames = 40;
    LinkPlan plan{};
    ASSERT_EQ(planLink(p, kDefaultTuningValues, &plan), "");
    EXPECT_EQ(plan.audioBufferSize, 12812);  // 12812.8
    EXPECT_EQ(plan.maxAudioSamplesPerBlock, 1761);
    EXPECT_EQ(plan.linkedBytesPerSecond, 3836u);
    EXPECT_EQ(plan.videoRate.scale, 1001u);
    EXPECT_EQ(plan.videoRate.rate, 30000u);
    EXPECT_EQ(plan.audioFrameSpan, 60);
    EXPECT_EQ(plan.frameTotal, 60);
}

// The estimate that decides the 2 GB refusal: headers 4116 bytes, then per
// chunk 25 bytes of header, padding and index besides its payload.
TEST(LinkPlan, FileSizeEstimateCountsEveryChunk) {
    struct Row {
        int32_t audioMode;
        uint32_t interleave;
        int32_t numAudioSamples;
        double bytes;
        int32_t nrFrames = 1000;
    };
    const Row rows[] = {
        {2, 1, 48000 * 40, 4116 + 1000 * 29 + 1000 * 153},
        {3, 1, 48000 * 40, 4116 + 1000 * 29 + 1000 * 25 + 7680000},
        {2, 4, 1922840, 4116 + 1000 * 29 + 252 * 153},  // span 1002: blocks at 0, 4, ... 1000, 1001
        {2, 4, 1920001, 4116 + 1000 * 29 + 251 * 153},  // span 1001: the last block is on the grid
        {2, 1, 0, 4116 + 1000 * 29},
        {2, 1, 48000 * 40, 4116 + 1000 * 153, 0},  // audio alone
    };
    for (const Row& row : rows) {
        LinkParameters p = palClip();
        p.audioMode = row.audioMode;
        p.numAudioSamples = row.numAudioSamples;
        p.nrFrames = row.nrFrames;
        TuningValues tuning = kDefaultTuningValues;
        tuning.interleave = row.interleave;
        LinkPlan plan{};
        ASSERT_EQ(planLink(p, tuning, &plan), "");
        EXPECT_EQ(estimateLinkFileSize(p, plan, tuning), row.bytes)
            << row.audioMode << " " << row.interleave << " " << row.numAudioSamples;
    }
}

// A cell allows when it holds 1 or -1; with conversions off (anything but
// exactly 1) only the source's own format is allowed.
TEST(OutputFormats, TheMatrixColumnOfTheSourceDecides) {
    struct Row {
        int32_t source;
        uint8_t conversionEnabled;
        int8_t column[4];  // the source's column: outputs RGB32, RGB24, YUY2, YV12
        int8_t elsewhere;  // every other cell
        const char* allowed;
    };
    const Row rows[] = {
        {kFormatRGB24, 0, {0, 0, 0, 0}, 0, "RGB24 "},
        {kFormatYV12, 0, {1, 1, 1, 0}, 1, "YV12 "},
        {kFormatYUY2, 2, {1, 1, 0, 1}, 1, "YUY2 "},
        {kFormatYUY2, 1, {1, -1, 0, -2}, 1, "RGB32 RGB24 "},
        {kFormatYV12, 1, {0, 0, 0, -1}, 1, "YV12 "},
        {kFormatRGB32, 1, {0, 0, 0, 0}, 1, ""},
        {kFormatRGB32, 1, {1, 2, 1, 1}, 0, "RGB32 YUY2 YV12 "},
        {kFormatNone, 1, {1, 1, 1, 1}, 1, ""},
        {kFormatNone, 0, {1, 1, 1, 1}, 1, ""},
        {5, 1, {1, 1, 1, 1}, 1, ""},
    };
    for (const Row& row : rows) {
        int8_t matrix[4][4];
        std::memset(matrix, row.elsewhere, sizeof matrix);
        const int32_t outputs[] = {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12};
        if (isKnownFormat(row.source))
            for (int i = 0; i < 4; ++i) matrixCell(matrix, outputs[i], row.source) = row.column[i];
        AllowedOutputs got = selectOutputFormats(row.source, row.conversionEnabled, matrix);
        std::string names = std::string(got.rgb32 ? "RGB32 " : "") + (got.rgb24 ? "RGB24 " : "") +
                            (got.yuy2 ? "YUY2 " : "") + (got.yv12 ? "YV12 " : "");
        EXPECT_EQ(names, row.allowed) << "source " << row.source << ", enabled "
                                      << int{row.conversionEnabled};
    }
}
