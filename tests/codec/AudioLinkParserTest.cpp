// The linked-audio format and block records as the codec reads them back:
// every field a client could hand over wrongly is refused by name.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/AudioLinkParser.h"
#include "link/AudioRecords.h"
#include "link/LittleEndian.h"
#include "link/StoredPath.h"

namespace {

constexpr char kPath[] = "M:\\codec\\s25.avi";

// The text length the path block at offset 82 states.
uint32_t pathTextLength(const std::vector<uint8_t>& format) { return getU32(&format[86]); }

// A byte edit of a good format and the problem it must give.
struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> edit;
    LinkedFormatProblem problem;
};

std::vector<uint8_t> linkedFormat(uint32_t bitsInFormatFlag = 0) {
    AudioLinkData data = buildAudioLinkData({96000, 2112, 65536, 16, kPath, 1});
    LinkedAudioFormat format =
        buildLinkedAudioFormat({2, 48000, 3200, 128, 16, bitsInFormatFlag}, data);
    return {format.begin(), format.end()};
}

TEST(AudioLinkParserTest, WrittenFormatReadsBackWithTheSourcesBits) {
    for (uint32_t flag : {0u, 1u}) {
        std::vector<uint8_t> format = linkedFormat(flag);
        LinkedAudio link;
        ASSERT_EQ(parseLinkedAudioFormat(format.data(), format.size(), &link),
                  LinkedFormatProblem::none);
        EXPECT_EQ(link.channels, 2u);
        EXPECT_EQ(link.samplesPerSecond, 48000u);
        EXPECT_EQ(link.blockSize, 128u);
        EXPECT_EQ(link.bitsPerSample, 16u) << "whatever the format's own field says: " << flag;
        EXPECT_EQ(link.numAudioSamples, 96000);
        EXPECT_EQ(link.maxAudioSamplesPerBlock, 2112);
        EXPECT_STREQ(link.sourcePath, kPath);
        EXPECT_EQ(link.frameBytes(), 4u);
    }
}

TEST(AudioLinkParserTest, EveryUnusableFieldIsRefused) {
    const Case cases[] = {
        {"one byte short", [](auto& f) { f.pop_back(); }, LinkedFormatProblem::tooShort},
        {"IMA ADPCM tag", [](auto& f) { putU16(&f[0], 0x11); }, LinkedFormatProblem::foreignTag},
        {"cbSize 63", [](auto& f) { putU16(&f[16], 63); }, LinkedFormatProblem::shortExtra},
        {"version 1", [](auto& f) { putU32(&f[18], 1); }, LinkedFormatProblem::wrongVersion},
        {"version 3", [](auto& f) { putU32(&f[18], 3); }, LinkedFormatProblem::wrongVersion},
        {"no channels", [](auto& f) { putU16(&f[2], 0); }, LinkedFormatProblem::noChannels},
        {"rate 0", [](auto& f) { putU32(&f[4], 0); }, LinkedFormatProblem::noRate},
        {"rate above 2^31", [](auto& f) { putU32(&f[4], 0x80000000u); }, LinkedFormatProblem::noRate},
        {"block of 11 bytes", [](auto& f) { putU16(&f[12], 11); }, LinkedFormatProblem::blockTooSmall},
        {"8 bits", [](auto& f) { putU32(&f[34], 8); }, LinkedFormatProblem::none},
        {"24 bits", [](auto& f) { putU32(&f[34], 24); }, LinkedFormatProblem::none},
        {"32 bits", [](auto& f) { putU32(&f[34], 32); }, LinkedFormatProblem::none},
        {"block of 12 bytes", [](auto& f) { putU16(&f[12], 12); }, LinkedFormatProblem::none},
        {"rate 2^31 - 1", [](auto& f) { putU32(&f[4], 0x7FFFFFFF); }, LinkedFormatProblem::none},
        {"cbSize 65", [](auto& f) { putU16(&f[16], 65); }, LinkedFormatProblem::badPathBlock},
        {"frame of 65535 bytes",
         [](auto& f) {
             putU16(&f[2], 65535);
             putU32(&f[34], 8);
         },
         LinkedFormatProblem::none},
        {"frame of 65536 bytes",
         [](auto& f) {
             putU16(&f[2], 16384);
             putU32(&f[34], 32);
         },
         LinkedFormatProblem::frameTooLarge},
        {"12 bits", [](auto& f) { putU32(&f[34], 12); }, LinkedFormatProblem::unusableBits},
        {"0 bits", [](auto& f) { putU32(&f[34], 0); }, LinkedFormatProblem::unusableBits},
        {"264 bits", [](auto& f) { putU32(&f[34], 264); }, LinkedFormatProblem::unusableBits},
        {"-16 bits", [](auto& f) { putI32(&f[34], -16); }, LinkedFormatProblem::unusableBits},
        {"frame beyond 64 KB",
         [](auto& f) {
             putU16(&f[2], 0xFFFF);
             putU32(&f[34], 32);
         },
         LinkedFormatProblem::frameTooLarge},
        {"one sample", [](auto& f) { putU32(&f[22], 1); }, LinkedFormatProblem::none},
        {"no samples", [](auto& f) { putU32(&f[22], 0); }, LinkedFormatProblem::badCounts},
        {"negative samples", [](auto& f) { putI32(&f[22], -5); }, LinkedFormatProblem::badCounts},
        {"block maximum 0", [](auto& f) { putU32(&f[26], 0); }, LinkedFormatProblem::badCounts},
        {"empty path", [](auto& f) { std::memset(&f[38], 0, 40); }, LinkedFormatProblem::badPath},
        {"path without NUL", [](auto& f) { std::memset(&f[38], 'x', 40); }, LinkedFormatProblem::badPath},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> format = linkedFormat();
        c.edit(format);
        LinkedAudio link;
        EXPECT_EQ(parseLinkedAudioFormat(format.data(), format.size(), &link), c.problem) << c.name;
    }
    EXPECT_EQ(parseLinkedAudioFormat(nullptr, 82, nullptr), LinkedFormatProblem::tooShort);
}

