#pragma once
#include <windows.h>

// The program file must carry the same version number as the settings record.
// Only the number counts: a failed query leaves it 0 and so fails the check.
bool ownVersionMatches(HINSTANCE instance);

// The playback codec must be installed and not older than version 1000.
bool codecVersionAccepted();

inline constexpr char kVersionMismatchText[] = "Internal error : version codes do not match\n";
inline constexpr char kVersionMismatchCaption[] = "Quorl";
inline constexpr char kCodecConflictText[] =
    "No or a old version of the AVISHIM codec found.\n"
    "This version of Quorl does not work with the installed version\n"
    "Please install a newer version of the codec";
inline constexpr char kCodecConflictCaption[] = "Version conflict";
