// How fast createLink writes a feature-length link: a 2-hour PAL source
// (180 000 frames, 48 kHz stereo 16-bit) with linked audio, then the same
// with RAW audio served from memory. Prints frames per second and MB/s.
//
// Usage: link_speed [output.avi] [runs]
// The link writer reads its tuning values from the registry (and writes the
// defaults there when they are missing), so run it in a test prefix.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/LinkWriter.h"

namespace {

constexpr int32_t kFrames = 180000;
constexpr int32_t kRate = 48000;
constexpr int32_t kChannels = 2;
constexpr int32_t kBits = 16;
constexpr int32_t kSamples = kRate * 7200;

// One second of a 1 kHz tone, served over and over: the source's decoding
// costs nothing, so only the writer is measured.
std::vector<uint8_t> gSecond;

bool serveFromMemory(int32_t start, int32_t count, void* buffer, int32_t size, SourceReader*) {
    const int32_t frameBytes = kChannels * kBits / 8;
    if (count * frameBytes > size) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    int32_t position = start % kRate;
    while (count > 0) {
        int32_t take = std::min(count, kRate - position);
        std::memcpy(out, gSecond.data() + position * frameBytes, static_cast<size_t>(take) * frameBytes);
        out += take * frameBytes;
        count -= take;
        position = 0;
    }
    return true;
}

double fileMegabytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1e6;
}

bool timeLink(LinkWriter& writer, const std::string& path, int32_t audioMode, const char* label) {
    SourceCallbacks source{nullptr, serveFromMemory, nullptr};
    ProgressHooks hooks{};
    auto start = std::chrono::steady_clock::now();
    bool ok = writer.createLink(path.c_str(), "c:\\ORVserver.avs", 1, 720, 576, 25, 1, kFrames,
                                1, kRate, kChannels, kBits, kSamples, false, false, false, true,
                                audioMode, source, hooks);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double megabytes = fileMegabytes(path);
    std::printf("%-14s %s  %7.3f s  %9.0f frames/s  %8.1f MB  %7.1f MB/s\n", label,
                ok ? "ok    " : "FAILED", seconds, kFrames / seconds, megabytes, megabytes / seconds);
    std::fflush(stdout);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "link_speed.avi";
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    gSecond.resize(static_cast<size_t>(kRate) * kChannels * kBits / 8);
    for (int32_t i = 0; i < kRate; ++i) {
        auto value = static_cast<int16_t>(8000 * ((i / 24) % 2 ? 1 : -1));
        for (int32_t c = 0; c < kChannels; ++c) std::memcpy(&gSecond[(i * kChannels + c) * 2], &value, 2);
    }
    LinkWriter writer;
    writer.loadTuningValues();
    const TuningValues& t = writer.tuningValues();
    std::printf("2-hour PAL link, %d frames, %d Hz %d-channel %d-bit audio -> %s\n", kFrames, kRate,
                kChannels, kBits, path.c_str());
    std::printf("tuning: videoSHIMblockSize %u, audioSHIMblockSize %u, interleave %u\n",
                t.videoSHIMblockSize, t.audioSHIMblockSize, t.interleave);
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        ok = timeLink(writer, path, kAudioModeLinked, "linked audio") && ok;
        ok = timeLink(writer, path, kAudioModeRaw, "RAW audio") && ok;
    }
    DeleteFileA(path.c_str());
    return ok ? 0 : 1;
}
