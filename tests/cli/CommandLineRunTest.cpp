// The program in command-line mode, run as a process on real sources: the
// console report byte for byte, the link file, the questions, the exit codes.
#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/Paths.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/installer/LinkThroughCodec.h"
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
    if (AVIFileOpenW(&file, aviFileName(path).c_str(), OF_READ, nullptr) == 0) {
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
    EXPECT_EQ(run.output,
              "The input and output file names may have at most 259 characters\n"
              "(a character outside plain ASCII counts as two to four)\n");
    EXPECT_EQ(run.exitCode, 4u);
}

// Paths people have: long, in other scripts, given relative to the current
// folder. Each link must name its source so that a program started later,
// from another folder, plays it: frames and sound equal to the source's.
constexpr char kReadbackListVariable[] = "QUORL_READBACK_LIST";

struct PathCase {
    const char* name;
    std::string sourceFolder, sourceName;
    std::string outputFolder, outputName;
    bool relative;  // given relative to the source's folder, where quorl runs
};

std::vector<PathCase> pathCases() {
    const std::string s = scratchFolder();  // S:\cli_run_test
    std::string deep = joinPath(s, "deep");
    for (const char* level : {"Level one of many", "Level two of many", "Level three of many",
                              "Level four of many", "Level five of many"})
        deep = joinPath(deep, level);
    const std::string wedding = joinPath(s, "Users\\Anna Maria\\Videos\\Wedding 2026");
    const std::string camera = "ceremony camera one.avi";
    const std::string longName =
        std::string(100 - joinPath(wedding, camera).size(), 'x') + camera;
    // 90 characters of three bytes each: more UTF-8 than the settings record
    // holds, so the command line keeps them by their short forms.
    std::string manyBytes;
    for (int i = 0; i < 45; ++i) manyBytes += "\xE8\xA7\x86";
    const std::string manyBytesFolder = joinPath(s, manyBytes);
    return {
        // 38 characters: the field, byte for byte as ever.
        {"38 characters", joinPath(s, "plain"), "thirty-eight.avi", s, "plain-link.avi", false},
        {"100 characters", wedding, longName, wedding, "ceremony link.avi", false},
        {"short form fits", joinPath(s, "A folder with a long name"), "the clip of the day.avi",
         joinPath(s, "A folder with a long name"), "the link of the day.avi", false},
        {"short form too long", deep, "clip in the deep.avi", deep, "link in the deep.avi", false},
        {"Cyrillic", joinPath(s, "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE"),
         "\xD0\xBA\xD0\xBB\xD0\xB8\xD0\xBF.avi", joinPath(s, "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE"),
         "\xD1\x81\xD1\x81\xD1\x8B\xD0\xBB\xD0\xBA\xD0\xB0.avi", false},
        {"Chinese", joinPath(s, "\xE8\xA7\x86\xE9\xA2\x91"), "\xE5\xA9\x9A\xE7\xA4\xBC.avi",
         joinPath(s, "\xE9\x93\xBE\xE6\x8E\xA5"), "\xE5\xA9\x9A\xE7\xA4\xBC.avi", false},
        {"emoji", joinPath(s, "party \xF0\x9F\x8E\x89"), "clip \xF0\x9F\x8E\xAC.avi", s,
         "link \xF0\x9F\x8E\xAC.avi", false},
        {"relative", joinPath(s, "relative"), "clip.avi", joinPath(s, "relative"), "clip link.avi", true},
        {"beyond the record", manyBytesFolder, manyBytes + ".avi", manyBytesFolder,
         manyBytes + " link.avi", false},
    };
}

// The source a format names: its 8-bit field (the ANSI code page's bytes)
// when the format has its fixed size, else the path block's UTF-8 behind an
// empty field.
std::string namedSource(const std::vector<unsigned char>& format, size_t field, size_t fixed) {
    if (format.size() < fixed) return "";
    if (format.size() == fixed) return paths::fromAnsi(reinterpret_cast<const char*>(&format[field]));
    if (format[field] != 0 || format.size() < fixed + 8 || std::memcmp(&format[fixed], "PATH", 4) != 0)
        return "";
    return reinterpret_cast<const char*>(&format[fixed + 8]);
}

std::wstring longForm(const std::string& path) {
    wchar_t full[MAX_PATH] = {};
    GetLongPathNameW(paths::wide(path).c_str(), full, MAX_PATH);
    return full;
}

