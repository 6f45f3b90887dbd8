// What `regsvr32 avishim.dll` and `regsvr32 /u avishim.dll` do: name this DLL,
// by its full path, as the video and the audio driver of the system. The
// loader reads these values in the registry view of its own bitness, which
// is also the view a 32-bit or 64-bit regsvr32 writes to.
#include <windows.h>
#include <olectl.h>

#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>

#include "avishim/RegistryNames.h"
#include "common/Paths.h"

namespace {

// The full path of this DLL, or false when it cannot be named. The driver
// loader reads a value only up to its first blank (the rest are arguments),
// so a path with blanks ("Program Files") is given by its short form; a
// volume without short names cannot be registered at all. A folder named
// outside the ANSI code page is given by its short form too, so that any
// reader of the value, wide or not, finds the file.
bool ownPath(std::wstring* path) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ownPath), &self))
        return false;
    wchar_t longPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(self, longPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const bool blanks = std::wcschr(longPath, L' ') != nullptr;
    if (!blanks && paths::ansi(longPath)) {
        *path = longPath;
        return true;
    }
    std::optional<std::wstring> shortForm = paths::shortPath(longPath);
    if (shortForm && shortForm->find(L' ') == std::wstring::npos) {
        *path = *shortForm;
        return true;
    }
    if (blanks) return false;
    *path = longPath;
    return true;
}

// msacm32 would otherwise keep using the format tags it cached for an
// earlier registration and skip the driver.
LONG dropAcmCache() {
    const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAcmCacheKey);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

HRESULT fromRegistry(LONG result) {
    if (result == ERROR_SUCCESS) return S_OK;
    if (result == ERROR_ACCESS_DENIED) return E_ACCESSDENIED;
    return SELFREG_E_CLASS;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    std::wstring path;
    if (!ownPath(&path)) return SELFREG_E_CLASS;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return fromRegistry(result);
    const DWORD bytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    const auto* data = reinterpret_cast<const BYTE*>(path.c_str());
    result = RegSetValueExW(key, paths::wide(kVideoDriverValue).c_str(), 0, REG_SZ, data, bytes);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key, paths::wide(kAudioDriverValue).c_str(), 0, REG_SZ, data, bytes);
    RegCloseKey(key);
    if (result == ERROR_SUCCESS) result = dropAcmCache();
    return fromRegistry(result);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, KEY_SET_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND) return dropAcmCache() == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    if (result != ERROR_SUCCESS) return fromRegistry(result);
    for (const char* name : {kVideoDriverValue, kAudioDriverValue}) {
        const LONG removed = RegDeleteValueA(key, name);
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND && result == ERROR_SUCCESS)
            result = removed;
    }
    RegCloseKey(key);
    if (result == ERROR_SUCCESS) result = dropAcmCache();
    return fromRegistry(result);
}
