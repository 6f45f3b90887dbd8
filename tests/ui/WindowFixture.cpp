#include "tests/ui/WindowFixture.h"

#include <shlobj.h>

#include <cstring>

#include "app/CpuFeatures.h"
#include "common/Paths.h"
#include "tests/support/TestEnvironment.h"
#include "ui/MainWindow.h"

std::string uiMediaPath(const std::string& name) {
    return joinPath(joinPath(mediaFolder(), "ui"), name);
}

UserSettings defaultSettings() {
    UserSettings defaults{};
    applyDefaultSettings(defaults, queryCpuFeatures());
    return defaults;
}

void WindowFixture::SetUp() { settings = defaultSettings(); }

void WindowFixture::openWindow() {
    app = std::make_unique<Application>("", GetModuleHandleA(nullptr), SW_SHOWNORMAL, settings);
    ASSERT_TRUE(createMainWindow(*app));
    pumpMessages();
}

void WindowFixture::TearDown() {
    if (app != nullptr && app->mainWindow != nullptr) DestroyWindow(app->mainWindow);
    pumpMessages();
    // The quit message the window leaves behind must not end a later test's loop.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
    app.reset();
}

void WindowFixture::pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT) return;
        PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void WindowFixture::menuCommand(UINT command) {
    SendMessageA(app->mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void WindowFixture::clickLinkButton(int id) {
    SendMessageA(app->linkDialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app->linkDialog, id)));
}

std::string WindowFixture::linkField(int id) const {
    wchar_t text[1024] = {};
    GetDlgItemTextW(app->linkDialog, id, text, 1024);
    return paths::utf8(text);
}

void WindowFixture::setLinkField(int id, const std::string& text) {
    SetDlgItemTextW(app->linkDialog, id, paths::wide(text).c_str());
}

UINT WindowFixture::menuCheck(UINT command) const {
    return GetMenuState(app->menu, command, MF_BYCOMMAND) & MF_CHECKED;
}

void WindowFixture::dropFiles(HWND target, const std::vector<std::string>& files) {
    std::wstring names;  // each with its NUL, then the NUL that ends the list
    for (const std::string& file : files) names += paths::wide(file) + L'\0';
    names += L'\0';
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    *header = DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::memcpy(header + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
}
