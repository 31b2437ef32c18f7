#pragma once

#include <atomic>

// Stop and pause switches of one running scan or deletion. The sheet that owns the job writes them
// on the main thread; the worker, the folder listing and the digest poll them without a lock.
// One instance is shared (std::shared_ptr) between the sheet and the job it started.
struct ScanFlags {
    std::atomic<bool> isFirstStepAbort{false};  // stop while files are being collected
    std::atomic<bool> isSecondStepAbort{false}; // stop while files are being grouped or deleted
    std::atomic<bool> isPaused{false};          // the worker waits while this is set
    // Threads of the job now held by isPaused: above 0 once a pause has taken hold.
    mutable std::atomic<int> heldThreads{0};
};
