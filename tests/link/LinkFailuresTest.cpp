// Links that cannot be made: what the user is told, and what is left on disk.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "link/LinkMessages.h"
#include "link/LinkWriter.h"
#include "link/LittleEndian.h"
#include "tests/link/LinkRequest.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/TestEnvironment.h"

using namespace linkText;

namespace {

const std::vector<uint8_t> kEarlierContent = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};

class LinkFailuresTest : public LinkTest {
protected:
    // Runs a link that must fail; returns the messages it showed.
    std::vector<std::string> expectFailure(const LinkRequest& r, size_t messages) {
        MessageWatch watch(linkWriterCaptions());
        LinkWriter writer;
        EXPECT_FALSE(r.run(writer));
        std::vector<std::string> texts = watch.texts(messages);
        EXPECT_EQ(texts.size(), messages);
        return texts;
    }
    // A failure or cancel during the link must leave an existing output file
    // exactly as it was, and no unfinished link beside it.
    std::vector<std::string> expectEarlierFileKept(const LinkRequest& r, size_t messages) {
        EXPECT_TRUE(writeFileBytes(r.outputPath, kEarlierContent));
        std::vector<std::string> texts = expectFailure(r, messages);
        EXPECT_EQ(readFileBytes(r.outputPath), kEarlierContent);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(joinPath(scratchFolder(), "*.tmp").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << found.cFileName;
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return texts;
    }
    // A refusal must leave an existing output file exactly as it was.
    void expectRefusedUntouched(const LinkRequest& r, const std::string& message) {
        ASSERT_TRUE(writeFileBytes(r.outputPath, kEarlierContent));
        std::vector<std::string> texts = expectFailure(r, 1);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(texts[0].find(message), std::string::npos) << texts[0];
        EXPECT_EQ(readFileBytes(r.outputPath), kEarlierContent);
    }
};

}  // namespace

TEST_F(LinkFailuresTest, ThirtyEightCharactersFillTheFieldLongerPathsABlockAndOnlyTooLongOnesAreRefused) {
    const std::string path38 = "d:\\media\\projects\\2024\\clip-0001-a.avs";
    ASSERT_EQ(path38.size(), 38u);
    LinkRequest r = request("path38.avi");
    r.sourcePath = path38;
    r.numAudioSamples = 1920 * 3;
    {
        MessageWatch watch(linkWriterCaptions());
        LinkWriter writer;
        ASSERT_TRUE(r.run(writer));
        EXPECT_TRUE(watch.texts().empty());
    }
    LinkFile file = inspectLink(r.outputPath);
    ASSERT_EQ(file.parsed.problem, "");
    const std::vector<uint8_t>& video = file.parsed.streams[0].strf;
    EXPECT_EQ(std::string(video.begin() + 60, video.begin() + 98), path38);
    EXPECT_EQ(video[98], 0);
    EXPECT_EQ(video[99], 0);
    const std::vector<uint8_t>& audio = file.parsed.streams[1].strf;
    EXPECT_EQ(std::string(audio.begin() + 38, audio.begin() + 76), path38);
    EXPECT_EQ(audio[76], 0);
    EXPECT_EQ(audio[77], 0);

    // One more character, and no short form (the file does not exist): the
    // field stays empty and the block behind both formats names the source.
    r = request("path39.avi");
    r.sourcePath = path38 + "x";
    r.numAudioSamples = 1920 * 3;
    {
        MessageWatch watch(linkWriterCaptions());
        LinkWriter writer;
        ASSERT_TRUE(r.run(writer));
        EXPECT_TRUE(watch.texts().empty());
    }
    file = inspectLink(r.outputPath);
    ASSERT_EQ(file.parsed.problem, "");
    for (const auto& [strf, field, fixed] : {std::tuple{file.parsed.streams[0].strf, 60, 112},
                                             std::tuple{file.parsed.streams[1].strf, 38, 82}}) {
        ASSERT_GT(strf.size(), static_cast<size_t>(fixed) + 8);
        EXPECT_EQ(strf[field], 0);
        EXPECT_EQ(std::string(strf.begin() + fixed, strf.begin() + fixed + 4), "PATH");
        EXPECT_STREQ(reinterpret_cast<const char*>(&strf[fixed + 8]), r.sourcePath.c_str());
    }

    // Longer than AVIFile opens: refused before anything is touched.
    r = request("path259.avi");
    r.sourcePath = "d:\\" + std::string(256, 'a');
    expectRefusedUntouched(r, "Path+File name are to long\n Max length=258");
    r = request("path259-new.avi");
    r.sourcePath = "d:\\" + std::string(256, 'a');
    expectFailure(r, 1);
    EXPECT_FALSE(fileExists(r.outputPath));
}

