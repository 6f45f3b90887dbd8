// RAW-audio links written from real sources through the reader: the link's
// sound must be the source's PCM byte for byte, as ffmpeg extracts it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "link/LinkWriter.h"
#include "source/AVIReader.h"
#include "tests/link/RiffReader.h"
#include "tests/source/ScriptedSource.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"

namespace {

int32_t frameBytes(const SourceReader& reader) { return reader.bitsPerSample * reader.nrChannels / 8; }

// Links `reader`'s source with RAW audio and returns the link's sound, or
// nothing when no link was made.
Bytes rawLinkSound(AVIReader& reader, const std::string& outputName) {
    const std::string output = scratchPath(outputName);
    LinkWriter writer;
    const bool linked = writer.createLink(
        output.c_str(), "M:\\source.avi", 1, reader.width, reader.height, reader.fpsNumerator,
        reader.fpsDenominator, reader.nrFrames, reader.videoFormat, reader.audioSamplesPerSecond,
        reader.nrChannels, reader.bitsPerSample, reader.numAudioSamples, true, true, true, true,
        kAudioModeRaw, reader.callbacks, ProgressHooks{});
    if (!linked) return {};
    const ParsedAvi link = parseAvi(readFileBytes(output));
    Bytes sound;
    for (const ParsedChunk& chunk : link.chunks)
        if (chunk.id.compare(2, 2, "wb") == 0) sound.insert(sound.end(), chunk.data.begin(), chunk.data.end());
    return sound;
}

// ffmpeg writes 24-bit PCM as WAVE_FORMAT_EXTENSIBLE; the same file with a
// plain PCM tag is what other programs write.
std::string plainPcm24() {
    Bytes avi = readFileBytes(mediaPath("pcm24.avi"));
    for (size_t at = streamHeaderOffset(avi, "auds"); at != 0 && at + 10 < avi.size(); ++at)
        if (std::memcmp(&avi[at], "strf", 4) == 0) {
            putLe16(avi, at + 8, WAVE_FORMAT_PCM);
            break;
        }
    const std::string path = scratchPath("pcm24-plain.avi");
    writeFileBytes(path, avi);
    return path;
}

class RawLink : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
    void TearDown() override { deleteProgramRegistryKey(); }
};

}  // namespace

TEST_F(RawLink, CarriesThePcmOfTheSourceByteForByte) {
    struct Case {
        const char* name;
        int32_t bits, channels, rate;
    };
    const Case cases[] = {
        {"pcm8mono", 8, 1, 22050},      {"pcm44", 16, 2, 44100},
        {"pcm48", 16, 2, 48000},        {"pcm24", 24, 2, 48000},
        {"audio-longer", 16, 2, 48000}, {"video-longer", 16, 2, 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        const std::string path = name == "pcm24" ? plainPcm24() : mediaPath(name + ".avi");
        AVIReader reader;
        ASSERT_TRUE(reader.open(path.c_str(), true, true, "Quorl"));
        EXPECT_EQ(reader.bitsPerSample, c.bits);
        EXPECT_EQ(reader.nrChannels, c.channels);
        EXPECT_EQ(reader.audioSamplesPerSecond, c.rate);
        const Bytes source = reference(name + ".ref");
        ASSERT_EQ(source.size(), size_t(reader.numAudioSamples) * frameBytes(reader));

        // Every sample, the last partial frame period's too.
        const Bytes sound = rawLinkSound(reader, name + "-raw.avi");
        ASSERT_EQ(sound.size(), source.size());
        EXPECT_TRUE(sound == source);
    }
}

TEST_F(RawLink, AudioStartingLateRepeatsItsBeginningUntilItStarts) {
    ScriptedSourceHandler handler;
    ASSERT_TRUE(handler.ready());
    constexpr uint32_t kRate = 48000, kFrames = 3 * kRate;
    ScriptedSourceScript script;
    script.hasVideo = true;
    script.video.info = scriptedInfo(streamtypeVIDEO, 1, 25, 0, 100, 0);
    script.video.info.rcFrame = {0, 0, 16, 16};
    BITMAPINFOHEADER header{sizeof header, 16, 16, 1, 24, BI_RGB, 16 * 16 * 3, 0, 0, 0, 0};
    script.video.format.assign(reinterpret_cast<unsigned char*>(&header),
                               reinterpret_cast<unsigned char*>(&header) + sizeof header);
    script.video.data.assign(100 * 16 * 16 * 3, 0x40);
    // Audio from 0.5 s on, frame i holding the number i.
    script.hasAudio = true;
    script.audio.info = scriptedInfo(streamtypeAUDIO, 1, kRate, kRate / 2, kFrames, 4);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, kRate, 4 * kRate, 4, 16, 0};
    script.audio.format.assign(reinterpret_cast<unsigned char*>(&format),
                               reinterpret_cast<unsigned char*>(&format) + sizeof format);
    script.audio.data.resize(size_t{kFrames} * 4);
    for (uint32_t i = 0; i < kFrames; ++i) putLe32(script.audio.data, i * 4, i);
    const std::string path = handler.serve("late-raw", script);

    AVIReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), true, true, "Quorl"));
    const Bytes sound = rawLinkSound(reader, "late-raw.avi");
    ASSERT_EQ(sound.size(), size_t{kFrames} * 4);
    // Each frame period of the link reads from the matching point of the
    // audio, half a second back, or from its beginning while that is before it.
    for (uint32_t block = 0; block < kFrames / 1920; ++block) {
        const uint32_t first = block * 1920 > kRate / 2 ? block * 1920 - kRate / 2 : 0;
        for (uint32_t i : {0u, 1919u})
            ASSERT_EQ(le32(sound, (block * 1920 + i) * 4), first + i) << "block " << block;
    }
    // Read ahead: one platform read per window, though the first thirteen
    // periods all start at the audio's beginning.
    EXPECT_LE(handler.audioReads().size(), 3u);
}

