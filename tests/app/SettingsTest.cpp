// The settings record against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "app/CpuFeatures.h"
#include "app/RegistryStore.h"
#include "app/SettingsLoader.h"
#include "common/Paths.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"

namespace {

std::vector<unsigned char> bytesOf(const UserSettings& settings) {
    auto* p = reinterpret_cast<const unsigned char*>(&settings);
    return {p, p + sizeof settings};
}

UserSettings customRecord() {
    UserSettings s;
    std::memset(&s, 0, sizeof s);
    std::strcpy(s.sourcePath, "d:\\clips\\scene.avs");
    std::strcpy(s.outputPath, "d:\\clips\\scene.AVI");
    s.rawAudio = 0;
    s.overwriteCheck = 0;
    s.forceFormatSet = 1;
    s.forcedFormat = kFormatRGB24;
    s.conversionEnabled = 1;
    for (auto& row : s.conversionMatrix)
        for (auto& cell : row) cell = 0;
    matrixCell(s.conversionMatrix, kFormatRGB32, kFormatYV12) = 1;
    matrixCell(s.conversionMatrix, kFormatYV12, kFormatYUY2) = -1;
    forceRgbToYuvCellsDenied(s);  // as every start-up leaves them
    s.settingsVersion = kSettingsVersion;
    return s;
}

void expectDefaults(const UserSettings& s, uint8_t conversionEnabled) {
    EXPECT_STREQ(s.sourcePath, "c:\\ORVserver.avs");
    EXPECT_STREQ(s.outputPath, "c:\\ORVserver.AVI");
    EXPECT_EQ(s.rawAudio, 1);
    EXPECT_EQ(s.overwriteCheck, 1);
    EXPECT_EQ(s.forceFormatSet, 0);
    EXPECT_EQ(s.forcedFormat, 0);
    EXPECT_EQ(s.conversionEnabled, conversionEnabled);
    EXPECT_EQ(s.settingsVersion, 1002);
    const int8_t expected[4][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {-2, -2, 1, 1}, {-2, -2, 1, 1}};
    EXPECT_EQ(std::memcmp(s.conversionMatrix, expected, 16), 0);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
    void TearDown() override { deleteProgramRegistryKey(); }

    void store(const std::vector<unsigned char>& bytes) {
        writeRegistryValue(kUserSettingsSubkey, "Data", REG_BINARY, bytes);
    }
    UserSettings loadFresh(int cpuFeatures, bool* loaded = nullptr) {
        UserSettings s;
        std::memset(&s, 0x5A, sizeof s);
        RegistryStore registry;
        bool result = loadSettingsAtStartup(registry, s, cpuFeatures);
        if (loaded) *loaded = result;
        return s;
    }
};

TEST_F(SettingsTest, FirstRunCreatesTheKeyAndUsesDefaults) {
    bool loaded = true;
    UserSettings s = loadFresh(2, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(programSubkeyExists(kUserSettingsSubkey));
    std::vector<unsigned char> data;
    EXPECT_FALSE(readRegistryValue(kUserSettingsSubkey, "Data", data));
    expectDefaults(s, 1);
    // Only string copies: what followed the terminator is left as it was.
    EXPECT_EQ(static_cast<unsigned char>(s.sourcePath[100]), 0x5A);
    EXPECT_EQ(s.reserved523, 0x5A);

    UserSettings noSse = loadFresh(0);
    expectDefaults(noSse, 0);
}

TEST_F(SettingsTest, StoredRecordLoadsWhole) {
    UserSettings stored = customRecord();
    store(bytesOf(stored));
    bool loaded = false;
    UserSettings s = loadFresh(2, &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(std::memcmp(&s, &stored, sizeof s), 0);
}

TEST_F(SettingsTest, RecordsOfAnotherSizeAreIgnored) {
    for (size_t size : {551u, 553u}) {
        std::vector<unsigned char> bytes = bytesOf(customRecord());
        bytes.resize(size, 0);
        store(bytes);
        bool loaded = true;
        UserSettings s = loadFresh(2, &loaded);
        EXPECT_FALSE(loaded) << size;
        expectDefaults(s, 1);
    }
}

TEST_F(SettingsTest, RgbToYuvCellsComeBackFixedAndDenied) {
    UserSettings stored = customRecord();
    for (int32_t output : {kFormatYUY2, kFormatYV12})
        for (int32_t source : {kFormatRGB32, kFormatRGB24})
            matrixCell(stored.conversionMatrix, output, source) = 1;
    store(bytesOf(stored));
    UserSettings s = loadFresh(2);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYUY2, kFormatRGB32), -2);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYUY2, kFormatRGB24), -2);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB32), -2);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB24), -2);
    // The cell the user set stays.
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatRGB32, kFormatYV12), 1);
    // Byte offsets as stored: YUY2 row from RGB32 is offset 529 + 8.
    EXPECT_EQ(reinterpret_cast<const int8_t*>(&s)[529 + 8], -2);
}

