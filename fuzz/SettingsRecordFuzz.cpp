// The settings record as storage hands it back: any number of bytes, of which
// at most a record's worth reach the record, through the load rules and then
// the code that reads the record (output formats, the command line's report,
// the proposed link name).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/CommandLine.h"
#include "app/UserSettings.h"
#include "fuzz/FuzzCheck.h"
#include "link/OutputFormats.h"
#include "ui/LinkName.h"

namespace {

bool sameIgnoringCase(const char* a, const char* b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a != '\0' && lower(*a) == lower(*b); ++a, ++b) {
    }
    return lower(*a) == lower(*b);
}

void checkRecord(const uint8_t* data, size_t size, int cpuFeatures) {
    UserSettings settings;
    // What the record held before the load: a value of another size may
    // still have been copied in part.
    std::memset(&settings, 0xA5, sizeof settings);
    std::memcpy(&settings, data, size < sizeof settings ? size : sizeof settings);
    bool kept = applySettingsLoadRules(settings, size == sizeof settings, cpuFeatures);

    FUZZ_CHECK(!kept || size == sizeof settings);
    FUZZ_CHECK(settings.settingsVersion == kSettingsVersion);
    FUZZ_CHECK((cpuFeatures & 2) != 0 || settings.conversionEnabled == 0);
    FUZZ_CHECK(std::memchr(settings.sourcePath, '\0', kPathCapacity) != nullptr);
    FUZZ_CHECK(std::memchr(settings.outputPath, '\0', kPathCapacity) != nullptr);
    for (int32_t source = kFormatNone; source <= kFormatRGB32 + 1; ++source) {
        AllowedOutputs allowed =
            selectOutputFormats(source, settings.conversionEnabled, settings.conversionMatrix);
        bool rgbSource = source == kFormatRGB24 || source == kFormatRGB32;
        FUZZ_CHECK(!(rgbSource && (allowed.yuy2 || allowed.yv12)));
        FUZZ_CHECK(isKnownFormat(source) || !allowed.any());
    }
    std::vector<std::string> report = commandLineReport(settings);
    FUZZ_CHECK(report.size() == 6);

    proposeLinkName(settings.sourcePath, settings.outputPath);
    FUZZ_CHECK(std::memchr(settings.outputPath, '\0', kPathCapacity) != nullptr);
    // The proposal never names the source itself.
    FUZZ_CHECK(settings.outputPath[0] == '\0' ||
               !sameIgnoringCase(settings.outputPath, settings.sourcePath));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // queryCpuFeatures answers 0 or 2; both start-ups see the same record.
    checkRecord(data, size, 0);
    checkRecord(data, size, 2);
    return 0;
}
