#pragma once
#include <windows.h>

// The small modal box that shows one message with an OK button.
struct MessageDialogParameters {
    char text[256];
    int extraWidth;
    int extraHeight;
};

// Shows `text` (cut to 255 characters) and returns when the user presses OK.
void showMessageDialog(HINSTANCE instance, HWND owner, const char* text);

INT_PTR CALLBACK messageDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
