// The main window and its menu, driven as a person would through menu
// commands, with real common dialogs and boxes answered by a watcher thread.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "tests/support/WindowAnswerer.h"
#include "tests/ui/WindowFixture.h"
#include "ui/MainWindow.h"
#include "ui/resource.h"

namespace {

// Submenu "Forced video format" items by position: None, RGB24, RGB32, YUY2, YV12.
constexpr UINT kForcedCommands[] = {IDM_FORCE_NONE, IDM_FORCE_RGB24, IDM_FORCE_RGB32,
                                    IDM_FORCE_YUY2, IDM_FORCE_YV12};

class MainWindowTest : public WindowFixture {
protected:
    // The one checked position of the forced-format submenu, -1 for none,
    // -2 for more than one.
    int checkedForcedPosition() const {
        int found = -1;
        for (int position = 0; position < 5; ++position) {
            if (menuCheck(kForcedCommands[position]) == 0) continue;
            found = found == -1 ? position : -2;
        }
        return found;
    }
};

TEST_F(MainWindowTest, StoredFormatsAndTogglesShowOnTheMenuAtStart) {
    settings.forcedFormat = kFormatYUY2;
    settings.forceFormatSet = 1;
    settings.rawAudio = 0;
    settings.overwriteCheck = 1;
    openWindow();
    EXPECT_EQ(checkedForcedPosition(), 3);
    EXPECT_EQ(menuCheck(IDM_OPTIONS_RAW_AUDIO), 0u);
    EXPECT_EQ(menuCheck(IDM_OPTIONS_OVERWRITE_CHECK), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(linkField(IDC_LINK_INPUT), settings.sourcePath);
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), settings.outputPath);
}

TEST_F(MainWindowTest, UnknownStoredFormatBecomesNone) {
    settings.forcedFormat = 7;
    settings.forceFormatSet = 1;
    openWindow();
    EXPECT_EQ(checkedForcedPosition(), 0);
    EXPECT_EQ(settings.forcedFormat, 0);
    EXPECT_EQ(settings.forceFormatSet, 0);
}

TEST_F(MainWindowTest, ForcedFormatChoicesStoreTheirCodes) {
    openWindow();
    const int32_t codes[] = {0, 3, 4, 2, 1};
    for (int position = 4; position >= 0; --position) {
        menuCommand(kForcedCommands[position]);
        EXPECT_EQ(checkedForcedPosition(), position);
        EXPECT_EQ(settings.forcedFormat, codes[position]);
        EXPECT_EQ(settings.forceFormatSet, position == 0 ? 0 : 1);
    }
    EXPECT_FALSE(app->createRequested);
}

TEST_F(MainWindowTest, TogglesFollowTheCheckMarks) {
    settings.rawAudio = 1;
    openWindow();
    menuCommand(IDM_OPTIONS_RAW_AUDIO);
    EXPECT_EQ(settings.rawAudio, 0);
    EXPECT_EQ(menuCheck(IDM_OPTIONS_RAW_AUDIO), 0u);
    menuCommand(IDM_OPTIONS_RAW_AUDIO);
    EXPECT_EQ(settings.rawAudio, 1);
    EXPECT_EQ(menuCheck(IDM_OPTIONS_RAW_AUDIO), static_cast<UINT>(MF_CHECKED));

    // The mark, not the field, is what a toggle starts from.
    settings.overwriteCheck = 0;
    menuCommand(IDM_OPTIONS_OVERWRITE_CHECK);
    EXPECT_EQ(settings.overwriteCheck, 0);
    menuCommand(IDM_OPTIONS_OVERWRITE_CHECK);
    EXPECT_EQ(settings.overwriteCheck, 1);
}

TEST_F(MainWindowTest, CreateLinkAndSaveAsCancelledRequestALinkWithTheOldPath) {
    openWindow();
    menuCommand(IDM_FILE_CREATE_LINK);
    EXPECT_TRUE(app->createRequested);
    app->createRequested = false;

    const std::string oldOutput = settings.outputPath;
    WindowAnswerer person("Save As", IDCANCEL);
    menuCommand(IDM_FILE_SAVE_AS);
    EXPECT_EQ(person.answered(), 1u);
    EXPECT_TRUE(app->createRequested);
    EXPECT_EQ(std::string(settings.outputPath), oldOutput);
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), oldOutput);
    EXPECT_TRUE(app->askOverwrite);
}

