// The tuning values under AVISETTINGS against the real registry of the prefix.
#include <gtest/gtest.h>

#include "link/LinkWriter.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

const char* const kNames[] = {kVideoBlockSizeName, kAudioBlockSizeName, kBitsPerSampleFlagName,
                              kDecodingBufferName, kInterleaveName};

const TuningValues kCustom{16, 256, 4096, 2, 1};

std::vector<unsigned char> bytesOf(uint32_t value, size_t size = 4) {
    std::vector<unsigned char> bytes(size, 0);
    for (size_t i = 0; i < size && i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return bytes;
}

void expectValues(const TuningValues& actual, const TuningValues& expected) {
    EXPECT_EQ(actual.videoSHIMblockSize, expected.videoSHIMblockSize);
    EXPECT_EQ(actual.audioSHIMblockSize, expected.audioSHIMblockSize);
    EXPECT_EQ(actual.audioMaxSizeDecodingBuffer, expected.audioMaxSizeDecodingBuffer);
    EXPECT_EQ(actual.interleave, expected.interleave);
    EXPECT_EQ(actual.bPerSampleDestInSource, expected.bPerSampleDestInSource);
}

// What the registry holds, read the way regedit would show it.
void expectStored(const TuningValues& expected) {
    const uint32_t values[] = {expected.videoSHIMblockSize, expected.audioSHIMblockSize,
                               expected.bPerSampleDestInSource,
                               expected.audioMaxSizeDecodingBuffer, expected.interleave};
    for (int i = 0; i < 5; ++i) {
        std::vector<unsigned char> data;
        unsigned long type = 0;
        ASSERT_TRUE(readRegistryValue(kTuningSubkey, kNames[i], data, &type)) << kNames[i];
        EXPECT_EQ(type, static_cast<unsigned long>(REG_DWORD)) << kNames[i];
        EXPECT_EQ(data, bytesOf(values[i])) << kNames[i];
    }
}

class TuningValuesTest : public ::testing::Test {
protected:
    void SetUp() override { deleteProgramRegistryKey(); }
    void TearDown() override { deleteProgramRegistryKey(); }
};

}  // namespace

TEST_F(TuningValuesTest, FirstRunCreatesTheKeyWithAllDefaults) {
    LinkWriter writer;
    ASSERT_FALSE(programSubkeyExists(kTuningSubkey));
    writer.loadTuningValues();
    expectValues(writer.tuningValues(), kDefaultTuningValues);
    expectStored(kDefaultTuningValues);
}

TEST_F(TuningValuesTest, StoredValuesAreUsedAndReadAfreshEachTime) {
    storeTuningValues(kCustom);
    LinkWriter writer;
    writer.loadTuningValues();
    expectValues(writer.tuningValues(), kCustom);
    // The stored type is not checked: four bytes of anything are a value.
    writeRegistryValue(kTuningSubkey, kInterleaveName, REG_BINARY, bytesOf(7));
    writer.loadTuningValues();
    EXPECT_EQ(writer.tuningValues().interleave, 7u);
    EXPECT_EQ(writer.tuningValues().videoSHIMblockSize, 16u);
}

TEST_F(TuningValuesTest, OneMissingOrUnreadableValueResetsAllFive) {
    struct Case {
        const char* what;
        unsigned long type;
        std::vector<unsigned char> data;  // empty: the value is deleted
    } cases[] = {
        {"missing", REG_DWORD, {}},
        {"eight bytes", REG_BINARY, bytesOf(3, 8)},
        {"a long string", REG_SZ, {'1', '2', '3', '4', '5', 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        deleteProgramRegistryKey();
        storeTuningValues(kCustom);
        if (c.data.empty()) {
            HKEY key = nullptr;
            std::string path = std::string("Software\\ORV software\\Quorl\\") + kTuningSubkey;
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
            RegDeleteValueA(key, kInterleaveName);
            RegCloseKey(key);
        } else {
            writeRegistryValue(kTuningSubkey, kInterleaveName, c.type, c.data);
        }
        LinkWriter writer;
        writer.loadTuningValues();
        expectValues(writer.tuningValues(), kDefaultTuningValues);
        expectStored(kDefaultTuningValues);
    }
}

TEST_F(TuningValuesTest, ShortValuesAreTheNumberTheirBytesForm) {
    storeTuningValues(kCustom);
    LinkWriter writer;
    writer.loadTuningValues();  // leaves 256 in audioSHIMblockSize
    writeRegistryValue(kTuningSubkey, kAudioBlockSizeName, REG_BINARY, {0x80});
    writeRegistryValue(kTuningSubkey, kVideoBlockSizeName, REG_BINARY, {});
    writer.loadTuningValues();
    EXPECT_EQ(writer.tuningValues().audioSHIMblockSize, 0x80u);  // not 0x180
    EXPECT_EQ(writer.tuningValues().videoSHIMblockSize, 0u);
    EXPECT_EQ(writer.tuningValues().interleave, 2u);
}

TEST_F(TuningValuesTest, ResetWritesTheDefaultsOverCustomValues) {
    storeTuningValues(kCustom);
    LinkWriter writer;
    writer.loadTuningValues();
    writer.resetTuningValues();
    expectValues(writer.tuningValues(), kDefaultTuningValues);
    expectStored(kDefaultTuningValues);
    EXPECT_EQ(writer.openSettingsKey(), 2);
    writer.closeSettingsKey();
    deleteProgramRegistryKey();
    EXPECT_EQ(writer.openSettingsKey(), 1);
    writer.closeSettingsKey();
    writer.closeSettingsKey();  // closing twice is harmless: the key opens again
    EXPECT_EQ(writer.openSettingsKey(), 2);
    writer.closeSettingsKey();
}
