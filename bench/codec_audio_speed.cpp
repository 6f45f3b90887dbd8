// How fast a player gets the sound of a link through the codec: the linked
// audio of a one-hour 48 kHz stereo 16-bit source, read through AVIFile and
// converted with the ACM one second (25 blocks) at a time, next to reading
// the same PCM straight from the source with AVIStreamRead in one-second
// pieces. Prints MB/s of PCM for both and their ratio.
//
// Usage: codec_audio_speed SOURCE.avi LINK.avi
// SOURCE must be a short path (a link names at most 38 characters), e.g. on
// the test prefix's M: drive. The link is written here with the program's
// own writer, and the codec is installed for this process only, so nothing
// needs registering. Make the source with, for instance:
//   ffmpeg -f lavfi -i testsrc=size=8x8:rate=25 -f lavfi -i sine=sample_rate=48000
//     -t 3600 -ac 2 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le build/media/bench/hour.avi
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <vfw.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/LinkWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Stream {
    PAVIFILE file = nullptr;
    PAVISTREAM audio = nullptr;
    std::vector<uint8_t> format;
    bool open(const char* path) {
        if (AVIFileOpenA(&file, path, OF_READ, nullptr) != 0) return false;
        if (AVIFileGetStream(file, &audio, streamtypeAUDIO, 0) != 0) return false;
        LONG size = 0;
        AVIStreamReadFormat(audio, 0, nullptr, &size);
        format.resize(static_cast<size_t>(size));
        return AVIStreamReadFormat(audio, 0, format.data(), &size) == 0;
    }
    ~Stream() {
        if (audio != nullptr) AVIStreamRelease(audio);
        if (file != nullptr) AVIFileRelease(file);
    }
};

// PCM bytes read straight from the source, one second per read.
double readDirect(const char* path, uint64_t* bytes) {
    Stream source;
    if (!source.open(path)) return -1;
    const LONG length = AVIStreamLength(source.audio);
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(source.format.data());
    const LONG piece = static_cast<LONG>(wave->nSamplesPerSec);
    std::vector<uint8_t> buffer(static_cast<size_t>(piece) * wave->nBlockAlign);
    const auto start = Clock::now();
    for (LONG at = 0; at < length; at += piece) {
        LONG got = 0;
        if (AVIStreamRead(source.audio, at, piece, buffer.data(), static_cast<LONG>(buffer.size()), &got,
                          nullptr) != 0)
            return -1;
        *bytes += static_cast<uint64_t>(got);
    }
    return seconds(start);
}

// The link's blocks alone, read as the linked measurement reads them: what
// AVIFile costs before the codec does anything.
double readBlocks(const char* path, LONG blocks) {
    Stream link;
    if (!link.open(path)) return -1;
    const LONG length = AVIStreamLength(link.audio);
    const auto* linked = reinterpret_cast<const WAVEFORMATEX*>(link.format.data());
    std::vector<uint8_t> source(static_cast<size_t>(blocks) * linked->nBlockAlign);
    const auto start = Clock::now();
    for (LONG at = 0; at < length; at += blocks)
        if (AVIStreamRead(link.audio, at, blocks, source.data(), static_cast<LONG>(source.size()),
                          nullptr, nullptr) != 0)
            return -1;
    return seconds(start);
}

