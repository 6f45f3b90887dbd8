#pragma once
#include <cstdint>

class Application;

// Checks one position of the "Forced video format" submenu (0 None, 1 RGB24,
// 2 RGB32, 3 YUY2, 4 YV12) and stores its format in the settings. Another
// position unchecks all five and stores nothing.
void setForcedFormatMenu(Application& app, int position);

// Shows a stored format code on the submenu; an unknown code becomes "None".
void showForcedFormat(Application& app, int32_t code);
