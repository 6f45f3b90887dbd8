#pragma once
#include <atomic>
#include <cstdint>

#include "link/ProgressHooks.h"

// Shows how far a link has got, on a thread of its own, so that the link writer
// can run on the main thread without pumping messages: a progress dialog in
// window mode, one redrawn console line in command-line mode.
class ProgressReporter {
public:
    ProgressReporter();
    ~ProgressReporter();
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    // The callback-record functions; `context` is the reporter.
    static int32_t begin(void* context, void* instance, void* ownerWindow, const char* title);
    static bool end(void* context);
    static void setPercent(int32_t percent, void* context);
    static bool isCancelled(void* context);

    std::atomic<bool> cancelled{false};
    std::atomic<bool> active{false};
    std::atomic<bool> stopDisplay{false};
    std::atomic<bool> finished{false};
    char title[255];
    ProgressHooks hooks;
    std::atomic<void*> dialog{nullptr};
    int32_t ownerRect[4];
    int32_t dialogRect[4];
    void* owner = nullptr;
    std::atomic<int32_t> percent{0};
    void* instance = nullptr;
    bool consoleMode = false;
    void* wake = nullptr;  // event that cuts the display's sleep short at end()
};
