#include "tests/link/LinkRequest.h"

SourceCallbacks PcmServer::callbacks() {
    // The writer only hands the reader pointer back to the entry.
    return SourceCallbacks{reinterpret_cast<SourceReader*>(this), &PcmServer::audioEntry, nullptr};
}

int16_t PcmServer::sampleValue(int32_t frame, int32_t channel) {
    return static_cast<int16_t>(frame * 7 + channel * 1000 + (frame >> 8) * 13);
}

std::vector<uint8_t> PcmServer::expected(int32_t start, int32_t count) const {
    std::vector<uint8_t> bytes;
    for (int32_t frame = start; frame < start + count; ++frame)
        for (int32_t channel = 0; channel < channels_; ++channel) {
            uint16_t value = static_cast<uint16_t>(sampleValue(frame, channel));
            bytes.push_back(static_cast<uint8_t>(value));
            bytes.push_back(static_cast<uint8_t>(value >> 8));
        }
    return bytes;
}

bool PcmServer::audioEntry(int32_t start, int32_t count, void* buffer, int32_t size,
                           SourceReader* reader) {
    auto* self = reinterpret_cast<PcmServer*>(reader);
    int32_t call = static_cast<int32_t>(self->calls.size());
    self->calls.push_back(Call{start, count, size});
    if (call == self->failAtCall) return false;
    std::vector<uint8_t> bytes = self->expected(start, count);
    if (static_cast<int32_t>(bytes.size()) > size) return false;
    std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(buffer));
    return true;
}

ProgressHooks ProgressLog::hooks() {
    ProgressHooks hooks{};
    hooks.context = this;
    hooks.setPercent = [](int32_t percent, void* context) {
        static_cast<ProgressLog*>(context)->percents.push_back(percent);
    };
    hooks.isCancelled = [](void* context) {
        auto* log = static_cast<ProgressLog*>(context);
        return log->polls++ == log->cancelAtPoll;
    };
    return hooks;
}

bool LinkRequest::run(LinkWriter& writer) const {
    return writer.createLink(outputPath.c_str(), sourcePath.c_str(), linkOption, width, height,
                             fpsNumerator, fpsDenominator, nrFrames, videoFormat,
                             audioSamplesPerSecond, nrChannels, bitsPerSample, numAudioSamples,
                             rgb32, rgb24, yuy2, yv12, audioMode, source, hooks);
}