TEST_F(SettingsTest, ProcessorWithoutSseDisablesConversionsOnly) {
    UserSettings stored = customRecord();
    store(bytesOf(stored));
    bool loaded = false;
    UserSettings s = loadFresh(0, &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(s.conversionEnabled, 0);
    EXPECT_STREQ(s.sourcePath, stored.sourcePath);
    EXPECT_EQ(s.forcedFormat, stored.forcedFormat);
    EXPECT_EQ(s.rawAudio, stored.rawAudio);
}

TEST_F(SettingsTest, RecordOfAnotherVersionGetsDefaults) {
    UserSettings stored = customRecord();
    stored.settingsVersion = 1001;
    stored.reserved545[1] = 0x77;
    store(bytesOf(stored));
    bool loaded = true;
    UserSettings s = loadFresh(2, &loaded);
    EXPECT_FALSE(loaded);
    expectDefaults(s, 1);
    EXPECT_EQ(s.reserved545[1], 0x77);
}

TEST_F(SettingsTest, SaveWritesTheWholeRecord) {
    UserSettings s = customRecord();
    RegistryStore registry;
    saveSettings(registry, s);
    std::vector<unsigned char> data;
    unsigned long type = 0;
    ASSERT_TRUE(readRegistryValue(kUserSettingsSubkey, "Data", data, &type));
    EXPECT_EQ(type, static_cast<unsigned long>(REG_BINARY));
    EXPECT_EQ(data, bytesOf(s));
}

TEST_F(SettingsTest, PathsAreUtf8InMemoryAndStoredAsTextThatReopensTheSameFiles) {
    // A path an older version stored in the ANSI code page ("é" in it).
    char ansiE[4] = {};
    BOOL defaulted = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\u00E9", 1, ansiE, sizeof ansiE, nullptr, &defaulted);
    UserSettings stored = customRecord();
    const bool hasE = !defaulted && ansiE[0] != 0 && ansiE[1] == 0;
    std::printf("ANSI code page %u%s\n", GetACP(), hasE ? "" : ": no e-acute, that half is skipped");
    if (hasE) std::strcpy(stored.sourcePath, (std::string("d:\\clips\\sc") + ansiE + "ne.avs").c_str());
    // A file named in Cyrillic, which no single-byte Western code page holds.
    const std::string folder = joinPath(scratchFolder(), "\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF\xD1\x8B");
    makeFolder(folder);
    const std::string cyrillic = joinPath(folder, "\xD1\x81\xD1\x86\xD0\xB5\xD0\xBD\xD0\xB0.AVI");
    ASSERT_TRUE(writeFileBytes(cyrillic, {'x'}));
    store(bytesOf(stored));
    UserSettings s = loadFresh(2);
    if (hasE) {
        EXPECT_STREQ(s.sourcePath, "d:\\clips\\sc\xC3\xA9ne.avs");
    }
    std::strcpy(s.outputPath, cyrillic.c_str());

    RegistryStore registry;
    saveSettings(registry, s);
    std::vector<unsigned char> data;
    ASSERT_TRUE(readRegistryValue(kUserSettingsSubkey, "Data", data));
    ASSERT_EQ(data.size(), sizeof(UserSettings));
    UserSettings saved;
    std::memcpy(&saved, data.data(), sizeof saved);
    EXPECT_STREQ(saved.sourcePath, stored.sourcePath);  // the same bytes as before
    wchar_t longPath[MAX_PATH] = {};
    ASSERT_GT(GetLongPathNameW(paths::wide(paths::fromAnsi(saved.outputPath)).c_str(), longPath, MAX_PATH),
              0u) << saved.outputPath;
    EXPECT_EQ(paths::utf8(longPath), cyrillic);
    // Everything but the paths is stored byte for byte.
    EXPECT_EQ(std::memcmp(&saved.rawAudio, &s.rawAudio, sizeof saved - offsetof(UserSettings, rawAudio)), 0);
}

TEST_F(SettingsTest, BlocksAboveOneKilobyteAreRefusedWithAMessage) {
    WindowAnswerer person("Write error", IDOK);
    RegistryStore registry;
    std::vector<unsigned char> big(1025, 1);
    EXPECT_FALSE(registry.save(kUserSettingsSubkey, big.data(), static_cast<DWORD>(big.size())));
    ASSERT_EQ(person.answered(), 1u);
    EXPECT_EQ(person.texts()[0], "SaveData2Registry:: Block>1Kbyte");
    EXPECT_FALSE(programSubkeyExists(kUserSettingsSubkey));

    std::vector<unsigned char> limit(1024, 2);
    EXPECT_TRUE(registry.save(kUserSettingsSubkey, limit.data(), 1024));
    std::vector<unsigned char> data;
    ASSERT_TRUE(readRegistryValue(kUserSettingsSubkey, "Data", data));
    EXPECT_EQ(data, limit);
    EXPECT_EQ(person.answered(), 1u);
}

TEST_F(SettingsTest, StoreReportsHowTheKeyWasOpened) {
    RegistryStore registry;
    EXPECT_EQ(registry.open(kUserSettingsSubkey), RegistryStore::kCreatedKey);
    EXPECT_EQ(registry.open(kUserSettingsSubkey), RegistryStore::kOpenedKey);
    registry.close();
}

TEST(CpuFeaturesTest, EveryX86_64ProcessorHasSse) {
    // SSE is part of the 64-bit architecture, so this machine must pass.
    EXPECT_EQ(queryCpuFeatures(), 2);
}

}  // namespace
