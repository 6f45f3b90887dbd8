#include "ui/ForcedFormatMenu.h"

#include <windows.h>

#include "app/Application.h"

namespace {

constexpr int kPositions = 5;

struct ForcedChoice {
    int32_t code;
    bool set;
};
// By submenu position.
constexpr ForcedChoice kChoices[kPositions] = {
    {kFormatNone, false}, {kFormatRGB24, true}, {kFormatRGB32, true},
    {kFormatYUY2, true},  {kFormatYV12, true},
};

HMENU forcedFormatSubmenu(const Application& app) {
    return GetSubMenu(GetSubMenu(app.menu, 1), 0);
}

}  // namespace

void setForcedFormatMenu(Application& app, int position) {
    HMENU submenu = forcedFormatSubmenu(app);
    for (int item = 0; item < kPositions; ++item) {
        CheckMenuItem(submenu, item, MF_BYPOSITION | MF_UNCHECKED);
    }
    if (position < 0 || position >= kPositions) return;
    CheckMenuItem(submenu, position, MF_BYPOSITION | MF_CHECKED);
    app.settings.forcedFormat = kChoices[position].code;
    app.settings.forceFormatSet = kChoices[position].set ? 1 : 0;
}

void showForcedFormat(Application& app, int32_t code) {
    int position = 0;
    switch (code) {
        case kFormatYV12: position = 4; break;
        case kFormatYUY2: position = 3; break;
        case kFormatRGB24: position = 1; break;
        case kFormatRGB32: position = 2; break;
        default: position = 0; break;
    }
    setForcedFormatMenu(app, position);
}
