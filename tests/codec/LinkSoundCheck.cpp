// Not a test: the demo's witness for sound. Reads a link's audio through
// AVIFile and the registered ACM driver, as a player does, and says whether
// the PCM equals the source's own (a raw PCM file made by ffmpeg).
//
// Usage: link_sound_check LINK REFERENCE.pcm
// Exit code 0 when equal, 1 when they differ, 2 on failure.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/codec/AudioReadback.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: link_sound_check LINK REFERENCE.pcm\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    const std::vector<uint8_t> reference{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
    // A second's worth of blocks per read, as a player reading ahead would.
    const DecodedAudio sound = decodeLinkedAudio(argv[1], 25);
    if (!sound.failure.empty()) {
        std::printf("the link's sound could not be read: %s\n", sound.failure.c_str());
        return 2;
    }
    const unsigned frameBytes = sound.pcm.nBlockAlign > 0 ? sound.pcm.nBlockAlign : 1;
    if (sound.data == reference) {
        std::printf("the link's sound (%zu sample frames, %lu Hz, %u channels) equals the "
                    "source's PCM, sample for sample\n",
                    sound.data.size() / frameBytes, sound.pcm.nSamplesPerSec, sound.pcm.nChannels);
        return 0;
    }
    std::printf("the link's sound differs from the source's PCM (%zu bytes against %zu)\n",
                sound.data.size(), reference.size());
    return 1;
}
