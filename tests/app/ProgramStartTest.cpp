// The program run as a process under Wine, with a person answering its boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"

namespace {

constexpr double kPauseSeconds = 4.8;  // five seconds, less the clock's coarseness

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// A folder holding a copy of the program and, optionally, a codec library.
std::string installCopy(const std::string& name, const char* codecSource) {
    std::string folder = joinPath(scratchFolder(), name);
    makeFolder(folder);
    copyFile(joinPath(binaryFolder(), "quorl.exe"), joinPath(folder, "quorl.exe"));
    deleteFile(joinPath(folder, "avishim.dll"));
    if (codecSource != nullptr) copyFile(joinPath(binaryFolder(), codecSource), joinPath(folder, "avishim.dll"));
    return folder;
}

const char kEmptyReport[] =
    "Inputfilename       : x.avs\n"
    "Outputfilename      : x.AVI\n"
    "Forced outputformat : None\n"
    "Input format conversions:  Disabled\n"
    "Audio mode          : normal\n"
    "\n";

class ProgramStartTest : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
};

TEST_F(ProgramStartTest, MissingSourceIsReportedAndTheProgramEndsAfterItsPause) {
    ProcessResult run = runProcess(quoted(joinPath(binaryFolder(), "quorl.exe")) + " x.avs", 30000,
                                   scratchFolder());
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.output, std::string(kEmptyReport) + "Source : x.avs could not be opened\n");
    EXPECT_NE(run.exitCode, 0u);
    EXPECT_GE(run.secondsAfterLastOutput, kPauseSeconds);
}

TEST_F(ProgramStartTest, MissingCodecStopsTheProgramWithTheConflictBox) {
    std::string folder = installCopy("without_codec", nullptr);
    WindowAnswerer person("Version conflict", IDOK);
    ProcessResult run = runProcess(quoted(joinPath(folder, "quorl.exe")) + " x.avs", 30000, folder);
    EXPECT_FALSE(run.timedOut);
    ASSERT_EQ(person.answered(), 1u);
    EXPECT_EQ(person.texts()[0],
              "No or a old version of the AVISHIM codec found.\n"
              "This version of Quorl does not work with the installed version\n"
              "Please install a newer version of the codec");
    // The link loop never ran: no report, no source opened; the box is
    // echoed on the console.
    EXPECT_EQ(run.output,
              "Version conflict: No or a old version of the AVISHIM codec found.\n"
              "This version of Quorl does not work with the installed version\n"
              "Please install a newer version of the codec\n");
    EXPECT_NE(run.exitCode, 0u);
    EXPECT_GE(run.secondsToExit, kPauseSeconds);
}

TEST_F(ProgramStartTest, CodecOlderThan1000IsRefused) {
    std::string folder = installCopy("old_codec", "version_0_9_9_9.dll");
    WindowAnswerer person("Version conflict", IDOK);
    ProcessResult run = runProcess(quoted(joinPath(folder, "quorl.exe")) + " x.avs", 30000, folder);
    EXPECT_EQ(person.answered(), 1u);
    EXPECT_NE(run.exitCode, 0u);
}

TEST_F(ProgramStartTest, Codec1000WithoutSpecialBuildIsAccepted) {
    std::string folder = installCopy("plain_codec", "version_no_special_1000.dll");
    WindowAnswerer person("Version conflict", IDOK);
    ProcessResult run = runProcess(quoted(joinPath(folder, "quorl.exe")) + " x.avs", 30000, folder);
    EXPECT_EQ(person.answered(), 0u);
    EXPECT_EQ(run.output, std::string(kEmptyReport) + "Source : x.avs could not be opened\n");
}

TEST_F(ProgramStartTest, VersionMismatchStopsAtOnceWithoutTouchingSettings) {
    WindowAnswerer person("Quorl", IDOK);
    ProcessResult run = runProcess(quoted(joinPath(binaryFolder(), "quorl_wrong_version.exe")) + " x.avs",
                                   30000, scratchFolder());
    EXPECT_FALSE(run.timedOut);
    ASSERT_EQ(person.answered(), 1u);
    EXPECT_EQ(person.texts()[0], "Internal error : version codes do not match\n");
    EXPECT_EQ(run.output, "Quorl: Internal error : version codes do not match\n");
    EXPECT_NE(run.exitCode, 0u);
    // Loading would have created the settings key; the check comes first.
    EXPECT_FALSE(programSubkeyExists("Usersettings"));
    // Straight to shutdown: no five-second pause on this path.
    EXPECT_LT(run.secondsToExit, 4.0);
}

TEST_F(ProgramStartTest, AProgramFolderNamedOutsideTheCodePagePassesBothVersionChecks) {
    // C:\\Программы\\Quorl, as a Russian user would install it.
    std::string folder = installCopy("\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B\\Quorl",
                                     "avishim.dll");
    WindowAnswerer person("Quorl", IDOK), conflict("Version conflict", IDOK);
    ProcessResult run = runProcess(quoted(joinPath(folder, "quorl.exe")) + " -q x.avs", 30000, folder);
    EXPECT_EQ(person.answered() + conflict.answered(), 0u);
    EXPECT_EQ(run.output, std::string(kEmptyReport) + "Source : x.avs could not be opened\n");
    EXPECT_EQ(run.exitCode, 1u);
    // -q: a script does not wait five seconds at the end of every run.
    EXPECT_LT(run.secondsAfterLastOutput, 2.0);
}

TEST_F(ProgramStartTest, CommandLineModeNeverSavesItsSettings) {
    ProcessResult run = runProcess(quoted(joinPath(binaryFolder(), "quorl.exe")) + " -r x.avs", 30000,
                                   scratchFolder());
    EXPECT_FALSE(run.timedOut);
    std::vector<unsigned char> data;
    EXPECT_TRUE(programSubkeyExists("Usersettings"));
    EXPECT_FALSE(readRegistryValue("Usersettings", "Data", data));
}

}  // namespace