TEST_F(CommandLineRunTest, AnyPathAUserHasMakesALinkThatPlaysFromAnywhere) {
    registerCodecForVideo();
    std::ostringstream list;
    for (const PathCase& c : pathCases()) {
        SCOPED_TRACE(c.name);
        makeFolder(c.sourceFolder);
        makeFolder(c.outputFolder);
        const std::string source = joinPath(c.sourceFolder, c.sourceName);
        const std::string link = joinPath(c.outputFolder, c.outputName);
        ASSERT_TRUE(copyFile(clip(), source));
        deleteFile(link);
        const std::string input = c.relative ? c.sourceName : source;
        const std::string out = c.relative ? c.outputName : link;
        ProcessResult run = runProcess("\"" + joinPath(binaryFolder(), "quorl.exe") + "\" -q \"" + input +
                                           "\" \"" + out + "\"",
                                       60000, c.relative ? c.sourceFolder : scratchFolder());
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        // As typed where the record holds it, and at once: -q has no one to
        // keep the console open for.
        if (input.size() < 260) {
            EXPECT_NE(run.output.find("Inputfilename       : " + input + "\n"), std::string::npos) << run.output;
        }
        EXPECT_LT(run.secondsAfterLastOutput, 2.0);

        LinkFile made = readLink(link);
        ASSERT_TRUE(made.opened);
        // Both formats name the source alike; the field names it by the full
        // path or its short form, else the block holds the full path.
        const std::string named = namedSource(made.videoFormat, 60, 112);
        EXPECT_EQ(named, namedSource(made.audioFormat, 38, 82));
        EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, longForm(named).c_str(), -1,
                                 paths::wide(source).c_str(), -1),
                  CSTR_EQUAL) << named;
        if (std::string(c.name) == "38 characters") {
            ASSERT_EQ(source.size(), 38u);
            ASSERT_EQ(made.videoFormat.size(), 112u);
            EXPECT_EQ(std::memcmp(&made.videoFormat[60], source.c_str(), 39), 0);
            EXPECT_EQ(made.videoFormat[99], 0);
        }
        if (std::string(c.name) == "100 characters") {
            EXPECT_EQ(source.size(), 100u);
        }
        if (std::string(c.name) == "short form fits") {
            EXPECT_EQ(made.videoFormat.size(), 112u);
        }
        if (std::string(c.name) == "short form too long") {
            EXPECT_GT(made.videoFormat.size(), 112u);
            EXPECT_EQ(named, source);
        }
        list << link << "\n" << source << "\n";
    }
    const std::string listFile = joinPath(scratchFolder(), "readback.txt");
    const std::string listed = list.str();
    ASSERT_TRUE(writeFileBytes(listFile, std::vector<unsigned char>(listed.begin(), listed.end())));

    // A player started afterwards, in another folder.
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    SetEnvironmentVariableA(kReadbackListVariable, listFile.c_str());
    ProcessResult reader = runProcess("\"" + std::string(self) + "\" --gtest_filter=LinkedPathReadback.*",
                                      120000, mediaFolder());
    SetEnvironmentVariableA(kReadbackListVariable, nullptr);
    EXPECT_EQ(reader.exitCode, 0u) << reader.output;
    EXPECT_NE(reader.output.find("[  PASSED  ] 1 test"), std::string::npos) << reader.output;
}

// Run only as the fresh process above; skipped in a normal run.
TEST(LinkedPathReadback, FramesAndSoundEqualTheSource) {
    char listFile[MAX_PATH] = {};
    if (GetEnvironmentVariableA(kReadbackListVariable, listFile, MAX_PATH) == 0)
        GTEST_SKIP() << "runs inside AnyPathAUserHasMakesALinkThatPlaysFromAnywhere";
    const std::vector<unsigned char> listed = readFileBytes(listFile);
    std::istringstream in(std::string(listed.begin(), listed.end()));
    const std::vector<LONG> frames = {0, 1, 24, 49};
    const std::vector<unsigned char> pcm = readFileBytes(joinPath(mediaFolder(), "cli\\clip.pcm"));
    std::string link, source;
    int links = 0;
    while (std::getline(in, link) && std::getline(in, source)) {
        SCOPED_TRACE(link);
        CodecReadback video = readLinkFrames(link, frames);
        EXPECT_EQ(video.problem, "");
        EXPECT_TRUE(video.pictures == readSourceFrames(source, frames));
        CodecReadback sound = readLinkSound(link, WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 48000, 48000 * 4, 4, 16, 0});
        EXPECT_EQ(sound.problem, "");
        EXPECT_TRUE(sound.pcm == pcm);
        ++links;
    }
    EXPECT_EQ(links, static_cast<int>(pathCases().size()));
}

}  // namespace
