#include "app/FileVersion.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

struct Translation {
    WORD language;
    WORD codePage;
};

constexpr UINT kSpecialBuildCapacity = sizeof(VersionInfo::specialBuild);

}  // namespace

bool queryFileVersion(const char* path, VersionInfo* info) {
    if (info == nullptr) return false;
    std::memset(info, 0, sizeof *info);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    char root[] = "\\";
    if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&fixed), &fixedLength) ||
        fixed == nullptr)
        return false;
    info->fileVersionMS = fixed->dwFileVersionMS;
    info->fileVersionLS = fixed->dwFileVersionLS;
    info->productVersionMS = fixed->dwProductVersionMS;
    info->productVersionLS = fixed->dwProductVersionLS;
    info->fileDateMS = fixed->dwFileDateMS;
    info->fileDateLS = fixed->dwFileDateLS;
    info->fileVersionNumber = versionNumber(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    info->productVersionNumber = versionNumber(fixed->dwProductVersionMS, fixed->dwProductVersionLS);

    Translation* translations = nullptr;
    UINT translationBytes = 0;
    char translationName[] = "\\VarFileInfo\\Translation";
    if (!VerQueryValueA(block.data(), translationName, reinterpret_cast<void**>(&translations),
                        &translationBytes) ||
        translations == nullptr)
        translationBytes = 0;
    UINT count = translationBytes / sizeof(Translation);

    const char* text = nullptr;
    UINT textLength = 0;
    for (UINT i = 0; i < count; ++i) {
        char name[64];
        wsprintfA(name, "\\StringFileInfo\\%04x%04x\\SpecialBuild", translations[i].language,
                  translations[i].codePage);
        void* value = nullptr;
        // An entry without the string ends the search; the text stays empty.
        if (!VerQueryValueA(block.data(), name, &value, &textLength) || value == nullptr) return true;
        text = static_cast<const char*>(value);
    }
    if (text != nullptr) {
        if (textLength > kSpecialBuildCapacity) return false;
        lstrcpynA(info->specialBuild, text, kSpecialBuildCapacity);
    }
    return true;
}
