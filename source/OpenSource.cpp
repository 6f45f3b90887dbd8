#include <new>

#include "source/AVIReader.h"
#include "source/SourceReader.h"

SourceReader* openSource(int32_t forcedFormat, const char* path) {
    auto* reader = new (std::nothrow) AVIReader;
    if (reader == nullptr) return nullptr;
    // The program reads a RAW link's sound from the first sample to the last:
    // fewer, larger reads spare AVIFile most of its index walks. Past about
    // 2 MiB the window no longer stays in the processor's cache between being
    // filled and copied out, and the copies cost more than the walks save.
    reader->pcmReadAheadBytes = 2 << 20;
    if (reader->openWithFormat(path, true, true, kCallerName, forcedFormat)) return reader;
    delete reader;
    return nullptr;
}
