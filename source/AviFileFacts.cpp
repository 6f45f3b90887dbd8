#include "source/AviFileFacts.h"

#include <cstring>

namespace avi {
namespace {

constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24;
}

// A damaged file could describe endless tiny chunks; a real header list
// holds a few dozen.
constexpr int kMaxChunksVisited = 4096;

struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t listType = 0;  // for RIFF and LIST chunks
    uint64_t dataOffset = 0;
};

bool readChunk(ByteSource& file, uint64_t offset, uint64_t end, Chunk* chunk) {
    uint32_t head[3] = {};
    if (offset + 8 > end || !file.readAt(offset, head, 8)) return false;
    chunk->id = head[0];
    chunk->size = head[1];
    chunk->dataOffset = offset + 8;
    chunk->listType = 0;
    if (chunk->id == fourcc('L', 'I', 'S', 'T') || chunk->id == fourcc('R', 'I', 'F', 'F')) {
        if (chunk->size < 4 || !file.readAt(offset + 8, &head[2], 4)) return false;
        chunk->listType = head[2];
    }
    return true;
}

uint64_t nextChunk(const Chunk& chunk) {
    return chunk.dataOffset + chunk.size + (chunk.size & 1);
}

// The stream header at the start of one 'strl' list, if it is an audio one.
bool audioHeaderOfStreamList(ByteSource& file, const Chunk& list, StreamHeaderFields* fields) {
    Chunk strh;
    if (!readChunk(file, list.dataOffset + 4, list.dataOffset + list.size, &strh)) return false;
    // fccType, fccHandler, dwFlags, wPriority, wLanguage, dwInitialFrames,
    // dwScale, dwRate, dwStart, dwLength, dwSuggestedBufferSize, dwQuality,
    // dwSampleSize: 48 bytes.
    unsigned char raw[48];
    if (strh.id != fourcc('s', 't', 'r', 'h') || strh.size < sizeof raw ||
        !file.readAt(strh.dataOffset, raw, sizeof raw))
        return false;
    uint32_t values[13];
    std::memcpy(&values[0], raw, 12);            // fccType, fccHandler, dwFlags
    std::memcpy(&values[3], raw + 16, 4 * 8);    // dwInitialFrames .. dwSampleSize
    if (values[0] != fourcc('a', 'u', 'd', 's')) return false;
    fields->scale = values[4];
    fields->rate = values[5];
    fields->start = values[6];
    fields->length = values[7];
    fields->sampleSize = values[10];
    return true;
}

// The first chunk called `id` directly inside `list`.
bool findInList(ByteSource& file, const Chunk& list, uint32_t id, Chunk* found) {
    const uint64_t listEnd = list.dataOffset + list.size;
    int visited = 0;
    for (uint64_t at = list.dataOffset + 4; readChunk(file, at, listEnd, found);
         at = nextChunk(*found)) {
        if (++visited > kMaxChunksVisited) return false;
        if (found->id == id) return true;
    }
    return false;
}

// The audio format's nBlockAlign, from the 'strf' after an audio 'strh'.
bool audioBlockAlignOfStreamList(ByteSource& file, const Chunk& list, uint32_t* blockAlign) {
    Chunk strf;
    if (!findInList(file, list, fourcc('s', 't', 'r', 'f'), &strf)) return false;
    unsigned char align[2];
    if (strf.size < 14 || !file.readAt(strf.dataOffset + 12, align, 2)) return false;
    *blockAlign = static_cast<uint32_t>(align[0] | align[1] << 8);
    return true;
}

bool streamListHasIndex(ByteSource& file, const Chunk& list) {
    Chunk indx;
    return findInList(file, list, fourcc('i', 'n', 'd', 'x'), &indx);
}

void inspectHeaderList(ByteSource& file, const Chunk& hdrl, AviFileFacts* facts) {
    const uint64_t listEnd = hdrl.dataOffset + hdrl.size;
    Chunk inner;
    int visited = 0;
    for (uint64_t in = hdrl.dataOffset + 4; readChunk(file, in, listEnd, &inner);
         in = nextChunk(inner)) {
        if (++visited > kMaxChunksVisited) return;
        if (inner.id != fourcc('L', 'I', 'S', 'T') || inner.listType != fourcc('s', 't', 'r', 'l'))
            continue;
        if (streamListHasIndex(file, inner)) facts->hasOpenDmlIndex = true;
        if (facts->hasAudio) continue;  // the first audio stream is the one read
        if (audioHeaderOfStreamList(file, inner, &facts->audio)) {
            facts->hasAudio = true;
            facts->hasAudioBlockAlign = audioBlockAlignOfStreamList(file, inner, &facts->audioBlockAlign);
        }
    }
}

}  // namespace

bool inspectAviChunks(ByteSource& file, AviFileFacts* facts) {
    if (facts == nullptr) return false;
    *facts = AviFileFacts{};
    Chunk riff;
    if (!readChunk(file, 0, file.size(), &riff) || riff.id != fourcc('R', 'I', 'F', 'F') ||
        riff.listType != fourcc('A', 'V', 'I', ' '))
        return false;
    facts->isAvi = true;
    const uint64_t riffEnd = riff.dataOffset + riff.size < file.size()
                                 ? riff.dataOffset + riff.size
                                 : file.size();
    int visited = 0;
    bool headersSeen = false;
    Chunk top;
    for (uint64_t at = riff.dataOffset + 4; readChunk(file, at, riffEnd, &top);
         at = nextChunk(top)) {
        if (++visited > kMaxChunksVisited) break;
        if (top.id == fourcc('i', 'd', 'x', '1')) facts->hasLegacyIndex = true;
        if (!headersSeen && top.id == fourcc('L', 'I', 'S', 'T') &&
            top.listType == fourcc('h', 'd', 'r', 'l')) {
            headersSeen = true;
            inspectHeaderList(file, top, facts);
        }
    }
    return true;
}

}  // namespace avi
