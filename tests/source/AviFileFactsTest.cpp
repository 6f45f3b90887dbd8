// The reader's own look at a file's chunks, over files the program's writer
// made in memory and over the ways such files arrive damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
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
        if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
        std::memcpy(data, bytes_.data() + offset, length);
        return true;
    }

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
        at = std::search(at, b.end(), "SHIM", "SHIM" + 4);
        std::memcpy(&*at, "DIB ", 4);
    }
}

struct FileCase {
    const char* name;
    MemoryAviContent content;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool isAvi, hasIndex, hasAudio;
    uint32_t blockAlign;
    bool isLink = true, hasSecondPart = false;
};

class AviFileFactsTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(AviFileFactsTest, FactsOfTheFile) {
    const FileCase& c = GetParam();
    std::vector<uint8_t> bytes = writeMemoryAvi(c.content);
    if (c.damage) c.damage(bytes);
    MemoryFile file(bytes);
    avi::AviFileFacts facts;
    EXPECT_EQ(avi::inspectAviChunks(file, &facts), c.isAvi);
    EXPECT_EQ(facts.isAvi, c.isAvi);
    EXPECT_EQ(facts.hasLegacyIndex, c.hasIndex);
    EXPECT_FALSE(facts.hasOpenDmlIndex);
    EXPECT_EQ(facts.hasAudio, c.hasAudio);
    EXPECT_EQ(facts.hasAudioBlockAlign, c.hasAudio);
    EXPECT_EQ(facts.isLink, c.isLink);
    EXPECT_EQ(facts.hasSecondPart, c.hasSecondPart);
    if (!c.hasAudio) return;
    EXPECT_EQ(facts.audioBlockAlign, c.blockAlign);
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
                 true, true, true, 128, true, true}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

}  // namespace
