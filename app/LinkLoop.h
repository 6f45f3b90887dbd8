#pragma once
#include <windows.h>

// Process results. Window mode always ends with kExitSuccess; command-line mode
// tells scripts whether the link was made.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitSourceNotOpened = 1,
    kExitLinkFailed = 2,
    kExitStartupFailed = 3,
    kExitBadArguments = 4,
    kExitLinkSkipped = 5,
    kExitLinkCancelled = 6,
};

// Start-up, the link loop and shutdown; returns the process result.
int runQuorl(HINSTANCE instance, const char* commandLine, int showCommand);

// How long command-line mode keeps its console output readable before ending.
inline constexpr DWORD kFinalPauseMs = 5000;
