#include "link/AviHeaders.h"

#include <cstring>

#include "link/LittleEndian.h"
#include "link/RiffBuffer.h"

namespace {

// rcFrame is stored as four 16-bit values, unlike the 32-bit RECT callers give.
uint32_t rectField(int32_t value) { return static_cast<uint16_t>(static_cast<int16_t>(value)); }

size_t nameLength(const AviStreamInfo& info) {
    size_t length = 0;
    while (length < sizeof info.szName && info.szName[length] != '\0') ++length;
    return length;
}

size_t appendHeaderList(RiffBuffer& riff, const AviMainHeader& main,
                        const std::vector<AviStreamHeaders>& streams) {
    size_t hdrl = riff.beginList(fourcc("LIST"), fourcc("hdrl"));
    auto avih = encodeMainHeader(main);
    riff.chunk(fourcc("avih"), avih.data(), static_cast<uint32_t>(avih.size()));
    for (const AviStreamHeaders& stream : streams) {
        size_t strl = riff.beginList(fourcc("LIST"), fourcc("strl"));
        auto strh = encodeStreamHeader(*stream.info);
        riff.chunk(fourcc("strh"), strh.data(), static_cast<uint32_t>(strh.size()));
        riff.chunk(fourcc("strf"), stream.format->data(),
                   static_cast<uint32_t>(stream.format->size()));
        size_t length = nameLength(*stream.info);
        if (length > 0) {
            // The name is stored with its terminator, as readers expect a C string.
            char name[sizeof stream.info->szName + 1] = {};
            std::memcpy(name, stream.info->szName, length);
            riff.chunk(fourcc("strn"), name, static_cast<uint32_t>(length + 1));
        }
        riff.endList(strl);
    }
    riff.endList(hdrl);
    return riff.size();
}

uint32_t alignedPrologueSize(size_t headerEnd) {
    size_t withJunk = headerEnd + 8;  // a JUNK chunk header always fits after the headers
    return static_cast<uint32_t>((withJunk + kHeaderAlignment - 1) / kHeaderAlignment *
                                 kHeaderAlignment);
}

}  // namespace

std::array<uint8_t, 56> encodeMainHeader(const AviMainHeader& h) {
    std::array<uint8_t, 56> out{};
    putU32(&out[0], h.dwMicroSecPerFrame);
    putU32(&out[4], h.dwMaxBytesPerSec);
    putU32(&out[8], h.dwPaddingGranularity);
    putU32(&out[12], h.dwFlags);
    putU32(&out[16], h.dwTotalFrames);
    putU32(&out[20], h.dwInitialFrames);
    putU32(&out[24], h.dwStreams);
    putU32(&out[28], h.dwSuggestedBufferSize);
    putU32(&out[32], h.dwWidth);
    putU32(&out[36], h.dwHeight);
    // 40..55: dwReserved[4], zero
    return out;
}

std::array<uint8_t, 56> encodeStreamHeader(const AviStreamInfo& info) {
    std::array<uint8_t, 56> out{};
    putU32(&out[0], info.fccType);
    putU32(&out[4], info.fccHandler);
    putU32(&out[8], info.dwFlags);
    putU16(&out[12], info.wPriority);
    putU16(&out[14], info.wLanguage);
    putU32(&out[16], info.dwInitialFrames);
    putU32(&out[20], info.dwScale);
    putU32(&out[24], info.dwRate);
    putU32(&out[28], info.dwStart);
    putU32(&out[32], info.dwLength);
    putU32(&out[36], info.dwSuggestedBufferSize);
    putU32(&out[40], info.dwQuality);
    putU32(&out[44], info.dwSampleSize);
    putU16(&out[48], rectField(info.rcLeft));
    putU16(&out[50], rectField(info.rcTop));
    putU16(&out[52], rectField(info.rcRight));
    putU16(&out[54], rectField(info.rcBottom));
    return out;
}

void encodeIndexEntry(uint8_t* at, const AviIndexEntry& entry) {
    putU32(at, entry.chunkId);
    putU32(at + 4, entry.flags);
    putU32(at + 8, entry.offset);
    putU32(at + 12, entry.size);
}

uint32_t streamChunkId(uint32_t streamIndex, const char (&kind)[3]) {
    char id[5] = {static_cast<char>('0' + streamIndex / 10 % 10),
                  static_cast<char>('0' + streamIndex % 10), kind[0], kind[1], '\0'};
    return fourcc(id);
}

std::vector<uint8_t> buildPrologue(uint32_t riffSize, const AviMainHeader& main,
                                   const std::vector<AviStreamHeaders>& streams) {
    RiffBuffer riff;
    riff.beginList(fourcc("RIFF"), fourcc("AVI "));
    size_t headerEnd = appendHeaderList(riff, main, streams);
    riff.junkUpTo(alignedPrologueSize(headerEnd));
    std::vector<uint8_t> bytes = riff.bytes();
    putU32(bytes.data() + 4, riffSize);
    return bytes;
}

uint32_t moviListOffset(const std::vector<AviStreamHeaders>& streams) {
    RiffBuffer riff;
    riff.beginList(fourcc("RIFF"), fourcc("AVI "));
    return alignedPrologueSize(appendHeaderList(riff, AviMainHeader{}, streams));
}
