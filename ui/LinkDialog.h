#pragma once
#include <windows.h>

class Application;

// Creates the modeless link dialog as a child of `parent` (not yet shown).
HWND createLinkDialog(Application& app, HWND parent);

INT_PTR CALLBACK linkDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
