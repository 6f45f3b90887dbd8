#pragma once
#include <memory>

#include "link/AviResult.h"
#include "link/ByteSink.h"

// A ByteSink over the file at `path` (UTF-8): creates the file (or empties an existing
// one) and buffers appends so that many small chunks cost few system calls.
// Null, with the reason in `error`, when the file cannot be created.
std::unique_ptr<ByteSink> createFileSink(const char* path, AviResult* error);
