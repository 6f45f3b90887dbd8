// Stream information as a source may report it and tuning values as the
// registry may hold them, through the checks and the plan of a link, then the
// records the writer builds from an accepted plan.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/AudioRecords.h"
#include "link/AviWriter.h"
#include "link/LinkPlan.h"
#include "link/VideoRecords.h"

namespace {

LinkParameters parametersFrom(FuzzedDataProvider& in) {
    LinkParameters p{};
    p.width = in.ConsumeIntegral<int32_t>();
    p.height = in.ConsumeIntegral<int32_t>();
    p.fpsNumerator = in.ConsumeIntegral<int32_t>();
    p.fpsDenominator = in.ConsumeIntegral<int32_t>();
    p.nrFrames = in.ConsumeIntegral<int32_t>();
    p.videoFormat = in.ConsumeIntegral<int32_t>();
    p.audioSamplesPerSecond = in.ConsumeIntegral<int32_t>();
    p.nrChannels = in.ConsumeIntegral<int32_t>();
    p.bitsPerSample = in.ConsumeIntegral<int32_t>();
    p.numAudioSamples = in.ConsumeIntegral<int32_t>();
    p.audioMode = in.ConsumeBool() ? 3 : 2;
    // The writer times a source without frames in PAL frame periods.
    if (p.nrFrames == 0) {
        p.fpsNumerator = 25;
        p.fpsDenominator = 1;
    }
    return p;
}

TuningValues tuningFrom(FuzzedDataProvider& in) {
    TuningValues t{};
    t.videoSHIMblockSize = in.ConsumeIntegral<uint32_t>();
    t.audioSHIMblockSize = in.ConsumeIntegral<uint32_t>();
    t.audioMaxSizeDecodingBuffer = in.ConsumeIntegral<uint32_t>();
    t.interleave = in.ConsumeIntegral<uint32_t>();
    t.bPerSampleDestInSource = in.ConsumeIntegral<uint32_t>();
    return t;
}

void checkPlan(const LinkParameters& s, const TuningValues& t, const LinkPlan& plan) {
    FUZZ_CHECK(plan.blockSpacing >= 1);
    FUZZ_CHECK(plan.frameTotal >= s.nrFrames);
    FUZZ_CHECK(plan.audioBufferSize >= 0 && plan.audioBufferSize <= kMaxAudioBufferSize);
    FUZZ_CHECK(!s.hasVideo() || (plan.frameRecordSize >= kMinFrameRecordSize &&
                                 plan.frameRecordSize <= kMaxFrameRecordSize));
    FUZZ_CHECK(estimateLinkFileSize(s, plan, t) <= static_cast<double>(AviWriter::kMaxFileSize));

    // The records built from an accepted plan, as the writer builds them.
    VideoLinkData video = buildVideoLinkData(VideoLinkFields{
        s.nrFrames, s.height, s.width, s.videoFormat, "c:\\clip.avs", AllowedOutputs{true, true, true, true}, 1});
    buildVideoFormat(s.width, s.height, plan.bitCount, plan.sizeImage, video);
    buildVideoStreamHeader(plan.videoRate, s.nrFrames, plan.sizeImage, s.width, s.height);
    if (s.hasVideo()) {
        std::vector<uint8_t> record(plan.frameRecordSize);
        fillFrameRecord(record.data(), plan.frameRecordSize, s.nrFrames - 1);
    }
    if (!s.hasAudio()) return;
    // The last block ends at or after the audio's last frame period, and by
    // then every sample of the source is due: a link never drops the end.
    const int32_t last = plan.audioFrameSpan - 1;
    FUZZ_CHECK(last >= 0 && audioBlockDue(last, plan.blockSpacing, plan.audioFrameSpan));
    int64_t due = 0;
    FUZZ_CHECK(samplesDueBy(plan.audioFrameSpan, s.audioSamplesPerSecond, s.fpsNumerator,
                            s.fpsDenominator, &due));
    FUZZ_CHECK(due >= s.numAudioSamples);
    int32_t count = 0;
    FUZZ_CHECK(blockSourceSamples(last, plan.blockSpacing, s.audioSamplesPerSecond, s.fpsNumerator,
                                  s.fpsDenominator, 0, s.numAudioSamples, &count));
    AudioLinkData audio = buildAudioLinkData(AudioLinkFields{
        s.numAudioSamples, plan.maxAudioSamplesPerBlock, t.audioMaxSizeDecodingBuffer,
        s.bitsPerSample, "c:\\clip.avs", 1});
    if (s.rawAudio()) {
        PcmFormat pcm = buildPcmFormat(s.nrChannels, s.audioSamplesPerSecond, s.bitsPerSample);
        FUZZ_CHECK(formatBlockAlign(pcm.data()) > 0);
        return;
    }
    buildLinkedAudioFormat(LinkedAudioFields{s.nrChannels, s.audioSamplesPerSecond,
                                             plan.linkedBytesPerSecond, t.audioSHIMblockSize,
                                             s.bitsPerSample, t.bPerSampleDestInSource},
                           audio);
    if (t.audioSHIMblockSize >= kAudioBlockRecordSize &&
        t.audioSHIMblockSize <= static_cast<uint32_t>(plan.audioBufferSize)) {
        std::vector<uint8_t> block(t.audioSHIMblockSize);
        fillAudioBlockRecord(block.data(), t.audioSHIMblockSize, 0, 0, plan.maxAudioSamplesPerBlock);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    LinkParameters source = parametersFrom(in);
    TuningValues tuning = tuningFrom(in);
    if (!checkStreamInformation(source).empty()) return 0;
    LinkPlan plan{};
    if (!planLink(source, tuning, &plan).empty()) return 0;
    checkPlan(source, tuning, plan);
    return 0;
}
