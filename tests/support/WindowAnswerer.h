#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Plays the person in front of the screen: a thread that watches for dialog
// windows (class #32770, any process on this desktop) with a given caption,
// reads their text and presses a button, as often as such a window appears.
class WindowAnswerer {
public:
    WindowAnswerer(std::string caption, int buttonId);
    ~WindowAnswerer();
    WindowAnswerer(const WindowAnswerer&) = delete;
    WindowAnswerer& operator=(const WindowAnswerer&) = delete;

    // Waits until `count` windows have been answered; false on timeout.
    bool waitForAnswers(size_t count, DWORD timeoutMs = 15000) const;
    std::vector<std::string> texts() const;
    size_t answered() const;
    void stop();

private:
    void watch();

    std::string caption_;
    int buttonId_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

// The static texts of a dialog, joined with '\n' (icons have none).
std::string dialogText(HWND dialog);
// The text of one window (works across processes).
std::string windowText(HWND window);
// Finds a visible or hidden top-level dialog window by caption; null if none.
HWND findDialog(const char* caption);
// Waits for such a dialog to be shown; null on timeout.
HWND waitForDialog(const char* caption, DWORD timeoutMs = 15000);
// Presses a button of a dialog as a click would (WM_COMMAND with BN_CLICKED).
void pressButton(HWND dialog, int buttonId);
