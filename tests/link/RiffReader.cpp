#include "tests/link/RiffReader.h"

namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string id4(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

struct Walker {
    const std::vector<uint8_t>& file;
    ParsedAvi& out;

    bool fail(const std::string& why) {
        if (out.problem.empty()) out.problem = why;
        return false;
    }

    // Walks the chunks between `begin` and `end`, calling `visit` for each.
    template <typename Visit>
    bool walk(size_t begin, size_t end, Visit visit) {
        size_t at = begin;
        while (at < end) {
            if (at + 8 > end) return fail("chunk header crosses its list at " + std::to_string(at));
            uint32_t size = u32(file, at + 4);
            if (at + 8 + size > end) return fail("chunk crosses its list at " + std::to_string(at));
            if (!visit(id4(file, at), at, size)) return false;
            at += 8 + size + (size & 1);
        }
        return at == end || fail("padding crosses a list end");
    }

    bool streamList(size_t at, uint32_t size) {
        ParsedStream stream;
        bool ok = walk(at + 12, at + 8 + size, [&](const std::string& id, size_t c, uint32_t n) {
            std::vector<uint8_t> data(file.begin() + c + 8, file.begin() + c + 8 + n);
            if (id == "strh") stream.strh = data;
            if (id == "strf") stream.strf = data;
            if (id == "strn") {
                stream.hasName = true;
                if (data.empty() || data.back() != 0) return fail("strn without terminator");
                stream.name.assign(data.begin(), data.end() - 1);
            }
            return true;
        });
        if (stream.strh.size() != 56) return fail("strh is not 56 bytes");
        out.streams.push_back(stream);
        return ok;
    }

    bool headerList(size_t at, uint32_t size) {
        return walk(at + 12, at + 8 + size, [&](const std::string& id, size_t c, uint32_t n) {
            if (id == "avih") {
                if (n != 56) return fail("avih is not 56 bytes");
                out.avih.assign(file.begin() + c + 8, file.begin() + c + 64);
            }
            if (id == "LIST" && id4(file, c + 8) == "strl") return streamList(c, n);
            return true;
        });
    }

    bool movi(size_t at, uint32_t size) {
        out.moviListOffset = static_cast<uint32_t>(at);
        return walk(at + 12, at + 8 + size, [&](const std::string& id, size_t c, uint32_t n) {
            out.chunks.push_back(ParsedChunk{
                id, static_cast<uint32_t>(c),
                std::vector<uint8_t>(file.begin() + c + 8, file.begin() + c + 8 + n)});
            return true;
        });
    }

    bool index(size_t at, uint32_t size) {
        if (size % 16 != 0) return fail("idx1 size is not a multiple of 16");
        for (size_t e = at + 8; e < at + 8 + size; e += 16)
            out.index.push_back(ParsedIndexEntry{id4(file, e), u32(file, e + 4), u32(file, e + 8),
                                                 u32(file, e + 12)});
        return true;
    }
};

}  // namespace

uint32_t ParsedAvi::mainField(int offset) const { return u32(avih, offset); }

uint32_t ParsedAvi::streamField(size_t stream, int offset) const {
    return u32(streams.at(stream).strh, offset);
}

std::vector<const ParsedChunk*> ParsedAvi::chunksWithId(const std::string& id) const {
    std::vector<const ParsedChunk*> found;
    for (const ParsedChunk& chunk : chunks)
        if (chunk.id == id) found.push_back(&chunk);
    return found;
}

ParsedAvi parseAvi(const std::vector<uint8_t>& file) {
    ParsedAvi out;
    out.fileSize = static_cast<uint32_t>(file.size());
    Walker walker{file, out};
    if (file.size() < 12 || id4(file, 0) != "RIFF" || id4(file, 8) != "AVI ") {
        walker.fail("not a RIFF AVI file");
        return out;
    }
    out.riffSize = u32(file, 4);
    if (out.riffSize + 8 != file.size()) {
        walker.fail("RIFF size does not match the file");
        return out;
    }
    walker.walk(12, file.size(), [&](const std::string& id, size_t at, uint32_t size) {
        if (id == "LIST" && id4(file, at + 8) == "hdrl") return walker.headerList(at, size);
        if (id == "LIST" && id4(file, at + 8) == "movi") return walker.movi(at, size);
        if (id == "idx1") return walker.index(at, size);
        return true;
    });
    out.indexMatchesChunks = out.index.size() == out.chunks.size();
    for (size_t i = 0; out.indexMatchesChunks && i < out.index.size(); ++i) {
        const ParsedIndexEntry& e = out.index[i];
        const ParsedChunk& c = out.chunks[i];
        // Offsets count from the `movi` list type, as AVIFile writes them.
        out.indexMatchesChunks = e.id == c.id && e.size == c.data.size() &&
                                 e.offset == c.offset - (out.moviListOffset + 8);
    }
    return out;
}
