#include "avishim/AcmDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "avishim/AcmDriverRecords.h"
#include "avishim/LinkedAudioStream.h"
#include "common/Paths.h"
#include "link/AudioLinkParser.h"
#include "link/AudioRecords.h"

namespace {

constexpr DWORD kPcmFormatSize = sizeof(PCMWAVEFORMAT);
constexpr DWORD kTagCount = 2;  // index 0 the linked tag, index 1 PCM

// Fills a record the caller sized: only the bytes it says it has are written,
// and its own size stays as it was.
template <typename Record>
void copyOut(const Record& filled, void* target) {
    DWORD size = 0;
    std::memcpy(&size, target, sizeof size);
    if (size > sizeof(Record)) size = sizeof(Record);
    if (size <= sizeof(DWORD)) return;
    std::memcpy(static_cast<char*>(target) + sizeof(DWORD),
                reinterpret_cast<const char*>(&filled) + sizeof(DWORD), size - sizeof(DWORD));
}

DWORD recordSize(const void* record) {
    DWORD size = 0;
    std::memcpy(&size, record, sizeof size);
    return size;
}

template <size_t N>
void putWide(WCHAR (&field)[N], const char* text) {
    size_t i = 0;
    for (; i + 1 < N && text[i] != '\0'; ++i) field[i] = static_cast<WCHAR>(text[i]);
    field[i] = 0;
}

bool parseLinked(const WAVEFORMATEX* format, DWORD size, LinkedAudio* link) {
    if (format == nullptr ||
        parseLinkedAudioFormat(reinterpret_cast<const uint8_t*>(format), size, link) !=
            LinkedFormatProblem::none)
        return false;
    // The reader takes UTF-8; the field holds the ANSI code page's bytes.
    paths::makeLinkedPathUtf8(link->sourcePath, sizeof link->sourcePath, &link->sourcePathIsUtf8);
    return true;
}

// The linked format's bytes as far as the format says it reaches; a caller
// hands a bare pointer with no size when opening a stream.
DWORD statedSize(const WAVEFORMATEX* format) {
    if (format == nullptr) return 0;
    if (format->wFormatTag == WAVE_FORMAT_PCM) return kPcmFormatSize;
    return sizeof(WAVEFORMATEX) + format->cbSize;
}

bool isUsablePcm(const WAVEFORMATEX* format, DWORD size) {
    if (format == nullptr || size < kPcmFormatSize || format->wFormatTag != WAVE_FORMAT_PCM)
        return false;
    const WORD bits = format->wBitsPerSample;
    return format->nChannels > 0 && format->nSamplesPerSec > 0 &&
           (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           format->nBlockAlign == format->nChannels * bits / 8;
}

LRESULT driverDetails(LPARAM target) {
    if (target == 0 || recordSize(reinterpret_cast<void*>(target)) < sizeof(DWORD))
        return MMSYSERR_INVALPARAM;
    ACMDRIVERDETAILSW details{};
    details.cbStruct = sizeof details;
    details.fccType = ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC;
    details.fccComp = ACMDRIVERDETAILS_FCCCOMP_UNDEFINED;
    details.wMid = MM_UNMAPPED;
    details.wPid = MM_PID_UNMAPPED;
    details.vdwACM = 0x03320000;  // the ACM version the driver is written for
    details.vdwDriver = 0x01000000;
    details.fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    details.cFormatTags = kTagCount;
    details.cFilterTags = 0;
    putWide(details.szShortName, kAcmShortName);
    putWide(details.szLongName, kAcmLongName);
    putWide(details.szCopyright, "The Quorl developers");
    putWide(details.szFeatures, "Decodes the audio of Quorl link files from their source");
    copyOut(details, reinterpret_cast<void*>(target));
    return MMSYSERR_NOERROR;
}

bool describeTag(DWORD index, ACMFORMATTAGDETAILSW* details) {
    details->dwFormatTagIndex = index;
    details->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    details->cStandardFormats = 0;  // linked formats exist only inside link files
    if (index == 0) {
        details->dwFormatTag = kLinkedAudioTag;
        details->cbFormatSize = kLinkedAudioFormatSize;
        putWide(details->szFormatTag, kAcmShortName);
        return true;
    }
    if (index == 1) {
        details->dwFormatTag = WAVE_FORMAT_PCM;
        details->cbFormatSize = kPcmFormatSize;
        putWide(details->szFormatTag, "PCM");
        return true;
    }
    return false;
}

LRESULT formatTagDetails(LPARAM target, LPARAM flags) {
    if (target == 0 ||
        recordSize(reinterpret_cast<void*>(target)) < offsetof(ACMFORMATTAGDETAILSW, szFormatTag))
        return MMSYSERR_INVALPARAM;
    auto* asked = reinterpret_cast<ACMFORMATTAGDETAILSW*>(target);
    ACMFORMATTAGDETAILSW details{};
    details.cbStruct = sizeof details;
    DWORD index = kTagCount;
    switch (static_cast<DWORD>(flags) & ACM_FORMATTAGDETAILSF_QUERYMASK) {
    case ACM_FORMATTAGDETAILSF_INDEX:
        index = asked->dwFormatTagIndex;
        break;
    case ACM_FORMATTAGDETAILSF_FORMATTAG:
        if (asked->dwFormatTag == kLinkedAudioTag) index = 0;
        if (asked->dwFormatTag == WAVE_FORMAT_PCM) index = 1;
        break;
    case ACM_FORMATTAGDETAILSF_LARGESTSIZE:
        // The largest of the given tag, or of all when none is given.
        if (asked->dwFormatTag == WAVE_FORMAT_UNKNOWN || asked->dwFormatTag == kLinkedAudioTag)
            index = 0;
        if (asked->dwFormatTag == WAVE_FORMAT_PCM) index = 1;
        break;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
    if (!describeTag(index, &details)) return ACMERR_NOTPOSSIBLE;
    copyOut(details, asked);
    return MMSYSERR_NOERROR;
}

LRESULT formatDetails(LPARAM target, LPARAM flags) {
    if (target == 0 ||
        recordSize(reinterpret_cast<void*>(target)) < offsetof(ACMFORMATDETAILSW, szFormat))
        return MMSYSERR_INVALPARAM;
    auto* asked = reinterpret_cast<ACMFORMATDETAILSW*>(target);
    // No standard formats to list: a linked format only means something with
    // the source its link data names.
    if ((static_cast<DWORD>(flags) & ACM_FORMATDETAILSF_QUERYMASK) != ACM_FORMATDETAILSF_FORMAT)
        return ACMERR_NOTPOSSIBLE;
    char text[ACMFORMATDETAILS_FORMAT_CHARS];
    LinkedAudio link;
    const WAVEFORMATEX* format = asked->pwfx;
    if (asked->dwFormatTag == kLinkedAudioTag && parseLinked(format, asked->cbwfx, &link)) {
        std::snprintf(text, sizeof text, "%u Hz, %u bit, %u channels, from %s",
                      static_cast<unsigned>(link.samplesPerSecond),
                      static_cast<unsigned>(link.bitsPerSample), static_cast<unsigned>(link.channels),
                      link.sourcePath);
    } else if (asked->dwFormatTag == WAVE_FORMAT_PCM && isUsablePcm(format, asked->cbwfx)) {
        std::snprintf(text, sizeof text, "%u Hz, %u bit, %u channels",
                      static_cast<unsigned>(format->nSamplesPerSec),
                      static_cast<unsigned>(format->wBitsPerSample),
                      static_cast<unsigned>(format->nChannels));
    } else {
        return ACMERR_NOTPOSSIBLE;
    }
    asked->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    if (asked->cbStruct >= sizeof(ACMFORMATDETAILSW)) {
        // The source's name is UTF-8 and may be in any script.
        const std::wstring wide = paths::wide(text);
        const size_t units = std::min<size_t>(wide.size(), ACMFORMATDETAILS_FORMAT_CHARS - 1);
        wide.copy(asked->szFormat, units);
        asked->szFormat[units] = L'\0';
    }
    return MMSYSERR_NOERROR;
}

LRESULT formatSuggest(LPARAM target) {
    if (target == 0 ||
        recordSize(reinterpret_cast<void*>(target)) < sizeof(acmdrv::FormatSuggest))
        return MMSYSERR_INVALPARAM;
    const auto& suggest = *reinterpret_cast<const acmdrv::FormatSuggest*>(target);
    LinkedAudio link;
    if (!parseLinked(suggest.pwfxSrc, suggest.cbwfxSrc, &link)) return ACMERR_NOTPOSSIBLE;
    if (suggest.pwfxDst == nullptr || suggest.cbwfxDst < kPcmFormatSize) return ACMERR_NOTPOSSIBLE;
    WAVEFORMATEX& pcm = *suggest.pwfxDst;
    // Fields the caller fixed must already be what the link gives.
    const DWORD fixed = suggest.fdwSuggest;
    if ((fixed & ACM_FORMATSUGGESTF_WFORMATTAG) && pcm.wFormatTag != WAVE_FORMAT_PCM)
        return ACMERR_NOTPOSSIBLE;
    if ((fixed & ACM_FORMATSUGGESTF_NCHANNELS) && pcm.nChannels != link.channels)
        return ACMERR_NOTPOSSIBLE;
    if ((fixed & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && pcm.nSamplesPerSec != link.samplesPerSecond)
        return ACMERR_NOTPOSSIBLE;
    if ((fixed & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && pcm.wBitsPerSample != link.bitsPerSample)
        return ACMERR_NOTPOSSIBLE;
    const PcmFormat built = buildPcmFormat(static_cast<int32_t>(link.channels),
                                           static_cast<int32_t>(link.samplesPerSecond),
                                           static_cast<int32_t>(link.bitsPerSample));
    // cbSize exists only in a destination large enough for it.
    const DWORD size = suggest.cbwfxDst < built.size() ? kPcmFormatSize : built.size();
    std::memcpy(&pcm, built.data(), size);
    return MMSYSERR_NOERROR;
}

// Checks an open request; `link` receives the source's description.
LRESULT checkStreamFormats(const acmdrv::StreamInstance& instance, LinkedAudio* link) {
    if (instance.pwfltr != nullptr) return ACMERR_NOTPOSSIBLE;
    if (!parseLinked(instance.pwfxSrc, statedSize(instance.pwfxSrc), link)) return ACMERR_NOTPOSSIBLE;
    const WAVEFORMATEX* pcm = instance.pwfxDst;
    if (pcm == nullptr ||
        !isLinkedPcmFormat(reinterpret_cast<const uint8_t*>(pcm), statedSize(pcm), *link))
        return ACMERR_NOTPOSSIBLE;
    if (instance.fdwOpen & ACM_STREAMOPENF_ASYNC) return ACMERR_NOTPOSSIBLE;
    return MMSYSERR_NOERROR;
}

LRESULT streamOpen(LPARAM target) {
    if (target == 0) return MMSYSERR_INVALPARAM;
    auto& instance = *reinterpret_cast<acmdrv::StreamInstance*>(target);
    LinkedAudio link;
    const LRESULT checked = checkStreamFormats(instance, &link);
    if (checked != MMSYSERR_NOERROR) return checked;
    if (instance.fdwOpen & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
    // The source is opened now, so that a link whose source is gone fails
    // where the player can still tell its user, not in the middle of play.
    std::unique_ptr<LinkedAudioStream> stream = LinkedAudioStream::open(link);
    if (!stream) return ACMERR_NOTPOSSIBLE;
    instance.dwDriver = reinterpret_cast<DWORD_PTR>(stream.release());
    return MMSYSERR_NOERROR;
}

LRESULT streamClose(LPARAM target) {
    if (target == 0) return MMSYSERR_INVALPARAM;
    auto& instance = *reinterpret_cast<acmdrv::StreamInstance*>(target);
    // A query-only open leaves no stream behind.
    delete reinterpret_cast<LinkedAudioStream*>(instance.dwDriver);
    instance.dwDriver = 0;
    return MMSYSERR_NOERROR;
}

LRESULT streamSize(LPARAM instanceRecord, LPARAM target) {
    if (instanceRecord == 0 || target == 0) return MMSYSERR_INVALPARAM;
    const auto& instance = *reinterpret_cast<const acmdrv::StreamInstance*>(instanceRecord);
    auto& size = *reinterpret_cast<acmdrv::StreamSize*>(target);
    LinkedAudio link;
    if (!parseLinked(instance.pwfxSrc, statedSize(instance.pwfxSrc), &link)) return ACMERR_NOTPOSSIBLE;
    // Blocks vary in length; sizes assume every block is as long as any may be.
    const uint64_t blockOutput = uint64_t{static_cast<uint32_t>(link.maxAudioSamplesPerBlock)} *
                                 link.frameBytes();
    uint64_t result = 0;
    switch (size.fdwSize & ACM_STREAMSIZEF_QUERYMASK) {
    case ACM_STREAMSIZEF_SOURCE:
        result = size.cbSrcLength / link.blockSize * blockOutput;
        if (result == 0 || result > UINT32_MAX) return ACMERR_NOTPOSSIBLE;
        size.cbDstLength = static_cast<DWORD>(result);
        return MMSYSERR_NOERROR;
    case ACM_STREAMSIZEF_DESTINATION:
        result = (size.cbDstLength + blockOutput - 1) / blockOutput * link.blockSize;
        if (result == 0 || result > UINT32_MAX) return ACMERR_NOTPOSSIBLE;
        size.cbSrcLength = static_cast<DWORD>(result);
        return MMSYSERR_NOERROR;
    default:
        return MMSYSERR_INVALFLAG;
    }
}

LRESULT streamConvert(LPARAM instanceRecord, LPARAM target) {
    if (instanceRecord == 0 || target == 0) return MMSYSERR_INVALPARAM;
    const auto& instance = *reinterpret_cast<const acmdrv::StreamInstance*>(instanceRecord);
    auto& header = *reinterpret_cast<acmdrv::StreamHeader*>(target);
    auto* stream = reinterpret_cast<LinkedAudioStream*>(instance.dwDriver);
    header.cbSrcLengthUsed = 0;
    header.cbDstLengthUsed = 0;
    if (stream == nullptr) return ACMERR_NOTPOSSIBLE;
    if ((header.pbSrc == nullptr && header.cbSrcLength > 0) ||
        (header.pbDst == nullptr && header.cbDstLength > 0))
        return ACMERR_NOTPOSSIBLE;
    uint32_t sourceUsed = 0;
    uint32_t destinationUsed = 0;
    if (!stream->convert(header.pbSrc, header.cbSrcLength, header.pbDst, header.cbDstLength,
                         &sourceUsed, &destinationUsed))
        return ACMERR_NOTPOSSIBLE;
    header.cbSrcLengthUsed = sourceUsed;
    header.cbDstLengthUsed = destinationUsed;
    return MMSYSERR_NOERROR;
}

}  // namespace

LRESULT AcmDriver::message(UINT msg, LPARAM lParam1, LPARAM lParam2) {
    switch (msg) {
    case acmdrv::kDriverDetails: return driverDetails(lParam1);
    case acmdrv::kFormatTagDetails: return formatTagDetails(lParam1, lParam2);
    case acmdrv::kFormatDetails: return formatDetails(lParam1, lParam2);
    case acmdrv::kFormatSuggest: return formatSuggest(lParam1);
    case acmdrv::kStreamOpen: return streamOpen(lParam1);
    case acmdrv::kStreamClose: return streamClose(lParam1);
    case acmdrv::kStreamSize: return streamSize(lParam1, lParam2);
    case acmdrv::kStreamConvert: return streamConvert(lParam1, lParam2);
    // msacm32 prepares headers itself when the driver declines; nothing
    // here is asynchronous, so there is nothing to reset either.
    case acmdrv::kStreamPrepare:
    case acmdrv::kStreamUnprepare:
    case acmdrv::kStreamReset:
    case acmdrv::kDriverAbout:
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}
