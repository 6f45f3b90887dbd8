#include "avishim/DriverFace.h"

// The linked-audio codec is not built yet: decline.
DriverFace* openAudioFace(LPARAM) { return nullptr; }
