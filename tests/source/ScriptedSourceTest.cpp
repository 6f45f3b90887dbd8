#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "source/AVIReader.h"
#include "tests/source/ScriptedSource.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"

// Sources served by an AVIFile handler inside this program, as a frameserver
// serves them. Wine's own AVI file reader cannot stand in here: it aborts the
// process on any audio read once the audio stream starts later than 0.

namespace {

constexpr DWORD kRate = 48000;

ScriptedStream pictureStream(DWORD startFrame = 0) {
    ScriptedStream video;
    video.info = scriptedInfo(streamtypeVIDEO, 1, 25, startFrame, 250, 0);
    video.info.rcFrame = {0, 0, 16, 16};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 16;
    header.biHeight = 16;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = 16 * 16 * 3;
    video.format.assign(reinterpret_cast<unsigned char*>(&header),
                        reinterpret_cast<unsigned char*>(&header) + sizeof header);
    video.data.assign(250 * 16 * 16 * 3, 0x40);
    return video;
}

Bytes pcmFormat(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return Bytes(reinterpret_cast<unsigned char*>(&format),
                 reinterpret_cast<unsigned char*>(&format) + sizeof format);
}

// Stereo 16-bit frames that name themselves: frame i holds i in its two
// channels (low half left, high half right).
ScriptedStream countingAudio(DWORD startSample, DWORD frames) {
    ScriptedStream audio;
    audio.info = scriptedInfo(streamtypeAUDIO, 1, kRate, startSample, frames, 4);
    audio.format = pcmFormat(2, kRate, 16);
    audio.data.resize(size_t{frames} * 4);
    for (DWORD i = 0; i < frames; ++i) {
        audio.data[i * 4] = static_cast<unsigned char>(i);
        audio.data[i * 4 + 1] = static_cast<unsigned char>(i >> 8);
        audio.data[i * 4 + 2] = static_cast<unsigned char>(i >> 16);
        audio.data[i * 4 + 3] = static_cast<unsigned char>(i >> 24);
    }
    return audio;
}

uint32_t frameNumber(const Bytes& samples, size_t frame) { return le32(samples, frame * 4); }

// The IMA ADPCM format of the ffmpeg-made file, served by the handler.
Bytes imaFormat() {
    const Bytes avi = readFileBytes(mediaPath("ima.avi"));
    for (size_t at = streamHeaderOffset(avi, "auds"); at != 0 && at + 8 < avi.size(); ++at)
        if (std::memcmp(&avi[at], "strf", 4) == 0)
            return Bytes(avi.begin() + at + 8, avi.begin() + at + 8 + le32(avi, at + 4));
    return {};
}

class ScriptedSource : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(handler.ready()); }

    std::unique_ptr<AVIReader> open(const std::string& name, const ScriptedSourceScript& script) {
        path = handler.serve(name, script);
        auto reader = std::make_unique<AVIReader>();
        if (!reader->open(path.c_str(), true, true, "Quorl")) return nullptr;
        return reader;
    }
    Bytes read(AVIReader& reader, int32_t start, int32_t count) {
        Bytes samples(size_t{4} * count);
        if (!reader.readAudio(start, count, samples.data(), static_cast<int32_t>(samples.size())))
            return {};
        return samples;
    }

    ScriptedSourceHandler handler;
    std::string path;
};

}  // namespace

TEST_F(ScriptedSource, AudioStartingHalfASecondLateIsShiftedByItsStart) {
    ScriptedSourceScript script;
    script.hasVideo = true;
    script.video = pictureStream();
    script.hasAudio = true;
    script.audio = countingAudio(kRate / 2, 4 * kRate);
    auto reader = open("late-audio", script);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->numAudioSamples, int32_t{4 * kRate});

    Bytes samples = read(*reader, 48000, 10);
    ASSERT_EQ(samples.size(), 40u);
    EXPECT_EQ(frameNumber(samples, 0), 24000u);
    EXPECT_EQ(frameNumber(samples, 9), 24009u);

    // Everything before the audio's start reads from its beginning.
    for (int32_t start : {0, 1, 12000, 23999, 24000}) {
        SCOPED_TRACE(start);
        samples = read(*reader, start, 3);
        ASSERT_EQ(samples.size(), 12u);
        EXPECT_EQ(frameNumber(samples, 0), 0u);
        EXPECT_EQ(frameNumber(samples, 2), 2u);
    }
    EXPECT_EQ(frameNumber(read(*reader, 24001, 1), 0), 1u);
}

