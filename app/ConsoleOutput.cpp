#include "app/ConsoleOutput.h"

void writeStandardOutput(const char* text, int length) {
    if (length <= 0) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (WriteConsoleA(out, text, static_cast<DWORD>(length), &written, nullptr)) return;
    WriteFile(out, text, static_cast<DWORD>(length), &written, nullptr);
}
