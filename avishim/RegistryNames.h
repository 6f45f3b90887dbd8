#pragma once

// Where the system finds this codec: the driver loader reads these values
// under HKLM, in the registry view of the caller's bitness. The installer
// writes the same names (it reads them from this file), so the two never
// disagree.
inline constexpr char kDrivers32Key[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
inline constexpr char kVideoDriverValue[] = "vidc.SHIM";
inline constexpr char kAudioDriverValue[] = "msacm.avishim";
// msacm32 caches each driver's format tags here; a stale entry makes it skip
// the driver, so registering drops it.
inline constexpr char kAcmCacheKey[] =
    "Software\\Microsoft\\AudioCompressionManager\\DriverCache\\msacm.avishim";
