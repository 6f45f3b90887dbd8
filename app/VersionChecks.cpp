#include "app/VersionChecks.h"

#include "app/FileVersion.h"

bool ownVersionMatches(HINSTANCE instance) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(instance, path, MAX_PATH);
    VersionInfo info;
    queryFileVersion(path, &info);
    return info.fileVersionNumber == kOwnVersionNumber;
}

bool codecVersionAccepted() {
    VersionInfo info;
    // The bare name lets the library search order find the codec beside the
    // program or in the system folder.
    bool found = queryFileVersion(kCodecFileName, &info);
    return found && info.fileVersionNumber >= kLowestCodecVersionNumber;
}
