#include "link/AviFile.h"

#include <atomic>
#include <memory>
#include <new>

#include "link/AviWriter.h"
#include "link/FileSink.h"

struct AviFileHandle {
    std::unique_ptr<ByteSink> sink;
    std::unique_ptr<AviWriter> writer;
    int32_t references = 1;
};

struct AviStreamHandle {
    AviFileHandle* file;
    uint32_t index;
};

namespace {

std::atomic<int32_t> gInitCount{0};

AviResult dropFileReference(AviFileHandle* file) {
    if (--file->references > 0) return kAviOk;
    AviResult result = file->writer->finish();
    delete file;
    return result;
}

}  // namespace

void aviFileInit() { ++gInitCount; }

void aviFileExit() {
    if (gInitCount > 0) --gInitCount;
}

AviResult aviFileOpen(AviFileHandle** file, const char* path, uint32_t mode) {
    if (file == nullptr) return kAviErrBadParam;
    *file = nullptr;
    if (gInitCount <= 0) return kAviErrUnsupported;
    if (mode != (kAviOpenCreate | kAviOpenWrite)) return kAviErrReadOnly;
    AviResult result = kAviOk;
    std::unique_ptr<ByteSink> sink = createFileSink(path, &result);
    if (!sink) return result;
    auto* handle = new (std::nothrow) AviFileHandle;
    if (handle == nullptr) return kAviErrMemory;
    handle->writer.reset(new (std::nothrow) AviWriter(*sink));
    if (!handle->writer) {
        delete handle;
        return kAviErrMemory;
    }
    handle->sink = std::move(sink);
    *file = handle;
    return kAviOk;
}

AviResult aviFileCreateStream(AviFileHandle* file, AviStreamHandle** stream,
                              const AviStreamInfo* info) {
    if (stream == nullptr) return kAviErrBadParam;
    *stream = nullptr;
    if (file == nullptr) return kAviErrBadHandle;
    if (info == nullptr) return kAviErrBadParam;
    auto* handle = new (std::nothrow) AviStreamHandle{file, 0};
    if (handle == nullptr) return kAviErrMemory;
    AviResult result = file->writer->createStream(*info, &handle->index);
    if (result != kAviOk) {
        delete handle;
        return result;
    }
    ++file->references;
    *stream = handle;
    return kAviOk;
}

AviResult aviStreamSetFormat(AviStreamHandle* stream, int32_t position, const void* format,
                             int32_t size) {
    if (stream == nullptr) return kAviErrBadHandle;
    return stream->file->writer->setFormat(stream->index, position, format, size);
}

AviResult aviStreamWrite(AviStreamHandle* stream, int32_t start, int32_t samples,
                         const void* buffer, int32_t bytes, uint32_t flags,
                         int32_t* samplesWritten, int32_t* bytesWritten) {
    if (samplesWritten != nullptr) *samplesWritten = 0;
    if (bytesWritten != nullptr) *bytesWritten = 0;
    if (stream == nullptr) return kAviErrBadHandle;
    AviResult result = stream->file->writer->write(stream->index, start, samples, buffer, bytes, flags);
    if (result == kAviOk) {
        if (samplesWritten != nullptr) *samplesWritten = samples;
        if (bytesWritten != nullptr) *bytesWritten = bytes;
    }
    return result;
}

void* aviStreamChunkRoom(AviStreamHandle* stream, int32_t capacity) {
    if (stream == nullptr || capacity < 0) return nullptr;
    return stream->file->writer->chunkRoom(static_cast<uint32_t>(capacity));
}

AviResult aviStreamRelease(AviStreamHandle* stream) {
    if (stream == nullptr) return kAviErrBadHandle;
    AviFileHandle* file = stream->file;
    delete stream;
    return dropFileReference(file);
}

AviResult aviFileRelease(AviFileHandle* file) {
    if (file == nullptr) return kAviErrBadHandle;
    return dropFileReference(file);
}
