#pragma once
#include <cstdint>

#include "link/AviResult.h"
#include "link/AviStreamInfo.h"

// The writing half of the AVIFile interface, served by our own AVI writer:
// the same calls, in the same order and with the same meaning, as the system
// library's AVIFileInit/OpenA/CreateStreamA, AVIStreamSetFormat/Write/Release,
// AVIFileRelease/Exit. The file is finished (index and final headers) when its
// last reference goes: each stream holds one on its file, like AVIFile.

struct AviFileHandle;
struct AviStreamHandle;

inline constexpr uint32_t kAviOpenWrite = 0x0001;   // OF_WRITE
inline constexpr uint32_t kAviOpenCreate = 0x1000;  // OF_CREATE

void aviFileInit();
void aviFileExit();

// Only kAviOpenCreate | kAviOpenWrite is supported: the file is created or emptied.
AviResult aviFileOpen(AviFileHandle** file, const char* path, uint32_t mode);
AviResult aviFileCreateStream(AviFileHandle* file, AviStreamHandle** stream,
                              const AviStreamInfo* info);
AviResult aviStreamSetFormat(AviStreamHandle* stream, int32_t position, const void* format,
                             int32_t size);
// `samplesWritten` and `bytesWritten` may be null.
AviResult aviStreamWrite(AviStreamHandle* stream, int32_t start, int32_t samples,
                         const void* buffer, int32_t bytes, uint32_t flags,
                         int32_t* samplesWritten, int32_t* bytesWritten);
// Not an AVIFile call: memory in the file's own write buffer for the payload
// of the stream's next chunk, of up to `capacity` bytes. A payload built there
// and given to aviStreamWrite goes to the file without another copy. Null when
// there is none; the caller then writes from its own memory.
void* aviStreamChunkRoom(AviStreamHandle* stream, int32_t capacity);
// Unlike AVIFile's reference counts, these return the result of finishing the
// file when they drop its last reference (kAviOk otherwise), so a caller can
// tell a complete file from one whose index or headers could not be written.
AviResult aviStreamRelease(AviStreamHandle* stream);
AviResult aviFileRelease(AviFileHandle* file);
