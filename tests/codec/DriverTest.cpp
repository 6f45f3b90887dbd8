// The video decompressor as the system's codec manager sees it, installed as
// a function of the real avishim.dll: which formats it accepts and offers,
// what it refuses, and single frames decoded by hand.
#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/LittleEndian.h"
#include "link/VideoRecords.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr DWORD kShim = mmioFOURCC('S', 'H', 'I', 'M');
using DriverProcFunction = LRESULT(WINAPI*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

struct LinkOnDisk {  // what a link names and allows
    int32_t formatCode;
    AllowedOutputs outputs;
    std::string path = "M:\\codec\\yuy2.avi";
    int width = 80;
    int height = 48;
    int32_t frames = 50;
};

std::vector<uint8_t> linkFormat(const LinkOnDisk& link) {
    const VideoLinkFields fields{link.frames, link.height, link.width, link.formatCode, link.path.c_str(),
                                 link.outputs, 1};
    const VideoFormat format =
        buildVideoFormat(link.width, link.height, 24, link.width * link.height * 3,
                         buildVideoLinkData(fields));
    return {format.begin(), format.end()};
}

const BITMAPINFO* asInfo(const std::vector<uint8_t>& format) {
    return reinterpret_cast<const BITMAPINFO*>(format.data());
}

AllowedOutputs outputsFromMask(int mask) {
    return AllowedOutputs{(mask & 8) != 0, (mask & 4) != 0, (mask & 2) != 0, (mask & 1) != 0};
}
bool maskAllows(int mask, int32_t format) {
    switch (format) {
    case kRGB32: return mask & 8;
    case kRGB24: return mask & 4;
    case kYUY2: return mask & 2;
    case kYV12: return mask & 1;
    }
    return false;
}
bool isRgb(int32_t format) { return format == kRGB24 || format == kRGB32; }

class Driver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryA(joinPath(binaryFolder(), "avishim.dll").c_str());
        ASSERT_NE(library_, nullptr);
        proc_ = reinterpret_cast<DriverProcFunction>(reinterpret_cast<void*>(GetProcAddress(library_, "DriverProc")));
        ASSERT_NE(proc_, nullptr);
        ASSERT_TRUE(ICInstall(ICTYPE_VIDEO, kShim, reinterpret_cast<LPARAM>(proc_), nullptr,
                              ICINSTALL_FUNCTION));
    }
    static void TearDownTestSuite() {
        ICRemove(ICTYPE_VIDEO, kShim, 0);
        FreeLibrary(library_);
    }
    void SetUp() override {
        codec_ = ICOpen(ICTYPE_VIDEO, kShim, ICMODE_DECOMPRESS);
        ASSERT_NE(codec_, nullptr);
    }
    void TearDown() override {
        if (codec_ != nullptr) ICClose(codec_);
    }

    static HMODULE library_;
    static DriverProcFunction proc_;
    HIC codec_ = nullptr;
};
HMODULE Driver::library_ = nullptr;
DriverProcFunction Driver::proc_ = nullptr;

}  // namespace

TEST_F(Driver, NamesItselfAndOpensWhateverTheCaseOfItsCode) {
    ICINFO info{};
    ASSERT_EQ(ICGetInfo(codec_, &info, sizeof info), sizeof info);
    EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
    EXPECT_EQ(std::wstring(info.szName), L"SHIM");
    EXPECT_EQ(std::wstring(info.szDescription), L"Quorl link decoder");
    HIC lower = ICOpen(ICTYPE_VIDEO, mmioFOURCC('s', 'h', 'i', 'm'), ICMODE_DECOMPRESS);
    EXPECT_NE(lower, nullptr);
    if (lower != nullptr) ICClose(lower);
    // No configuration or About box.
    EXPECT_FALSE(ICQueryConfigure(codec_));
    EXPECT_FALSE(ICQueryAbout(codec_));
}

TEST_F(Driver, EntryPointSurvivesTheLoadersOddCalls) {
    // A configuration open has no record and must succeed; its close, and a
    // free or disable carrying a stale instance, must not touch memory.
    const LRESULT configuration = proc_(0, nullptr, DRV_OPEN, 0, 0);
    EXPECT_NE(configuration, 0);
    EXPECT_EQ(proc_(configuration, nullptr, DRV_CLOSE, 0, 0), 1);
    EXPECT_EQ(proc_(0xDEADBEE0, nullptr, DRV_DISABLE, 0, 0), 1);
    EXPECT_EQ(proc_(0xDEADBEE0, nullptr, DRV_FREE, 0, 0), 1);
    EXPECT_EQ(proc_(0, nullptr, DRV_QUERYCONFIGURE, 0, 0), 0);
    // A record of an unknown kind is declined.
    DWORD other[14] = {sizeof other, mmioFOURCC('t', 'x', 't', 'c')};
    EXPECT_EQ(proc_(0, nullptr, DRV_OPEN, 0, reinterpret_cast<LPARAM>(other)), 0);
}

