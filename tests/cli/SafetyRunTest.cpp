// Command-line runs that must never lose or damage a user's file, crash, or
// wait for a person: each asserts the bytes of every file involved.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/Paths.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr DWORD kExitCreated = 0, kExitNotOpened = 1, kExitFailed = 2, kExitBadArguments = 4;

std::string media(const char* name) { return joinPath(mediaFolder(), std::string("cli\\") + name); }
std::string scratch(const std::string& name) { return joinPath(scratchFolder(), name); }

ProcessResult runQuorl(const std::string& arguments) {
    return runProcess("\"" + joinPath(binaryFolder(), "quorl.exe") + "\" " + arguments, 60000,
                      scratchFolder());
}

uint32_t u32at(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void putU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
size_t find(const Bytes& b, const char* id, size_t from = 0) {
    auto at = std::search(b.begin() + from, b.end(), id, id + 4);
    return at == b.end() ? std::string::npos : static_cast<size_t>(at - b.begin());
}

// Damaged copies of the test clip, each made the way a broken muxer would.
struct Damage {
    const char* name;
    void (*apply)(Bytes&);
};
void dropIndex(Bytes& b) {
    size_t idx1 = b.size();
    for (size_t at = find(b, "idx1"); at != std::string::npos; at = find(b, "idx1", at + 1)) idx1 = at;
    b.resize(idx1);
    putU32(b, 4, static_cast<uint32_t>(b.size() - 8));
}
void zeroBlockAlign(Bytes& b) {
    size_t strf = find(b, "strf", find(b, "auds"));
    b[strf + 8 + 12] = b[strf + 8 + 13] = 0;
}
void zeroPicture(Bytes& b) {
    // Every field a reader could take the size from: the frame rectangle of
    // the stream header, the bitmap header and the main header.
    size_t vids = find(b, "vids");
    std::fill_n(b.begin() + vids + 48, 8, 0);
    size_t strf = find(b, "strf", vids);
    putU32(b, strf + 8 + 4, 0);
    putU32(b, strf + 8 + 8, 0);
    size_t avih = find(b, "avih");
    putU32(b, avih + 8 + 32, 0);
    putU32(b, avih + 8 + 36, 0);
}
void unchanged(Bytes&) {}
// An OpenDML index where ffmpeg keeps room for one (a JUNK chunk), then alone.
void openDmlIndex(Bytes& b) { std::memcpy(&b[find(b, "JUNK", find(b, "strl"))], "indx", 4); }
void openDmlIndexOnly(Bytes& b) {
    openDmlIndex(b);
    dropIndex(b);
}

// The name of an unfinished link left in `folder`, or "".
std::string leftoverTemporary(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(joinPath(folder, "*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    return found.cFileName;
}

std::string damagedCopy(const char* from, const Damage& damage) {
    Bytes bytes = readFileBytes(media(from));
    damage.apply(bytes);
    std::string path = scratch(damage.name);
    EXPECT_TRUE(writeFileBytes(path, bytes));
    return path;
}

// The link's audio block records (index, first sample, count), read from the
// file's bytes: chunks "01wb" of 128 bytes.
std::vector<uint32_t> blockCounts(const Bytes& link) {
    std::vector<uint32_t> counts;
    for (size_t at = find(link, "01wb"); at != std::string::npos; at = find(link, "01wb", at + 4))
        if (at + 20 <= link.size() && u32at(link, at + 4) == 128) counts.push_back(u32at(link, at + 16));
    return counts;
}

class SafetyRunTest : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
};

TEST_F(SafetyRunTest, AnOutputThatNamesTheSourceIsRefusedInEverySpelling) {
    std::string folder = scratch("same");
    makeFolder(folder);
    // A plain name, and one in Cyrillic ("Тот же исходник"), whose spellings
    // differ in more than ASCII letters.
    for (const char* name : {"Same Source.avi",
                             "\xD0\xA2\xD0\xBE\xD1\x82 \xD0\xB6\xD0\xB5 \xD0\xB8\xD1\x81\xD1\x85\xD0\xBE"
                             "\xD0\xB4\xD0\xBD\xD0\xB8\xD0\xBA.avi"}) {
        std::string source = joinPath(folder, name);
        ASSERT_TRUE(copyFile(media("clip.avi"), source));
        const Bytes original = readFileBytes(source);

        const std::wstring wide = paths::wide(source);
        wchar_t shortName[MAX_PATH] = {};
        ASSERT_GT(GetShortPathNameW(wide.c_str(), shortName, MAX_PATH), 0u);
        // The same file through the drive Wine maps to the whole Unix tree.
        using UnixName = char* (*)(const WCHAR*);
        auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        ASSERT_NE(unixName, nullptr);
        std::string unixPath = unixName(wide.c_str());
        std::string zSpelling = "Z:" + unixPath;
        std::replace(zSpelling.begin(), zSpelling.end(), '/', '\\');
        std::wstring upper = wide;
        CharUpperW(upper.data());

        for (const std::string& output : {paths::utf8(upper), zSpelling, paths::utf8(shortName)}) {
            for (const char* mode : {"", "-r "}) {
                WindowAnswerer person("AVI2ORV", IDOK);
                ProcessResult run = runQuorl(std::string("-q ") + mode + "\"" + source + "\" \"" + output + "\"");
                EXPECT_EQ(run.exitCode, kExitFailed) << output;
                EXPECT_NE(run.output.find("AVI2ORV: The output file\n" + output + "\nis the source file\n"),
                          std::string::npos) << run.output;
                EXPECT_EQ(person.answered(), 0u) << "-q shows no box";
                EXPECT_EQ(readFileBytes(source), original) << output;
                EXPECT_EQ(leftoverTemporary(folder), "") << output;
            }
        }
    }
}

TEST_F(SafetyRunTest, APreviousOutputSurvivesAFullDisk) {
    if (!fileExists("T:\\")) GTEST_SKIP() << "no small file system as T: (mounting needs root)";
    const std::string previous = "T:\\previous.avi";
    DeleteFileA(previous.c_str());
    ASSERT_EQ(runQuorl("-q " + media("clip.avi") + " " + previous).exitCode, kExitCreated);
    const Bytes earlier = readFileBytes(previous);
    // RAW audio of the clip takes 384 KB: more than the disk has left.
    ProcessResult run = runQuorl("-q -r " + media("clip.avi") + " " + previous);
    EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
    EXPECT_NE(run.output.find("Write error: "), std::string::npos) << run.output;
    EXPECT_EQ(readFileBytes(previous), earlier);
    EXPECT_EQ(leftoverTemporary("T:\\"), "");
    DeleteFileA(previous.c_str());
}

TEST_F(SafetyRunTest, SourcesThePlatformWouldCrashOnAreRefused) {
    struct Case {
        Damage damage;
        const char* from;
        DWORD exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"noindex.avi", dropIndex}, "clip.avi", kExitNotOpened, "has no index"},
        {{"indx-only.avi", openDmlIndexOnly}, "clip.avi", kExitNotOpened, "only an OpenDML index"},
        // Beside an idx1, AVIFile reads such a file completely: it is linked.
        {{"indx.avi", openDmlIndex}, "clip.avi", kExitCreated, "Link created!"},
        {{"align0.avi", zeroBlockAlign}, "clip.avi", kExitNotOpened, "(nBlockAlign) is 0"},
        {{"zero-size.avi", zeroPicture}, "clip.avi", kExitFailed, "picture size 0 x 0"},
        {{"no-frames.avi", unchanged}, "empty.avi", kExitFailed, "neither video frames nor audio"},
        // Past 1 GB, made once for the whole run: used as it is.
        {{"opendml.avi", nullptr}, "opendml\\big.avi", kExitNotOpened,
         "over 1 GB in the OpenDML form (a second RIFF part, AVIX)"},
    };
    for (const Case& c : cases) {
        std::string source = c.damage.apply != nullptr ? damagedCopy(c.from, c.damage)
                                                        : joinPath(mediaFolder(), c.from);
        std::string output = scratch(std::string("out-") + c.damage.name);
        DeleteFileA(output.c_str());
        ProcessResult run = runQuorl("-q -r " + source + " " + output);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.damage.name << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_EQ(fileExists(output), c.exitCode == kExitCreated) << c.damage.name;
        EXPECT_EQ(leftoverTemporary(scratchFolder()), "") << c.damage.name;
    }
}

