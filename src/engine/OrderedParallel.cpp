#include "engine/OrderedParallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Holds while flags.isPaused is set, counted in flags.heldThreads, until the pause ends or leave()
// answers true; gives !leave().
template <typename Leave>
bool holdWhilePaused(const ScanFlags &flags, const Leave &leave)
{
    if (flags.isPaused.load()) {
        ++flags.heldThreads;
        for (;;) {
            const uint32_t seen = flags.changeCount();
            if (!flags.isPaused.load() || leave())
                break;
            flags.waitForChange(seen);
        }
        --flags.heldThreads;
    }
    return !leave();
}

} // namespace

bool waitWhilePaused(const ScanFlags &flags, const ScanFlags::Switch &stop)
{
    return holdWhilePaused(flags, [&] { return stop.load(); });
}

bool waitWhilePaused(const ScanFlags &flags)
{
    return holdWhilePaused(flags, [&] { return flags.isFirstStepAbort.load() || flags.isSecondStepAbort.load(); });
}

unsigned defaultThreadCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

OrderedParallel::OrderedParallel(const ScanFlags &flags, const ScanFlags::Switch &stop, unsigned threads, Limits limits)
    : flags_(flags)
    , stop_(stop)
    , threads_(threads)
    , limits_(limits)
{
}

bool OrderedParallel::runHere(size_t n, const std::function<Report(size_t)> &work,
                              const std::function<bool(size_t)> &inOrder)
{
    for (size_t i = 0; i < n; ++i) {
        if (!waitWhilePaused(flags_, stop_))
            return false;
        work(i);
        if (!waitWhilePaused(flags_, stop_) || !inOrder(i))
            return false;
    }
    return true;
}

bool OrderedParallel::run(size_t n, const std::function<Report(size_t)> &work,
                          const std::function<bool(size_t)> &inOrder)
{
    if (n == 0)
        return true;
    const unsigned threads = unsigned(std::min<size_t>(std::max(1u, threads_), n));
    if (threads == 1)
        return runHere(n, work, inOrder);

    const size_t ahead = limits_.ahead;
    const size_t ring = ahead != 0 ? std::min(ahead, n) : n; // item i's state lives in slot i % ring
    const size_t longestRun = limits_.run != 0 ? limits_.run : std::clamp<size_t>(n / (size_t(threads) * 32), 1, 64);
    struct Slot {
        size_t weight = 0;
        bool ready = false;
    };
    std::vector<Slot> items(ring);
    std::mutex mutex;
    // Under `mutex`:
    size_t next = 0;    // the next item to start
    size_t handed = 0;  // items handed over
    size_t waiting = 0; // the weight of the results done and not yet handed over
    size_t runLength = limits_.runCost != 0 ? 1 : longestRun;
    std::atomic<bool> quit{false};
    const auto leave = [&] { return quit.load() || stop_.load(); };

    // Every change a waiting thread may be waiting for is followed by flags_.notifyChange(), and
    // every wait reads the change count before it looks, so no wake-up is lost.
    auto worker = [&] {
        for (;;) {
            if (!holdWhilePaused(flags_, leave))
                return;
            const uint32_t seen = flags_.changeCount();
            size_t first = 0;
            size_t last = 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (next >= n || leave())
                    return;
                const bool room = (ahead == 0 || next < handed + ahead)
                    && (limits_.waitingWeight == 0 || next == handed || waiting < limits_.waitingWeight);
                if (room) {
                    first = next;
                    last = std::min(n, first + runLength);
                    if (ahead != 0)
                        last = std::min(last, handed + ahead);
                    next = last;
                }
            }
            if (first == last) {
                if (!flags_.isPaused.load())
                    flags_.waitForChange(seen);
                continue;
            }
            // The slots of [first, last) are this worker's until they are marked ready.
            size_t weight = 0;
            size_t cost = 0;
            for (size_t i = first; i < last; ++i) {
                const Report report = work(i);
                items[i % ring].weight = report.weight;
                weight += report.weight;
                cost += report.cost;
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (size_t i = first; i < last; ++i)
                    items[i % ring].ready = true;
                waiting += weight;
                if (limits_.runCost != 0)
                    runLength = std::clamp<size_t>(limits_.runCost * (last - first) / (cost + 1), 1, longestRun);
            }
            flags_.notifyChange();
        }
    };

    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(worker);

    bool completed = true;
    size_t k = 0;
    while (k < n && completed) {
        size_t end = k;
        for (;;) {
            if (!waitWhilePaused(flags_, stop_))
                break;
            const uint32_t seen = flags_.changeCount();
            {
                std::lock_guard<std::mutex> lock(mutex);
                while (end < n && end < k + ring && items[end % ring].ready)
                    ++end;
            }
            if (end > k || stop_.load())
                break;
            if (!flags_.isPaused.load())
                flags_.waitForChange(seen);
        }
        if (end == k)
            break; // stopped; `end` stays k only then
        // The ready slots of [k, end) are this thread's until they are handed back below.
        for (size_t m = k; m < end && completed; ++m)
            completed = waitWhilePaused(flags_, stop_) && inOrder(m);
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (size_t m = k; m < end; ++m) {
                waiting -= items[m % ring].weight;
                items[m % ring] = Slot{};
            }
            handed = end;
        }
        flags_.notifyChange();
        k = end;
    }
    if (k < n)
        completed = false;

    quit.store(true);
    flags_.notifyChange();
    for (auto &thread : pool)
        thread.join();
    return completed;
}

bool runOrdered(size_t n, unsigned threads, const ScanFlags &flags, const ScanFlags::Switch &stop,
                const std::function<void(size_t)> &work, const std::function<bool(size_t)> &inOrder, size_t batch)
{
    OrderedParallel::Limits limits;
    limits.run = batch;
    return OrderedParallel(flags, stop, threads, limits)
        .run(
            n,
            [&](size_t i) {
                work(i);
                return OrderedParallel::Report{};
            },
            inOrder);
}
