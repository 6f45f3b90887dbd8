// The link dialog's choosers, the proposed link name and the preview that
// fills the information fields, with the real open and save dialogs.
#include <gtest/gtest.h>

#include <thread>

#include "common/Paths.h"
#include "source/SourceReader.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/ui/WindowFixture.h"
#include "ui/FileDrop.h"
#include "ui/resource.h"

namespace {

constexpr int kFileNameBox = 0x47c;  // the file name field of the common dialogs

constexpr int kInfoFields[] = {
    IDC_INFO_WIDTH,       IDC_INFO_HEIGHT,          IDC_INFO_VIDEO_FORMAT, IDC_INFO_FPS,
    IDC_INFO_SAMPLE_RATE, IDC_INFO_BITS_PER_SAMPLE, IDC_INFO_CHANNELS,     IDC_INFO_NR_SAMPLES,
    IDC_INFO_NR_FRAMES,   IDC_INFO_VIDEO_TIME,      IDC_INFO_AUDIO_TIME,
};

// A person who types a file name into a common dialog and confirms it.
std::thread pickFile(const char* caption, std::string path) {
    return std::thread([caption, path] {
        HWND dialog = waitForDialog(caption);
        if (dialog == nullptr) return;
        SetDlgItemTextW(dialog, kFileNameBox, paths::wide(path).c_str());
        pressButton(dialog, IDOK);
    });
}

// The proposal for a source that is itself an AVI file: only the letters A
// to Z are lower-cased, the rest of the name stays.
std::string proposedForAvi(const std::string& source) {
    std::string stem = source.substr(0, source.size() - 4);
    for (char& c : stem)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return stem + "_SHIM.AVI";
}

// A copy of a test source in a folder and under a name in Cyrillic.
std::string cyrillicSource() {
    const std::string folder = joinPath(scratchFolder(), "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE");  // Видео
    makeFolder(folder);
    const std::string source = joinPath(folder, "\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF.avi");  // Клип
    EXPECT_TRUE(copyFile(uiMediaPath("pal.avi"), source));
    return source;
}

class LinkDialogTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        openWindow();
        app->openFunction = openSource;
    }
    void TearDown() override {
        app->replacePreview(nullptr);
        WindowFixture::TearDown();
    }

    // Types a path into the input field and presses its Browse button; the
    // person cancels the open dialog, so the typed path is what is used. A
    // preview that fails shows a message, which the person also closes.
    std::vector<std::string> browseFromTypedPath(const std::string& typed, bool failsToOpen = true) {
        setLinkField(IDC_LINK_INPUT, typed);
        WindowAnswerer cancel("Open", IDCANCEL);
        WindowAnswerer message("Quorl", IDOK);
        clickLinkButton(IDC_LINK_BROWSE_INPUT);
        EXPECT_EQ(cancel.answered(), 1u);
        if (failsToOpen) {
            EXPECT_TRUE(message.waitForAnswers(1, 5000));
        }
        return message.texts();
    }
};

TEST_F(LinkDialogTest, ProposedNamesFollowTheSourceName) {
    makeFolder("D:\\Video");
    writeFileBytes("D:\\Video\\Clip.avs", {'x'});

    std::vector<std::string> messages = browseFromTypedPath("D:\\Video\\Clip.avs");
    EXPECT_EQ(linkField(IDC_LINK_INPUT), "D:\\Video\\Clip.avs");
    EXPECT_STREQ(settings.sourcePath, "d:\\video\\clip.avs");
    EXPECT_STREQ(settings.outputPath, "d:\\video\\clip.avi");
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), "d:\\video\\clip.avi");
    // Not a source AVIFile can open: the preview fails and the fields say so.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unable to open file\nAre you forcing your AVI to unsupported format\n");
    for (int field : kInfoFields) EXPECT_EQ(linkField(field), "none") << field;
    EXPECT_EQ(app->previewSource, nullptr);

    browseFromTypedPath("D:\\Video\\Clip.AVI");
    EXPECT_STREQ(settings.outputPath, "d:\\video\\clip_SHIM.AVI");
    browseFromTypedPath("D:\\Video\\clip");
    EXPECT_STREQ(settings.outputPath, "d:\\video\\clipavi");
    // A dot only in a folder name still counts as the extension's dot.
    browseFromTypedPath("D:\\v.d\\clip");
    EXPECT_STREQ(settings.outputPath, "d:\\v.avi");
}

TEST_F(LinkDialogTest, OverlongProposalLeavesTheOutputEmptyInsteadOfCuttingIt) {
    // 258 characters and no dot: with "AVI" appended it would not fit.
    std::string longPath = "d:\\" + std::string(255, 'a');
    browseFromTypedPath(longPath, false);
    EXPECT_EQ(std::string(settings.sourcePath), longPath);
    EXPECT_STREQ(settings.outputPath, "");
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), "");
}

