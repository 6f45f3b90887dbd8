// The installer run silently under Wine, in a prefix of its own: where it puts
// the program and both codecs, how it registers each bitness, what a second
// installation and the uninstaller leave behind, and how it fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "avishim/RegistryNames.h"
#include "tests/installer/InstallerRun.h"
#include "tests/installer/LinkThroughCodec.h"
#include "tests/support/TestEnvironment.h"

namespace {

// The link and source that the fresh reading process is handed.
constexpr char kReadbackLinkVariable[] = "QUORL_READBACK_LINK";
constexpr char kReadbackSourceVariable[] = "QUORL_READBACK_SOURCE";

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorl";
constexpr DWORD kFailedExitCode = 2;

struct Payload {
    const char* name;  // below the installation folder
    std::string built;
    WORD machine;
};

struct CodecView {
    const char* bitness;
    REGSAM view;
    const char* dll;  // below the installation folder
    WORD machine;
};

const CodecView kViews[] = {
    {"64-bit", KEY_WOW64_64KEY, "avishim.dll", IMAGE_FILE_MACHINE_AMD64},
    {"32-bit", KEY_WOW64_32KEY, "x86\\avishim.dll", IMAGE_FILE_MACHINE_I386},
};
const char* const kDriverValues[] = {kVideoDriverValue, kAudioDriverValue};

// Explorer's verb, one per file type.
const char* const kVerbTypes[] = {".avs", ".vdr", ".avi"};
std::string typeKey(const char* type) {
    return std::string("Software\\Classes\\SystemFileAssociations\\") + type;
}
std::string verbKey(const char* type) { return typeKey(type) + "\\shell\\QuorlMakeLink"; }
std::string verbCommandKey(const char* type) { return verbKey(type) + "\\command"; }

// Runs InstalledCodecReadback in a fresh process of this program, which loads
// the installed codec as an editor started after the installation would.
void expectReadBackInAFreshProcess(const std::string& link, const std::string& source) {
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    SetEnvironmentVariableA(kReadbackLinkVariable, link.c_str());
    SetEnvironmentVariableA(kReadbackSourceVariable, source.c_str());
    ProcessResult reader = runProcess("\"" + std::string(self) +
                                          "\" --gtest_filter=InstalledCodecReadback.*",
                                      120000, scratchFolder());
    SetEnvironmentVariableA(kReadbackLinkVariable, nullptr);
    SetEnvironmentVariableA(kReadbackSourceVariable, nullptr);
    EXPECT_EQ(reader.exitCode, 0u) << reader.output;
}

// The driver loader takes a registry value up to its first blank as the
// file name, so the value must have none and still name the installed file.
void expectNamesFile(const std::string& value, const std::string& file) {
    EXPECT_EQ(value.find(' '), std::string::npos) << value;
    char longPath[MAX_PATH] = {};
    ASSERT_GT(GetLongPathNameA(value.c_str(), longPath, MAX_PATH), 0u) << value;
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, longPath, -1, file.c_str(), -1),
              CSTR_EQUAL)
        << value << " names " << longPath << ", not " << file;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (installerPath().empty() || !fileExists(installerPath()))
            GTEST_SKIP() << "No installer to test (" << installerPath()
                         << "): it needs the 32-bit build, scripts/build --with-32bit";
    }

    std::string installed(const char* name) const { return joinPath(folder, name); }

    std::vector<Payload> payload() const {
        return {{"quorl.exe", joinPath(binaryFolder(), "quorl.exe"), IMAGE_FILE_MACHINE_AMD64},
                {"avishim.dll", joinPath(binaryFolder(), "avishim.dll"), IMAGE_FILE_MACHINE_AMD64},
                {"x86\\avishim.dll", codec32BuildPath(), IMAGE_FILE_MACHINE_I386}};
    }

    void install() {
        ProcessResult run = runInstaller("/S");
        ASSERT_TRUE(run.started && !run.timedOut) << installerPath();
        ASSERT_EQ(run.exitCode, 0u);
    }

    void expectInstalledFiles() {
        for (const Payload& file : payload()) {
            SCOPED_TRACE(file.name);
            std::vector<unsigned char> bytes = readFileBytes(installed(file.name));
            ASSERT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes == readFileBytes(file.built)) << "differs from " << file.built;
            EXPECT_EQ(peMachine(installed(file.name)), file.machine);
        }
    }

    // Each bitness names its own DLL by full path in its own view, and no
    // cached format tags are left to make msacm32 skip the driver.
    void expectRegistered() {
        for (const CodecView& v : kViews) {
            SCOPED_TRACE(v.bitness);
            for (const char* value : kDriverValues) {
                std::optional<std::string> dll = readMachineString(v.view, kDrivers32Key, value);
                ASSERT_TRUE(dll.has_value()) << value;
                expectNamesFile(*dll, installed(v.dll));
                EXPECT_EQ(peMachine(*dll), v.machine) << value;
            }
            EXPECT_FALSE(machineKeyExists(v.view, kAcmCacheKey));
        }
        for (const char* type : kVerbTypes) {
            SCOPED_TRACE(type);
            EXPECT_EQ(readMachineString(KEY_WOW64_64KEY, verbKey(type).c_str(), ""), "Make Quorl link");
            EXPECT_EQ(readMachineString(KEY_WOW64_64KEY, verbCommandKey(type).c_str(), ""),
                      "\"" + installed("quorl.exe") + "\" \"%1\"");
        }
    }

    void seedStaleAcmCache() {
        for (const CodecView& v : kViews) createMachineKey(v.view, kAcmCacheKey);
    }

    const std::string folder = defaultInstallFolder();
};

