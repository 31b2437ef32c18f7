#pragma once

#include "model/ScanFlags.h"

#include <cstddef>
#include <functional>

// Sleeps in short steps while flags.isPaused is set (no spinning, nothing queued anywhere), counted
// in flags.heldThreads meanwhile.
void waitWhilePaused(const ScanFlags &flags);

// Runs work(i) for every i in [0, n) on up to `threads` threads and hands each index to
// inOrder(i) on the calling thread strictly in increasing order, as soon as it and every index
// before it are done; so whatever inOrder reports comes out exactly as a plain loop would report
// it. work(i) must touch only what belongs to item i.
//
// Workers take `batch` consecutive items at a time (0: chosen from n and the thread count, for
// cheap items), wait while flags.isPaused is set and take no new items once `stopFlag` is set. The
// run ends early, returning false, when inOrder answers false or `stopFlag` is set before every
// item is done. With threads <= 1 everything runs on the calling thread.
bool runOrdered(size_t n, unsigned threads, const ScanFlags &flags, const std::atomic<bool> &stopFlag,
                const std::function<void(size_t)> &work, const std::function<bool(size_t)> &inOrder, size_t batch = 0);

// The number of threads a parallel stage uses: the machine's hardware threads (at least 1).
unsigned defaultThreadCount();
