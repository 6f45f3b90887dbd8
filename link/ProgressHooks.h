#pragma once
#include <cstdint>

// How the link writer reports progress and learns of a cancel request, without
// knowing who shows it. Copied by value; `context` is handed back to every call.
struct ProgressHooks {
    void* context;
    int32_t (*begin)(void* context, void* instance, void* ownerWindow, const char* title);
    bool (*end)(void* context);
    void (*setPercent)(int32_t percent, void* context);
    bool (*isCancelled)(void* context);
};
