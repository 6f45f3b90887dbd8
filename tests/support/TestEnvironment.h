#pragma once
#include <string>
#include <vector>

// Folders the test run provides (Windows paths, from the environment CTest sets).
std::string binaryFolder();   // where quorl.exe, avishim.dll and test DLLs are
std::string mediaFolder();    // generated source files ("M:", a drive mapped to build/media)
std::string scratchFolder();  // this test program's own folder on "S:" (build/scratch)

// Paths are UTF-8, as inside the program, so tests can name files in any script.
std::string joinPath(const std::string& folder, const std::string& name);
bool fileExists(const std::string& path);
bool copyFile(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
std::vector<unsigned char> readFileBytes(const std::string& path);
bool writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// Creates `folder` (and its parents) when missing.
void makeFolder(const std::string& folder);

// The program's registry key, removed and inspected the way a person with
// regedit would.
void deleteProgramRegistryKey();
bool programSubkeyExists(const char* subkey);
bool readRegistryValue(const char* subkey, const char* value, std::vector<unsigned char>& data,
                       unsigned long* type = nullptr);
void writeRegistryValue(const char* subkey, const char* value, unsigned long type,
                        const std::vector<unsigned char>& data);
