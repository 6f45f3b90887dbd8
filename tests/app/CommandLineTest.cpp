// Splitting the command line, reading its switches and the derived link name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "ui/LinkName.h"

namespace {

// Every argument that got a slot, empty ones too, were there any.
std::vector<std::string> arguments(const char* text) {
    ArgumentTable table = splitCommandLine(text);
    std::vector<std::string> out;
    for (int i = 0; i < table.count && i < kArgumentSlots; ++i) out.push_back(table.slots[i]);
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
    EXPECT_EQ(splitCommandLine("1 2 3 4 5 6 7 8 9 10 11 12").count, 12);
}

// Ten arguments are the most: an eleventh would push the output out of the table.
TEST(CommandLineSwitchTest, TenArgumentsAreTheMost) {
    struct Row {
        const char* text;
        CommandLineOutcome outcome;
        const char* source = "";
        const char* output = "";
    };
    const Row rows[] = {
        {"-r -c RGB32 -c RGB24 -f YV12 -x in.avs out.avi", CommandLineOutcome::ok, "in.avs", "out.avi"},
        {"-r -c RGB32 -c RGB24 -f YV12 -x in.avs out.avi more", CommandLineOutcome::tooManyArguments},
        {"-r -r -r -r -r -r -r -r -r in.avs", CommandLineOutcome::ok, "in.avs", "in.AVI"},
        {"-r -r -r -r -r -r -r -r -r in.avs out.avi", CommandLineOutcome::tooManyArguments},
        {"-q -r in.avs", CommandLineOutcome::ok, "in.avs", "in.AVI"},  // -q is not the parse's
    };
    for (const Row& row : rows) {
        CommandLineOutcome outcome;
        UserSettings s = parsed(row.text, &outcome);
        EXPECT_EQ(outcome, row.outcome) << row.text;
        if (row.outcome != CommandLineOutcome::ok) continue;
        EXPECT_STREQ(s.sourcePath, row.source) << row.text;
        EXPECT_STREQ(s.outputPath, row.output) << row.text;
        EXPECT_EQ(s.rawAudio, 1) << row.text;
    }
}

TEST(CommandLineSwitchTest, QuietIsASwitchBeforeTheInput) {
    struct Row {
        const char* text;
        bool quiet;
    };
    const Row rows[] = {
        {"-q in.avs", true},         {"-Q in.avs", true},          {"-r -qx in.avs", true},
        {"-f YV12 -q in.avs", true}, {"-r -r -r -r -r -r -r -r -r -q", true},
        {"in.avs -q", false},        {"-f -q in.avs", false},      {"-c -q in.avs", false},
        {"", false},
    };
    for (const Row& row : rows) EXPECT_EQ(quietSwitchGiven(row.text), row.quiet) << row.text;
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
    EXPECT_NE(report(parsed("-c YUY2 -c YV12 -c RGB32 in.avs")).find("Possible output format(s): YV12 YUY2 RGB32 \n"),
              std::string::npos);
    for (int32_t source : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12})
        EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatRGB24, source), 1);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB32), 0);
    EXPECT_EQ(matrixCell(s.conversionMatrix, kFormatYV12, kFormatRGB24), 0);
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
    EXPECT_EQ(s.forcedFormat, 0);  // the open passes it on even when not forced
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
    EXPECT_STREQ(parsed("in.avs -r").outputPath, "-r");  // switches come before the input
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
    parsed((path260 + " out.avi").c_str(), &outcome);
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
    EXPECT_STREQ(commandLineTail("quorl.exe\tx.avs"), "x.avs");
    EXPECT_STREQ(commandLineTail("\"C:\\P F\\quorl.exe\"\t-r"), "-r");
}

// The link dialog's proposal: lower case, "AVI" for the extension, and never
// a byte past the 260-byte field (the record's next field follows it).
TEST(ProposedLinkNameTest, ExtensionBecomesAviInLowerCase) {
    struct Row {
        std::string source;
        std::string output;
    };
    const std::string a256(256, 'a'), a257(257, 'a'), a260(260, 'A');
    const std::string stem250 = "c:\\" + std::string(247, 'b'), stem251 = stem250 + "b";
    const Row rows[] = {
        {"D:\\Video\\Clip.avs", "d:\\video\\clip.avi"},
        {"D:\\Video\\Clip.AVI", "d:\\video\\clip_SHIM.AVI"},
        {"D:\\Video\\clip", "d:\\video\\clipavi"},
        {"C:\\V.D\\CLIP", "c:\\v.avi"},
        {"C:\\V.D\\CLIP.AVS", "c:\\v.d\\clip.avi"},
        {".AVS", ".avsavi"},  // a dot in the first place does not count
        {"X:\\\xC4Z.AVS", "x:\\\xC4z.avi"},  // only A to Z change
        {a256, a256 + "avi"},  // 259 characters: fits
        {a257, ""},            // 260 would need the terminator's place
        {a260, ""},            // an unterminated field is read as 259 characters
        {stem250 + ".avi", stem250 + "_SHIM.AVI"},
        {stem251 + ".avi", ""},
    };
    for (const Row& row : rows) {
        UserSettings s;
        std::memset(&s, 0x11, sizeof s);
        std::memcpy(s.sourcePath, row.source.c_str(), std::min<size_t>(row.source.size() + 1, 260));
        proposeLinkName(s.sourcePath, s.outputPath);
        EXPECT_EQ(std::string(s.outputPath), row.output) << row.source;
        std::string lowered = row.source.substr(0, 259);
        for (char& c : lowered) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        EXPECT_EQ(std::string(s.sourcePath), lowered) << row.source;
        EXPECT_EQ(s.rawAudio, 0x11) << row.source;
    }
}

}  // namespace
