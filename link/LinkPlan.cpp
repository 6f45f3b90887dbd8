#include "link/LinkPlan.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "link/AudioRecords.h"
#include "link/AviWriter.h"
#include "link/LinkMessages.h"
#include "link/VideoRecords.h"

using namespace linkText;

namespace {

std::string format(const char* text, ...) {
    char buffer[512];
    va_list args;
    va_start(args, text);
    std::vsnprintf(buffer, sizeof buffer, text, args);
    va_end(args);
    return buffer;
}

int32_t blockSpacingFor(const LinkParameters& source, const TuningValues& tuning) {
    if (source.rawAudio()) return 1;
    // A spacing of zero or less has no meaning; one block per frame is the default.
    int32_t interleave = static_cast<int32_t>(tuning.interleave);
    return interleave > 0 ? interleave : 1;
}

double audioBlockCount(int32_t span, int32_t spacing) {
    if (span <= 0) return 0;
    double onGrid = (static_cast<double>(span) + spacing - 1) / spacing;
    return static_cast<int64_t>(onGrid) + ((span - 1) % spacing != 0 ? 1 : 0);
}

std::string planAudio(const LinkParameters& s, const TuningValues& tuning, LinkPlan& plan) {
    int32_t n = plan.blockSpacing;
    double buffer = 0;
    if (!audioBufferBytes(s.nrChannels, s.bitsPerSample, s.audioSamplesPerSecond, n,
                          s.fpsNumerator, s.fpsDenominator, &buffer) ||
        !(buffer >= 0 && buffer <= kMaxAudioBufferSize)) {
        double wanted = 2.0 * s.nrChannels * s.bitsPerSample * s.audioSamplesPerSecond / 8 *
                        (static_cast<double>(n) * s.fpsDenominator) / s.fpsNumerator;
        return format(kAudioBufferText, wanted, kMaxAudioBufferSize, n);
    }
    plan.audioBufferSize = static_cast<int32_t>(buffer);

    if (!truncateToInt32(maxAudioSamplesPerBlock(n, s.fpsDenominator, s.audioSamplesPerSecond,
                                                 s.fpsNumerator),
                         &plan.maxAudioSamplesPerBlock))
        return format(kInterleaveText, n, s.fpsNumerator, s.fpsDenominator,
                      s.audioSamplesPerSecond);
    if (!audioFrameSpan(s.numAudioSamples, s.audioSamplesPerSecond, s.fpsNumerator,
                        s.fpsDenominator, &plan.audioFrameSpan))
        return format(kAudioSpanText, s.numAudioSamples, s.audioSamplesPerSecond);

    if (s.rawAudio()) return {};
    uint32_t blockSize = tuning.audioSHIMblockSize;
    if (blockSize > kMaxAudioBlockSize)
        return format(kAudioBlockSizeText, blockSize, kMaxAudioBlockSize);
    double perSecond = linkedBytesPerSecond(s.fpsNumerator, s.fpsDenominator, n, blockSize);
    // A block size below the record's own size fails at the first block instead.
    bool usable = blockSize < kAudioBlockRecordSize || (perSecond >= 1 && perSecond < 4294967296.0);
    if (!usable)
        return format(kInterleaveText, n, s.fpsNumerator, s.fpsDenominator,
                      s.audioSamplesPerSecond);
    plan.linkedBytesPerSecond = perSecond >= 0 && perSecond < 4294967296.0
                                    ? static_cast<uint32_t>(perSecond)
                                    : 0;
    return {};
}

}  // namespace

std::string checkStreamInformation(const LinkParameters& s) {
    if (s.fpsNumerator <= 0 || s.fpsDenominator <= 0)
        return format(kFrameRateText, s.fpsNumerator, s.fpsDenominator);
    if (!videoRateFits(static_cast<uint32_t>(s.fpsNumerator), static_cast<uint32_t>(s.fpsDenominator)))
        return format(kFrameRateTooHighText, s.fpsNumerator, s.fpsDenominator);
    if (s.nrFrames < 0 || s.numAudioSamples < 0)
        return format(kNegativeCountText, s.nrFrames, s.numAudioSamples);
    // A file without streams, or a picture of no pixels, is no link any
    // editor can open.
    if (!s.hasVideo() && !s.hasAudio()) return kNothingToLinkText;
    int32_t sizeImage = 0;
    if (s.hasVideo() && (s.width <= 0 || s.height <= 0 ||
                         !pictureSizeImage(bitCountFor(s.videoFormat), s.width, s.height, &sizeImage)))
        return format(kPictureSizeText, s.width, s.height);
    if (!s.hasAudio()) return {};
    if (s.audioSamplesPerSecond <= 0)
        return format(kSampleRateText, s.numAudioSamples, s.audioSamplesPerSecond);
    if (s.rawAudio()) {
        int64_t blockAlign = int64_t{s.nrChannels} * s.bitsPerSample / 8;
        if (s.nrChannels <= 0 || s.nrChannels > 0xFFFF || s.bitsPerSample <= 0 ||
            s.bitsPerSample > 0xFFFF || blockAlign <= 0 || blockAlign > 0xFFFF ||
            blockAlign * s.audioSamplesPerSecond > 0xFFFFFFFFll)
            return format(kRawAudioFormatText, s.nrChannels, s.bitsPerSample,
                          s.audioSamplesPerSecond);
    }
    return {};
}

std::string planLink(const LinkParameters& s, const TuningValues& tuning, LinkPlan* plan) {
    LinkPlan p{};
    p.blockSpacing = blockSpacingFor(s, tuning);
    p.frameRecordSize = std::max(tuning.videoSHIMblockSize, kMinFrameRecordSize);
    p.bitCount = bitCountFor(s.videoFormat);
    p.videoRate = videoRateFor(static_cast<uint32_t>(s.fpsNumerator),
                               static_cast<uint32_t>(s.fpsDenominator));
    if (!pictureSizeImage(p.bitCount, s.width, s.height, &p.sizeImage)) p.sizeImage = 0;
    if (s.hasVideo() && p.frameRecordSize > kMaxFrameRecordSize)
        return format(kVideoBlockSizeText, tuning.videoSHIMblockSize, kMaxFrameRecordSize);
    if (s.hasAudio()) {
        std::string refusal = planAudio(s, tuning, p);
        if (!refusal.empty()) return refusal;
    }
    p.frameTotal = std::max(s.nrFrames, p.audioFrameSpan);
    double size = estimateLinkFileSize(s, p, tuning);
    if (size > static_cast<double>(AviWriter::kMaxFileSize))
        return format(kFileTooLargeText, size / (1024.0 * 1024.0));
    *plan = p;
    return {};
}

double estimateLinkFileSize(const LinkParameters& s, const LinkPlan& plan,
                            const TuningValues& tuning) {
    constexpr double kHeaders = 4096 + 12 + 8;  // header area, movi list, idx1 header
    constexpr double kChunkOverhead = 8 + 1 + 16;  // header, padding, index entry
    double video = s.hasVideo() ? static_cast<double>(s.nrFrames) *
                                      (kChunkOverhead + plan.frameRecordSize)
                                : 0;
    double blocks = audioBlockCount(plan.audioFrameSpan, plan.blockSpacing);
    double audio = 0;
    if (s.hasAudio() && s.rawAudio()) {
        // The blocks together carry every sample of the source.
        audio = blocks * kChunkOverhead +
                static_cast<double>(s.numAudioSamples) * s.nrChannels * s.bitsPerSample / 8;
    } else if (s.hasAudio()) {
        audio = blocks * (kChunkOverhead + tuning.audioSHIMblockSize);
    }
    return kHeaders + video + audio;
}