namespace {

void expectSeeksDeliverTheSource(AVIReader& reader) {
    const Bytes source = reference("pcm48.ref");
    const int32_t total = reader.numAudioSamples;
    ASSERT_EQ(total, 96000);
    struct Step {
        int32_t start, count;
    };
    const Step steps[] = {
        {0, 1601},     {1601, 1602},  {3203, 1601},  // sequential, inside one window
        {70000, 1000},                               // forward, beyond it
        {69500, 1000},                               // back to just before the window
        {100, 50},                                   // far back
        {65530, 20},                                 // across a window's end
        {total - 100, 100},                          // the last frames
        {0, total},                                  // everything at once
        {1, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.start);
        Bytes samples(size_t(s.count) * 4, 0xA5);
        ASSERT_TRUE(reader.readAudio(s.start, s.count, samples.data(), int32_t(samples.size())));
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), source.begin() + size_t(s.start) * 4));
    }

    // At the end the platform answers as it always has: nothing at the
    // end itself (given up after a few tries), an error beyond it.
    struct End {
        int32_t start, count;
        const char* error;
    };
    const End ends[] = {
        {total - 1, 2, "Unknown audio from AVI file error"},
        {total, 10, "Unknown audio from AVI file error"},
        {total + 5000, 10, "Unable to read RAW audio data from AVI file"},
    };
    for (const End& e : ends) {
        SCOPED_TRACE(e.start);
        Bytes samples(size_t(e.count) * 4);
        EXPECT_FALSE(reader.readAudio(e.start, e.count, samples.data(), int32_t(samples.size())));
        EXPECT_STREQ(reader.lastError, e.error);
    }
    Bytes again(40);
    ASSERT_TRUE(reader.readAudio(10, 10, again.data(), 40));
    EXPECT_TRUE(std::equal(again.begin(), again.end(), source.begin() + 40));
}

}  // namespace

TEST(PcmReads, SeeksBackAndForthDeliverTheSourceAsStored) {
    // The default window of 65536 frames, and the program's, which holds
    // the whole stream.
    for (int32_t windowBytes : {int32_t{PcmReadAhead::kDefaultLeastBytes}, int32_t{2 << 20}}) {
        SCOPED_TRACE(windowBytes);
        AVIReader reader;
        reader.pcmReadAheadBytes = windowBytes;
        ASSERT_TRUE(reader.open(mediaPath("pcm48.avi").c_str(), true, true, "Quorl"));
        expectSeeksDeliverTheSource(reader);
    }
}
