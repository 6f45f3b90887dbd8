// The ACM face of the codec, installed for this process only with the DLL's
// own DriverProc and driven through msacm32 as any client would drive it.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/AudioRecords.h"
#include "link/LinkWriter.h"
#include "link/LittleEndian.h"
#include "tests/codec/AudioReadback.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr uint32_t kBlock = 128;
constexpr int32_t kSamples = 96000;  // s25: 2 s of 48 kHz stereo 16-bit
constexpr int32_t kMaxPerBlock = 2112;

std::string sourcePath() { return joinPath(mediaFolder(), "codec-audio\\s25.avi"); }

std::vector<uint8_t> linkedFormat(const std::string& path, int32_t samples = kSamples) {
    AudioLinkData data = buildAudioLinkData({samples, kMaxPerBlock, 65536, 16, path.c_str(), 1});
    LinkedAudioFormat format = buildLinkedAudioFormat({2, 48000, 3200, kBlock, 16, 0}, data);
    return {format.begin(), format.end()};
}

WAVEFORMATEX pcmFormat(WORD channels = 2, DWORD rate = 48000, WORD bits = 16) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = channels;
    pcm.nSamplesPerSec = rate;
    pcm.wBitsPerSample = bits;
    pcm.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * rate;
    return pcm;
}

struct Block {
    int32_t first;
    int32_t count;
};

std::vector<uint8_t> blocks(const std::vector<Block>& list) {
    std::vector<uint8_t> bytes(list.size() * kBlock);
    for (size_t i = 0; i < list.size(); ++i)
        fillAudioBlockRecord(&bytes[i * kBlock], kBlock, static_cast<int32_t>(i), list[i].first,
                             list[i].count);
    return bytes;
}

// The source's PCM for a record, silence past its end.
std::vector<uint8_t> expectedPcm(const std::vector<uint8_t>& reference, const std::vector<Block>& list) {
    std::vector<uint8_t> out;
    for (const Block& b : list)
        for (int32_t i = 0; i < b.count * 4; ++i) {
            const size_t at = static_cast<size_t>(b.first) * 4 + i;
            out.push_back(at < reference.size() ? reference[at] : 0);
        }
    return out;
}

// Writes a linked-audio link naming `source` for the sound of s25, with the
// program's own writer: the writer never opens the source it names.
bool writeLink(const std::string& path, const std::string& source) {
    LinkWriter writer;
    ProgressHooks hooks{nullptr, [](void*, void*, void*, const char*) { return 0; },
                        [](void*) { return true; }, [](int32_t, void*) {},
                        [](void*) { return false; }};
    return writer.createLink(path.c_str(), source.c_str(), 1, 32, 32, 25, 1, 50, 3, 48000, 2, 16,
                             kSamples, true, true, false, false, 2, SourceCallbacks{}, hooks);
}

class AcmDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = LoadLibraryA(joinPath(binaryFolder(), "avishim.dll").c_str());
        ASSERT_NE(module, nullptr);
        auto proc = reinterpret_cast<LPARAM>(GetProcAddress(module, "DriverProc"));
        ASSERT_NE(proc, 0);
        ASSERT_EQ(acmDriverAdd(&driverId, module, proc, 0,
                               ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL),
                  0u);
        ASSERT_EQ(acmDriverOpen(&driver, driverId, 0), 0u);
        reference = readFileBytes(joinPath(mediaFolder(), "codec-audio\\s25.pcm"));
        ASSERT_EQ(reference.size(), static_cast<size_t>(kSamples) * 4);
    }
    static void TearDownTestSuite() {
        if (driver != nullptr) acmDriverClose(driver, 0);
        if (driverId != nullptr) acmDriverRemove(driverId, 0);
        driver = nullptr;
        driverId = nullptr;
    }

    MMRESULT openStream(HACMSTREAM* stream, std::vector<uint8_t> source, WAVEFORMATEX pcm,
                        DWORD flags = 0) {
        return acmStreamOpen(stream, driver, reinterpret_cast<WAVEFORMATEX*>(source.data()), &pcm,
                             nullptr, 0, 0, flags);
    }

    // Converts `bytes` in one call into a destination of `room` bytes.
    MMRESULT convertOnce(HACMSTREAM stream, std::vector<uint8_t> bytes, DWORD room,
                         std::vector<uint8_t>* out, DWORD* used = nullptr) {
        out->assign(room, 0xAA);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = bytes.data();
        header.cbSrcLength = static_cast<DWORD>(bytes.size());
        header.pbDst = out->data();
        header.cbDstLength = room;
        EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), 0u);
        MMRESULT result = acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN);
        acmStreamUnprepareHeader(stream, &header, 0);
        out->resize(result == 0 ? header.cbDstLengthUsed : 0);
        if (used != nullptr) *used = header.cbSrcLengthUsed;
        return result;
    }

    static HMODULE module;
    static HACMDRIVERID driverId;
    static HACMDRIVER driver;
    static std::vector<uint8_t> reference;
};

