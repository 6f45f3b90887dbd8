// Version numbers read from real version resources of libraries built for the test.
#include <gtest/gtest.h>

#include <cstring>

#include "app/FileVersion.h"
#include "app/VersionChecks.h"
#include "tests/support/TestEnvironment.h"

namespace {

VersionInfo query(const char* dll, bool* ok = nullptr) {
    VersionInfo info;
    std::memset(&info, 0x33, sizeof info);
    bool result = queryFileVersion(joinPath(binaryFolder(), dll).c_str(), &info);
    if (ok) *ok = result;
    return info;
}

TEST(FileVersionTest, FourPartVersionsBecomeOneNumber) {
    const std::pair<const char*, int32_t> cases[] = {
        {"version_1_0_0_2.dll", 1002}, {"version_1_2_3_4.dll", 1234},
        {"version_2_0_0_0.dll", 2000}, {"version_0_17_0_0.dll", 1700},
        {"version_0_9_9_9.dll", 999},
    };
    for (const auto& [dll, number] : cases) {
        bool ok = false;
        VersionInfo info = query(dll, &ok);
        EXPECT_TRUE(ok) << dll;
        EXPECT_EQ(info.fileVersionNumber, number) << dll;
        EXPECT_EQ(info.productVersionNumber, number) << dll;
        EXPECT_STREQ(info.specialBuild, "") << dll;
    }
    VersionInfo info = query("version_1_2_3_4.dll");
    EXPECT_EQ(info.fileVersionMS, 0x00010002u);
    EXPECT_EQ(info.fileVersionLS, 0x00030004u);
}

TEST(FileVersionTest, SpecialBuildTextIsCopiedWhenPresent) {
    bool ok = false;
    VersionInfo info = query("version_special.dll", &ok);
    EXPECT_TRUE(ok);
    EXPECT_STREQ(info.specialBuild, "nightly build 7");
    EXPECT_EQ(info.fileVersionNumber, 1000);
}

TEST(FileVersionTest, OverlongSpecialBuildFailsTheQueryButKeepsTheNumber) {
    bool ok = true;
    VersionInfo info = query("version_long_special.dll", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(info.fileVersionNumber, 1002);
    EXPECT_STREQ(info.specialBuild, "");
}

TEST(FileVersionTest, NoTranslationTableStillSucceeds) {
    bool ok = false;
    VersionInfo info = query("version_no_translation.dll", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(info.fileVersionNumber, 1000);
}

TEST(FileVersionTest, MissingFileOrRecordFails) {
    bool ok = true;
    VersionInfo info = query("no_such_library.dll", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(info.fileVersionNumber, 0);  // cleared before the query
    EXPECT_EQ(info.fileVersionMS, 0u);
    EXPECT_FALSE(queryFileVersion(joinPath(binaryFolder(), "version_1_0_0_2.dll").c_str(), nullptr));
}

TEST(FileVersionTest, TheCodecBesideTheProgramIsFoundByItsBareName) {
    VersionInfo info;
    ASSERT_TRUE(queryFileVersion("avishim.dll", &info));
    EXPECT_EQ(info.fileVersionNumber, 1000);
    EXPECT_TRUE(codecVersionAccepted());
}

TEST(FileVersionTest, ThisProgramCarriesTheProgramVersion) {
    EXPECT_TRUE(ownVersionMatches(GetModuleHandleA(nullptr)));
}

}  // namespace
