#include "app/LinkLoop.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/ConsoleBoxes.h"
#include "app/ConsoleCancel.h"
#include "app/CommandLine.h"
#include "app/CpuFeatures.h"
#include "app/RegistryStore.h"
#include "app/SettingsLoader.h"
#include "app/VersionChecks.h"
#include "link/LinkWriter.h"
#include "link/OutputFormats.h"
#include "link/SameFile.h"
#include "source/AviPlatform.h"
#include "ui/SourceInfo.h"
#include "common/MessageBoxes.h"
#include "common/Paths.h"

namespace {

// The settings record and its store exist for the whole process.
UserSettings gUserSettings;
RegistryStore gRegistryStore;

constexpr char kSourceNotOpenedText[] = "Source : %s could not be opened\n";
constexpr char kLinkCreatedText[] = "Link created!\n";
constexpr char kLinkFailedText[] = "Unable to create file";
constexpr char kLinkCancelledText[] = "Link cancelled: the output file was left as it was.\n";
constexpr char kSameFileCaption[] = "AVI2ORV";
constexpr char kSizeQuestionText[] =
    "Width or Height are not an multiple of 16\nSome conversions may fail\nDo you can continue ?";
constexpr char kSizeQuestionCaption[] = "Conversion error";
constexpr char kOverwriteQuestionText[] = "File already exits\nOverwrite ??";
constexpr char kOverwriteQuestionCaption[] = "Write error";
constexpr char kNotALinkText[] =
    "The output file\n%s\nis not a link file, so it is kept as it is: the command line "
    "replaces only links.\nChoose another output name, or move or delete that file first.";
constexpr char kRawAudioTitle[] = "Generating SHIM AVI with RAW audio";
constexpr char kLinkedAudioTitle[] = "Generating SHIM AVI";

// The command line asks no question before overwriting, so that scripts can
// make their links again; whatever else stands at the output is the user's
// data and is never replaced. A file that cannot be looked at counts as data.
bool replaceableWithoutQuestion(const char* output) {
    if (GetFileAttributesW(paths::wide(output).c_str()) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    }
    return avi::isLinkFile(output);
}

struct SourceCloser {
    void operator()(SourceReader* source) const {
        source->close(true, true);
        delete source;
    }
};
using OpenedSource = std::unique_ptr<SourceReader, SourceCloser>;

enum class CycleResult { linkCreated, linkFailed, linkSkipped, linkCancelled, sourceNotOpened };

// The pause that keeps a console's last lines readable; a script (-q) has
// no one to read them and should not wait.
void finalPause(bool quiet) {
    if (!quiet) Sleep(kFinalPauseMs);
}

class LinkLoop {
public:
    LinkLoop(Application& app, LinkWriter& writer, bool quiet)
        : app_(app), writer_(writer), quiet_(quiet) {}

