#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/ProcessRunner.h"

// The installer and the two builds it was made from (from the environment
// CTest sets; the paths are empty when missing).
std::string installerPath();
std::string codec32BuildPath();

std::string defaultInstallFolder();  // <program files>\Quorl
std::string startMenuEntry();        // <all users' programs>\Quorl.lnk

ProcessResult runInstaller(const std::string& arguments);
// Runs "<folder>\uninstall.exe /S" as a user would. The uninstaller hands the
// work to a copy of itself and returns at once, so this waits for the copy
// and returns its exit code.
DWORD runUninstaller(const std::string& folder);

// The machine field of a PE file's header, 0 when the file is not one.
WORD peMachine(const std::string& path);

// HKLM in the registry view of one bitness (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
std::optional<std::string> readMachineString(REGSAM view, const char* key, const char* value);
std::optional<DWORD> readMachineDword(REGSAM view, const char* key, const char* value);
bool machineKeyExists(REGSAM view, const char* key);
void createMachineKey(REGSAM view, const char* key);
void writeMachineString(REGSAM view, const char* key, const char* value, const std::string& data);
void deleteMachineValue(REGSAM view, const char* key, const char* value);
