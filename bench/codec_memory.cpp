// What an editor with many clips open pays in memory: one process holds
// GetFrame open on COUNT files at once and reads FRAMES frames of each,
// stepping back from the last, then prints how much its private bytes and
// working set grew.
//
// Usage: codec_memory plain|link COUNT FRAMES SOURCES [LINKDIR]
// SOURCES names the files with '#' standing for 1 to COUNT. With "link" a
// link to each source is made in LINKDIR first (with the program's link
// writer) and the links are opened instead; the sources are raw RGB24
// written top-down and GetFrame asks for the bottom-up default, so every
// frame goes through the codec's cache. The figures of "link" less those of
// "plain" for the same sources are what the codec costs (see
// bench/codec_memory.sh, which runs each case in a process of its own).
#include <windows.h>
#include <psapi.h>
#include <vfw.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/LinkWriter.h"
#include "source/SourceReader.h"

namespace {

struct Memory {
    double privateMb, workingSetMb;
};

// Private bytes are the memory committed for the process alone, what a
// 32-bit editor runs out of. Wine fills in PagefileUsage only; on Windows it
// is the same figure as PrivateUsage.
Memory measure() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const double mb = 1024.0 * 1024.0;
    return {counters.PagefileUsage / mb, counters.WorkingSetSize / mb};
}

bool makeLink(const std::string& source, const std::string& link) {
    SourceReader* reader = openSource(0, source.c_str());
    if (reader == nullptr) return false;
    LinkWriter writer;
    DeleteFileA(link.c_str());
    const bool made = writer.createLink(
        link.c_str(), source.c_str(), 1, reader->width, reader->height,
        static_cast<int32_t>(reader->fpsNumerator), static_cast<int32_t>(reader->fpsDenominator),
        reader->nrFrames, reader->videoFormat, 0, 0, 0, 0, true, true, false, false,
        kAudioModeLinked, reader->callbacks, ProgressHooks{});
    reader->close(true, true);
    delete reader;
    return made;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    const bool linked = mode == "link";
    if ((mode != "plain" && !linked) || argc != (linked ? 6 : 5)) {
        std::fprintf(stderr, "usage: codec_memory plain|link COUNT FRAMES SOURCES [LINKDIR]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const LONG frames = std::atol(argv[3]);
    const std::string pattern = argv[4];
    const size_t hash = pattern.find('#');
    if (count < 1 || frames < 1 || hash == std::string::npos) {
        std::fprintf(stderr, "COUNT and FRAMES must be positive and SOURCES must hold a '#'\n");
        return 2;
    }
    std::vector<std::string> files;
    for (int i = 1; i <= count; ++i) {
        std::string file = pattern;
        file.replace(hash, 1, std::to_string(i));
        if (linked) {
            const std::string link = std::string(argv[5]) + "\\link" + std::to_string(i) + ".avi";
            if (!makeLink(file, link)) {
                std::fprintf(stderr, "cannot link %s\n", file.c_str());
                return 2;
            }
            file = link;
        }
        files.push_back(file);
    }

    AVIFileInit();
    const Memory before = measure();
    std::vector<PAVISTREAM> streams;
    std::vector<PGETFRAME> getters;
    for (const std::string& file : files) {
        PAVISTREAM stream = nullptr;
        if (AVIStreamOpenFromFileA(&stream, file.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) != 0) {
            std::fprintf(stderr, "cannot open %s\n", file.c_str());
            return 2;
        }
        streams.push_back(stream);
        PGETFRAME getter = AVIStreamGetFrameOpen(stream, nullptr);
        if (getter == nullptr) {
            std::fprintf(stderr, "no frames from %s\n", file.c_str());
            return 2;
        }
        getters.push_back(getter);
        // Stepping back, as a user scrubs: the codec keeps what it reads.
        for (LONG n = frames - 1; n >= 0; --n)
            if (AVIStreamGetFrame(getter, n) == nullptr) {
                std::fprintf(stderr, "frame %ld of %s unreadable\n", n, file.c_str());
                return 2;
            }
    }
    const Memory after = measure();
    std::printf("%-5s %4d open, %ld frames read from each: growth private %7.1f MB, "
                "working set %7.1f MB\n",
                linked ? "links" : "plain", count, frames, after.privateMb - before.privateMb,
                after.workingSetMb - before.workingSetMb);
    for (PGETFRAME getter : getters) AVIStreamGetFrameClose(getter);
    for (PAVISTREAM stream : streams) AVIStreamRelease(stream);
    AVIFileExit();
    return 0;
}
