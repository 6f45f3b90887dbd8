// Links made by quorl.exe, played through AVIFile as an editor does, with the
// codec registered in the prefix: every frame asked for, in any order and in
// every format the link allows, is the source's own frame (converted by the
// definitions where another format was asked for).
#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <string>
#include <tuple>
#include <vector>

#include "link/LinkWriter.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct LinkCase {
    const char* link;
    const char* source;
    int32_t sourceFormat;            // the format the source delivers
    std::vector<int32_t> allowed;    // what the link allows
    LONG frames;
    DWORD rate, scale;
};

const LinkCase kLinks[] = {
    {"rgb24-link.avi", "rgb24.avi", kRGB24, {kRGB32, kRGB24}, 50, 25000, 1000},
    {"yuy2-link.avi", "yuy2.avi", kYUY2, {kRGB32, kRGB24, kYUY2, kYV12}, 50, 25000, 1000},
    {"yuy2-only-link.avi", "yuy2.avi", kYUY2, {kYUY2}, 50, 25000, 1000},
    {"cinepak-link.avi", "cinepak.avi", kRGB24, {kRGB24}, 50, 25000, 1000},
    {"ntsc-link.avi", "ntsc.avi", kYV12, {kRGB32, kRGB24, kYUY2, kYV12}, 60, 30000, 1001},
};

struct Request {
    int32_t format;  // 0: no format asked for
    bool topDown;
};
const Request kRequests[] = {{0, false},     {kRGB24, false}, {kRGB24, true}, {kRGB32, false},
                             {kRGB32, true}, {kYUY2, false},  {kYV12, false}};

constexpr LONG kFrameOrder[] = {47, 48, 0, 10, 49, 3, 3};

bool contains(const std::vector<int32_t>& formats, int32_t format) {
    for (int32_t f : formats)
        if (f == format) return true;
    return false;
}
bool isRgb(int32_t format) { return format == kRGB24 || format == kRGB32; }

// Same format, or a change that only moves bytes: exact. YUV to RGB: the
// rounding of the integer arithmetic may differ by one.
int tolerance(int32_t from, int32_t to) { return !isRgb(from) && isRgb(to) ? 1 : 0; }

std::string describe(const LinkCase& c, const Request& r) {
    std::string text = std::string(c.link) + " asked for ";
    if (r.format == 0) return text + "no format";
    return text + formatText(r.format) + (r.topDown ? " top-down" : "");
}

class AviFileClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerCodecForVideo();
        AVIFileInit();
    }
    static void TearDownTestSuite() { AVIFileExit(); }
};

PAVISTREAM openVideo(const std::string& path) {
    PAVISTREAM stream = nullptr;
    if (AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) != 0)
        return nullptr;
    return stream;
}

}  // namespace

TEST_F(AviFileClient, EveryAllowedFormatShowsTheSourceFramesInAnyOrder) {
    for (const LinkCase& c : kLinks) {
        SourceFrames source(codecMedia(c.source));
        ASSERT_TRUE(source.opened()) << c.source;
        PAVISTREAM link = openVideo(codecMedia(c.link));
        ASSERT_NE(link, nullptr) << c.link;
        AVISTREAMINFOA info{};
        AVIStreamInfoA(link, &info, sizeof info);
        EXPECT_EQ(info.dwLength, static_cast<DWORD>(c.frames)) << c.link;
        EXPECT_EQ(info.dwRate, c.rate) << c.link;
        EXPECT_EQ(info.dwScale, c.scale) << c.link;

        for (const Request& r : kRequests) {
            SCOPED_TRACE(describe(c, r));
            const bool allowed = r.format == 0 || contains(c.allowed, r.format);
            BITMAPINFOHEADER wanted = wantedHeader(r.format, source.width(), source.height(), r.topDown);
            PGETFRAME frames = AVIStreamGetFrameOpen(link, r.format == 0 ? nullptr : &wanted);
            if (!allowed) {
                EXPECT_EQ(frames, nullptr) << "a format the link does not allow was delivered";
                if (frames != nullptr) AVIStreamGetFrameClose(frames);
                continue;
            }
            ASSERT_NE(frames, nullptr);
            // Unasked, the source's own format comes (every link here allows it).
            const int32_t delivered = r.format == 0 ? c.sourceFormat : r.format;
            for (LONG n : kFrameOrder) {
                const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, n));
                ASSERT_NE(dib, nullptr) << "frame " << n;
                const PlainPicture got = pictureOfDib(dib);
                const PlainPicture expected = referenceConversion(source.frame(n), delivered);
                ASSERT_EQ(got.format, expected.format) << "frame " << n;
                EXPECT_LE(largestDifference(got, expected), tolerance(c.sourceFormat, delivered))
                    << "frame " << n;
            }
            AVIStreamGetFrameClose(frames);
        }
        AVIStreamRelease(link);
    }
}

TEST_F(AviFileClient, ALinkWhoseSourceCannotBeReadDeliversNothing) {
    // AVIFile would abort on the last frame of the source past 1 GB, which
    // lies in its second part. quorl.exe refuses that source, so the program's
    // writer, which never opens it, makes the link.
    const std::string large = joinPath(scratchFolder(), "opendml-link.avi");
    const std::string source = joinPath(mediaFolder(), "opendml\\big.avi");
    ProgressHooks hooks{nullptr, [](void*, void*, void*, const char*) { return 0; },
                        [](void*) { return true; }, [](int32_t, void*) {},
                        [](void*) { return false; }};
    ASSERT_TRUE(LinkWriter().createLink(large.c_str(), source.c_str(), 1, 3840, 2160, 25, 1, 45,
                                        kRGB24, 0, 0, 0, 0, true, true, false, false, 2, {}, hooks));
    for (auto [path, width, height] : {std::tuple{codecMedia("gone-link.avi"), 80, 48},
                                       std::tuple{large, 3840, 2160}}) {
        PAVISTREAM link = openVideo(path);
        ASSERT_NE(link, nullptr) << path;
        EXPECT_EQ(AVIStreamGetFrameOpen(link, nullptr), nullptr) << path;
        BITMAPINFOHEADER wanted = wantedHeader(kRGB24, width, height, false);
        EXPECT_EQ(AVIStreamGetFrameOpen(link, &wanted), nullptr) << path;
        AVIStreamRelease(link);
    }
}

TEST_F(AviFileClient, SeveralClientsOfOneLinkAtOnce) {
    // Two views of the same link, as an editor with a preview and a timeline
    // has: each decoder instance has its own source and cache.
    SourceFrames source(codecMedia("yuy2.avi"));
    PAVISTREAM link = openVideo(codecMedia("yuy2-link.avi"));
    ASSERT_NE(link, nullptr);
    BITMAPINFOHEADER rgb = wantedHeader(kRGB32, 80, 48, false);
    PGETFRAME first = AVIStreamGetFrameOpen(link, &rgb);
    PGETFRAME second = AVIStreamGetFrameOpen(link, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (LONG n : {5L, 30L, 6L}) {
        const PlainPicture a = pictureOfDib(static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(first, n)));
        const PlainPicture b = pictureOfDib(static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(second, n)));
        EXPECT_LE(largestDifference(a, referenceConversion(source.frame(n), kRGB32)), 1);
        EXPECT_EQ(largestDifference(b, source.frame(n)), 0);
    }
    AVIStreamGetFrameClose(second);
    AVIStreamGetFrameClose(first);
    AVIStreamRelease(link);
}
