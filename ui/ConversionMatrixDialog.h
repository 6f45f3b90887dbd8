#pragma once
#include <windows.h>

class Application;

// The modal conversion matrix dialog, owned by `owner`.
void showConversionMatrix(Application& app, HWND owner);
