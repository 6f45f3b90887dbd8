// The program in command-line mode, run as a process on real sources: the
// console report byte for byte, the link file, the questions, the exit codes.
#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"

namespace {

constexpr double kPauseSeconds = 4.8;

const char kProgressAtStart[] = "Progress: 000% | [0%]\r";
const char kProgressAtEnd[] = "Progress: 100% | [0%--25%---50%---75%--100%]\r";

std::string clip() { return joinPath(mediaFolder(), "cli\\clip.avi"); }
std::string output(const char* name) { return joinPath(scratchFolder(), name); }

ProcessResult runQuorl(const std::string& arguments) {
    return runProcess("\"" + joinPath(binaryFolder(), "quorl.exe") + "\" " + arguments, 60000,
                      scratchFolder());
}

std::string reportOf(const std::string& input, const std::string& out, bool raw) {
    return "Inputfilename       : " + input + "\n" +
           "Outputfilename      : " + out + "\n" +
           "Forced outputformat : None\n"
           "Input format conversions:  Disabled\n" +
           (raw ? "Audio mode          : RAW\n" : "Audio mode          : normal\n") + "\n";
}

const char kClipInfo[] =
    "Video Info:\n"
    "----------------------------------\n"
    "  Video Format:RGB24\n"
    "        width :320\n"
    "        height:240\n"
    "  fpsNumerator:25\n"
    "fpsDenominator:1\n"
    "      nrFrames:50\n"
    "\n"
    "Audio info:\n"
    "----------------------------------\n"
    "audioSamplesPerSecond:48000\n"
    "      numAudioSamples:96000\n"
    "           nrChannels:2\n"
    "    \t  bits Sample:16\n"
    "\n";

// The display thread draws once at the start, and once more at 100 when the
// stop request reaches it after a half-cycle: both endings are correct.
void expectOutput(const std::string& got, const std::string& beforeProgress, const std::string& after) {
    std::string shortForm = beforeProgress + kProgressAtStart + "\n\n" + after;
    std::string longForm = beforeProgress + kProgressAtStart + kProgressAtEnd + "\n\n" + after;
    EXPECT_TRUE(got == shortForm || got == longForm) << "got:\n" << got << "\nexpected:\n" << longForm;
}

struct LinkFile {
    bool opened = false;
    LONG streams = 0;
    AVISTREAMINFOA video{}, audio{};
    std::vector<unsigned char> videoFormat, audioFormat, audioData;
};

LinkFile readLink(const std::string& path) {
    LinkFile link;
    AVIFileInit();
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr) == 0) {
        link.opened = true;
        AVIFILEINFOA info{};
        AVIFileInfoA(file, &info, sizeof info);
        link.streams = static_cast<LONG>(info.dwStreams);
        for (LONG i = 0; i < link.streams; ++i) {
            PAVISTREAM stream = nullptr;
            if (AVIFileGetStream(file, &stream, 0, i) != 0) continue;
            AVISTREAMINFOA streamInfo{};
            AVIStreamInfoA(stream, &streamInfo, sizeof streamInfo);
            LONG size = 0;
            AVIStreamReadFormat(stream, 0, nullptr, &size);
            std::vector<unsigned char> format(size);
            AVIStreamReadFormat(stream, 0, format.data(), &size);
            if (streamInfo.fccType == streamtypeVIDEO) {
                link.video = streamInfo;
                link.videoFormat = format;
            } else {
                link.audio = streamInfo;
                link.audioFormat = format;
                std::vector<unsigned char> data(16 << 20);
                LONG bytes = 0, samples = 0;
                AVIStreamRead(stream, 0, static_cast<LONG>(streamInfo.dwLength), data.data(),
                              static_cast<LONG>(data.size()), &bytes, &samples);
                data.resize(bytes);
                link.audioData = data;
            }
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    AVIFileExit();
    return link;
}

class CommandLineRunTest : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
};

TEST_F(CommandLineRunTest, LinkedAudioRunReportsAndWritesTheLink) {
    std::string out = output("linked.avi");
    DeleteFileA(out.c_str());
    ProcessResult run = runQuorl(clip() + " " + out);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    expectOutput(run.output, reportOf(clip(), out, false) + kClipInfo, "Link created!\n");
    EXPECT_GE(run.secondsAfterLastOutput, kPauseSeconds);

    LinkFile link = readLink(out);
    ASSERT_TRUE(link.opened);
    EXPECT_EQ(link.streams, 2);
    EXPECT_EQ(link.video.fccHandler, mmioFOURCC('S', 'H', 'I', 'M'));
    EXPECT_EQ(link.video.dwLength, 50u);
    EXPECT_EQ(link.video.dwScale, 1000u);
    EXPECT_EQ(link.video.dwRate, 25000u);
    ASSERT_EQ(link.videoFormat.size(), 112u);
    // The link data names the source and its RGB24 frames.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&link.videoFormat[60])), clip());
    EXPECT_EQ(link.videoFormat[56], 3);
    ASSERT_EQ(link.audioFormat.size(), 82u);
    EXPECT_EQ(link.audioFormat[0], 0xF4);
}