TEST_F(LinkFailuresTest, ALinkWithoutAnyOutputFormatIsRefused) {
    LinkRequest r = request("no-output.avi");
    r.yv12 = false;
    r.nrFrames = 0;  // the check holds for audio-only links too
    r.numAudioSamples = 48000;
    expectRefusedUntouched(r, "No possible output format is selected for this input format.\n"
                              "Disable the conversion matrix, or select an output format for "
                              "this input format");
}

TEST_F(LinkFailuresTest, ZeroRatesAreRefusedInsteadOfDividingByZero) {
    LinkRequest r = request("zero-rates.avi");
    r.fpsDenominator = 0;
    expectRefusedUntouched(r, "frame rate of 25/0");
    r = request("zero-rates.avi");
    r.fpsNumerator = 0;
    expectRefusedUntouched(r, "frame rate of 0/1");
    r = request("zero-rates.avi");
    r.numAudioSamples = 1000;
    r.audioSamplesPerSecond = 0;
    expectRefusedUntouched(r, "sample rate of 0");
    r = request("zero-rates.avi");
    r.audioMode = kAudioModeRaw;
    r.numAudioSamples = 1000;
    r.nrChannels = 0;
    expectRefusedUntouched(r, "cannot be written as RAW audio");
}

TEST_F(LinkFailuresTest, AbsurdTuningValuesAreRefusedWithTheirName) {
    TuningValues tuning = kDefaultTuningValues;
    tuning.audioSHIMblockSize = 70000;
    storeTuningValues(tuning);
    LinkRequest r = request("absurd.avi");
    r.numAudioSamples = 48000;
    expectRefusedUntouched(r, "audioSHIMblockSize in the registry is 70000 bytes");

    tuning = kDefaultTuningValues;
    tuning.videoSHIMblockSize = 0xFFFFFFFF;
    storeTuningValues(tuning);
    expectRefusedUntouched(r, "videoSHIMblockSize in the registry is 4294967295 bytes");

    tuning = kDefaultTuningValues;
    tuning.interleave = 0x7FFFFFFF;
    storeTuningValues(tuning);
    expectRefusedUntouched(r, "interleave");
}

TEST_F(LinkFailuresTest, InterleaveOfZeroOrLessWritesOneBlockPerFrame) {
    for (uint32_t interleave : {0u, 0xFFFFFFFDu}) {
        TuningValues tuning = kDefaultTuningValues;
        tuning.interleave = interleave;
        storeTuningValues(tuning);
        LinkRequest r = request("interleave-" + std::to_string(interleave) + ".avi");
        r.numAudioSamples = 1920 * 10;
        MessageWatch watch(linkWriterCaptions());
        LinkWriter writer;
        ASSERT_TRUE(r.run(writer));
        LinkFile file = inspectLink(r.outputPath);
        ASSERT_EQ(file.parsed.problem, "");
        EXPECT_EQ(file.parsed.chunksWithId("01wb").size(), 10u);
        EXPECT_EQ(u32of(file.parsed.streams[1].strf, 8), 3200u);
        EXPECT_TRUE(watch.texts().empty());
    }
}

TEST_F(LinkFailuresTest, BlockSizeElevenEndsAfterTheFirstFrameWithoutAMessage) {
    TuningValues tuning = kDefaultTuningValues;
    tuning.audioSHIMblockSize = 11;
    storeTuningValues(tuning);
    LinkRequest r = request("block11.avi");
    r.numAudioSamples = 48000;
    expectEarlierFileKept(r, 0);
}

TEST_F(LinkFailuresTest, CancellingLeavesTheEarlierFileAsItWas) {
    LinkRequest r = request("cancelled.avi");
    r.numAudioSamples = 48000;
    ProgressLog progress;
    progress.cancelAtPoll = 0;
    r.hooks = progress.hooks();
    expectEarlierFileKept(r, 0);
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{0}));
    // Without an earlier file, nothing is left at all.
    DeleteFileA(r.outputPath.c_str());
    ProgressLog again;
    again.cancelAtPoll = 0;
    r.hooks = again.hooks();
    expectFailure(r, 0);
    EXPECT_FALSE(fileExists(r.outputPath));
}

