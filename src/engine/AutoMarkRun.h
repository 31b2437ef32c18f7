#pragma once

#include "engine/AutoMarkRules.h"
#include "model/ImageFile.h"

#include <QObject>

#include <functional>
#include <optional>
#include <thread>
#include <vector>

class ResultState;

// Auto Select of every shown group of a large result, off the GUI thread. start() only hands the
// run to a worker: the work on the GUI thread does not grow with the result. The worker takes a copy
// of what the rules read of every shown file (its own records) and notes the shown files and their
// protection, then reads the file values the rules need and runs the cascade over its copy; then
// `done` runs on the GUI thread. There the command that asked for the marking runs as usual:
// autoMarkAllGroups() takes the marks the worker made, as long as the shown groups, their protection
// and the rules are still those of the copy, so the marks are exactly those of a marking in place.
//
// The worker's copy is its only read of the shown records, and the records are written on the GUI
// thread alone. While a run lasts, from start() until `done`, AutoMarkRunSignals tells the screens to
// refuse whatever would change the shown groups, their protection or the rules (the results screen is
// disabled, and the protected folders pane, the wizard and the application actions refuse their
// edits), so nothing writes the records while the worker copies them. Every hand-over is made under
// one mutex: what the GUI thread wrote before start() comes before the copy, the copy before the GUI
// thread's next write, and the marks before it reads them.
class AutoMarkRun
{
public:
    // From this many shown files on, a marking runs on a worker; below, it costs little in place.
    static constexpr int workerFileCount = 4000;

    static bool wantsWorker(const ResultState &state);
    static bool isRunning();

    // Starts the marking of `state`'s shown groups by `rules`. `done` runs on the GUI thread once the
    // marks are made, unless `context` is gone by then. `state` must live, and its shown groups and
    // their records stay unwritten, until the worker holds its copy (in the program: until `done`).
    // Only one run at a time: false (nothing started) while one is running.
    static bool start(const ResultState &state, AutoMarkRules rules, QObject *context, std::function<void()> done);
    // The thread that took the copy of the records for the last run started, once it holds it: from
    // then on they may change without touching the run. Never waits for the worker (none while it is
    // busy handing something over).
    static std::optional<std::thread::id> copyTakenBy();

    // True when the finished run was made for exactly these shown groups, protection and rules (its
    // marks stay for takeMarks).
    static bool hasMarksFor(const ResultState &state, const AutoMarkRules &rules);
    // The marks of the finished run when it was made for exactly these shown groups, protection and
    // rules; they are handed out once, in exchange for what `marks` held (let go off the GUI thread).
    static bool takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks);

    // How many times a result large enough for a worker was marked in place on the GUI thread
    // instead (autoMarkAllGroups without a run's marks); logged as it happens.
    static int largeMarkingsInPlace();
    static void noteMarkingInPlace(const ResultState &state);
};
