// The conversion matrix dialog, run modally and operated from a second thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "app/Application.h"
#include "app/CpuFeatures.h"
#include "app/UserSettings.h"
#include "source/FormatCode.h"
#include "tests/support/WindowAnswerer.h"
#include "tests/ui/DialogDriver.h"
#include "ui/ConversionMatrixDialog.h"
#include "ui/resource.h"

namespace {

constexpr char kCaption[] = "Set Conversion matrix";
constexpr int kEnable = 1050;
// The dialog's order of rows (source) and columns (output).
constexpr int32_t kOrder[4] = {kFormatRGB24, kFormatRGB32, kFormatYUY2, kFormatYV12};

int boxId(int row, int column) { return 1034 + 4 * row + column; }

// The stored byte of a cell, found the way the record's layout describes it
// rather than through the program's accessor.
int8_t& storedCell(UserSettings& settings, int32_t output, int32_t source) {
    auto* bytes = reinterpret_cast<unsigned char*>(&settings);
    return reinterpret_cast<int8_t&>(bytes[529 + 4 * (4 - output) + (4 - source)]);
}

int8_t& cellOfBox(UserSettings& settings, int row, int column) {
    return storedCell(settings, kOrder[column], kOrder[row]);
}

class ConversionMatrixDialog : public testing::Test {
protected:
    ConversionMatrixDialog() : app("", GetModuleHandleA(nullptr), SW_SHOW, settings) {
        applyDefaultSettings(settings, kCpuConversionBit);
    }
    ~ConversionMatrixDialog() override { setMatrixCpuFeatureQuery(nullptr); }

    void run(const std::function<int(HWND)>& person) {
        playDialog(kCaption, [&] { showConversionMatrix(app, nullptr); }, person);
    }

    UserSettings settings{};
    Application app;
};

bool isRgbToYuv(int row, int column) { return row < 2 && column >= 2; }

TEST_F(ConversionMatrixDialog, DefaultMatrixFixesRgbToYuvOffAndStoresWhatWasClicked) {
    ASSERT_EQ(settings.conversionEnabled, 1);
    run([&](HWND dialog) {
        EXPECT_TRUE(isChecked(dialog, kEnable));
        EXPECT_TRUE(isEnabled(dialog, kEnable));
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                SCOPED_TRACE(boxId(row, column));
                const bool fixedOff = isRgbToYuv(row, column);
                EXPECT_EQ(isChecked(dialog, boxId(row, column)), !fixedOff);
                EXPECT_EQ(isEnabled(dialog, boxId(row, column)), !fixedOff);
            }
        }
        for (int id : {1036, 1037, 1040, 1041}) click(dialog, id);
        // A mouse click cannot reach a disabled box, but BM_CLICK can (Wine
        // then ticks it); what matters is that nothing of it is stored.
        click(dialog, 1043);  // source YUY2 into RGB32: off
        return IDOK;
    });
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(boxId(row, column));
            const int8_t expected = isRgbToYuv(row, column) ? kCellDeniedFixed
                                    : boxId(row, column) == 1043 ? kCellDenied
                                                                 : kCellAllowed;
            EXPECT_EQ(cellOfBox(settings, row, column), expected);
        }
    }
    EXPECT_EQ(settings.conversionEnabled, 1);
}

TEST_F(ConversionMatrixDialog, SwitchEnablesExactlyTheChangeableBoxes) {
    settings.conversionEnabled = 0;
    cellOfBox(settings, 2, 0) = kCellAllowedFixed;  // source YUY2 into RGB24
    run([&](HWND dialog) {
        EXPECT_FALSE(isChecked(dialog, kEnable));
        for (int id = 1034; id <= 1049; ++id) EXPECT_FALSE(isEnabled(dialog, id)) << id;
        click(dialog, kEnable);
        EXPECT_TRUE(isChecked(dialog, kEnable));
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                const bool fixed = isRgbToYuv(row, column) || (row == 2 && column == 0);
                EXPECT_EQ(isEnabled(dialog, boxId(row, column)), !fixed) << boxId(row, column);
            }
        }
        click(dialog, kEnable);
        for (int id = 1034; id <= 1049; ++id) EXPECT_FALSE(isEnabled(dialog, id)) << id;
        click(dialog, kEnable);
        return IDOK;
    });
    EXPECT_EQ(settings.conversionEnabled, 1);
    EXPECT_EQ(cellOfBox(settings, 2, 0), kCellAllowedFixed);
}

