// Progress shown on its own thread: the console line and the real dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/ProgressLine.h"
#include "ui/ProgressReporter.h"
#include "ui/resource.h"
#include "tests/support/WindowAnswerer.h"

namespace {

TEST(ProgressLineTest, DashesAndMarksFollowThePercentage) {
    EXPECT_EQ(progressLine(0), "Progress: 000% | [0%]\r");
    EXPECT_EQ(progressLine(7), "Progress: 007% | [0%]\r");
    EXPECT_EQ(progressLine(42), "Progress: 042% | [0%--25%--]\r");
    // A dash per ten percent, each mark right after its dash: only two dashes
    // lie between the 75 and 100 marks.
    EXPECT_EQ(progressLine(100), "Progress: 100% | [0%--25%---50%---75%--100%]\r");
    // Not clamped: more dashes, no marks beyond 100.
    EXPECT_EQ(progressLine(130), "Progress: 130% | [0%--25%---50%---75%--100%---]\r");
    EXPECT_EQ(progressLine(-5), "Progress: -005% | [0%]\r");
}

TEST(ProgressLineTest, CaptionCarriesTitleAndPercentage) {
    EXPECT_EQ(progressCaption("Generating SHIM AVI", 7), "Generating SHIM AVI (7%)");
    std::string longTitle(300, 't');
    std::string caption = progressCaption(longTitle.c_str(), 100);
    EXPECT_EQ(caption.size(), 259u);
    EXPECT_EQ(caption.substr(caption.size() - 7), " (100%)");
}

TEST(ProgressReporterTest, EndWithoutBeginReturnsAtOnce) {
    ProgressReporter reporter;
    reporter.cancelled = true;
    DWORD start = GetTickCount();
    EXPECT_TRUE(ProgressReporter::end(&reporter));
    EXPECT_LT(GetTickCount() - start, 50u);
    EXPECT_FALSE(ProgressReporter::isCancelled(&reporter));
}

TEST(ProgressReporterTest, HooksReachTheReporter) {
    ProgressReporter reporter;
    EXPECT_EQ(reporter.hooks.context, &reporter);
    reporter.hooks.setPercent(55, reporter.hooks.context);
    EXPECT_EQ(reporter.percent, 55);
    EXPECT_FALSE(reporter.hooks.isCancelled(reporter.hooks.context));
    EXPECT_STREQ(reporter.title, "Progress");
}

int progressPosition(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

HWND waitForCaption(const char* caption) { return waitForDialog(caption, 5000); }

TEST(ProgressReporterTest, DialogShowsProgressAndCancelWaitsForEnd) {
    ProgressReporter reporter;
    ProgressReporter::setPercent(7, &reporter);
    ProgressReporter::begin(&reporter, GetModuleHandleA(nullptr), nullptr, "Generating SHIM AVI");
    HWND dialog = waitForCaption("Generating SHIM AVI (7%)");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(progressPosition(dialog), 7);
    EXPECT_EQ(windowText(GetDlgItem(dialog, IDCANCEL)), "Cancel");

    ProgressReporter::setPercent(40, &reporter);
    ASSERT_NE(waitForCaption("Generating SHIM AVI (40%)"), nullptr);
    EXPECT_EQ(progressPosition(dialog), 40);

    EXPECT_FALSE(ProgressReporter::isCancelled(&reporter));
    pressButton(dialog, IDCANCEL);
    for (int i = 0; i < 100 && !ProgressReporter::isCancelled(&reporter); ++i) Sleep(20);
    EXPECT_TRUE(ProgressReporter::isCancelled(&reporter));
    Sleep(600);  // a full display cycle: the dialog must still be there
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(ProgressReporter::isCancelled(&reporter));

    DWORD start = GetTickCount();
    EXPECT_TRUE(ProgressReporter::end(&reporter));
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(ProgressReporter::isCancelled(&reporter));
}

TEST(ProgressReporterTest, ClosingTheDialogAlsoCancels) {
    ProgressReporter reporter;
    ProgressReporter::begin(&reporter, GetModuleHandleA(nullptr), nullptr, "Closing test");
    HWND dialog = waitForCaption("Closing test (0%)");
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && !ProgressReporter::isCancelled(&reporter); ++i) Sleep(20);
    EXPECT_TRUE(ProgressReporter::isCancelled(&reporter));
    EXPECT_TRUE(ProgressReporter::end(&reporter));
}

TEST(ProgressReporterTest, ReporterCanBeBegunAgainForTheNextLink) {
    ProgressReporter reporter;
    for (int round = 0; round < 2; ++round) {
        ProgressReporter::begin(&reporter, GetModuleHandleA(nullptr), nullptr, "Again");
        ASSERT_NE(waitForCaption("Again (0%)"), nullptr) << round;
        EXPECT_TRUE(ProgressReporter::end(&reporter));
        EXPECT_EQ(findDialog("Again (0%)"), nullptr);
    }
}

// Runs `body` with standard output going into a pipe and returns what was written.
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
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(readEnd);
    return text;
}

TEST(ProgressReporterTest, ConsoleModeRedrawsOneLineAndEndsWithTwoLineBreaks) {
    ProgressReporter reporter;
    reporter.consoleMode = true;
    std::string out = captureStandardOutput([&] {
        ProgressReporter::begin(&reporter, GetModuleHandleA(nullptr), nullptr, "Generating SHIM AVI");
        Sleep(100);
        ProgressReporter::setPercent(42, &reporter);
        Sleep(700);  // at least one full drawing cycle
        EXPECT_TRUE(ProgressReporter::end(&reporter));
    });
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.rfind("Progress: 000% | [0%]\r", 0), 0u);
    EXPECT_NE(out.find("Progress: 042% | [0%--25%--]\r"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 2), "\n\n");
    // The last drawing shows 42, or 100 when the stop was seen after a half-cycle.
    std::string last = out.substr(0, out.size() - 2);
    last = last.substr(last.rfind("Progress:"));
    EXPECT_TRUE(last == progressLine(42) || last == progressLine(100)) << last;
    EXPECT_EQ(out.find('\n'), out.size() - 2);
}

}  // namespace