TEST_F(InstallerTest, SilentInstallPlacesAndRegistersBothBitnesses) {
    seedStaleAcmCache();
    install();
    expectInstalledFiles();
    expectRegistered();
    EXPECT_TRUE(fileExists(startMenuEntry())) << startMenuEntry();
    EXPECT_EQ(peMachine(installed("uninstall.exe")), IMAGE_FILE_MACHINE_AMD64);

    const REGSAM list = KEY_WOW64_64KEY;
    EXPECT_EQ(readMachineString(list, kUninstallKey, "DisplayName"), "Quorl");
    EXPECT_EQ(readMachineString(list, kUninstallKey, "DisplayVersion"), QUORL_VERSION_TEXT);
    EXPECT_EQ(readMachineString(list, kUninstallKey, "Publisher"), "The Quorl developers");
    EXPECT_EQ(readMachineString(list, kUninstallKey, "UninstallString"),
              "\"" + installed("uninstall.exe") + "\"");
    size_t bytes = readFileBytes(installed("uninstall.exe")).size();
    for (const Payload& file : payload()) bytes += readFileBytes(installed(file.name)).size();
    std::optional<DWORD> kilobytes = readMachineDword(list, kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(kilobytes.has_value());
    EXPECT_GE(*kilobytes, bytes / 1024);
    EXPECT_LE(*kilobytes, bytes / 1024 + 16);
}

TEST_F(InstallerTest, RegistersExactlyAsTheCodecRegistersItself) {
    install();
    // regsvr32 in a process of its own, as a user runs it: a codec loaded into
    // this process would stay loaded (msacm32 holds its drivers) and keep the
    // file busy for the uninstall tests.
    ProcessResult registered =
        runProcess("regsvr32 /s \"" + installed("avishim.dll") + "\"", 60000, scratchFolder());
    EXPECT_EQ(registered.exitCode, 0u) << registered.output;
    // Nothing the codec writes differs from the installer's registration, in
    // the only view this 64-bit process can load a codec for.
    for (const char* value : kDriverValues) {
        std::optional<std::string> dll = readMachineString(KEY_WOW64_64KEY, kDrivers32Key, value);
        ASSERT_TRUE(dll.has_value()) << value;
        expectNamesFile(*dll, installed("avishim.dll"));
    }
}

TEST_F(InstallerTest, InstalledProgramLinksASourceThatTheRegisteredCodecReadsBack) {
    install();
    // Run as Explorer runs the verb on a file: the link goes beside the source.
    const std::string source = joinPath(scratchFolder(), "verb.avi");
    ASSERT_TRUE(copyFile(joinPath(mediaFolder(), "cli\\clip.avi"), source));
    const std::string link = joinPath(scratchFolder(), "verb_.AVI");
    DeleteFileA(link.c_str());
    std::string command =
        readMachineString(KEY_WOW64_64KEY, verbCommandKey(".avi").c_str(), "").value_or("");
    ASSERT_NE(command.find("%1"), std::string::npos) << command;
    ProcessResult run = runProcess(command.replace(command.find("%1"), 2, source), 60000, scratchFolder());
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    ASSERT_TRUE(fileExists(link));

    // msacm32 learns the registered drivers once, when a process loads it,
    // and a loaded codec would keep its file busy for the uninstall tests:
    // an editor started after the installation reads the link, so a fresh
    // process of this program does.
    expectReadBackInAFreshProcess(link, source);
}

TEST_F(InstallerTest, AFolderNamedInCyrillicInstallsAProgramThatLinksAndPlays) {
    // C:\\Программы\\Quorl, as a Russian user would choose it.
    const std::string cyrillic =
        "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B\\Quorl";
    ProcessResult setup = runInstaller("/S /D=" + cyrillic);
    ASSERT_EQ(setup.exitCode, 0u) << setup.output;
    const std::string program = joinPath(cyrillic, "quorl.exe");
    ASSERT_TRUE(fileExists(program));
    const std::string source = joinPath(mediaFolder(), "cli\\clip.avi");
    const std::string link = joinPath(scratchFolder(), "installed-cyrillic.avi");
    deleteFile(link);
    // Its own version and the codec beside it are found: no start-up box.
    ProcessResult run = runProcess("\"" + program + "\" -q " + source + " " + link, 60000, scratchFolder());
    ASSERT_EQ(run.exitCode, 0u) << run.output;

    expectReadBackInAFreshProcess(link, source);
    EXPECT_EQ(runUninstaller(cyrillic), 0u);
}

// Run only as the fresh process above; skipped in a normal run.
TEST(InstalledCodecReadback, FramesAndSoundEqualTheSource) {
    char link[MAX_PATH] = {};
    char source[MAX_PATH] = {};
    if (GetEnvironmentVariableA(kReadbackLinkVariable, link, MAX_PATH) == 0 ||
        GetEnvironmentVariableA(kReadbackSourceVariable, source, MAX_PATH) == 0)
        GTEST_SKIP() << "runs inside InstalledProgramLinksASourceThatTheRegisteredCodecReadsBack";

    const std::vector<LONG> frames = {0, 1, 24, 49};
    CodecReadback video = readLinkFrames(link, frames);
    EXPECT_EQ(video.problem, "");
    EXPECT_TRUE(video.pictures == readSourceFrames(source, frames));

    WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 2, 48000, 48000 * 4, 4, 16, 0};
    CodecReadback sound = readLinkSound(link, pcm);
    EXPECT_EQ(sound.problem, "");
    std::vector<unsigned char> expected = readFileBytes(joinPath(mediaFolder(), "cli\\clip.pcm"));
    EXPECT_EQ(sound.pcm.size(), expected.size());
    EXPECT_TRUE(sound.pcm == expected);
}