HMODULE AcmDriverTest::module = nullptr;
HACMDRIVERID AcmDriverTest::driverId = nullptr;
HACMDRIVER AcmDriverTest::driver = nullptr;
std::vector<uint8_t> AcmDriverTest::reference;

TEST_F(AcmDriverTest, DetailsListTheLinkedTagAndPcm) {
    ACMDRIVERDETAILSA details{};
    details.cbStruct = sizeof details;
    ASSERT_EQ(acmDriverDetailsA(driverId, &details, 0), 0u);
    EXPECT_STREQ(details.szShortName, "Quorl link audio");
    EXPECT_TRUE(details.fdwSupport & ACMDRIVERDETAILS_SUPPORTF_CODEC);
    EXPECT_EQ(details.cFormatTags, 2u);
    EXPECT_EQ(details.cFilterTags, 0u);

    struct Case {
        DWORD flags;
        DWORD index;
        DWORD tag;
        MMRESULT result;
        DWORD expectedTag;
        DWORD size;
    };
    const Case cases[] = {
        {ACM_FORMATTAGDETAILSF_INDEX, 0, 0, 0, 0xF4, 82},
        {ACM_FORMATTAGDETAILSF_INDEX, 1, 0, 0, WAVE_FORMAT_PCM, 16},
        {ACM_FORMATTAGDETAILSF_INDEX, 2, 0, ACMERR_NOTPOSSIBLE, 0, 0},
        {ACM_FORMATTAGDETAILSF_FORMATTAG, 0, 0xF4, 0, 0xF4, 82},
        {ACM_FORMATTAGDETAILSF_FORMATTAG, 0, WAVE_FORMAT_PCM, 0, WAVE_FORMAT_PCM, 16},
        {ACM_FORMATTAGDETAILSF_FORMATTAG, 0, 0x11, ACMERR_NOTPOSSIBLE, 0, 0},
        {ACM_FORMATTAGDETAILSF_LARGESTSIZE, 0, WAVE_FORMAT_UNKNOWN, 0, 0xF4, 82},
    };
    for (const Case& c : cases) {
        ACMFORMATTAGDETAILSA tag{};
        tag.cbStruct = sizeof tag;
        tag.dwFormatTagIndex = c.index;
        tag.dwFormatTag = c.tag;
        MMRESULT result = acmFormatTagDetailsA(driver, &tag, c.flags);
        EXPECT_EQ(result, c.result) << c.flags << "/" << c.index << "/" << c.tag;
        if (result != 0) continue;
        EXPECT_EQ(tag.dwFormatTag, c.expectedTag);
        EXPECT_EQ(tag.cbFormatSize, c.size);
    }

    std::vector<uint8_t> link = linkedFormat(sourcePath());
    ACMFORMATDETAILSA format{};
    format.cbStruct = sizeof format;
    format.dwFormatTag = 0xF4;
    format.pwfx = reinterpret_cast<WAVEFORMATEX*>(link.data());
    format.cbwfx = static_cast<DWORD>(link.size());
    ASSERT_EQ(acmFormatDetailsA(driver, &format, ACM_FORMATDETAILSF_FORMAT), 0u);
    EXPECT_NE(std::string(format.szFormat).find("48000 Hz"), std::string::npos) << format.szFormat;
    link[18] = 1;  // version 1
    EXPECT_NE(acmFormatDetailsA(driver, &format, ACM_FORMATDETAILSF_FORMAT), 0u);
}

