// Whole window-mode cycles: the program runs as its own process, a person
// types into its link dialog, presses its buttons and answers its boxes, and
// the test checks the link file and the settings the program leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/RegistryStore.h"
#include "common/Paths.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/ui/WindowFixture.h"
#include "ui/resource.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The program in window mode, started without waiting for it.
class RunningProgram {
public:
    RunningProgram() {
        std::string commandLine = "\"" + joinPath(binaryFolder(), "quorl.exe") + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  scratchFolder().c_str(), &startup, &process_) != 0;
        if (!started_) return;
        for (int tries = 0; tries < 500 && mainWindow == nullptr; ++tries) {
            HWND found = FindWindowA("Quorl", "Quorl");
            DWORD owner = 0;
            if (found != nullptr) GetWindowThreadProcessId(found, &owner);
            if (owner == process_.dwProcessId && IsWindowVisible(found)) mainWindow = found;
            else Sleep(20);
        }
        if (mainWindow != nullptr) linkDialog = FindWindowExA(mainWindow, nullptr, "#32770", nullptr);
    }
    ~RunningProgram() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool ready() const { return linkDialog != nullptr; }
    void type(int field, const std::string& text) {
        const std::wstring wide = paths::wide(text);
        SendMessageW(GetDlgItem(linkDialog, field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    void pressWrap() { pressButton(linkDialog, IDC_LINK_WRAP); }
    void menu(UINT command) { PostMessageA(mainWindow, WM_COMMAND, command, 0); }
    // Waits for the program to end; its exit code, or -1 when it did not end.
    long waitForExit(DWORD timeoutMs = 20000) {
        if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

    HWND mainWindow = nullptr;
    HWND linkDialog = nullptr;

private:
    bool started_ = false;
    PROCESS_INFORMATION process_ = {};
};

UserSettings storedSettings() {
    std::vector<unsigned char> data;
    UserSettings settings{};
    if (readRegistryValue(kUserSettingsSubkey, "Data", data) && data.size() == sizeof settings)
        std::memcpy(&settings, data.data(), sizeof settings);
    return settings;
}

class WindowCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        deleteProgramRegistryKey();
        output = joinPath(scratchFolder(), "cycle.AVI");
        DeleteFileA(output.c_str());
    }
    // Settings as a person who used the program before would have them.
    void storeSettings(const char* source, bool rawAudio = true) {
        UserSettings settings = defaultSettings();
        lstrcpyA(settings.sourcePath, source);
        lstrcpyA(settings.outputPath, "S:\\never.AVI");
        settings.rawAudio = rawAudio ? 1 : 0;
        std::vector<unsigned char> bytes(sizeof settings);
        std::memcpy(bytes.data(), &settings, sizeof settings);
        writeRegistryValue(kUserSettingsSubkey, "Data", REG_BINARY, bytes);
    }
    std::string output;
};

TEST_F(WindowCycleTest, WrapMakesTheLinkAndTheNewPathsAreSaved) {
    storeSettings(uiMediaPath("clip.avi").c_str());
    WindowAnswerer person("Quorl", IDOK);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    program.type(IDC_LINK_OUTPUT, output);
    program.pressWrap();
    ASSERT_TRUE(person.waitForAnswers(1, 30000));
    EXPECT_EQ(person.texts()[0], "Link created!\n");

    Bytes link = readFileBytes(output);
    ASSERT_GT(link.size(), 12u);
    EXPECT_EQ(std::string(link.begin(), link.begin() + 4), "RIFF");
    EXPECT_NE(std::search(link.begin(), link.end(), "SHIM", "SHIM" + 4), link.end());
    // RAW audio was on: the sound itself is in the link.
    EXPECT_GT(link.size(), 2u * 44100 * 4);

    // The window stays for the next link until it is closed.
    EXPECT_TRUE(IsWindow(program.mainWindow));
    PostMessageA(program.mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    std::vector<unsigned char> data;
    ASSERT_TRUE(readRegistryValue(kUserSettingsSubkey, "Data", data));
    EXPECT_EQ(data.size(), 552u);
    UserSettings saved = storedSettings();
    EXPECT_EQ(std::string(saved.sourcePath), uiMediaPath("clip.avi"));
    EXPECT_EQ(std::string(saved.outputPath), output);
    EXPECT_EQ(person.answered(), 1u);
}

TEST_F(WindowCycleTest, ClosingTheDialogSavesTheMenuChoicesWithoutALink) {
    storeSettings(uiMediaPath("clip.avi").c_str(), true);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    program.menu(IDM_OPTIONS_RAW_AUDIO);
    program.menu(IDM_FORCE_RGB32);
    program.type(IDC_LINK_OUTPUT, output);
    PostMessageA(program.linkDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_FALSE(fileExists(output));
    UserSettings saved = storedSettings();
    EXPECT_EQ(saved.rawAudio, 0);
    EXPECT_EQ(saved.forcedFormat, 4);
    EXPECT_EQ(saved.forceFormatSet, 1);
    // The fields are not read back when the dialog closes.
    EXPECT_STREQ(saved.outputPath, "S:\\never.AVI");
}

TEST_F(WindowCycleTest, ExistingOutputIsKeptWhenThePersonDeclinesToOverwrite) {
    storeSettings(uiMediaPath("clip.avi").c_str());
    writeFileBytes(output, {'o', 'l', 'd'});
    WindowAnswerer question("Write error", IDCANCEL);
    WindowAnswerer message("Quorl", IDOK);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    program.type(IDC_LINK_OUTPUT, output);
    program.pressWrap();
    ASSERT_TRUE(question.waitForAnswers(1, 30000));
    EXPECT_EQ(question.texts()[0], "File already exits\nOverwrite ??");
    // The next cycle begins with the window ready again; then the person leaves.
    Sleep(500);
    program.menu(IDM_FILE_EXIT);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_EQ(readFileBytes(output), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(message.answered(), 0u);
}

TEST_F(WindowCycleTest, OddPictureSizeAsksAndCancelSkipsTheLink) {
    storeSettings(uiMediaPath("odd.avi").c_str());
    WindowAnswerer question("Conversion error", IDCANCEL);
    WindowAnswerer message("Quorl", IDOK);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    program.type(IDC_LINK_OUTPUT, output);
    program.pressWrap();
    const bool conversions = defaultSettings().conversionEnabled == 1;
    if (conversions) {
        ASSERT_TRUE(question.waitForAnswers(1, 30000));
        EXPECT_EQ(question.texts()[0],
                  "Width or Height are not an multiple of 16\nSome conversions may fail\nDo you can continue ?");
        ASSERT_TRUE(message.waitForAnswers(1));
        EXPECT_EQ(message.texts()[0], "Source : " + uiMediaPath("odd.avi") + " could not be opened\n");
        EXPECT_FALSE(fileExists(output));
    } else {
        ASSERT_TRUE(message.waitForAnswers(1, 30000));
        EXPECT_EQ(message.texts()[0], "Link created!\n");
    }
    program.menu(IDM_FILE_EXIT);
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST_F(WindowCycleTest, AStoredPathAVIFileWouldCrashOnIsRefusedAtEveryStart) {
    std::string folder = joinPath(scratchFolder(), std::string(120, 'f'));
    makeFolder(folder);
    folder = joinPath(folder, std::string(100, 'g'));
    makeFolder(folder);
    std::string source = joinPath(folder, std::string(259 - folder.size() - 5, 'c') + ".avi");
    ASSERT_EQ(source.size(), 259u);
    ASSERT_TRUE(CopyFileA(uiMediaPath("clip.avi").c_str(), source.c_str(), FALSE));
    storeSettings(source.c_str());
    for (int start = 0; start < 2; ++start) {
        WindowAnswerer person("Quorl", IDOK);
        RunningProgram program;
        ASSERT_TRUE(program.ready());
        ASSERT_TRUE(person.waitForAnswers(2, 30000));
        EXPECT_EQ(person.texts()[0].find("Source paths of 259 characters or more cannot be opened"), 0u);
        EXPECT_EQ(person.texts()[1], "Unable to open file\nAre you forcing your AVI to unsupported format\n");
        program.menu(IDM_FILE_EXIT);
        EXPECT_EQ(program.waitForExit(), 0) << "start " << start;
    }
    DeleteFileA(source.c_str());
}

TEST_F(WindowCycleTest, AnOutputThatNamesTheSourceIsRefusedWithoutTheOverwriteQuestion) {
    std::string source = joinPath(scratchFolder(), "cycle-source.avi");
    ASSERT_TRUE(CopyFileA(uiMediaPath("clip.avi").c_str(), source.c_str(), FALSE));
    const Bytes original = readFileBytes(source);
    storeSettings(source.c_str());
    WindowAnswerer refusal("AVI2ORV", IDOK), question("Write error", IDOK), message("Quorl", IDOK);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    std::string upper = source;
    CharUpperA(upper.data());
    program.type(IDC_LINK_OUTPUT, upper);
    program.pressWrap();
    ASSERT_TRUE(refusal.waitForAnswers(1, 30000));
    EXPECT_NE(refusal.texts()[0].find("is the source file"), std::string::npos);
    ASSERT_TRUE(message.waitForAnswers(1));
    EXPECT_EQ(message.texts()[0], "Unable to create file");
    program.menu(IDM_FILE_EXIT);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_EQ(question.answered(), 0u);
    EXPECT_EQ(readFileBytes(source), original);
}

TEST_F(WindowCycleTest, NamesInOtherScriptsAreLinkedAndSavedSoTheyReopenTheSameFiles) {
    const std::string folder = joinPath(scratchFolder(), "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE");  // Видео
    makeFolder(folder);
    const std::string source = joinPath(folder, "\xE5\xA9\x9A\xE7\xA4\xBC \xF0\x9F\x8E\x89.avi");  // 婚礼 🎉
    const std::string link = joinPath(folder, "\xD1\x81\xD1\x81\xD1\x8B\xD0\xBB\xD0\xBA\xD0\xB0.avi");  // ссылка
    ASSERT_TRUE(copyFile(uiMediaPath("clip.avi"), source));
    deleteFile(link);
    storeSettings(uiMediaPath("clip.avi").c_str());
    WindowAnswerer person("Quorl", IDOK);
    RunningProgram program;
    ASSERT_TRUE(program.ready());
    program.type(IDC_LINK_INPUT, source);
    program.type(IDC_LINK_OUTPUT, link);
    program.pressWrap();
    ASSERT_TRUE(person.waitForAnswers(1, 30000));
    EXPECT_EQ(person.texts()[0], "Link created!\n");
    EXPECT_TRUE(fileExists(link));
    PostMessageA(program.mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    // The record keeps 8-bit text that a later run, or an older version,
    // opens the same files by.
    UserSettings saved = storedSettings();
    for (const auto& [stored, file] : {std::pair<const char*, std::string>{saved.sourcePath, source},
                                       std::pair<const char*, std::string>{saved.outputPath, link}}) {
        wchar_t longPath[MAX_PATH] = {};
        ASSERT_GT(GetLongPathNameW(paths::wide(paths::fromAnsi(stored)).c_str(), longPath, MAX_PATH), 0u)
            << stored;
        EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, longPath, -1,
                                 paths::wide(file).c_str(), -1),
                  CSTR_EQUAL);
    }
}

}  // namespace
