#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "source/AVIReader.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"

namespace {

std::unique_ptr<AVIReader> openSourceFile(const std::string& name) {
    auto reader = std::make_unique<AVIReader>();
    if (!reader->open(mediaPath(name).c_str(), true, true, "Quorl")) return nullptr;
    return reader;
}

int32_t frameBytes(const AVIReader& reader) {
    return reader.bitsPerSample * reader.nrChannels / 8;
}

// `count` delivered sample frames from `start`; empty when the read fails.
Bytes readSamples(AVIReader& reader, int32_t start, int32_t count) {
    Bytes samples(static_cast<size_t>(count) * frameBytes(reader));
    if (!reader.readAudio(start, count, samples.data(), static_cast<int32_t>(samples.size())))
        return {};
    return samples;
}

Bytes frames(const Bytes& all, const AVIReader& reader, int64_t first, int64_t count) {
    const size_t size = frameBytes(reader);
    return Bytes(all.begin() + first * size, all.begin() + (first + count) * size);
}

bool allZero(const Bytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b == 0; });
}

struct PcmCase {
    const char* name;
    int32_t rate, channels, bits;
};

}  // namespace

TEST(PcmAudio, DeliversTheStreamAsStoredWhateverTheRequestSizes) {
    const PcmCase cases[] = {
        {"pcm48", 48000, 2, 16},
        {"pcm44", 44100, 2, 16},
        {"pcm8mono", 22050, 1, 8},
        {"audio-only", 48000, 2, 16},
    };
    for (const PcmCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = openSourceFile(std::string(c.name) + ".avi");
        ASSERT_NE(reader, nullptr);
        EXPECT_TRUE(reader->audioOpened);
        EXPECT_EQ(reader->audioSamplesPerSecond, c.rate);
        EXPECT_EQ(reader->nrChannels, c.channels);
        EXPECT_EQ(reader->bitsPerSample, c.bits);
        const Bytes stream = reference(std::string(c.name) + ".ref");
        ASSERT_EQ(reader->numAudioSamples * int64_t{frameBytes(*reader)},
                  static_cast<int64_t>(stream.size()));

        // One request for everything: more than any single read returns.
        EXPECT_EQ(readSamples(*reader, 0, reader->numAudioSamples), stream);

        Bytes pieces;
        for (int32_t at = 0, step = 1; at < reader->numAudioSamples; at += step, step = step * 3 + 1) {
            const int32_t count = std::min(step, reader->numAudioSamples - at);
            const Bytes piece = readSamples(*reader, at, count);
            ASSERT_FALSE(piece.empty()) << "at " << at;
            pieces.insert(pieces.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(pieces, stream);
    }
}

TEST(PcmAudio, AudioOnlySourceOpensWithoutVideo) {
    auto reader = openSourceFile("audio-only.avi");
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->videoOpened);
    EXPECT_TRUE(reader->audioOpened);
    Bytes frame(16);
    EXPECT_FALSE(reader->readVideoFrame(0, frame.data(), 16));
}

TEST(AudioReads, RefuseABufferTooSmallForTheRequest) {
    for (const char* name : {"pcm48.avi", "ima.avi"}) {
        SCOPED_TRACE(name);
        auto reader = openSourceFile(name);
        ASSERT_NE(reader, nullptr);
        const int32_t needed = 100 * frameBytes(*reader);
        Bytes buffer(needed, 0xA5);
        EXPECT_FALSE(reader->readAudio(0, 100, buffer.data(), needed - 1));
        EXPECT_STREQ(reader->lastError, "Audio buffer too small for the requested samples");
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](unsigned char b) { return b == 0xA5; }));
        EXPECT_FALSE(reader->readAudio(0, -1, buffer.data(), needed));
        EXPECT_TRUE(reader->readAudio(0, 100, buffer.data(), needed));
    }
}

struct DecodedCase {
    const char* name;
    // The largest difference from ffmpeg's decode of a 16-bit sample. Both
    // decoders of MS ADPCM are exact; IMA ADPCM's step arithmetic has two
    // accepted forms (Wine's decoder adds shifted steps, ffmpeg's multiplies),
    // whose results drift apart by a few units.
    int tolerance;
};

void PrintTo(const DecodedCase& c, std::ostream* out) { *out << c.name; }

class DecodedAudio : public ::testing::TestWithParam<DecodedCase> {
protected:
    void SetUp() override {
        const std::string name = GetParam().name;
        reader = openSourceFile(name + ".avi");
        ASSERT_NE(reader, nullptr);
        ffmpeg = reference(name + ".ref");
        ASSERT_GT(ffmpeg.size(), 0u);
        auto another = openSourceFile(name + ".avi");
        ASSERT_NE(another, nullptr);
        whole = readSamples(*another, 0, another->numAudioSamples);
        ASSERT_EQ(whole.size(), size_t{4} * reader->numAudioSamples);
    }
    std::unique_ptr<AVIReader> reader;
    Bytes ffmpeg;
    Bytes whole;  // one request for the whole stream, from a reader of its own
};