TEST(AudioLinkParserTest, APathBlockBehindTheLinkDataNamesTheSource) {
    const std::string path = "S:\\\xE4\xB8\xAD\xE6\x96\x87\\\xF0\x9F\x98\x80.avi";
    AudioLinkData data = buildAudioLinkData({96000, 2112, 65536, 16, "", 1});
    const LinkedAudioFormat fixed = buildLinkedAudioFormat({2, 48000, 3200, 128, 16, 0}, data);
    const std::vector<uint8_t> grown = audioFormatWithPath(fixed, path);
    LinkedAudio link;
    ASSERT_EQ(parseLinkedAudioFormat(grown.data(), grown.size(), &link), LinkedFormatProblem::none);
    EXPECT_EQ(std::string(link.sourcePath), path);
    EXPECT_TRUE(link.sourcePathIsUtf8);
    EXPECT_EQ(link.blockSize, 128u);

    const Case cases[] = {
        {"fewer bytes than cbSize says", [](auto& f) { f.pop_back(); }, LinkedFormatProblem::badPathBlock},
        {"cbSize beyond any block", [](auto& f) { f.resize(82 + 4100); putU16(&f[16], 64 + 4100); },
         LinkedFormatProblem::badPathBlock},
        {"cbSize claims a block past the bytes", [](auto& f) { putU16(&f[16], getU16(&f[16]) + 8); },
         LinkedFormatProblem::badPathBlock},
        {"cbSize short of the block", [](auto& f) { putU16(&f[16], getU16(&f[16]) - 4); },
         LinkedFormatProblem::badPathBlock},
        {"foreign tag: the empty field counts", [](auto& f) { putU32(&f[82], fourcc("next")); },
         LinkedFormatProblem::badPath},
        {"text without terminator", [](auto& f) { f[82 + 8 + pathTextLength(f) - 1] = 'x'; },
         LinkedFormatProblem::badPathBlock},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> format = grown;
        c.edit(format);
        const std::vector<uint8_t> exact(format.begin(), format.end());  // no spare capacity to read
        EXPECT_EQ(parseLinkedAudioFormat(exact.data(), exact.size(), &link), c.problem) << c.name;
    }
}

