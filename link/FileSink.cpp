#include "link/FileSink.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "common/Paths.h"
#include "link/DiskFlusher.h"

namespace {

constexpr uint32_t kBufferSize = 1 << 20;
// Appends at least this large go to the file from the caller's memory:
// copying them through the buffer first would only cost time.
constexpr uint32_t kDirectSize = kBufferSize / 2;
// How much is written between two flushes in the background: large enough that
// the flushes cost next to nothing, small enough that the last one leaves the
// final flush little to do.
constexpr uint64_t kFlushEvery = 32u << 20;

class FileSink final : public ByteSink {
public:
    FileSink(HANDLE file, uint8_t* buffer, std::unique_ptr<DiskFlusher> flusher)
        : file_(file), buffer_(buffer), flusher_(std::move(flusher)) {}
    ~FileSink() override { finish(); }

    bool append(const void* data, uint32_t size) override {
        if (file_ == INVALID_HANDLE_VALUE || failed_) return false;
        auto* from = static_cast<const uint8_t*>(data);
        if (from == buffer_.get() + used_ && size <= kBufferSize - used_) {  // built in place
            used_ += size;
            return true;
        }
        if (size >= kDirectSize) {
            if (!flush()) return false;
            if (!writeAll(from, size)) failed_ = true;
            return !failed_;
        }
        while (size > 0) {
            if (used_ == kBufferSize && !flush()) return false;
            uint32_t take = size < kBufferSize - used_ ? size : kBufferSize - used_;
            std::memcpy(buffer_.get() + used_, from, take);
            used_ += take;
            from += take;
            size -= take;
        }
        return true;
    }

    uint8_t* room(uint32_t size) override {
        if (file_ == INVALID_HANDLE_VALUE || failed_ || size > kBufferSize) return nullptr;
        if (size > kBufferSize - used_ && !flush()) return nullptr;
        return buffer_.get() + used_;
    }

    bool overwrite(uint64_t offset, const void* data, uint32_t size) override {
        if (file_ == INVALID_HANDLE_VALUE || !flush()) return false;
        LARGE_INTEGER at, end, zero{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_, zero, &end, FILE_CURRENT)) return false;
        bool ok = SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && writeAll(data, size);
        return SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) && ok;
    }

    bool finish() override {
        if (file_ == INVALID_HANDLE_VALUE) return false;
        bool ok = flush();
        flusher_.reset();  // its thread and handle end before the file is closed
        // The finished file replaces the output by a rename; its bytes must be
        // on disk first. (Wine 8 ignores MOVEFILE_WRITE_THROUGH without a word.)
        ok = ok && FlushFileBuffers(file_);
        ok = CloseHandle(file_) && ok;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    // False, now and from then on, when a write failed: the bytes that were
    // lost can never be written again.
    bool flush() {
        if (failed_) return false;
        if (!writeAll(buffer_.get(), used_)) failed_ = true;
        used_ = 0;
        return !failed_;
    }

    // A short write means the disk is full; it counts as a failure.
    bool writeAll(const void* data, uint32_t size) {
        if (size == 0) return true;
        DWORD written = 0;
        if (!WriteFile(file_, data, size, &written, nullptr) || written != size) return false;
        unflushed_ += size;
        if (unflushed_ >= kFlushEvery && flusher_) {
            flusher_->kick();
            unflushed_ = 0;
        }
        return true;
    }

    HANDLE file_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::unique_ptr<DiskFlusher> flusher_;
    uint32_t used_ = 0;
    uint64_t unflushed_ = 0;
    bool failed_ = false;
};

}  // namespace

std::unique_ptr<ByteSink> createFileSink(const char* path, AviResult* error) {
    *error = kAviErrFileOpen;
    if (path == nullptr || path[0] == '\0') return nullptr;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBufferSize]);
    if (!buffer) {
        *error = kAviErrMemory;
        return nullptr;
    }
    // Readers may look at the file while it grows; the only other writer is the
    // flusher's handle, opened at once on the file just made.
    const std::wstring wide = paths::wide(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    auto* sink = new (std::nothrow) FileSink(file, buffer.get(), DiskFlusher::start(wide.c_str()));
    if (sink == nullptr) {
        CloseHandle(file);
        *error = kAviErrMemory;
        return nullptr;
    }
    buffer.release();
    *error = kAviOk;
    return std::unique_ptr<ByteSink>(sink);
}
