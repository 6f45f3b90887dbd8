#include "ui/ConversionMatrixDialog.h"
// Placeholder until the dialog lands.
void showConversionMatrix(Application&, HWND) {}
