#include "tests/support/ProcessRunner.h"

#include <chrono>
#include <vector>

#include "common/Paths.h"

namespace {
using Clock = std::chrono::steady_clock;
double secondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}
}  // namespace

ProcessResult runProcess(const std::string& commandLine, DWORD timeoutMs,
                         const std::string& workingDirectory,
                         const std::function<void(const std::string& output)>& whileRunning) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    // UTF-8, handed over wide: a name in any script reaches the child whole.
    std::wstring mutableLine = paths::wide(commandLine);
    const std::wstring folder = paths::wide(workingDirectory);
    auto start = Clock::now();
    BOOL created = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!created) {
        CloseHandle(readEnd);
        return result;
    }
    result.started = true;

    // Polls instead of reading to the end of the pipe: a Wine helper that the
    // child starts (the desktop process) may inherit the pipe and keep it open
    // long after the child has gone.
    auto lastOutput = start;
    auto drain = [&] {
        DWORD available = 0;
        char buffer[4096];
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            DWORD got = 0;
            if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0) return;
            result.output.append(buffer, got);
            lastOutput = Clock::now();
        }
    };
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    while (WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
        drain();
        if (whileRunning) whileRunning(result.output);
        if (Clock::now() >= deadline) {
            result.timedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    drain();
    auto end = Clock::now();
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    result.secondsToExit = secondsBetween(start, end);
    result.secondsAfterLastOutput = secondsBetween(lastOutput, end);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return result;
}
