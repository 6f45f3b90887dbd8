#include <new>

#include "source/AVIReader.h"
#include "source/SourceReader.h"

SourceReader* openSource(int32_t forcedFormat, const char* path) {
    auto* reader = new (std::nothrow) AVIReader;
    if (reader == nullptr) return nullptr;
    if (reader->openWithFormat(path, true, true, kCallerName, forcedFormat)) return reader;
    delete reader;
    return nullptr;
}
