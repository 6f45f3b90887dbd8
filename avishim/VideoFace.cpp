#include <windows.h>
#include <vfw.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "avishim/DriverFace.h"
#include "avishim/VideoDecompressor.h"

DriverFace* openVideoFace(LPARAM openRecord) {
    auto* face = new (std::nothrow) VideoDecompressor;
    // The error field is only written when the caller's record has one.
    auto* open = reinterpret_cast<ICOPEN*>(openRecord);
    if (open != nullptr && open->dwSize >= offsetof(ICOPEN, dwError) + sizeof(open->dwError))
        open->dwError = face != nullptr ? ICERR_OK : ICERR_MEMORY;
    return face;
}
