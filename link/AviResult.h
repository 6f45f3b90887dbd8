#pragma once
#include <cstdint>

// Results of the AVI writer, with the values the system's AVIFile layer uses
// for the same conditions, so a caller can treat both alike. 0 is success.
using AviResult = int32_t;

inline constexpr AviResult kAviOk = 0;
inline constexpr AviResult kAviErrUnsupported = static_cast<AviResult>(0x80044065);
inline constexpr AviResult kAviErrBadFormat = static_cast<AviResult>(0x80044066);
inline constexpr AviResult kAviErrMemory = static_cast<AviResult>(0x80044067);
inline constexpr AviResult kAviErrBadParam = static_cast<AviResult>(0x8004406A);
inline constexpr AviResult kAviErrBadSize = static_cast<AviResult>(0x8004406B);
inline constexpr AviResult kAviErrBadHandle = static_cast<AviResult>(0x8004406C);
inline constexpr AviResult kAviErrFileWrite = static_cast<AviResult>(0x8004406E);
inline constexpr AviResult kAviErrFileOpen = static_cast<AviResult>(0x8004406F);
inline constexpr AviResult kAviErrReadOnly = static_cast<AviResult>(0x80044072);
// Not an AVIFile code: the write would take the file past what AVI 1.0 can
// address. Kept apart from kAviErrFileWrite so a caller can say why.
inline constexpr AviResult kAviErrFileTooLarge = static_cast<AviResult>(0x800440C0);
