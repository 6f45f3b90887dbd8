// Writes a source twice as long as a given AVI file: every stream chunk of its
// `movi` list, in file order, twice over, into one plain AVI 1.0 file with an
// `idx1` index. ffmpeg starts OpenDML extensions past 1 GB, and Wine's AVIFile
// stops with a failed assertion when a read reaches beyond their first part;
// a doubled one-hour file is a two-hour source it reads whole, laid out
// exactly like the one-hour one. Used by raw_audio_speed.sh.
//
// Usage: double_source IN.avi OUT.avi
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "link/AviWriter.h"
#include "link/FileSink.h"

namespace {

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct Input {
    std::FILE* file = nullptr;
    ~Input() {
        if (file != nullptr) std::fclose(file);
    }
    bool seek(uint64_t offset) { return _fseeki64(file, static_cast<int64_t>(offset), SEEK_SET) == 0; }
    bool read(void* into, size_t size) { return std::fread(into, 1, size, file) == size; }
    // The id and size of the chunk header at `offset`.
    bool header(uint64_t offset, char id[5], uint32_t* size) {
        unsigned char bytes[8];
        if (!seek(offset) || !read(bytes, 8)) return false;
        std::memcpy(id, bytes, 4);
        id[4] = 0;
        *size = le32(bytes + 4);
        return true;
    }
};

struct Stream {
    AviStreamInfo info{};
    std::vector<unsigned char> format;
};

AviStreamInfo infoFrom(const unsigned char* strh) {
    AviStreamInfo info{};
    info.fccType = le32(strh);
    info.fccHandler = le32(strh + 4);
    info.dwFlags = le32(strh + 8);
    info.wPriority = le16(strh + 12);
    info.wLanguage = le16(strh + 14);
    info.dwInitialFrames = le32(strh + 16);
    info.dwScale = le32(strh + 20);
    info.dwRate = le32(strh + 24);
    info.dwStart = le32(strh + 28);
    info.dwSuggestedBufferSize = le32(strh + 36);
    info.dwQuality = le32(strh + 40);
    info.dwSampleSize = le32(strh + 44);
    info.rcLeft = static_cast<int16_t>(le16(strh + 48));
    info.rcTop = static_cast<int16_t>(le16(strh + 50));
    info.rcRight = static_cast<int16_t>(le16(strh + 52));
    info.rcBottom = static_cast<int16_t>(le16(strh + 54));
    return info;
}

// The streams of a `hdrl` list whose data starts at `begin`.
bool readStreams(Input& in, uint64_t begin, uint64_t end, std::vector<Stream>* streams) {
    for (uint64_t at = begin; at + 8 <= end;) {
        char id[5];
        uint32_t size = 0;
        if (!in.header(at, id, &size)) return false;
        char type[5] = {};
        if (std::strcmp(id, "LIST") == 0 && in.read(type, 4) && std::strcmp(type, "strl") == 0) {
            Stream stream;
            bool haveHeader = false;
            for (uint64_t item = at + 12; item + 8 <= at + 8 + size;) {
                char itemId[5];
                uint32_t itemSize = 0;
                if (!in.header(item, itemId, &itemSize)) return false;
                std::vector<unsigned char> data(itemSize);
                if (!in.read(data.data(), itemSize)) return false;
                if (std::strcmp(itemId, "strh") == 0 && itemSize >= 56) {
                    stream.info = infoFrom(data.data());
                    haveHeader = true;
                } else if (std::strcmp(itemId, "strf") == 0) {
                    stream.format = data;
                }
                item += 8 + itemSize + (itemSize & 1);
            }
            if (!haveHeader) return false;
            streams->push_back(stream);
        }
        at += 8 + size + (size & 1);
    }
    return !streams->empty();
}

// Stream number of a data chunk id such as "00dc" or "01wb"; -1 for others
// (indexes, padding, lists).
int streamOf(const char* id) {
    if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9') return -1;
    return (id[0] - '0') * 10 + (id[1] - '0');
}

class Copier {
public:
    Copier(Input& in, AviWriter& out, const std::vector<Stream>& streams)
        : in_(in), out_(out), streams_(streams), positions_(streams.size(), 0) {}