TEST_F(AcmDriverTest, SuggestsThePcmTheLinkNames) {
    struct Case {
        const char* name;
        DWORD flags;
        WAVEFORMATEX preset;
        bool linkedSource;
        bool accepted;
    };
    WAVEFORMATEX mono = pcmFormat(1);
    WAVEFORMATEX eightBit = pcmFormat(2, 48000, 8);
    WAVEFORMATEX matching = pcmFormat();
    WAVEFORMATEX adpcm = pcmFormat();
    adpcm.wFormatTag = 0x11;
    const Case cases[] = {
        {"by tag", ACM_FORMATSUGGESTF_WFORMATTAG, pcmFormat(), true, true},
        {"nothing fixed", 0, WAVEFORMATEX{}, true, true},
        {"channels fixed as the link's", ACM_FORMATSUGGESTF_NCHANNELS, matching, true, true},
        {"mono fixed", ACM_FORMATSUGGESTF_NCHANNELS, mono, true, false},
        {"8 bits fixed", ACM_FORMATSUGGESTF_WBITSPERSAMPLE, eightBit, true, false},
        {"another tag fixed", ACM_FORMATSUGGESTF_WFORMATTAG, adpcm, true, false},
        {"from PCM", ACM_FORMATSUGGESTF_WFORMATTAG, pcmFormat(), false, false},
    };
    std::vector<uint8_t> link = linkedFormat(sourcePath());
    WAVEFORMATEX pcmSource = pcmFormat();
    for (const Case& c : cases) {
        // Without a fixed tag msacm32 wants room for any format at all.
        std::vector<uint8_t> room(256);
        std::memcpy(room.data(), &c.preset, sizeof c.preset);
        WAVEFORMATEX* source =
            c.linkedSource ? reinterpret_cast<WAVEFORMATEX*>(link.data()) : &pcmSource;
        MMRESULT result = acmFormatSuggest(driver, source, reinterpret_cast<WAVEFORMATEX*>(room.data()),
                                           static_cast<DWORD>(room.size()), c.flags);
        EXPECT_EQ(result == 0, c.accepted) << c.name << ": " << result;
        if (result != 0) continue;
        WAVEFORMATEX expected = pcmFormat();
        EXPECT_EQ(std::memcmp(room.data(), &expected, sizeof expected), 0) << c.name;
    }
}

TEST_F(AcmDriverTest, OpensOnlyTheLinksOwnConversion) {
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&, WAVEFORMATEX&)> edit;
        bool accepted;
    };
    const Case cases[] = {
        {"the link's PCM", [](auto&, auto&) {}, true},
        {"other rate", [](auto&, WAVEFORMATEX& p) { p = pcmFormat(2, 44100); }, false},
        {"mono", [](auto&, WAVEFORMATEX& p) { p = pcmFormat(1); }, false},
        {"8 bits", [](auto&, WAVEFORMATEX& p) { p = pcmFormat(2, 48000, 8); }, false},
        {"to the linked tag", [](auto&, WAVEFORMATEX& p) { p.wFormatTag = 0xF4; }, false},
        {"link version 3", [](std::vector<uint8_t>& f, auto&) { putU32(&f[18], 3); }, false},
        {"IMA ADPCM source", [](std::vector<uint8_t>& f, auto&) { putU16(&f[0], 0x11); }, false},
        {"no path", [](std::vector<uint8_t>& f, auto&) { f[38] = 0; }, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> link = linkedFormat(sourcePath());
        WAVEFORMATEX pcm = pcmFormat();
        c.edit(link, pcm);
        HACMSTREAM stream = nullptr;
        EXPECT_EQ(openStream(&stream, link, pcm, ACM_STREAMOPENF_QUERY) == 0, c.accepted) << c.name;
        EXPECT_EQ(stream, nullptr) << c.name;
    }
    // A query does not need the source; the real open does.
    HACMSTREAM stream = nullptr;
    std::vector<uint8_t> missing = linkedFormat(joinPath(mediaFolder(), "codec-audio\\none.avi"));
    EXPECT_EQ(openStream(&stream, missing, pcmFormat(), ACM_STREAMOPENF_QUERY), 0u);
    EXPECT_NE(openStream(&stream, missing, pcmFormat()), 0u);
    EXPECT_EQ(stream, nullptr);
    // The source's sound must still be the one the link was made from.
    std::vector<uint8_t> mono = linkedFormat(sourcePath());
    putU16(&mono[2], 1);
    EXPECT_NE(openStream(&stream, mono, pcmFormat(1)), 0u);
}

