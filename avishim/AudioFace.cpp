#include <new>

#include "avishim/AcmDriver.h"
#include "avishim/AcmDriverRecords.h"

DriverFace* openAudioFace(LPARAM openRecord) {
    auto* desc = reinterpret_cast<acmdrv::OpenDesc*>(openRecord);
    if (desc->cbStruct < offsetof(acmdrv::OpenDesc, dwError) + sizeof desc->dwError) return nullptr;
    auto* face = new (std::nothrow) AcmDriver;
    desc->dwError = face != nullptr ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
    return face;
}