    // Copies the data chunks between `begin` and `end`, descending into lists.
    bool copy(uint64_t begin, uint64_t end) {
        for (uint64_t at = begin; at + 8 <= end;) {
            char id[5];
            uint32_t size = 0;
            if (!in_.header(at, id, &size)) return false;
            if (std::strcmp(id, "LIST") == 0) {
                if (!copy(at + 12, at + 8 + size)) return false;
            } else {
                const int stream = streamOf(id);
                if (stream >= 0 && stream < static_cast<int>(streams_.size())) {
                    buffer_.resize(size);
                    if (!in_.read(buffer_.data(), size)) return false;
                    const uint32_t sampleSize = streams_[stream].info.dwSampleSize;
                    const int32_t samples = sampleSize ? static_cast<int32_t>(size / sampleSize) : 1;
                    if (out_.write(static_cast<uint32_t>(stream), positions_[stream], samples,
                                   buffer_.data(), static_cast<int32_t>(size), kAviKeyFrame) != kAviOk)
                        return false;
                    positions_[stream] += samples;
                }
            }
            at += 8 + size + (size & 1);
        }
        return true;
    }

private:
    Input& in_;
    AviWriter& out_;
    const std::vector<Stream>& streams_;
    std::vector<int32_t> positions_;
    std::vector<unsigned char> buffer_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: double_source IN.avi OUT.avi\n");
        return 2;
    }
    Input in;
    in.file = std::fopen(argv[1], "rb");
    unsigned char riff[12];
    if (in.file == nullptr || !in.read(riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "AVI ", 4) != 0) {
        std::fprintf(stderr, "%s is no AVI file\n", argv[1]);
        return 1;
    }
    const uint64_t end = 8 + static_cast<uint64_t>(le32(riff + 4));
    std::vector<Stream> streams;
    uint64_t movi = 0, moviEnd = 0;
    for (uint64_t at = 12; at + 12 <= end;) {
        char id[5], type[5] = {};
        uint32_t size = 0;
        if (!in.header(at, id, &size) || !in.read(type, 4)) break;
        if (std::strcmp(id, "LIST") == 0 && std::strcmp(type, "hdrl") == 0 &&
            !readStreams(in, at + 12, at + 8 + size, &streams)) {
            std::fprintf(stderr, "%s: unreadable stream headers\n", argv[1]);
            return 1;
        }
        if (std::strcmp(id, "LIST") == 0 && std::strcmp(type, "movi") == 0) {
            movi = at + 12;
            moviEnd = at + 8 + size;
        }
        at += 8 + size + (size & 1);
    }
    if (streams.empty() || movi == 0) {
        std::fprintf(stderr, "%s: no streams or no movi list\n", argv[1]);
        return 1;
    }

    AviResult result = kAviOk;
    std::unique_ptr<ByteSink> sink = createFileSink(argv[2], &result);
    if (sink == nullptr) {
        std::fprintf(stderr, "cannot create %s (0x%08x)\n", argv[2], static_cast<unsigned>(result));
        return 1;
    }
    AviWriter writer(*sink);
    for (const Stream& stream : streams) {
        uint32_t index = 0;
        if (writer.createStream(stream.info, &index) != kAviOk ||
            writer.setFormat(index, 0, stream.format.data(),
                             static_cast<int32_t>(stream.format.size())) != kAviOk) {
            std::fprintf(stderr, "cannot declare the streams of %s\n", argv[2]);
            return 1;
        }
    }
    Copier copier(in, writer, streams);
    if (!copier.copy(movi, moviEnd) || !copier.copy(movi, moviEnd) || writer.finish() != kAviOk) {
        std::fprintf(stderr, "copying into %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}