TEST(AudioLinkParserTest, BlockRecordsAreCheckedAgainstTheLink) {
    std::vector<uint8_t> format = linkedFormat();
    LinkedAudio link;
    ASSERT_EQ(parseLinkedAudioFormat(format.data(), format.size(), &link), LinkedFormatProblem::none);
    struct Case {
        const char* name;
        int32_t first;
        int32_t count;
        size_t available;
        BlockProblem problem;
    };
    const Case cases[] = {
        {"first block", 0, 1920, 128, BlockProblem::none},
        {"empty block", 500, 0, 128, BlockProblem::none},
        {"the largest block", 1920, 2112, 128, BlockProblem::none},
        {"ending at the source's end", 94080, 1920, 128, BlockProblem::none},
        // The last blocks of a link with spacing above 1 reach past the sound.
        {"reaching past the end", 95000, 2112, 128, BlockProblem::none},
        {"empty, at the end", 96000, 0, 128, BlockProblem::none},
        // Wholly past the sound: no writer made it, and silence would hide that.
        {"starting at the end", 96000, 1920, 128, BlockProblem::outsideSource},
        {"empty, past the end", 96001, 0, 128, BlockProblem::outsideSource},
        {"negative count", 0, -1, 128, BlockProblem::negativeCount},
        {"count above the maximum", 0, 2113, 128, BlockProblem::countAboveMaximum},
        {"negative first sample", -1, 10, 128, BlockProblem::outsideSource},
        {"a whole block past the end", 96000, 2112, 128, BlockProblem::outsideSource},
        {"further out than a block", 96000 + 2112 - 100, 200, 128, BlockProblem::outsideSource},
        {"one sample further", 96001, 2112, 128, BlockProblem::outsideSource},
        {"first sample near 2^31", 0x7FFFFFFF, 2112, 128, BlockProblem::outsideSource},
        {"block cut short", 0, 1920, 127, BlockProblem::truncated},
        {"only the record", 0, 1920, 12, BlockProblem::truncated},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block(128);
        fillAudioBlockRecord(block.data(), 128, 7, c.first, c.count);
        AudioBlockRecord record;
        ASSERT_EQ(parseAudioBlockRecord(block.data(), c.available, link, &record), c.problem) << c.name;
        LinkedAudio smallest = link;  // blocks of nothing but the record
        smallest.blockSize = 12;
        if (c.problem != BlockProblem::truncated) {
            EXPECT_EQ(parseAudioBlockRecord(block.data(), 12, smallest, &record), c.problem) << c.name;
        }
        if (c.problem != BlockProblem::none) continue;
        EXPECT_EQ(record.blockIndex, 7) << c.name;
        EXPECT_EQ(record.firstSample, c.first) << c.name;
        EXPECT_EQ(record.sampleCount, c.count) << c.name;
    }
}

TEST(AudioLinkParserTest, OnlyTheLinksOwnPcmIsItsOutput) {
    std::vector<uint8_t> format = linkedFormat();
    LinkedAudio link;
    ASSERT_EQ(parseLinkedAudioFormat(format.data(), format.size(), &link), LinkedFormatProblem::none);
    using Edit = std::function<void(PcmFormat&)>;
    struct Case {
        const char* name;
        Edit edit;
        size_t size;
        bool accepted;
    };
    const Case cases[] = {
        {"as built", [](PcmFormat&) {}, 18, true},
        {"without cbSize", [](PcmFormat&) {}, 16, true},
        {"cut short", [](PcmFormat&) {}, 15, false},
        {"cbSize 2", [](PcmFormat& f) { putU16(&f[16], 2); }, 18, false},
        {"linked tag", [](PcmFormat& f) { putU16(&f[0], 0xF4); }, 18, false},
        {"mono", [](PcmFormat& f) { putU16(&f[2], 1); }, 18, false},
        {"44100 Hz", [](PcmFormat& f) { putU32(&f[4], 44100); }, 18, false},
        {"byte rate", [](PcmFormat& f) { putU32(&f[8], 192001); }, 18, false},
        {"block align", [](PcmFormat& f) { putU16(&f[12], 2); }, 18, false},
        {"8 bits", [](PcmFormat& f) { putU16(&f[14], 8); }, 18, false},
    };
    for (const Case& c : cases) {
        PcmFormat pcm = buildPcmFormat(2, 48000, 16);
        c.edit(pcm);
        EXPECT_EQ(isLinkedPcmFormat(pcm.data(), c.size, link), c.accepted) << c.name;
    }
}

}  // namespace
