#pragma once
#include <windows.h>

// Keeps binary records under HKEY_CURRENT_USER\Software\ORV software\Quorl\<subkey>,
// in the value "Data". A key is open only for the length of one operation.
class RegistryStore {
public:
    static constexpr DWORD kMaxBlockSize = 1024;
    static constexpr int kCreatedKey = 1;
    static constexpr int kOpenedKey = 2;

    RegistryStore() = default;
    ~RegistryStore() { close(); }
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Creates or opens the subkey; returns 1 (created), 2 (opened) or 0 (failed).
    int open(const char* subkey);
    // True only when an existing key held a value of exactly `size` bytes.
    bool load(const char* subkey, void* buffer, DWORD size);
    bool save(const char* subkey, const void* buffer, DWORD size);
    void close();

    int lastDisposition() const { return disposition_; }

private:
    int disposition_ = 0;
    HKEY key_ = nullptr;
    char keyPath_[MAX_PATH] = {};
};

inline constexpr char kRegistryBasePath[] = "Software\\ORV software\\Quorl";
inline constexpr char kUserSettingsSubkey[] = "Usersettings";
