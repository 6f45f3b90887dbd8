// The video format the writer builds, read back by the codec's parser, and
// every way a format handed to the codec can be wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/LittleEndian.h"
#include "link/StoredPath.h"
#include "link/VideoLinkParser.h"
#include "link/VideoRecords.h"

namespace {

std::vector<uint8_t> formatFor(const VideoLinkFields& fields, int32_t bitCount = 24) {
    const int64_t sizeImage = int64_t{fields.width} * fields.height * bitCount / 8;
    const VideoFormat format = buildVideoFormat(fields.width, fields.height, bitCount,
                                                static_cast<int32_t>(sizeImage),
                                                buildVideoLinkData(fields));
    return {format.begin(), format.end()};
}

VideoLinkFields palYuy2() {
    return VideoLinkFields{250, 576, 720, 2, "M:\\codec\\clip.avi",
                           AllowedOutputs{true, false, true, false}, 1};
}

}  // namespace

TEST(VideoLinkParser, ReadsBackWhatTheWriterBuilt) {
    const std::string longest(38, 'p');
    const VideoLinkFields cases[] = {
        palYuy2(),
        {1000, 576, 720, 1, "c:\\ORVserver.avs", AllowedOutputs{false, false, false, true}, 1},
        {1, 1, 1, 3, longest.c_str(), AllowedOutputs{true, true, true, true}, 1},
        {3, 16384, 16384, 4, "x", AllowedOutputs{true, false, false, false}, 0},
    };
    for (const VideoLinkFields& f : cases) {
        SCOPED_TRACE(f.sourcePath);
        const std::vector<uint8_t> format = formatFor(f);
        VideoLink link{};
        ASSERT_EQ(parseVideoLinkFormat(format.data(), static_cast<uint32_t>(format.size()), &link),
                  LinkFormatFault::none);
        EXPECT_EQ(link.nrFrames, f.nrFrames);
        EXPECT_EQ(link.width, f.width);
        EXPECT_EQ(link.height, f.height);
        EXPECT_EQ(link.formatCode, f.formatCode);
        EXPECT_STREQ(link.sourcePath, f.sourcePath);
        EXPECT_EQ(link.outputs.rgb32, f.outputs.rgb32);
        EXPECT_EQ(link.outputs.rgb24, f.outputs.rgb24);
        EXPECT_EQ(link.outputs.yuy2, f.outputs.yuy2);
        EXPECT_EQ(link.outputs.yv12, f.outputs.yv12);
        EXPECT_EQ(link.linkOption, f.linkOption);
        for (int32_t code = 0; code <= 5; ++code)
            EXPECT_EQ(link.allows(code), (code == 1 && f.outputs.yv12) || (code == 2 && f.outputs.yuy2) ||
                                             (code == 3 && f.outputs.rgb24) || (code == 4 && f.outputs.rgb32));
    }
}

