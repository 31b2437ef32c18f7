#include "platform/Async.h"
#include "platform/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace platform;

namespace {

bool spinUntil(const std::function<bool()> &pred)
{
    return Dispatch::runMainLoopUntil(pred, 10000);
}

} // namespace

TEST(AsyncBlock, ChainPassesEachResultToTheNextLink)
{
    std::atomic<bool> firstOnMain{false};
    std::atomic<bool> secondOnMain{true};
    auto first = Async::main([&] {
        firstOnMain = Dispatch::isMainThread();
        return 1;
    });
    auto second = first.background([&](int value) {
        secondOnMain = Dispatch::isMainThread();
        return value + 1;
    });
    EXPECT_FALSE(second.output());
    ASSERT_TRUE(spinUntil([&] { return second.output().has_value(); }));
    EXPECT_EQ(*second.output(), 2);
    EXPECT_EQ(second.input, first.output_);
    EXPECT_EQ(first.input, nullptr);
    EXPECT_TRUE(firstOnMain);
    EXPECT_FALSE(secondOnMain);
}

TEST(AsyncBlock, MainLinksRunInSubmissionOrderAndVoidBlocksChain)
{
    std::vector<int> seen;
    auto a = Async::main([&] { seen.push_back(1); });
    auto b = Async::main([&] { seen.push_back(2); });
    auto c = b.main([&] {
        seen.push_back(3);
        return QString("done");
    });
    auto d = c.utility([](const QString &text) { return text.size(); }, 0.01);
    ASSERT_TRUE(spinUntil([&] { return d.output().has_value(); }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(*d.output(), 4);
    EXPECT_TRUE(a.output().has_value());
}

TEST(AsyncBlock, WaitTimesOutWhileQueuedAndSucceedsOnceRun)
{
    // The main loop does not turn while this thread waits, so a main-queue link stays queued.
    auto link = Async::main([] { return 5; });
    EXPECT_EQ(link.wait(0.1), DispatchTimeoutResult::timedOut);
    ASSERT_TRUE(spinUntil([&] { return link.output().has_value(); }));
    EXPECT_EQ(link.wait(), DispatchTimeoutResult::success);

    auto background = Async::background([] { return 6; });
    EXPECT_EQ(background.wait(), DispatchTimeoutResult::success);
    EXPECT_EQ(background.output(), 6);
}

TEST(AsyncBlock, CancelledLinkRunsNothingAndItsFollowerNeither)
{
    std::atomic<int> calls{0};
    auto first = Async::main([&] {
        ++calls;
        return 1;
    });
    first.cancel();
    auto second = first.background([&](int v) {
        ++calls;
        return v;
    });
    ASSERT_TRUE(spinUntil([&] { return second.block->isFinished(); }));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(first.output());
    EXPECT_FALSE(second.output());
    EXPECT_EQ(first.wait(), DispatchTimeoutResult::success);
}

TEST(AsyncBlock, CustomQueueAndDelayedStart)
{
    Dispatch::SerialQueue queue;
    std::atomic<std::thread::id> ranOn{};
    auto link = Async::custom(
        queueOf(queue),
        [&] {
            ranOn = std::this_thread::get_id();
            return 7;
        },
        0.05);
    EXPECT_EQ(link.wait(10.0), DispatchTimeoutResult::success);
    EXPECT_EQ(link.output(), 7);
    EXPECT_NE(ranOn.load(), std::this_thread::get_id());
}

TEST(Apply, ReturnsAtOnceAndRunsEveryIndexOnce)
{
    std::mutex mutex;
    std::condition_variable opened;
    bool gate = false;
    std::vector<int> counts(4, 0);
    std::atomic<int> sawGateOpen{0};
    std::atomic<int> finished{0};

    Apply::background(4, [&](std::size_t index) {
        std::unique_lock lock(mutex);
        if (opened.wait_for(lock, std::chrono::seconds(10), [&] { return gate; }))
            ++sawGateOpen;
        ++counts[index];
        // The test's locals may go as soon as the last iteration counts itself finished: the lock
        // is given back first.
        lock.unlock();
        ++finished;
    });
    {
        std::lock_guard lock(mutex);
        gate = true; // only reached when Apply did not wait for its iterations
    }
    opened.notify_all();
    ASSERT_TRUE(spinUntil([&] { return finished == 4; }));
    EXPECT_EQ(sawGateOpen, 4);
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 1, 1}));
}

TEST(AsyncGroup, WaitCoversEveryMemberAndEnterLeave)
{
    AsyncGroup group;
    std::atomic<int> done{0};
    for (int i = 0; i < 8; ++i)
        group.background([&] { ++done; });
    group.userInitiated([&] { ++done; });
    EXPECT_EQ(group.wait(10.0), DispatchTimeoutResult::success);
    EXPECT_EQ(done, 9);

    group.enter();
    EXPECT_EQ(group.wait(0.05), DispatchTimeoutResult::timedOut);
    group.leave();
    EXPECT_EQ(group.wait(), DispatchTimeoutResult::success);

    testing::internal::CaptureStderr();
    group.leave(); // unbalanced: ignored
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(group.wait(0.05), DispatchTimeoutResult::success);
}

TEST(AsyncGroup, MainMembersRunOnTheMainThread)
{
    AsyncGroup group;
    std::atomic<bool> onMain{false};
    group.main([&] { onMain = Dispatch::isMainThread(); });
    EXPECT_EQ(group.wait(0.05), DispatchTimeoutResult::timedOut); // the main loop is not turning
    ASSERT_TRUE(spinUntil([&] { return group.wait(0) == DispatchTimeoutResult::success; }));
    EXPECT_TRUE(onMain);
}

TEST(QoSDescription, NamesEveryClassAndMainFirst)
{
    EXPECT_EQ(qosDescription(qosClassMain()), "Main");
    EXPECT_EQ(qosDescription(QoSClass::userInteractive), "Main");
    EXPECT_EQ(qosDescription(QoSClass::userInitiated), "User Initiated");
    EXPECT_EQ(qosDescription(QoSClass::defaultClass), "Default");
    EXPECT_EQ(qosDescription(QoSClass::utility), "Utility");
    EXPECT_EQ(qosDescription(QoSClass::background), "Background");
    EXPECT_EQ(qosDescription(QoSClass::unspecified), "Unspecified");
    EXPECT_EQ(qosDescription(99), "Unknown");
}
