// The ordered pool: items come out in order on the calling thread whatever the threads and the run
// sizes, no item starts past the `ahead` bound, a pause holds every thread of the pool, and a stop or
// an inOrder answering false ends the run with nothing handed over after it.
#include "engine/OrderedParallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Waits until `condition` holds (a guard of a few seconds against a pool that never gets there).
template <typename Condition>
bool waitUntil(const Condition &condition)
{
    for (int i = 0; i < 10000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

// Some work that differs from item to item, so that runs finish out of order.
size_t workOf(size_t i)
{
    size_t value = i;
    for (size_t k = 0; k < (i * 7919) % 97 * 50; ++k)
        value = value * 6364136223846793005u + 1442695040888963407u;
    return value;
}

} // namespace

TEST(OrderedParallel, HandsEveryItemOverInOrderOnTheCallingThread)
{
    constexpr size_t n = 500;
    std::vector<size_t> expected(n);
    for (size_t i = 0; i < n; ++i)
        expected[i] = workOf(i);
    for (const unsigned threads : {1u, 4u}) {
        for (const OrderedParallel::Limits limits :
             {OrderedParallel::Limits{}, OrderedParallel::Limits{3, 0, 0, 0}, OrderedParallel::Limits{0, 2000, 0, 0}}) {
            SCOPED_TRACE(testing::Message()
                         << threads << " threads, runs of " << limits.run << ", run cost " << limits.runCost);
            ScanFlags flags;
            const std::thread::id caller = std::this_thread::get_id();
            std::vector<size_t> results(n);
            std::vector<std::thread::id> workedOn(n);
            std::vector<size_t> handed;
            bool onCaller = true;
            const bool completed = OrderedParallel(flags, flags.isSecondStepAbort, threads, limits)
                                       .run(
                                           n,
                                           [&](size_t i) {
                                               results[i] = workOf(i);
                                               workedOn[i] = std::this_thread::get_id();
                                               return OrderedParallel::Report{1, (i * 7919) % 97};
                                           },
                                           [&](size_t i) {
                                               // The item's work is done and seen here.
                                               EXPECT_EQ(results[i], expected[i]);
                                               onCaller = onCaller && std::this_thread::get_id() == caller;
                                               handed.push_back(i);
                                               return true;
                                           });
            EXPECT_TRUE(completed);
            EXPECT_TRUE(onCaller);
            ASSERT_EQ(handed.size(), n);
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(handed[i], i);
            if (threads == 1) {
                EXPECT_EQ(std::count(workedOn.begin(), workedOn.end(), caller), ptrdiff_t(n));
            }
        }
    }
}

// At most `ahead` results exist at once, so item i's may live in slot i % ahead: item 0 holds its
// run until items 1 and 2 are done, and nothing past them starts meanwhile.
TEST(OrderedParallel, StartsNoItemPastTheAheadBound)
{
    constexpr size_t n = 60;
    constexpr size_t ahead = 3;
    ScanFlags flags;
    OrderedParallel::Limits limits;
    limits.run = 1;
    limits.ahead = ahead;
    std::atomic<size_t> handedCount{0};
    std::atomic<size_t> doneCount{0};
    std::vector<size_t> slots(ahead, size_t(-1));
    std::atomic<bool> overrun{false};
    std::vector<size_t> handed;
    const bool completed = OrderedParallel(flags, flags.isSecondStepAbort, 4, limits)
                               .run(
                                   n,
                                   [&](size_t i) {
                                       if (i >= handedCount.load() + ahead)
                                           overrun = true;
                                       if (i == 0) {
                                           EXPECT_TRUE(waitUntil([&] { return doneCount.load() >= ahead - 1; }));
                                       }
                                       slots[i % ahead] = i;
                                       ++doneCount;
                                       return OrderedParallel::Report{};
                                   },
                                   [&](size_t i) {
                                       EXPECT_EQ(slots[i % ahead], i);
                                       handed.push_back(i);
                                       ++handedCount;
                                       return true;
                                   });
    EXPECT_TRUE(completed);
    EXPECT_FALSE(overrun.load());
    EXPECT_EQ(handed.size(), n);
}

TEST(OrderedParallel, APauseHoldsEveryThreadAndAStopOrARefusalEndsTheRun)
{
    constexpr size_t n = 100;
    constexpr unsigned threads = 3;
    OrderedParallel::Limits limits;
    limits.run = 1;
    limits.ahead = 4; // so the workers cannot finish every item before the pause
    enum class Then { Resume, StopPaused, Stop, Refuse };
    for (const Then then : {Then::Resume, Then::StopPaused, Then::Stop, Then::Refuse}) {
        SCOPED_TRACE(int(then));
        ScanFlags flags;
        std::atomic<size_t> worked{0};
        std::vector<char> sawStop(n, 0);
        std::vector<size_t> handed;
        const size_t last = 9; // the item whose hand-over pauses, stops or refuses
        bool completed = true;
        std::thread caller([&] {
            completed = OrderedParallel(flags, flags.isSecondStepAbort, threads, limits)
                            .run(
                                n,
                                [&](size_t i) {
                                    ++worked;
                                    sawStop[i] = flags.isSecondStepAbort.load();
                                    return OrderedParallel::Report{};
                                },
                                [&](size_t i) {
                                    EXPECT_FALSE(sawStop[i]) << "item " << i;
                                    handed.push_back(i);
                                    if (i != last)
                                        return true;
                                    if (then == Then::Resume || then == Then::StopPaused)
                                        flags.isPaused = true;
                                    else if (then == Then::Stop)
                                        flags.isSecondStepAbort = true;
                                    return then != Then::Refuse;
                                });
        });
        if (then == Then::Resume || then == Then::StopPaused) {
            // The workers hold before their next run, the calling thread before its next hand-over.
            EXPECT_TRUE(waitUntil([&] { return flags.heldThreads.load() == int(threads) + 1; }));
            const size_t workedWhenHeld = worked.load();
            if (then == Then::Resume)
                flags.isPaused = false;
            else
                flags.isSecondStepAbort = true; // the pause stays set
            caller.join();
            EXPECT_EQ(flags.heldThreads.load(), 0);
            if (then == Then::StopPaused) {
                EXPECT_EQ(worked.load(), workedWhenHeld);
            }
        } else {
            caller.join();
        }
        EXPECT_EQ(completed, then == Then::Resume);
        ASSERT_EQ(handed.size(), then == Then::Resume ? n : last + 1);
        for (size_t i = 0; i < handed.size(); ++i)
            ASSERT_EQ(handed[i], i);
    }
}

// Paused before it starts, the pool takes no item; stopped then, it ends with nothing handed over.
TEST(OrderedParallel, PausedFromTheStartTakesNoItemUntilStopped)
{
    ScanFlags flags;
    flags.isPaused = true;
    std::atomic<size_t> worked{0};
    size_t handed = 0;
    bool completed = true;
    std::thread caller([&] {
        completed = runOrdered(
            50, 4, flags, flags.isSecondStepAbort, [&](size_t) { ++worked; },
            [&](size_t) {
                ++handed;
                return true;
            });
    });
    EXPECT_TRUE(waitUntil([&] { return flags.heldThreads.load() == 5; }));
    EXPECT_EQ(worked.load(), 0u);
    flags.isSecondStepAbort = true;
    caller.join();
    EXPECT_FALSE(completed);
    EXPECT_EQ(handed, 0u);
    EXPECT_EQ(worked.load(), 0u);
}
