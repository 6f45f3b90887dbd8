#include "app/Application.h"

#include <shlwapi.h>

#include <cstdarg>

#include "app/CommandLineRun.h"
#include "app/ConsoleOutput.h"
#include "common/Paths.h"
#include "ui/DialogText.h"
#include "ui/MainWindow.h"
#include "ui/MessageDialog.h"
#include "ui/SourceInfo.h"
#include "ui/resource.h"

Application::Application(const char* commandLineText, HINSTANCE programInstance,
                         int showWindowCommand, UserSettings& userSettings)
    : settings(userSettings),
      instance(programInstance),
      commandLineMode(commandLineText != nullptr && commandLineText[0] != '\0'),
      showCommand(showWindowCommand),
      commandLine(commandLineText != nullptr ? commandLineText : "") {}

Application::~Application() { replacePreview(nullptr); }

void Application::showMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    // The bounded variant of wvsprintfA: same rules, but a long text is cut at
    // the buffer's end instead of running past it.
    wvnsprintfA(messageBuffer, kMessageCapacity, format, args);
    va_end(args);
    messageBuffer[kMessageCapacity - 1] = '\0';
    if (commandLineMode) {
        writeStandardOutput(messageBuffer, lstrlenA(messageBuffer));
    } else {
        showMessageDialog(instance, mainWindow, messageBuffer);
    }
}

bool Application::createUserInterface() {
    if (commandLineMode) {
        setUpConsole();
        return true;
    }
    return createMainWindow(*this);
}

SourceReader* Application::run(OpenSourceFunction open) {
    if (commandLineMode) {
        openFunction = open;
        replacePreview(nullptr);
        runCommandLine(*this);
        return nullptr;
    }
    return runWindowCycle(open);
}

SourceReader* Application::runWindowCycle(OpenSourceFunction open) {
    openFunction = open;
    replacePreview(nullptr);
    createRequested = false;
    quitRequested = false;
    if (open != nullptr && settings.sourcePath[0] != '\0') previewSourcePath();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (createRequested || quitRequested) break;
    }
    if (!stopRequested) readBackDialogFields();
    return previewSource;
}

void Application::previewSourcePath() {
    replacePreview(openFunction(settings.forcedFormat, settings.sourcePath));
    showSourceInfo(*this, previewSource);
    if (previewSource == nullptr) {
        showMessage("%s", kPreviewFailedText);
    } else {
        previewSource->close(true, true);
    }
}

void Application::readBackDialogFields() {
    if (linkDialog == nullptr) return;
    // A path whose UTF-8 does not fit the record is kept by its short form;
    // one without a short form leaves the field empty rather than cut short,
    // naming another file.
    paths::toUtf8Field(dialogText(linkDialog, IDC_LINK_INPUT), settings.sourcePath, kPathCapacity);
    paths::toUtf8Field(dialogText(linkDialog, IDC_LINK_OUTPUT), settings.outputPath, kPathCapacity);
}

void Application::replacePreview(SourceReader* source) {
    if (previewSource == source) return;
    delete previewSource;
    previewSource = source;
}
