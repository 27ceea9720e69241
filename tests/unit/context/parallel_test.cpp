// Work spread over the cores: every item made once, handed on in order, failures carried back.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "context/parallel.h"

using namespace tessar;

TEST(ParallelBlocks, EveryItemOnceWithAThreadIndexInRange) {
    for (size_t n : {0u, 1u, 5u, 1000u}) {
        std::vector<std::atomic<int>> seen(n);
        std::atomic<bool> thread_in_range{true};
        parallel_blocks(n, 7, [&](size_t thread, size_t begin, size_t end) {
            if (thread >= worker_count()) thread_in_range = false;
            for (size_t i = begin; i < end; ++i) ++seen[i];
        });
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(seen[i], 1) << i;
        EXPECT_TRUE(thread_in_range);
    }
}

TEST(ParallelBlocks, AFailureIsThrownAgainOnceTheThreadsStop) {
    std::atomic<int> blocks{0};
    EXPECT_THROW(parallel_blocks(10000, 1,
                                 [&](size_t, size_t begin, size_t) {
                                     ++blocks;
                                     if (begin == 3) throw std::runtime_error("block 3");
                                 }),
                 std::runtime_error);
    EXPECT_LT(blocks.load(), 10000);  // the others stopped taking blocks
}

TEST(OrderedChunks, ConsumedInOrderAndNeverOverwrittenBeforeUse) {
    for (size_t n : {0u, 1u, 9u, 500u}) {
        const size_t chunk = 4, ahead = 3;
        std::vector<size_t> ring(chunk * ahead, SIZE_MAX);
        std::vector<size_t> consumed;
        ordered_chunks(
            n, chunk, ahead,
            [&](size_t, size_t begin, size_t end) {
                for (size_t i = begin; i < end; ++i) ring[i % ring.size()] = i;
            },
            [&](size_t begin, size_t end) {
                for (size_t i = begin; i < end; ++i) {
                    EXPECT_EQ(ring[i % ring.size()], i);
                    consumed.push_back(i);
                }
            });
        ASSERT_EQ(consumed.size(), n);
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(consumed[i], i);
    }
}

TEST(OrderedChunks, FailuresOfMakingOrConsumingAreThrownAgain) {
    EXPECT_THROW(ordered_chunks(
                     100, 2, 4,
                     [](size_t, size_t begin, size_t) {
                         if (begin == 40) throw std::runtime_error("make");
                     },
                     [](size_t, size_t) {}),
                 std::runtime_error);
    size_t last = 0;
    EXPECT_THROW(ordered_chunks(
                     100, 2, 4, [](size_t, size_t, size_t) {},
                     [&](size_t begin, size_t) {
                         last = begin;
                         if (begin == 20) throw std::logic_error("consume");
                     }),
                 std::logic_error);
    EXPECT_EQ(last, 20u);
}