TEST_F(InstallerTest, InstallingAgainReplacesAnOlderInstallation) {
    install();
    for (const Payload& file : payload()) ASSERT_TRUE(writeFileBytes(installed(file.name), {'o', 'l', 'd'}));
    writeMachineString(KEY_WOW64_64KEY, kDrivers32Key, kVideoDriverValue, "C:\\Old\\avishim.dll");
    seedStaleAcmCache();
    install();
    expectInstalledFiles();
    expectRegistered();
}

TEST_F(InstallerTest, SilentUninstallRemovesWhatItMadeAndKeepsTheSettings) {
    install();
    const std::vector<unsigned char> settings = {1, 2, 3, 4};
    writeRegistryValue("Usersettings", "Data", REG_BINARY, settings);
    // A codec registered from elsewhere since the installation stays working.
    const std::string elsewhere = "C:\\Elsewhere\\avishim.dll";
    writeMachineString(KEY_WOW64_32KEY, kDrivers32Key, kAudioDriverValue, elsewhere);
    // Another program's verb for the same type stays.
    const std::string player = typeKey(".avi") + "\\shell\\play\\command";
    writeMachineString(KEY_WOW64_64KEY, player.c_str(), "", "player.exe \"%1\"");

    EXPECT_EQ(runUninstaller(folder), 0u);

    for (const std::string& path :
         {installed("quorl.exe"), installed("avishim.dll"), installed("x86\\avishim.dll"),
          installed("uninstall.exe"), installed("x86"), folder, startMenuEntry()})
        EXPECT_FALSE(fileExists(path)) << path;
    for (const CodecView& v : kViews) {
        SCOPED_TRACE(v.bitness);
        EXPECT_EQ(readMachineString(v.view, kDrivers32Key, kVideoDriverValue), std::nullopt);
        std::optional<std::string> audio = readMachineString(v.view, kDrivers32Key, kAudioDriverValue);
        if (v.view == KEY_WOW64_32KEY)
            EXPECT_EQ(audio, elsewhere);
        else
            EXPECT_EQ(audio, std::nullopt);
        EXPECT_FALSE(machineKeyExists(v.view, kAcmCacheKey));
    }
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, kUninstallKey));
    // Keys that only held the verb go with it.
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, typeKey(".avs").c_str()));
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, typeKey(".vdr").c_str()));
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, verbKey(".avi").c_str()));
    EXPECT_EQ(readMachineString(KEY_WOW64_64KEY, player.c_str(), ""), "player.exe \"%1\"");
    std::vector<unsigned char> kept;
    EXPECT_TRUE(readRegistryValue("Usersettings", "Data", kept));
    EXPECT_EQ(kept, settings);
    deleteMachineValue(KEY_WOW64_32KEY, kDrivers32Key, kAudioDriverValue);
}

