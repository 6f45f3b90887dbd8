#include "ui/MessageDialog.h"

#include "ui/DialogText.h"
#include "ui/resource.h"

void showMessageDialog(HINSTANCE instance, HWND owner, const char* text) {
    MessageDialogParameters parameters{};
    lstrcpynA(parameters.text, text, sizeof parameters.text);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MESSAGE), owner, messageDialogProcedure,
                    reinterpret_cast<LPARAM>(&parameters));
}

INT_PTR CALLBACK messageDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* parameters = reinterpret_cast<const MessageDialogParameters*>(lParam);
            RECT rect;
            GetWindowRect(dialog, &rect);
            SetWindowPos(dialog, nullptr, 0, 0, rect.right - rect.left + parameters->extraWidth,
                         rect.bottom - rect.top + parameters->extraHeight,
                         SWP_NOMOVE | SWP_NOZORDER);
            setDialogText(dialog, IDC_MESSAGE_TEXT, parameters->text);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
