// Whole links written by createLink and read back through the system's
// AVIFile reader: records, schedules and the chunk order in the file.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include "link/LinkWriter.h"
#include "link/LittleEndian.h"
#include "tests/link/Ffprobe.h"
#include "tests/link/LinkRequest.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct BlockRecord {
    uint32_t index, firstSample, count;
};

std::vector<BlockRecord> blockRecords(const ParsedAvi& avi, const std::string& id) {
    std::vector<BlockRecord> records;
    for (const ParsedChunk* chunk : avi.chunksWithId(id))
        records.push_back({u32of(chunk->data, 0), u32of(chunk->data, 4), u32of(chunk->data, 8)});
    return records;
}

// Blocks spaced one frame period apart: numbered in order, each starting where
// the one before ended, the running total always the exact amount due at the
// block's end time (floor of the rational value), never past the source's end.
void expectBlocksFollowTheClock(const std::vector<BlockRecord>& blocks, int32_t rate,
                                int32_t fpsNumerator, int32_t fpsDenominator,
                                int64_t sourceSamples = INT64_MAX) {
    uint32_t total = 0;
    for (uint32_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].index, i);
        EXPECT_EQ(blocks[i].firstSample, total) << i;
        total += blocks[i].count;
        int64_t due = (int64_t{i} + 1) * rate * fpsDenominator / fpsNumerator;
        EXPECT_EQ(total, std::min(due, sourceSamples)) << i;
    }
}

// The movi chunk ids in file order, as one string ("00db 01wb ...").
std::string chunkOrder(const ParsedAvi& avi) {
    std::string order;
    for (const ParsedChunk& chunk : avi.chunks) order += chunk.id + " ";
    return order;
}

class LinkWriterTest : public LinkTest {
protected:
    // Every link here must be written without a single message.
    void expectCreated(const LinkRequest& r) {
        MessageWatch watch(linkWriterCaptions());
        LinkWriter writer;
        EXPECT_TRUE(r.run(writer));
        EXPECT_TRUE(watch.texts().empty()) << watch.texts().front();
    }
    void expectSound(const LinkFile& file, size_t streams) {
        ASSERT_EQ(file.parsed.problem, "");
        EXPECT_TRUE(file.parsed.indexMatchesChunks);
        ASSERT_EQ(file.system.problem, "");
        ASSERT_EQ(file.system.streams.size(), streams);
        ASSERT_EQ(file.parsed.streams.size(), streams);
        // The system reads the formats exactly as stored.
        for (size_t i = 0; i < streams; ++i)
            EXPECT_EQ(file.system.streams[i].format, file.parsed.streams[i].strf) << i;
    }
    void expectProbed(const std::string& path, const std::string& streams) {
        FfprobeResult probe = runFfprobe(path);
        ASSERT_TRUE(probe.finished);
        EXPECT_EQ(probe.exitCode, 0) << probe.errors;
        EXPECT_EQ(probe.errors, "");
        EXPECT_EQ(probe.streams, streams);
    }
};

}  // namespace

TEST_F(LinkWriterTest, VideoOnlyLinkHasOneRecordPerFrameAndReportsProgress) {
    LinkRequest r = request("video-only.avi");
    r.nrFrames = 250;
    ProgressLog progress;
    r.hooks = progress.hooks();
    expectCreated(r);
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{0, 40, 80}));
    EXPECT_EQ(progress.polls, 250);

    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 1);
    const ReadbackStream& video = file.system.streams[0];
    EXPECT_EQ(video.info.fccType, fourcc("vids"));
    EXPECT_EQ(video.info.fccHandler, fourcc("SHIM"));
    EXPECT_EQ(video.info.dwLength, 250u);
    EXPECT_EQ(video.info.dwScale, 1000u);
    EXPECT_EQ(video.info.dwRate, 25000u);
    ASSERT_EQ(video.samples.size(), 250u);
    for (uint32_t frame = 0; frame < 250; ++frame) {
        ASSERT_EQ(video.samples[frame].size(), 4u);
        EXPECT_EQ(u32of(video.samples[frame], 0), frame);
    }
    EXPECT_EQ(file.parsed.chunksWithId("00db").size(), 250u);
    for (const ParsedIndexEntry& entry : file.parsed.index) EXPECT_EQ(entry.flags, 0x10u);
    EXPECT_EQ(file.parsed.streams[0].name, "AVI2ORV");
    EXPECT_EQ(file.parsed.streamField(0, 36), 622080u);  // one decoded YV12 picture
    expectProbed(r.outputPath, "stream|codec_name=unknown|codec_type=video|codec_tag_string=SHIM|nb_frames=250\n");
}

