// Links made by the program itself, read back through the system's AVIFile
// and ACM with the codec registered as any user would have it: the sound a
// player gets is the source's own, whatever pieces it reads in.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/AudioRecords.h"
#include "link/LittleEndian.h"
#include "link/TuningValues.h"
#include "tests/codec/AudioReadback.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TestEnvironment.h"

namespace {

std::string media(const std::string& name) { return joinPath(mediaFolder(), "codec-audio\\" + name); }
std::string scratch(const std::string& name) { return joinPath(scratchFolder(), name); }

struct LinkJob {
    LinkJob(std::string o, std::string s, std::string out)
        : options(std::move(o)), source(std::move(s)), output(std::move(out)) {}
    std::string options;
    std::string source;
    std::string output;
    ProcessResult result{};
};

// quorl.exe pauses before it exits in command-line mode, so the links are made
// side by side.
void makeLinks(std::vector<LinkJob>& jobs) {
    std::vector<std::thread> runs;
    for (LinkJob& job : jobs) {
        DeleteFileA(job.output.c_str());
        runs.emplace_back([&job] {
            job.result = runProcess("\"" + joinPath(binaryFolder(), "quorl.exe") + "\" " +
                                        job.options + job.source + " " + job.output,
                                    120000, scratchFolder());
        });
    }
    for (std::thread& run : runs) run.join();
}

std::vector<uint8_t> dword(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// The records of a stored linked stream, for tests that pick blocks.
struct Record {
    int32_t first;
    int32_t count;
};
std::vector<Record> recordsOf(const StoredAudio& stored) {
    std::vector<Record> records;
    const size_t block = getU16(&stored.format[12]);
    for (size_t at = 0; at + block <= stored.data.size(); at += block)
        records.push_back({static_cast<int32_t>(getU32(&stored.data[at + 4])),
                           static_cast<int32_t>(getU32(&stored.data[at + 8]))});
    return records;
}

class AudioPlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        deleteProgramRegistryKey();
        ASSERT_TRUE(CopyFileA(media("s25.avi").c_str(), scratch("gone.avi").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(media("s25.avi").c_str(), scratch("short.avi").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(media("s25_1s.avi").c_str(), scratch("grown.avi").c_str(), FALSE));
        std::vector<LinkJob> jobs = {
            {"", media("s25.avi"), scratch("s25.avi")},
            {"", media("s2997.avi"), scratch("s2997.avi")},
            {"", media("m8.avi"), scratch("m8.avi")},
            {"", media("ima.avi"), scratch("ima.avi")},
            {"-r ", media("ima.avi"), scratch("ima_raw.avi")},
            {"", scratch("gone.avi"), scratch("gone_link.avi")},
            {"", scratch("short.avi"), scratch("short_link.avi")},
            {"", scratch("grown.avi"), scratch("grown_link.avi")},
        };
        makeLinks(jobs);
        // Each source changes after its link was made: one loses its second
        // second, the other gains one.
        ASSERT_TRUE(CopyFileA(media("s25_1s.avi").c_str(), scratch("short.avi").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(media("s25.avi").c_str(), scratch("grown.avi").c_str(), FALSE));
        writeRegistryValue(kTuningSubkey, kInterleaveName, REG_DWORD, dword(4));
        std::vector<LinkJob> spaced = {{"", media("s25.avi"), scratch("s25_i4.avi")}};
        makeLinks(spaced);
        deleteProgramRegistryKey();
        for (const LinkJob& job : jobs) ASSERT_EQ(job.result.exitCode, 0u) << job.result.output;
        ASSERT_EQ(spaced[0].result.exitCode, 0u) << spaced[0].result.output;
    }
};

TEST_F(AudioPlaybackTest, LinkedSoundEqualsTheSourceInEveryReadSize) {
    struct Case {
        const char* link;
        const char* reference;     // ffmpeg's decode, or the program's RAW link
        bool referenceIsRawLink;
        WORD channels;
        DWORD rate;
        WORD bits;
    };
    const Case cases[] = {
        {"s25.avi", "s25.pcm", false, 2, 48000, 16},
        {"s2997.avi", "s2997.pcm", false, 2, 48000, 16},
        {"m8.avi", "m8.pcm", false, 1, 44100, 8},
        {"ima.avi", "ima_raw.avi", true, 2, 22050, 16},
        {"s25_i4.avi", "s25.pcm", false, 2, 48000, 16},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> reference;
        if (c.referenceIsRawLink) {
            StoredAudio raw = readStoredAudio(scratch(c.reference));
            ASSERT_EQ(raw.failure, "") << c.link;
            reference = raw.data;
        } else {
            reference = readFileBytes(media(c.reference));
        }
        ASSERT_FALSE(reference.empty()) << c.reference;
        // The link covers its whole frame periods: its records' total, which
        // ends within one frame period of the source's sound, or past it
        // (block spacing above 1) with silence.
        StoredAudio stored = readStoredAudio(scratch(c.link));
        ASSERT_EQ(stored.failure, "") << c.link;
        size_t covered = 0;
        for (const Record& r : recordsOf(stored)) covered += static_cast<size_t>(r.count);
        const size_t frameBytes = c.channels * c.bits / 8u;
        covered *= frameBytes;
        EXPECT_LT(reference.size(), covered + frameBytes * c.rate / 25) << c.link;
        const size_t common = std::min(covered, reference.size());
        for (LONG blocks : {1, 7, 100000}) {
            DecodedAudio decoded = decodeLinkedAudio(scratch(c.link), blocks);
            ASSERT_EQ(decoded.failure, "") << c.link << " by " << blocks;
            EXPECT_EQ(decoded.pcm.nChannels, c.channels) << c.link;
            EXPECT_EQ(decoded.pcm.nSamplesPerSec, c.rate) << c.link;
            EXPECT_EQ(decoded.pcm.wBitsPerSample, c.bits) << c.link;
            ASSERT_EQ(decoded.data.size(), covered) << c.link << " by " << blocks;
            EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + common, decoded.data.begin()))
                << c.link << " by " << blocks;
            const uint8_t silence = c.bits == 8 ? 0x80 : 0;
            EXPECT_EQ(std::count(decoded.data.begin() + common, decoded.data.end(), silence),
                      decoded.data.end() - (decoded.data.begin() + common))
                << c.link;
        }
    }
}

TEST_F(AudioPlaybackTest, JumpsBackAndForthGiveTheRightSamples) {
    const std::vector<uint8_t> reference = readFileBytes(media("s2997.pcm"));
    StoredAudio stored = readStoredAudio(scratch("s2997.avi"));
    ASSERT_EQ(stored.failure, "");
    const std::vector<Record> records = recordsOf(stored);
    ASSERT_GE(records.size(), 59u);
    AcmConversion conversion(stored.format);
    ASSERT_EQ(conversion.openResult(), 0u);
    const size_t block = getU16(&stored.format[12]);
    for (size_t index : {30u, 31u, 2u, 58u, 0u, 17u, 17u, 40u}) {
        std::vector<uint8_t> pcm;
        ASSERT_EQ(conversion.convert(&stored.data[index * block], block, &pcm), 0u) << index;
        const Record r = records[index];
        ASSERT_EQ(pcm.size(), static_cast<size_t>(r.count) * 4) << index;
        EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), reference.begin() + r.first * 4)) << index;
    }
}

