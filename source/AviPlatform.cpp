#include "source/AviPlatform.h"

#include <cstdlib>

#include "common/Paths.h"

namespace avi {

void initLibrary() { AVIFileInit(); }
void exitLibrary() { AVIFileExit(); }

// Wine 8.0's AVIFile (Debian 12) takes the wide name but opens the file
// through the ANSI code page, so a name with characters outside it fails to
// open; the file's short form, all plain characters, opens it. Windows gets
// the same short form; the wide name is the fallback where there is none.
HRESULT openFile(PAVIFILE* file, const char* path) {
    std::wstring name = paths::wide(path);
    if (!paths::ansi(name)) {
        std::optional<std::wstring> shortName = paths::shortPath(name);
        if (shortName && paths::ansi(*shortName)) name = *shortName;
    }
    return AVIFileOpenW(file, name.c_str(), OF_READ, nullptr);
}

PAVISTREAM firstStream(PAVIFILE file, DWORD type) {
    PAVISTREAM stream = nullptr;
    if (AVIFileGetStream(file, &stream, type, 0) != AVIERR_OK) return nullptr;
    return stream;
}

void releaseFile(PAVIFILE file) {
    if (file != nullptr) AVIFileRelease(file);
}

void releaseStream(PAVISTREAM stream) {
    if (stream != nullptr) AVIStreamRelease(stream);
}

HRESULT streamInfo(PAVISTREAM stream, AVISTREAMINFOA* info) {
    return AVIStreamInfoA(stream, info, sizeof(AVISTREAMINFOA));
}

namespace {

// The leading fields of the stream's wave format, or false when it has none
// that could be compressed audio.
bool readWaveBasics(PAVISTREAM stream, WAVEFORMATEX* basics) {
    LONG size = 0;
    if (AVIStreamReadFormat(stream, 0, nullptr, &size) != AVIERR_OK) return false;
    if (size < static_cast<LONG>(sizeof(PCMWAVEFORMAT)) || size > 0x100000) return false;
    void* format = std::calloc(1, static_cast<size_t>(size) + sizeof(WAVEFORMATEX));
    if (format == nullptr) return false;
    const bool read = AVIStreamReadFormat(stream, 0, format, &size) == AVIERR_OK;
    if (read) *basics = *static_cast<const WAVEFORMATEX*>(format);
    std::free(format);
    return read;
}

// True when the information has the shape Wine's reader gives every audio
// stream, whatever the file says.
bool looksRewritten(const AVISTREAMINFOA& info, const WAVEFORMATEX& wave) {
    return info.dwScale == 1 && info.dwRate == wave.nSamplesPerSec &&
           info.dwSampleSize == wave.nBlockAlign;
}

}  // namespace

// Wine's AVIFile reader (observed with Wine 8.0 on Debian 12) rewrites the
// information of every audio stream of an AVI file when it opens it: the
// sample size becomes nBlockAlign, the scale 1 and the rate nSamplesPerSec,
// while positions and length stay in the file's own units. Windows keeps the
// file's values. For PCM both agree; for block-compressed audio (IMA ADPCM,
// MS ADPCM) the rate then claims samples while positions count blocks, so an
// IMA ADPCM file of 2 s at 22050 Hz would report a few dozen samples. Here the
// rate, scale and length are taken back from the file's own stream header,
// but only when both count in the same units (the file's sample size is the
// block size), so the reader's arithmetic comes out as it does on Windows.
HRESULT audioStreamInfo(PAVISTREAM stream, const char* path, AVISTREAMINFOA* info) {
    const HRESULT result = streamInfo(stream, info);
    if (result != AVIERR_OK) return result;
    WAVEFORMATEX wave{};
    if (!readWaveBasics(stream, &wave)) return result;
    if (wave.wFormatTag == WAVE_FORMAT_PCM || wave.nBlockAlign == 0) return result;
    if (!looksRewritten(*info, wave)) return result;
    StreamHeaderFields own;
    if (!readAudioStreamHeader(path, &own)) return result;
    if (own.sampleSize != wave.nBlockAlign || own.scale == 0 || own.rate == 0) return result;
    info->dwScale = own.scale;
    info->dwRate = own.rate;
    info->dwLength = own.length;
    return result;
}

namespace {

// Milliseconds of `sample` in exact integer arithmetic: rounded up for
// streams of 1000 samples per second or more, else truncated, which is the
// rounding AVIStreamSampleToTime is meant to apply.
int64_t exactSampleTime(int64_t sample, DWORD scale, DWORD rate) {
    const int64_t scaled = sample * scale * 1000;
    if (rate / scale >= 1000) return (scaled + rate - 1) / rate;
    return scaled / rate;
}

}  // namespace

int32_t streamStartMs(PAVISTREAM stream, const AVISTREAMINFOA& info) {
    const LONG first = AVIStreamStart(stream);
    AVISTREAMINFOA platform{};
    const bool compensated = streamInfo(stream, &platform) == AVIERR_OK &&
                             (platform.dwRate != info.dwRate || platform.dwScale != info.dwScale);
    // Wine 8.0 divides by the scale unchecked; a stream without a rate has no
    // time line, so it is taken to start at once.
    if (info.dwRate == 0 || info.dwScale == 0) return 0;
    if (first < 0) return AVIStreamSampleToTime(stream, first);
    const int64_t exact = exactSampleTime(first, info.dwScale, info.dwRate);
    // With compensated units the platform's own conversion would use the
    // rate it rewrote; convert with the file's units instead.
    if (compensated) return static_cast<int32_t>(exact);
    // Wine 8.0 (Debian 12) converts in single precision and so is off for
    // large positions: 24000 samples at 48000 Hz come out as 501 ms. Its
    // answer is kept whenever it is the exact time rounded either way.
    const LONG converted = AVIStreamSampleToTime(stream, first);
    const int64_t scaled = static_cast<int64_t>(first) * info.dwScale * 1000;
    const int64_t below = scaled / info.dwRate;
    const int64_t above = below + (scaled % info.dwRate != 0 ? 1 : 0);
    if (converted >= below && converted <= above) return converted;
    return static_cast<int32_t>(exact);
}

LONG streamLength(PAVISTREAM stream) { return AVIStreamLength(stream); }

HRESULT readFormat(PAVISTREAM stream, void* format, LONG* size) {
    return AVIStreamReadFormat(stream, 0, format, size);
}

HRESULT read(PAVISTREAM stream, LONG start, LONG samples, void* buffer, LONG size,
             LONG* bytesRead, LONG* samplesRead) {
    return AVIStreamRead(stream, start, samples, buffer, size, bytesRead, samplesRead);
}

PGETFRAME openDecompressor(PAVISTREAM stream, BITMAPINFOHEADER* wanted) {
    return AVIStreamGetFrameOpen(stream, wanted);
}

const BITMAPINFOHEADER* decompressFrame(PGETFRAME decompressor, LONG frame) {
    return static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(decompressor, frame));
}