TEST_F(LinkWriterTest, PalLinkWithLinkedAudioCarriesTheSourcesDescription) {
    LinkRequest r = request("pal-linked.avi");
    r.nrFrames = 1000;
    r.numAudioSamples = 48000 * 40;
    expectCreated(r);

    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    const std::vector<uint8_t>& video = file.system.streams[0].format;
    ASSERT_EQ(video.size(), 112u);
    EXPECT_EQ(u32of(video, 0), 112u);
    EXPECT_EQ(u32of(video, 4), 720u);
    EXPECT_EQ(u32of(video, 8), 576u);
    EXPECT_EQ(getU16(&video[14]), 12);
    EXPECT_EQ(u32of(video, 20), 622080u);
    EXPECT_EQ(u32of(video, 40 + 4), 1000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&video[60])), "c:\\ORVserver.avs");
    EXPECT_EQ(std::vector<uint8_t>(video.begin() + 100, video.begin() + 104),
              (std::vector<uint8_t>{1, 0, 0, 0}));

    const ReadbackStream& audio = file.system.streams[1];
    ASSERT_EQ(audio.format.size(), 82u);
    EXPECT_EQ(getU16(&audio.format[0]), 0xF4);
    EXPECT_EQ(getU16(&audio.format[2]), 2);
    EXPECT_EQ(u32of(audio.format, 4), 48000u);
    EXPECT_EQ(u32of(audio.format, 8), 3200u);
    EXPECT_EQ(getU16(&audio.format[12]), 128);
    EXPECT_EQ(getU16(&audio.format[14]), 0);
    EXPECT_EQ(getU16(&audio.format[16]), 64);
    EXPECT_EQ(u32of(audio.format, 18 + 4), 1920000u);
    EXPECT_EQ(u32of(audio.format, 18 + 8), 2112u);
    EXPECT_EQ(u32of(audio.format, 18 + 12), 65536u);
    EXPECT_EQ(u32of(audio.format, 18 + 16), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&audio.format[38])), "c:\\ORVserver.avs");
    EXPECT_EQ(u32of(audio.format, 18 + 60), 1u);

    // The stream header as stored: rates of the linked format, length in blocks.
    EXPECT_EQ(file.parsed.streamField(1, 20), 128u);
    EXPECT_EQ(file.parsed.streamField(1, 24), 3200u);
    EXPECT_EQ(file.parsed.streamField(1, 32), 1000u);
    EXPECT_EQ(file.parsed.streamField(1, 36), 128u);
    EXPECT_EQ(file.parsed.streamField(1, 44), 128u);
    EXPECT_EQ(file.parsed.streams[1].name, "Audio Stream");
    EXPECT_EQ(audio.info.dwLength, 1000u);

    std::vector<BlockRecord> blocks = blockRecords(file.parsed, "01wb");
    ASSERT_EQ(blocks.size(), 1000u);
    ASSERT_EQ(audio.samples.size(), 1000u);
    expectBlocksFollowTheClock(blocks, 48000, 25, 1);
    for (uint32_t i = 0; i < blocks.size(); ++i) {
        // 48000 x 1.16 is 55679.99999999999 in double precision; exact counts
        // keep block 28 and 29 at 1920 too.
        EXPECT_EQ(blocks[i].count, 1920u) << i;
        EXPECT_EQ(audio.samples[i], file.parsed.chunksWithId("01wb")[i]->data);
    }
    EXPECT_EQ(chunkOrder(file.parsed).substr(0, 20), "00db 01wb 00db 01wb ");
    expectProbed(r.outputPath,
                 "stream|codec_name=unknown|codec_type=video|codec_tag_string=SHIM|nb_frames=1000\n"
                 "stream|codec_name=unknown|codec_type=audio|codec_tag_string=[244][0][0][0]|"
                 "sample_rate=48000|channels=2|nb_frames=1000\n");
}

