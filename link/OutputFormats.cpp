#include "link/OutputFormats.h"

#include "app/UserSettings.h"

AllowedOutputs selectOutputFormats(int32_t sourceFormat, uint8_t conversionEnabled,
                                   const int8_t (&matrix)[4][4]) {
    AllowedOutputs allowed{};
    if (!isKnownFormat(sourceFormat)) return allowed;
    auto allows = [&](int32_t output) {
        if (!isSet(conversionEnabled)) return output == sourceFormat;
        int8_t cell = matrixCell(matrix, output, sourceFormat);
        return cell == 1 || cell == -1;
    };
    allowed.rgb32 = allows(kFormatRGB32);
    allowed.rgb24 = allows(kFormatRGB24);
    allowed.yuy2 = allows(kFormatYUY2);
    allowed.yv12 = allows(kFormatYV12);
    return allowed;
}
