// Links made by quorl.exe, played through AVIFile as an editor does, with the
// codec registered in the prefix: every frame asked for, in any order and in
// every format the link allows, is the source's own frame (converted by the
// definitions where another format was asked for).
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <vfw.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "link/LinkWriter.h"
#include "link/LittleEndian.h"
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
    // has: the two decoders share the source's reader and its pictures, one
    // converting, the other reading into its own picture.
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

TEST_F(AviFileClient, ASourceCutShortIsRefusedAndOneThatGrewStillPlays) {
    // short.avi lost its second half after its link was made; grown.avi
    // gained one.
    PAVISTREAM shortened = openVideo(codecMedia("short-link.avi"));
    ASSERT_NE(shortened, nullptr);
    EXPECT_EQ(AVIStreamGetFrameOpen(shortened, nullptr), nullptr);
    AVIStreamRelease(shortened);

    SourceFrames source(codecMedia("grown.avi"));
    PAVISTREAM grown = openVideo(codecMedia("grown-link.avi"));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(AVIStreamLength(grown), 25);
    PGETFRAME frames = AVIStreamGetFrameOpen(grown, nullptr);
    ASSERT_NE(frames, nullptr);
    for (LONG n : {0L, 24L, 12L}) {
        const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, n));
        ASSERT_NE(dib, nullptr) << n;
        EXPECT_EQ(largestDifference(pictureOfDib(dib), source.frame(n)), 0) << n;
    }
    AVIStreamGetFrameClose(frames);
    AVIStreamRelease(grown);
}

TEST_F(AviFileClient, RecordsOutsideTheLinkShowNoOtherFrame) {
    // A copy of a link whose records of frames 7, 8 and 9 name frames the
    // link does not have.
    std::vector<unsigned char> bytes = readFileBytes(codecMedia("rgb24-link.avi"));
    const uint32_t outside[] = {0x7FFFFFFF, 0xFFFFFFFF, 50};
    const unsigned char chunk[] = {'0', '0', 'd', 'b', 4, 0, 0, 0};
    uint32_t frame = 0;
    for (auto at = bytes.begin(); frame < 10; at += 8, ++frame) {
        at = std::search(at, bytes.end(), std::begin(chunk), std::end(chunk));
        ASSERT_NE(at, bytes.end());
        if (frame >= 7) putU32(&*(at + 8), outside[frame - 7]);
    }
    const std::string damaged = joinPath(scratchFolder(), "records.avi");
    ASSERT_TRUE(writeFileBytes(damaged, bytes));

    SourceFrames source(codecMedia("rgb24.avi"));
    PAVISTREAM link = openVideo(damaged);
    ASSERT_NE(link, nullptr);
    // The source's own format (read straight into the picture) and a
    // converted one.
    for (int32_t format : {kRGB24, kRGB32}) {
        BITMAPINFOHEADER wanted = wantedHeader(format, 80, 48, true);
        PGETFRAME frames = AVIStreamGetFrameOpen(link, &wanted);
        ASSERT_NE(frames, nullptr);
        const PlainPicture before = referenceConversion(source.frame(5), format);
        for (LONG n : {7L, 8L, 9L}) {
            SCOPED_TRACE(std::string(formatText(format)) + " frame " + std::to_string(n));
            ASSERT_NE(AVIStreamGetFrame(frames, 5), nullptr);
            // Windows hands back nothing for a frame the codec fails; Wine
            // its previous picture. Either way not the source's last frame.
            const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, n));
            if (dib != nullptr) {
                EXPECT_EQ(largestDifference(pictureOfDib(dib), before), 0);
            }
        }
        AVIStreamGetFrameClose(frames);
    }
    AVIStreamRelease(link);
}

namespace {

// The memory this process has committed of its own, what a 32-bit editor
// runs out of. Wine fills in PagefileUsage only; on Windows it is the same
// figure as PrivateUsage.
size_t privateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// The growth of private bytes while GetFrame is open on every file at once,
// each of its frames read once, stepping back from the last: the user
// scrubs, so the codec keeps what it reads.
size_t growthWithAllOpen(const std::vector<std::string>& files, LONG frames) {
    const size_t before = privateBytes();
    std::vector<PAVISTREAM> streams;
    std::vector<PGETFRAME> getters;
    for (const std::string& file : files) {
        streams.push_back(openVideo(file));
        EXPECT_NE(streams.back(), nullptr) << file;
        if (streams.back() == nullptr) break;
        getters.push_back(AVIStreamGetFrameOpen(streams.back(), nullptr));
        EXPECT_NE(getters.back(), nullptr) << file;
        if (getters.back() == nullptr) break;
        for (LONG n = frames - 1; n >= 0; --n) EXPECT_NE(AVIStreamGetFrame(getters.back(), n), nullptr);
    }
    const size_t after = privateBytes();
    for (PGETFRAME getter : getters)
        if (getter != nullptr) AVIStreamGetFrameClose(getter);
    for (PAVISTREAM stream : streams)
        if (stream != nullptr) AVIStreamRelease(stream);
    return after > before ? after - before : 0;
}

}  // namespace

TEST_F(AviFileClient, ManyClipsOpenAtOnceCostOneCacheAndLittleEach) {
    constexpr int kClips = 40;
    constexpr LONG kFrames = 10;
    std::vector<std::string> sources, links;
    for (int i = 1; i <= kClips; ++i) {
        const std::string name = "clip" + std::to_string(i) + ".avi";
        sources.push_back(codecMedia(name.c_str()));
        links.push_back(joinPath(scratchFolder(), name));
        LinkWriter writer;
        ASSERT_TRUE(writer.createLink(links.back().c_str(), sources.back().c_str(), 1, 960, 540, 25, 1,
                                      kFrames, kRGB24, 0, 0, 0, 0, true, true, false, false,
                                      kAudioModeLinked, SourceCallbacks{}, ProgressHooks{}))
            << name;
    }
    // The links ask for bottom-up pictures of top-down sources, so every
    // frame goes through the cache. The links first: memory the plain
    // sources free afterwards can only make their figure smaller.
    const size_t linked = growthWithAllOpen(links, kFrames);
    const size_t plain = growthWithAllOpen(sources, kFrames);
    // The cache's budget, as the codec sizes it for this process's bitness.
    const size_t budget = sizeof(void*) == 4 ? size_t{64} << 20 : size_t{256} << 20;
    const size_t perClip = size_t{2} << 20;
    EXPECT_LE(linked, plain + budget + kClips * perClip)
        << "links " << (linked >> 20) << " MB, plain sources " << (plain >> 20) << " MB";
}