TEST_F(AudioPlaybackTest, ASourceCutShortIsRefusedAndOneThatGrewStillPlays) {
    DecodedAudio shortened = decodeLinkedAudio(scratch("short_link.avi"), 7);
    EXPECT_NE(shortened.openResult, 0u);
    EXPECT_TRUE(shortened.data.empty());

    DecodedAudio grown = decodeLinkedAudio(scratch("grown_link.avi"), 7);
    ASSERT_EQ(grown.failure, "");
    const std::vector<uint8_t> reference = readFileBytes(media("s25.pcm"));
    ASSERT_EQ(grown.data.size(), 48000u * 4);
    EXPECT_TRUE(std::equal(grown.data.begin(), grown.data.end(), reference.begin()));
}

TEST_F(AudioPlaybackTest, ARecordOutsideTheLinkFailsItsRead) {
    // A copy of a link whose eleventh block starts just past the sound, within
    // the reach of a last block (such records once passed as silence).
    std::vector<unsigned char> bytes = readFileBytes(scratch("s25.avi"));
    const unsigned char chunk[] = {'0', '1', 'w', 'b', 128, 0, 0, 0};
    auto at = bytes.begin();
    for (int block = 0; block <= 10; ++block, at += 8) {
        at = std::search(at, bytes.end(), std::begin(chunk), std::end(chunk));
        ASSERT_NE(at, bytes.end()) << block;
    }
    putU32(&*(at + 4), 96000 + 100);
    ASSERT_TRUE(writeFileBytes(scratch("records.avi"), bytes));
    // Read a block at a time, the ten before it are the source's; then the
    // read fails instead of handing out silence.
    const std::vector<uint8_t> reference = readFileBytes(media("s25.pcm"));
    DecodedAudio decoded = decodeLinkedAudio(scratch("records.avi"), 1);
    EXPECT_NE(decoded.failure.find("at block 10"), std::string::npos) << decoded.failure;
    ASSERT_EQ(decoded.data.size(), 10u * 1920 * 4);
    EXPECT_TRUE(std::equal(decoded.data.begin(), decoded.data.end(), reference.begin()));
}

TEST_F(AudioPlaybackTest, LinkWhoseSourceIsGoneCannotBeOpened) {
    ASSERT_TRUE(DeleteFileA(scratch("gone.avi").c_str()));
    DecodedAudio decoded = decodeLinkedAudio(scratch("gone_link.avi"), 7);
    EXPECT_NE(decoded.openResult, 0u);
    EXPECT_TRUE(decoded.data.empty());
}

}  // namespace
