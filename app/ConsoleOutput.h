#pragma once
#include <windows.h>

// Writes UTF-8 text to standard output. A console gets it as UTF-16 through
// WriteConsoleW; a file or pipe (output redirected) gets the UTF-8 bytes
// unchanged through WriteFile.
void writeStandardOutput(const char* text, int length);
