#pragma once
#include "app/RegistryStore.h"
#include "app/UserSettings.h"

// Fills the settings record at start-up: the stored record when it is whole and
// of this version, the defaults otherwise. `cpuFeatures` is queryCpuFeatures().
// Returns whether a stored record was loaded. Stored paths (ANSI code page)
// become UTF-8, or their short form where the UTF-8 would not fit.
bool loadSettingsAtStartup(RegistryStore& store, UserSettings& settings, int cpuFeatures);

// Saves the whole record; the outcome is deliberately not consulted by callers.
// A path outside plain ASCII is stored as 8-bit text that names the same file
// (its ANSI bytes or its short form), or empty when it has none.
void saveSettings(RegistryStore& store, const UserSettings& settings);
