#include "ui/MainWindow.h"

// Placeholder until the main window lands.
bool createMainWindow(Application&) { return false; }