TEST(VideoLinkParser, RefusesEveryMalformedFormat) {
    using Edit = std::function<void(std::vector<uint8_t>&)>;
    struct Row {
        const char* name;
        Edit edit;
        uint32_t available;  // 0: the whole format
        LinkFormatFault fault;
    };
    const Row rows[] = {
        {"a well-formed link", [](auto&) {}, 0, LinkFormatFault::none},
        {"lower-case FOURCC", [](auto& f) { putU32(&f[16], fourcc("shim")); }, 0, LinkFormatFault::none},
        {"top-down height", [](auto& f) { putI32(&f[8], -576); }, 0, LinkFormatFault::none},
        {"biSize of 108", [](auto& f) { putU32(&f[0], 108); }, 0, LinkFormatFault::none},
        {"108 bytes handed over", [](auto&) {}, 108, LinkFormatFault::none},
        {"39-character path", [](auto& f) { std::memset(&f[60], 'p', 39); }, 0, LinkFormatFault::none},
        {"a plain bitmap header", [](auto& f) { putU32(&f[0], 40); }, 0, LinkFormatFault::tooShort},
        {"fewer bytes than biSize claims", [](auto&) {}, 107, LinkFormatFault::tooShort},
        {"foreign FOURCC", [](auto& f) { putU32(&f[16], fourcc("cvid")); }, 0, LinkFormatFault::notShim},
        {"RGB", [](auto& f) { putU32(&f[16], 0); }, 0, LinkFormatFault::notShim},
        {"version 1", [](auto& f) { putI32(&f[40], 1); }, 0, LinkFormatFault::wrongVersion},
        {"zero width", [](auto& f) { putI32(&f[52], 0); putI32(&f[4], 0); }, 0, LinkFormatFault::badSize},
        {"negative link height", [](auto& f) { putI32(&f[48], -576); }, 0, LinkFormatFault::badSize},
        {"absurd width", [](auto& f) { putI32(&f[52], 1 << 20); putI32(&f[4], 1 << 20); }, 0,
         LinkFormatFault::badSize},
        {"width differs", [](auto& f) { putI32(&f[4], 704); }, 0, LinkFormatFault::sizeMismatch},
        {"height differs", [](auto& f) { putI32(&f[8], 480); }, 0, LinkFormatFault::sizeMismatch},
        {"format code 0", [](auto& f) { putI32(&f[56], 0); }, 0, LinkFormatFault::badFormatCode},
        {"format code 5", [](auto& f) { putI32(&f[56], 5); }, 0, LinkFormatFault::badFormatCode},
        {"path without NUL", [](auto& f) { std::memset(&f[60], 'a', 40); }, 0,
         LinkFormatFault::pathUnterminated},
        {"empty path", [](auto& f) { f[60] = 0; }, 0, LinkFormatFault::emptyPath},
        {"no output allowed", [](auto& f) { std::memset(&f[100], 0, 4); }, 0, LinkFormatFault::noOutput},
        {"flags other than 1 allow nothing", [](auto& f) { std::memset(&f[100], 2, 4); }, 0,
         LinkFormatFault::noOutput},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> format = formatFor(palYuy2());
        row.edit(format);
        const uint32_t available = row.available != 0 ? row.available : static_cast<uint32_t>(format.size());
        VideoLink link{};
        EXPECT_EQ(parseVideoLinkFormat(format.data(), available, &link), row.fault);
    }
    EXPECT_EQ(parseVideoLinkFormat(nullptr, 112, nullptr), LinkFormatFault::tooShort);
}

