#include "ui/FileDrop.h"

#include <cstring>
#include <string>

#include "app/Application.h"
#include "common/Paths.h"
#include "ui/FileChoosers.h"

namespace {

std::wstring droppedName(HDROP drop, UINT index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) return {};
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, index, name.data(), length + 1);
    name.resize(copied <= length ? copied : length);
    return name;
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void takeDroppedFiles(Application& app, HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    const std::wstring first = count > 0 ? droppedName(drop, 0) : std::wstring();
    // All that is used has been read: released here, no way out below leaks it.
    DragFinish(drop);
    if (first.empty()) return;
    if (isFolder(first)) {
        app.showMessage("%s", kFolderDroppedText);
        return;
    }
    // The fields keep what they held rather than a path cut short or emptied.
    char field[kPathCapacity] = {};  // the record is saved byte for byte, past the NUL too
    if (!paths::toUtf8Field(first, field, kPathCapacity)) {
        app.showMessage("%s", kDroppedPathTooLongText);
        return;
    }
    if (count > 1) app.showMessage("%s", kSeveralFilesDroppedText);
    std::memcpy(app.settings.sourcePath, field, kPathCapacity);
    takeChosenSource(app);
}
