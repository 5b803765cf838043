#include "core/pixel_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace orx {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

bool allZero(const uint8_t* memory, size_t bytes) {
    return std::all_of(memory, memory + bytes, [](uint8_t b) { return b == 0; });
}

TEST(PixelMemory, ReusesAReleasedFrameAndStillZeroesWhenAsked) {
    releaseCachedMappings();
    const size_t bytes = 15 * kMiB + 123;  // a 5 MP RGB frame
    uint8_t* first;
    {
        PixelMemory memory = allocatePixels(bytes, Fill::Zero);
        ASSERT_NE(memory, nullptr);
        ASSERT_TRUE(allZero(memory.get(), bytes));
        std::memset(memory.get(), 0x5A, bytes);
        first = memory.get();
    }
    EXPECT_EQ(mappingCacheState().mappings, 1u);
    {
        // The same frame again, dirty: fine for callers that overwrite it.
        PixelMemory again = allocatePixels(bytes, Fill::Anything);
        EXPECT_EQ(again.get(), first);
        EXPECT_EQ(mappingCacheState().mappings, 0u);
    }
    PixelMemory zeroed = allocatePixels(bytes, Fill::Zero);
    EXPECT_EQ(zeroed.get(), first);
    EXPECT_TRUE(allZero(zeroed.get(), bytes));
}

TEST(PixelMemory, KeepsFewMappingsAndMatchesSizes) {
    releaseCachedMappings();
    {
        std::vector<PixelMemory> frames;
        for (size_t i = 0; i < 10; ++i) frames.push_back(allocatePixels((8 + 2 * i) * kMiB, Fill::Anything));
    }
    // Only the newest eight stay, and no mapping serves a frame of another size.
    EXPECT_EQ(mappingCacheState().mappings, 8u);
    EXPECT_EQ(mappingCacheState().bytes, (12 + 14 + 16 + 18 + 20 + 22 + 24 + 26) * kMiB);
    PixelMemory other = allocatePixels(40 * kMiB, Fill::Anything);
    EXPECT_EQ(mappingCacheState().mappings, 8u);
    releaseCachedMappings();
    EXPECT_EQ(mappingCacheState().bytes, 0u);
}

TEST(PixelMemory, MidSizedImagesAreMappedInSmallSteps) {
    releaseCachedMappings();
    const size_t bytes = 1024 * 1024 * 3 + 5;  // a 1 MP RGB crop
    uint8_t* first;
    {
        PixelMemory memory = allocatePixels(bytes, Fill::Zero);
        ASSERT_NE(memory, nullptr);
        EXPECT_TRUE(allZero(memory.get(), bytes));
        first = memory.get();
    }
    // 3 MiB + 5 bytes take 3 MiB + 64 KiB, and a frame a few bytes larger
    // reuses them.
    EXPECT_EQ(mappingCacheState().bytes, 3 * kMiB + 64 * 1024);
    PixelMemory again = allocatePixels(bytes + 100, Fill::Anything);
    EXPECT_EQ(again.get(), first);
}

TEST(PixelMemory, SmallImagesStayOnTheHeap) {
    releaseCachedMappings();
    { PixelMemory small = allocatePixels(200 * 1024, Fill::Zero); }
    EXPECT_EQ(mappingCacheState().mappings, 0u);
}

}  // namespace
}  // namespace orx
