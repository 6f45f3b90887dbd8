#include "app/SettingsLoader.h"

#include "common/Paths.h"

namespace {

bool plainAscii(const char* text) {
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    return true;
}

// The record keeps its paths as 8-bit text in the ANSI code page, for later
// runs and for older versions of the program; in memory they are UTF-8 like
// every other path. Plain ASCII is the same in both and is left byte for byte.
void pathFromStore(char (&field)[kPathCapacity]) {
    if (plainAscii(field)) return;
    paths::toUtf8Field(paths::wide(paths::fromAnsi(field)), field, kPathCapacity);
}

void pathToStore(const char (&path)[kPathCapacity], char (&field)[kPathCapacity]) {
    if (plainAscii(path)) return;
    paths::toAnsiField(path, field, kPathCapacity);
}

}  // namespace

bool loadSettingsAtStartup(RegistryStore& store, UserSettings& settings, int cpuFeatures) {
    bool loaded = store.load(kUserSettingsSubkey, &settings, sizeof settings);
    bool kept = applySettingsLoadRules(settings, loaded, cpuFeatures);
    if (kept) {
        pathFromStore(settings.sourcePath);
        pathFromStore(settings.outputPath);
    }
    return kept;
}

void saveSettings(RegistryStore& store, const UserSettings& settings) {
    UserSettings stored = settings;
    pathToStore(settings.sourcePath, stored.sourcePath);
    pathToStore(settings.outputPath, stored.outputPath);
    store.save(kUserSettingsSubkey, &stored, sizeof stored);
}
