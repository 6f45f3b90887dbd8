#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "source/AVIReader.h"
#include "source/FormatCode.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"

namespace {

std::string openFailureText(const std::string& path) {
    return "Could not open AVI file : \"" + path + "\" ";
}

bool startsWith(const char* text, const std::string& prefix) {
    return std::strncmp(text, prefix.c_str(), prefix.size()) == 0;
}

// What a caller may still read after closing.
struct StreamInformation {
    int32_t videoFormat, width, height;
    uint32_t fpsNumerator, fpsDenominator;
    int32_t nrFrames, audioSamplesPerSecond, numAudioSamples, nrChannels, bitsPerSample;
    bool videoOpened, audioOpened;
    bool operator==(const StreamInformation&) const = default;
};

StreamInformation informationOf(const SourceReader& r) {
    return {r.videoFormat, r.width, r.height, r.fpsNumerator, r.fpsDenominator, r.nrFrames,
            r.audioSamplesPerSecond, r.numAudioSamples, r.nrChannels, r.bitsPerSample,
            r.videoOpened, r.audioOpened};
}

bool readsAnything(AVIReader& reader) {
    Bytes buffer(80 * 48 * 4);
    return reader.readVideoFrame(0, buffer.data(), static_cast<int32_t>(buffer.size())) ||
           reader.readAudio(0, 10, buffer.data(), static_cast<int32_t>(buffer.size()));
}

}  // namespace

TEST(ReaderOpen, ANewReaderHoldsNothing) {
    AVIReader reader;
    EXPECT_STREQ(reader.name, "AVIReader");
    EXPECT_STREQ(reader.lastError, "Unknown AVI reader error");
    EXPECT_EQ(reader.callbacks.reader, &reader);
    EXPECT_EQ(informationOf(reader), StreamInformation{});
    EXPECT_FALSE(readsAnything(reader));
    EXPECT_FALSE(reader.close(true, true));
}

TEST(ReaderOpen, UnopenableSourcesFailWithTheOpenText) {
    const std::string missing = scratchPath("no-such-source.avi");
    const std::string notAvi = scratchPath("not-a-source.avi");
    ASSERT_TRUE(writeFileBytes(notAvi, Bytes(5000, 'x')));
    const std::string noStreams = scratchPath("no-streams.avi");
    ASSERT_TRUE(writeFileBytes(noStreams, buildAvi({}, 40000)));
    for (const std::string& path : {missing, notAvi, noStreams}) {
        SCOPED_TRACE(path);
        AVIReader reader;
        EXPECT_FALSE(reader.open(path.c_str(), true, true, "Quorl"));
        EXPECT_STREQ(reader.lastError, openFailureText(path).c_str());
        EXPECT_FALSE(reader.videoOpened);
        EXPECT_FALSE(reader.audioOpened);
    }
    AVIReader reader;
    EXPECT_FALSE(reader.open(nullptr, true, true, "Quorl"));
}

TEST(ReaderOpen, PathsLongerThanThePathFieldAreRefused) {
    // The real file, reached through a path longer than the field holds.
    std::string longPath = mediaPath("rgb24.avi");
    const size_t cut = longPath.rfind('\\');
    while (longPath.size() < 1100) longPath.insert(cut, "\\.");
    AVIReader reader;
    EXPECT_FALSE(reader.open(longPath.c_str(), true, true, "Quorl"));
    EXPECT_TRUE(startsWith(reader.lastError, "Could not open AVI file : \""));
    EXPECT_FALSE(reader.videoOpened);

    // Even a path longer than the error text keeps the text's ending.
    const std::string huge(5000, 'a');
    EXPECT_FALSE(reader.openWithFormat(huge.c_str(), true, true, "Quorl", kFormatRGB24));
    EXPECT_LT(std::strlen(reader.lastError), sizeof reader.lastError);
    const char ending[] = "\" with forced video format.";
    EXPECT_STREQ(reader.lastError + std::strlen(reader.lastError) - (sizeof ending - 1), ending);
}

TEST(ReaderOpen, ReopeningWithAnotherPathFailsAndClosesEverything) {
    const std::string path = mediaPath("pcm48.avi");
    AVIReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), false, true, "Quorl"));
    const std::string other = mediaPath("pcm44.avi");
    EXPECT_FALSE(reader.open(other.c_str(), true, true, "Quorl"));
    EXPECT_STREQ(reader.lastError, openFailureText(other).c_str());
    EXPECT_FALSE(readsAnything(reader));
    EXPECT_EQ(reader.audioSamplesPerSecond, 0) << "the other file's audio was set up";
    // Closed for good: the next open starts afresh, with any path.
    EXPECT_TRUE(reader.open(other.c_str(), true, true, "Quorl"));
    EXPECT_EQ(reader.audioSamplesPerSecond, 44100);
}

TEST(ReaderOpen, ReopeningWithTheSamePathSetsUpTheOtherStream) {
    const std::string path = mediaPath("pcm48.avi");
    AVIReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), false, true, "Quorl"));
    EXPECT_TRUE(reader.videoOpened);
    EXPECT_FALSE(reader.audioOpened);
    ASSERT_TRUE(reader.open(path.c_str(), true, false, "Quorl"));
    EXPECT_TRUE(reader.audioOpened);
    EXPECT_EQ(reader.numAudioSamples, 96000);
    // Raw frames need no decompressor, so video may be set up again.
    EXPECT_TRUE(reader.open(path.c_str(), false, true, "Quorl"));
    EXPECT_TRUE(readsAnything(reader));
}

