#include "link/SameFile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "link/LinkMessages.h"

namespace {

constexpr DWORD kFullPathCapacity = 1024;

bool fullPath(const char* path, char (&full)[kFullPathCapacity]) {
    DWORD length = GetFullPathNameA(path, kFullPathCapacity, full, nullptr);
    return length > 0 && length < kFullPathCapacity;
}

// The volume and file index of an existing file; they stay the same for
// every path that reaches it.
bool fileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* identity) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(file, identity) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool outputNamesSource(const char* output, const char* source) {
    if (output == nullptr || source == nullptr || output[0] == '\0' || source[0] == '\0')
        return false;
    char fullOutput[kFullPathCapacity], fullSource[kFullPathCapacity];
    if (fullPath(output, fullOutput) && fullPath(source, fullSource) &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fullOutput, -1, fullSource, -1) ==
            CSTR_EQUAL)
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
