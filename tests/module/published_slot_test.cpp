// Publication of lazily built state when several threads build it at once: one copy wins,
// every thread gets that one, and each loser's copy is discarded exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "module/published_slot.h"

namespace {

TEST(PublishedSlotTest, OneOfManyRacingCopiesIsPublishedAndTheOthersAreDiscarded) {
    constexpr int kThreads = 8;
    for (int round = 0; round < 50; ++round) {
        std::atomic<int*> slot{nullptr};
        std::atomic<int> ready{0}, discarded{0};
        std::vector<int*> seen(kThreads, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                int* mine = new int(i);
                ready.fetch_add(1);
                while (ready.load() < kThreads) std::this_thread::yield();
                seen[i] = velmor::Publish(slot, mine, [&](int* lost) {
                    delete lost;
                    discarded.fetch_add(1);
                });
            });
        }
        for (std::thread& t : threads) t.join();
        int* winner = velmor::Published(slot);
        ASSERT_NE(nullptr, winner);
        EXPECT_EQ(kThreads - 1, discarded.load());
        for (int* p : seen) EXPECT_EQ(winner, p);
        EXPECT_EQ(winner, velmor::Unpublish(slot));
        EXPECT_EQ(nullptr, velmor::Published(slot));
        delete winner;
    }
}

}  // namespace
