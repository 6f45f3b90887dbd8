// The playback codec for link files. Until decoding is built it declines every
// request, so the system never picks it for a stream.
#include <windows.h>
#include <mmsystem.h>

extern "C" __declspec(dllexport) LRESULT WINAPI DriverProc(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM) {
    return 0;
}
