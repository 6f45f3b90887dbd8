// Not a test: the demo's witness. Reads one frame of a link through AVIFile
// (GetFrameOpen with no format, as an editor does), saves it as a BMP and
// says whether it equals the source's own frame.
//
// Usage: link_frame_check LINK SOURCE FRAME OUT.bmp
// Exit code 0 when the frames are equal, 1 when they differ, 2 on failure.
#include <windows.h>
#include <vfw.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/codec/CodecTestSupport.h"

namespace {

bool saveBmp(const PlainPicture& picture, const char* path) {
    const PlainPicture rgb = referenceConversion(picture, kRGB24);
    const int w = rgb.width, h = rgb.height;
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(h);
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(h), 0);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[(h - 1 - row) * stride + x * 3 + c] =
                    static_cast<uint8_t>(rgb.bgra[(static_cast<size_t>(row) * w + x) * 4 + c]);
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
              std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: link_frame_check LINK SOURCE FRAME OUT.bmp\n");
        return 2;
    }
    const LONG number = std::atol(argv[3]);
    AVIFileInit();
    int status = 2;
    PAVISTREAM link = nullptr;
    if (AVIStreamOpenFromFileA(&link, argv[1], streamtypeVIDEO, 0, OF_READ, nullptr) != 0) {
        std::printf("cannot open the link %s\n", argv[1]);
    } else if (PGETFRAME frames = AVIStreamGetFrameOpen(link, nullptr); frames == nullptr) {
        std::printf("no decoder delivers the link's frames: is the codec registered?\n");
        AVIStreamRelease(link);
    } else {
        const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, number));
        SourceFrames source(argv[2]);
        if (dib == nullptr || !source.opened()) {
            std::printf("frame %ld could not be read\n", number);
        } else {
            const PlainPicture got = pictureOfDib(dib);
            const PlainPicture expected = source.frame(number);
            const bool same = largestDifference(got, expected) == 0;
            std::printf("frame %ld of the link (%dx%d, %s as delivered) %s source frame %ld\n", number,
                        got.width, got.height, formatText(got.format == kRGB32 && dib->biBitCount == 24 ? kRGB24 : got.format),
                        same ? "equals, bit for bit," : "DIFFERS from", number);
            if (!saveBmp(got, argv[4])) std::printf("could not save %s\n", argv[4]);
            status = same ? 0 : 1;
        }
        AVIStreamGetFrameClose(frames);
        AVIStreamRelease(link);
    }
    AVIFileExit();
    return status;
}
