#include "tests/installer/InstallerRun.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>
#include <vector>

#include "common/Paths.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;

std::string environmentValue(const char* name) {
    char value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::string() : std::string(value);
}

std::string shellFolder(int id) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

HKEY openMachineKey(REGSAM view, const char* key, REGSAM access) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access | view, &handle) != ERROR_SUCCESS)
        return nullptr;
    return handle;
}

std::optional<std::vector<unsigned char>> readMachineValue(REGSAM view, const char* key,
                                                           const char* value, DWORD wantedType) {
    HKEY handle = openMachineKey(view, key, KEY_QUERY_VALUE);
    if (handle == nullptr) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<std::vector<unsigned char>> data;
    if (RegQueryValueExA(handle, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == wantedType) {
        std::vector<unsigned char> bytes(size);
        if (RegQueryValueExA(handle, value, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS) {
            bytes.resize(size);
            data = bytes;
        }
    }
    RegCloseKey(handle);
    return data;
}

// The copy the uninstaller started: the one process whose parent it was.
HANDLE findChild(DWORD parentId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE child = nullptr;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && child == nullptr;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parentId)
            child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return child;
}

}  // namespace

std::string installerPath() { return environmentValue("QUORL_SETUP"); }
std::string codec32BuildPath() { return environmentValue("QUORL_CODEC32"); }

std::string defaultInstallFolder() { return joinPath(shellFolder(CSIDL_PROGRAM_FILES), "Quorl"); }
std::string startMenuEntry() { return joinPath(shellFolder(CSIDL_COMMON_PROGRAMS), "Quorl.lnk"); }

ProcessResult runInstaller(const std::string& arguments) {
    return runProcess("\"" + installerPath() + "\" " + arguments, kTimeoutMs);
}

DWORD runUninstaller(const std::string& folder) {
    constexpr DWORD kNotRun = 0xFFFFFFFF;
    std::wstring line = paths::wide("\"" + joinPath(folder, "uninstall.exe") + "\" /S");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return kNotRun;
    DWORD exitCode = kNotRun;
    if (WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
        // Holding the first process's handle keeps its id from being reused
        // while its child is looked up. A copy that already ended cannot be
        // found; the caller's checks of what is left still hold then.
        if (HANDLE copy = findChild(process.dwProcessId)) {
            if (WaitForSingleObject(copy, kTimeoutMs) != WAIT_OBJECT_0 ||
                !GetExitCodeProcess(copy, &exitCode))
                exitCode = kNotRun;
            CloseHandle(copy);
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

WORD peMachine(const std::string& path) {
    std::vector<unsigned char> bytes = readFileBytes(path);
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
    DWORD header = 0;
    std::memcpy(&header, &bytes[0x3C], sizeof header);
    if (header > bytes.size() - 6 || std::memcmp(&bytes[header], "PE\0\0", 4) != 0) return 0;
    WORD machine = 0;
    std::memcpy(&machine, &bytes[header + 4], sizeof machine);
    return machine;
}

std::optional<std::string> readMachineString(REGSAM view, const char* key, const char* value) {
    auto data = readMachineValue(view, key, value, REG_SZ);
    if (!data) return std::nullopt;
    std::string text(data->begin(), data->end());
    return text.substr(0, text.find('\0'));
}

std::optional<DWORD> readMachineDword(REGSAM view, const char* key, const char* value) {
    auto data = readMachineValue(view, key, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, data->data(), sizeof number);
    return number;
}

bool machineKeyExists(REGSAM view, const char* key) {
    HKEY handle = openMachineKey(view, key, KEY_QUERY_VALUE);
    if (handle != nullptr) RegCloseKey(handle);
    return handle != nullptr;
}

void createMachineKey(REGSAM view, const char* key) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &handle, nullptr) == ERROR_SUCCESS)
        RegCloseKey(handle);
}

void writeMachineString(REGSAM view, const char* key, const char* value, const std::string& data) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(handle);
}

void deleteMachineValue(REGSAM view, const char* key, const char* value) {
    if (HKEY handle = openMachineKey(view, key, KEY_SET_VALUE)) {
        RegDeleteValueA(handle, value);
        RegCloseKey(handle);
    }
}
