#pragma once
#include <atomic>

// While it lives, Ctrl-C and Ctrl-Break on the console set `flag` instead of
// ending the process, so the link writer stops at its next frame through
// its normal cancel path and the output is left as it was. A null flag
// installs nothing (window mode).
class ConsoleCancel {
public:
    explicit ConsoleCancel(std::atomic<bool>* flag);
    ~ConsoleCancel();
    ConsoleCancel(const ConsoleCancel&) = delete;
    ConsoleCancel& operator=(const ConsoleCancel&) = delete;

private:
    bool installed_ = false;
};