TEST_F(MainWindowTest, ExitAndDestroyStopTheLoop) {
    openWindow();
    menuCommand(IDM_FILE_EXIT);
    EXPECT_TRUE(app->stopRequested);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    app->stopRequested = false;
    DestroyWindow(app->mainWindow);
    app->mainWindow = nullptr;
    EXPECT_TRUE(app->stopRequested);
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindowTest, WindowIsTheDialogFramedPlusTheMenuBar) {
    openWindow();
    RECT dialog = {}, window = {}, item = {};
    GetWindowRect(app->linkDialog, &dialog);
    GetWindowRect(app->mainWindow, &window);
    GetMenuItemRect(app->mainWindow, app->menu, 0, &item);
    AdjustWindowRect(&dialog, WS_CAPTION, FALSE);
    EXPECT_EQ(window.right - window.left, dialog.right - dialog.left);
    EXPECT_EQ(window.bottom - window.top,
              dialog.bottom - dialog.top + (item.bottom - item.top));
    EXPECT_TRUE(IsWindowVisible(app->linkDialog));
    const LONG style = GetWindowLongA(app->mainWindow, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
}

TEST_F(MainWindowTest, AboutClosesOnlyWithOk) {
    openWindow();
    std::string version;
    bool survivedClose = false;
    std::thread person([&] {
        HWND about = waitForDialog("About");
        if (about == nullptr) return;
        version = windowText(GetDlgItem(about, IDC_ABOUT_VERSION));
        SendMessageA(about, WM_CLOSE, 0, 0);
        PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        Sleep(300);
        survivedClose = IsWindow(about) && IsWindowVisible(about);
        pressButton(about, IDOK);
    });
    menuCommand(IDM_ABOUT);
    person.join();
    EXPECT_EQ(version, "AVI shim Quorl v1.002");
    EXPECT_TRUE(survivedClose);
    EXPECT_EQ(findDialog("About"), nullptr);
}

TEST_F(MainWindowTest, ClosingTheLinkDialogEndsTheCycleWithoutALink) {
    openWindow();
    PostMessageA(app->linkDialog, WM_CLOSE, 0, 0);
    SourceReader* preview = app->run(nullptr);
    EXPECT_EQ(preview, nullptr);
    EXPECT_TRUE(app->quitRequested);
    EXPECT_TRUE(app->stopRequested);
    EXPECT_TRUE(app->dialogClosed);
    EXPECT_FALSE(app->createRequested);
    EXPECT_TRUE(IsWindow(app->linkDialog));
}

TEST_F(MainWindowTest, WrapEndsTheCycleWithTheTypedPaths) {
    openWindow();
    setLinkField(IDC_LINK_INPUT, "M:\\typed.avs");
    setLinkField(IDC_LINK_OUTPUT, "S:\\typed.AVI");
    PostMessageA(app->linkDialog, WM_COMMAND, MAKEWPARAM(IDC_LINK_WRAP, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app->linkDialog, IDC_LINK_WRAP)));
    app->run(nullptr);
    EXPECT_TRUE(app->createRequested);
    EXPECT_FALSE(app->stopRequested);
    EXPECT_STREQ(settings.sourcePath, "M:\\typed.avs");
    EXPECT_STREQ(settings.outputPath, "S:\\typed.AVI");
}

TEST(MainWindowClassTest, RefusedClassRegistrationShowsTheMessageAndMakesNoWindow) {
    // Someone else holds the class name: registering it again fails.
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = kMainWindowClass;
    ASSERT_NE(RegisterClassA(&taken), 0);

    UserSettings settings = defaultSettings();
    Application app("", GetModuleHandleA(nullptr), SW_SHOW, settings);
    WindowAnswerer person("Quorl", IDOK);
    EXPECT_FALSE(createMainWindow(app));
    ASSERT_TRUE(person.waitForAnswers(1));
    EXPECT_EQ(person.texts()[0], "This program requires Windows NT!");
    EXPECT_EQ(app.mainWindow, nullptr);
    UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
}

}  // namespace