TEST(VideoLinkParser, APathBlockNamesTheSourceAndIsCheckedLikeEveryField) {
    VideoLinkFields empty = palYuy2();
    empty.sourcePath = "";
    const VideoFormat base = [&] {
        const std::vector<uint8_t> f = formatFor(empty);
        VideoFormat fixed{};
        std::copy(f.begin(), f.end(), fixed.begin());
        return fixed;
    }();
    const std::string longest = "S:\\" + std::string(251, 'p') + "\xE4\xB8\xAD\xF0\x9F\x98\x80.avi";
    for (const std::string& path : {std::string("S:\\\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE\\c.avi"), longest}) {
        const std::vector<uint8_t> format = videoFormatWithPath(base, path);
        VideoLink link;
        std::memset(&link, 0xFF, sizeof link);  // the terminator must come from the parser
        ASSERT_EQ(parseVideoLinkFormat(format.data(), static_cast<uint32_t>(format.size()), &link),
                  LinkFormatFault::none);
        EXPECT_EQ(std::string(link.sourcePath), path);
        EXPECT_TRUE(link.sourcePathIsUtf8);
        EXPECT_EQ(link.width, 720);
    }
    VideoLink plain{};
    const std::vector<uint8_t> plainFormat = formatFor(palYuy2());
    ASSERT_EQ(parseVideoLinkFormat(plainFormat.data(), 112, &plain), LinkFormatFault::none);
    EXPECT_FALSE(plain.sourcePathIsUtf8);

    using Edit = std::function<void(std::vector<uint8_t>&)>;
    // The block of "S:\\x.avi" sits at 112: tag, length 9, text, padding to 12.
    struct Row {
        const char* name;
        Edit edit;
        LinkFormatFault fault;
    };
    auto grow = [](std::vector<uint8_t>& f, std::vector<uint8_t> more) {
        f.insert(f.end(), more.begin(), more.end());
        putU32(&f[0], static_cast<uint32_t>(f.size()));
    };
    const Row rows[] = {
        {"as built", [](auto&) {}, LinkFormatFault::none},
        {"an unknown block before it is skipped",
         [](auto& f) { f.insert(f.begin() + 112, {'n', 'e', 'x', 't', 4, 0, 0, 0, 1, 2, 3, 4});
                       putU32(&f[0], static_cast<uint32_t>(f.size())); },
         LinkFormatFault::none},
        {"an empty unknown block after it", [&](auto& f) { grow(f, {'n', 'e', 'x', 't', 0, 0, 0, 0}); },
         LinkFormatFault::none},
        {"an unknown block claiming 4 GB",
         [](auto& f) { f.insert(f.begin() + 112, {'n', 'e', 'x', 't', 0xFF, 0xFF, 0xFF, 0xFF});
                       putU32(&f[0], static_cast<uint32_t>(f.size())); },
         LinkFormatFault::badPathBlock},
        {"only an unknown block: the field is needed", [](auto& f) { putU32(&f[112], fourcc("next")); },
         LinkFormatFault::emptyPath},
        {"biSize past the bytes given", [](auto& f) { putU32(&f[0], static_cast<uint32_t>(f.size() + 8)); },
         LinkFormatFault::badPathBlock},
        {"biSize beyond any block", [](auto& f) { f.resize(112 + 4100); putU32(&f[0], 112 + 4100); },
         LinkFormatFault::badPathBlock},
        {"half a block header", [&](auto& f) { grow(f, {'P', 'A'}); }, LinkFormatFault::badPathBlock},
        {"a tag without its length", [&](auto& f) { grow(f, {'n', 'e', 'x', 't'}); }, LinkFormatFault::badPathBlock},
        {"length past the end", [](auto& f) { putU32(&f[116], 13); }, LinkFormatFault::badPathBlock},
        {"padding cut off", [](auto& f) { f.pop_back(); putU32(&f[0], static_cast<uint32_t>(f.size())); },
         LinkFormatFault::badPathBlock},
        {"no terminator", [](auto& f) { f[128] = 'x'; }, LinkFormatFault::badPathBlock},
        {"a NUL inside", [](auto& f) { f[122] = 0; }, LinkFormatFault::badPathBlock},
        {"empty text", [](auto& f) { putU32(&f[116], 1); f[120] = 0; }, LinkFormatFault::badPathBlock},
        {"not UTF-8", [](auto& f) { f[123] = 0xC0; f[124] = 0xAF; }, LinkFormatFault::badPathBlock},
        {"a second path block", [&](auto& f) { grow(f, buildPathBlock("T:\\y.avi")); },
         LinkFormatFault::badPathBlock},
        {"text longer than any path", [&](auto& f) {
             f.resize(112);
             grow(f, buildPathBlock(std::string(kMaxPathText, 'q')));
         }, LinkFormatFault::badPathBlock},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> format = videoFormatWithPath(base, "S:\\x.avi");
        row.edit(format);
        const std::vector<uint8_t> exact(format.begin(), format.end());  // no spare capacity to read
        VideoLink link{};
        EXPECT_EQ(parseVideoLinkFormat(exact.data(), static_cast<uint32_t>(exact.size()), &link), row.fault);
        if (row.fault == LinkFormatFault::none) {
            EXPECT_STREQ(link.sourcePath, "S:\\x.avi");
        }
    }
}

TEST(VideoLinkParser, FourccsCompareWithoutCase) {
    EXPECT_TRUE(sameFourccIgnoringCase(fourcc("SHIM"), fourcc("shim")));
    EXPECT_TRUE(sameFourccIgnoringCase(fourcc("YV12"), fourcc("yv12")));
    EXPECT_TRUE(sameFourccIgnoringCase(fourcc("AZaz"), fourcc("azAZ")));
    EXPECT_FALSE(sameFourccIgnoringCase(fourcc("YV12"), fourcc("YUY2")));
    EXPECT_FALSE(sameFourccIgnoringCase(fourcc("SHIM"), fourcc("SHIX")));
    // Only letters fold: '@' (0x40) is not '`' (0x60).
    EXPECT_FALSE(sameFourccIgnoringCase(fourcc("@@@@"), fourcc("````")));
}
