// What a link costs an editor: for one raw source and its link, frames per
// second read (a) straight from the source
// with AVIStreamRead and (b) through the link with GetFrame, in the source's
// own format and in every format the link allows, in order and scrubbing (at
// random, and stepping back and forth); (c) the codec alone, called as
// GetFrame calls it, which tells the codec's cost from the system's; then the speed of each
// pixel conversion next to memcpy on the same picture.
//
// Usage: codec_speed SOURCE LINK
//        codec_speed --conversions WIDTHxHEIGHT   (the conversions alone)
// LINK is made first with the program's link writer, allowing every format
// the source may be converted to (quorl.exe would stop to ask about a height
// of 1080, which is no multiple of 16). The codec must be registered in the
// prefix (bench/codec_speed.sh does that).
#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "avishim/PictureLayout.h"
#include "link/LinkWriter.h"
#include "avishim/PixelConversions.h"
#include "source/FormatCode.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* name(int32_t format) {
    switch (format) {
    case kFormatYV12: return "YV12";
    case kFormatYUY2: return "YUY2";
    case kFormatRGB24: return "RGB24";
    case kFormatRGB32: return "RGB32";
    default: return "?";
    }
}

BITMAPINFOHEADER headerFor(int32_t format, int width, int height) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = format == kFormatRGB32 ? 32 : format == kFormatRGB24 ? 24 : format == kFormatYUY2 ? 16 : 12;
    h.biCompression = format == kFormatYUY2   ? mmioFOURCC('Y', 'U', 'Y', '2')
                      : format == kFormatYV12 ? mmioFOURCC('Y', 'V', '1', '2')
                                              : BI_RGB;
    h.biSizeImage = static_cast<DWORD>(pictureBytes(format, width, height));
    return h;
}

// Frames per second reading every frame of the source with AVIStreamRead.
double directFps(PAVISTREAM source, LONG frames, std::vector<uint8_t>& buffer) {
    const auto start = Clock::now();
    for (LONG n = 0; n < frames; ++n)
        if (AVIStreamRead(source, n, 1, buffer.data(), static_cast<LONG>(buffer.size()), nullptr, nullptr) != 0)
            return 0;
    return frames / secondsSince(start);
}

// Frames per second through the link in `format`, or 0 when refused.
double linkFps(PAVISTREAM link, LONG frames, int32_t format, int width, int height) {
    BITMAPINFOHEADER wanted = headerFor(format, width, height);
    PGETFRAME getFrame = AVIStreamGetFrameOpen(link, &wanted);
    if (getFrame == nullptr) return 0;
    AVIStreamGetFrame(getFrame, 0);  // the source is opened at the first frame
    const auto start = Clock::now();
    for (LONG n = 0; n < frames; ++n)
        if (AVIStreamGetFrame(getFrame, n) == nullptr) {
            AVIStreamGetFrameClose(getFrame);
            return 0;
        }
    const double fps = frames / secondsSince(start);
    AVIStreamGetFrameClose(getFrame);
    return fps;
}

// Frame numbers as an editor asks for them when the user scrubs: anywhere at
// random, or stepping with the arrow keys, three frames on and two back.
std::vector<LONG> randomOrder(LONG frames, size_t count) {
    std::vector<LONG> order(count);
    uint32_t state = 2463534242u;
    for (LONG& n : order) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        n = static_cast<LONG>(state % static_cast<uint32_t>(frames));
    }
    return order;
}
std::vector<LONG> backAndForth(LONG frames, size_t count) {
    std::vector<LONG> order(count);
    LONG at = 0;
    for (size_t i = 0; i < count; ++i) {
        at += i % 5 < 3 ? 1 : -1;
        order[i] = (at % frames + frames) % frames;
    }
    return order;
}

// The best of a few runs of each of two ways, taken in turn so that both
// meet the same load: on a machine busy with other work the fastest run is
// the one least disturbed.
template <typename RunA, typename RunB>
std::pair<double, double> bestOfEach(RunA a, RunB b) {
    std::pair<double, double> best{0, 0};
    for (int i = 0; i < 7; ++i) {
        best.first = std::max(best.first, a());
        best.second = std::max(best.second, b());
    }
    return best;
}

