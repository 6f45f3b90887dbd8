// The advanced file information dialog on real sources, and its message loop.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>

#include "app/Application.h"
#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/ui/DialogDriver.h"
#include "tests/ui/WindowFixture.h"
#include "ui/AdvancedInfoDialog.h"
#include "ui/resource.h"

namespace {

constexpr char kCaption[] = "Advanced AVI file information";

constexpr int kFields[] = {
    IDC_ADV_FILENAME,         IDC_ADV_FRAME_SIZE,         IDC_ADV_FRAME_RATE,
    IDC_ADV_COMPRESSOR,       IDC_ADV_VIDEO_LENGTH,       IDC_ADV_AUDIO_LENGTH,
    IDC_ADV_CODED_TAG,        IDC_ADV_CODED_CHANNELS,     IDC_ADV_CODED_RATE,
    IDC_ADV_CODED_AVG_BYTES,  IDC_ADV_CODED_BITS,         IDC_ADV_CODED_BLOCK_ALIGN,
    IDC_ADV_DECODED_TAG,      IDC_ADV_DECODED_CHANNELS,   IDC_ADV_DECODED_RATE,
    IDC_ADV_DECODED_AVG_BYTES, IDC_ADV_DECODED_BITS,      IDC_ADV_DECODED_BLOCK_ALIGN};

// What the dialog showed: field texts and the four format boxes as a word
// such as "RGB24 YUY2".
struct Shown {
    std::map<int, std::string> field;
    std::string formats;
    bool boxesDisabled = true;
};

class AdvancedInfoDialog : public testing::Test {
protected:
    AdvancedInfoDialog() : app("", GetModuleHandleA(nullptr), SW_SHOW, settings) {}

    Shown show(const std::string& path) {
        Shown shown;
        playDialog(kCaption, [&] { showAdvancedInfo(app, path.c_str()); }, [&](HWND dialog) {
            for (int id : kFields) shown.field[id] = fieldText(dialog, id);
            const std::pair<int, const char*> boxes[] = {{IDC_ADV_CAN_RGB24, "RGB24"},
                                                         {IDC_ADV_CAN_RGB32, "RGB32"},
                                                         {IDC_ADV_CAN_YUY2, "YUY2"},
                                                         {IDC_ADV_CAN_YV12, "YV12"}};
            for (const auto& [id, name] : boxes) {
                if (isChecked(dialog, id)) shown.formats += shown.formats.empty() ? name : std::string(" ") + name;
                if (isEnabled(dialog, id)) shown.boxesDisabled = false;
            }
            return IDOK;
        });
        EXPECT_TRUE(app.dialogClosed);
        EXPECT_EQ(findDialog(kCaption), nullptr) << "the dialog outlived OK";
        return shown;
    }

    UserSettings settings{};
    Application app;
};

TEST_F(AdvancedInfoDialog, UncompressedRgb24Source) {
    const std::string path = mediaPath("rgb24.avi");
    Shown shown = show(path);
    EXPECT_EQ(shown.field[IDC_ADV_FILENAME], path);
    EXPECT_EQ(shown.field[IDC_ADV_FRAME_SIZE], "(80x48)");
    EXPECT_EQ(shown.field[IDC_ADV_FRAME_RATE], "25.00");
    EXPECT_EQ(shown.field[IDC_ADV_COMPRESSOR], "BI_RGB");
    EXPECT_EQ(shown.field[IDC_ADV_VIDEO_LENGTH], "00:00:01 (25)");
    EXPECT_EQ(shown.formats, "RGB24");
    // No sound: the audio fields stay empty.
    EXPECT_EQ(shown.field[IDC_ADV_AUDIO_LENGTH], "");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_TAG], "");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_TAG], "");
}

