#include "core/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace orx {
namespace {

// Counts how often each row was handed out.
std::vector<int> coverage(size_t rows, size_t grain) {
    std::vector<std::atomic<int>> seen(rows);
    parallelFor(rows, grain, [&](size_t begin, size_t end) {
        EXPECT_LT(begin, end);
        for (size_t row = begin; row < end; ++row) seen[row]++;
    });
    std::vector<int> counts;
    for (auto& count : seen) counts.push_back(count.load());
    return counts;
}

TEST(ParallelFor, HandsOutEveryRowExactlyOnce) {
    for (size_t rows : {0u, 1u, 2u, 7u, 64u, 1000u, 4097u})
        for (size_t grain : {0u, 1u, 3u, 16u, 5000u})
            EXPECT_EQ(coverage(rows, grain), std::vector<int>(rows, 1))
                << rows << " rows, grain " << grain;
}

TEST(ParallelFor, CutsOnlyAtMultiplesOfTheGrain) {
    for (size_t grain : {1u, 8u, 64u})
        parallelFor(1003, grain, [&](size_t begin, size_t end) {
            EXPECT_EQ(begin % grain, 0u);
            if (end < 1003) {
                EXPECT_EQ(end % grain, 0u);
            }
        });
}

TEST(ParallelFor, OneThreadRunsTheWholeRangeInOneCall) {
    setThreadLimit(1);
    std::vector<std::pair<size_t, size_t>> calls;
    parallelFor(500, 1, [&](size_t begin, size_t end) { calls.emplace_back(begin, end); });
    setThreadLimit(0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(size_t{0}, size_t{500}));
}

TEST(ParallelFor, NestedAndConcurrentCallsFinish) {
    // Every outer chunk starts inner loops while other threads do the same;
    // a pool that waited for free workers would deadlock here.
    constexpr size_t kCallers = 4;
    constexpr size_t kOuterRows = 32;
    constexpr size_t kInnerRows = 100;
    std::atomic<size_t> total{0};
    std::vector<std::thread> callers;
    for (size_t c = 0; c < kCallers; ++c)
        callers.emplace_back([&] {
            parallelFor(kOuterRows, 1, [&](size_t begin, size_t end) {
                for (size_t row = begin; row < end; ++row)
                    parallelFor(kInnerRows, 1, [&](size_t b, size_t e) { total += e - b; });
            });
        });
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(total.load(), kCallers * kOuterRows * kInnerRows);
}

}  // namespace
}  // namespace orx
