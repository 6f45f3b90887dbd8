#include "tests/source/MemoryAvi.h"

#include <cstring>

#include "link/AudioRecords.h"
#include "link/AviWriter.h"
#include "link/VideoRecords.h"

namespace {

class MemorySink : public ByteSink {
public:
    explicit MemorySink(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool append(const void* data, uint32_t size) override {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
        return true;
    }
    bool overwrite(uint64_t offset, const void* data, uint32_t size) override {
        if (offset + size > bytes_.size()) return false;
        std::memcpy(bytes_.data() + offset, data, size);
        return true;
    }
    bool finish() override { return true; }

private:
    std::vector<uint8_t>& bytes_;
};

constexpr int32_t kFrames = 3;

}  // namespace

std::vector<uint8_t> writeMemoryAvi(const MemoryAviContent& content) {
    std::vector<uint8_t> bytes;
    MemorySink sink(bytes);
    AviWriter writer(sink);
    uint32_t video = 0, audio = 0;
    if (content.video) {
        VideoLinkData data = buildVideoLinkData(VideoLinkFields{
            kFrames, 48, 64, 3, "c:\\clip.avs", AllowedOutputs{true, true, false, false}, 1});
        VideoFormat format = buildVideoFormat(64, 48, 24, 64 * 48 * 3, data);
        writer.createStream(buildVideoStreamHeader(VideoRate{1000, 25000}, kFrames, 64 * 48 * 3, 64, 48),
                            &video);
        writer.setFormat(video, 0, format.data(), static_cast<int32_t>(format.size()));
    }
    const uint32_t block = content.audioBlockAlign;
    auto addAudio = [&](uint32_t blockAlign, uint32_t* stream) {
        AudioLinkData data =
            buildAudioLinkData(AudioLinkFields{4800, 2112, 65536, 16, "c:\\clip.avs", 1});
        LinkedAudioFormat format = buildLinkedAudioFormat(
            LinkedAudioFields{2, 48000, 25 * blockAlign, blockAlign, 16, 0}, data);
        writer.createStream(buildAudioStreamHeader(blockAlign, 25 * blockAlign, blockAlign), stream);
        writer.setFormat(*stream, 0, format.data(), static_cast<int32_t>(format.size()));
    };
    if (content.audio) addAudio(block, &audio);
    uint32_t secondAudio = 0;
    if (content.secondAudioBlockAlign != 0) addAudio(content.secondAudioBlockAlign, &secondAudio);
    std::vector<uint8_t> record(block > 12 ? block : 12);
    for (int32_t frame = 0; frame < kFrames; ++frame) {
        if (content.video) {
            uint8_t frameRecord[4];
            fillFrameRecord(frameRecord, sizeof frameRecord, frame);
            writer.write(video, frame, 1, frameRecord, sizeof frameRecord, kAviKeyFrame);
        }
        if (content.audio) {
            fillAudioBlockRecord(record.data(), static_cast<uint32_t>(record.size()), frame,
                                 frame * 1920, 1920);
            writer.write(audio, frame, 1, record.data(), static_cast<int32_t>(record.size()), 0);
        }
    }
    writer.finish();
    return bytes;
}
