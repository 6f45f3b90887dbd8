#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstddef>

// The driver side of the Audio Compression Manager: the messages msacm32
// sends an installable codec and the records they point at. MinGW-w64 ships
// only the client side (msacm.h), so the layouts are written out here as the
// driver interface documents them; pointer-sized fields keep them right for
// both bitnesses.
namespace acmdrv {

constexpr UINT kBase = DRV_USER + 0x2000;
constexpr UINT kDriverDetails = kBase + 10;
constexpr UINT kDriverAbout = kBase + 11;
constexpr UINT kFormatTagDetails = kBase + 25;
constexpr UINT kFormatDetails = kBase + 26;
constexpr UINT kFormatSuggest = kBase + 27;
constexpr UINT kStreamOpen = kBase + 76;
constexpr UINT kStreamClose = kBase + 77;
constexpr UINT kStreamSize = kBase + 78;
constexpr UINT kStreamConvert = kBase + 79;
constexpr UINT kStreamReset = kBase + 80;
constexpr UINT kStreamPrepare = kBase + 81;
constexpr UINT kStreamUnprepare = kBase + 82;

struct OpenDesc {
    DWORD cbStruct;
    FOURCC fccType;
    FOURCC fccComp;
    DWORD dwVersion;
    DWORD dwFlags;
    DWORD dwError;
    LPCSTR pszSectionName;
    LPCSTR pszAliasName;
    DWORD dnDevNode;
};

struct FormatSuggest {
    DWORD cbStruct;
    DWORD fdwSuggest;
    LPWAVEFORMATEX pwfxSrc;
    DWORD cbwfxSrc;
    LPWAVEFORMATEX pwfxDst;
    DWORD cbwfxDst;
};

struct StreamInstance {
    DWORD cbStruct;
    LPWAVEFORMATEX pwfxSrc;
    LPWAVEFORMATEX pwfxDst;
    LPWAVEFILTER pwfltr;
    DWORD_PTR dwCallback;
    DWORD_PTR dwInstance;
    DWORD fdwOpen;
    DWORD fdwDriver;
    DWORD_PTR dwDriver;
    HACMSTREAM has;
};

struct StreamSize {
    DWORD cbStruct;
    DWORD fdwSize;
    DWORD cbSrcLength;
    DWORD cbDstLength;
};

// Only the part a codec reads and writes; msacm32's own fields follow.
struct StreamHeader {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    LPBYTE pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    LPBYTE pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD fdwConvert;
};

// The client's stream header begins with the same fields.
static_assert(offsetof(StreamHeader, cbDstLengthUsed) == offsetof(ACMSTREAMHEADER, cbDstLengthUsed));
static_assert(offsetof(OpenDesc, dwError) == 20);
// msacm32 hands these by pointer and says their size in cbStruct; a field of
// the wrong width shows only in one bitness, so both sizes are pinned.
constexpr bool kWide = sizeof(void*) == 8;
static_assert(sizeof(OpenDesc) == (kWide ? 48 : 36));
static_assert(sizeof(FormatSuggest) == (kWide ? 40 : 24));
static_assert(sizeof(StreamInstance) == (kWide ? 72 : 40));
static_assert(offsetof(StreamInstance, has) == (kWide ? 64 : 36));
static_assert(sizeof(StreamSize) == 16);
static_assert(offsetof(StreamHeader, fdwConvert) == (kWide ? 64 : 44));

}  // namespace acmdrv