void closeDecompressor(PGETFRAME decompressor) {
    if (decompressor != nullptr) AVIStreamGetFrameClose(decompressor);
}

}  // namespace avi

namespace acm {

MMRESULT largestFormatSize(DWORD* size) {
    return acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, size);
}

MMRESULT suggestPcm(WAVEFORMATEX* source, WAVEFORMATEX* pcm, DWORD pcmSize) {
    return acmFormatSuggest(nullptr, source, pcm, pcmSize, ACM_FORMATSUGGESTF_WFORMATTAG);
}

MMRESULT openStream(HACMSTREAM* stream, WAVEFORMATEX* source, WAVEFORMATEX* pcm) {
    return acmStreamOpen(stream, nullptr, source, pcm, nullptr, 0, 0,
                         ACM_STREAMOPENF_NONREALTIME);
}

MMRESULT sourceBytesFor(HACMSTREAM stream, DWORD outputBytes, DWORD* sourceBytes) {
    return acmStreamSize(stream, outputBytes, sourceBytes, ACM_STREAMSIZEF_DESTINATION);
}

MMRESULT prepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header) {
    return acmStreamPrepareHeader(stream, header, 0);
}

MMRESULT unprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header) {
    return acmStreamUnprepareHeader(stream, header, 0);
}

MMRESULT convert(HACMSTREAM stream, ACMSTREAMHEADER* header) {
    return acmStreamConvert(stream, header, ACM_STREAMCONVERTF_BLOCKALIGN);
}

void closeStream(HACMSTREAM stream) {
    if (stream != nullptr) acmStreamClose(stream, 0);
}

}  // namespace acm