TEST_F(AcmDriverTest, SizesCountWholeBlocksAtTheirLargest) {
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(openStream(&stream, linkedFormat(sourcePath()), pcmFormat()), 0u);
    const DWORD largest = kMaxPerBlock * 4;
    struct Case {
        DWORD flags;
        DWORD given;
        MMRESULT result;
        DWORD size;
    };
    const Case cases[] = {
        {ACM_STREAMSIZEF_SOURCE, kBlock, 0, largest},
        {ACM_STREAMSIZEF_SOURCE, 7 * kBlock, 0, 7 * largest},
        {ACM_STREAMSIZEF_SOURCE, 2 * kBlock + 100, 0, 2 * largest},
        {ACM_STREAMSIZEF_SOURCE, kBlock - 1, ACMERR_NOTPOSSIBLE, 0},
        {ACM_STREAMSIZEF_DESTINATION, 1, 0, kBlock},
        {ACM_STREAMSIZEF_DESTINATION, largest, 0, kBlock},
        {ACM_STREAMSIZEF_DESTINATION, largest + 1, 0, 2 * kBlock},
        {ACM_STREAMSIZEF_DESTINATION, 0, ACMERR_NOTPOSSIBLE, 0},
    };
    for (const Case& c : cases) {
        DWORD size = 0;
        MMRESULT result = acmStreamSize(stream, c.given, &size, c.flags);
        EXPECT_EQ(result, c.result) << c.flags << "/" << c.given;
        if (result == 0) {
            EXPECT_EQ(size, c.size) << c.flags << "/" << c.given;
        }
    }
    acmStreamClose(stream, 0);
}

