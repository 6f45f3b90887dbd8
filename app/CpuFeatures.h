#pragma once

// 2 when the processor has SSE or AMD's MMX extensions, else 0. Format
// conversions are allowed only when the bit of value 2 is set.
int queryCpuFeatures();

inline constexpr int kCpuConversionBit = 2;