TEST_F(ScriptedSource, VideoStartingLaterMovesTheAudioForward) {
    ScriptedSourceScript script;
    script.hasVideo = true;
    script.video = pictureStream(10);  // 400 ms at 25 frames per second
    script.hasAudio = true;
    script.audio = countingAudio(0, 2 * kRate);
    auto reader = open("late-video", script);
    ASSERT_NE(reader, nullptr);
    const Bytes samples = read(*reader, 0, 2);
    ASSERT_EQ(samples.size(), 8u);
    EXPECT_EQ(frameNumber(samples, 0), 19200u);
    // A reader opened for the sound alone (as the codec opens one) places it
    // on the same time line.
    AVIReader soundOnly;
    ASSERT_TRUE(soundOnly.open(path.c_str(), true, false, "Quorl"));
    EXPECT_EQ(read(soundOnly, 0, 2), samples);
}

TEST_F(ScriptedSource, PcmThatDeliversNothingFailsInsteadOfSpinning) {
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio = countingAudio(0, kRate);
    script.audio.readsNothing = true;
    auto reader = open("silent-pcm", script);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(read(*reader, 0, 1000).empty());
    EXPECT_STREQ(reader->lastError, "Unknown audio from AVI file error");
    EXPECT_EQ(handler.audioReads().size(), 6u);
}

TEST_F(ScriptedSource, CompressedAudioThatDeliversNothingFailsInsteadOfSpinning) {
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio.info = scriptedInfo(streamtypeAUDIO, 113, 2450, 0, 44, 1024);
    script.audio.format = imaFormat();
    ASSERT_FALSE(script.audio.format.empty());
    script.audio.data.assign(44 * 1024, 0);
    script.audio.readsNothing = true;
    auto reader = open("silent-ima", script);
    ASSERT_NE(reader, nullptr);
    EXPECT_GT(reader->numAudioSamples, 44000);
    EXPECT_TRUE(read(*reader, 0, 1000).empty());
    EXPECT_STREQ(reader->lastError, "Unknown audio from AVI file error");
    EXPECT_LE(handler.audioReads().size(), 6u);
}