TEST_F(Driver, AcceptsExactlyTheAllowedOutputsAtTheLinksSize) {
    struct Request {
        int32_t format;
        bool topDown;
    };
    const Request requests[] = {{kRGB32, false}, {kRGB32, true}, {kRGB24, false},
                                {kRGB24, true},  {kYUY2, false}, {kYV12, false}};
    for (int32_t source = kYV12; source <= kRGB32; ++source) {
        for (int mask = 0; mask < 16; ++mask) {
            const std::vector<uint8_t> link = linkFormat({source, outputsFromMask(mask)});
            const LRESULT input = ICDecompressQuery(codec_, asInfo(link), nullptr);
            EXPECT_EQ(input, mask == 0 ? ICERR_BADFORMAT : ICERR_OK);
            for (const Request& r : requests) {
                SCOPED_TRACE(std::string(formatText(source)) + " link, mask " + std::to_string(mask) +
                             ", asking " + formatText(r.format) + (r.topDown ? " top-down" : ""));
                BITMAPINFOHEADER wanted = wantedHeader(r.format, 80, 48, r.topDown);
                const bool allowed = maskAllows(mask, r.format) && !(isRgb(source) && !isRgb(r.format));
                EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &wanted),
                          allowed ? ICERR_OK : ICERR_BADFORMAT);
                if (!allowed) continue;
                // The size must be the link's, and a stated buffer must hold it.
                BITMAPINFOHEADER narrower = wanted;
                narrower.biWidth = 78;
                EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &narrower), ICERR_BADFORMAT);
                BITMAPINFOHEADER taller = wanted;
                taller.biHeight += wanted.biHeight < 0 ? -2 : 2;
                EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &taller), ICERR_BADFORMAT);
                BITMAPINFOHEADER cramped = wanted;
                cramped.biSizeImage -= 1;
                EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &cramped), ICERR_BADFORMAT);
                BITMAPINFOHEADER unsized = wanted;
                unsized.biSizeImage = 0;
                EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &unsized), ICERR_OK);
            }
        }
    }
}

TEST_F(Driver, SuggestsTheSourcesOwnFormatElseTheFirstAllowed) {
    struct Row {
        int32_t source;
        int mask;  // 8 RGB32, 4 RGB24, 2 YUY2, 1 YV12
        int32_t suggested;
    };
    const Row rows[] = {
        {kYV12, 15, kYV12}, {kYUY2, 15, kYUY2}, {kRGB24, 12, kRGB24}, {kRGB32, 12, kRGB32},
        {kYV12, 14, kRGB32}, {kYV12, 6, kRGB24}, {kYV12, 2, kYUY2},   {kYUY2, 1, kYV12},
        {kRGB24, 8, kRGB32}, {kRGB32, 4, kRGB24},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(formatText(r.source)) + " mask " + std::to_string(r.mask));
        const std::vector<uint8_t> link = linkFormat({r.source, outputsFromMask(r.mask)});
        EXPECT_EQ(ICDecompressGetFormatSize(codec_, asInfo(link)), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER suggested{};
        ASSERT_EQ(ICDecompressGetFormat(codec_, asInfo(link), &suggested), ICERR_OK);
        const BITMAPINFOHEADER expected = wantedHeader(r.suggested, 80, 48, false);
        EXPECT_EQ(suggested.biSize, sizeof suggested);
        EXPECT_EQ(suggested.biWidth, 80);
        EXPECT_EQ(suggested.biHeight, 48);
        EXPECT_EQ(suggested.biPlanes, 1);
        EXPECT_EQ(suggested.biBitCount, expected.biBitCount);
        EXPECT_EQ(suggested.biCompression, expected.biCompression);
        EXPECT_EQ(suggested.biSizeImage, expected.biSizeImage);
        EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &suggested), ICERR_OK);
    }
    // A link whose only allowed output would turn RGB into YUV offers nothing.
    const std::vector<uint8_t> rgbToYuv = linkFormat({kRGB24, outputsFromMask(2)});
    BITMAPINFOHEADER none{};
    EXPECT_EQ(ICDecompressGetFormat(codec_, asInfo(rgbToYuv), &none), ICERR_BADFORMAT);
}

