#pragma once
#include <windows.h>

// One open instance of the driver. The system opens the DLL once per client
// and per kind: a video decompressor ('vidc', ICM messages) or an audio
// codec ('audc', ACM messages). DriverProc hands every message of an
// instance to the face chosen when it was opened.
class DriverFace {
public:
    virtual ~DriverFace() = default;
    // Any message the dispatcher does not answer itself.
    virtual LRESULT message(UINT msg, LPARAM lParam1, LPARAM lParam2) = 0;
};

// Each returns null to decline the open; `openRecord` is the caller's record
// (ICOPEN or ACMDRVOPENDESCA), whose dwError the face sets.
DriverFace* openVideoFace(LPARAM openRecord);
DriverFace* openAudioFace(LPARAM openRecord);