// Frames per second over `order`: straight from the source, or through the
// link asked for `wanted` (opened afresh, so its cache starts empty).
double directFpsOver(PAVISTREAM source, const std::vector<LONG>& order, std::vector<uint8_t>& buffer) {
    const auto start = Clock::now();
    for (LONG n : order)
        if (AVIStreamRead(source, n, 1, buffer.data(), static_cast<LONG>(buffer.size()), nullptr, nullptr) != 0)
            return 0;
    return order.size() / secondsSince(start);
}
double linkFpsOver(PAVISTREAM link, const std::vector<LONG>& order, BITMAPINFOHEADER wanted) {
    PGETFRAME getFrame = AVIStreamGetFrameOpen(link, &wanted);
    if (getFrame == nullptr) return 0;
    AVIStreamGetFrame(getFrame, 0);  // the source is opened at the first frame
    const auto start = Clock::now();
    for (LONG n : order)
        if (AVIStreamGetFrame(getFrame, n) == nullptr) {
            AVIStreamGetFrameClose(getFrame);
            return 0;
        }
    const double fps = order.size() / secondsSince(start);
    AVIStreamGetFrameClose(getFrame);
    return fps;
}

// The codec alone, as GetFrame would call it but without GetFrame around it:
// frames per second of ICDecompress on the link's frame records, into one
// picture. What GetFrame costs on top is (b) against this.
double codecFpsOver(PAVISTREAM link, const std::vector<LONG>& order, BITMAPINFOHEADER wanted) {
    LONG size = 0;
    AVIStreamReadFormat(link, 0, nullptr, &size);
    std::vector<uint8_t> format(static_cast<size_t>(size));
    AVIStreamReadFormat(link, 0, format.data(), &size);
    auto* input = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    HIC codec = ICOpen(ICTYPE_VIDEO, mmioFOURCC('S', 'H', 'I', 'M'), ICMODE_DECOMPRESS);
    if (codec == nullptr) return 0;
    std::vector<uint8_t> picture(wanted.biSizeImage);
    double fps = 0;
    if (ICDecompressBegin(codec, input, &wanted) == ICERR_OK) {
        input->biSizeImage = 4;
        // The first frame opens the source; asking for it twice would look
        // like scrubbing, as GetFrame knows (it skips a frame it has).
        uint32_t record = static_cast<uint32_t>(order[0]);
        ICDecompress(codec, 0, input, &record, &wanted, picture.data());
        const auto start = Clock::now();
        bool ok = true;
        for (size_t i = 1; i < order.size(); ++i) {
            record = static_cast<uint32_t>(order[i]);
            ok = ok && ICDecompress(codec, 0, input, &record, &wanted, picture.data()) == ICERR_OK;
        }
        fps = ok ? (order.size() - 1) / secondsSince(start) : 0;
        ICDecompressEnd(codec);
    }
    ICClose(codec);
    return fps;
}

// MB/s of source picture handled per second: a conversion with the given
// kernels, or memcpy (to == 0). Taken from the fastest of the pictures
// converted in 0.3 s (ten at least): other programs share the machine, and a
// picture that lost the processor on the way says nothing about the kernels.
double megabytesPerSecond(int32_t from, const std::vector<uint8_t>& picture, int32_t to, int width,
                          int height, KernelChoice kernels = KernelChoice::best) {
    std::vector<uint8_t> out(std::max(pictureBytes(to == 0 ? from : to, width, height), picture.size()));
    const ConstPicturePlanes source =
        asConst(layOutPicture(const_cast<uint8_t*>(picture.data()), from, width, height, false));
    const PicturePlanes destination = layOutPicture(out.data(), to, width, height, false);
    double fastest = 1e9;
    int rounds = 0;
    const auto start = Clock::now();
    do {
        const auto one = Clock::now();
        if (to == 0)
            std::memcpy(out.data(), picture.data(), picture.size());
        else if (!convertPicture(from, source, to, destination, width, height, kernels))
            return 0;
        fastest = std::min(fastest, secondsSince(one));
    } while (++rounds < 10 || secondsSince(start) < 0.3);
    return static_cast<double>(picture.size()) / fastest / 1e6;
}

