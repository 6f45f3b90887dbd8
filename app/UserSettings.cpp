#include "app/UserSettings.h"

#include <cstring>
#include <initializer_list>

#include "app/CpuFeatures.h"

namespace {

constexpr char kDefaultSourcePath[] = "c:\\ORVserver.avs";
constexpr char kDefaultOutputPath[] = "c:\\ORVserver.AVI";

// Rows: output RGB32, RGB24, YUY2, YV12; columns: source in the same order.
constexpr int8_t kDefaultMatrix[4][4] = {
    {1, 1, 1, 1},
    {1, 1, 1, 1},
    {-2, -2, 1, 1},
    {-2, -2, 1, 1},
};

}  // namespace

void applyDefaultSettings(UserSettings& settings, int cpuFeatures) {
    // String copies only: whatever follows the terminators stays as loaded.
    std::memcpy(settings.sourcePath, kDefaultSourcePath, sizeof kDefaultSourcePath);
    std::memcpy(settings.outputPath, kDefaultOutputPath, sizeof kDefaultOutputPath);
    settings.forceFormatSet = 0;
    settings.forcedFormat = kFormatNone;
    settings.rawAudio = 1;
    settings.overwriteCheck = 1;
    settings.conversionEnabled = cpuFeatures == 2 ? 1 : 0;
    std::memcpy(settings.conversionMatrix, kDefaultMatrix, sizeof kDefaultMatrix);
    settings.settingsVersion = kSettingsVersion;
}

void forceRgbToYuvCellsDenied(UserSettings& settings) {
    for (int32_t output : {kFormatYUY2, kFormatYV12})
        for (int32_t source : {kFormatRGB32, kFormatRGB24})
            matrixCell(settings.conversionMatrix, output, source) = kCellDeniedFixed;
}

bool applySettingsLoadRules(UserSettings& settings, bool loaded, int cpuFeatures) {
    forceRgbToYuvCellsDenied(settings);
    if ((cpuFeatures & kCpuConversionBit) == 0) settings.conversionEnabled = 0;
    if (!loaded || settings.settingsVersion != kSettingsVersion) {
        applyDefaultSettings(settings, cpuFeatures);
        return false;
    }
    // The paths are read as C strings everywhere (dialogs, file opening, the
    // command line's report); a stored record is only bytes, so one without a
    // terminator would send every reader past the field.
    settings.sourcePath[kPathCapacity - 1] = '\0';
    settings.outputPath[kPathCapacity - 1] = '\0';
    return true;
}
