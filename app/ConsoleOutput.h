#pragma once
#include <windows.h>

// Writes bytes to standard output unchanged. A console gets WriteConsoleA; a
// file or pipe (output redirected) gets the same bytes through WriteFile.
void writeStandardOutput(const char* text, int length);
