#include "app/SettingsLoader.h"

#include "app/CpuFeatures.h"

bool loadSettingsAtStartup(RegistryStore& store, UserSettings& settings, int cpuFeatures) {
    bool loaded = store.load(kUserSettingsSubkey, &settings, sizeof settings);
    forceRgbToYuvCellsDenied(settings);
    if ((cpuFeatures & kCpuConversionBit) == 0) settings.conversionEnabled = 0;
    if (!loaded || settings.settingsVersion != kSettingsVersion) {
        applyDefaultSettings(settings, cpuFeatures);
        return false;
    }
    return true;
}

void saveSettings(RegistryStore& store, const UserSettings& settings) {
    store.save(kUserSettingsSubkey, &settings, sizeof settings);
}
