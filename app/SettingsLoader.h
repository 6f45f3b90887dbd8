#pragma once
#include "app/RegistryStore.h"
#include "app/UserSettings.h"

// Fills the settings record at start-up: the stored record when it is whole and
// of this version, the defaults otherwise. `cpuFeatures` is queryCpuFeatures().
// Returns whether a stored record was loaded.
bool loadSettingsAtStartup(RegistryStore& store, UserSettings& settings, int cpuFeatures);

// Saves the whole record; the outcome is deliberately not consulted by callers.
void saveSettings(RegistryStore& store, const UserSettings& settings);