TEST_F(AdvancedInfoDialog, EverythingIsForReadingOnly) {
    Shown shown = show(mediaPath("rgb24.avi"));
    EXPECT_TRUE(shown.boxesDisabled);
    playDialog(kCaption, [&] { showAdvancedInfo(app, mediaPath("rgb24.avi").c_str()); },
               [&](HWND dialog) {
                   RECT size{0, 0, 212, 279};
                   MapDialogRect(dialog, &size);
                   RECT client{};
                   GetClientRect(dialog, &client);
                   EXPECT_EQ(client.right, size.right);
                   EXPECT_EQ(client.bottom, size.bottom);
                   for (int id : kFields) {
                       HWND field = GetDlgItem(dialog, id);
                       const LONG style = GetWindowLongA(field, GWL_STYLE);
                       EXPECT_NE(style & ES_READONLY, 0) << id;
                       // Edit fields turn a plain border into a sunken edge.
                       const LONG extended = GetWindowLongA(field, GWL_EXSTYLE);
                       EXPECT_TRUE((style & WS_BORDER) != 0 || (extended & WS_EX_CLIENTEDGE) != 0)
                           << id;
                   }
                   return IDOK;
               });
}

TEST_F(AdvancedInfoDialog, CinepakSourceNamesItsFourccAndTheDecompressorsFormats) {
    Shown shown = show(mediaPath("cinepak.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_COMPRESSOR], "cvid");
    EXPECT_EQ(shown.field[IDC_ADV_FRAME_SIZE], "(80x48)");
    // What Wine's Cinepak decompressor accepts: not YV12.
    EXPECT_EQ(shown.formats, "RGB24 RGB32 YUY2");
}

TEST_F(AdvancedInfoDialog, PcmAudioShowsTheSameFormatCodedAndDecoded) {
    Shown shown = show(mediaPath("pcm48.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_AUDIO_LENGTH], "00:00:02 (96000)");
    for (auto [coded, decoded] : {std::pair{IDC_ADV_CODED_TAG, IDC_ADV_DECODED_TAG},
                                  {IDC_ADV_CODED_CHANNELS, IDC_ADV_DECODED_CHANNELS},
                                  {IDC_ADV_CODED_RATE, IDC_ADV_DECODED_RATE},
                                  {IDC_ADV_CODED_AVG_BYTES, IDC_ADV_DECODED_AVG_BYTES},
                                  {IDC_ADV_CODED_BITS, IDC_ADV_DECODED_BITS},
                                  {IDC_ADV_CODED_BLOCK_ALIGN, IDC_ADV_DECODED_BLOCK_ALIGN}}) {
        EXPECT_EQ(shown.field[coded], shown.field[decoded]) << coded;
    }
    EXPECT_EQ(shown.field[IDC_ADV_CODED_TAG], "1");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_CHANNELS], "2");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_RATE], "48000");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_AVG_BYTES], "192000");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_BITS], "16");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_BLOCK_ALIGN], "4");
    EXPECT_EQ(shown.formats, "RGB24");
}

TEST_F(AdvancedInfoDialog, ImaAdpcmAudioShowsCodedAndDecodedFormats) {
    Shown shown = show(mediaPath("ima.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_CODED_TAG], "17");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_CHANNELS], "2");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_RATE], "22050");
    EXPECT_EQ(shown.field[IDC_ADV_CODED_BITS], "4");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_TAG], "1");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_CHANNELS], "2");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_RATE], "22050");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_AVG_BYTES], "88200");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_BITS], "16");
    EXPECT_EQ(shown.field[IDC_ADV_DECODED_BLOCK_ALIGN], "4");
    EXPECT_EQ(shown.formats, "RGB24");
}

TEST_F(AdvancedInfoDialog, LengthsAndRatesOfLongerSources) {
    Shown minute = show(uiMediaPath("pal.avi"));
    EXPECT_EQ(minute.field[IDC_ADV_FRAME_RATE], "25.00");
    EXPECT_EQ(minute.field[IDC_ADV_VIDEO_LENGTH], "00:01:00 (1500)");
    EXPECT_EQ(minute.field[IDC_ADV_AUDIO_LENGTH], "00:01:52 (5400000)");

    Shown ntsc = show(uiMediaPath("ntsc.avi"));
    EXPECT_EQ(ntsc.field[IDC_ADV_FRAME_RATE], "29.97");
    EXPECT_EQ(ntsc.field[IDC_ADV_VIDEO_LENGTH], "00:00:01 (30)");
}

