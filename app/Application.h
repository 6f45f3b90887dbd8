#pragma once
#include <windows.h>

#include "app/UserSettings.h"
#include "source/SourceReader.h"
#include "ui/ProgressReporter.h"

// The longest line names two paths of up to 259 characters.
inline constexpr int kMessageCapacity = 1024;

// The program's one application object: window handles, the flags by which the
// user interface asks the link loop to act, and the message output.
class Application {
public:
    Application(const char* commandLine, HINSTANCE instance, int showCommand,
                UserSettings& settings);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Formats with the wsprintf rules (truncated to the 1023 characters the
    // buffer holds) and shows the text: on standard output in command-line
    // mode, in the modal message dialog in window mode.
    void showMessage(const char* format, ...);

    // Console set-up in command-line mode, main window and link dialog in
    // window mode. False when window mode could not create its window.
    bool createUserInterface();

    // One interaction cycle; returns the preview source (already closed) or null.
    SourceReader* run(OpenSourceFunction open);

    void readBackDialogFields();

    // Takes ownership of a freshly previewed source, discarding the previous one.
    void replacePreview(SourceReader* source);

    HWND mainWindow = nullptr;
    HWND linkDialog = nullptr;
    ProgressReporter progress;
    bool createRequested = false;
    bool quitRequested = false;
    OpenSourceFunction openFunction = nullptr;
    SourceReader* previewSource = nullptr;
    UserSettings& settings;
    bool stopRequested = false;
    bool dialogClosed = false;
    bool askOverwrite = true;
    char messageBuffer[kMessageCapacity] = {};
    HINSTANCE instance;
    bool commandLineMode;
    int showCommand;
    const char* commandLine;
    HMENU menu = nullptr;

private:
    SourceReader* runWindowCycle(OpenSourceFunction open);
    void previewSourcePath();
};

inline constexpr char kPreviewFailedText[] =
    "Unable to open file\nAre you forcing your AVI to unsupported format\n";