TEST_F(CommandLineRunTest, RawAudioRunCarriesTheSourceSound) {
    std::string out = output("raw.avi");
    DeleteFileA(out.c_str());
    ProcessResult run = runQuorl("-r " + clip() + " " + out);
    EXPECT_EQ(run.exitCode, 0u);
    expectOutput(run.output, reportOf(clip(), out, true) + kClipInfo, "Link created!\n");

    LinkFile link = readLink(out);
    ASSERT_TRUE(link.opened);
    ASSERT_EQ(link.audioFormat.size(), 18u);
    EXPECT_EQ(link.audioFormat[0], 1);  // PCM
    EXPECT_EQ(link.audio.dwLength, 96000u);
    std::vector<unsigned char> pcm = readFileBytes(joinPath(mediaFolder(), "cli\\clip.pcm"));
    ASSERT_EQ(pcm.size(), 96000u * 4);
    EXPECT_TRUE(link.audioData == pcm);
}

TEST_F(CommandLineRunTest, CompressedSoundLinkedRawKeepsItsFullDuration) {
    std::string out = output("ima_raw.avi");
    DeleteFileA(out.c_str());
    ProcessResult run = runQuorl("-r " + joinPath(mediaFolder(), "cli\\ima.avi") + " " + out);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    LinkFile link = readLink(out);
    ASSERT_TRUE(link.opened);
    ASSERT_EQ(link.audioFormat.size(), 18u);
    // Every sample the decoder delivers: two seconds and the rest of the
    // last ADPCM block, which ends in a partial frame period of its own.
    EXPECT_EQ(link.audio.dwLength, 44902u);
    EXPECT_EQ(link.audioData.size(), 44902u * 2);
    EXPECT_EQ(link.video.dwLength, 50u);
}

TEST_F(CommandLineRunTest, DerivedOutputNameAndOverwriteWithoutQuestion) {
    // The source is copied so that its derived link name lands in the scratch folder.
    std::string source = output("copy.avi");
    ASSERT_TRUE(CopyFileA(clip().c_str(), source.c_str(), FALSE));
    std::string derived = output("copy_.AVI");
    // An earlier link there, with RAW audio: the new one is far smaller.
    DeleteFileA(derived.c_str());
    ASSERT_EQ(runQuorl("-r " + source).exitCode, 0u);
    const size_t earlier = readFileBytes(derived).size();
    WindowAnswerer person("Write error", IDCANCEL);
    ProcessResult run = runQuorl(source);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(person.answered(), 0u);
    std::vector<unsigned char> bytes = readFileBytes(derived);
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_LT(bytes.size(), earlier / 2);
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    EXPECT_NE(run.output.find("Outputfilename      : " + derived + "\n"), std::string::npos);
}

TEST_F(CommandLineRunTest, MissingSourceFailsWithItsMessage) {
    std::string missing = joinPath(mediaFolder(), "cli\\none.avs");
    ProcessResult run = runQuorl(missing);
    EXPECT_NE(run.exitCode, 0u);
    EXPECT_EQ(run.output, reportOf(missing, joinPath(mediaFolder(), "cli\\none.AVI"), false) +
                              "Source : " + missing + " could not be opened\n");
    EXPECT_GE(run.secondsAfterLastOutput, kPauseSeconds);
}

TEST_F(CommandLineRunTest, SizeQuestionWhenConversionsAreRequested) {
    std::string odd = joinPath(mediaFolder(), "cli\\odd.avi");
    {
        WindowAnswerer person("Conversion error", IDCANCEL);
        ProcessResult run = runQuorl("-c RGB24 " + odd + " " + output("odd_cancel.avi"));
        ASSERT_EQ(person.answered(), 1u);
        EXPECT_EQ(person.texts()[0],
                  "Width or Height are not an multiple of 16\nSome conversions may fail\nDo you can continue ?");
        EXPECT_NE(run.output.find("Source : " + odd + " could not be opened\n"), std::string::npos);
        EXPECT_NE(run.exitCode, 0u);
        EXPECT_FALSE(fileExists(output("odd_cancel.avi")));
    }
    {
        WindowAnswerer person("Conversion error", IDOK);
        ProcessResult run = runQuorl("-c RGB24 " + odd + " " + output("odd_ok.avi"));
        EXPECT_EQ(person.answered(), 1u);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(fileExists(output("odd_ok.avi")));
    }
    {
        // Without conversions the size does not matter.
        WindowAnswerer person("Conversion error", IDCANCEL);
        ProcessResult run = runQuorl(odd + " " + output("odd_plain.avi"));
        EXPECT_EQ(person.answered(), 0u);
        EXPECT_EQ(run.exitCode, 0u);
    }
}

TEST_F(CommandLineRunTest, RefusedLinkIsReportedAsFailure) {
    // RGB32 output only, from an RGB24 source: no allowed output format.
    WindowAnswerer person("AVI2ORV", IDOK);
    ProcessResult run = runQuorl("-c RGB32 -c YUY2 -f RGB24 " + clip() + " " + output("refused.avi"));
    EXPECT_EQ(run.exitCode, 0u) << "RGB32 is allowed from RGB24: this link must succeed";
    ProcessResult refused = runQuorl("-c YUY2 " + clip() + " " + output("refused.avi"));
    EXPECT_NE(refused.exitCode, 0u);
    EXPECT_EQ(refused.output.substr(refused.output.size() - 21), "Unable to create file");
    EXPECT_EQ(person.answered(), 1u);
}

TEST_F(CommandLineRunTest, OverlongPathIsRefusedBeforeAnythingElse) {
    std::string path = "c:\\" + std::string(260, 'x') + ".avs";
    ProcessResult run = runQuorl(path);
    EXPECT_EQ(run.output, "The input and output file names may have at most 259 characters\n");
    EXPECT_EQ(run.exitCode, 4u);
}

}  // namespace
