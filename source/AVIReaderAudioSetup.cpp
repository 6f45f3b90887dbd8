#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "source/AVIReader.h"
#include "source/AviPlatform.h"
#include "source/ReaderTexts.h"
#include "common/MessageBoxes.h"

namespace {

// Resizes the block a field already holds (none on a fresh reader), zero-filled.
template <typename T>
bool resizeBlock(T** block, size_t bytes) {
    void* resized = std::realloc(*block, bytes);
    if (resized == nullptr) return false;
    std::memset(resized, 0, bytes);
    *block = static_cast<T*>(resized);
    return true;
}

// A wave format block is never shorter than WAVEFORMATEX, so its cbSize and
// the fixed part the information report copies can always be read.
size_t waveBlockSize(DWORD size) {
    return size < sizeof(WAVEFORMATEX) ? sizeof(WAVEFORMATEX) : size;
}

int32_t frameBytes(const WAVEFORMATEX& format) {
    return format.wBitsPerSample * format.nChannels / 8;
}

// Sizes beyond this could not be doubled in the 32-bit buffer sizes.
constexpr int64_t kLargestBuffer = INT32_MAX / 4;

}  // namespace

bool AVIReader::setUpAudio() {
    if (sourceFormat != nullptr) {
        showBox(kAudioAlreadyOpened, kAudioAlreadyOpenedCaption, MB_SETFOREGROUND);
        return false;
    }
    audioOpened = true;
    decodeActive = false;
    if (avi::audioStreamInfo(audioStream, sourcePath, &audioInfo) != AVIERR_OK) return false;

    const LONG length = avi::streamLength(audioStream);
    outputPosition = 0;
    readPosition = 0;
    if (length < 0) return false;
    streamLength = length;

    DWORD largest = 0;
    if (acm::largestFormatSize(&largest) != MMSYSERR_NOERROR) return false;
    if (!resizeBlock(&sourceFormat, waveBlockSize(largest))) return false;
    LONG formatSize = static_cast<LONG>(largest);
    if (avi::readFormat(audioStream, sourceFormat, &formatSize) != AVIERR_OK) return false;
    // A format larger than the block it was read into has not been read
    // whole; one shorter than PCMWAVEFORMAT is no audio format at all.
    if (formatSize > static_cast<LONG>(largest) ||
        formatSize < static_cast<LONG>(sizeof(PCMWAVEFORMAT)))
        return false;

    audioStartMs = avi::streamStartMs(audioStream, audioInfo);

    if (sourceFormat->wFormatTag != WAVE_FORMAT_PCM) return setUpDecoder();

    // Zero channels, bits or rate would make every later size 0 and every
    // read deliver nothing.
    if (frameBytes(*sourceFormat) <= 0 || sourceFormat->nSamplesPerSec == 0) return false;
    nrChannels = sourceFormat->nChannels;
    bitsPerSample = sourceFormat->wBitsPerSample;
    audioSamplesPerSecond = static_cast<int32_t>(sourceFormat->nSamplesPerSec);
    numAudioSamples = streamLength;
    if (!resizeBlock(&outputFormat, waveBlockSize(static_cast<DWORD>(formatSize)))) return false;
    std::memcpy(outputFormat, sourceFormat, static_cast<size_t>(formatSize));
    return pcmReadAhead.allocate(frameBytes(*sourceFormat), sourceFormat->nSamplesPerSec,
                                 pcmReadAheadBytes);
}

bool AVIReader::setUpDecoder() {
    DWORD largest = 0;
    if (acm::largestFormatSize(&largest) != MMSYSERR_NOERROR) return false;
    if (!resizeBlock(&outputFormat, waveBlockSize(largest))) return false;
    outputFormat->wFormatTag = WAVE_FORMAT_PCM;
    if (acm::suggestPcm(sourceFormat, outputFormat, largest) != MMSYSERR_NOERROR) return false;

    // The arithmetic below divides by each of these.
    const WAVEFORMATEX& pcm = *outputFormat;
    if (frameBytes(pcm) <= 0 || pcm.nSamplesPerSec == 0 || sourceFormat->nBlockAlign == 0 ||
        audioInfo.dwRate == 0 || audioInfo.dwScale == 0)
        return false;

    pcmFill = 0;
    const int64_t pcmBytes = static_cast<int64_t>(pcm.wBitsPerSample) * pcm.nSamplesPerSec / 8;
    if (pcmBytes > kLargestBuffer) return false;
    pcmBufferSize = static_cast<uint32_t>(pcmBytes);
    if (!resizeBlock(&pcmBuffer, pcmBufferSize)) return false;

    sourceChunk = 0;
    decodeChunk = static_cast<int32_t>(pcmBufferSize) / 4;
    const int32_t samplesPerChunk =
        static_cast<int32_t>(decodeChunk * 8.0 / (pcm.wBitsPerSample * pcm.nChannels));

    convertBufferSize = 2 * decodeChunk;
    if (!resizeBlock(&convertBuffer, static_cast<size_t>(convertBufferSize))) return false;

    streamHeader = ACMSTREAMHEADER{};
    streamHeader.cbStruct = sizeof(ACMSTREAMHEADER);
    if (acm::openStream(&acmStream, sourceFormat, outputFormat) != MMSYSERR_NOERROR) {
        acmStream = nullptr;
        return false;
    }

    DWORD sourceBytes = 0;
    if (acm::sourceBytesFor(acmStream, static_cast<DWORD>(decodeChunk), &sourceBytes) !=
        MMSYSERR_NOERROR)
        return false;
    const DWORD whole = sourceBytes - sourceBytes % sourceFormat->nBlockAlign;
    if (whole < 1 || whole > kLargestBuffer) return false;
    sourceChunk = static_cast<int32_t>(whole);

    samplesPerFill = static_cast<int32_t>(static_cast<double>(samplesPerChunk) * audioInfo.dwRate /
                                          (static_cast<double>(pcm.nSamplesPerSec) *
                                           audioInfo.dwScale));
    // A source block longer than a chunk would give 0, and nothing would
    // ever be read.
    if (samplesPerFill < 1) samplesPerFill = 1;

    rawBufferSize = 2 * sourceChunk;
    if (!resizeBlock(&rawBuffer, static_cast<size_t>(rawBufferSize))) return false;

    streamHeader.pbSrc = rawBuffer;
    streamHeader.cbSrcLength = static_cast<DWORD>(rawBufferSize);
    streamHeader.pbDst = convertBuffer;
    streamHeader.cbDstLength = static_cast<DWORD>(convertBufferSize);
    pcmFill = 0;
    if (acm::prepareHeader(acmStream, &streamHeader) != MMSYSERR_NOERROR) return false;

    decodeActive = true;
    nrChannels = pcm.nChannels;
    bitsPerSample = pcm.wBitsPerSample;
    audioSamplesPerSecond = static_cast<int32_t>(pcm.nSamplesPerSec);
    const long double samples = static_cast<long double>(audioInfo.dwScale) * pcm.nSamplesPerSec *
                                streamLength / audioInfo.dwRate;
    numAudioSamples = samples >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(samples);
    return true;
}
