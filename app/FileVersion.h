#pragma once
#include <cstdint>

struct VersionInfo {
    char specialBuild[256];
    int32_t fileVersionNumber;
    int32_t productVersionNumber;
    uint32_t fileVersionMS;
    uint32_t fileVersionLS;
    uint32_t productVersionMS;
    uint32_t productVersionLS;
    uint32_t fileDateMS;
    uint32_t fileDateLS;
};

inline constexpr int32_t kOwnVersionNumber = 1002;
inline constexpr int32_t kLowestCodecVersionNumber = 1000;
inline constexpr char kCodecFileName[] = "avishim.dll";

// a.b.c.d, stored as MS = a:b and LS = c:d, counts as 1000a + 100b + 10c + d.
constexpr int32_t versionNumber(uint32_t ms, uint32_t ls) {
    return static_cast<int32_t>(1000 * (ms >> 16) + 100 * (ms & 0xFFFF) + 10 * (ls >> 16) +
                                (ls & 0xFFFF));
}

// Reads a file's version resource into `info` (cleared first). `path` is
// UTF-8; SpecialBuild comes back as UTF-8 too.
bool queryFileVersion(const char* path, VersionInfo* info);
