#include "common/Paths.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace paths {
namespace {

// Room for any path the W functions give, the long-path forms included.
constexpr DWORD kWidePathCapacity = 32768;

std::wstring convertToWide(UINT codePage, const char* text, DWORD flags) {
    if (text == nullptr || text[0] == '\0') return {};
    const int units = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring result(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, flags, text, -1, result.data(), units);
    result.resize(static_cast<size_t>(units) - 1);
    return result;
}

// Calls `get` (a GetXxxPathNameW-like function) with a buffer that grows
// until the answer fits; none when it fails.
template <typename Get>
std::optional<std::wstring> askForPath(Get get) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        if (length > kWidePathCapacity) return std::nullopt;
        buffer.resize(length);
    }
}

bool store(const std::string& text, char* field, size_t capacity) {
    if (text.size() >= capacity) return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

bool hasHighBytes(const char* text) {
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80) return true;
    return false;
}

}  // namespace

std::wstring wide(const char* utf8) { return convertToWide(CP_UTF8, utf8, 0); }
std::wstring wide(const std::string& utf8) { return wide(utf8.c_str()); }

std::string utf8(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0') return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), bytes, nullptr, nullptr);
    result.resize(static_cast<size_t>(bytes) - 1);
    return result;
}
std::string utf8(const std::wstring& text) { return utf8(text.c_str()); }

std::optional<std::string> ansi(const std::wstring& text) {
    if (text.empty()) return std::string();
    // A system whose ANSI code page is UTF-8 has a byte form for everything,
    // and refuses the flags below.
    const bool utf8Page = GetACP() == CP_UTF8;
    const DWORD flags = utf8Page ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* defaultedOut = utf8Page ? nullptr : &defaulted;
    const int bytes = WideCharToMultiByte(CP_ACP, flags, text.c_str(), -1, nullptr, 0, nullptr,
                                          defaultedOut);
    if (bytes <= 0 || defaulted) return std::nullopt;
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.c_str(), -1, result.data(), bytes, nullptr,
                        defaultedOut);
    result.resize(static_cast<size_t>(bytes) - 1);
    // The flag alone does not catch every look-alike on every system: only a
    // text that comes back unchanged has bytes of its own.
    if (defaulted || convertToWide(CP_ACP, result.c_str(), 0) != text) return std::nullopt;
    return result;
}

std::string fromAnsi(const char* text) { return utf8(convertToWide(CP_ACP, text, 0)); }

std::optional<std::wstring> fullPath(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    return askForPath([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
    });
}

std::optional<std::string> fullPath(const char* utf8Path) {
    std::optional<std::wstring> full = fullPath(wide(utf8Path));
    if (!full) return std::nullopt;
    return utf8(*full);
}

std::optional<std::wstring> shortPath(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    return askForPath([&](wchar_t* buffer, DWORD size) {
        return GetShortPathNameW(path.c_str(), buffer, size);
    });
}

std::optional<std::wstring> longPath(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    return askForPath([&](wchar_t* buffer, DWORD size) {
        return GetLongPathNameW(path.c_str(), buffer, size);
    });
}

std::optional<std::wstring> shortFolderPath(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos || separator + 1 == path.size()) return std::nullopt;
    // "C:\name": the folder is the drive's root, "C:\".
    const std::wstring folder = path.substr(0, separator == 2 && path[1] == L':' ? 3 : separator);
    std::optional<std::wstring> shortFolder = shortPath(folder);
    if (!shortFolder) return std::nullopt;
    std::wstring result = *shortFolder;
    if (result.back() != L'\\') result += L'\\';
    return result + path.substr(separator + 1);
}

StoredPath storedSourcePath(const char* utf8Path) {
    PathForms forms;
    std::optional<std::wstring> full = fullPath(wide(utf8Path));
    if (!full) return StoredPath{};
    // A source given by its short form (a name too long for the settings
    // record) is stored by its real name where the field cannot take it.
    if (full->find(L'~') != std::wstring::npos)
        if (std::optional<std::wstring> spelledOut = longPath(*full)) full = spelledOut;
    forms.fullUtf8 = utf8(*full);
    forms.fullAnsi = ansi(*full);
    if (std::optional<std::wstring> shortForm = shortPath(*full)) forms.shortAnsi = ansi(*shortForm);
    return chooseStoredPath(forms);
}

bool toAnsiField(const char* utf8Path, char* field, size_t capacity) {
    field[0] = '\0';
    if (utf8Path == nullptr || utf8Path[0] == '\0') return true;
    const std::wstring given = wide(utf8Path);
    const std::wstring full = fullPath(given).value_or(given);
    for (const std::optional<std::wstring>& form :
         {std::optional<std::wstring>(full), shortPath(full), shortFolderPath(full)}) {
        if (!form) continue;
        std::optional<std::string> bytes = ansi(*form);
        if (bytes && store(*bytes, field, capacity)) return true;
    }
    return false;
}

bool toUtf8Field(const std::wstring& typed, char* field, size_t capacity) {
    field[0] = '\0';
    if (store(utf8(typed), field, capacity)) return true;
    const std::wstring full = fullPath(typed).value_or(typed);
    for (const std::optional<std::wstring>& form : {shortPath(full), shortFolderPath(full)})
        if (form && store(utf8(*form), field, capacity)) return true;
    field[0] = '\0';
    return false;
}

void makeLinkedPathUtf8(char* path, size_t capacity, bool* isUtf8) {
    if (*isUtf8) return;
    // Plain ASCII reads the same either way.
    if (hasHighBytes(path) && !store(fromAnsi(path), path, capacity)) path[0] = '\0';
    *isUtf8 = true;
}

}  // namespace paths