TEST_F(LinkFailuresTest, ABufferSmallerThanABlockStopsTheLink) {
    LinkRequest r = request("small-buffer.avi");
    r.audioSamplesPerSecond = 1000;  // 8-bit mono: 80 bytes for two frame periods
    r.nrChannels = 1;
    r.bitsPerSample = 8;
    r.numAudioSamples = 8000;
    std::vector<std::string> texts = expectEarlierFileKept(r, 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Audio:: AVI write buffer problems.");
}

TEST_F(LinkFailuresTest, AFailedAudioReadLeavesTheEarlierFileAsItWas) {
    LinkRequest r = request("read-failure.avi");
    r.audioMode = kAudioModeRaw;
    r.numAudioSamples = 48000;
    PcmServer pcm(2);
    pcm.failAtCall = 2;
    r.source = pcm.callbacks();
    std::vector<std::string> texts = expectEarlierFileKept(r, 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Audio:: Could not decode/retrieve Audio");
    EXPECT_EQ(pcm.calls.size(), 3u);  // the third one failed

    r.source = SourceCallbacks{};  // a source that cannot serve audio at all
    texts = expectFailure(r, 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Audio:: Could not decode/retrieve Audio");
}

TEST_F(LinkFailuresTest, LinksPastTwoGigabytesAreRefusedBeforeReadingAnything) {
    LinkRequest r = request("too-large.avi");
    r.nrFrames = 180000;
    r.numAudioSamples = 48000 * 7200;
    r.nrChannels = 6;
    r.audioMode = kAudioModeRaw;
    PcmServer pcm(6);
    r.source = pcm.callbacks();
    expectRefusedUntouched(r, "more than the 2048 MB an AVI file can hold");
    EXPECT_TRUE(pcm.calls.empty());
}

TEST_F(LinkFailuresTest, AnOutputThatCannotBeOpenedAsksToRetry) {
    LinkRequest r = request("held.avi");
    HANDLE held = CreateFileA(r.outputPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        WindowAnswerer cancel(kWriteErrorCaption, IDCANCEL);
        LinkWriter writer;
        EXPECT_FALSE(r.run(writer));
        ASSERT_EQ(cancel.texts().size(), 1u);
        EXPECT_EQ(cancel.texts()[0], "Cannot open AVIfile for writing\nAlready in use ??");
    }
    // The editor lets go of the file while the question is open; Retry succeeds.
    std::thread person([&] {
        HWND question = waitForDialog(kWriteErrorCaption);
        CloseHandle(held);
        if (question != nullptr) pressButton(question, IDRETRY);
    });
    LinkWriter writer;
    EXPECT_TRUE(r.run(writer));
    person.join();
    EXPECT_EQ(inspectLink(r.outputPath).parsed.chunks.size(), 10u);

    // The same question when the folder is missing; the user makes it.
    const std::string folder = joinPath(scratchFolder(), "made-later");
    r.outputPath = joinPath(folder, "link.avi");
    DeleteFileA(r.outputPath.c_str());
    RemoveDirectoryA(folder.c_str());
    std::thread maker([&] {
        HWND question = waitForDialog(kWriteErrorCaption);
        makeFolder(folder);
        if (question != nullptr) pressButton(question, IDRETRY);
    });
    EXPECT_TRUE(r.run(writer));
    maker.join();
    EXPECT_EQ(inspectLink(r.outputPath).parsed.chunks.size(), 10u);
}

TEST_F(LinkFailuresTest, AFullDiskLeavesTheEarlierFileAsItWas) {
    if (!fileExists("T:\\")) GTEST_SKIP() << "no small file system as T: (mounting needs root)";
    TuningValues tuning = kDefaultTuningValues;
    tuning.videoSHIMblockSize = 128;
    storeTuningValues(tuning);
    PcmServer pcm(2);
    // More than the 256 KB disk holds: 2000 frame records of 128 bytes, still
    // in the write buffer when the link ends; a minute of RAW sound, whose
    // buffers are written while the link goes on.
    struct Case {
        int32_t nrFrames, audioMode, samples;
        const char* message;
    };
    const Case cases[] = {
        {2000, kAudioModeLinked, 0, "Cannot finish the AVI file:\nits index and headers could not be written."},
        {1500, kAudioModeRaw, 60 * 48000, kAudioWriteText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        LinkRequest r = request("full.avi");
        r.outputPath = "T:\\full.avi";
        r.nrFrames = c.nrFrames;
        r.audioMode = c.audioMode;
        r.numAudioSamples = c.samples;
        r.source = pcm.callbacks();
        EXPECT_TRUE(writeFileBytes(r.outputPath, kEarlierContent));
        std::vector<std::string> texts = expectFailure(r, 1);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], c.message);
        EXPECT_EQ(readFileBytes(r.outputPath), kEarlierContent);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA("T:\\*.tmp", &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        DeleteFileA(r.outputPath.c_str());
    }
}
