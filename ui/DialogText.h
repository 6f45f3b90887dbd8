#pragma once
#include <windows.h>

#include <string>

// Texts of dialog controls, which hold UTF-16: paths and messages name files
// in any script, so they are set and read wide and kept as UTF-8 in between.
void setDialogText(HWND dialog, int control, const char* utf8);
std::wstring dialogText(HWND dialog, int control);
