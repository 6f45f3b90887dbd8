#pragma once
#include <windows.h>

#include "avishim/DriverFace.h"

// The linked-audio face: an ACM codec from the link's own tag (0xF4) to the
// PCM of the source it names. msacm32 only offers a driver conversions
// between tags it listed, so PCM is listed beside the linked tag, though the
// driver never takes PCM in.
class AcmDriver : public DriverFace {
public:
    LRESULT message(UINT msg, LPARAM lParam1, LPARAM lParam2) override;
};

inline constexpr char kAcmShortName[] = "Quorl link audio";
inline constexpr char kAcmLongName[] = "Quorl linked audio from the source file";
