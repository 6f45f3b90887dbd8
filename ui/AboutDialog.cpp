#include "ui/AboutDialog.h"

#include <windows.h>
#include <shellapi.h>

#include "ui/resource.h"

void showAboutDialog(HINSTANCE instance, HWND owner) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutDialogProcedure, 0);
}

INT_PTR CALLBACK aboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, "AVI shim Quorl v1.002");
            return FALSE;
        case WM_CLOSE:
            return TRUE;  // the close box is not a way out; OK is
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: EndDialog(dialog, 0); return TRUE;
                case IDC_ABOUT_HOMEPAGE:
                    ShellExecuteA(nullptr, nullptr, kHomePageAddress, nullptr, nullptr, SW_SHOW);
                    return TRUE;
                default: return FALSE;
            }
        default:
            return FALSE;
    }
}