TEST_F(Driver, RefusesFormatsThatAreNoLinks) {
    struct Row {
        const char* name;
        void (*edit)(std::vector<uint8_t>&);
    };
    const Row rows[] = {
        {"foreign FOURCC", [](std::vector<uint8_t>& f) { putU32(&f[16], mmioFOURCC('c', 'v', 'i', 'd')); }},
        {"plain bitmap header", [](std::vector<uint8_t>& f) { putU32(&f[0], 40); }},
        {"version 1", [](std::vector<uint8_t>& f) { putU32(&f[40], 1); }},
        {"path without NUL", [](std::vector<uint8_t>& f) { std::fill(f.begin() + 60, f.begin() + 100, 'x'); }},
        {"size mismatch", [](std::vector<uint8_t>& f) { putU32(&f[4], 96); }},
        {"no output allowed", [](std::vector<uint8_t>& f) { std::fill(f.begin() + 100, f.begin() + 104, 0); }},
    };
    const BITMAPINFOHEADER wanted = wantedHeader(kYUY2, 80, 48, false);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> link = linkFormat({kYUY2, outputsFromMask(15)});
        r.edit(link);
        EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), nullptr), ICERR_BADFORMAT);
        EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &wanted), ICERR_BADFORMAT);
        BITMAPINFOHEADER suggested{};
        EXPECT_EQ(ICDecompressGetFormat(codec_, asInfo(link), &suggested), ICERR_BADFORMAT);
        EXPECT_NE(ICDecompressBegin(codec_, asInfo(link), &wanted), ICERR_OK);
    }
    // Output formats that are none of the four.
    const std::vector<uint8_t> link = linkFormat({kYUY2, outputsFromMask(15)});
    BITMAPINFOHEADER rgb16 = wantedHeader(kRGB24, 80, 48, false);
    rgb16.biBitCount = 16;
    EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &rgb16), ICERR_BADFORMAT);
    BITMAPINFOHEADER uyvy = wantedHeader(kYUY2, 80, 48, false);
    uyvy.biCompression = mmioFOURCC('U', 'Y', 'V', 'Y');
    EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &uyvy), ICERR_BADFORMAT);
}

