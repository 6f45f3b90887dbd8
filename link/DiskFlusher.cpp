#include "link/DiskFlusher.h"

#include <process.h>

#include <new>

std::unique_ptr<DiskFlusher> DiskFlusher::start(const wchar_t* path) {
    // The writer's handle shares writing with this one only; see createFileSink.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake == nullptr) {
        CloseHandle(file);
        return nullptr;
    }
    std::unique_ptr<DiskFlusher> flusher(new (std::nothrow) DiskFlusher(file, wake));
    if (!flusher) {
        CloseHandle(wake);
        CloseHandle(file);
        return nullptr;
    }
    uintptr_t thread = _beginthreadex(nullptr, 0, &DiskFlusher::run, flusher.get(), 0, nullptr);
    if (thread == 0) return nullptr;  // the destructor closes both handles
    flusher->thread_ = reinterpret_cast<HANDLE>(thread);
    return flusher;
}

DiskFlusher::~DiskFlusher() {
    stop();
    CloseHandle(wake_);
    CloseHandle(file_);
}

void DiskFlusher::kick() { SetEvent(wake_); }

void DiskFlusher::stop() {
    if (thread_ == nullptr) return;
    InterlockedExchange(&stopping_, 1);
    SetEvent(wake_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

unsigned __stdcall DiskFlusher::run(void* self) {
    auto* flusher = static_cast<DiskFlusher*>(self);
    for (;;) {
        WaitForSingleObject(flusher->wake_, INFINITE);
        if (InterlockedCompareExchange(&flusher->stopping_, 0, 0) != 0) return 0;
        // A failure here changes nothing: the final flush on the writer's handle
        // decides whether the file is sound.
        FlushFileBuffers(flusher->file_);
    }
}
