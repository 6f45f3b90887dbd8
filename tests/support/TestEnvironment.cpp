#include "tests/support/TestEnvironment.h"

#include <windows.h>

#include <cstdio>

#include "app/RegistryStore.h"
#include "common/Paths.h"

namespace {

std::string environmentFolder(const char* name) {
    char value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        std::fprintf(stderr, "The test environment lacks %s\n", name);
        std::abort();
    }
    return value;
}

std::string subkeyPath(const char* subkey) {
    return std::string(kRegistryBasePath) + "\\" + subkey;
}

}  // namespace

std::string binaryFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string full = path;
    return full.substr(0, full.find_last_of("\\/"));
}

std::string mediaFolder() { return environmentFolder("QUORL_MEDIA"); }

std::string scratchFolder() {
    static std::string folder = [] {
        char program[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, program, sizeof program);
        std::string name = program;
        name = name.substr(name.find_last_of("\\/") + 1);
        name = name.substr(0, name.rfind('.'));
        std::string path = joinPath(environmentFolder("QUORL_SCRATCH"), name);
        makeFolder(path);
        return path;
    }();
    return folder;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesW(paths::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool copyFile(const std::string& from, const std::string& to) {
    return CopyFileW(paths::wide(from).c_str(), paths::wide(to).c_str(), FALSE) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileW(paths::wide(path).c_str()) != 0; }

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (FILE* file = _wfopen(paths::wide(path).c_str(), L"rb")) {
        unsigned char buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(file);
    }
    return bytes;
}

bool writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = _wfopen(paths::wide(path).c_str(), L"wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

void makeFolder(const std::string& folder) {
    for (size_t i = 3; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\' || folder[i] == '/')
            CreateDirectoryW(paths::wide(folder.substr(0, i)).c_str(), nullptr);
    }
}

void deleteProgramRegistryKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryBasePath); }

bool programSubkeyExists(const char* subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkeyPath(subkey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool readRegistryValue(const char* subkey, const char* value, std::vector<unsigned char>& data,
                       unsigned long* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkeyPath(subkey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD size = 0, valueType = 0;
    bool ok = RegQueryValueExA(key, value, nullptr, &valueType, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data.resize(size);
        ok = RegQueryValueExA(key, value, nullptr, &valueType, data.data(), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    if (type != nullptr) *type = valueType;
    RegCloseKey(key);
    return ok;
}

void writeRegistryValue(const char* subkey, const char* value, unsigned long type,
                        const std::vector<unsigned char>& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subkeyPath(subkey).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}
