#include "app/FileVersion.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/Paths.h"

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

    // A program folder named outside the ANSI code page is found only through
    // the wide calls.
    const std::wstring name = paths::wide(path);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(name.c_str(), 0, size, block.data())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    wchar_t root[] = L"\\";
    if (!VerQueryValueW(block.data(), root, reinterpret_cast<void**>(&fixed), &fixedLength) ||
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
    wchar_t translationName[] = L"\\VarFileInfo\\Translation";
    if (!VerQueryValueW(block.data(), translationName, reinterpret_cast<void**>(&translations),
                        &translationBytes) ||
        translations == nullptr)
        translationBytes = 0;
    UINT count = translationBytes / sizeof(Translation);

    const wchar_t* text = nullptr;
    UINT textLength = 0;
    for (UINT i = 0; i < count; ++i) {
        wchar_t stringName[64];
        wsprintfW(stringName, L"\\StringFileInfo\\%04x%04x\\SpecialBuild",
                  translations[i].language, translations[i].codePage);
        void* value = nullptr;
        // An entry without the string ends the search; the text stays empty.
        if (!VerQueryValueW(block.data(), stringName, &value, &textLength) || value == nullptr)
            return true;
        text = static_cast<const wchar_t*>(value);
    }
    if (text != nullptr) {
        if (textLength > kSpecialBuildCapacity) return false;
        const std::string special = paths::utf8(std::wstring(text, wcsnlen(text, textLength)));
        lstrcpynA(info->specialBuild, special.c_str(), kSpecialBuildCapacity);
    }
    return true;
}
