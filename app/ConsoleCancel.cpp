#include "app/ConsoleCancel.h"

#include <windows.h>

namespace {

// The handler runs on a thread the system creates for the event.
std::atomic<std::atomic<bool>*> gCancelFlag{nullptr};

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    std::atomic<bool>* flag = gCancelFlag.load();
    if (flag == nullptr) return FALSE;
    *flag = true;
    return TRUE;
}

}  // namespace

ConsoleCancel::ConsoleCancel(std::atomic<bool>* flag) {
    if (flag == nullptr) return;
    gCancelFlag = flag;
    // A process started with Ctrl-C ignored (CREATE_NEW_PROCESS_GROUP) would
    // otherwise never see it; Ctrl-Break always arrives.
    SetConsoleCtrlHandler(nullptr, FALSE);
    installed_ = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

ConsoleCancel::~ConsoleCancel() {
    if (!installed_) return;
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    gCancelFlag = nullptr;
}
