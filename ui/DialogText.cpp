#include "ui/DialogText.h"

#include "common/Paths.h"

void setDialogText(HWND dialog, int control, const char* utf8) {
    SetDlgItemTextW(dialog, control, paths::wide(utf8).c_str());
}

std::wstring dialogText(HWND dialog, int control) {
    HWND item = GetDlgItem(dialog, control);
    if (item == nullptr) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    const int length = GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}
