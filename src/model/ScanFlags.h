#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// Stop and pause switches of one running scan or deletion. The sheet that owns the job writes them
// on the main thread; the worker, the folder listing and the digest read them without a lock.
// One instance is shared (std::shared_ptr) between the sheet and the job it started.
//
// Every write of a switch counts one change and wakes the threads blocked in waitForChange, so a
// thread waits for a pause to end or a stop to come without polling. The way to wait:
//     for (;;) {
//         const uint32_t seen = flags.changeCount();
//         if (<what is waited for holds>)
//             break;
//         flags.waitForChange(seen);
//     }
// A change made after `seen` was read ends the wait at once, so none is missed. The threads of
// one job may also wake one another this way with notifyChange (after changing what the others
// wait for).
struct ScanFlags {
    // An atomic switch whose writes wake the waiters of the flags holding it.
    class Switch
    {
    public:
        explicit Switch(const ScanFlags &owner)
            : owner_(owner)
        {
        }
        Switch(const Switch &) = delete;
        Switch &operator=(const Switch &) = delete;

        bool load(std::memory_order order = std::memory_order_seq_cst) const { return value_.load(order); }
        operator bool() const { return load(); }
        void store(bool on)
        {
            value_.store(on);
            owner_.notifyChange();
        }
        Switch &operator=(bool on)
        {
            store(on);
            return *this;
        }

    private:
        std::atomic<bool> value_{false};
        const ScanFlags &owner_;
    };

    ScanFlags() = default;
    ScanFlags(const ScanFlags &) = delete;
    ScanFlags &operator=(const ScanFlags &) = delete;

    Switch isFirstStepAbort{*this};  // stop while files are being collected
    Switch isSecondStepAbort{*this}; // stop while files are being grouped or deleted
    Switch isPaused{*this};          // the worker waits while this is set
    // Threads of the job now held by isPaused: above 0 once a pause has taken hold.
    mutable std::atomic<int> heldThreads{0};

    uint32_t changeCount() const { return changes_.load(std::memory_order_acquire); }
    // Returns once the count differs from `seen` (at once when it already does).
    void waitForChange(uint32_t seen) const
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return changes_.load(std::memory_order_relaxed) != seen; });
    }
    // As waitForChange, but gives up at `deadline`; false when it did.
    template <class Clock, class Duration>
    bool waitForChangeUntil(uint32_t seen, const std::chrono::time_point<Clock, Duration> &deadline) const
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_until(lock, deadline, [&] { return changes_.load(std::memory_order_relaxed) != seen; });
    }
    void notifyChange() const
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            changes_.fetch_add(1, std::memory_order_acq_rel);
        }
        changed_.notify_all();
    }

private:
    // A condition variable rather than an atomic wait: the library's atomic wait yields the
    // processor a few times before it sleeps, which costs the waiter its turn on a busy machine.
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable std::atomic<uint32_t> changes_{0};
};
