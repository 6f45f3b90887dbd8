#include "tests/source/SourceMedia.h"

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstring>

#include "tests/support/TestEnvironment.h"

std::string mediaPath(const std::string& name) {
    return joinPath(joinPath(mediaFolder(), "source"), name);
}

Bytes reference(const std::string& name) { return readFileBytes(mediaPath(name)); }

std::string scratchPath(const std::string& name) { return joinPath(scratchFolder(), name); }

Bytes flipRows(const Bytes& picture, size_t rowBytes) {
    Bytes flipped(picture.size());
    const size_t rows = picture.size() / rowBytes;
    for (size_t row = 0; row < rows; ++row)
        std::memcpy(&flipped[(rows - 1 - row) * rowBytes], &picture[row * rowBytes], rowBytes);
    return flipped;
}

uint32_t le32(const Bytes& bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void putLe32(Bytes& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

void putLe16(Bytes& bytes, size_t offset, uint16_t value) {
    bytes[offset] = static_cast<unsigned char>(value);
    bytes[offset + 1] = static_cast<unsigned char>(value >> 8);
}

size_t streamHeaderOffset(const Bytes& avi, const char* type) {
    for (size_t at = 12; at + 12 <= avi.size(); ++at) {
        if (std::memcmp(&avi[at], "strh", 4) == 0 && std::memcmp(&avi[at + 8], type, 4) == 0)
            return at + 8;
    }
    return 0;
}

namespace {

class RiffBuilder {
public:
    size_t begin(const char* id, const char* listType = nullptr) {
        const size_t start = bytes.size();
        append(id, 4);
        append("\0\0\0\0", 4);
        if (listType != nullptr) append(listType, 4);
        return start;
    }
    void end(size_t start) {
        putLe32(bytes, start + 4, static_cast<uint32_t>(bytes.size() - start - 8));
        if (bytes.size() & 1) bytes.push_back(0);
    }
    void append(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void le32(uint32_t value) {
        unsigned char b[4];
        for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
        append(b, 4);
    }
    void le16(uint16_t value) {
        unsigned char b[2] = {static_cast<unsigned char>(value),
                              static_cast<unsigned char>(value >> 8)};
        append(b, 2);
    }
    Bytes bytes;
};

}  // namespace

Bytes buildAvi(const std::vector<AviStream>& streams, uint32_t microSecPerFrame) {
    RiffBuilder riff;
    const size_t file = riff.begin("RIFF", "AVI ");
    const size_t hdrl = riff.begin("LIST", "hdrl");
    const size_t avih = riff.begin("avih");
    size_t frames = 0;
    for (const AviStream& s : streams)
        if (s.type == "vids") frames = s.chunks.size();
    riff.le32(microSecPerFrame);
    riff.le32(0);                          // dwMaxBytesPerSec
    riff.le32(0);                          // dwPaddingGranularity
    riff.le32(AVIF_HASINDEX);
    riff.le32(static_cast<uint32_t>(frames));
    riff.le32(0);                          // dwInitialFrames
    riff.le32(static_cast<uint32_t>(streams.size()));
    riff.le32(0);                          // dwSuggestedBufferSize
    for (int i = 0; i < 6; ++i) riff.le32(0);  // width, height, reserved
    riff.end(avih);
    for (const AviStream& s : streams) {
        const size_t strl = riff.begin("LIST", "strl");
        const size_t strh = riff.begin("strh");
        riff.append(s.type.data(), 4);
        std::string handler = s.handler;
        handler.resize(4, '\0');
        riff.append(handler.data(), 4);
        riff.le32(0);                      // dwFlags
        riff.le32(0);                      // wPriority, wLanguage
        riff.le32(0);                      // dwInitialFrames
        riff.le32(s.scale);
        riff.le32(s.rate);
        riff.le32(0);                      // dwStart
        uint32_t length = 0;
        for (const Bytes& chunk : s.chunks)
            length += s.sampleSize ? static_cast<uint32_t>(chunk.size()) / s.sampleSize : 1;
        riff.le32(length);
        size_t largest = 0;
        for (const Bytes& chunk : s.chunks) largest = std::max(largest, chunk.size());
        riff.le32(static_cast<uint32_t>(largest));
        riff.le32(0xFFFFFFFF);             // dwQuality
        riff.le32(s.sampleSize);
        riff.le16(0);
        riff.le16(0);
        riff.le16(static_cast<uint16_t>(s.frameRight));
        riff.le16(static_cast<uint16_t>(s.frameBottom));
        riff.end(strh);
        const size_t strf = riff.begin("strf");
        riff.append(s.format.data(), s.format.size());
        riff.end(strf);
        riff.end(strl);
    }
    riff.end(hdrl);

    struct Entry {
        std::string id;
        uint32_t offset, size;
    };
    std::vector<Entry> index;
    const size_t movi = riff.begin("LIST", "movi");
    const size_t moviData = movi + 8;
    size_t longest = 0;
    for (const AviStream& s : streams) longest = std::max(longest, s.chunks.size());
    for (size_t i = 0; i < longest; ++i) {
        for (const AviStream& s : streams) {
            if (i >= s.chunks.size()) continue;
            const size_t chunk = riff.begin(s.chunkId.c_str());
            riff.append(s.chunks[i].data(), s.chunks[i].size());
            riff.end(chunk);
            index.push_back({s.chunkId, static_cast<uint32_t>(chunk - moviData),
                             static_cast<uint32_t>(s.chunks[i].size())});
        }
    }
    riff.end(movi);
    const size_t idx1 = riff.begin("idx1");
    for (const Entry& e : index) {
        riff.append(e.id.data(), 4);
        riff.le32(AVIIF_KEYFRAME);
        riff.le32(e.offset);
        riff.le32(e.size);
    }
    riff.end(idx1);
    riff.end(file);
    return riff.bytes;
}

Bytes encodeRle8(const unsigned char* topDownRows, int width, int height) {
    Bytes out;
    for (int row = height - 1; row >= 0; --row) {
        const unsigned char* line = topDownRows + static_cast<size_t>(row) * width;
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && run < 255 && line[x + run] == line[x]) ++run;
            out.push_back(static_cast<unsigned char>(run));
            out.push_back(line[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(row == 0 ? 1 : 0);  // end of bitmap after the top row
    }
    return out;
}
