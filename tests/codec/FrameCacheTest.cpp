// The cache of decoded pictures that every open link of a process shares:
// how much it holds, which pictures survive a scrubbing pattern, and that
// pictures stay whole while links on several threads use it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "avishim/FrameCache.h"

namespace {

// Looks a frame up and, on a miss, "decodes" it (writes its number into a
// reserved picture) and commits it, as the codec does. Returns true on a hit.
bool fetch(FrameCache& cache, uint32_t frame, uint64_t owner = 1, size_t bytes = 64) {
    if (FrameCache::Picture hit = cache.find(owner, frame)) {
        uint32_t stored = 0;
        std::memcpy(&stored, hit.get(), sizeof stored);
        EXPECT_EQ(stored, frame) << "a picture answered for another frame";
        return true;
    }
    FrameCache::Picture slot = cache.reserve(bytes);
    EXPECT_NE(slot, nullptr);
    if (slot == nullptr) return false;
    std::memcpy(slot.get(), &frame, sizeof frame);
    cache.commit(owner, frame, slot, bytes);
    return false;
}

}  // namespace

TEST(FrameCache, HoldsPicturesUpToOneBudgetForTheWholeProcess) {
    EXPECT_EQ(FrameCache::budgetForPointerBytes(4), size_t{64} << 20);
    EXPECT_EQ(FrameCache::budgetForPointerBytes(8), size_t{256} << 20);
    EXPECT_EQ(FrameCache::shared().budget(), FrameCache::budgetForPointerBytes(sizeof(void*)));
    struct Row {
        size_t pictureBytes;
        size_t capacity;
    };
    const Row rows[] = {
        {720 * 576 * 2, 80},    // PAL YUY2
        {1920 * 1080 * 4, 8},   // 8.3 MB: 64 MB hold 8 exactly
        {3840 * 2160 * 4, 2},   // 33 MB: two fit
        {40u << 20, 1},         // 40 MB: one only
        {(64u << 20) + 1, 0},   // larger than the budget: never kept
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.pictureBytes));
        FrameCache cache(size_t{64} << 20);
        // Pictures of two sources count against the same budget.
        for (uint32_t frame = 0; frame < r.capacity + 2; ++frame)
            fetch(cache, frame, 1 + frame % 2, r.pictureBytes);
        EXPECT_EQ(cache.picturesHeld(), r.capacity);
        EXPECT_LE(cache.bytesHeld(), cache.budget());
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
        FrameCache cache(64 * p.capacity);
        for (size_t i = 0; i < p.steps.size(); ++i)
            EXPECT_EQ(fetch(cache, p.steps[i].frame), p.steps[i].hit) << "step " << i;
    }
}

TEST(FrameCache, ASlotTakenForDecodingNoLongerAnswersForItsOldFrame) {
    FrameCache cache(64);
    fetch(cache, 1);
    // The only picture makes way for the decode, which fails and is never
    // committed: the old picture is half overwritten and must not be found.
    ASSERT_NE(cache.reserve(64), nullptr);
    EXPECT_EQ(cache.find(1, 1), nullptr);
    EXPECT_FALSE(fetch(cache, 2));
    EXPECT_TRUE(fetch(cache, 2));
    cache.clear();
    EXPECT_EQ(cache.find(1, 2), nullptr);
}

TEST(FrameCache, SourcesKeepTheirOwnPicturesAndAHeldPictureStaysWhole) {
    FrameCache cache(64 * 4);
    const uint64_t first = cache.newOwner();
    const uint64_t second = cache.newOwner();
    ASSERT_NE(first, second);
    EXPECT_FALSE(fetch(cache, 5, first));
    EXPECT_FALSE(fetch(cache, 5, second));
    EXPECT_TRUE(fetch(cache, 5, first));
    // A closed source's pictures go; the other's stay.
    cache.forget(first);
    EXPECT_EQ(cache.find(first, 5), nullptr);
    EXPECT_TRUE(fetch(cache, 5, second));

    // A picture being converted from is pushed out by other links' decodes,
    // but its memory is not handed to them while it is held.
    FrameCache::Picture held = cache.find(second, 5);
    for (uint32_t frame = 100; frame < 110; ++frame) fetch(cache, frame, first);
    EXPECT_EQ(cache.find(second, 5), nullptr);
    uint32_t stored = 0;
    std::memcpy(&stored, held.get(), sizeof stored);
    EXPECT_EQ(stored, 5u);
}

TEST(FrameCache, LinksOnSeveralThreadsShareItSafely) {
    FrameCache cache(64 * 16);
    std::vector<std::thread> links;
    for (uint64_t owner = 1; owner <= 4; ++owner)
        links.emplace_back([&cache, owner] {
            for (uint32_t step = 0; step < 20000; ++step) fetch(cache, step % 24, owner);
        });
    for (std::thread& link : links) link.join();
    EXPECT_LE(cache.bytesHeld(), cache.budget());
    EXPECT_EQ(cache.picturesHeld(), 16u);
}

TEST(FrameCache, PicturesOfPlaybackMakeWayFirstUnlessAskedForAgain) {
    FrameCache cache(64 * 8);
    fetch(cache, 1);
    auto playback = [&cache](uint32_t frame) {
        FrameCache::Picture picture = cache.reserve(64);
        std::memcpy(picture.get(), &frame, sizeof frame);
        cache.commit(1, frame, picture, 64, true);
        return picture.get();
    };
    // Playing on reuses the one picture, with most of the budget left.
    uint8_t* first = playback(2);
    EXPECT_EQ(playback(3), first);
    EXPECT_EQ(playback(4), first);
    EXPECT_EQ(cache.picturesHeld(), 2u);
    EXPECT_TRUE(fetch(cache, 1));
    // Frame 4 asked for again is kept like any other.
    EXPECT_TRUE(fetch(cache, 4));
    EXPECT_NE(playback(5), first);
    EXPECT_TRUE(fetch(cache, 4));
    EXPECT_TRUE(fetch(cache, 1));
}
