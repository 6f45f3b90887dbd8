// The reader's own look at a file's chunks, over files the program's writer
// made in memory and over the ways such files arrive damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "link/LittleEndian.h"
#include "source/AviFileFacts.h"
#include "tests/source/MemoryAvi.h"

namespace {

class MemoryFile : public avi::ByteSource {
public:
    explicit MemoryFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    bool readAt(uint64_t offset, void* data, uint32_t length) override {
        bytesAsked += length;
        if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
        std::memcpy(data, bytes_.data() + offset, length);
        return true;
    }
    uint64_t bytesAsked = 0;

private:
    const std::vector<uint8_t>& bytes_;
};

// Where the index chunk starts: the writer puts it last.
size_t indexOffset(const std::vector<uint8_t>& bytes) {
    for (size_t at = bytes.size() - 8;; --at)
        if (std::memcmp(&bytes[at], "idx1", 4) == 0) return at;
}

// The video stream's handler, then also its compression, named otherwise.
void renameShim(std::vector<uint8_t>& b, int count) {
    auto at = b.begin();
    for (int i = 0; i < count; ++i, at += 4) {
        at = std::search(at, b.end(), &"SHIM"[0], &"SHIM"[4]);
        std::memcpy(&*at, "DIB ", 4);
    }
}

// Where the `nth` chunk or list type called `id` starts in the headers.
size_t headerOffset(const std::vector<uint8_t>& bytes, const char* id, int nth = 0) {
    for (size_t at = 0; at + 4 <= 2048; ++at)
        if (std::memcmp(&bytes[at], id, 4) == 0 && nth-- == 0) return at;
    ADD_FAILURE() << id << " not in the headers";
    return 0;
}

// Zero bytes at `at`, which read as chunks of id 0 and size 0; the lists that
// hold them (their headers at `lists`) grow by as much.
void insertZeroChunks(std::vector<uint8_t>& bytes, size_t at, uint32_t count,
                      std::initializer_list<size_t> lists) {
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), 8 * size_t{count}, 0);
    for (size_t list : lists) putU32(&bytes[list + 4], getU32(&bytes[list + 4]) + 8 * count);
}

struct FileCase {
    const char* name;
    MemoryAviContent content;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool isAvi, hasIndex, hasAudio;
    uint32_t blockAlign;
    bool isLink = true, hasSecondPart = false;
    // What a look at these headers may ask of the file: a few hundred bytes,
    // and never more than the chunk cap allows on a damaged one.
    uint64_t maxBytesRead = 400;
    bool blockAlignKnown = true;  // when there is audio
    uint32_t audioStart = 0;
    bool openDmlIndex = false;
};

class AviFileFactsTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(AviFileFactsTest, FactsOfTheFile) {
    const FileCase& c = GetParam();
    std::vector<uint8_t> bytes = writeMemoryAvi(c.content);
    if (c.damage) c.damage(bytes);
    MemoryFile file(bytes);
    avi::AviFileFacts facts;
    EXPECT_EQ(avi::inspectAviChunks(file, &facts), c.isAvi);
    EXPECT_LE(file.bytesAsked, c.maxBytesRead);
    EXPECT_EQ(facts.isAvi, c.isAvi);
    EXPECT_EQ(facts.hasLegacyIndex, c.hasIndex);
    EXPECT_EQ(facts.hasOpenDmlIndex, c.openDmlIndex);
    EXPECT_EQ(facts.hasAudio, c.hasAudio);
    EXPECT_EQ(facts.hasAudioBlockAlign, c.hasAudio && c.blockAlignKnown);
    EXPECT_EQ(facts.isLink, c.isLink);
    EXPECT_EQ(facts.hasSecondPart, c.hasSecondPart);
    EXPECT_FALSE(avi::inspectAviChunks(file, nullptr));
    if (!c.hasAudio) return;
    EXPECT_EQ(facts.audio.start, c.audioStart);
    if (c.blockAlignKnown) {
        EXPECT_EQ(facts.audioBlockAlign, c.blockAlign);
    }
    // The linked stream's header as the writer stated it.
    EXPECT_EQ(facts.audio.scale, c.blockAlign);
    EXPECT_EQ(facts.audio.rate, 25 * c.blockAlign);
    EXPECT_EQ(facts.audio.sampleSize, c.blockAlign);
    EXPECT_EQ(facts.audio.length, 3u);
}

