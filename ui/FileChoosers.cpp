#include "ui/FileChoosers.h"

#include <windows.h>
#include <commdlg.h>

#include "app/Application.h"
#include "ui/LinkName.h"
#include "ui/SourceInfo.h"
#include "ui/resource.h"

namespace {

// Pairs of description and pattern, ended by an empty pair.
constexpr char kSourceFilter[] =
    "Media types\0*.avs;*.vdr;*.AVI\0"
    "AVISynth (*.avs)\0*.avs\0"
    "Virtualdubb (*.vdr)\0*.vdr\0"
    "AVI files (*.AVI)\0*.AVI\0"
    "All files\0*.*\0";
constexpr char kOutputFilter[] = "AVI files (*.AVI)\0*.AVI\0";

OPENFILENAMEA fileDialogRecord(HWND owner, char* path, const char* filter, DWORD flags) {
    OPENFILENAMEA record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.lpstrFilter = filter;
    record.nFilterIndex = 1;
    record.lpstrFile = path;
    record.nMaxFile = kPathCapacity;
    record.Flags = flags;
    record.lpstrDefExt = "AVI";
    return record;
}

void previewChosenSource(Application& app) {
    app.replacePreview(app.openFunction(app.settings.forcedFormat, app.settings.sourcePath));
    showSourceInfo(app, app.previewSource);
    if (app.previewSource != nullptr) {
        app.previewSource->close(true, true);
    } else {
        app.showMessage("%s", kPreviewFailedText);
    }
}

}  // namespace

void chooseSource(Application& app) {
    UserSettings& settings = app.settings;
    GetDlgItemTextA(app.linkDialog, IDC_LINK_INPUT, settings.sourcePath, kPathCapacity);
    OPENFILENAMEA record =
        fileDialogRecord(app.linkDialog, settings.sourcePath, kSourceFilter, OFN_FILEMUSTEXIST);
    GetOpenFileNameA(&record);
    settings.sourcePath[kPathCapacity - 1] = '\0';

    SetDlgItemTextA(app.linkDialog, IDC_LINK_INPUT, settings.sourcePath);
    proposeLinkName(settings.sourcePath, settings.outputPath);
    SetDlgItemTextA(app.linkDialog, IDC_LINK_OUTPUT, settings.outputPath);
    if (app.openFunction != nullptr) previewChosenSource(app);
}

void chooseOutput(Application& app) {
    UserSettings& settings = app.settings;
    GetDlgItemTextA(app.linkDialog, IDC_LINK_OUTPUT, settings.outputPath, kPathCapacity);
    OPENFILENAMEA record =
        fileDialogRecord(app.linkDialog, settings.outputPath, kOutputFilter, OFN_OVERWRITEPROMPT);
    if (!GetSaveFileNameA(&record)) return;
    settings.outputPath[kPathCapacity - 1] = '\0';
    SetDlgItemTextA(app.linkDialog, IDC_LINK_OUTPUT, settings.outputPath);
    app.askOverwrite = false;
}
