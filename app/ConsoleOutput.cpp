#include "app/ConsoleOutput.h"

#include <string>

#include "common/Paths.h"

void writeStandardOutput(const char* text, int length) {
    if (length <= 0) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    // A console shows every character its font has, whatever its code page.
    const std::wstring wide = paths::wide(std::string(text, static_cast<size_t>(length)));
    if (WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
    WriteFile(out, text, static_cast<DWORD>(length), &written, nullptr);
}