const MemoryAviContent kLink{};
const MemoryAviContent kVideoOnly{true, false, 128};

INSTANTIATE_TEST_SUITE_P(
    Files, AviFileFactsTest,
    ::testing::Values(
        FileCase{"LinkWithAudio", kLink, nullptr, true, true, true, 128},
        FileCase{"VideoOnly", kVideoOnly, nullptr, true, true, false, 0},
        FileCase{"AudioAloneWithBlockAlignZero", MemoryAviContent{false, true, 0}, nullptr, true,
                 true, true, 0},
        FileCase{"CutBeforeTheIndex", kLink,
                 [](std::vector<uint8_t>& b) { b.resize(indexOffset(b)); }, true, false, true, 128},
        FileCase{"CutInsideTheHeaders", kLink, [](std::vector<uint8_t>& b) { b.resize(100); },
                 true, false, false, 0, false},
        FileCase{"WaveFile", kLink, [](std::vector<uint8_t>& b) { std::memcpy(&b[8], "WAVE", 4); },
                 false, false, false, 0, false},
        FileCase{"SecondPartOfALargeAvi", kLink, [](std::vector<uint8_t>& b) { std::memcpy(&b[8], "AVIX", 4); },
                 false, false, false, 0, false},
        FileCase{"RiffSizeBeyondTheFile", kLink,
                 [](std::vector<uint8_t>& b) { putU32(&b[4], 0xFFFFFFF0u); }, true, true, true, 128},
        FileCase{"Empty", kLink, [](std::vector<uint8_t>& b) { b.clear(); }, false, false, false, 0,
                 false},
        // A link is known by its handler, its compression or its sound's tag.
        FileCase{"ForeignHandler", kVideoOnly, [](std::vector<uint8_t>& b) { renameShim(b, 1); },
                 true, true, false, 0},
        FileCase{"PlainVideo", kVideoOnly, [](std::vector<uint8_t>& b) { renameShim(b, 2); }, true,
                 true, false, 0, false},
        // OpenDML: the next part follows the first RIFF.
        FileCase{"SecondPart", kLink,
                 [](std::vector<uint8_t>& b) {
                     b.insert(b.end(), {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', 'X'});
                 },
                 true, true, true, 128, true, true},
        FileCase{"AnotherFileAppended", kLink,
                 [](std::vector<uint8_t>& b) {
                     b.insert(b.end(), {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
                 },
                 true, true, true, 128, true, false},
        FileCase{"EmptyIndexEndsTheFile", kLink,
                 [](std::vector<uint8_t>& b) {
                     b.resize(indexOffset(b) + 8);
                     putU32(&b[b.size() - 4], 0);
                     putU32(&b[4], static_cast<uint32_t>(b.size() - 8));
                 },
                 true, true, true, 128},
        FileCase{"IndexAfterTheRiffEnds", kLink,
                 [](std::vector<uint8_t>& b) { putU32(&b[4], static_cast<uint32_t>(indexOffset(b) - 8)); },
                 true, false, true, 128},
        FileCase{"OddJunkIsPadded", kLink,
                 [](std::vector<uint8_t>& b) {
                     size_t junk = headerOffset(b, "JUNK");
                     putU32(&b[junk + 4], getU32(&b[junk + 4]) - 1);
                 },
                 true, true, true, 128},
        // A list too short for its type ends the walk there.
        FileCase{"HeaderListOfThreeBytes", kLink, [](std::vector<uint8_t>& b) { putU32(&b[16], 3); },
                 true, false, false, 0, false},
        FileCase{"AudioStreamHeaderCutShort", kLink,
                 [](std::vector<uint8_t>& b) { putU32(&b[headerOffset(b, "strh", 1) + 4], 40); },
                 true, true, false, 0},
        FileCase{.name = "AudioFormatCutShort", .content = kLink,
                 .damage = [](std::vector<uint8_t>& b) { putU32(&b[headerOffset(b, "strf", 1) + 4], 12); },
                 .isAvi = true, .hasIndex = true, .hasAudio = true, .blockAlign = 128,
                 .blockAlignKnown = false},
        FileCase{"TheFirstOfTwoAudioStreams", MemoryAviContent{true, true, 300, 128}, nullptr, true,
                 true, true, 300},
        FileCase{.name = "IndexInTheSecondAudioList", .content = MemoryAviContent{true, true, 300, 128},
                 .damage = [](std::vector<uint8_t>& b) { std::memcpy(&b[headerOffset(b, "strn", 2)], "indx", 4); },
                 .isAvi = true, .hasIndex = true, .hasAudio = true, .blockAlign = 300, .openDmlIndex = true},
        FileCase{"TextStreamInsteadOfAudio", kLink,
                 [](std::vector<uint8_t>& b) { std::memcpy(&b[headerOffset(b, "strh", 1) + 8], "txts", 4); },
                 true, true, false, 0},
        FileCase{"AudioListWithoutItsHeader", kLink,
                 [](std::vector<uint8_t>& b) { std::memcpy(&b[headerOffset(b, "strh", 1)], "strx", 4); },
                 true, true, false, 0},
        // The header after a list of nothing but its type is not the list's own.
        FileCase{"EmptyAudioList", kLink, [](std::vector<uint8_t>& b) { putU32(&b[headerOffset(b, "strl", 1) - 4], 4); },
                 true, true, false, 0},
        FileCase{"AudioListOfAnotherType", kLink,
                 [](std::vector<uint8_t>& b) { std::memcpy(&b[headerOffset(b, "strl", 1)], "strx", 4); },
                 true, true, false, 0},
        FileCase{.name = "AudioStartingLate", .content = kLink,
                 .damage = [](std::vector<uint8_t>& b) { putU32(&b[headerOffset(b, "strh", 1) + 8 + 28], 7); },
                 .isAvi = true, .hasIndex = true, .hasAudio = true, .blockAlign = 128, .audioStart = 7},
        FileCase{.name = "IndexInAStreamList", .content = kLink,
                 .damage = [](std::vector<uint8_t>& b) { std::memcpy(&b[headerOffset(b, "strn")], "indx", 4); },
                 .isAvi = true, .hasIndex = true, .hasAudio = true, .blockAlign = 128,
                 .openDmlIndex = true},
        // Zeros read as endless empty chunks: the walk gives up after 4096.
        FileCase{.name = "ZeroChunksBeforeTheIndex", .content = kLink,
                 .damage = [](std::vector<uint8_t>& b) { insertZeroChunks(b, indexOffset(b), 5000, {0}); },
                 .isAvi = true, .hasIndex = false, .hasAudio = true, .blockAlign = 128,
                 .maxBytesRead = 4096 * 8 + 400},
        FileCase{.name = "ZeroChunksInTheHeaderList", .content = kLink,
                 .damage = [](std::vector<uint8_t>& b) { insertZeroChunks(b, headerOffset(b, "LIST", 1), 5000, {0, 12}); },
                 .isAvi = true, .hasIndex = true, .hasAudio = false, .blockAlign = 0, .isLink = false,
                 .maxBytesRead = 4096 * 8 + 400},
        FileCase{.name = "ZeroChunksInTheAudioList", .content = kLink,
                 .damage =
                     [](std::vector<uint8_t>& b) {
                         size_t list = headerOffset(b, "strl", 1) - 8;
                         insertZeroChunks(b, headerOffset(b, "strf", 1), 5000, {0, 12, list});
                     },
                 .isAvi = true, .hasIndex = true, .hasAudio = true, .blockAlign = 128,
                 .maxBytesRead = 2 * 4096 * 8 + 400, .blockAlignKnown = false}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

}  // namespace
