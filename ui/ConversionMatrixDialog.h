#pragma once
#include <windows.h>

class Application;

// The modal "Set Conversion matrix" dialog: edits conversionEnabled and the
// changeable cells of the conversion matrix in the application's settings.
// Nothing is stored unless the user presses OK.
void showConversionMatrix(Application& app, HWND owner);

INT_PTR CALLBACK conversionMatrixProcedure(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam);

// The processor test the dialog asks before switching conversions; tests put
// in one that fails, since the machines they run on all pass the real one.
using CpuFeatureQuery = int (*)();
void setMatrixCpuFeatureQuery(CpuFeatureQuery query);
