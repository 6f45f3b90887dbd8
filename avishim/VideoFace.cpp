#include "avishim/DriverFace.h"

// The video decompressor is not built yet: decline, so the system never
// picks this driver for a stream.
DriverFace* openVideoFace(LPARAM) { return nullptr; }