    // Runs cycles until the user or command-line mode ends the loop.
    int run() {
        CycleResult last = CycleResult::sourceNotOpened;
        for (;;) {
            SourceReader* preview = app_.run(openSource);
            if (!app_.commandLineMode) saveSettings(gRegistryStore, app_.settings);
            if (app_.stopRequested) return exitPath(kExitBadArguments);
            if (preview != nullptr) preview->close(true, true);

            last = linkOnce();
            if (app_.commandLineMode) {
                app_.stopRequested = true;
                finalPause(quiet_);
                return resultOf(last);
            }
            if (app_.stopRequested) return exitPath(kExitSuccess);
        }
    }

private:
    CycleResult linkOnce() {
        UserSettings& settings = app_.settings;
        OpenedSource source(openSource(settings.forcedFormat, settings.sourcePath));
        showSourceInfo(app_, source.get());
        if (!source) return notOpened();
        if ((source->width % 16 != 0 || source->height % 16 != 0) &&
            isSet(settings.conversionEnabled)) {
            if (showBox(kSizeQuestionText, kSizeQuestionCaption, MB_OKCANCEL) ==
                IDCANCEL) {
                source.reset();
                return notOpened();
            }
        }
        // Decided before the overwrite question and before anything is opened
        // for writing: the answer "overwrite" would destroy the source.
        if (outputNamesSource(settings.outputPath, settings.sourcePath)) {
            showBox(sameFileText(settings.outputPath, settings.sourcePath).c_str(),
                    kSameFileCaption, MB_OK);
            app_.showMessage(kLinkFailedText);
            return CycleResult::linkFailed;
        }
        if (app_.commandLineMode && !replaceableWithoutQuestion(settings.outputPath)) {
            std::string text(sizeof kNotALinkText + std::strlen(settings.outputPath), '\0');
            text.resize(std::snprintf(text.data(), text.size(), kNotALinkText, settings.outputPath));
            showBox(text.c_str(), kOverwriteQuestionCaption, MB_OK);
            app_.showMessage(kLinkFailedText);
            return CycleResult::linkFailed;
        }
        if (!overwriteConfirmed()) return CycleResult::linkSkipped;

        int32_t audioMode = isSet(settings.rawAudio) ? kAudioModeRaw : kAudioModeLinked;
        AllowedOutputs allowed = selectOutputFormats(source->videoFormat, settings.conversionEnabled,
                                                     settings.conversionMatrix);
        ProgressReporter& progress = app_.progress;
        if (app_.commandLineMode) progress.consoleMode = true;
        // Ctrl-C or Ctrl-Break on the console cancels like the dialog's
        // button; installed before the progress line tells anyone to press it.
        progress.cancelled = false;
        ConsoleCancel consoleCancel(app_.commandLineMode ? &progress.cancelled : nullptr);
        ProgressReporter::begin(&progress, app_.instance, app_.mainWindow,
                                isSet(settings.rawAudio) ? kRawAudioTitle : kLinkedAudioTitle);
        bool created = writer_.createLink(
            settings.outputPath, settings.sourcePath, 1, source->width, source->height,
            static_cast<int32_t>(source->fpsNumerator), static_cast<int32_t>(source->fpsDenominator),
            source->nrFrames, source->videoFormat, source->audioSamplesPerSecond,
            source->nrChannels, source->bitsPerSample, source->numAudioSamples, allowed.rgb32,
            allowed.rgb24, allowed.yuy2, allowed.yv12, audioMode, source->callbacks,
            progress.hooks);
        // end() clears the request; it is read first.
        const bool cancelled = !created && progress.cancelled;
        ProgressReporter::end(&progress);
        if (created) {
            app_.showMessage(kLinkCreatedText);
            return CycleResult::linkCreated;
        }
        // A script must tell a cancel from a failure; in window mode the
        // user pressed the button and the cycle ends as after a failure.
        if (cancelled && app_.commandLineMode) {
            app_.showMessage("%s", kLinkCancelledText);
            return CycleResult::linkCancelled;
        }
        app_.showMessage(kLinkFailedText);
        return CycleResult::linkFailed;
    }

    // True when the link may go ahead: no file there, or the user agreed.
    bool overwriteConfirmed() {
        const UserSettings& settings = app_.settings;
        FILE* existing = _wfopen(paths::wide(settings.outputPath).c_str(), L"r");
        if (existing == nullptr) return true;
        bool confirmed = true;
        if (app_.askOverwrite && isSet(settings.overwriteCheck)) {
            confirmed = showBox(kOverwriteQuestionText, kOverwriteQuestionCaption,
                                    MB_OKCANCEL) != IDCANCEL;
        }
        std::fclose(existing);
        return confirmed;
    }

    CycleResult notOpened() {
        app_.showMessage(kSourceNotOpenedText, app_.settings.sourcePath);
        return CycleResult::sourceNotOpened;
    }

    int exitPath(int commandLineResult) {
        if (!app_.commandLineMode) return kExitSuccess;
        finalPause(quiet_);
        return commandLineResult;
    }

    static int resultOf(CycleResult result) {
        switch (result) {
            case CycleResult::linkCreated: return kExitSuccess;
            case CycleResult::linkFailed: return kExitLinkFailed;
            case CycleResult::linkSkipped: return kExitLinkSkipped;
            case CycleResult::linkCancelled: return kExitLinkCancelled;
            case CycleResult::sourceNotOpened: return kExitSourceNotOpened;
        }
        return kExitLinkFailed;
    }

    Application& app_;
    LinkWriter& writer_;
    bool quiet_;
};

}  // namespace

int runQuorl(HINSTANCE instance, const char* commandLine, int showCommand) {
    Application app(commandLine, instance, showCommand, gUserSettings);
    LinkWriter writer;
    bool commandLineMode = app.commandLineMode;
    const bool quiet = commandLineMode && quietSwitchGiven(commandLine);
    // Installed first: start-up checks show boxes too, and a script must see them.
    if (commandLineMode) installConsoleBoxes(quiet);

    if (!ownVersionMatches(instance)) {
        showBox(kVersionMismatchText, kVersionMismatchCaption, MB_ICONERROR);
        return commandLineMode ? kExitStartupFailed : kExitSuccess;
    }
    loadSettingsAtStartup(gRegistryStore, gUserSettings, queryCpuFeatures());
    // Without its window, window mode would wait for messages nobody can send.
    if (!app.createUserInterface()) return kExitSuccess;
    if (!codecVersionAccepted()) {
        app.stopRequested = true;
        showBox(kCodecConflictText, kCodecConflictCaption, MB_OK);
    }
    LinkLoop loop(app, writer, quiet);
    if (app.stopRequested) {
        if (commandLineMode) finalPause(quiet);
        return commandLineMode ? kExitStartupFailed : kExitSuccess;
    }
    return loop.run();
}