TEST_F(LinkDialogTest, PickedPalSourceFillsTheFields) {
    std::thread person = pickFile("Open", uiMediaPath("pal.avi"));
    clickLinkButton(IDC_LINK_BROWSE_INPUT);
    person.join();
    EXPECT_EQ(linkField(IDC_LINK_INPUT), uiMediaPath("pal.avi"));
    ASSERT_NE(app->previewSource, nullptr);
    EXPECT_EQ(linkField(IDC_INFO_WIDTH), "16");
    EXPECT_EQ(linkField(IDC_INFO_HEIGHT), "16");
    EXPECT_EQ(linkField(IDC_INFO_VIDEO_FORMAT), "RGB24");
    EXPECT_EQ(linkField(IDC_INFO_FPS), "25.000");
    EXPECT_EQ(linkField(IDC_INFO_NR_FRAMES), "1500");
    EXPECT_EQ(linkField(IDC_INFO_VIDEO_TIME), "00:01:00");
    EXPECT_EQ(linkField(IDC_INFO_SAMPLE_RATE), "48000");
    EXPECT_EQ(linkField(IDC_INFO_BITS_PER_SAMPLE), "8");
    EXPECT_EQ(linkField(IDC_INFO_CHANNELS), "1");
    EXPECT_EQ(linkField(IDC_INFO_NR_SAMPLES), "5400000");
    EXPECT_EQ(linkField(IDC_INFO_AUDIO_TIME), "00:01:52");
    // The source was itself an AVI file: the proposal keeps it apart.
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), "m:\\ui\\pal_SHIM.AVI");
}

TEST_F(LinkDialogTest, ASourceNamedInCyrillicIsPickedPreviewedAndNamesItsLink) {
    const std::string source = cyrillicSource();
    std::thread person = pickFile("Open", source);
    clickLinkButton(IDC_LINK_BROWSE_INPUT);
    person.join();
    EXPECT_EQ(linkField(IDC_LINK_INPUT), source);
    ASSERT_NE(app->previewSource, nullptr);
    EXPECT_EQ(linkField(IDC_INFO_NR_FRAMES), "1500");
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), proposedForAvi(source));
}

TEST_F(LinkDialogTest, DroppedFilesAreTakenAsTheInputChooserTakesThem) {
    const std::string pal = uiMediaPath("pal.avi"), ntsc = uiMediaPath("ntsc.avi");
    const std::string cyrillic = cyrillicSource(), before = "M:\\before.avs";
    // No short form can name a file in a folder that does not exist.
    const std::string tooLong = joinPath(scratchFolder(), "none\\" + std::string(260, 'a') + ".avs");
    struct Case {
        const char* what;
        HWND target;  // a drop lands on the dialog or, on caption and menu, the window
        std::vector<std::string> files, messages;
        std::string input;  // a refusal leaves the fields as they were
        const char* frames;
    };
    const Case cases[] = {
        {"a name in ASCII", app->linkDialog, {pal}, {}, pal, "1500"},
        {"a name in Cyrillic", app->mainWindow, {cyrillic}, {}, cyrillic, "1500"},
        {"several files", app->linkDialog, {ntsc, pal}, {kSeveralFilesDroppedText}, ntsc, "30"},
        {"a folder", app->mainWindow, {scratchFolder(), pal}, {kFolderDroppedText}, before, "?"},
        {"a path too long", app->linkDialog, {tooLong}, {kDroppedPathTooLongText}, before, "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setLinkField(IDC_LINK_INPUT, before);
        setLinkField(IDC_LINK_OUTPUT, proposedForAvi(before));
        setLinkField(IDC_INFO_NR_FRAMES, "?");
        WindowAnswerer person("Quorl", IDOK);
        dropFiles(c.target, c.files);
        person.stop();
        EXPECT_EQ(person.texts(), c.messages);
        EXPECT_EQ(linkField(IDC_LINK_INPUT), c.input);
        EXPECT_EQ(linkField(IDC_LINK_OUTPUT), proposedForAvi(c.input));
        EXPECT_EQ(linkField(IDC_INFO_NR_FRAMES), c.frames);
    }
}

TEST_F(LinkDialogTest, NtscRateShowsThreeDecimalsAndNoSoundShowsNone) {
    browseFromTypedPath(uiMediaPath("ntsc.avi"), false);
    EXPECT_EQ(linkField(IDC_INFO_FPS), "29.970");
    EXPECT_EQ(linkField(IDC_INFO_SAMPLE_RATE), "none");
    EXPECT_EQ(linkField(IDC_INFO_AUDIO_TIME), "none");
}

TEST_F(LinkDialogTest, SaveDialogSetsTheOutputAndClearsTheOverwriteQuestion) {
    setLinkField(IDC_LINK_OUTPUT, "S:\\before.AVI");
    {
        WindowAnswerer cancel("Save As", IDCANCEL);
        clickLinkButton(IDC_LINK_BROWSE_OUTPUT);
    }
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), "S:\\before.AVI");
    EXPECT_TRUE(app->askOverwrite);
    EXPECT_FALSE(app->createRequested);

    std::string chosen = joinPath(scratchFolder(), "chosen.AVI");
    DeleteFileA(chosen.c_str());
    std::thread person = pickFile("Save As", chosen);
    clickLinkButton(IDC_LINK_BROWSE_OUTPUT);
    person.join();
    EXPECT_EQ(std::string(settings.outputPath), chosen);
    EXPECT_EQ(linkField(IDC_LINK_OUTPUT), chosen);
    EXPECT_FALSE(app->askOverwrite);
}

TEST_F(LinkDialogTest, RunPreviewsTheStoredSourceAndKeepsTheClosedReader) {
    lstrcpyA(settings.sourcePath, uiMediaPath("ntsc.avi").c_str());
    PostMessageA(app->mainWindow, WM_COMMAND, IDM_FILE_CREATE_LINK, 0);
    SourceReader* preview = app->run(openSource);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview, app->previewSource);
    EXPECT_EQ(linkField(IDC_INFO_NR_FRAMES), "30");
    EXPECT_TRUE(app->createRequested);
}

}  // namespace
