#include "tests/installer/LinkThroughCodec.h"

#include <mmreg.h>
#include <msacm.h>
#include <vfw.h>

#include <cstdlib>
#include <cstring>

#include "common/Paths.h"

namespace {

// Holds one stream of an AVI file open for the life of the object.
class OpenStream {
public:
    OpenStream(const std::string& path, DWORD type) {
        AVIFileInit();
        if (AVIFileOpenW(&file_, aviFileName(path).c_str(), OF_READ, nullptr) == 0 &&
            AVIFileGetStream(file_, &stream_, type, 0) == 0)
            AVIStreamInfoA(stream_, &info_, sizeof info_);
    }
    ~OpenStream() {
        if (stream_ != nullptr) AVIStreamRelease(stream_);
        if (file_ != nullptr) AVIFileRelease(file_);
        AVIFileExit();
    }
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    PAVISTREAM stream() const { return stream_; }
    const AVISTREAMINFOA& info() const { return info_; }
    std::vector<unsigned char> format() const {
        LONG size = 0;
        AVIStreamReadFormat(stream_, 0, nullptr, &size);
        std::vector<unsigned char> bytes(size > 0 ? size : 0);
        if (size > 0 && AVIStreamReadFormat(stream_, 0, bytes.data(), &size) != 0) bytes.clear();
        return bytes;
    }

private:
    PAVIFILE file_ = nullptr;
    PAVISTREAM stream_ = nullptr;
    AVISTREAMINFOA info_{};
};

// Rows of a 24-bit DIB in top-down order, without the padding of each row.
std::vector<unsigned char> topDownRows(const BITMAPINFOHEADER& header, const unsigned char* bits) {
    const LONG width = header.biWidth, height = std::labs(header.biHeight);
    const size_t row = static_cast<size_t>(width) * 3, stride = (row + 3) & ~size_t{3};
    std::vector<unsigned char> rows(row * height);
    for (LONG y = 0; y < height; ++y) {
        LONG from = header.biHeight < 0 ? y : height - 1 - y;
        std::memcpy(&rows[row * y], bits + stride * from, row);
    }
    return rows;
}

}  // namespace

std::wstring aviFileName(const std::string& path) {
    std::wstring name = paths::wide(path);
    if (paths::ansi(name)) return name;
    return paths::shortPath(name).value_or(name);
}

CodecReadback readLinkFrames(const std::string& link, const std::vector<LONG>& frames) {
    CodecReadback result;
    OpenStream video(link, streamtypeVIDEO);
    std::vector<unsigned char> format = video.format();
    if (video.stream() == nullptr || format.size() < sizeof(BITMAPINFOHEADER)) {
        result.problem = "no video stream in " + link;
        return result;
    }
    BITMAPINFOHEADER wanted{};
    std::memcpy(&wanted, format.data(), sizeof wanted);
    wanted.biSize = sizeof wanted;
    wanted.biHeight = std::labs(wanted.biHeight);
    wanted.biPlanes = 1;
    wanted.biBitCount = 24;
    wanted.biCompression = BI_RGB;
    wanted.biSizeImage = 0;
    wanted.biClrUsed = wanted.biClrImportant = 0;
    PGETFRAME getFrame = AVIStreamGetFrameOpen(video.stream(), &wanted);
    if (getFrame == nullptr) {
        result.declined = true;
        result.problem = "AVIStreamGetFrameOpen found no codec for RGB24 pictures";
        return result;
    }
    for (LONG frame : frames) {
        auto* picture = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(getFrame, frame));
        if (picture == nullptr || picture->biBitCount != 24 || picture->biWidth != wanted.biWidth ||
            std::labs(picture->biHeight) != wanted.biHeight) {
            result.problem = "no RGB24 picture for frame " + std::to_string(frame);
            break;
        }
        const auto* bits = reinterpret_cast<const unsigned char*>(picture) + picture->biSize +
                           picture->biClrUsed * sizeof(RGBQUAD);
        result.pictures.push_back(topDownRows(*picture, bits));
    }
    AVIStreamGetFrameClose(getFrame);
    return result;
}

CodecReadback readLinkSound(const std::string& link, const WAVEFORMATEX& pcm) {
    CodecReadback result;
    OpenStream audio(link, streamtypeAUDIO);
    std::vector<unsigned char> format = audio.format();
    if (audio.stream() == nullptr || format.size() < sizeof(WAVEFORMATEX)) {
        result.problem = "no audio stream in " + link;
        return result;
    }
    const auto* linkFormat = reinterpret_cast<WAVEFORMATEX*>(format.data());
    HACMSTREAM converter = nullptr;
    WAVEFORMATEX target = pcm;
    MMRESULT opened = acmStreamOpen(&converter, nullptr, const_cast<WAVEFORMATEX*>(linkFormat),
                                    &target, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    if (opened != 0) {
        result.declined = true;
        result.problem = "acmStreamOpen found no driver for the link's sound (" +
                         std::to_string(opened) + ")";
        return result;
    }

    // The link's audio chunks are small position records: all of them fit in one read.
    std::vector<unsigned char> records(static_cast<size_t>(audio.info().dwLength + 1) *
                                       linkFormat->nBlockAlign);
    LONG bytes = 0, samples = 0;
    DWORD pcmBytes = 0;
    if (AVIStreamRead(audio.stream(), 0, AVIStreamLength(audio.stream()), records.data(),
                      static_cast<LONG>(records.size()), &bytes, &samples) != 0 ||
        bytes <= 0 ||
        acmStreamSize(converter, static_cast<DWORD>(bytes), &pcmBytes, ACM_STREAMSIZEF_SOURCE) != 0) {
        result.problem = "the link's sound records could not be read or sized";
    } else {
        result.pcm.resize(pcmBytes);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = records.data();
        header.cbSrcLength = static_cast<DWORD>(bytes);
        header.pbDst = result.pcm.data();
        header.cbDstLength = pcmBytes;
        if (acmStreamPrepareHeader(converter, &header, 0) != 0 ||
            acmStreamConvert(converter, &header, ACM_STREAMCONVERTF_BLOCKALIGN) != 0) {
            result.problem = "acmStreamConvert failed on the link's sound";
        }
        result.pcm.resize(header.cbDstLengthUsed);
        acmStreamUnprepareHeader(converter, &header, 0);
    }
    acmStreamClose(converter, 0);
    return result;
}

std::vector<std::vector<unsigned char>> readSourceFrames(const std::string& source,
                                                         const std::vector<LONG>& frames) {
    std::vector<std::vector<unsigned char>> pictures;
    OpenStream video(source, streamtypeVIDEO);
    std::vector<unsigned char> format = video.format();
    if (video.stream() == nullptr || format.size() < sizeof(BITMAPINFOHEADER)) return pictures;
    BITMAPINFOHEADER header{};
    std::memcpy(&header, format.data(), sizeof header);
    std::vector<unsigned char> bits(static_cast<size_t>(video.info().dwSuggestedBufferSize) +
                                    (static_cast<size_t>(header.biWidth) * 3 + 3) *
                                        std::labs(header.biHeight));
    for (LONG frame : frames) {
        LONG bytes = 0;
        if (AVIStreamRead(video.stream(), frame, 1, bits.data(), static_cast<LONG>(bits.size()),
                          &bytes, nullptr) != 0)
            break;
        pictures.push_back(topDownRows(header, bits.data()));
    }
    return pictures;
}
