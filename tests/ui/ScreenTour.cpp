// Not a test: walks through the program's windows on a real display and saves
// a picture of each, for the README. Usage: screen_tour QUORL.EXE SOURCE OUTDIR
// (pal.avi beside SOURCE is the file dropped on the window).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/CpuFeatures.h"
#include "app/RegistryStore.h"
#include "app/UserSettings.h"
#include "ui/ProgressReporter.h"
#include "ui/resource.h"

namespace {

HWND waitForWindow(const char* className, const char* caption) {
    for (int tries = 0; tries < 500; ++tries) {
        HWND found = FindWindowA(className, caption);
        if (found != nullptr && IsWindowVisible(found)) return found;
        Sleep(20);
    }
    return nullptr;
}

// Saves the screen area of `window` (frame included) as a 24-bit BMP file.
bool capture(HWND window, const std::string& path) {
    Sleep(600);  // let it paint
    RECT area = {};
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (width * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    bool written = false;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                  std::fwrite(bits, imageBytes, 1, out) == 1;
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s %s\n", written ? "saved" : "FAILED", path.c_str());
    return written;
}

// Opens a dialog through a menu command, pictures it and closes it.
void pictureDialog(HWND mainWindow, UINT command, const char* caption, const std::string& path,
                   int closeButton) {
    PostMessageA(mainWindow, WM_COMMAND, command, 0);
    HWND dialog = waitForWindow("#32770", caption);
    if (dialog == nullptr) {
        std::printf("FAILED: no window \"%s\"\n", caption);
        return;
    }
    capture(dialog, path);
    PostMessageA(dialog, WM_COMMAND, closeButton, 0);
    Sleep(300);
}

// The progress dialog as a link shows it, stopped at 42 percent.
void pictureProgress(const std::string& path) {
    ProgressReporter reporter;
    ProgressReporter::begin(&reporter, GetModuleHandleA(nullptr), nullptr,
                            "Generating SHIM AVI with RAW audio");
    ProgressReporter::setPercent(42, &reporter);
    if (HWND dialog = waitForWindow("#32770", "Generating SHIM AVI with RAW audio (42%)")) {
        capture(dialog, path);
    } else {
        std::printf("FAILED: no progress dialog\n");
    }
    ProgressReporter::end(&reporter);
}

// Drops one file on the link dialog as Explorer does, and pictures the main
// window once the program has taken it. The drop's memory must be the
// program's own: a handle of this process would name nothing there.
void pictureDrop(HANDLE program, HWND mainWindow, const std::string& file, const std::string& path) {
    std::wstring names(file.begin(), file.end());  // ASCII; then the NULs that end name and list
    names.append(2, L'\0');
    DROPFILES header = {sizeof header, {}, FALSE, TRUE};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    void* drop = VirtualAllocEx(program, nullptr, bytes.size(), MEM_COMMIT, PAGE_READWRITE);
    if (drop == nullptr || !WriteProcessMemory(program, drop, bytes.data(), bytes.size(), nullptr)) {
        std::printf("FAILED: no drop\n");
        return;
    }
    HWND dialog = FindWindowExA(mainWindow, nullptr, "#32770", nullptr);
    PostMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    Sleep(1000);
    capture(mainWindow, path);
}

void storeSettings(const char* source, const char* output) {
    UserSettings settings{};
    applyDefaultSettings(settings, queryCpuFeatures());
    lstrcpynA(settings.sourcePath, source, kPathCapacity);
    lstrcpynA(settings.outputPath, output, kPathCapacity);
    RegistryStore store;
    store.save(kUserSettingsSubkey, &settings, sizeof settings);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: screen_tour QUORL.EXE SOURCE OUTDIR\n");
        return 2;
    }
    const std::string outFolder = argv[3];
    std::string output = std::string(argv[2]);
    output = output.substr(0, output.find_last_of('.')) + "_link.AVI";
    storeSettings(argv[2], output.c_str());

    std::string commandLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("FAILED: cannot start %s\n", argv[1]);
        return 1;
    }
    HWND mainWindow = waitForWindow("Quorl", "Quorl");
    if (mainWindow == nullptr) {
        std::printf("FAILED: no main window\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    capture(mainWindow, outFolder + "\\main-window.bmp");
    pictureDialog(mainWindow, IDM_ABOUT, "About", outFolder + "\\about.bmp", IDOK);
    pictureDialog(mainWindow, IDM_OPTIONS_CONVERSION_MATRIX, "Set Conversion matrix",
                  outFolder + "\\conversion-matrix.bmp", IDCANCEL);
    pictureDialog(mainWindow, IDM_FILE_INFORMATION, "Advanced AVI file information",
                  outFolder + "\\file-information.bmp", IDOK);

    pictureProgress(outFolder + "\\progress.bmp");

    PostMessageA(mainWindow, WM_COMMAND, IDM_FILE_CREATE_LINK, 0);
    if (HWND done = waitForWindow("#32770", "Quorl")) {
        capture(done, outFolder + "\\link-created.bmp");
        PostMessageA(done, WM_COMMAND, IDOK, 0);
    }
    Sleep(300);
    // Last, so that the pictures above show the stored source.
    const std::string source = argv[2];
    pictureDrop(process.hProcess, mainWindow, source.substr(0, source.find_last_of('\\') + 1) + "pal.avi",
                outFolder + "\\main-window-drop.bmp");
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    return 0;
}
