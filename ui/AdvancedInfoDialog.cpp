#include "ui/AdvancedInfoDialog.h"

#include <cstdio>

#include "app/Application.h"
#include "source/AVIReader.h"
#include "source/FormatCode.h"
#include "ui/AdvancedInfoText.h"
#include "ui/DialogText.h"
#include "ui/resource.h"

namespace {

constexpr char kOpenFailedText[] = "Unable to AVI file";
constexpr char kNoDialogText[] = "Unable to show the file information\n";

Application* advancedApplication = nullptr;

void setNumber(HWND dialog, int id, long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetDlgItemTextA(dialog, id, text);
}

void fillVideo(HWND dialog, const AVIReader& reader, const BITMAPINFOHEADER& bitmap) {
    char text[64];
    std::snprintf(text, sizeof text, "(%dx%d)", static_cast<int>(reader.width),
                  static_cast<int>(reader.height));
    SetDlgItemTextA(dialog, IDC_ADV_FRAME_SIZE, text);
    formatFrameRate(reader.fpsNumerator, reader.fpsDenominator, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ADV_FRAME_RATE, text);
    compressionName(bitmap.biCompression, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ADV_COMPRESSOR, text);
    formatLength(videoSeconds(reader.nrFrames, reader.fpsNumerator, reader.fpsDenominator),
                 reader.nrFrames, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ADV_VIDEO_LENGTH, text);
}

struct WaveFields {
    int tag, channels, rate, avgBytes, bits, blockAlign;
};
constexpr WaveFields kCodedFields{IDC_ADV_CODED_TAG,       IDC_ADV_CODED_CHANNELS,
                                  IDC_ADV_CODED_RATE,      IDC_ADV_CODED_AVG_BYTES,
                                  IDC_ADV_CODED_BITS,      IDC_ADV_CODED_BLOCK_ALIGN};
constexpr WaveFields kDecodedFields{IDC_ADV_DECODED_TAG,       IDC_ADV_DECODED_CHANNELS,
                                    IDC_ADV_DECODED_RATE,      IDC_ADV_DECODED_AVG_BYTES,
                                    IDC_ADV_DECODED_BITS,      IDC_ADV_DECODED_BLOCK_ALIGN};

void fillWave(HWND dialog, const WaveFields& fields, const WAVEFORMATEX& wave) {
    setNumber(dialog, fields.tag, wave.wFormatTag);
    setNumber(dialog, fields.channels, wave.nChannels);
    setNumber(dialog, fields.rate, static_cast<long>(wave.nSamplesPerSec));
    setNumber(dialog, fields.avgBytes, static_cast<long>(wave.nAvgBytesPerSec));
    setNumber(dialog, fields.bits, wave.wBitsPerSample);
    setNumber(dialog, fields.blockAlign, wave.nBlockAlign);
}

void fillAudio(HWND dialog, const AVIReader& reader, const WAVEFORMATEX& coded,
               const WAVEFORMATEX& decoded) {
    char text[64];
    formatLength(audioSeconds(reader.numAudioSamples, reader.audioSamplesPerSecond),
                 reader.numAudioSamples, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ADV_AUDIO_LENGTH, text);
    fillWave(dialog, kCodedFields, coded);
    fillWave(dialog, kDecodedFields, decoded);
}

// Each probe opens the source afresh with one forced format; the audio is
// set up too, so a source whose audio cannot be decoded supports nothing.
void probeOutputFormats(HWND dialog, AVIReader& reader, const char* path) {
    static const struct {
        int32_t format;
        int box;
    } kProbes[] = {{kFormatRGB32, IDC_ADV_CAN_RGB32},
                   {kFormatRGB24, IDC_ADV_CAN_RGB24},
                   {kFormatYUY2, IDC_ADV_CAN_YUY2},
                   {kFormatYV12, IDC_ADV_CAN_YV12}};
    for (const auto& probe : kProbes) {
        const bool opened = reader.openWithFormat(path, true, true, kCallerName, probe.format);
        // A file without video opens whatever format is forced, yet
        // delivers none of them.
        const bool delivers = opened && reader.videoOpened;
        CheckDlgButton(dialog, probe.box, delivers ? BST_CHECKED : BST_UNCHECKED);
        reader.close(true, true);
    }
}

void fillFromSource(HWND dialog, const char* path) {
    AVIReader reader;
    if (!reader.openWithFormat(path, true, true, kCallerName, kFormatNone)) {
        SetDlgItemTextA(dialog, IDC_ADV_FILENAME, kOpenFailedText);
        return;
    }
    BITMAPINFOHEADER bitmap{};
    WAVEFORMATEX coded{}, decoded{};
    reader.getStreamDetails(nullptr, nullptr, &coded, &decoded, &bitmap);
    if (reader.videoOpened) {
        fillVideo(dialog, reader, bitmap);
        if (reader.audioOpened) fillAudio(dialog, reader, coded, decoded);
    }
    reader.close(true, true);
    probeOutputFormats(dialog, reader, path);
}

// Runs until the dialog is gone. Only the dialog takes messages; the rest of
// the program may repaint but gets no input, so no command can start while
// the dialog is open. A quit request is handed back to the outer loop.
void runDialogLoop(Application& app, HWND dialog) {
    app.dialogClosed = false;
    MSG message;
    while (!app.dialogClosed && IsWindow(dialog)) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (IsDialogMessageA(dialog, &message)) continue;
        // A window left invalid would get WM_PAINT again at once and keep the
        // loop spinning.
        if (message.message == WM_PAINT) DispatchMessageA(&message);
    }
}

}  // namespace

void showAdvancedInfo(Application& app, const char* path) {
    if (path == nullptr) path = "";
    HWND dialog = CreateDialogParamW(app.instance, MAKEINTRESOURCEW(IDD_ADVANCED_INFO),
                                     app.mainWindow, advancedInfoProcedure,
                                     reinterpret_cast<LPARAM>(&app));
    if (dialog == nullptr) {
        app.showMessage(kNoDialogText);
        return;
    }
    setDialogText(dialog, IDC_ADV_FILENAME, path);
    fillFromSource(dialog, path);
    runDialogLoop(app, dialog);
    // Left open only when the program is quitting.
    if (IsWindow(dialog)) DestroyWindow(dialog);
}

INT_PTR CALLBACK advancedInfoProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            advancedApplication = reinterpret_cast<Application*>(lParam);
            ShowWindow(dialog, SW_SHOW);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDOK) return FALSE;
            [[fallthrough]];
        case WM_CLOSE:
            advancedApplication->dialogClosed = true;
            DestroyWindow(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}