// PCM bytes of the link's sound, `blocks` linked blocks per read and conversion.
double readLinked(const char* path, HACMDRIVER driver, LONG blocks, uint64_t* bytes) {
    Stream link;
    if (!link.open(path)) return -1;
    auto* linked = reinterpret_cast<WAVEFORMATEX*>(link.format.data());
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(driver, linked, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG) != 0)
        return -1;
    const auto start = Clock::now();
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, driver, linked, &pcm, nullptr, 0, 0, 0) != 0) return -1;
    const LONG length = AVIStreamLength(link.audio);
    std::vector<uint8_t> source(static_cast<size_t>(blocks) * linked->nBlockAlign);
    DWORD room = 0;
    acmStreamSize(stream, static_cast<DWORD>(source.size()), &room, ACM_STREAMSIZEF_SOURCE);
    std::vector<uint8_t> out(room);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = static_cast<DWORD>(source.size());
    header.pbDst = out.data();
    header.cbDstLength = room;
    acmStreamPrepareHeader(stream, &header, 0);
    double result = 0;
    for (LONG at = 0; at < length; at += blocks) {
        LONG got = 0;
        if (AVIStreamRead(link.audio, at, blocks, source.data(), static_cast<LONG>(source.size()), &got,
                          nullptr) != 0) {
            result = -1;
            break;
        }
        header.cbSrcLength = static_cast<DWORD>(got);
        if (acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN) != 0) {
            result = -1;
            break;
        }
        *bytes += header.cbDstLengthUsed;
    }
    header.cbSrcLength = static_cast<DWORD>(source.size());
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    return result < 0 ? result : seconds(start);
}

bool writeLink(const char* link, const char* source) {
    Stream opened;
    if (!opened.open(source)) return false;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(opened.format.data());
    const LONG samples = AVIStreamLength(opened.audio);
    const LONG frames = static_cast<LONG>(static_cast<int64_t>(samples) * 25 / wave->nSamplesPerSec);
    LinkWriter writer;
    ProgressHooks hooks{nullptr, [](void*, void*, void*, const char*) { return 0; },
                        [](void*) { return true; }, [](int32_t, void*) {},
                        [](void*) { return false; }};
    return writer.createLink(link, source, 1, 8, 8, 25, 1, frames, 3,
                             static_cast<int32_t>(wave->nSamplesPerSec), wave->nChannels,
                             wave->wBitsPerSample, samples, true, true, false, false, 2,
                             SourceCallbacks{}, hooks);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Usage: codec_audio_speed SOURCE.avi LINK.avi\n");
        return 2;
    }
    AVIFileInit();
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dll = self;
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "avishim.dll";
    HMODULE module = LoadLibraryA(dll.c_str());
    auto proc = module != nullptr ? reinterpret_cast<LPARAM>(GetProcAddress(module, "DriverProc")) : 0;
    HACMDRIVERID driverId = nullptr;
    HACMDRIVER driver = nullptr;
    if (proc == 0 ||
        acmDriverAdd(&driverId, module, proc, 0, ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL) != 0 ||
        acmDriverOpen(&driver, driverId, 0) != 0) {
        std::fprintf(stderr, "cannot install %s\n", dll.c_str());
        return 1;
    }
    if (!writeLink(argv[2], argv[1])) {
        std::fprintf(stderr, "cannot link %s\n", argv[1]);
        return 1;
    }
    uint64_t directBytes = 0;
    uint64_t linkedBytes = 0;
    const double direct = readDirect(argv[1], &directBytes);
    const double linked = readLinked(argv[2], driver, 25, &linkedBytes);
    if (direct < 0 || linked < 0) {
        std::fprintf(stderr, "a read failed\n");
        return 1;
    }
    const double blocksOnly = readBlocks(argv[2], 25);
    const double mb = 1024.0 * 1024.0;
    std::printf("the link's blocks alone through AVIFile: %.2f s\n", blocksOnly);
    std::printf("direct AVIStreamRead, 1 s pieces: %.0f MB in %.2f s = %.1f MB/s\n", directBytes / mb,
                direct, directBytes / mb / direct);
    std::printf("linked through the ACM, 25 blocks: %.0f MB in %.2f s = %.1f MB/s\n", linkedBytes / mb,
                linked, linkedBytes / mb / linked);
    std::printf("linked / direct time: %.2f\n", linked / direct);
    acmDriverClose(driver, 0);
    acmDriverRemove(driverId, 0);
    AVIFileExit();
    return directBytes == linkedBytes ? 0 : 1;
}
