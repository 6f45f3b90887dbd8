// Our AVI writer: the layout it produces, the writes it refuses, and what
// the system's AVIFile reader makes of its files. All but the last cases are
// pure and also run natively, under the sanitizers.
#include <gtest/gtest.h>

#include <cstring>

#include "link/AviWriter.h"
#include "link/LittleEndian.h"
#include "tests/link/RiffReader.h"
#ifdef _WIN32
#include "link/AviFile.h"
#include "tests/link/AviReadback.h"
#include "tests/support/TestEnvironment.h"
#endif

namespace {

// Keeps the file in memory; can be told to fail like a full disk. With
// `withRoom` it lends room as the file sink does: the appends that follow fill
// that room in order, so bytes built there are kept where they stand.
class MemorySink : public ByteSink {
public:
    bool append(const void* data, uint32_t size) override {
        if (bytes.size() + staged_ + size > appendLimit) return false;
        auto* from = static_cast<const uint8_t*>(data);
        if (staged_ + size <= room_.size()) {
            if (from != room_.data() + staged_) std::memcpy(room_.data() + staged_, from, size);
            staged_ += size;
            return true;
        }
        commit();
        bytes.insert(bytes.end(), from, from + size);
        return true;
    }
    bool overwrite(uint64_t offset, const void* data, uint32_t size) override {
        commit();
        if (failOverwrite || offset + size > bytes.size()) return false;
        std::memcpy(bytes.data() + offset, data, size);
        return true;
    }
    bool finish() override {
        commit();
        ++finishCalls;
        return !failFinish;
    }
    uint8_t* room(uint32_t size) override {
        if (!withRoom) return nullptr;
        commit();
        roomAsked = size;
        room_.assign(size, 0xEE);
        return room_.data();
    }

    std::vector<uint8_t> bytes;
    bool withRoom = false;
    uint32_t roomAsked = 0;
    size_t appendLimit = SIZE_MAX;
    bool failOverwrite = false;
    bool failFinish = false;
    int finishCalls = 0;

private:
    void commit() {
        bytes.insert(bytes.end(), room_.begin(), room_.begin() + static_cast<ptrdiff_t>(staged_));
        room_.clear();
        staged_ = 0;
    }

    std::vector<uint8_t> room_;
    size_t staged_ = 0;
};

// Counts bytes without keeping them, for files of gigabytes.
class CountingSink : public ByteSink {
public:
    bool append(const void*, uint32_t size) override {
        size_ += size;
        return true;
    }
    bool overwrite(uint64_t offset, const void*, uint32_t size) override {
        return offset + size <= size_;
    }
    bool finish() override { return true; }
    uint64_t size() const { return size_; }

private:
    uint64_t size_ = 0;
};

AviStreamInfo videoInfo(uint32_t scale = 1000, uint32_t rate = 25000) {
    AviStreamInfo info{};
    info.fccType = fourcc("vids");
    info.fccHandler = fourcc("SHIM");
    info.dwScale = scale;
    info.dwRate = rate;
    info.dwLength = 3;
    info.dwSuggestedBufferSize = 2;
    info.dwQuality = 0xFFFFFFFF;
    info.rcRight = 320;
    info.rcBottom = 240;
    std::strcpy(info.szName, "pictures");
    return info;
}

AviStreamInfo audioInfo(uint32_t blockAlign = 4, uint32_t bytesPerSecond = 176400) {
    AviStreamInfo info{};
    info.fccType = fourcc("auds");
    info.dwScale = blockAlign;
    info.dwRate = bytesPerSecond;
    info.dwSampleSize = blockAlign;
    info.dwLength = 0xFFFFFFFF;
    info.dwQuality = 0xFFFFFFFF;
    std::strcpy(info.szName, "sound");
    return info;
}

// A 320x240 RGB24 header with its image size filled in (readers compute a
// missing one, which would hide what was stored).
const uint8_t kVideoFormat[40] = {40, 0, 0, 0, 0x40, 1, 0, 0, 0xF0, 0, 0, 0, 1, 0, 24, 0,
                                  0,  0, 0, 0, 0x00, 0x84, 3, 0};
const uint8_t kPcmFormat[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};

struct TwoStreams {
    uint32_t video = 99, audio = 99;
};

TwoStreams declareBoth(AviWriter& writer) {
    TwoStreams s;
    EXPECT_EQ(writer.createStream(videoInfo(), &s.video), kAviOk);
    EXPECT_EQ(writer.setFormat(s.video, 0, kVideoFormat, sizeof kVideoFormat), kAviOk);
    EXPECT_EQ(writer.createStream(audioInfo(), &s.audio), kAviOk);
    EXPECT_EQ(writer.setFormat(s.audio, 0, kPcmFormat, sizeof kPcmFormat), kAviOk);
    return s;
}

std::vector<uint8_t> bytesOf(const char* text) { return {text, text + std::strlen(text)}; }

}  // namespace