TEST_P(DecodedAudio, ReportsTheFullDurationAndTheSuggestedPcmFormat) {
    EXPECT_EQ(reader->audioSamplesPerSecond, 22050);
    EXPECT_EQ(reader->nrChannels, 2);
    EXPECT_EQ(reader->bitsPerSample, 16);
    // ffmpeg decodes every block whole, as the reader does: the lengths agree
    // only when the file's own rate and scale are used (Wine rewrites them).
    EXPECT_EQ(reader->numAudioSamples * int64_t{4}, static_cast<int64_t>(ffmpeg.size()));
    EXPECT_GT(reader->numAudioSamples, 2 * 22050);

    AVISTREAMINFOA info{};
    WAVEFORMATEX coded{}, decoded{};
    reader->getStreamDetails(&info, nullptr, &coded, &decoded, nullptr);
    // The file's own stream header, whatever the platform made of it.
    const Bytes avi = readFileBytes(mediaPath(std::string(GetParam().name) + ".avi"));
    const size_t strh = streamHeaderOffset(avi, "auds");
    ASSERT_NE(strh, 0u);
    EXPECT_EQ(info.dwScale, le32(avi, strh + 20));
    EXPECT_EQ(info.dwRate, le32(avi, strh + 24));
    EXPECT_EQ(info.dwLength, le32(avi, strh + 32));
    EXPECT_NE(info.dwScale, 1u);
    EXPECT_NE(coded.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(decoded.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(decoded.nSamplesPerSec, 22050u);
}

TEST_P(DecodedAudio, WholeDecodeMatchesFfmpegsSampleForSample) {
    ASSERT_EQ(whole.size(), ffmpeg.size());
    int worst = 0;
    for (size_t i = 0; i + 1 < whole.size(); i += 2) {
        const int ours = static_cast<int16_t>(whole[i] | whole[i + 1] << 8);
        const int theirs = static_cast<int16_t>(ffmpeg[i] | ffmpeg[i + 1] << 8);
        worst = std::max(worst, std::abs(ours - theirs));
    }
    EXPECT_LE(worst, GetParam().tolerance);
}

TEST_P(DecodedAudio, SequentialRequestsOfVariedSizesAreContiguousThenSilent) {
    const int32_t total = reader->numAudioSamples;
    Bytes pieces;
    const int32_t sizes[] = {1, 7, 1000, 4096, 3, 12345, 1017, 5512, 999};
    int32_t at = 0;
    for (int i = 0; at < total + 3000; ++i) {
        const int32_t count = sizes[i % std::size(sizes)];
        const Bytes piece = readSamples(*reader, at, count);
        ASSERT_EQ(piece.size(), size_t{4} * count) << "at " << at;
        pieces.insert(pieces.end(), piece.begin(), piece.end());
        at += count;
    }
    EXPECT_EQ(frames(pieces, *reader, 0, total), whole);
    EXPECT_TRUE(allZero(frames(pieces, *reader, total, at - total)));
}

TEST_P(DecodedAudio, AJumpRestartsAtTheMatchingSample) {
    const int32_t total = reader->numAudioSamples;
    // Forward, backward, into the middle of a block, onto a block boundary.
    for (int32_t start : {30000, 5, 20000, 10170, 10171, 1, 0, total - 600}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(readSamples(*reader, start, 500), frames(whole, *reader, start, 500));
        // ... and carries on from there without another jump.
        EXPECT_EQ(readSamples(*reader, start + 500, 77), frames(whole, *reader, start + 500, 77));
    }
}

TEST_P(DecodedAudio, TheLastRequestIsPaddedWithSilence) {
    const int32_t total = reader->numAudioSamples;
    const Bytes tail = readSamples(*reader, total - 100, 1000);
    ASSERT_EQ(tail.size(), 4000u);
    EXPECT_EQ(frames(tail, *reader, 0, 100), frames(whole, *reader, total - 100, 100));
    EXPECT_TRUE(allZero(frames(tail, *reader, 100, 900)));

    const Bytes beyond = readSamples(*reader, total + 5000, 300);
    ASSERT_EQ(beyond.size(), 1200u);
    EXPECT_TRUE(allZero(beyond));
}

INSTANTIATE_TEST_SUITE_P(Adpcm, DecodedAudio,
                         ::testing::Values(DecodedCase{"ima", 64}, DecodedCase{"msadpcm", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3Audio, DecodesContiguouslyOrFailsWithoutHanging) {
    auto reader = openSourceFile("mp3.avi");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->audioSamplesPerSecond, 44100);
    EXPECT_EQ(reader->nrChannels, 2);
    EXPECT_EQ(reader->bitsPerSample, 16);
    // Wine's AVIFile reads ffmpeg's MP3 layout as 0 samples per read: the
    // reader must then give up rather than wait forever.
    Bytes first(4 * 4410);
    const DWORD began = GetTickCount();
    const bool read = reader->readAudio(0, 4410, first.data(), static_cast<int32_t>(first.size()));
    EXPECT_LT(GetTickCount() - began, 5000u);
    if (!read) {
        EXPECT_STREQ(reader->lastError, "Unknown audio from AVI file error");
        return;
    }
    // Where the platform reads it, its decode is contiguous across requests.
    const Bytes whole = readSamples(*reader, 0, 8820);
    const Bytes second = readSamples(*reader, 4410, 4410);
    ASSERT_EQ(whole.size(), 8820u * 4);
    EXPECT_EQ(Bytes(whole.begin() + 4410 * 4, whole.end()), second);
}
