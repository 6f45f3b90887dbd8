#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/UserSettings.h"

// The real main window and link dialog of a window-mode application in this
// test process, made fresh for each test from `settings`.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the application and its window from the current `settings`.
    void openWindow();
    // Runs queued messages without blocking, as the message loop would.
    void pumpMessages();

    // A menu command as the menu sends it.
    void menuCommand(UINT command);
    // A click on a control of the link dialog.
    void clickLinkButton(int id);
    // UTF-8, read and written wide as a person types.
    std::string linkField(int id) const;
    void setLinkField(int id, const std::string& text);
    UINT menuCheck(UINT command) const;
    // Files dropped on `target` as Explorer drops them: a real HDROP with
    // the wide names, handled before this returns.
    void dropFiles(HWND target, const std::vector<std::string>& files);

    UserSettings settings{};
    std::unique_ptr<Application> app;
};

// A source made by tests/ui/make-media.sh (Windows path).
std::string uiMediaPath(const std::string& name);

// Default settings as the program writes them on its first run.
UserSettings defaultSettings();
