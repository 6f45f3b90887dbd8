#include "app/SettingsLoader.h"

bool loadSettingsAtStartup(RegistryStore& store, UserSettings& settings, int cpuFeatures) {
    bool loaded = store.load(kUserSettingsSubkey, &settings, sizeof settings);
    return applySettingsLoadRules(settings, loaded, cpuFeatures);
}

void saveSettings(RegistryStore& store, const UserSettings& settings) {
    store.save(kUserSettingsSubkey, &settings, sizeof settings);
}