TEST_F(AcmDriverTest, BlocksBecomeTheSourcesSamples) {
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(openStream(&stream, linkedFormat(sourcePath()), pcmFormat()), 0u);
    struct Case {
        const char* name;
        std::vector<Block> list;
    };
    const Case cases[] = {
        {"first two", {{0, 1920}, {1920, 1920}}},
        {"the next one", {{3840, 1920}}},
        {"a jump back", {{100, 7}}},
        {"a jump forward, varying lengths", {{50000, 1601}, {51601, 1602}, {53203, 0}, {53203, 2112}}},
        {"reaching past the end is silence", {{95000, 2112}, {96000, 0}}},
        {"back to the start", {{0, 1920}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out;
        DWORD used = 0;
        ASSERT_EQ(convertOnce(stream, blocks(c.list), 64 * 1024, &out, &used), 0u) << c.name;
        EXPECT_EQ(used, c.list.size() * kBlock) << c.name;
        EXPECT_TRUE(out == expectedPcm(reference, c.list)) << c.name;
    }
    acmStreamClose(stream, 0);
}

TEST_F(AcmDriverTest, RecordsThatLieFailAndTouchNothing) {
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(openStream(&stream, linkedFormat(sourcePath()), pcmFormat()), 0u);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> truncated = blocks({{0, 1920}});
    truncated.resize(100);
    std::vector<uint8_t> secondLies = blocks({{0, 1920}, {1920, -5}});
    const Case cases[] = {
        {"negative count", blocks({{0, -1}})},
        {"count above the maximum", blocks({{0, kMaxPerBlock + 1}})},
        {"first sample far past the end", blocks({{kSamples * 2, 1920}})},
        {"a block after the one reaching past the end", blocks({{95000, 2112}, {97112, 1000}})},
        {"negative first sample", blocks({{-1920, 1920}})},
        {"truncated block", truncated},
        {"a good block before a lying one", secondLies},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out;
        EXPECT_EQ(convertOnce(stream, c.bytes, 64 * 1024, &out), ACMERR_NOTPOSSIBLE) << c.name;
    }
    // The stream still works after every refusal.
    std::vector<uint8_t> out;
    ASSERT_EQ(convertOnce(stream, blocks({{1920, 1920}}), 64 * 1024, &out), 0u);
    EXPECT_TRUE(out == expectedPcm(reference, {{1920, 1920}}));
    acmStreamClose(stream, 0);
}

TEST_F(AcmDriverTest, AFullDestinationTakesTheBlocksThatFit) {
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(openStream(&stream, linkedFormat(sourcePath()), pcmFormat()), 0u);
    std::vector<Block> list = {{0, 1920}, {1920, 1920}, {3840, 1920}};
    std::vector<uint8_t> out;
    DWORD used = 0;
    ASSERT_EQ(convertOnce(stream, blocks(list), 2 * 1920 * 4 + 10, &out, &used), 0u);
    EXPECT_EQ(used, 2 * kBlock);
    EXPECT_TRUE(out == expectedPcm(reference, {{0, 1920}, {1920, 1920}}));
    EXPECT_EQ(convertOnce(stream, blocks(list), 1920 * 4 - 1, &out), ACMERR_NOTPOSSIBLE);
    acmStreamClose(stream, 0);
}

TEST_F(AcmDriverTest, LinksOfLinksDecodeAndUnreadableSourcesAreRefused) {
    // A link whose source is another link: the codec reads its source through
    // the ACM from inside its own conversion.
    const std::string inner = joinPath(scratchFolder(), "inner.avi");
    const std::string outer = joinPath(scratchFolder(), "outer.avi");
    const std::string self = joinPath(scratchFolder(), "self.avi");
    ASSERT_TRUE(writeLink(inner, sourcePath()));
    ASSERT_TRUE(writeLink(outer, inner));
    // The writer refuses to make a link over its own source, so the link is
    // made beside it and moved into place, as a user renaming files could.
    const std::string beside = joinPath(scratchFolder(), "self-made.avi");
    ASSERT_TRUE(writeLink(beside, self));
    ASSERT_TRUE(MoveFileExA(beside.c_str(), self.c_str(), MOVEFILE_REPLACE_EXISTING));

    StoredAudio stored = readStoredAudio(outer);
    ASSERT_EQ(stored.failure, "");
    AcmConversion conversion(stored.format, driver);
    ASSERT_EQ(conversion.openResult(), 0u);
    std::vector<uint8_t> pcm;
    ASSERT_EQ(conversion.convert(stored.data.data(), stored.data.size(), &pcm), 0u);
    EXPECT_TRUE(pcm == reference) << pcm.size();

    StoredAudio looped = readStoredAudio(self);
    ASSERT_EQ(looped.failure, "");
    AcmConversion refused(looped.format, driver);
    EXPECT_NE(refused.openResult(), 0u);

    // A source past 1 GB in the OpenDML form: its sound in the second part
    // would abort AVIFile.
    const std::string large = joinPath(scratchFolder(), "opendml-link.avi");
    ASSERT_TRUE(writeLink(large, joinPath(mediaFolder(), "opendml\\big.avi")));
    StoredAudio largeAudio = readStoredAudio(large);
    ASSERT_EQ(largeAudio.failure, "");
    AcmConversion refusedLarge(largeAudio.format, driver);
    EXPECT_NE(refusedLarge.openResult(), 0u);
}

}  // namespace
