// The message output in both modes: the console write and the message dialog.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/Application.h"
#include "tests/support/WindowAnswerer.h"

namespace {

// Collects what the application writes to standard output while `body` runs.
template <typename Body>
std::string captureStandardOutput(Body body) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16);
    HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, writeEnd);
    body();
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(writeEnd);
    std::string text;
    char buffer[1024];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(readEnd);
    return text;
}

UserSettings settings{};

TEST(ShowMessageTest, CommandLineModeWritesTheFormattedTextUnchanged) {
    Application app("in.avs", GetModuleHandleA(nullptr), SW_SHOW, settings);
    ASSERT_TRUE(app.commandLineMode);
    std::string out = captureStandardOutput([&] { app.showMessage("Source : %s could not be opened\n", "x.avs"); });
    EXPECT_EQ(out, "Source : x.avs could not be opened\n");
    out = captureStandardOutput([&] { app.showMessage("%d|%5d|%-3s|%c", -12, 42, "a", 'z'); });
    EXPECT_EQ(out, "-12|   42|a  |z");
}

TEST(ShowMessageTest, LongTextsAreCutAtTheBuffer) {
    Application app("in.avs", GetModuleHandleA(nullptr), SW_SHOW, settings);
    // A line with two paths of 259 characters stays whole, line end included.
    std::string path(259, 'p');
    std::string out = captureStandardOutput(
        [&] { app.showMessage("The output file\n%s\nis the source file\n%s\n", path.c_str(), path.c_str()); });
    EXPECT_EQ(out, "The output file\n" + path + "\nis the source file\n" + path + "\n");
    std::string longPath(3000, 'p');
    out = captureStandardOutput([&] { app.showMessage("Source : %s could not be opened\n", longPath.c_str()); });
    EXPECT_EQ(out.size(), 1023u);
    EXPECT_EQ(out, ("Source : " + longPath).substr(0, 1023));
    EXPECT_EQ(app.messageBuffer[1023], '\0');
}

TEST(ShowMessageTest, WindowModeShowsTheMessageDialogUntilOk) {
    Application app("", GetModuleHandleA(nullptr), SW_SHOW, settings);
    ASSERT_FALSE(app.commandLineMode);
    WindowAnswerer person("Quorl", IDOK);
    app.showMessage("Source : %s could not be opened\n", "c:\\a.avs");
    ASSERT_EQ(person.answered(), 1u);
    EXPECT_EQ(person.texts()[0], "Source : c:\\a.avs could not be opened\n");
}

TEST(ShowMessageTest, MessageDialogHasItsDesignedSizeAndButton) {
    Application app("", GetModuleHandleA(nullptr), SW_SHOW, settings);
    // Inspect the dialog while it is open, then press OK as a person would.
    RECT dialogRect{}, expected{0, 0, 112, 63};
    std::string okText;
    std::thread inspector([&] {
        HWND dialog = waitForDialog("Quorl");
        if (dialog == nullptr) return;
        MapDialogRect(dialog, &expected);
        GetClientRect(dialog, &dialogRect);
        okText = windowText(GetDlgItem(dialog, IDOK));
        pressButton(dialog, IDOK);
    });
    app.showMessage("Link created!\n");
    inspector.join();
    EXPECT_EQ(okText, "OK");
    EXPECT_EQ(dialogRect.right, expected.right);
    EXPECT_EQ(dialogRect.bottom, expected.bottom);
}

}  // namespace
