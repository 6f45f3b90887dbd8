#include "tests/link/LinkTestSupport.h"

#include "link/LinkMessages.h"
#include "tests/support/TestEnvironment.h"

using namespace linkText;

MessageWatch::MessageWatch(std::vector<std::string> captions) {
    for (std::string& caption : captions)
        answerers_.push_back(std::make_unique<WindowAnswerer>(std::move(caption), IDOK));
}

std::vector<std::string> MessageWatch::texts(size_t expected) const {
    std::vector<std::string> all;
    for (int wait = 0; wait < 100; ++wait) {
        all.clear();
        for (const auto& answerer : answerers_) {
            std::vector<std::string> texts = answerer->texts();
            all.insert(all.end(), texts.begin(), texts.end());
        }
        if (all.size() >= expected) break;
        Sleep(20);
    }
    return all;
}

std::vector<std::string> linkWriterCaptions() {
    return {kLinkCaption, kWriteErrorCaption, kAviErrorCaption, kDecodeErrorCaption};
}

void storeTuningValues(const TuningValues& values) {
    auto dword = [](uint32_t value) {
        return std::vector<unsigned char>{static_cast<unsigned char>(value),
                                          static_cast<unsigned char>(value >> 8),
                                          static_cast<unsigned char>(value >> 16),
                                          static_cast<unsigned char>(value >> 24)};
    };
    writeRegistryValue(kTuningSubkey, kVideoBlockSizeName, REG_DWORD, dword(values.videoSHIMblockSize));
    writeRegistryValue(kTuningSubkey, kAudioBlockSizeName, REG_DWORD, dword(values.audioSHIMblockSize));
    writeRegistryValue(kTuningSubkey, kBitsPerSampleFlagName, REG_DWORD,
                       dword(values.bPerSampleDestInSource));
    writeRegistryValue(kTuningSubkey, kDecodingBufferName, REG_DWORD,
                       dword(values.audioMaxSizeDecodingBuffer));
    writeRegistryValue(kTuningSubkey, kInterleaveName, REG_DWORD, dword(values.interleave));
}

LinkFile inspectLink(const std::string& path) {
    LinkFile file;
    file.bytes = readFileBytes(path);
    file.parsed = parseAvi(file.bytes);
    file.system = readBack(path);
    return file;
}

uint32_t u32of(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}

void LinkTest::SetUp() { deleteProgramRegistryKey(); }

void LinkTest::TearDown() { deleteProgramRegistryKey(); }

LinkRequest LinkTest::request(const std::string& outputName) const {
    LinkRequest r;
    r.outputPath = joinPath(scratchFolder(), outputName);
    return r;
}
