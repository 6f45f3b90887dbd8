#include "tests/link/AviReadback.h"

namespace {

void readFormat(PAVISTREAM stream, ReadbackStream& out, std::string& problem) {
    LONG size = 0;
    if (AVIStreamReadFormat(stream, 0, nullptr, &size) != 0 || size <= 0) {
        problem = "AVIStreamReadFormat (size)";
        return;
    }
    out.format.resize(size);
    if (AVIStreamReadFormat(stream, 0, out.format.data(), &size) != 0)
        problem = "AVIStreamReadFormat";
    out.format.resize(size);
}

void readSamples(PAVISTREAM stream, ReadbackStream& out, std::string& problem) {
    LONG length = static_cast<LONG>(out.info.dwLength);
    std::vector<unsigned char> buffer(1 << 20);
    for (LONG position = 0; position < length && problem.empty(); ++position) {
        LONG bytes = 0, samples = 0;
        if (AVIStreamRead(stream, position, 1, buffer.data(), static_cast<LONG>(buffer.size()),
                          &bytes, &samples) != 0) {
            problem = "AVIStreamRead at " + std::to_string(position);
            return;
        }
        out.samples.emplace_back(buffer.begin(), buffer.begin() + bytes);
    }
    if (out.info.fccType != streamtypeAUDIO || length == 0) return;
    LONG bytes = 0, samples = 0;
    std::vector<unsigned char> whole(static_cast<size_t>(length) * (out.info.dwSampleSize + 1) + 16);
    if (AVIStreamRead(stream, 0, length, whole.data(), static_cast<LONG>(whole.size()), &bytes,
                      &samples) != 0) {
        problem = "AVIStreamRead of the whole audio";
        return;
    }
    out.whole.assign(whole.begin(), whole.begin() + bytes);
}

}  // namespace

Readback readBack(const std::string& path) {
    Readback result;
    AVIFileInit();
    PAVIFILE file = nullptr;
    result.openResult = AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr);
    if (result.openResult != 0) {
        result.problem = "AVIFileOpenA";
        AVIFileExit();
        return result;
    }
    for (LONG index = 0;; ++index) {
        PAVISTREAM stream = nullptr;
        if (AVIFileGetStream(file, &stream, 0, index) != 0 || stream == nullptr) break;
        ReadbackStream out;
        if (AVIStreamInfoA(stream, &out.info, sizeof out.info) != 0) result.problem = "AVIStreamInfoA";
        if (result.problem.empty()) readFormat(stream, out, result.problem);
        if (result.problem.empty()) readSamples(stream, out, result.problem);
        AVIStreamRelease(stream);
        result.streams.push_back(std::move(out));
    }
    AVIFileRelease(file);
    AVIFileExit();
    return result;
}