TEST_F(AdvancedInfoDialog, MissingFileShowsTheFailureAndNothingElse) {
    Shown shown = show(mediaPath("no-such-file.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_FILENAME], "Unable to AVI file");
    for (int id : kFields) {
        if (id == IDC_ADV_FILENAME) continue;
        EXPECT_EQ(shown.field[id], "") << id;
    }
    EXPECT_EQ(shown.formats, "");
}

TEST_F(AdvancedInfoDialog, SoundOnlyFileDeliversNoVideoFormat) {
    Shown shown = show(mediaPath("audio-only.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_FILENAME], mediaPath("audio-only.avi"));
    EXPECT_EQ(shown.field[IDC_ADV_FRAME_SIZE], "");
    EXPECT_EQ(shown.formats, "");
}

// A main window (hidden unless shown) that counts what reaches it.
struct MainWindow {
    static inline std::atomic<int> commands = 0;
    static inline std::atomic<int> paints = 0;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND) ++commands;
        if (message == WM_PAINT) {
            ++paints;
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    MainWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "AdvancedInfoTestMain";
        RegisterClassA(&windowClass);
        handle = CreateWindowA("AdvancedInfoTestMain", "main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~MainWindow() { DestroyWindow(handle); }
    HWND handle;
};

// Dispatches what is waiting in this thread's queue.
void dispatchWaiting() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Waits up to 2 s for a quit message, dispatching whatever comes before it;
// true when one with `code` came.
bool drainQueueSeesQuit(int code) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < 2000) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(10);
            continue;
        }
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam) == code;
        DispatchMessageA(&message);
    }
    return false;
}

TEST_F(AdvancedInfoDialog, QuitDuringTheDialogReachesTheOuterLoop) {
    MainWindow main;
    app.mainWindow = main.handle;
    const DWORD thread = GetCurrentThreadId();
    playDialog(kCaption, [&] { showAdvancedInfo(app, mediaPath("rgb24.avi").c_str()); },
               [&](HWND) {
                   PostThreadMessageA(thread, WM_QUIT, 7, 0);
                   return 0;
               });
    EXPECT_TRUE(drainQueueSeesQuit(7));
    // Quitting takes the dialog away with it.
    EXPECT_EQ(findDialog(kCaption), nullptr);
}

TEST_F(AdvancedInfoDialog, MainWindowGetsNoCommandsButRepaints) {
    MainWindow main;
    ShowWindow(main.handle, SW_SHOW);
    UpdateWindow(main.handle);
    app.mainWindow = main.handle;
    MainWindow::commands = 0;
    MainWindow::paints = 0;
    HWND owner = nullptr;
    bool repainted = false;
    playDialog(kCaption, [&] { showAdvancedInfo(app, mediaPath("rgb24.avi").c_str()); },
               [&](HWND dialog) {
                   owner = GetWindow(dialog, GW_OWNER);
                   PostMessageA(main.handle, WM_COMMAND, IDM_FILE_OPEN, 0);
                   const int paintsBefore = MainWindow::paints;
                   InvalidateRect(main.handle, nullptr, TRUE);
                   for (int wait = 0; wait < 100 && !repainted; ++wait) {
                       Sleep(20);
                       repainted = MainWindow::paints > paintsBefore;
                   }
                   // Posted after the command, so the loop has taken that first.
                   return IDOK;
               });
    EXPECT_EQ(owner, main.handle);
    EXPECT_TRUE(repainted);
    EXPECT_EQ(MainWindow::commands, 0);
    dispatchWaiting();
    EXPECT_EQ(MainWindow::commands, 0);
}

TEST_F(AdvancedInfoDialog, CloseBoxClosesTheDialog) {
    playDialog(kCaption, [&] { showAdvancedInfo(app, mediaPath("rgb24.avi").c_str()); },
               [&](HWND dialog) {
                   PostMessageA(dialog, WM_CLOSE, 0, 0);
                   return 0;
               });
    EXPECT_TRUE(app.dialogClosed);
    EXPECT_EQ(findDialog(kCaption), nullptr);
}

}  // namespace
