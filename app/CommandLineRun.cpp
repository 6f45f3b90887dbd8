#include "app/CommandLineRun.h"

#include <windows.h>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "common/Paths.h"

void setUpConsole() {
    // A program started with its output redirected would otherwise lose the
    // report to the new, unseen console that AllocConsole makes current.
    HANDLE redirected = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    bool keepRedirection = redirected != nullptr && redirected != INVALID_HANDLE_VALUE &&
                           !GetConsoleMode(redirected, &mode);
    if (AllocConsole()) {
        COORD size{80, 50};
        SetConsoleScreenBufferSize(GetStdHandle(STD_OUTPUT_HANDLE), size);
        if (keepRedirection) SetStdHandle(STD_OUTPUT_HANDLE, redirected);
    }
}

namespace {

// A name whose UTF-8 outgrows the record (a long path in a script of many
// bytes per character) is kept by its short form, as the window's fields do.
bool fitLongPath(const char* path, char* field, size_t capacity) {
    return paths::toUtf8Field(paths::wide(path), field, capacity);
}

}  // namespace

void runCommandLine(Application& app) {
    switch (applyCommandLine(app.commandLine, app.settings, fitLongPath)) {
        case CommandLineOutcome::ok: break;
        case CommandLineOutcome::pathTooLong:
            app.showMessage("%s", kCommandLinePathTooLongText);
            app.stopRequested = true;
            return;
        case CommandLineOutcome::tooManyArguments:
            app.showMessage("%s", kTooManyArgumentsText);
            app.stopRequested = true;
            return;
    }
    for (const std::string& line : commandLineReport(app.settings)) app.showMessage("%s", line.c_str());
    app.askOverwrite = false;
}
