#include "ui/ConversionMatrixDialog.h"

#include <cstdint>

#include "app/Application.h"
#include "app/CpuFeatures.h"
#include "app/UserSettings.h"
#include "source/FormatCode.h"
#include "ui/resource.h"

namespace {

// The dialog shows rows and columns as RGB24, RGB32, YUY2, YV12, which is
// not the order the settings record keeps them in.
constexpr int32_t kDialogOrder[4] = {kFormatRGB24, kFormatRGB32, kFormatYUY2, kFormatYV12};

Application* matrixApplication = nullptr;
uint8_t workingEnabled = 0;
CpuFeatureQuery cpuFeatureQuery = queryCpuFeatures;

int cellBoxId(int row, int column) { return IDC_MATRIX_FIRST_CELL + 4 * row + column; }

// Row = source format, column = output format.
int8_t& cellOfBox(UserSettings& settings, int row, int column) {
    return matrixCell(settings.conversionMatrix, kDialogOrder[column], kDialogOrder[row]);
}

void showValue(HWND dialog, int boxId, int value) {
    CheckDlgButton(dialog, boxId, (value == 1 || value == -1) ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, boxId), value >= 0);
}

void applyEnablingRule(HWND dialog) {
    UserSettings& settings = matrixApplication->settings;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const bool changeable = cellOfBox(settings, row, column) >= 0;
            EnableWindow(GetDlgItem(dialog, cellBoxId(row, column)),
                         workingEnabled != 0 && changeable);
        }
    }
}

void initialise(HWND dialog, Application* app) {
    matrixApplication = app;
    UserSettings& settings = app->settings;
    workingEnabled = settings.conversionEnabled;
    showValue(dialog, IDC_MATRIX_ENABLE, settings.conversionEnabled);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            showValue(dialog, cellBoxId(row, column), cellOfBox(settings, row, column));
        }
    }
    applyEnablingRule(dialog);
}

void toggleConversions(HWND dialog) {
    if ((cpuFeatureQuery() & kCpuConversionBit) == 0) {
        MessageBeep(MB_ICONEXCLAMATION);
        // The box ticked itself; put back the mark of what will be stored.
        CheckDlgButton(dialog, IDC_MATRIX_ENABLE,
                       workingEnabled == 1 ? BST_CHECKED : BST_UNCHECKED);
        return;
    }
    workingEnabled = workingEnabled == 0 ? 1 : 0;
    applyEnablingRule(dialog);
}

void storeChoices(HWND dialog) {
    UserSettings& settings = matrixApplication->settings;
    settings.conversionEnabled = workingEnabled;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            int8_t& cell = cellOfBox(settings, row, column);
            if (cell < 0) continue;  // fixed cells are the program's, not the user's
            cell = IsDlgButtonChecked(dialog, cellBoxId(row, column)) == BST_CHECKED
                       ? kCellAllowed
                       : kCellDenied;
        }
    }
}

}  // namespace

void setMatrixCpuFeatureQuery(CpuFeatureQuery query) {
    cpuFeatureQuery = query != nullptr ? query : queryCpuFeatures;
}

void showConversionMatrix(Application& app, HWND owner) {
    DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_CONVERSION_MATRIX), owner,
                    conversionMatrixProcedure, reinterpret_cast<LPARAM>(&app));
}

INT_PTR CALLBACK conversionMatrixProcedure(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(dialog, reinterpret_cast<Application*>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_MATRIX_ENABLE:
                    toggleConversions(dialog);
                    return TRUE;
                case IDOK:
                    storeChoices(dialog);
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            // Only OK and Cancel end the dialog.
            return TRUE;
        default:
            return FALSE;
    }
}
