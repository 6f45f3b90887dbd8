// Writes the fuzzers' starting inputs, made by the program's own code, into
// DIR/<target>/: fuzz_seeds DIR
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/UserSettings.h"
#include "link/AudioRecords.h"
#include "link/LinkArithmetic.h"
#include "link/LittleEndian.h"
#include "link/StoredPath.h"
#include "link/VideoRecords.h"
#include "tests/source/MemoryAvi.h"

namespace {

namespace fs = std::filesystem;

// A long path in three scripts, as the writer puts it into a path block.
const std::string kBlockSeedPath =
    "S:\\\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE\\\xE4\xB8\xAD\xE6\x96\x87\\clip \xF0\x9F\x98\x80.avi";

bool writeSeed(const fs::path& folder, const std::string& name, const void* bytes, size_t size) {
    fs::create_directories(folder);
    std::FILE* file = std::fopen((folder / name).c_str(), "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

bool writeText(const fs::path& folder, const std::string& name, const std::string& text) {
    return writeSeed(folder, name, text.data(), text.size());
}

// Command lines as people type them, with the program's own name in front.
bool commandLineSeeds(const fs::path& folder) {
    const char* const lines[] = {
        "quorl.exe clip.avs",
        "quorl.exe -r clip.avs clip.AVI",
        "\"C:\\Program Files\\Quorl\\quorl.exe\" -f YUY2 \"C:\\My Videos\\a b.avs\"",
        "quorl.exe -c RGB24 -c 4:2:0 -F RGB32 in.vdr out.avi",
        "quorl.exe -R -C YV12 clip.AVI",
        "quorl.exe  \"\" -x \"clip\".avs",
    };
    bool ok = true;
    int n = 0;
    for (const char* line : lines) ok &= writeText(folder, "line" + std::to_string(n++), line);
    return ok;
}

// Records as a start-up stores them, and the usual ways they go wrong.
bool settingsSeeds(const fs::path& folder) {
    UserSettings settings{};
    applyDefaultSettings(settings, 2);
    bool ok = writeSeed(folder, "defaults", &settings, sizeof settings);
    UserSettings other = settings;
    other.settingsVersion = 1001;
    ok &= writeSeed(folder, "older", &other, sizeof other);
    ok &= writeSeed(folder, "short", &settings, sizeof settings - 1);
    std::vector<uint8_t> longer(sizeof settings + 1);
    std::memcpy(longer.data(), &settings, sizeof settings);
    ok &= writeSeed(folder, "long", longer.data(), longer.size());
    return ok;
}

// Stream information of a PAL clip with stereo audio, followed by the
// default tuning values, in the order the plan fuzzer reads them.
bool linkPlanSeeds(const fs::path& folder) {
    const int32_t pal[] = {720, 576, 25, 1, 1000, 1, 48000, 2, 16, 48000 * 40};
    const uint32_t tuning[] = {4, 128, 65536, 1, 0};
    std::vector<uint8_t> bytes;
    // FuzzedDataProvider takes integers from the end of the input backwards.
    auto push = [&](uint32_t value) {
        uint8_t le[4];
        putU32(le, value);
        bytes.insert(bytes.begin(), le, le + 4);
    };
    // Signed values are stored offset by 2^31 from the type's minimum.
    for (int32_t value : pal) push(static_cast<uint32_t>(value) ^ 0x80000000u);
    bytes.insert(bytes.begin(), uint8_t{0});  // linked audio
    for (uint32_t value : tuning) push(value);
    bool ok = writeSeed(folder, "pal", bytes.data(), bytes.size());
    bytes[bytes.size() - 1 - 4 * 10] = 1;  // RAW audio
    return ok && writeSeed(folder, "pal-raw", bytes.data(), bytes.size());
}

// The video format of a PAL clip as the writer builds it, for each source
// pixel format.
bool videoLinkSeeds(const fs::path& folder) {
    bool ok = true;
    for (int32_t code = kFormatYV12; code <= kFormatRGB32; ++code) {
        VideoLinkData data = buildVideoLinkData(VideoLinkFields{
            1000, 576, 720, code, "c:\\ORVserver.avs", AllowedOutputs{true, false, true, code == 1}, 1});
        int32_t sizeImage = 0;
        pictureSizeImage(bitCountFor(code), 720, 576, &sizeImage);
        VideoFormat format = buildVideoFormat(720, 576, bitCountFor(code), sizeImage, data);
        ok &= writeSeed(folder, "pal" + std::to_string(code), format.data(), format.size());
    }
    // A source named in a path block, behind an empty field.
    VideoLinkData data = buildVideoLinkData(
        VideoLinkFields{1000, 576, 720, 2, "", AllowedOutputs{true, false, true, false}, 1});
    int32_t sizeImage = 0;
    pictureSizeImage(16, 720, 576, &sizeImage);
    std::vector<uint8_t> grown = videoFormatWithPath(buildVideoFormat(720, 576, 16, sizeImage, data),
                                                     kBlockSeedPath);
    ok &= writeSeed(folder, "pal-path-block", grown.data(), grown.size());
    return ok;
}

// The linked format at the default tuning and the first and a later block,
// laid out as the audio fuzzer reads them: format length, format, block.
bool audioLinkSeeds(const fs::path& folder) {
    AudioLinkData data =
        buildAudioLinkData(AudioLinkFields{1920000, 2112, 65536, 16, "c:\\ORVserver.avs", 1});
    LinkedAudioFormat fixed =
        buildLinkedAudioFormat(LinkedAudioFields{2, 48000, 3200, 128, 16, 0}, data);
    const std::vector<uint8_t> plain(fixed.begin(), fixed.end());
    AudioLinkData unnamed = buildAudioLinkData(AudioLinkFields{1920000, 2112, 65536, 16, "", 1});
    const std::vector<uint8_t> withBlock = audioFormatWithPath(
        buildLinkedAudioFormat(LinkedAudioFields{2, 48000, 3200, 128, 16, 0}, unnamed), kBlockSeedPath);
    bool ok = true;
    const int32_t blocks[][3] = {{0, 0, 1920}, {999, 1918080, 1920}};
    for (const auto& b : blocks) {
        const std::vector<uint8_t>& format = b[0] == 0 ? plain : withBlock;
        std::vector<uint8_t> bytes(2);
        putU16(bytes.data(), static_cast<uint32_t>(format.size()));
        bytes.insert(bytes.end(), format.begin(), format.end());
        std::vector<uint8_t> block(128);
        fillAudioBlockRecord(block.data(), 128, b[0], b[1], b[2]);
        bytes.insert(bytes.end(), block.begin(), block.end());
        ok &= writeSeed(folder, "block" + std::to_string(b[0]), bytes.data(), bytes.size());
    }
    return ok;
}

// Every pair of pixel formats at one odd size, in the order the conversion
// fuzzer takes its choices (from the end of the input).
bool conversionSeeds(const fs::path& folder) {
    bool ok = true;
    for (uint8_t from = 0; from < 4; ++from) {
        for (uint8_t to = 0; to < 4; ++to) {
            // from, to, width 37, height 5, then orientation and row gaps
            // (zero) for both pictures.
            std::vector<uint8_t> choices{from, to, 36, 4};
            choices.resize(choices.size() + 2 * 4, 0);
            std::vector<uint8_t> bytes;
            for (int i = 0; i < 64; ++i) bytes.push_back(static_cast<uint8_t>(i * 37 + from));
            bytes.insert(bytes.end(), choices.rbegin(), choices.rend());
            ok &= writeSeed(folder, "pair" + std::to_string(from) + std::to_string(to),
                            bytes.data(), bytes.size());
        }
    }
    return ok;
}

// Link files as the writer makes them; ffmpeg's files join them at test time.
bool aviFileSeeds(const fs::path& folder) {
    std::vector<uint8_t> link = writeMemoryAvi(MemoryAviContent{});
    std::vector<uint8_t> video = writeMemoryAvi(MemoryAviContent{true, false, 128});
    return writeSeed(folder, "link", link.data(), link.size()) &&
           writeSeed(folder, "video-only", video.data(), video.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    fs::path top = argv[1];
    bool ok = commandLineSeeds(top / "command_line") && settingsSeeds(top / "settings_record") &&
              linkPlanSeeds(top / "link_plan") && audioLinkSeeds(top / "audio_link") &&
              videoLinkSeeds(top / "video_link") && conversionSeeds(top / "conversions") &&
              aviFileSeeds(top / "avi_file_facts");
    if (!ok) std::fprintf(stderr, "fuzz_seeds: cannot write the seeds into %s\n", argv[1]);
    return ok ? 0 : 1;
}
