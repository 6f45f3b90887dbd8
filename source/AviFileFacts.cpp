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

// The stream header at the start of one 'strl' list: its type, its handler
// and, for an audio one, the fields the compensation needs.
bool readStreamHeader(ByteSource& file, const Chunk& list, uint32_t* type, uint32_t* handler,
                      StreamHeaderFields* audio) {
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
    *type = values[0];
    *handler = values[1];
    if (values[0] != fourcc('a', 'u', 'd', 's')) return true;
    audio->scale = values[4];
    audio->rate = values[5];
    audio->start = values[6];
    audio->length = values[7];
    audio->sampleSize = values[10];
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

// Little-endian bytes of the stream's format ('strf') at `offset`.
bool readFormatField(ByteSource& file, const Chunk& list, uint32_t offset, uint32_t length,
                     uint32_t* value) {
    Chunk strf;
    if (!findInList(file, list, fourcc('s', 't', 'r', 'f'), &strf)) return false;
    unsigned char bytes[4] = {};
    if (strf.size < offset + length || !file.readAt(strf.dataOffset + offset, bytes, length))
        return false;
    *value = static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
             static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool streamListHasIndex(ByteSource& file, const Chunk& list) {
    Chunk indx;
    return findInList(file, list, fourcc('i', 'n', 'd', 'x'), &indx);
}

// A link names its codec in the video stream's handler or compression, and
// its linked sound by the audio format's tag; either one makes a file a link.
bool isLinkStream(ByteSource& file, const Chunk& list, uint32_t type, uint32_t handler) {
    constexpr uint32_t kShim = fourcc('S', 'H', 'I', 'M');
    constexpr uint32_t kLinkedAudioTag = 0xF4;
    uint32_t value = 0;
    if (type == fourcc('v', 'i', 'd', 's'))
        return handler == kShim || (readFormatField(file, list, 16, 4, &value) && value == kShim);
    if (type == fourcc('a', 'u', 'd', 's'))
        return readFormatField(file, list, 0, 2, &value) && value == kLinkedAudioTag;
    return false;
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
        uint32_t type = 0, handler = 0;
        StreamHeaderFields audio;
        if (!readStreamHeader(file, inner, &type, &handler, &audio)) continue;
        if (!facts->isLink && isLinkStream(file, inner, type, handler)) facts->isLink = true;
        // The first audio stream is the one read.
        if (type != fourcc('a', 'u', 'd', 's') || facts->hasAudio) continue;
        facts->hasAudio = true;
        facts->audio = audio;
        facts->hasAudioBlockAlign = readFormatField(file, inner, 12, 2, &facts->audioBlockAlign);
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
    // OpenDML parts follow one another; the second one starts where the first ends.
    Chunk next;
    facts->hasSecondPart = readChunk(file, nextChunk(riff), file.size(), &next) &&
                           next.id == fourcc('R', 'I', 'F', 'F') &&
                           next.listType == fourcc('A', 'V', 'I', 'X');
    return true;
}

}  // namespace avi
