#pragma once
#include <windows.h>

#include <memory>

// Pushes a growing file's bytes to disk on a thread of its own while the file is
// still being written, so that the flush the finished file needs before it may
// replace the output finds little left to do. It flushes through a handle of its
// own: a flush on the writer's handle would wait for, and hold up, its writes.
class DiskFlusher {
public:
    // Null when the second handle or the thread cannot be had; the file is then
    // flushed only at its end, as before.
    static std::unique_ptr<DiskFlusher> start(const wchar_t* path);
    ~DiskFlusher();

    // Asks for a flush of what has been written so far; never waits for it.
    void kick();
    // Waits for a flush in progress and ends the thread. Called before the
    // writer's own final flush, close, rename or delete of the file.
    void stop();

private:
    DiskFlusher(HANDLE file, HANDLE wake) : file_(file), wake_(wake) {}
    static unsigned __stdcall run(void* self);

    HANDLE file_;
    HANDLE wake_;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
};
