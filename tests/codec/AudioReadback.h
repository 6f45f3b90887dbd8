#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdint>
#include <string>
#include <vector>

// Reading a link's sound back as a player does: the audio stream's chunks
// through AVIFile, turned into PCM by whichever ACM driver answers for the
// stream's format. Reusable by any test or script that checks a link's sound.

// The audio stream of an AVI file as stored: its format and the chunks' bytes.
struct StoredAudio {
    std::string failure;  // empty when read
    std::vector<uint8_t> format;
    std::vector<uint8_t> data;
    LONG length = 0;      // stream samples (blocks of a linked stream)
};
StoredAudio readStoredAudio(const std::string& aviPath);

// PCM of a link's sound, converted `blocksPerRead` stream samples at a time
// (each read with AVIStreamRead and handed to acmStreamConvert at once).
struct DecodedAudio {
    std::string failure;   // empty when every step succeeded
    MMRESULT openResult = 0;
    WAVEFORMATEX pcm{};
    std::vector<uint8_t> data;
};
DecodedAudio decodeLinkedAudio(const std::string& linkPath, LONG blocksPerRead);

// One ACM conversion stream from a stored format to its suggested PCM, for
// tests that hand it blocks of their own choosing. `driver` may be null (any
// installed driver).
class AcmConversion {
public:
    AcmConversion(const std::vector<uint8_t>& sourceFormat, HACMDRIVER driver = nullptr);
    ~AcmConversion();
    AcmConversion(const AcmConversion&) = delete;
    AcmConversion& operator=(const AcmConversion&) = delete;

    MMRESULT openResult() const { return openResult_; }
    const WAVEFORMATEX& pcm() const { return pcm_; }
    // Converts `bytes`; appends the PCM to `out`. Hands back what the driver
    // left unused until it uses nothing more.
    MMRESULT convert(const uint8_t* bytes, size_t size, std::vector<uint8_t>* out);

private:
    std::vector<uint8_t> sourceFormat_;
    WAVEFORMATEX pcm_{};
    HACMSTREAM stream_ = nullptr;
    MMRESULT openResult_ = MMSYSERR_ERROR;
};
