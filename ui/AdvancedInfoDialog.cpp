#include "ui/AdvancedInfoDialog.h"
// Placeholder until the dialog lands.
void showAdvancedInfo(Application&, const char*) {}
