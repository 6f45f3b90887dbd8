#include "app/VersionChecks.h"

#include <vector>

#include "app/FileVersion.h"
#include "common/Paths.h"

bool ownVersionMatches(HINSTANCE instance) {
    // Wide: the ANSI name of a program in a folder named outside the code
    // page has question marks in it and names no file.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size() || path.size() >= 32768) break;
        path.resize(path.size() * 2);
    }
    VersionInfo info;
    queryFileVersion(paths::utf8(path.data()).c_str(), &info);
    return info.fileVersionNumber == kOwnVersionNumber;
}

bool codecVersionAccepted() {
    VersionInfo info;
    // The bare name lets the library search order find the codec beside the
    // program or in the system folder.
    bool found = queryFileVersion(kCodecFileName, &info);
    return found && info.fileVersionNumber >= kLowestCodecVersionNumber;
}
