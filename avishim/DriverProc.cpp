// The single entry point the system's driver loader calls. It only picks the
// face at open time and forwards; everything else lives in the faces.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstring>

#include "avishim/DriverFace.h"
#include "common/MessageBoxes.h"

namespace {

// Both ICOPEN and ACMDRVOPENDESCA begin with a DWORD size and the DWORD
// fccType; reading just those two keeps the dispatcher free of either API.
DWORD openRecordType(LPARAM record) {
    DWORD head[2] = {};
    std::memcpy(head, reinterpret_cast<const void*>(record), sizeof head);
    if (head[0] < sizeof head) return 0;
    return head[1];
}

// Set when the process is ending: a close that arrives after that (msacm32
// sends one after DLL_PROCESS_DETACH) must not reach into libraries that
// may be gone. The memory goes with the process anyway.
volatile bool processEnding = false;

// Inside an editor nobody may be asked anything while frames or samples are
// decoded (a box would stall playback, or appear on a server with no one to
// see it): what the shared reading code would show goes to the debugger's
// output, and the question gets the answer that keeps the user's files.
int reportWithoutBox(const char* text, const char* caption, unsigned flags) {
    OutputDebugStringA("avishim: ");
    OutputDebugStringA(caption != nullptr ? caption : "");
    OutputDebugStringA(": ");
    OutputDebugStringA(text != nullptr ? text : "");
    OutputDebugStringA("\n");
    return safeAnswerFor(flags);
}

LRESULT openInstance(LPARAM record) {
    // The handler belongs to this DLL's own copy of the shared code, so the
    // editor's own boxes are not touched.
    setMessageBoxHandler(reportWithoutBox);
    // A configuration open (no record) must succeed, or the loader gives up
    // on the DLL before the real open.
    if (record == 0) return 1;
    const DWORD type = openRecordType(record);
    DriverFace* face = nullptr;
    if (type == mmioFOURCC('v', 'i', 'd', 'c'))
        face = openVideoFace(record);
    else if (type == mmioFOURCC('a', 'u', 'd', 'c'))
        face = openAudioFace(record);
    return reinterpret_cast<LRESULT>(face);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI DriverProc(DWORD_PTR driverId, HDRVR driver,
                                                           UINT msg, LPARAM lParam1,
                                                           LPARAM lParam2) {
    // The instance is only ours to use between a successful open and its
    // close; DRV_DISABLE and DRV_FREE may carry one already closed.
    auto* face = reinterpret_cast<DriverFace*>(driverId);
    // The configuration instance is 1, not a face.
    if (driverId == 1) face = nullptr;
    switch (msg) {
    case DRV_LOAD:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_FREE:
        return 1;
    case DRV_OPEN:
        return openInstance(lParam2);
    case DRV_CLOSE:
        if (!processEnding) delete face;
        return 1;
    case DRV_QUERYCONFIGURE:
    case DRV_CONFIGURE:
        return 0;
    default:
        if (face != nullptr) return face->message(msg, lParam1, lParam2);
        return DefDriverProc(driverId, driver, msg, lParam1, lParam2);
    }
}

// Kept to a flag: nothing else may run under the loader lock.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) processEnding = true;
    return TRUE;
}
