#pragma once
#include <windows.h>

class Application;

inline constexpr char kMainWindowClass[] = "Quorl";
inline constexpr char kNeedsWindowsNtText[] = "This program requires Windows NT!";

// Creates the main window with its menu and the link dialog, sized to the
// dialog, and shows it; false when the window class could not be registered
// (the message has then been shown).
bool createMainWindow(Application& app);

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
