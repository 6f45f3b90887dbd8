// What regsvr32 makes the codec write and remove. The machine-wide key is
// redirected for this process to a private key, so the prefix that every
// test program shares never sees a half-registered codec.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "avishim/RegistryNames.h"
#include "common/Paths.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr char kPrivateRoot[] = "Software\\Quorl codec tests\\machine";
using ServerFunction = HRESULT(WINAPI*)();

std::string readString(HKEY root, const char* key, const char* value, bool* found) {
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    *found = RegGetValueA(root, key, value, RRF_RT_ANY, &type, data, &size) == ERROR_SUCCESS;
    return data;
}

bool keyExists(HKEY root, const char* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorl codec tests");
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kPrivateRoot, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &root_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_), ERROR_SUCCESS);
        library_ = LoadLibraryA(joinPath(binaryFolder(), "avishim.dll").c_str());
        ASSERT_NE(library_, nullptr);
        GetModuleFileNameA(library_, path_, sizeof path_);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        if (root_ != nullptr) RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorl codec tests");
        if (library_ != nullptr) FreeLibrary(library_);
    }
    HRESULT call(const char* name) {
        auto function = reinterpret_cast<ServerFunction>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
        EXPECT_NE(function, nullptr) << name << " is not exported under its plain name";
        return function != nullptr ? function() : E_FAIL;
    }

    HKEY root_ = nullptr;
    HMODULE library_ = nullptr;
    char path_[MAX_PATH] = {};
};

}  // namespace

TEST_F(Registration, RegisteringNamesTheDllByFullPathAndDropsTheAcmCache) {
    // A cache entry from an earlier registration would make msacm32 skip us.
    HKEY cache = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAcmCacheKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &cache, nullptr),
              ERROR_SUCCESS);
    DWORD stale = 1;
    RegSetValueExA(cache, "cFormatTags", 0, REG_DWORD, reinterpret_cast<BYTE*>(&stale), sizeof stale);
    RegCloseKey(cache);

    ASSERT_EQ(call("DllRegisterServer"), S_OK);
    bool found = false;
    EXPECT_EQ(readString(root_, kDrivers32Key, kVideoDriverValue, &found), path_);
    EXPECT_TRUE(found);
    EXPECT_EQ(readString(root_, kDrivers32Key, kAudioDriverValue, &found), path_);
    EXPECT_TRUE(found);
    EXPECT_FALSE(keyExists(root_, kAcmCacheKey));
    // Registering twice is harmless.
    EXPECT_EQ(call("DllRegisterServer"), S_OK);

    ASSERT_EQ(call("DllUnregisterServer"), S_OK);
    readString(root_, kDrivers32Key, kVideoDriverValue, &found);
    EXPECT_FALSE(found);
    readString(root_, kDrivers32Key, kAudioDriverValue, &found);
    EXPECT_FALSE(found);
}

TEST_F(Registration, UnregisteringWhatWasNeverRegisteredSucceeds) {
    EXPECT_EQ(call("DllUnregisterServer"), S_OK);
    HKEY drivers = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &drivers, nullptr),
              ERROR_SUCCESS);
    // Other drivers' values stay.
    const char other[] = "msvidc32.dll";
    RegSetValueExA(drivers, "vidc.CRAM", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegCloseKey(drivers);
    EXPECT_EQ(call("DllUnregisterServer"), S_OK);
    bool found = false;
    EXPECT_EQ(readString(root_, kDrivers32Key, "vidc.CRAM", &found), "msvidc32.dll");
    EXPECT_TRUE(found);
}

TEST_F(Registration, ADllInAFolderNamedOutsideTheCodePageIsNamedByAFormEveryReaderOpens) {
    const std::string folder = joinPath(scratchFolder(), "\xD0\x9A\xD0\xBE\xD0\xB4\xD0\xB5\xD0\xBA");  // Кодек
    makeFolder(folder);
    const std::string copy = joinPath(folder, "avishim.dll");
    ASSERT_TRUE(copyFile(joinPath(binaryFolder(), "avishim.dll"), copy));
    HMODULE copied = LoadLibraryW(paths::wide(copy).c_str());
    ASSERT_NE(copied, nullptr);
    auto registerServer = reinterpret_cast<ServerFunction>(
        reinterpret_cast<void*>(GetProcAddress(copied, "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    EXPECT_EQ(registerServer(), S_OK);
    FreeLibrary(copied);
    bool found = false;
    const std::string value = readString(root_, kDrivers32Key, kVideoDriverValue, &found);
    ASSERT_TRUE(found);
    // Plain characters only, naming the copy.
    EXPECT_TRUE(paths::ansi(paths::wide(value)).has_value()) << value;
    wchar_t longPath[MAX_PATH] = {};
    ASSERT_GT(GetLongPathNameW(paths::wide(value).c_str(), longPath, MAX_PATH), 0u) << value;
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, longPath, -1, paths::wide(copy).c_str(), -1),
              CSTR_EQUAL);
}