TEST_F(InstallerTest, UninstallThatCannotRemoveAFileFailsAndCanBeRunAgain) {
    install();
    // An editor holding the codec open.
    HANDLE held = CreateFileA(installed("avishim.dll").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(runUninstaller(folder), kFailedExitCode);
    EXPECT_TRUE(fileExists(installed("avishim.dll")));
    EXPECT_TRUE(fileExists(installed("uninstall.exe")));
    EXPECT_TRUE(machineKeyExists(KEY_WOW64_64KEY, kUninstallKey));
    CloseHandle(held);

    EXPECT_EQ(runUninstaller(folder), 0u);
    EXPECT_FALSE(fileExists(folder));
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, kUninstallKey));
}

TEST_F(InstallerTest, UninstallingAgainWithNothingLeftSucceeds) {
    install();
    // Run in place, the uninstaller stays behind, so it can be run twice.
    const std::string inPlace = "\"" + installed("uninstall.exe") + "\" /S _?=" + folder;
    for (const char* run : {"first", "second"})
        EXPECT_EQ(runProcess(inPlace, 120000).exitCode, 0u) << run;
    EXPECT_FALSE(fileExists(installed("quorl.exe")));
    EXPECT_FALSE(machineKeyExists(KEY_WOW64_64KEY, kUninstallKey));
    DeleteFileA(installed("uninstall.exe").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(InstallerTest, SilentInstallIntoAnUnusableFolderFailsWithoutRegistering) {
    const std::string blocker = joinPath(scratchFolder(), "blocker");
    ASSERT_TRUE(writeFileBytes(blocker, {'x'}));
    struct Case {
        const char* what;
        std::string folder;
    };
    for (const Case& c : {Case{"below a file", joinPath(blocker, "Quorl")},
                          Case{"a file", blocker}, Case{"a relative path", "Quorl"}}) {
        SCOPED_TRACE(c.what);
        deleteMachineValue(KEY_WOW64_64KEY, kDrivers32Key, kVideoDriverValue);
        ProcessResult run = runInstaller("/S /D=" + c.folder);
        EXPECT_EQ(run.exitCode, kFailedExitCode);
        EXPECT_EQ(readMachineString(KEY_WOW64_64KEY, kDrivers32Key, kVideoDriverValue), std::nullopt);
    }
}

}  // namespace
