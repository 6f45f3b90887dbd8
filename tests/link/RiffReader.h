#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An independent reading of an AVI 1.0 file's bytes, to check the layout that
// the system's reader hides: every chunk of `movi` in file order, the index,
// the raw main and stream headers.
struct ParsedChunk {
    std::string id;
    uint32_t offset = 0;  // of the chunk header, from the start of the file
    std::vector<uint8_t> data;
};

struct ParsedStream {
    std::vector<uint8_t> strh;  // 56 bytes as stored
    std::vector<uint8_t> strf;
    std::string name;           // strn without its terminator
    bool hasName = false;
};

struct ParsedIndexEntry {
    std::string id;
    uint32_t flags = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct ParsedAvi {
    std::string problem;  // empty when the structure is sound
    uint32_t riffSize = 0;
    uint32_t fileSize = 0;
    std::vector<uint8_t> avih;
    std::vector<ParsedStream> streams;
    uint32_t moviListOffset = 0;
    std::vector<ParsedChunk> chunks;
    std::vector<ParsedIndexEntry> index;
    bool indexMatchesChunks = false;  // every entry points at its chunk, in order

    uint32_t mainField(int offset) const;
    uint32_t streamField(size_t stream, int offset) const;
    std::vector<const ParsedChunk*> chunksWithId(const std::string& id) const;
};

ParsedAvi parseAvi(const std::vector<uint8_t>& file);