// An earlier link is replaced: CommandLineRunTest.DerivedOutputNameAndOverwriteWithoutQuestion.
TEST_F(SafetyRunTest, AnOutputThatIsNoLinkIsKept) {
    const std::string output = scratch("kept.avi");
    const Bytes notes = {'m', 'y', ' ', 'n', 'o', 't', 'e', 's'};
    for (const Bytes& data : {readFileBytes(media("clip.avi")), notes}) {
        ASSERT_TRUE(writeFileBytes(output, data));
        ProcessResult run = runQuorl("-q " + media("ntsc.avi") + " " + output);
        EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
        EXPECT_NE(run.output.find("Write error: The output file\n" + output + "\nis not a link file"),
                  std::string::npos) << run.output;
        EXPECT_TRUE(readFileBytes(output) == data);
        EXPECT_EQ(leftoverTemporary(scratchFolder()), "");
    }
}

TEST_F(SafetyRunTest, PathsAtTheLengthAVIFileCrashesOnAreRefused) {
    // Folders that bring the whole path to 258 and 259 characters.
    std::string folder = scratch(std::string(100, 'f'));
    makeFolder(folder);
    folder = joinPath(folder, std::string(100, 'g'));
    makeFolder(folder);
    for (size_t length : {258u, 259u}) {
        std::string source = joinPath(folder, std::string(length - folder.size() - 5, 'c') + ".avi");
        ASSERT_EQ(source.size(), length);
        ASSERT_TRUE(CopyFileA(media("clip.avi").c_str(), source.c_str(), FALSE));
        ProcessResult run = runQuorl("-q " + source + " " + scratch("long.avi"));
        // 258 opens and is linked (by a path block); 259 never reaches AVIFile.
        EXPECT_EQ(run.exitCode, length == 258 ? kExitCreated : kExitNotOpened) << run.output;
        EXPECT_EQ(run.output.find("259 characters or more") != std::string::npos, length == 259);
        EXPECT_NE(run.output.find("Source : " + source + " could not be opened\n") != std::string::npos,
                  length == 258);
        DeleteFileA(source.c_str());
    }
}