TEST(AviWriterLayout, HeadersChunksAndIndexOfATwoStreamFile) {
    MemorySink sink;
    AviWriter writer(sink);
    TwoStreams s = declareBoth(writer);
    EXPECT_EQ(writer.write(s.video, 0, 1, "abc", 3, kAviKeyFrame), kAviOk);  // odd: padded
    EXPECT_EQ(writer.write(s.audio, 0, 2, "12345678", 8, 0), kAviOk);
    EXPECT_EQ(writer.write(s.video, 1, 1, "defg", 4, 0), kAviOk);  // not a key frame
    EXPECT_EQ(writer.write(s.video, 2, 1, nullptr, 0, kAviKeyFrame), kAviOk);  // empty frame
    EXPECT_EQ(writer.write(s.audio, 2, 1, "ABCD", 4, 0), kAviOk);
    ASSERT_EQ(writer.finish(), kAviOk);
    EXPECT_EQ(sink.finishCalls, 1);

    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.moviListOffset % 2048, 0u);
    ASSERT_EQ(avi.chunks.size(), 5u);
    EXPECT_EQ(avi.chunks[0].id, "00db");
    EXPECT_EQ(avi.chunks[0].data, bytesOf("abc"));
    EXPECT_EQ(avi.chunks[1].id, "01wb");
    EXPECT_EQ(avi.chunks[2].id, "00dc");
    EXPECT_EQ(avi.chunks[3].id, "00dc");  // a key frame without data
    EXPECT_EQ(avi.chunks[4].data, bytesOf("ABCD"));
    EXPECT_TRUE(avi.indexMatchesChunks);
    EXPECT_EQ(avi.index[0].offset, 4u);  // right after the `movi` list type
    EXPECT_EQ(avi.index[0].flags, kAviKeyFrame);
    EXPECT_EQ(avi.index[1].flags, 0u);
    EXPECT_EQ(avi.index[2].flags, 0u);

    EXPECT_EQ(avi.mainField(0), 40000u);  // µs per frame at 25 fps
    EXPECT_EQ(avi.mainField(4), 176400u + 4 * 25);
    EXPECT_EQ(avi.mainField(12), 0x10u);  // AVIF_HASINDEX
    EXPECT_EQ(avi.mainField(16), 3u);     // total frames
    EXPECT_EQ(avi.mainField(24), 2u);
    EXPECT_EQ(avi.mainField(28), 8u);     // the largest chunk
    EXPECT_EQ(avi.mainField(32), 320u);
    EXPECT_EQ(avi.mainField(36), 240u);

    ASSERT_EQ(avi.streams.size(), 2u);
    EXPECT_EQ(avi.streamField(0, 32), 3u);   // dwLength: frames written
    EXPECT_EQ(avi.streamField(0, 36), 4u);   // suggested buffer raised from 2
    EXPECT_EQ(avi.streamField(1, 32), 3u);   // audio: samples, not chunks
    EXPECT_EQ(avi.streamField(1, 36), 8u);
    EXPECT_EQ(getU16(&avi.streams[0].strh[52]), 320);  // rcFrame as 16-bit values
    EXPECT_EQ(getU16(&avi.streams[0].strh[54]), 240);
    EXPECT_EQ(avi.streams[0].strf, std::vector<uint8_t>(kVideoFormat, kVideoFormat + 40));
    EXPECT_EQ(avi.streams[1].strf, std::vector<uint8_t>(kPcmFormat, kPcmFormat + 18));
    EXPECT_EQ(avi.streams[0].name, "pictures");
    EXPECT_EQ(avi.streams[1].name, "sound");
}