TEST_F(ConversionMatrixDialog, OkStoresAnUncheckedBoxAndCancelStoresNothing) {
    const int8_t& rgb24IntoRgb32 = storedCell(settings, kFormatRGB32, kFormatRGB24);
    ASSERT_EQ(rgb24IntoRgb32, kCellAllowed);
    run([&](HWND dialog) {
        click(dialog, 1035);
        click(dialog, kEnable);
        return IDCANCEL;
    });
    EXPECT_EQ(rgb24IntoRgb32, kCellAllowed);
    EXPECT_EQ(settings.conversionEnabled, 1);

    run([&](HWND dialog) {
        EXPECT_TRUE(isChecked(dialog, 1035));
        click(dialog, 1035);
        EXPECT_FALSE(isChecked(dialog, 1035));
        return IDOK;
    });
    EXPECT_EQ(rgb24IntoRgb32, kCellDenied);
    // Its mirror image, source RGB32 into RGB24, is another cell.
    EXPECT_EQ(storedCell(settings, kFormatRGB24, kFormatRGB32), kCellAllowed);
}

TEST_F(ConversionMatrixDialog, EachBoxWritesItsOwnCell) {
    // All cells changeable; an asymmetric choice catches rows and columns
    // swapped, or the storage order taken for the dialog's.
    std::memset(settings.conversionMatrix, kCellAllowed, sizeof settings.conversionMatrix);
    const std::vector<int> unticked = {1035, 1042, 1047, 1039};
    run([&](HWND dialog) {
        for (int id : unticked) click(dialog, id);
        return IDOK;
    });
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int id = boxId(row, column);
            const bool off = std::find(unticked.begin(), unticked.end(), id) != unticked.end();
            EXPECT_EQ(cellOfBox(settings, row, column), off ? kCellDenied : kCellAllowed) << id;
        }
    }
}

TEST_F(ConversionMatrixDialog, FixedCellsShowTheirValueAndAreNeverWritten) {
    cellOfBox(settings, 3, 1) = kCellAllowedFixed;  // source YV12 into RGB32
    cellOfBox(settings, 2, 2) = -5;                 // any other negative: denied, fixed
    run([&](HWND dialog) {
        EXPECT_TRUE(isChecked(dialog, 1047));
        EXPECT_FALSE(isEnabled(dialog, 1047));
        EXPECT_FALSE(isChecked(dialog, 1044));
        EXPECT_FALSE(isEnabled(dialog, 1044));
        return IDOK;
    });
    EXPECT_EQ(cellOfBox(settings, 3, 1), kCellAllowedFixed);
    EXPECT_EQ(cellOfBox(settings, 2, 2), -5);
}

int processorWithoutSse() { return 0; }

TEST_F(ConversionMatrixDialog, ProcessorWithoutSseRefusesTheSwitch) {
    setMatrixCpuFeatureQuery(processorWithoutSse);
    for (uint8_t enabled : {uint8_t{1}, uint8_t{0}}) {
        SCOPED_TRACE(static_cast<int>(enabled));
        settings.conversionEnabled = enabled;
        run([&](HWND dialog) {
            click(dialog, kEnable);
            // The box keeps showing what will be stored.
            EXPECT_EQ(isChecked(dialog, kEnable), enabled == 1);
            EXPECT_EQ(isEnabled(dialog, 1035), enabled == 1);
            return IDOK;
        });
        EXPECT_EQ(settings.conversionEnabled, enabled);
    }
}

TEST_F(ConversionMatrixDialog, CloseBoxLeavesTheDialogOpen) {
    run([&](HWND dialog) {
        click(dialog, 1035);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        return IDCANCEL;
    });
    EXPECT_EQ(storedCell(settings, kFormatRGB32, kFormatRGB24), kCellAllowed);
}

TEST_F(ConversionMatrixDialog, LayoutFollowsTheGrid) {
    run([&](HWND dialog) {
        RECT size{0, 0, 177, 135};
        MapDialogRect(dialog, &size);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0);
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                const int id = boxId(row, column);
                SCOPED_TRACE(id);
                int y = 45 + 15 * row;
                if (id == 1040 || id == 1041) y = 61;
                if (id == 1045) y = 74;
                RECT expected{55 + 30 * column, y, 55 + 30 * column + (id == 1034 ? 20 : 16), y + 8};
                MapDialogRect(dialog, &expected);
                HWND box = GetDlgItem(dialog, id);
                RECT actual{};
                GetWindowRect(box, &actual);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
                EXPECT_EQ(actual.left, expected.left);
                EXPECT_EQ(actual.top, expected.top);
                EXPECT_EQ(actual.right, expected.right);
                EXPECT_EQ(actual.bottom, expected.bottom);
                const LONG style = GetWindowLongA(box, GWL_STYLE);
                EXPECT_EQ(style & 0xF, BS_AUTOCHECKBOX);
                EXPECT_EQ((style & WS_TABSTOP) != 0, row != column);
                EXPECT_EQ(windowText(box), "");
            }
        }
        EXPECT_EQ(fieldText(dialog, kEnable), "Enable Format conversion");
        EXPECT_EQ(fieldText(dialog, IDOK), "OK");
        EXPECT_EQ(fieldText(dialog, IDCANCEL), "Cancel");
        return IDCANCEL;
    });
}

}  // namespace
