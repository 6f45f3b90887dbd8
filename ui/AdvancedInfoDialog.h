#pragma once
#include <windows.h>

class Application;

// The "Advanced AVI file information" dialog for the source at `path`: raw
// stream values, both audio formats and the output formats the source can
// deliver. Returns when the user has closed the dialog (or the program is
// quitting); the main window takes no input meanwhile.
void showAdvancedInfo(Application& app, const char* path);

INT_PTR CALLBACK advancedInfoProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