// Every conversion at one picture size, on a picture of noise in the format
// converted from, with each kernel set the processor runs and with the
// codec's choice among them (SSE2 was the best set before the single-pass YUV
// rows); memcpy of that same picture beside it. "in cache" converts the first
// 16 rows only, which stay in the processor's cache: the kernels' own speed,
// without the memory's.
void printConversions(int width, int height) {
    constexpr KernelChoice kSets[] = {KernelChoice::scalar, KernelChoice::sse2, KernelChoice::ssse3,
                                      KernelChoice::avx2};
    const int cachedRows = std::min(height, 16);
    std::printf("  conversions at %dx%d (MB/s of the picture converted from, fastest picture):\n",
                width, height);
    std::printf("                       plain     SSE2    SSSE3     AVX2    codec  codec/SSE2"
                "  codec/memcpy   in cache: SSE2    codec  codec/SSE2\n");
    for (int32_t from : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12}) {
        std::vector<uint8_t> picture(pictureBytes(from, width, height));
        uint32_t noise = 12345;
        for (uint8_t& byte : picture) byte = static_cast<uint8_t>((noise = noise * 1103515245 + 12345) >> 16);
        const std::vector<uint8_t> cached(picture.begin(),
                                          picture.begin() + pictureBytes(from, width, cachedRows));
        const double copy = megabytesPerSecond(from, picture, 0, width, height);
        for (int32_t to : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12}) {
            if (to == from || !canConvert(from, to)) continue;
            std::printf("    %-5s -> %-5s", name(from), name(to));
            double sse2 = 0;
            for (KernelChoice set : kSets) {
                const double rate = megabytesPerSecond(from, picture, to, width, height, set);
                if (set == KernelChoice::sse2) sse2 = rate;
                if (rate > 0)
                    std::printf(" %8.0f", rate);
                else
                    std::printf(" %8s", "-");  // not on this processor
            }
            const double codec = megabytesPerSecond(from, picture, to, width, height);
            const double cachedSse2 =
                megabytesPerSecond(from, cached, to, width, cachedRows, KernelChoice::sse2);
            const double cachedCodec = megabytesPerSecond(from, cached, to, width, cachedRows);
            std::printf(" %8.0f %10.2fx %12.0f %%   %14.0f %8.0f %10.2fx\n", codec, codec / sse2,
                        100.0 * codec / copy, cachedSse2, cachedCodec, cachedCodec / cachedSse2);
        }
        std::printf("    %-5s memcpy      %8.0f\n", name(from), copy);
    }
}

