#include "ui/ProgressReporter.h"

#include <windows.h>
#include <commctrl.h>

#include <process.h>

#include <cstring>

#include "app/ConsoleOutput.h"
#include "ui/ProgressLine.h"
#include "ui/resource.h"

namespace {

constexpr DWORD kHalfCycleMs = 250;
// end() waits about 5 s at most, looking often: the display ends as soon as
// it is woken, and the time a link takes includes this wait.
constexpr ULONGLONG kEndWaitMs = 5000;

// Only one progress dialog exists at a time; its procedure reaches the
// reporter through this pointer, set when the dialog initialises.
std::atomic<ProgressReporter*> currentReporter{nullptr};

ProgressReporter& reporterOf(void* context) { return *static_cast<ProgressReporter*>(context); }

// The display's half-cycle sleep, cut short when end() asks it to stop.
void sleepHalfCycle(const ProgressReporter& reporter) {
    if (reporter.wake == nullptr || WaitForSingleObject(reporter.wake, kHalfCycleMs) == WAIT_FAILED)
        Sleep(kHalfCycleMs);
}

void beepTwice() {
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBeep(MB_ICONQUESTION);
}

void drawConsoleLine(const ProgressReporter& reporter) {
    std::string line = progressLine(reporter.percent);
    writeStandardOutput(line.c_str(), static_cast<int>(line.size()));
}

INT_PTR CALLBACK progressDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* reporter = reinterpret_cast<ProgressReporter*>(lParam);
            currentReporter = reporter;
            reporter->dialog = dialog;
            return TRUE;
        }
        case WM_CLOSE:
            if (ProgressReporter* reporter = currentReporter) reporter->cancelled = true;
            return TRUE;
        case WM_COMMAND:
            // Cancelling only raises the flag: the dialog stays until the link ends.
            if (LOWORD(wParam) == IDCANCEL) {
                if (ProgressReporter* reporter = currentReporter) reporter->cancelled = true;
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void updateDialog(ProgressReporter& reporter, HWND dialog) {
    int32_t percent = reporter.percent;
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    SetWindowTextA(dialog, progressCaption(reporter.title, percent).c_str());
}

void pumpDialogMessages(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void runDialogDisplay(ProgressReporter& reporter) {
    beepTwice();
    reporter.cancelled = false;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamA(static_cast<HINSTANCE>(reporter.instance),
                                     MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                     progressDialogProcedure, reinterpret_cast<LPARAM>(&reporter));
    if (dialog != nullptr) {
        RECT dialogRect{}, ownerRect{};
        GetWindowRect(dialog, &dialogRect);
        if (reporter.owner != nullptr) GetWindowRect(static_cast<HWND>(reporter.owner), &ownerRect);
        reporter.dialogRect[0] = dialogRect.left;
        reporter.dialogRect[1] = dialogRect.top;
        reporter.dialogRect[2] = dialogRect.right;
        reporter.dialogRect[3] = dialogRect.bottom;
        reporter.ownerRect[0] = ownerRect.left;
        reporter.ownerRect[1] = ownerRect.top;
        reporter.ownerRect[2] = ownerRect.right;
        reporter.ownerRect[3] = ownerRect.bottom;
        MoveWindow(dialog, ownerRect.left + 50, ownerRect.top + 50, dialogRect.right - dialogRect.left,
                   dialogRect.bottom - dialogRect.top, FALSE);
        SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
    }
    // A dialog that could not be made is not reported: the thread still polls
    // and ends normally when asked.
    for (;;) {
        if (dialog != nullptr) updateDialog(reporter, dialog);
        if (reporter.stopDisplay) break;
        sleepHalfCycle(reporter);
        pumpDialogMessages(dialog);
        if (reporter.stopDisplay) break;
        sleepHalfCycle(reporter);
    }
    if (dialog != nullptr) DestroyWindow(dialog);
    reporter.dialog = nullptr;
    currentReporter = nullptr;
    reporter.finished = true;
}

void runConsoleDisplay(ProgressReporter& reporter) {
    beepTwice();
    for (;;) {
        drawConsoleLine(reporter);
        if (reporter.stopDisplay) break;
        sleepHalfCycle(reporter);
        if (reporter.stopDisplay) {
            reporter.percent = 100;
            drawConsoleLine(reporter);
            break;
        }
        sleepHalfCycle(reporter);
    }
    writeStandardOutput("\n\n", 2);
    reporter.finished = true;
}

unsigned __stdcall consoleDisplayThread(void* context) {
    runConsoleDisplay(reporterOf(context));
    return 0;
}

unsigned __stdcall dialogDisplayThread(void* context) {
    runDialogDisplay(reporterOf(context));
    return 0;
}

}  // namespace

ProgressReporter::ProgressReporter() : title{}, hooks{}, ownerRect{}, dialogRect{} {
    std::strcpy(title, "Progress");
    hooks = ProgressHooks{this, &ProgressReporter::begin, &ProgressReporter::end,
                          &ProgressReporter::setPercent, &ProgressReporter::isCancelled};
}

ProgressReporter::~ProgressReporter() {
    // A display that did not end may still wait on the event: it is left open.
    if (end(this) && wake != nullptr) CloseHandle(wake);
}

int32_t ProgressReporter::begin(void* context, void* instance, void* ownerWindow,
                                const char* newTitle) {
    ProgressReporter& reporter = reporterOf(context);
    reporter.instance = instance;
    reporter.active = true;
    reporter.stopDisplay = false;
    reporter.finished = false;
    if (newTitle != nullptr) lstrcpynA(reporter.title, newTitle, sizeof reporter.title);
    if (!reporter.consoleMode) reporter.owner = ownerWindow;
    if (reporter.wake == nullptr) reporter.wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (reporter.wake != nullptr) ResetEvent(reporter.wake);
    // The thread owns everything it shows and sets `finished` as its very
    // last act, so it is never joined: end() only waits for that flag.
    uintptr_t thread = _beginthreadex(nullptr, 0,
                                      reporter.consoleMode ? consoleDisplayThread : dialogDisplayThread,
                                      &reporter, 0, nullptr);
    if (thread == 0) {
        reporter.finished = true;
        return -1;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return static_cast<int32_t>(thread);
}

bool ProgressReporter::end(void* context) {
    ProgressReporter& reporter = reporterOf(context);
    if (reporter.active) {
        reporter.stopDisplay = true;
        if (reporter.wake != nullptr) SetEvent(reporter.wake);
        const ULONGLONG deadline = GetTickCount64() + kEndWaitMs;
        while (!reporter.finished && GetTickCount64() < deadline) Sleep(1);
    }
    reporter.cancelled = false;
    return reporter.finished || !reporter.active;
}

void ProgressReporter::setPercent(int32_t value, void* context) { reporterOf(context).percent = value; }

bool ProgressReporter::isCancelled(void* context) { return reporterOf(context).cancelled; }
