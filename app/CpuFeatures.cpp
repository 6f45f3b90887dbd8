#include "app/CpuFeatures.h"

#include <cpuid.h>

namespace {
constexpr unsigned kAmdVendorEcx = 0x444D4163;  // "cAMD", the tail of "AuthenticAMD"
constexpr unsigned kAmdMmxExtBit = 1u << 22;
constexpr unsigned kSseBit = 1u << 25;
}  // namespace

int queryCpuFeatures() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    unsigned amdMmx = 0;
    if (ecx == kAmdVendorEcx) {
        unsigned e2 = 0, b2 = 0, c2 = 0, d2 = 0;
        __cpuid(0x80000001, e2, b2, c2, d2);
        amdMmx = (d2 & kAmdMmxExtBit) != 0;
    }
    __cpuid(1, eax, ebx, ecx, edx);
    unsigned sse = (edx & kSseBit) != 0;
    return 2 * static_cast<int>(amdMmx | sse);
}