bool makeLink(const char* sourcePath, const char* linkPath) {
    SourceReader* source = openSource(0, sourcePath);
    if (source == nullptr) return false;
    const int32_t own = source->videoFormat;
    const bool yuv = own == kFormatYUY2 || own == kFormatYV12;
    LinkWriter writer;
    DeleteFileA(linkPath);
    const bool made = writer.createLink(
        linkPath, sourcePath, 1, source->width, source->height,
        static_cast<int32_t>(source->fpsNumerator), static_cast<int32_t>(source->fpsDenominator),
        source->nrFrames, own, 0, 0, 0, 0, true, true, yuv, yuv, kAudioModeLinked,
        source->callbacks, ProgressHooks{});
    source->close(true, true);
    delete source;
    return made;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--conversions") == 0) {
        int width = 0, height = 0;
        if (std::sscanf(argv[2], "%dx%d", &width, &height) != 2 ||
            pictureBytes(kFormatRGB32, width, height) == 0) {
            std::fprintf(stderr, "codec_speed: unusable picture size %s\n", argv[2]);
            return 2;
        }
        printConversions(width, height);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: codec_speed SOURCE LINK\n"
                             "       codec_speed --conversions WIDTHxHEIGHT\n");
        return 2;
    }
    if (!makeLink(argv[1], argv[2])) {
        std::fprintf(stderr, "cannot link %s to %s\n", argv[1], argv[2]);
        return 2;
    }
    AVIFileInit();
    PAVISTREAM source = nullptr, link = nullptr;
    if (AVIStreamOpenFromFileA(&source, argv[1], streamtypeVIDEO, 0, OF_READ, nullptr) != 0 ||
        AVIStreamOpenFromFileA(&link, argv[2], streamtypeVIDEO, 0, OF_READ, nullptr) != 0) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    BITMAPINFOHEADER format{};
    LONG size = sizeof format;
    AVIStreamReadFormat(source, 0, &format, &size);
    const int width = format.biWidth;
    const int height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    const int32_t own = format.biCompression == mmioFOURCC('Y', 'U', 'Y', '2') ? kFormatYUY2
                        : format.biBitCount == 32                             ? kFormatRGB32
                                                                              : kFormatRGB24;
    const LONG frames = AVIStreamLength(source);
    std::vector<uint8_t> buffer(std::max<size_t>(pictureBytes(own, width, height), format.biSizeImage));

    directFps(source, frames, buffer);  // once to fill the file cache
    // In the source's own format and row order the codec reads each frame
    // straight into the client's picture.
    BITMAPINFOHEADER asDelivered = headerFor(own, width, height);
    if (format.biHeight < 0 && own != kFormatYUY2) asDelivered.biHeight = -height;
    const std::vector<LONG> inOrder = [&] {
        std::vector<LONG> order(static_cast<size_t>(frames));
        for (LONG n = 0; n < frames; ++n) order[static_cast<size_t>(n)] = n;
        return order;
    }();
    const auto [direct, same] = bestOfEach([&] { return directFps(source, frames, buffer); },
                                           [&] { return linkFpsOver(link, inOrder, asDelivered); });
    std::printf("%s %dx%d, %ld frames\n", name(own), width, height, frames);
    std::printf("  (a) source, AVIStreamRead            %8.1f fps\n", direct);
    std::printf("  (b) link, GetFrame as %-5s as stored %8.1f fps   (b)/(a) cost %.2f\n", name(own),
                same, same > 0 ? direct / same : 0.0);
    const auto [direct2, alone] = bestOfEach([&] { return directFps(source, frames, buffer); },
                                             [&] { return codecFpsOver(link, inOrder, asDelivered); });
    std::printf("  (c) codec alone, ICDecompress       %8.1f fps   (c)/(a) cost %.2f\n", alone,
                alone > 0 ? direct2 / alone : 0.0);
    const double flipped = linkFps(link, frames, own, width, height);
    if (format.biHeight < 0 && own != kFormatYUY2)
        std::printf("  (b) link, GetFrame as %-5s bottom-up %7.1f fps   (b)/(a) cost %.2f\n", name(own),
                    flipped, flipped > 0 ? direct / flipped : 0.0);
    for (const auto& [pattern, order] :
         {std::pair{"random order", randomOrder(frames, 500)},
          std::pair{"3 on, 2 back", backAndForth(frames, 500)}}) {
        const auto [a, b] = bestOfEach([&] { return directFpsOver(source, order, buffer); },
                                       [&] { return linkFpsOver(link, order, asDelivered); });
        std::printf("  scrubbing, %-12s (a) %8.1f fps  (b) %8.1f fps   (b)/(a) cost %.2f\n", pattern, a,
                    b, b > 0 ? a / b : 0.0);
    }
    for (int32_t to : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12}) {
        if (to == own || !canConvert(own, to)) continue;
        const double fps = linkFps(link, frames, to, width, height);
        if (fps == 0) continue;  // not allowed by the link
        std::printf("  (b) link, GetFrame as %-5s          %8.1f fps   (b)/(a) cost %.2f\n", name(to),
                    fps, direct / fps);
    }
    printConversions(width, height);
    AVIStreamRelease(link);
    AVIStreamRelease(source);
    AVIFileExit();
    return 0;
}
