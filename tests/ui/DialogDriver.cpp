#include "tests/ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/WindowAnswerer.h"

bool waitUntilIdle(HWND dialog) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result) != 0;
}

void playDialog(const char* caption, const std::function<void()>& show,
                const std::function<int(HWND dialog)>& person) {
    bool found = false;
    std::thread user([&] {
        HWND dialog = waitForDialog(caption);
        if (dialog == nullptr || !waitUntilIdle(dialog)) return;
        found = true;
        const int button = person(dialog);
        if (button != 0) pressButton(dialog, button);
    });
    show();
    user.join();
    EXPECT_TRUE(found) << "no dialog \"" << caption << "\" appeared";
}

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

bool isEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::string fieldText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