TEST_F(LinkWriterTest, NtscBlocksFollowTheTruncatedAmountDueAtEachEnd) {
    LinkRequest r = request("ntsc-linked.avi");
    r.fpsNumerator = 30000;
    r.fpsDenominator = 1001;
    r.nrFrames = 29;
    r.numAudioSamples = 48000;  // 29.97 frame periods: the last partial one gets a block too
    expectCreated(r);

    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    EXPECT_EQ(file.parsed.streamField(0, 20), 1001u);
    EXPECT_EQ(file.parsed.streamField(0, 24), 30000u);
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 8), 3836u);
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 18 + 8), 1761u);

    std::vector<BlockRecord> blocks = blockRecords(file.parsed, "01wb");
    ASSERT_EQ(blocks.size(), 30u);
    const uint32_t expected[12] = {1601, 1602, 1601, 1602, 1602, 1601,
                                   1602, 1601, 1602, 1602, 1601, 1602};
    for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(blocks[i].count, expected[i]) << i;
    EXPECT_EQ(blocks[12].firstSample, 19219u);
    expectBlocksFollowTheClock(blocks, 48000, 30000, 1001, 48000);
    EXPECT_EQ(blocks[29].count, 48000u - 46446u);  // only what remains
    // The first block covers no whole stream block, so the stream stays one
    // behind the blocks written. (The system reader counts the chunks instead.)
    EXPECT_EQ(file.parsed.streamField(1, 32), 29u);
    EXPECT_EQ(file.system.streams[1].info.dwLength, 30u);
    for (uint32_t i = 0; i < 30; ++i)
        EXPECT_EQ(file.system.streams[1].samples[i], file.parsed.chunksWithId("01wb")[i]->data);
}

TEST_F(LinkWriterTest, RawAudioIsTheSourcesPcmConsecutiveAndWithoutGaps) {
    TuningValues tuning = kDefaultTuningValues;
    tuning.interleave = 5;  // RAW audio ignores it: one chunk per frame period
    storeTuningValues(tuning);
    LinkRequest r = request("ntsc-raw.avi");
    r.fpsNumerator = 30000;
    r.fpsDenominator = 1001;
    r.nrFrames = 30;
    r.numAudioSamples = 48000;
    r.audioMode = kAudioModeRaw;
    PcmServer pcm(2);
    r.source = pcm.callbacks();
    expectCreated(r);

    // 29.97 frame periods: 29 whole ones and what remains in a 30th.
    ASSERT_EQ(pcm.calls.size(), 30u);
    int32_t next = 0;
    for (size_t i = 0; i < pcm.calls.size(); ++i) {
        EXPECT_EQ(pcm.calls[i].start, next) << i;
        EXPECT_GE(pcm.calls[i].count, i < 29 ? 1601 : 1554);
        EXPECT_LE(pcm.calls[i].count, i < 29 ? 1602 : 1554);
        EXPECT_EQ(pcm.calls[i].bufferSize, static_cast<int32_t>(2 * 192000 * 1001.0 / 30000));
        next += pcm.calls[i].count;
    }
    EXPECT_EQ(next, 48000);

    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    std::vector<const ParsedChunk*> chunks = file.parsed.chunksWithId("01wb");
    ASSERT_EQ(chunks.size(), 30u);
    for (size_t i = 0; i < chunks.size(); ++i)
        EXPECT_EQ(chunks[i]->data, pcm.expected(pcm.calls[i].start, pcm.calls[i].count)) << i;
    const ReadbackStream& audio = file.system.streams[1];
    EXPECT_EQ(audio.format, (std::vector<uint8_t>{1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0,
                                                  4, 0, 16, 0, 0, 0}));
    EXPECT_EQ(audio.info.dwLength, static_cast<uint32_t>(next));
    EXPECT_EQ(audio.whole, pcm.expected(0, next));
    EXPECT_EQ(file.parsed.streamField(1, 20), 4u);
    EXPECT_EQ(file.parsed.streamField(1, 24), 192000u);
    EXPECT_EQ(file.parsed.streamField(1, 36), 6408u);  // raised from 0 to the largest chunk
    expectProbed(r.outputPath,
                 "stream|codec_name=unknown|codec_type=video|codec_tag_string=SHIM|nb_frames=30\n"
                 "stream|codec_name=pcm_s16le|codec_type=audio|codec_tag_string=[1][0][0][0]|"
                 "sample_rate=48000|channels=2|nb_frames=" + std::to_string(next) + "\n");
}

