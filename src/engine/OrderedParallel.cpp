#include "engine/OrderedParallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

void waitWhilePaused(const ScanFlags &flags)
{
    if (!flags.isPaused.load())
        return;
    ++flags.heldThreads;
    while (flags.isPaused.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    --flags.heldThreads;
}

unsigned defaultThreadCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

bool runOrdered(size_t n, unsigned threads, const ScanFlags &flags, const std::atomic<bool> &stopFlag,
                const std::function<void(size_t)> &work, const std::function<bool(size_t)> &inOrder, size_t batch)
{
    if (n == 0)
        return true;
    threads = unsigned(std::min<size_t>(std::max(1u, threads), n));
    if (threads == 1) {
        for (size_t i = 0; i < n; ++i) {
            waitWhilePaused(flags);
            if (stopFlag.load())
                return false;
            work(i);
            if (!inOrder(i))
                return false;
        }
        return true;
    }

    if (batch == 0)
        batch = std::clamp<size_t>(n / (size_t(threads) * 32), 1, 64);

    std::mutex mutex;
    std::condition_variable doneChanged;
    std::vector<char> done(n, 0);
    std::atomic<size_t> next{0};
    std::atomic<bool> quit{false};

    auto worker = [&] {
        for (;;) {
            if (flags.isPaused.load()) {
                ++flags.heldThreads;
                while (flags.isPaused.load() && !quit.load() && !stopFlag.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                --flags.heldThreads;
            }
            if (quit.load() || stopFlag.load())
                return;
            const size_t first = next.fetch_add(batch);
            if (first >= n)
                return;
            const size_t last = std::min(n, first + batch);
            for (size_t i = first; i < last; ++i)
                work(i);
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (size_t i = first; i < last; ++i)
                    done[i] = 1;
            }
            doneChanged.notify_one();
        }
    };

    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(worker);

    bool completed = true;
    size_t k = 0;
    while (k < n) {
        size_t end = k;
        {
            std::unique_lock<std::mutex> lock(mutex);
            doneChanged.wait_for(lock, std::chrono::milliseconds(20), [&] { return done[k] != 0; });
            while (end < n && done[end])
                ++end;
        }
        if (end == k) {
            if (stopFlag.load()) {
                completed = false;
                break;
            }
            continue;
        }
        for (; k < end; ++k) {
            if (!inOrder(k)) {
                completed = false;
                break;
            }
        }
        if (!completed)
            break;
    }

    quit.store(true);
    for (auto &thread : pool)
        thread.join();
    return completed;
}
