#pragma once
#include <cstdint>

// The output pixel formats the playback codec may deliver for one link.
struct AllowedOutputs {
    bool rgb32;
    bool rgb24;
    bool yuy2;
    bool yv12;

    bool any() const { return rgb32 || rgb24 || yuy2 || yv12; }
};

// Source format `sourceFormat` (a format code) is linked with the outputs the
// conversion matrix allows when conversions are enabled, else only as itself.
AllowedOutputs selectOutputFormats(int32_t sourceFormat, uint8_t conversionEnabled,
                                   const int8_t (&matrix)[4][4]);
