#pragma once
#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

// A link file as the system's AVIFile layer reads it back.
struct ReadbackStream {
    AVISTREAMINFOA info{};
    std::vector<unsigned char> format;
    // Video: one entry per frame. Audio: one entry per stream sample
    // (dwSampleSize bytes each), unless readWhole was asked.
    std::vector<std::vector<unsigned char>> samples;
    std::vector<unsigned char> whole;  // the audio stream read in one go
};

struct Readback {
    HRESULT openResult = E_FAIL;
    std::vector<ReadbackStream> streams;
    std::string problem;  // first failed AVIFile call, empty when all succeeded
};

// Opens `path` with AVIFileOpenA and reads every stream's information, format
// and data (video frame by frame; audio sample by sample and as a whole).
Readback readBack(const std::string& path);
