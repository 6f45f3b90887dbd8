#include "source/SourceReader.h"

// Placeholder until the AVI source reader lands: no source opens.
SourceReader* openSource(int32_t, const char*) { return nullptr; }
