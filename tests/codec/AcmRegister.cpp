// Registers (or with "/u" unregisters) the built codec's audio face in the
// test prefix, as the codec's own registration does: the driver value under
// Drivers32 with the DLL's full path, and no stale ACM cache entry. Run as a
// fixture before the test programs start, because msacm32 reads the list of
// drivers when a process loads it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "avishim/RegistryNames.h"

int main(int argc, char** argv) {
    const bool remove = argc > 1 && std::strcmp(argv[1], "/u") == 0;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dll = path;
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "avishim.dll";

    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open the driver list\n");
        return 1;
    }
    LONG result = remove ? RegDeleteValueA(key, kAudioDriverValue)
                         : RegSetValueExA(key, kAudioDriverValue, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(dll.c_str()),
                                          static_cast<DWORD>(dll.size() + 1));
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAcmCacheKey);
    if (result != ERROR_SUCCESS && !(remove && result == ERROR_FILE_NOT_FOUND)) {
        std::fprintf(stderr, "cannot write %s\n", kAudioDriverValue);
        return 1;
    }
    return 0;
}
