// What `regsvr32 avishim.dll` and `regsvr32 /u avishim.dll` do: name this DLL,
// by its full path, as the video and the audio driver of the system. The
// loader reads these values in the registry view of its own bitness, which
// is also the view a 32-bit or 64-bit regsvr32 writes to.
#include <windows.h>
#include <olectl.h>

#include <cstring>
#include <initializer_list>

#include "avishim/RegistryNames.h"

namespace {

// The full path of this DLL, or false when it does not fit. The driver
// loader reads a value only up to its first blank (the rest are arguments),
// so a path with blanks ("Program Files") is given by its short form; a
// volume without short names cannot be registered at all.
bool ownPath(char (&path)[MAX_PATH]) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ownPath), &self))
        return false;
    char longPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(self, longPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    if (std::strchr(longPath, ' ') == nullptr) {
        std::memcpy(path, longPath, length + 1);
        return true;
    }
    const DWORD shortLength = GetShortPathNameA(longPath, path, MAX_PATH);
    return shortLength > 0 && shortLength < MAX_PATH && std::strchr(path, ' ') == nullptr;
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
    char path[MAX_PATH] = {};
    if (!ownPath(path)) return SELFREG_E_CLASS;
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return fromRegistry(result);
    const DWORD bytes = static_cast<DWORD>(std::strlen(path) + 1);
    result = RegSetValueExA(key, kVideoDriverValue, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(path), bytes);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(key, kAudioDriverValue, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(path), bytes);
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
