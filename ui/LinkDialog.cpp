#include "ui/LinkDialog.h"

#include "app/Application.h"
#include "ui/DialogText.h"
#include "ui/FileChoosers.h"
#include "ui/FileDrop.h"
#include "ui/resource.h"

namespace {

// Set from the creation parameter; the dialog procedure has no other way in.
Application* g_application = nullptr;

}  // namespace

HWND createLinkDialog(Application& app, HWND parent) {
    // A Unicode dialog: its edit fields then hold any name a file can have.
    return CreateDialogParamW(app.instance, MAKEINTRESOURCEW(IDD_LINK), parent,
                              linkDialogProcedure, reinterpret_cast<LPARAM>(&app));
}

INT_PTR CALLBACK linkDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        g_application = reinterpret_cast<Application*>(lParam);
        g_application->linkDialog = dialog;
        setDialogText(dialog, IDC_LINK_INPUT, g_application->settings.sourcePath);
        setDialogText(dialog, IDC_LINK_OUTPUT, g_application->settings.outputPath);
        DragAcceptFiles(dialog, TRUE);
        return TRUE;
    }
    Application* app = g_application;
    if (app == nullptr) return FALSE;
    switch (message) {
        case WM_CLOSE:
            // The dialog stays; the flags end the program's loop.
            app->dialogClosed = true;
            app->stopRequested = true;
            app->quitRequested = true;
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_LINK_WRAP: app->createRequested = true; return TRUE;
                case IDC_LINK_BROWSE_INPUT: chooseSource(*app); return TRUE;
                case IDC_LINK_BROWSE_OUTPUT: chooseOutput(*app); return TRUE;
                default: return FALSE;
            }
        case WM_DROPFILES:
            takeDroppedFiles(*app, reinterpret_cast<HDROP>(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}