TEST(AviWriterLayout, ChunksBuiltInTheSinksRoomAreTheChunksAppended) {
    MemorySink appended, inPlace;
    inPlace.withRoom = true;
    for (MemorySink* sink : {&appended, &inPlace}) {
        AviWriter writer(*sink);
        TwoStreams s = declareBoth(writer);
        for (int32_t i = 0; i < 3; ++i) {
            const char* sound = i == 1 ? "12345" : "1234";  // odd: padded
            const int32_t size = static_cast<int32_t>(std::strlen(sound));
            uint8_t* room = writer.chunkRoom(static_cast<uint32_t>(size));
            ASSERT_EQ(room != nullptr, sink->withRoom);
            const void* data = sound;
            if (room != nullptr) data = std::memcpy(room, sound, static_cast<size_t>(size));
            EXPECT_EQ(writer.write(s.audio, i, 1, data, size, 0), kAviOk);
            EXPECT_EQ(writer.write(s.video, i, 1, "abc", 3, kAviKeyFrame), kAviOk);
        }
        EXPECT_EQ(writer.finish(), kAviOk);
        EXPECT_EQ(writer.chunkRoom(4), nullptr);
    }
    EXPECT_EQ(inPlace.roomAsked, 8u + 4u);  // the chunk header and the padded payload
    EXPECT_EQ(inPlace.bytes, appended.bytes);
}

TEST(AviWriterLayout, SuggestedBufferKeptWhenLargerAndLengthReplaced) {
    MemorySink sink;
    AviWriter writer(sink);
    uint32_t video = 0;
    AviStreamInfo info = videoInfo();
    info.dwSuggestedBufferSize = 622080;
    info.dwLength = 1000;
    ASSERT_EQ(writer.createStream(info, &video), kAviOk);
    ASSERT_EQ(writer.setFormat(video, 0, kVideoFormat, 40), kAviOk);
    ASSERT_EQ(writer.write(video, 0, 1, "1234", 4, kAviKeyFrame), kAviOk);
    ASSERT_EQ(writer.finish(), kAviOk);
    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.streamField(0, 32), 1u);
    EXPECT_EQ(avi.streamField(0, 36), 622080u);
}

TEST(AviWriterLayout, FileWithoutChunksStillHasAnEmptyMoviAndIndex) {
    MemorySink sink;
    AviWriter writer(sink);
    declareBoth(writer);
    ASSERT_EQ(writer.finish(), kAviOk);
    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.streams.size(), 2u);
    EXPECT_TRUE(avi.chunks.empty());
    EXPECT_TRUE(avi.index.empty());
    EXPECT_EQ(avi.streamField(1, 32), 0u);  // the open length became 0
    EXPECT_NE(avi.moviListOffset, 0u);
}

