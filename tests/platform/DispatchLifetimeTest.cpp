#include "platform/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace platform;

// A queue may be destroyed as soon as the work handed to it has run, even while the thread that
// handed it over is still returning from async(): that thread must be done with the queue by then.
// (A thread-sanitizer build reports the queue's own condition variable otherwise.)
TEST(SerialQueueLifetime, QueueCanGoAsSoonAsItsWorkHasRun)
{
    for (int round = 0; round < 100; ++round) {
        auto queue = std::make_unique<Dispatch::SerialQueue>();
        std::atomic<bool> ran{false};
        std::thread submitter([&queue, &ran] { queue->async([&ran] { ran = true; }); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ran.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        const bool done = ran.load();
        queue.reset();
        submitter.join();
        ASSERT_TRUE(done);
    }
}