TEST_F(LinkWriterTest, RawAudioOfManyWriteBuffersArrivesWholeAndInOrder) {
    // A minute of PAL periods fills many of the file's write buffers; periods
    // of ten seconds make chunks larger than one buffer.
    struct Case {
        const char* name;
        int32_t fpsNumerator, fpsDenominator, nrFrames, samples;
    };
    const Case cases[] = {{"raw-minute.avi", 25, 1, 1500, 60 * 48000},
                          {"raw-slow.avi", 1, 10, 3, 25 * 48000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRequest r = request(c.name);
        r.fpsNumerator = c.fpsNumerator;
        r.fpsDenominator = c.fpsDenominator;
        r.nrFrames = c.nrFrames;
        r.numAudioSamples = c.samples;
        r.audioMode = kAudioModeRaw;
        PcmServer pcm(2);
        r.source = pcm.callbacks();
        expectCreated(r);
        const ParsedAvi avi = parseAvi(readFileBytes(r.outputPath));
        ASSERT_EQ(avi.problem, "");
        EXPECT_TRUE(avi.indexMatchesChunks);
        std::string order;
        for (int32_t i = 0; i < c.nrFrames; ++i) order += "00db 01wb ";
        EXPECT_TRUE(chunkOrder(avi) == order);
        std::vector<uint8_t> sound;
        for (const ParsedChunk* chunk : avi.chunksWithId("01wb"))
            sound.insert(sound.end(), chunk->data.begin(), chunk->data.end());
        EXPECT_TRUE(sound == pcm.expected(0, c.samples));
    }
}

TEST_F(LinkWriterTest, WithoutFramesTheAudioAloneIsTimedInPalPeriods) {
    LinkRequest r = request("audio-only.avi");
    r.nrFrames = 0;
    r.fpsNumerator = 0;  // no video, no rate: 25/1 is used
    r.fpsDenominator = 0;
    r.numAudioSamples = 96000;
    expectCreated(r);

    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 1);
    EXPECT_EQ(file.system.streams[0].info.fccType, fourcc("auds"));
    EXPECT_EQ(u32of(file.parsed.streams[0].strf, 8), 3200u);
    std::vector<BlockRecord> blocks = blockRecords(file.parsed, "00wb");
    ASSERT_EQ(blocks.size(), 50u);
    expectBlocksFollowTheClock(blocks, 48000, 25, 1);
    expectProbed(r.outputPath,
                 "stream|codec_name=unknown|codec_type=audio|codec_tag_string=[244][0][0][0]|"
                 "sample_rate=48000|channels=2|nb_frames=50\n");
}

TEST_F(LinkWriterTest, AudioLongerThanTheVideoContinuesAfterTheLastFrame) {
    LinkRequest r = request("long-audio.avi");
    r.nrFrames = 5;
    r.numAudioSamples = 1920 * 12;
    ProgressLog progress;
    r.hooks = progress.hooks();
    expectCreated(r);
    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    EXPECT_EQ(chunkOrder(file.parsed),
              "00db 01wb 00db 01wb 00db 01wb 00db 01wb 00db 01wb 01wb 01wb 01wb 01wb 01wb 01wb 01wb ");
    EXPECT_EQ(progress.polls, 12);
    EXPECT_EQ(file.system.streams[0].info.dwLength, 5u);
}