TEST(AviWriterLayout, AudioOnlyFileNumbersItsStreamZero) {
    MemorySink sink;
    AviWriter writer(sink);
    uint32_t audio = 0;
    AviStreamInfo unnamed = audioInfo(128, 3200);
    unnamed.szName[0] = '\0';
    ASSERT_EQ(writer.createStream(unnamed, &audio), kAviOk);
    ASSERT_EQ(writer.setFormat(audio, 0, kPcmFormat, 18), kAviOk);
    std::vector<uint8_t> block(128, 7);
    ASSERT_EQ(writer.write(audio, 0, 0, block.data(), 128, 0), kAviOk);  // 0 samples is allowed
    EXPECT_EQ(writer.streamLength(audio), 0u);
    ASSERT_EQ(writer.write(audio, 0, 1, block.data(), 128, 0), kAviOk);
    ASSERT_EQ(writer.finish(), kAviOk);
    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    ASSERT_EQ(avi.chunks.size(), 2u);
    EXPECT_EQ(avi.chunks[0].id, "00wb");
    EXPECT_FALSE(avi.streams[0].hasName);
    EXPECT_EQ(avi.streamField(0, 32), 1u);
    EXPECT_EQ(avi.mainField(0), 0u);   // no video, no frame time
    EXPECT_EQ(avi.mainField(16), 0u);  // and no frames
    EXPECT_EQ(avi.mainField(4), 3200u);
}

TEST(AviWriterLayout, RatesThatDoNotDivideAreRoundedInTheMainHeader) {
    MemorySink sink;
    AviWriter writer(sink);
    uint32_t video = 0, audio = 0, second = 0;
    AviStreamInfo ntsc = videoInfo(1001, 30000);
    ntsc.dwInitialFrames = 2;  // says nothing about the frames written
    ASSERT_EQ(writer.createStream(ntsc, &video), kAviOk);
    ASSERT_EQ(writer.setFormat(video, 0, kVideoFormat, 40), kAviOk);
    AviStreamInfo other = videoInfo(1, 1000);  // the first video stream counts, and the largest buffer
    other.dwSuggestedBufferSize = 1000000;
    ASSERT_EQ(writer.createStream(other, &second), kAviOk);
    ASSERT_EQ(writer.setFormat(second, 0, kVideoFormat, 40), kAviOk);
    ASSERT_EQ(writer.createStream(audioInfo(128, 3836), &audio), kAviOk);
    ASSERT_EQ(writer.setFormat(audio, 0, kPcmFormat, 18), kAviOk);
    std::vector<uint8_t> block(128);
    ASSERT_EQ(writer.write(video, 0, 1, "1234", 4, kAviKeyFrame), kAviOk);
    ASSERT_EQ(writer.write(audio, 0, 1, block.data(), 128, 0), kAviOk);
    ASSERT_EQ(writer.finish(), kAviOk);
    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.mainField(0), 33367u);        // 33366.67 µs per frame, to the nearest
    EXPECT_EQ(avi.mainField(4), 120u + 3836u);  // 4 bytes × 29.97 = 119.88, rounded up
    EXPECT_EQ(avi.mainField(16), 1u);
    EXPECT_EQ(avi.mainField(28), 1000000u);
    EXPECT_EQ(streamChunkId(12, "wb"), fourcc("12wb"));
    EXPECT_EQ(streamChunkId(21, "dc"), fourcc("21dc"));
}