TEST_F(ScriptedSource, AbsurdAudioValuesFailTheOpenCleanly) {
    struct Case {
        const char* name;
        void (*spoil)(ScriptedStream&);
    };
    const Case cases[] = {
        {"no sample rate", [](ScriptedStream& a) { a.format = pcmFormat(2, 0, 16); }},
        {"no channels", [](ScriptedStream& a) { a.format = pcmFormat(0, kRate, 16); }},
        {"no bits", [](ScriptedStream& a) { a.format = pcmFormat(2, kRate, 0); }},
        {"length -1", [](ScriptedStream& a) { a.info.dwLength = 0xFFFFFFFF; }},
        {"format shorter than PCM's", [](ScriptedStream& a) { a.format.resize(10); }},
        {"format larger than any the ACM knows",
         [](ScriptedStream& a) {
             a.format = imaFormat();
             a.format.resize(64 * 1024);
             putLe16(a.format, 16, 64 * 1024 - 18);  // cbSize
         }},
        {"compressed, zero rate",
         [](ScriptedStream& a) {
             a.format = imaFormat();
             a.info = scriptedInfo(streamtypeAUDIO, 113, 0, 0, 44, 1024);
         }},
        {"compressed, zero scale",
         [](ScriptedStream& a) {
             a.format = imaFormat();
             a.info = scriptedInfo(streamtypeAUDIO, 0, 2450, 0, 44, 1024);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSourceScript script;
        script.hasVideo = true;
        script.video = pictureStream();
        script.hasAudio = true;
        script.audio = countingAudio(0, kRate);
        c.spoil(script.audio);
        EXPECT_EQ(open("absurd", script), nullptr);
        AVIReader reader;
        EXPECT_FALSE(reader.open(path.c_str(), true, true, "Quorl"));
        EXPECT_STREQ(reader.lastError, ("Could not open AVI file : \"" + path + "\" ").c_str());
    }
}

TEST_F(ScriptedSource, VideoWithoutARateFailsTheOpenCleanly) {
    for (DWORD scale : {0u, 1u}) {
        SCOPED_TRACE(scale);
        ScriptedSourceScript script;
        script.hasVideo = true;
        script.video = pictureStream();
        script.video.info.dwScale = scale;
        script.video.info.dwRate = scale == 0 ? 25 : 0;
        EXPECT_EQ(open("no-rate", script), nullptr);
    }
}

TEST_F(ScriptedSource, AHugeCompressedLengthStopsAtTheLargestCount) {
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio.info = scriptedInfo(streamtypeAUDIO, 113, 2450, 0, 0x7FFFFFFF, 1024);
    script.audio.format = imaFormat();
    script.audio.data.assign(1024, 0);
    auto reader = open("endless-ima", script);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->numAudioSamples, INT32_MAX);
}

TEST_F(ScriptedSource, SequentialPcmBlocksCostOnePlatformReadPerWindow) {
    // Frame periods of 29.97 fps at 48 kHz, as the link and the codec ask.
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio = countingAudio(0, 4 * kRate);
    auto reader = open("sequential-pcm", script);
    ASSERT_NE(reader, nullptr);
    int32_t at = 0;
    for (int block = 0; at < 4 * static_cast<int32_t>(kRate); ++block) {
        const int32_t count = std::min<int32_t>(block % 5 == 4 ? 1602 : 1601, 4 * kRate - at);
        const Bytes samples = read(*reader, at, count);
        ASSERT_EQ(samples.size(), size_t{4} * count) << "at " << at;
        ASSERT_EQ(frameNumber(samples, 0), static_cast<uint32_t>(at));
        ASSERT_EQ(frameNumber(samples, count - 1), static_cast<uint32_t>(at + count - 1));
        at += count;
    }
    // Four seconds of stereo 16-bit in windows of 256 KiB.
    EXPECT_EQ(handler.audioReads().size(), 3u);
}

TEST_F(ScriptedSource, AFaultBeyondARequestDoesNotFailIt) {
    struct Case {
        int32_t start, count;
        bool succeeds;
    };
    // The stream cannot be read from 30000 on.
    const Case cases[] = {
        {0, 1000, true}, {28000, 1999, true}, {29000, 1001, false}, {40000, 10, false}, {5, 5, true},
    };
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio = countingAudio(0, 2 * kRate);
    script.audio.failsFrom = 30000;
    auto reader = open("faulty-pcm", script);
    ASSERT_NE(reader, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        const Bytes samples = read(*reader, c.start, c.count);
        EXPECT_EQ(!samples.empty(), c.succeeds);
        if (c.succeeds) EXPECT_EQ(frameNumber(samples, c.count - 1), uint32_t(c.start + c.count - 1));
        else EXPECT_STREQ(reader->lastError, "Unable to read RAW audio data from AVI file");
    }
}

TEST_F(ScriptedSource, PcmWhoseSamplesAreNotItsFramesIsReadAsAsked) {
    // A stream that states no sample size: the platform decides what a
    // sample is, so nothing is read ahead.
    ScriptedSourceScript script;
    script.hasAudio = true;
    script.audio = countingAudio(0, kRate);
    script.audio.info.dwSampleSize = 0;
    auto reader = open("sizeless-pcm", script);
    ASSERT_NE(reader, nullptr);
    const Bytes samples = read(*reader, 100, 50);
    ASSERT_EQ(samples.size(), 200u);
    EXPECT_EQ(frameNumber(samples, 49), 149u);
    ASSERT_EQ(handler.audioReads().size(), 1u);
    EXPECT_EQ(handler.audioReads()[0], (std::pair<LONG, LONG>(100, 50)));
}
