// The load rules on records that storage hands back unvetted: whatever bytes
// a stored value holds, the record that leaves the rules is safe to read.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <string>

#include "app/UserSettings.h"

namespace {

struct StoredRecordCase {
    const char* name;
    std::function<void(UserSettings&)> store;
    bool kept;
    size_t sourceLength;
    size_t outputLength;
};

// The string's length, or the field's size when no terminator is inside it.
size_t lengthWithin(const char (&field)[kPathCapacity]) {
    const void* end = std::memchr(field, '\0', kPathCapacity);
    return end == nullptr ? kPathCapacity : static_cast<const char*>(end) - field;
}

class SettingsRulesTest : public ::testing::TestWithParam<StoredRecordCase> {};

TEST_P(SettingsRulesTest, PathsLeaveTheRulesTerminated) {
    const StoredRecordCase& c = GetParam();
    UserSettings stored;
    std::memset(&stored, 0, sizeof stored);
    std::strcpy(stored.sourcePath, "d:\\clips\\scene.avs");
    std::strcpy(stored.outputPath, "d:\\clips\\scene.AVI");
    stored.settingsVersion = kSettingsVersion;
    c.store(stored);

    for (int cpuFeatures : {0, 2}) {
        UserSettings s = stored;
        EXPECT_EQ(applySettingsLoadRules(s, true, cpuFeatures), c.kept) << c.name;
        EXPECT_EQ(lengthWithin(s.sourcePath), c.sourceLength) << c.name;
        EXPECT_EQ(lengthWithin(s.outputPath), c.outputLength) << c.name;
        EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB24), kCellDeniedFixed);
        EXPECT_EQ(s.settingsVersion, kSettingsVersion);
        if (cpuFeatures == 0) {
            EXPECT_EQ(s.conversionEnabled, 0) << c.name;
        }
        if (!c.kept) continue;
        // Only the last byte of a full path gives way; the rest is as stored.
        EXPECT_EQ(std::memcmp(s.sourcePath, stored.sourcePath, kPathCapacity - 1), 0) << c.name;
        EXPECT_EQ(std::memcmp(s.outputPath, stored.outputPath, kPathCapacity - 1), 0) << c.name;
        EXPECT_EQ(s.forcedFormat, stored.forcedFormat) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    StoredRecords, SettingsRulesTest,
    ::testing::Values(
        StoredRecordCase{"as saved", [](UserSettings&) {}, true, 18, 18},
        StoredRecordCase{"source path without terminator",
                         [](UserSettings& s) { std::memset(s.sourcePath, 'x', kPathCapacity); },
                         true, kPathCapacity - 1, 18},
        StoredRecordCase{"both paths without terminator",
                         [](UserSettings& s) {
                             std::memset(s.sourcePath, 'x', kPathCapacity);
                             std::memset(s.outputPath, 'y', kPathCapacity);
                         },
                         true, kPathCapacity - 1, kPathCapacity - 1},
        StoredRecordCase{"every byte 0xFF but the version",
                         [](UserSettings& s) {
                             std::memset(&s, 0xFF, sizeof s);
                             s.settingsVersion = kSettingsVersion;
                         },
                         true, kPathCapacity - 1, kPathCapacity - 1},
        StoredRecordCase{"full paths of another version",
                         [](UserSettings& s) {
                             std::memset(s.sourcePath, 'x', 2 * kPathCapacity);
                             s.settingsVersion = 1001;
                         },
                         false, 16, 16}),
    [](const ::testing::TestParamInfo<StoredRecordCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p != '\0'; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

}  // namespace