TEST(ReaderOpen, AskingForVideoAgainWhileDecompressingFails) {
    const std::string path = mediaPath("cinepak.avi");
    AVIReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), false, true, "Quorl"));
    EXPECT_FALSE(reader.open(path.c_str(), false, true, "Quorl"));
    EXPECT_STREQ(reader.lastError, "Requesting video while video already opened\n");
    EXPECT_FALSE(readsAnything(reader));
}

TEST(ReaderOpen, SettingUpAudioTwiceShowsTheVelqoBoxAndClosesTheReader) {
    const std::string path = mediaPath("pcm48.avi");
    AVIReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), true, true, "Quorl"));
    WindowAnswerer person("Velqo plugin", IDOK);
    EXPECT_FALSE(reader.open(path.c_str(), true, false, "Quorl"));
    ASSERT_TRUE(person.waitForAnswers(1));
    EXPECT_NE(person.texts()[0].find("Requesting audio while audio already opened"),
              std::string::npos);
    EXPECT_STREQ(reader.lastError, openFailureText(path).c_str());
    EXPECT_FALSE(readsAnything(reader));
}

TEST(ReaderClose, StreamInformationSurvivesClose) {
    AVIReader reader;
    ASSERT_TRUE(reader.open(mediaPath("pcm48.avi").c_str(), true, true, "Quorl"));
    const StreamInformation before = informationOf(reader);
    EXPECT_EQ(before.videoFormat, kFormatRGB24);
    EXPECT_EQ(before.numAudioSamples, 96000);
    EXPECT_FALSE(reader.close(true, true));
    EXPECT_EQ(informationOf(reader), before);
    EXPECT_FALSE(readsAnything(reader));
    EXPECT_FALSE(reader.close(true, true));
}

TEST(ReaderClose, ClosingOneStreamLeavesTheOther) {
    AVIReader reader;
    ASSERT_TRUE(reader.open(mediaPath("pcm48.avi").c_str(), true, true, "Quorl"));
    reader.close(true, false);
    Bytes buffer(16 * 16 * 3);
    EXPECT_TRUE(reader.readVideoFrame(0, buffer.data(), static_cast<int32_t>(buffer.size())));
    EXPECT_FALSE(reader.readAudio(0, 10, buffer.data(), static_cast<int32_t>(buffer.size())));
}

TEST(ReaderDetails, CopiesWhatIsSetUpAndLeavesTheRest) {
    AVIReader reader;
    ASSERT_TRUE(reader.open(mediaPath("ima.avi").c_str(), true, true, "Quorl"));
    AVISTREAMINFOA audio{}, video{};
    WAVEFORMATEX coded{}, decoded{};
    BITMAPINFOHEADER bitmap{};
    reader.getStreamDetails(&audio, &video, &coded, &decoded, &bitmap);
    EXPECT_EQ(audio.fccType, streamtypeAUDIO);
    EXPECT_EQ(video.fccType, streamtypeVIDEO);
    EXPECT_EQ(coded.wFormatTag, WAVE_FORMAT_IMA_ADPCM);
    EXPECT_EQ(decoded.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(decoded.nChannels, 2);
    EXPECT_EQ(bitmap.biBitCount, 24);
    EXPECT_EQ(bitmap.biWidth, 16);

    AVIReader audioOnly;
    ASSERT_TRUE(audioOnly.open(mediaPath("audio-only.avi").c_str(), true, true, "Quorl"));
    AVISTREAMINFOA untouchedInfo{};
    untouchedInfo.dwRate = 12345;
    BITMAPINFOHEADER untouchedBitmap{};
    untouchedBitmap.biWidth = 777;
    audioOnly.getStreamDetails(nullptr, &untouchedInfo, nullptr, nullptr, &untouchedBitmap);
    EXPECT_EQ(untouchedInfo.dwRate, 12345u);
    EXPECT_EQ(untouchedBitmap.biWidth, 777);
}

TEST(OpenSource, HandsOutAnOpenReaderOrNone) {
    std::unique_ptr<SourceReader> source(openSource(0, mediaPath("pcm48.avi").c_str()));
    ASSERT_NE(source, nullptr);
    EXPECT_STREQ(source->name, "AVIReader");
    EXPECT_TRUE(source->videoOpened);
    EXPECT_TRUE(source->audioOpened);

    // The callback record reads through the reader it names.
    const SourceCallbacks record = source->callbacks;
    EXPECT_EQ(record.reader, source.get());
    const Bytes stream = reference("pcm48.ref");
    Bytes samples(400);
    ASSERT_TRUE(record.audioEntry(1000, 100, samples.data(), 400, record.reader));
    EXPECT_EQ(samples, Bytes(stream.begin() + 4000, stream.begin() + 4400));
    Bytes frame(16 * 16 * 3);
    EXPECT_TRUE(record.videoEntry(3, frame.data(), static_cast<int32_t>(frame.size()), record.reader));

    EXPECT_EQ(openSource(0, scratchPath("missing.avi").c_str()), nullptr);
    EXPECT_EQ(openSource(kFormatYUY2, mediaPath("pcm48.avi").c_str()), nullptr);
    std::unique_ptr<SourceReader> forced(openSource(kFormatRGB24, mediaPath("pcm48.avi").c_str()));
    ASSERT_NE(forced, nullptr);
    EXPECT_TRUE(forced->forceFormatSet);
    EXPECT_EQ(forced->forcedFormat, kFormatRGB24);
}
