// Splitting the command line, reading its switches and the derived link name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

std::vector<std::string> arguments(const char* text) {
    ArgumentTable table = splitCommandLine(text);
    std::vector<std::string> out;
    for (const char* slot : table.slots)
        if (slot[0] != '\0') out.push_back(slot);
    return out;
}

UserSettings parsed(const char* text, CommandLineOutcome* outcome = nullptr) {
    UserSettings s;
    std::memset(&s, 0x11, sizeof s);
    std::strcpy(s.outputPath, "stale.AVI");
    s.overwriteCheck = 1;
    s.settingsVersion = kSettingsVersion;
    CommandLineOutcome result = applyCommandLine(text, s);
    if (outcome) *outcome = result;
    return s;
}

std::string report(const UserSettings& s) {
    std::string text;
    for (const std::string& line : commandLineReport(s)) text += line;
    return text;
}

TEST(CommandLineSplitTest, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(arguments("-r \"C:\\My Videos\\a b.avs\""),
              (std::vector<std::string>{"-r", "C:\\My Videos\\a b.avs"}));
    EXPECT_EQ(arguments("  a   b  "), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(arguments("a\tb"), (std::vector<std::string>{"a\tb"}));  // tabs do not separate
    EXPECT_TRUE(arguments("     ").empty());
    EXPECT_TRUE(arguments("").empty());
    EXPECT_TRUE(arguments("\"\"").empty());  // empty arguments do not exist
}

TEST(CommandLineSplitTest, UnterminatedQuoteRunsToTheEnd) {
    EXPECT_EQ(arguments("x \"c:\\a b\\c d.avs"), (std::vector<std::string>{"x", "c:\\a b\\c d.avs"}));
}

TEST(CommandLineSplitTest, QuoteInsideAnArgumentTogglesWithoutSplittingIt) {
    // The quotes vanish; the closing one ends the argument.
    EXPECT_EQ(arguments("ab\"c d\"e f"), (std::vector<std::string>{"abc d", "e", "f"}));
    EXPECT_EQ(arguments("c:\\my\" \"dir\\x.avs"), (std::vector<std::string>{"c:\\my ", "dir\\x.avs"}));
}

TEST(CommandLineSplitTest, OnlyTenArgumentsAreKept) {
    std::vector<std::string> got = arguments("1 2 3 4 5 6 7 8 9 10 11 12");
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got.back(), "10");
}

TEST(CommandLineSwitchTest, RawAudioAndQuotedPathWithDerivedOutput) {
    UserSettings s = parsed("-r \"C:\\My Videos\\a b.avs\"");
    EXPECT_STREQ(s.sourcePath, "C:\\My Videos\\a b.avs");
    EXPECT_STREQ(s.outputPath, "C:\\My Videos\\a b.AVI");
    EXPECT_EQ(s.rawAudio, 1);
    EXPECT_NE(report(s).find("Audio mode          : RAW\n"), std::string::npos);
    EXPECT_EQ(parsed("-raw in.avs").rawAudio, 1);  // only the letter after "-" counts
    EXPECT_EQ(parsed("-R in.avs").rawAudio, 1);
    EXPECT_EQ(parsed("in.avs").rawAudio, 0);
}

TEST(CommandLineSwitchTest, ForcedFormatNamesAreExact) {
    UserSettings s = parsed("-f YUY2 in.avs out.avi");
    EXPECT_EQ(s.forceFormatSet, 1);
    EXPECT_EQ(s.forcedFormat, kFormatYUY2);
    EXPECT_STREQ(s.outputPath, "out.avi");
    EXPECT_NE(report(s).find("Forced outputformat      : YUY2\n"), std::string::npos);

    UserSettings lower = parsed("-f yuy2 in.avs");
    EXPECT_EQ(lower.forceFormatSet, 1);
    EXPECT_EQ(lower.forcedFormat, 0);
    EXPECT_NE(report(lower).find("Forced outputformat      : Unknown format\n"), std::string::npos);

    EXPECT_EQ(parsed("-F 4:2:0 in.avs").forcedFormat, kFormatYV12);
    EXPECT_EQ(parsed("-f 4:2:2 in.avs").forcedFormat, kFormatYUY2);
    EXPECT_EQ(parsed("-f RGB32 in.avs").forcedFormat, kFormatRGB32);
    EXPECT_EQ(parsed("-f RGB24 in.avs").forcedFormat, kFormatRGB24);
    // The format after -f is never read as a switch of its own.
    UserSettings dash = parsed("-f -r in.avs");
    EXPECT_EQ(dash.rawAudio, 0);
    EXPECT_STREQ(dash.sourcePath, "in.avs");
    EXPECT_NE(report(parsed("in.avs")).find("Forced outputformat : None\n"), std::string::npos);
}

TEST(CommandLineSwitchTest, ConversionRowsAddUp) {
    UserSettings s = parsed("-c RGB24 -c YV12 in.avs");
    EXPECT_EQ(s.conversionEnabled, 1);
    EXPECT_NE(report(s).find("Possible output format(s): YV12 RGB24 \n"), std::string::npos);
    for (int32_t source : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12})
        EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatRGB24, source), 1);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB32), 0);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatYUY2), 1);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYUY2, kFormatYUY2), 0);  // never named
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatRGB32, kFormatRGB32), 0);
}

