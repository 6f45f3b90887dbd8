#pragma once
#include <cstddef>
#include <cstdint>

#include "source/FormatCode.h"

inline constexpr int32_t kSettingsVersion = 1002;
inline constexpr int kPathCapacity = 260;  // bytes, terminator included

// The user's choices, persisted byte for byte as one registry value. The layout
// is a stored format: every offset below is part of it.
#pragma pack(push, 1)
struct UserSettings {
    char sourcePath[kPathCapacity];
    char outputPath[kPathCapacity];
    uint8_t rawAudio;
    uint8_t overwriteCheck;
    uint8_t forceFormatSet;
    uint8_t reserved523;
    int32_t forcedFormat;
    uint8_t conversionEnabled;
    // Rows are output formats, columns source formats, both RGB32, RGB24,
    // YUY2, YV12; reach cells through matrixCell() rather than by index.
    int8_t conversionMatrix[4][4];
    uint8_t reserved545[3];
    int32_t settingsVersion;
};
#pragma pack(pop)

static_assert(sizeof(UserSettings) == 552);
static_assert(offsetof(UserSettings, sourcePath) == 0);
static_assert(offsetof(UserSettings, outputPath) == 260);
static_assert(offsetof(UserSettings, rawAudio) == 520);
static_assert(offsetof(UserSettings, overwriteCheck) == 521);
static_assert(offsetof(UserSettings, forceFormatSet) == 522);
static_assert(offsetof(UserSettings, reserved523) == 523);
static_assert(offsetof(UserSettings, forcedFormat) == 524);
static_assert(offsetof(UserSettings, conversionEnabled) == 528);
static_assert(offsetof(UserSettings, conversionMatrix) == 529);
static_assert(offsetof(UserSettings, reserved545) == 545);
static_assert(offsetof(UserSettings, settingsVersion) == 548);

// Matrix cell values.
inline constexpr int8_t kCellAllowed = 1;
inline constexpr int8_t kCellDenied = 0;
inline constexpr int8_t kCellAllowedFixed = -1;
inline constexpr int8_t kCellDeniedFixed = -2;

// The cell for output format code `output` and source format code `source`
// (both 1..4) sits at offset 529 + 4 * (4 - output) + (4 - source).
inline int8_t& matrixCell(int8_t (&matrix)[4][4], int32_t output, int32_t source) {
    return matrix[4 - output][4 - source];
}
inline int8_t matrixCell(const int8_t (&matrix)[4][4], int32_t output, int32_t source) {
    return matrix[4 - output][4 - source];
}
inline bool isSet(uint8_t flag) { return flag == 1; }

// Writes the documented defaults over every field that has one; reserved bytes
// and the bytes behind the path terminators stay as they are.
void applyDefaultSettings(UserSettings& settings, int cpuFeatures);

// RGB sources can never be converted to YUV output, whatever was stored.
void forceRgbToYuvCellsDenied(UserSettings& settings);

// The rules a record read from storage goes through before anything uses it.
// `loaded` says whether a whole record was read into `settings`; `cpuFeatures`
// is queryCpuFeatures(). Returns whether the stored record was kept.
bool applySettingsLoadRules(UserSettings& settings, bool loaded, int cpuFeatures);
