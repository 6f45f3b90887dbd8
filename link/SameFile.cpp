#include "link/SameFile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/Paths.h"
#include "link/LinkMessages.h"

namespace {

// The volume and file index of an existing file; they stay the same for
// every path that reaches it.
bool fileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* identity) {
    HANDLE file = CreateFileW(paths::wide(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(file, identity) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool outputNamesSource(const char* output, const char* source) {
    if (output == nullptr || source == nullptr || output[0] == '\0' || source[0] == '\0')
        return false;
    const std::optional<std::wstring> fullOutput = paths::fullPath(paths::wide(output));
    const std::optional<std::wstring> fullSource = paths::fullPath(paths::wide(source));
    if (fullOutput && fullSource &&
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, fullOutput->c_str(), -1,
                       fullSource->c_str(), -1) == CSTR_EQUAL)
        return true;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    if (!fileIdentity(output, &a) || !fileIdentity(source, &b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

std::string sameFileText(const char* output, const char* source) {
    std::string text(std::strlen(linkText::kSameFileText) + std::strlen(output) + std::strlen(source),
                     '\0');
    int length = std::snprintf(text.data(), text.size(), linkText::kSameFileText, output, source);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}
