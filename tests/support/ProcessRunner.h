#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string output;               // everything written to standard output
    double secondsToExit = 0;         // from start to exit
    double secondsAfterLastOutput = 0;  // from the last output byte to exit
};

// Runs a command line (UTF-8) with standard output captured through a pipe and waits
// for it (killing it after `timeoutMs`). `whileRunning`, when given, sees the
// output so far every few milliseconds, so a test can act on the child's
// progress (send it a console event, say).
ProcessResult runProcess(const std::string& commandLine, DWORD timeoutMs = 60000,
                         const std::string& workingDirectory = "",
                         const std::function<void(const std::string& output)>& whileRunning = {});