TEST(CommandLineSwitchTest, SingleConversionLeavesTheDiagonalEmpty) {
    UserSettings s = parsed("-c RGB32 in.avs");
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatRGB32, kFormatYUY2), 1);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYUY2, kFormatYUY2), 0);
    EXPECT_NE(report(s).find("Possible output format(s): RGB32 \n"), std::string::npos);

    UserSettings unknown = parsed("-c rgb32 in.avs");
    EXPECT_EQ(unknown.conversionEnabled, 1);
    EXPECT_NE(report(unknown).find("Possible output format(s): \n"), std::string::npos);
}

TEST(CommandLineSwitchTest, WithoutConversionsOnlyTheDiagonalIsSet) {
    UserSettings s = parsed("in.avs");
    EXPECT_EQ(s.conversionEnabled, 0);
    for (int32_t o : {1, 2, 3, 4})
        for (int32_t i : {1, 2, 3, 4}) EXPECT_EQ(matrixCell(s.conversionMatrix, o, i), o == i ? 1 : 0);
    EXPECT_EQ(report(s),
              "Inputfilename       : in.avs\n"
              "Outputfilename      : in.AVI\n"
              "Forced outputformat : None\n"
              "Input format conversions:  Disabled\n"
              "Audio mode          : normal\n"
              "\n");
}

TEST(CommandLineSwitchTest, FieldsOutsideThisRunAreLeftAlone) {
    UserSettings s = parsed("-r in.avs");
    EXPECT_EQ(s.overwriteCheck, 1);
    EXPECT_EQ(s.settingsVersion, kSettingsVersion);
}

TEST(CommandLineSwitchTest, BlanksOnlyGiveAnEmptyInput) {
    UserSettings s = parsed("   ");
    EXPECT_STREQ(s.sourcePath, "");
    EXPECT_STREQ(s.outputPath, "AVI");
}

TEST(CommandLineSwitchTest, ArgumentsAfterTheOutputAreIgnored) {
    UserSettings s = parsed("in.avs out.avi -r");
    EXPECT_EQ(s.rawAudio, 0);
    EXPECT_STREQ(s.outputPath, "out.avi");
}

TEST(CommandLineSwitchTest, OverlongPathsAreRefused) {
    CommandLineOutcome outcome;
    std::string path259 = "c:\\" + std::string(252, 'a') + ".avs";
    ASSERT_EQ(path259.size(), 259u);
    UserSettings s = parsed((path259 + " out.avi").c_str(), &outcome);
    EXPECT_EQ(outcome, CommandLineOutcome::ok);
    EXPECT_EQ(std::string(s.sourcePath), path259);

    std::string path260 = "c:\\" + std::string(253, 'a') + ".avs";
    parsed(path260.c_str(), &outcome);
    EXPECT_EQ(outcome, CommandLineOutcome::pathTooLong);
    parsed(("in.avs " + path260).c_str(), &outcome);
    EXPECT_EQ(outcome, CommandLineOutcome::pathTooLong);
    // The derived name is refused too when it would not fit.
    std::string stem = "c:\\" + std::string(252, 'b') + ".avi";  // 259: becomes ..._.AVI
    parsed(stem.c_str(), &outcome);
    EXPECT_EQ(outcome, CommandLineOutcome::pathTooLong);
}

TEST(DerivedOutputNameTest, ExtensionBecomesAvi) {
    EXPECT_EQ(deriveOutputName("C:\\v\\clip.avs"), "C:\\v\\clip.AVI");
    EXPECT_EQ(deriveOutputName("C:\\v\\clip.vdr"), "C:\\v\\clip.AVI");
    EXPECT_EQ(deriveOutputName("C:\\v\\clip.avi"), "C:\\v\\clip_.AVI");
    EXPECT_EQ(deriveOutputName("C:\\v\\clip.AVI"), "C:\\v\\clip_.AVI");
    EXPECT_EQ(deriveOutputName("C:\\v\\clip.aVi"), "C:\\v\\clip_.AVI");
    EXPECT_EQ(deriveOutputName("clip"), "clipAVI");
    EXPECT_EQ(deriveOutputName("C:\\v.d\\clip"), "C:\\v.AVI");
    EXPECT_EQ(deriveOutputName(".avs"), ".avsAVI");  // a dot in the first place does not count
}

TEST(CommandLineTailTest, SkipsTheProgramNameAndOneBlank) {
    EXPECT_STREQ(commandLineTail("quorl.exe x.avs"), "x.avs");
    EXPECT_STREQ(commandLineTail("\"C:\\Program Files\\quorl.exe\" -r x.avs"), "-r x.avs");
    EXPECT_STREQ(commandLineTail("quorl.exe    "), "   ");
    EXPECT_STREQ(commandLineTail("quorl.exe"), "");
}

}  // namespace