TEST_F(Driver, BeginFailsWhenTheSourceCannotBeOpened) {
    struct Row {
        const char* name;
        LinkOnDisk link;
    };
    const Row rows[] = {
        {"missing file", {kYUY2, outputsFromMask(15), "M:\\codec\\nothing-here.avi"}},
        {"source in another format", {kYV12, outputsFromMask(15), "M:\\codec\\yuy2.avi"}},
        {"source of another size", {kYUY2, outputsFromMask(15), "M:\\codec\\yuy2.avi", 96, 48}},
        // Refused by the shared reader, which would show a box in the program.
        {"source without an index", {kYUY2, outputsFromMask(15), "M:\\codec\\noindex.avi"}},
        // yuy2.avi has 50 frames.
        {"source with fewer frames than the link", {kYUY2, outputsFromMask(15), "M:\\codec\\yuy2.avi", 80, 48, 51}},
        {"link without frames", {kYUY2, outputsFromMask(15), "M:\\codec\\yuy2.avi", 80, 48, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::vector<uint8_t> link = linkFormat(r.link);
        const BITMAPINFOHEADER wanted = wantedHeader(kRGB32, r.link.width, r.link.height, false);
        EXPECT_EQ(ICDecompressQuery(codec_, asInfo(link), &wanted), ICERR_OK);
        EXPECT_NE(ICDecompressBegin(codec_, asInfo(link), &wanted), ICERR_OK);
    }
}

TEST_F(Driver, DecodesRecordsIntoSourceFramesAndRefusesRecordsOutsideTheLink) {
    SourceFrames source(codecMedia("yuy2.avi"));
    ASSERT_TRUE(source.opened());
    std::vector<uint8_t> link = linkFormat({kYUY2, outputsFromMask(2 | 8)});
    BITMAPINFOHEADER wanted = wantedHeader(kYUY2, 80, 48, false);
    ASSERT_EQ(ICDecompressBegin(codec_, asInfo(link), &wanted), ICERR_OK);

    BITMAPINFOHEADER* input = reinterpret_cast<BITMAPINFOHEADER*>(link.data());
    std::vector<uint8_t> picture(wanted.biSizeImage);
    auto decode = [&](uint32_t frame, DWORD recordSize) {
        uint8_t record[16] = {};
        putU32(record, frame);
        input->biSizeImage = recordSize;
        return ICDecompress(codec_, 0, input, record, &wanted, picture.data());
    };
    struct Row {
        uint32_t record;
        LONG sourceFrame;  // the picture expected after it: a refusal leaves the last one
        DWORD result;
    };
    const DWORD refused = static_cast<DWORD>(ICERR_BADFORMAT);
    const Row rows[] = {{3, 3, ICERR_OK},   {47, 47, ICERR_OK},       {0, 0, ICERR_OK},
                        {49, 49, ICERR_OK}, {50, 49, refused},        {999, 49, refused},
                        {0x7FFFFFFFu, 49, refused}, {0xFFFFFFFFu, 49, refused},
                        {3, 3, ICERR_OK},   {3, 3, ICERR_OK}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.record);
        ASSERT_EQ(decode(r.record, 4), r.result);
        EXPECT_EQ(largestDifference(readPicture(kYUY2, picture.data(), 80, 48, true),
                                    source.frame(r.sourceFrame)),
                  0);
    }
    // Records longer than four bytes carry the number in front; shorter ones
    // are refused and leave the picture alone.
    ASSERT_EQ(decode(10, 16), ICERR_OK);
    EXPECT_EQ(largestDifference(readPicture(kYUY2, picture.data(), 80, 48, true), source.frame(10)), 0);
    EXPECT_EQ(decode(20, 2), ICERR_BADFORMAT);
    EXPECT_EQ(largestDifference(readPicture(kYUY2, picture.data(), 80, 48, true), source.frame(10)), 0);

    // Another output format without a new BEGIN: the codec begins again.
    BITMAPINFOHEADER rgb = wantedHeader(kRGB32, 80, 48, true);
    std::vector<uint8_t> rgbPicture(rgb.biSizeImage);
    uint8_t record[4] = {5, 0, 0, 0};
    input->biSizeImage = 4;
    ASSERT_EQ(ICDecompress(codec_, 0, input, record, &rgb, rgbPicture.data()), ICERR_OK);
    EXPECT_LE(largestDifference(pictureOfDibBits(rgb, rgbPicture),
                                referenceConversion(source.frame(5), kRGB32)),
              1);
    EXPECT_EQ(ICDecompressEnd(codec_), ICERR_OK);
}

TEST_F(Driver, LinksNamingLinksPlayButALinkNamingItselfIsRefused) {
    // A link whose source is itself a link: the codec is asked again, one
    // level down, and the frames are the innermost source's.
    SourceFrames source(codecMedia("rgb24.avi"));
    ASSERT_TRUE(source.opened());
    const std::vector<uint8_t> chain = linkFormat({kRGB24, outputsFromMask(8 | 4), codecMedia("rgb24-link.avi")});
    BITMAPINFOHEADER wanted = wantedHeader(kRGB24, 80, 48, false);
    ASSERT_EQ(ICDecompressBegin(codec_, asInfo(chain), &wanted), ICERR_OK);
    std::vector<uint8_t> input(chain);
    reinterpret_cast<BITMAPINFOHEADER*>(input.data())->biSizeImage = 4;
    std::vector<uint8_t> picture(wanted.biSizeImage);
    uint8_t record[4] = {7, 0, 0, 0};
    ASSERT_EQ(ICDecompress(codec_, 0, reinterpret_cast<BITMAPINFOHEADER*>(input.data()), record, &wanted,
                           picture.data()),
              ICERR_OK);
    EXPECT_EQ(largestDifference(pictureOfDibBits(wanted, picture), source.frame(7)), 0);
    ICDecompressEnd(codec_);

    // The same link file with its source path pointing at itself.
    std::vector<unsigned char> bytes = readFileBytes(codecMedia("rgb24-link.avi"));
    const std::string inner = codecMedia("rgb24.avi");
    const std::string self = joinPath(scratchFolder(), "self.avi");
    ASSERT_LE(self.size(), 38u);
    auto at = std::search(bytes.begin(), bytes.end(), inner.begin(), inner.end());
    ASSERT_NE(at, bytes.end());
    std::fill(at, at + 40, 0);
    std::copy(self.begin(), self.end(), at);
    ASSERT_TRUE(writeFileBytes(self, bytes));
    const std::vector<uint8_t> loop = linkFormat({kRGB24, outputsFromMask(8 | 4), self});
    EXPECT_NE(ICDecompressBegin(codec_, asInfo(loop), &wanted), ICERR_OK);
}