TEST_F(SafetyRunTest, ElevenArgumentsAreRefusedBeforeAnyFileIsMade) {
    std::string source = scratch("eleven.avi");
    ASSERT_TRUE(CopyFileA(media("clip.avi").c_str(), source.c_str(), FALSE));
    ProcessResult run =
        runQuorl("-r -c RGB32 -c RGB24 -c YUY2 -c YV12 " + source + " " + scratch("eleven-out.avi"));
    EXPECT_EQ(run.exitCode, kExitBadArguments);
    EXPECT_NE(run.output.find("at most 10 arguments"), std::string::npos) << run.output;
    EXPECT_FALSE(fileExists(scratch("eleven_.AVI")));
    EXPECT_FALSE(fileExists(scratch("eleven-out.avi")));
    // Ten still work.
    run = runQuorl("-c RGB32 -c RGB24 -c YUY2 -c YV12 " + source + " " + scratch("ten-out.avi"));
    EXPECT_EQ(run.exitCode, kExitCreated) << run.output;
}

TEST_F(SafetyRunTest, EverySampleOfTheSourceIsLinked) {
    // 96096 samples at 30000/1001 last exactly 60 frame periods.
    std::string raw = scratch("ntsc-raw.avi");
    ProcessResult run = runQuorl("-q -r " + media("ntsc.avi") + " " + raw);
    ASSERT_EQ(run.exitCode, kExitCreated) << run.output;
    ASSERT_NE(run.output.find("numAudioSamples:96096"), std::string::npos);
    const Bytes link = readFileBytes(raw);
    const Bytes pcm = readFileBytes(media("ntsc.pcm"));
    ASSERT_EQ(pcm.size(), 96096u * 4);
    size_t carried = 0;
    for (size_t at = find(link, "01wb"); at != std::string::npos; at = find(link, "01wb", at + 4)) {
        uint32_t size = u32at(link, at + 4);
        if (at + 8 + size > link.size() || carried + size > pcm.size()) break;  // the index
        EXPECT_TRUE(std::equal(link.begin() + at + 8, link.begin() + at + 8 + size, pcm.begin() + carried));
        carried += size;
    }
    EXPECT_EQ(carried, pcm.size());

    // At 25 fps and 48 kHz every linked block holds 1920 samples.
    std::string linked = scratch("pal-linked.avi");
    run = runQuorl("-q " + media("clip.avi") + " " + linked);
    ASSERT_EQ(run.exitCode, kExitCreated) << run.output;
    std::vector<uint32_t> counts = blockCounts(readFileBytes(linked));
    ASSERT_EQ(counts.size(), 50u);
    for (size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(counts[i], 1920u) << i;
}

TEST_F(SafetyRunTest, QuietRunsAnswerEveryBoxOnTheConsole) {
    struct Case {
        const char* arguments;
        DWORD exitCode;
        const char* console;
        const char* output = "quiet.avi";
    };
    const Case cases[] = {
        // An output folder that does not exist: the question to retry.
        {"-q %s %o", kExitFailed,
         "Write error: Cannot open AVIfile for writing\nAlready in use ??\n(answered Cancel)\n",
         "no-such-folder\\quiet.avi"},
        // No allowed output format: a refusal with only an OK button.
        {"-q -c YUY2 %s %o", kExitFailed,
         "AVI2ORV: No possible output format is selected for this input format.\n"
         "Disable the conversion matrix, or select an output format for this input format\n"
         "(answered OK)\n"},
        // The size question answered with Cancel, which keeps the files.
        {"-q -c RGB24 %d %o", kExitNotOpened,
         "Conversion error: Width or Height are not an multiple of 16\nSome conversions may fail\n"
         "Do you can continue ?\n(answered Cancel)\n"},
    };
    for (const Case& c : cases) {
        std::string arguments = c.arguments;
        arguments.replace(arguments.find("%o"), 2, scratch(c.output));
        size_t at = arguments.find("%s");
        if (at != std::string::npos) arguments.replace(at, 2, media("clip.avi"));
        at = arguments.find("%d");
        if (at != std::string::npos) arguments.replace(at, 2, media("odd.avi"));
        DeleteFileA(scratch(c.output).c_str());
        WindowAnswerer refusal("AVI2ORV", IDOK), question("Conversion error", IDOK);
        ProcessResult run = runQuorl(arguments);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, c.exitCode) << arguments;
        EXPECT_NE(run.output.find(c.console), std::string::npos) << run.output;
        if (c.exitCode == kExitFailed) {
            EXPECT_NE(run.output.find("Unable to create file"), std::string::npos) << run.output;
        }
        EXPECT_EQ(refusal.answered() + question.answered(), 0u);
        EXPECT_FALSE(fileExists(scratch(c.output)));
        EXPECT_EQ(leftoverTemporary(scratchFolder()), "");
    }
}

}  // namespace

