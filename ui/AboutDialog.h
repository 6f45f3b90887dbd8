#pragma once
#include <windows.h>

inline constexpr char kHomePageAddress[] = "https://quorl.org/";

// The modal About box; only its OK button closes it.
void showAboutDialog(HINSTANCE instance, HWND owner);

INT_PTR CALLBACK aboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
