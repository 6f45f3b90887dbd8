#include "ui/FileChoosers.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "app/Application.h"
#include "common/Paths.h"
#include "ui/DialogText.h"
#include "ui/LinkName.h"
#include "ui/SourceInfo.h"
#include "ui/resource.h"

namespace {

// Pairs of description and pattern, ended by an empty pair.
constexpr wchar_t kSourceFilter[] =
    L"Media types\0*.avs;*.vdr;*.AVI\0"
    L"AVISynth (*.avs)\0*.avs\0"
    L"Virtualdubb (*.vdr)\0*.vdr\0"
    L"AVI files (*.AVI)\0*.AVI\0"
    L"All files\0*.*\0";
constexpr wchar_t kOutputFilter[] = L"AVI files (*.AVI)\0*.AVI\0";

// The wide dialogs hand over any name a file can have; the buffer holds a
// path of MAX_PATH units, like the record's field does in plain ASCII.
struct FileDialog {
    FileDialog(HWND owner, const std::wstring& start, const wchar_t* filter, DWORD flags)
        : name(MAX_PATH, L'\0') {
        start.copy(name.data(), name.size() - 1);
        record.lStructSize = sizeof record;
        record.hwndOwner = owner;
        record.lpstrFilter = filter;
        record.nFilterIndex = 1;
        record.lpstrFile = name.data();
        record.nMaxFile = static_cast<DWORD>(name.size());
        record.Flags = flags;
        record.lpstrDefExt = L"AVI";
    }
    std::wstring chosen() const { return std::wstring(name.data()); }

    std::vector<wchar_t> name;
    OPENFILENAMEW record = {};
};

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
    const std::wstring typed = dialogText(app.linkDialog, IDC_LINK_INPUT);
    FileDialog dialog(app.linkDialog, typed, kSourceFilter, OFN_FILEMUSTEXIST);
    // Cancelled, the dialog leaves the typed text, which is then used. A
    // dialog that failed (a name too long for the buffer) may have left the
    // size it wanted there instead.
    const bool failed = !GetOpenFileNameW(&dialog.record) && CommDlgExtendedError() != 0;
    paths::toUtf8Field(failed ? typed : dialog.chosen(), app.settings.sourcePath, kPathCapacity);
    takeChosenSource(app);
}

void takeChosenSource(Application& app) {
    UserSettings& settings = app.settings;
    setDialogText(app.linkDialog, IDC_LINK_INPUT, settings.sourcePath);
    proposeLinkName(settings.sourcePath, settings.outputPath);
    setDialogText(app.linkDialog, IDC_LINK_OUTPUT, settings.outputPath);
    if (app.openFunction != nullptr) previewChosenSource(app);
}

void chooseOutput(Application& app) {
    UserSettings& settings = app.settings;
    FileDialog dialog(app.linkDialog, dialogText(app.linkDialog, IDC_LINK_OUTPUT), kOutputFilter,
                      OFN_OVERWRITEPROMPT);
    if (!GetSaveFileNameW(&dialog.record)) {
        // The record keeps what the field showed, as the A dialog's buffer did.
        paths::toUtf8Field(dialogText(app.linkDialog, IDC_LINK_OUTPUT), settings.outputPath,
                           kPathCapacity);
        return;
    }
    paths::toUtf8Field(dialog.chosen(), settings.outputPath, kPathCapacity);
    setDialogText(app.linkDialog, IDC_LINK_OUTPUT, settings.outputPath);
    app.askOverwrite = false;
}
