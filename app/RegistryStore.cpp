#include "app/RegistryStore.h"
#include "common/MessageBoxes.h"

#include <cstdio>

namespace {
constexpr char kValueName[] = "Data";
constexpr char kBlockTooLargeText[] = "SaveData2Registry:: Block>1Kbyte";
constexpr char kWriteErrorCaption[] = "Write error";
}  // namespace

int RegistryStore::open(const char* subkey) {
    close();
    int written = std::snprintf(keyPath_, sizeof keyPath_, "%s\\%s", kRegistryBasePath, subkey);
    if (written < 0 || written >= static_cast<int>(sizeof keyPath_)) {
        disposition_ = 0;
        return 0;
    }
    DWORD disposition = 0;
    char emptyClass[] = "";
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_, 0, emptyClass, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, &disposition);
    if (result != ERROR_SUCCESS) {
        key_ = nullptr;
        disposition_ = 0;
        return 0;
    }
    disposition_ = disposition == REG_CREATED_NEW_KEY ? kCreatedKey : kOpenedKey;
    return disposition_;
}

bool RegistryStore::load(const char* subkey, void* buffer, DWORD size) {
    open(subkey);
    bool loaded = false;
    // A freshly created key cannot hold the value, so it is not even asked.
    if (disposition_ == kOpenedKey && key_ != nullptr) {
        DWORD returned = size;
        LONG result = RegQueryValueExA(key_, kValueName, nullptr, nullptr,
                                       static_cast<BYTE*>(buffer), &returned);
        loaded = result == ERROR_SUCCESS && returned == size;
    }
    close();
    return loaded;
}

bool RegistryStore::save(const char* subkey, const void* buffer, DWORD size) {
    if (size > kMaxBlockSize) {
        showBox(kBlockTooLargeText, kWriteErrorCaption, MB_OK);
        return false;
    }
    open(subkey);
    bool saved = false;
    if (key_ != nullptr) {
        saved = RegSetValueExA(key_, kValueName, 0, REG_BINARY, static_cast<const BYTE*>(buffer),
                               size) == ERROR_SUCCESS;
    }
    close();
    return saved;
}

void RegistryStore::close() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}
