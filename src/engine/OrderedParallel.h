#pragma once

#include "model/ScanFlags.h"

#include <cstddef>
#include <functional>

// A pool that runs work(i) for every i in [0, n) on up to `threads` threads and hands each item to
// inOrder(i) on the calling thread strictly in increasing order, as soon as it and every item
// before it are done; so whatever inOrder reports comes out exactly as a plain loop would report
// it. work(i) must touch only what belongs to item i; inOrder(i) runs while no worker touches it.
//
// Workers take runs of consecutive items. One pause rule holds for every thread of the pool: it
// holds while flags.isPaused is set (counted in flags.heldThreads) and gives up once `stop` is set,
// paused or not. A worker holds before it takes a run, the calling thread before each hand-over.
// The run ends early, returning false, when inOrder answers false or `stop` is set before every
// item is handed over; an item whose work saw the stop is never handed over. Every wait blocks on
// the flags' change count (their switch writes and the pool's own progress wake it), never on a
// timer. With one thread everything runs on the calling thread.
class OrderedParallel
{
public:
    // What work(i) reports of item i.
    struct Report {
        size_t weight = 0; // the size of the result waiting to be handed over (for Limits::waitingWeight)
        size_t cost = 0;   // the work it took (for Limits::runCost)
    };

    // Each bound is off at 0.
    struct Limits {
        // Items per run; 0: chosen from n and the thread count, for cheap items.
        size_t run = 0;
        // Runs sized after each run so that one costs about this much, from 1 to `run` items
        // (the first run of the pool is 1 item).
        size_t runCost = 0;
        // An item is started only while it lies fewer than `ahead` items past the next one to hand
        // over: at most `ahead` results exist at once, and the caller may keep item i's in slot
        // i % ahead (a slot is free again once inOrder of its item returned).
        size_t ahead = 0;
        // A run that does not begin with the next item to hand over starts only while the weight
        // of the results waiting stays below this.
        size_t waitingWeight = 0;
    };

    OrderedParallel(const ScanFlags &flags, const ScanFlags::Switch &stop, unsigned threads, Limits limits);

    bool run(size_t n, const std::function<Report(size_t)> &work, const std::function<bool(size_t)> &inOrder);

private:
    bool runHere(size_t n, const std::function<Report(size_t)> &work, const std::function<bool(size_t)> &inOrder);

    const ScanFlags &flags_;
    const ScanFlags::Switch &stop_;
    unsigned threads_;
    Limits limits_;
};

// OrderedParallel with items of no weight or cost, `batch` items a run (0: chosen).
bool runOrdered(size_t n, unsigned threads, const ScanFlags &flags, const ScanFlags::Switch &stop,
                const std::function<void(size_t)> &work, const std::function<bool(size_t)> &inOrder, size_t batch = 0);

// Holds while flags.isPaused is set, counted in flags.heldThreads, and gives up once `stop` is set;
// false when `stop` is set.
bool waitWhilePaused(const ScanFlags &flags, const ScanFlags::Switch &stop);

// Holds while flags.isPaused is set, counted in flags.heldThreads, and gives up once either stop
// (isFirstStepAbort, isSecondStepAbort) is set; false then.
bool waitWhilePaused(const ScanFlags &flags);

// The number of threads a parallel stage uses: the machine's hardware threads (at least 1).
unsigned defaultThreadCount();