TEST(AviWriterLayout, HeaderFieldsStandAtTheirOffsets) {
    AviStreamInfo info{};
    info.fccType = fourcc("vids");
    info.fccHandler = fourcc("SHIM");
    info.dwFlags = 0x04030201;
    info.dwCaps = 0xEEEEEEEE;  // not stored
    info.wPriority = 0x0605;
    info.wLanguage = 0x0807;
    info.dwInitialFrames = 9;
    info.dwScale = 10;
    info.dwRate = 11;
    info.dwStart = 12;
    info.dwLength = 13;
    info.dwSuggestedBufferSize = 14;
    info.dwQuality = 15;
    info.dwSampleSize = 16;
    info.rcLeft = -1;
    info.rcTop = 17;
    info.rcRight = 0x12345;  // rcFrame holds 16 bits
    info.rcBottom = 19;
    const uint8_t strh[56] = {'v', 'i', 'd', 's', 'S', 'H', 'I', 'M', 1, 2, 3, 4, 5, 6, 7, 8,
                              9, 0, 0, 0, 10, 0, 0, 0, 11, 0, 0, 0, 12, 0, 0, 0,
                              13, 0, 0, 0, 14, 0, 0, 0, 15, 0, 0, 0, 16, 0, 0, 0,
                              0xFF, 0xFF, 17, 0, 0x45, 0x23, 19, 0};
    auto encoded = encodeStreamHeader(info);
    EXPECT_EQ(std::memcmp(encoded.data(), strh, 56), 0);

    AviMainHeader main{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    auto avih = encodeMainHeader(main);
    for (uint32_t field = 0; field < 14; ++field)
        EXPECT_EQ(getU32(&avih[4 * field]), field < 10 ? field + 1 : 0) << field;
}

// However large the formats, the header area ends on a 2048-byte boundary
// with room for the JUNK chunk's own header.
TEST(AviWriterLayout, HeaderAreaEndingNearTheBoundaryStillHoldsItsJunkChunk) {
    for (int32_t formatSize = 1840; formatSize <= 1870; ++formatSize) {
        MemorySink sink;
        AviWriter writer(sink);
        uint32_t video = 0;
        std::vector<uint8_t> format(static_cast<size_t>(formatSize), 7);
        ASSERT_EQ(writer.createStream(videoInfo(), &video), kAviOk);
        ASSERT_EQ(writer.setFormat(video, 0, format.data(), formatSize), kAviOk);
        ASSERT_EQ(writer.write(video, 0, 1, "1234", 4, kAviKeyFrame), kAviOk);
        ASSERT_EQ(writer.finish(), kAviOk);
        ParsedAvi avi = parseAvi(sink.bytes);
        ASSERT_EQ(avi.problem, "") << formatSize;
        EXPECT_EQ(avi.moviListOffset, formatSize <= 1850 ? 2048u : 4096u) << formatSize;
        EXPECT_EQ(avi.streams[0].strf, format);
    }
}

// More chunks than one batch of index entries; a stream without a rate has no frame time.
TEST(AviWriterLayout, IndexOfManyChunksAndAStreamWithoutRate) {
    MemorySink sink;
    AviWriter writer(sink);
    uint32_t video = 0;
    ASSERT_EQ(writer.createStream(videoInfo(1000, 0), &video), kAviOk);
    ASSERT_EQ(writer.setFormat(video, 0, kVideoFormat, 40), kAviOk);
    for (int32_t frame = 0; frame < 5000; ++frame)
        ASSERT_EQ(writer.write(video, frame, 1, &frame, 4, kAviKeyFrame), kAviOk);
    ASSERT_EQ(writer.finish(), kAviOk);
    ParsedAvi avi = parseAvi(sink.bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.index.size(), 5000u);
    EXPECT_TRUE(avi.indexMatchesChunks);
    EXPECT_EQ(sink.bytes.size(), 2048u + 12 + 5000 * 12 + 8 + 5000 * 16);  // nothing after the index
    EXPECT_EQ(avi.mainField(0), 0u);
}

TEST(AviWriterCalls, WritesMustContinueAtTheStreamEnd) {
    MemorySink sink;
    AviWriter writer(sink);
    TwoStreams s = declareBoth(writer);
    EXPECT_EQ(writer.write(s.video, 1, 1, "x", 1, 0), kAviErrBadParam);  // gap
    EXPECT_EQ(writer.write(s.video, 0, 2, "x", 1, 0), kAviErrBadParam);  // two frames, one chunk
    EXPECT_EQ(writer.write(s.video, 0, 0, "x", 1, 0), kAviErrBadParam);
    EXPECT_EQ(writer.write(s.video, 0, 1, "x", 1, 0), kAviOk);
    EXPECT_EQ(writer.write(s.video, 0, 1, "x", 1, 0), kAviErrBadParam);  // rewrite
    EXPECT_EQ(writer.write(s.audio, 1, 1, "abcd", 4, 0), kAviErrBadParam);
    EXPECT_EQ(writer.write(s.audio, 0, -1, "abcd", 4, 0), kAviErrBadParam);
    EXPECT_EQ(writer.write(s.audio, 0, 1, nullptr, 4, 0), kAviErrBadParam);
    EXPECT_EQ(writer.write(7, 0, 1, "abcd", 4, 0), kAviErrBadHandle);
    EXPECT_EQ(writer.streamLength(2), 0u);
    // The layout is fixed by the first write.
    uint32_t late = 0;
    EXPECT_EQ(writer.createStream(videoInfo(), &late), kAviErrUnsupported);
    EXPECT_EQ(writer.setFormat(s.audio, 0, kPcmFormat, 18), kAviErrUnsupported);
    ASSERT_EQ(writer.finish(), kAviOk);
    EXPECT_EQ(writer.finish(), kAviErrUnsupported);
    EXPECT_EQ(writer.write(s.video, 1, 1, "x", 1, 0), kAviErrUnsupported);
    ParsedAvi avi = parseAvi(sink.bytes);
    EXPECT_EQ(avi.problem, "");
    EXPECT_EQ(avi.chunks.size(), 1u);
}

TEST(AviWriterCalls, StreamsAndFormatsAreChecked) {
    MemorySink sink;
    AviWriter writer(sink);
    uint32_t index = 0;
    AviStreamInfo text = videoInfo();
    text.fccType = fourcc("txts");
    EXPECT_EQ(writer.createStream(text, &index), kAviErrUnsupported);
    EXPECT_EQ(writer.createStream(videoInfo(), nullptr), kAviErrBadParam);
    ASSERT_EQ(writer.createStream(videoInfo(), &index), kAviOk);
    EXPECT_EQ(writer.setFormat(index, 0, nullptr, 40), kAviErrBadFormat);
    EXPECT_EQ(writer.setFormat(index, 0, kVideoFormat, 0), kAviErrBadFormat);
    EXPECT_EQ(writer.setFormat(index, 0, kVideoFormat, AviWriter::kMaxFormatSize + 1), kAviErrBadFormat);
    EXPECT_EQ(writer.setFormat(index, 5, kVideoFormat, 40), kAviErrUnsupported);
    EXPECT_EQ(writer.setFormat(1, 0, kVideoFormat, 40), kAviErrBadHandle);
    for (uint32_t i = 1; i < AviWriter::kMaxStreams; ++i)
        ASSERT_EQ(writer.createStream(audioInfo(), &index), kAviOk);
    EXPECT_EQ(index, 99u);
    EXPECT_EQ(writer.createStream(audioInfo(), &index), kAviErrUnsupported);
}

TEST(AviWriterLimits, NoWriteTakesTheFilePastTwoGigabytes) {
    CountingSink sink;
    AviWriter writer(sink);
    uint32_t video = 0;
    ASSERT_EQ(writer.createStream(videoInfo(), &video), kAviOk);
    ASSERT_EQ(writer.setFormat(video, 0, kVideoFormat, 40), kAviOk);
    std::vector<uint8_t> chunk(1 << 20);
    int32_t written = 0;
    AviResult result = kAviOk;
    while ((result = writer.write(video, written, 1, chunk.data(), static_cast<int32_t>(chunk.size()),
                                  kAviKeyFrame)) == kAviOk)
        ++written;
    EXPECT_EQ(result, kAviErrFileTooLarge);
    // Headers 2048 + `movi` 12 + idx1 header 8, then 8 + 1048576 + 16 per
    // chunk: 2047 chunks leave 997379 of the 2^31 - 1 bytes.
    EXPECT_EQ(written, 2047);
    // Smaller chunks still fit until the index would no longer fit: an odd
    // one takes its padding byte too, and the file ends one byte short of the
    // limit, as every chunk has an even size.
    EXPECT_EQ(writer.write(video, written, 1, chunk.data(), 997356, 0), kAviErrFileTooLarge);
    EXPECT_EQ(writer.write(video, written, 1, chunk.data(), 997355, 0), kAviErrFileTooLarge);
    EXPECT_EQ(writer.write(video, written, 1, chunk.data(), 997354, 0), kAviOk);
    EXPECT_EQ(writer.write(video, written + 1, 1, nullptr, 0, 0), kAviErrFileTooLarge);
    ASSERT_EQ(writer.finish(), kAviOk);
    EXPECT_EQ(sink.size(), 2147483646u);
}

TEST(AviWriterFailures, AFullDiskIsAnErrorAndNeverASuccess) {
    {
        MemorySink sink;
        sink.appendLimit = 3000;  // the headers fit, the chunks soon do not
        AviWriter writer(sink);
        TwoStreams s = declareBoth(writer);
        std::vector<uint8_t> chunk(400, 1);
        AviResult result = kAviOk;
        int32_t frame = 0;
        while ((result = writer.write(s.video, frame, 1, chunk.data(), 400, kAviKeyFrame)) == kAviOk)
            ++frame;
        EXPECT_EQ(result, kAviErrFileWrite);
        EXPECT_EQ(writer.write(s.video, frame, 1, chunk.data(), 4, kAviKeyFrame), kAviErrFileWrite);
        EXPECT_EQ(writer.finish(), kAviErrFileWrite);
        EXPECT_EQ(sink.finishCalls, 1);  // the file is still closed
    }
    {
        MemorySink sink;
        AviWriter writer(sink);
        declareBoth(writer);
        sink.failOverwrite = true;  // the final headers cannot be written
        EXPECT_EQ(writer.finish(), kAviErrFileWrite);
    }
    {
        MemorySink sink;
        AviWriter writer(sink);
        declareBoth(writer);
        sink.failFinish = true;  // the last buffered bytes cannot be written
        EXPECT_EQ(writer.finish(), kAviErrFileWrite);
    }
}

#ifdef _WIN32
class AviFileCalls : public ::testing::Test {
protected:
    void SetUp() override { aviFileInit(); }
    void TearDown() override { aviFileExit(); }
    std::string path(const char* name) { return joinPath(scratchFolder(), name); }
};

TEST_F(AviFileCalls, TheSystemReaderReadsWhatWeWrite) {
    const std::string file = path("two-streams.avi");
    AviFileHandle* handle = nullptr;
    ASSERT_EQ(aviFileOpen(&handle, file.c_str(), kAviOpenCreate | kAviOpenWrite), kAviOk);
    AviStreamHandle* video = nullptr;
    AviStreamHandle* audio = nullptr;
    AviStreamInfo vInfo = videoInfo();
    AviStreamInfo aInfo = audioInfo();
    ASSERT_EQ(aviFileCreateStream(handle, &video, &vInfo), kAviOk);
    ASSERT_EQ(aviStreamSetFormat(video, 0, kVideoFormat, 40), kAviOk);
    ASSERT_EQ(aviFileCreateStream(handle, &audio, &aInfo), kAviOk);
    ASSERT_EQ(aviStreamSetFormat(audio, 0, kPcmFormat, 18), kAviOk);
    int32_t samples = -1, bytes = -1;
    for (int32_t frame = 0; frame < 3; ++frame) {
        std::string record = "frame" + std::to_string(frame);
        ASSERT_EQ(aviStreamWrite(video, frame, 1, record.data(), static_cast<int32_t>(record.size()),
                                 kAviKeyFrame, &samples, &bytes),
                  kAviOk);
        EXPECT_EQ(samples, 1);
        EXPECT_EQ(bytes, 6);
        ASSERT_EQ(aviStreamWrite(audio, frame * 2, 2, "aabbccdd", 8, 0, nullptr, nullptr), kAviOk);
    }
    EXPECT_EQ(aviStreamWrite(audio, 0, 2, "aabbccdd", 8, 0, &samples, &bytes), kAviErrBadParam);
    EXPECT_EQ(samples, 0);
    // Released in AVIFile's order; the last release finishes the file.
    EXPECT_EQ(aviStreamRelease(audio), kAviOk);
    EXPECT_EQ(aviStreamRelease(video), kAviOk);
    EXPECT_EQ(aviFileRelease(handle), kAviOk);

    Readback back = readBack(file);
    ASSERT_EQ(back.problem, "");
    ASSERT_EQ(back.streams.size(), 2u);
    const ReadbackStream& v = back.streams[0];
    EXPECT_EQ(v.info.fccHandler, fourcc("SHIM"));
    EXPECT_EQ(v.info.dwLength, 3u);
    EXPECT_EQ(v.format, std::vector<uint8_t>(kVideoFormat, kVideoFormat + 40));
    ASSERT_EQ(v.samples.size(), 3u);
    EXPECT_EQ(v.samples[2], bytesOf("frame2"));
    const ReadbackStream& a = back.streams[1];
    EXPECT_EQ(a.info.dwLength, 6u);
    EXPECT_EQ(a.format, std::vector<uint8_t>(kPcmFormat, kPcmFormat + 18));
    EXPECT_EQ(a.whole, bytesOf("aabbccddaabbccddaabbccdd"));
}

TEST_F(AviFileCalls, TheFileIsFinishedByWhicheverReleaseComesLast) {
    const std::string file = path("file-released-first.avi");
    AviFileHandle* handle = nullptr;
    ASSERT_EQ(aviFileOpen(&handle, file.c_str(), kAviOpenCreate | kAviOpenWrite), kAviOk);
    AviStreamHandle* video = nullptr;
    AviStreamInfo info = videoInfo();
    ASSERT_EQ(aviFileCreateStream(handle, &video, &info), kAviOk);
    ASSERT_EQ(aviStreamSetFormat(video, 0, kVideoFormat, 40), kAviOk);
    ASSERT_EQ(aviFileRelease(handle), kAviOk);  // the stream still holds the file
    ASSERT_EQ(aviStreamWrite(video, 0, 1, "1234", 4, kAviKeyFrame, nullptr, nullptr), kAviOk);
    ASSERT_EQ(aviStreamRelease(video), kAviOk);
    ParsedAvi avi = parseAvi(readFileBytes(file));
    EXPECT_EQ(avi.problem, "");
    EXPECT_EQ(avi.chunks.size(), 1u);
}

TEST_F(AviFileCalls, OpeningIsRefusedWithoutInitOrWhenTheFileIsHeld) {
    const std::string file = path("held.avi");
    AviFileHandle* handle = reinterpret_cast<AviFileHandle*>(1);
    EXPECT_EQ(aviFileOpen(&handle, file.c_str(), kAviOpenWrite), kAviErrReadOnly);
    EXPECT_EQ(handle, nullptr);
    aviFileExit();
    EXPECT_EQ(aviFileOpen(&handle, file.c_str(), kAviOpenCreate | kAviOpenWrite), kAviErrUnsupported);
    aviFileInit();

    HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(aviFileOpen(&handle, file.c_str(), kAviOpenCreate | kAviOpenWrite), kAviErrFileOpen);
    EXPECT_EQ(handle, nullptr);
    CloseHandle(held);

    const std::string tooLong = path(std::string(300, 'n').c_str());
    EXPECT_EQ(aviFileOpen(&handle, tooLong.c_str(), kAviOpenCreate | kAviOpenWrite), kAviErrFileOpen);
    EXPECT_EQ(aviFileOpen(&handle, "", kAviOpenCreate | kAviOpenWrite), kAviErrFileOpen);
    EXPECT_EQ(aviFileCreateStream(nullptr, nullptr, nullptr), kAviErrBadParam);
    EXPECT_EQ(aviStreamWrite(nullptr, 0, 1, "x", 1, 0, nullptr, nullptr), kAviErrBadHandle);
    EXPECT_EQ(aviStreamRelease(nullptr), kAviErrBadHandle);
    EXPECT_EQ(aviFileRelease(nullptr), kAviErrBadHandle);
}
#endif  // _WIN32