namespace {
// This process stays: the event is meant for quorl.exe, which shares the console.
BOOL WINAPI stayRunning(DWORD) { return TRUE; }
}  // namespace

TEST_F(SafetyRunTest, CtrlCCancelsTheLinkAndKeepsThePreviousOutput) {
    const std::string previous = scratch("ctrl-c.avi");
    DeleteFileA(previous.c_str());
    ASSERT_EQ(runQuorl("-q " + media("ntsc.avi") + " " + previous).exitCode, kExitCreated);
    const Bytes earlier = readFileBytes(previous);
    // A console event reaches every process of one console: this one gets a
    // console of its own, which quorl.exe inherits.
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    ASSERT_TRUE(SetConsoleCtrlHandler(stayRunning, TRUE));
    bool sent = false;
    ProcessResult run = runProcess(
        "\"" + joinPath(binaryFolder(), "quorl.exe") + "\" -q -r " + media("long.avi") + " " + previous,
        120000, scratchFolder(), [&](const std::string& output) {
            if (!sent && output.find("Progress") != std::string::npos)
                sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        });
    SetConsoleCtrlHandler(stayRunning, FALSE);
    EXPECT_TRUE(sent) << run.output;
    EXPECT_EQ(run.exitCode, 6u) << run.output;
    EXPECT_NE(run.output.find("Link cancelled"), std::string::npos) << run.output;
    EXPECT_EQ(readFileBytes(previous), earlier);
    EXPECT_EQ(leftoverTemporary(scratchFolder()), "");
    DeleteFileA(previous.c_str());
}
