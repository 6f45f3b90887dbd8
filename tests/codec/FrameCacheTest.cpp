// The cache of decoded pictures: how many it holds for a picture size, and
// which survive a scrubbing pattern.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "avishim/FrameCache.h"

namespace {

// Looks a frame up and, on a miss, "decodes" it (writes its number into the
// slot), as the codec does. Returns true on a hit.
bool fetch(FrameCache& cache, uint32_t frame) {
    if (const uint8_t* hit = cache.find(frame)) {
        uint32_t stored = 0;
        std::memcpy(&stored, hit, sizeof stored);
        EXPECT_EQ(stored, frame) << "a slot answered for another frame";
        return true;
    }
    uint8_t* slot = cache.reserve();
    EXPECT_NE(slot, nullptr);
    if (slot == nullptr) return false;
    std::memcpy(slot, &frame, sizeof frame);
    cache.commit(frame);
    return false;
}

}  // namespace

TEST(FrameCache, HoldsEightPicturesOrSixtyFourMegabytesWhicheverIsLess) {
    struct Row {
        size_t pictureBytes;
        size_t capacity;
    };
    const Row rows[] = {
        {720 * 576 * 2, 8},     // PAL YUY2: count bound
        {1920 * 1080 * 4, 8},   // 8.3 MB: 64 MB hold 8 exactly
        {3840 * 2160 * 4, 2},   // 33 MB: two fit
        {40u << 20, 1},         // 40 MB: one only
        {100u << 20, 1},        // larger than the bound: still one
        {0, 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.pictureBytes));
        EXPECT_EQ(FrameCache(r.pictureBytes).capacity(), r.capacity);
    }
}

TEST(FrameCache, ScrubbingKeepsTheMostRecentlyUsedPictures) {
    struct Step {
        uint32_t frame;
        bool hit;
    };
    struct Pattern {
        const char* name;
        size_t capacity;
        std::vector<Step> steps;
    };
    const Pattern patterns[] = {
        {"a repeated frame is a hit", 3, {{5, false}, {5, true}, {5, true}}},
        {"stepping back within the cache",
         3,
         {{1, false}, {2, false}, {3, false}, {2, true}, {1, true}, {3, true}}},
        {"the least recently used goes first",
         3,
         {{1, false}, {2, false}, {3, false}, {1, true}, {4, false}, {2, false}, {1, true}}},
        {"one slot holds only the last",
         1,
         {{7, false}, {7, true}, {8, false}, {7, false}}},
        {"frame numbers past 2^31",
         2,
         {{0xFFFFFFFFu, false}, {0x80000000u, false}, {0xFFFFFFFFu, true}}},
    };
    for (const Pattern& p : patterns) {
        SCOPED_TRACE(p.name);
        FrameCache cache(64, p.capacity);
        for (size_t i = 0; i < p.steps.size(); ++i)
            EXPECT_EQ(fetch(cache, p.steps[i].frame), p.steps[i].hit) << "step " << i;
    }
}

TEST(FrameCache, ASlotTakenForDecodingNoLongerAnswersForItsOldFrame) {
    FrameCache cache(64, 1);
    fetch(cache, 1);
    // The decode into the only slot fails and is never committed: the old
    // picture is half overwritten and must not be found.
    ASSERT_NE(cache.reserve(), nullptr);
    EXPECT_EQ(cache.find(1), nullptr);
    EXPECT_FALSE(fetch(cache, 2));
    EXPECT_TRUE(fetch(cache, 2));
    cache.clear();
    EXPECT_EQ(cache.find(2), nullptr);
}
