#include "ui/MainWindow.h"

#include "app/Application.h"
#include "ui/AdvancedInfoDialog.h"
#include "ui/ConversionMatrixDialog.h"
#include "ui/AboutDialog.h"
#include "ui/FileChoosers.h"
#include "ui/FileDrop.h"
#include "ui/ForcedFormatMenu.h"
#include "ui/LinkDialog.h"
#include "ui/resource.h"
#include "common/MessageBoxes.h"

namespace {

// The window procedure has no other way to reach the application.
Application* g_application = nullptr;

constexpr DWORD kMainWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void showCheck(HMENU menu, UINT command, bool checked) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// The check mark is the state of record: the settings field follows it.
void toggleFromCheckMark(HMENU menu, UINT command, uint8_t& field) {
    const bool nowSet = GetMenuState(menu, command, MF_BYCOMMAND) != MF_CHECKED;
    field = nowSet ? 1 : 0;
    showCheck(menu, command, nowSet);
}

void showMenuState(Application& app) {
    showForcedFormat(app, app.settings.forcedFormat);
    showCheck(app.menu, IDM_OPTIONS_RAW_AUDIO, isSet(app.settings.rawAudio));
    showCheck(app.menu, IDM_OPTIONS_OVERWRITE_CHECK, isSet(app.settings.overwriteCheck));
}

// Returns true when the command was handled and the window procedure returns 0.
bool onCommand(Application& app, HWND window, UINT command) {
    switch (command) {
        case IDM_FILE_OPEN: chooseSource(app); return true;
        case IDM_FILE_SAVE_AS:
            chooseOutput(app);
            app.createRequested = true;
            return true;
        case IDM_FILE_CREATE_LINK: app.createRequested = true; return true;
        case IDM_FILE_INFORMATION: showAdvancedInfo(app, app.settings.sourcePath); return true;
        case IDM_FILE_EXIT:
            app.stopRequested = true;
            PostQuitMessage(0);
            return true;
        case IDM_OPTIONS_RAW_AUDIO:
            toggleFromCheckMark(app.menu, command, app.settings.rawAudio);
            return false;
        case IDM_OPTIONS_OVERWRITE_CHECK:
            toggleFromCheckMark(app.menu, command, app.settings.overwriteCheck);
            return false;
        case IDM_OPTIONS_CONVERSION_MATRIX: showConversionMatrix(app, window); return false;
        case IDM_ABOUT: showAboutDialog(app.instance, window); return true;
        case IDM_FORCE_YV12: setForcedFormatMenu(app, 4); return true;
        case IDM_FORCE_YUY2: setForcedFormatMenu(app, 3); return true;
        case IDM_FORCE_RGB32: setForcedFormatMenu(app, 2); return true;
        case IDM_FORCE_RGB24: setForcedFormatMenu(app, 1); return true;
        case IDM_FORCE_NONE: setForcedFormatMenu(app, 0); return true;
        default: return false;
    }
}

bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUORL));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// The client area is exactly the dialog; the menu bar comes on top of it.
void fitWindowToDialog(HWND window, HWND dialog, HMENU menu) {
    RECT item = {};
    GetMenuItemRect(window, menu, 0, &item);
    const int menuHeight = item.bottom - item.top;
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    AdjustWindowRect(&frame, WS_CAPTION, FALSE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + menuHeight, SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace

bool createMainWindow(Application& app) {
    app.menu = LoadMenuA(app.instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    if (!registerWindowClass(app.instance)) {
        showBox(kNeedsWindowsNtText, "Quorl", MB_ICONERROR);
        return false;
    }
    g_application = &app;
    app.mainWindow = CreateWindowExA(0, kMainWindowClass, "Quorl", kMainWindowStyle,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     nullptr, app.menu, app.instance, nullptr);
    if (app.mainWindow == nullptr) return false;
    // A drop goes to the window under the cursor: the dialog takes those on
    // the client area, this window those on the caption and the menu bar.
    DragAcceptFiles(app.mainWindow, TRUE);
    HWND dialog = createLinkDialog(app, app.mainWindow);
    fitWindowToDialog(app.mainWindow, dialog, app.menu);
    ShowWindow(app.mainWindow, app.showCommand);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(app.mainWindow);
    return true;
}

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Application* app = g_application;
    if (app == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            showMenuState(*app);
            return 0;
        case WM_DESTROY:
            app->stopRequested = true;
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            if (onCommand(*app, window, LOWORD(wParam))) return 0;
            break;
        case WM_DROPFILES:
            takeDroppedFiles(*app, reinterpret_cast<HDROP>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