TEST_F(LinkWriterTest, FrameRecordsAreAtLeastFourBytes) {
    for (uint32_t size : {0u, 1u, 2u, 3u, 16u}) {
        TuningValues tuning = kDefaultTuningValues;
        tuning.videoSHIMblockSize = size;
        storeTuningValues(tuning);
        LinkRequest r = request("records-" + std::to_string(size) + ".avi");
        r.nrFrames = 3;
        expectCreated(r);
        LinkFile file = inspectLink(r.outputPath);
        expectSound(file, 1);
        size_t expected = size < 4 ? 4 : size;
        const ReadbackStream& video = file.system.streams[0];
        ASSERT_EQ(video.samples.size(), 3u);
        for (uint32_t frame = 0; frame < 3; ++frame) {
            std::vector<uint8_t> record(expected, 0);
            record[0] = static_cast<uint8_t>(frame);
            EXPECT_EQ(video.samples[frame], record) << size;
        }
    }
}

TEST_F(LinkWriterTest, InterleavedBlocksComeAfterTheVideoOfTheirFirstFrame) {
    TuningValues tuning = kDefaultTuningValues;
    tuning.interleave = 4;
    storeTuningValues(tuning);

    LinkRequest r = request("interleave-span10.avi");
    r.numAudioSamples = 1920 * 10;  // an audio span of 10 frame periods
    expectCreated(r);
    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    EXPECT_EQ(chunkOrder(file.parsed), "00db 01wb 00db 00db 00db 00db 01wb 00db 00db 00db 00db "
                                       "01wb 00db 01wb ");
    std::vector<BlockRecord> blocks = blockRecords(file.parsed, "01wb");
    ASSERT_EQ(blocks.size(), 4u);
    // The last two blocks end at periods 12 and 13, past the audio's 10: they
    // carry only what remains, and no record names a sample past the end.
    const uint32_t first[4] = {0, 7680, 15360, 19200};
    const uint32_t count[4] = {7680, 7680, 3840, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(blocks[i].firstSample, first[i]);
        EXPECT_EQ(blocks[i].count, count[i]);
    }
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 8), 800u);
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 18 + 8), 8448u);

    r = request("interleave-span9.avi");
    r.nrFrames = 9;
    r.numAudioSamples = 1920 * 9;
    expectCreated(r);
    file = inspectLink(r.outputPath);
    expectSound(file, 2);
    blocks = blockRecords(file.parsed, "01wb");
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].firstSample, 15360u);
    EXPECT_EQ(blocks[2].count, 1920u);
}

TEST_F(LinkWriterTest, BitsPerSampleInTheLinkedFormatOnlyWhenAskedFor) {
    TuningValues tuning = kDefaultTuningValues;
    tuning.bPerSampleDestInSource = 1;
    tuning.audioMaxSizeDecodingBuffer = 12345;
    storeTuningValues(tuning);
    LinkRequest r = request("bits-stated.avi");
    r.numAudioSamples = 1920 * 10;
    r.bitsPerSample = 24;
    expectCreated(r);
    LinkFile file = inspectLink(r.outputPath);
    expectSound(file, 2);
    EXPECT_EQ(getU16(&file.parsed.streams[1].strf[14]), 24);
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 18 + 12), 12345u);
    EXPECT_EQ(u32of(file.parsed.streams[1].strf, 18 + 16), 24u);
}

TEST_F(LinkWriterTest, OneWriterMakesLinkAfterLink) {
    LinkWriter writer;
    MessageWatch watch(linkWriterCaptions());
    PcmServer pcm(2);
    for (int round = 0; round < 3; ++round) {
        LinkRequest r = request("again-" + std::to_string(round) + ".avi");
        r.numAudioSamples = 1920 * (5 + round);
        r.audioMode = round == 1 ? kAudioModeRaw : kAudioModeLinked;
        r.source = pcm.callbacks();
        ASSERT_TRUE(r.run(writer)) << round;
        LinkFile file = inspectLink(r.outputPath);
        expectSound(file, 2);
        EXPECT_EQ(file.parsed.chunksWithId("01wb").size(), static_cast<size_t>(5 + round));
    }
    EXPECT_TRUE(watch.texts().empty());
}
