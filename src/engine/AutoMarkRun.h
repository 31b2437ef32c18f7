#pragma once

#include "engine/AutoMarkRules.h"
#include "model/ImageFile.h"

#include <QObject>

#include <functional>
#include <vector>

class ResultState;

// Auto Select of every shown group of a large result, off the GUI thread. start() takes, on the GUI
// thread, a copy of what the rules read of every shown file (its own records, so the worker never
// reads one the GUI thread may write) and of the rules; a worker reads the file values the rules
// need and runs the cascade over the copy; then `done` runs on the GUI thread. There the command
// that asked for the marking runs as usual: autoMarkAllGroups() takes the marks the worker made, as
// long as the shown groups, their protection and the rules are still those of the copy, so the
// marks are exactly those of a marking in place.
//
// While a run lasts, AutoMarkRunSignals tells the screens to refuse whatever would change the shown
// groups, their protection or the rules.
class AutoMarkRun
{
public:
    // From this many shown files on, a marking runs on a worker; below, it costs little in place.
    static constexpr int workerFileCount = 4000;

    static bool wantsWorker(const ResultState &state);
    static bool isRunning();

    // Starts the marking of `state`'s shown groups by `rules`. `done` runs on the GUI thread once the
    // marks are made, unless `context` is gone by then. Only one run at a time: false (nothing
    // started) while one is running.
    static bool start(const ResultState &state, AutoMarkRules rules, QObject *context, std::function<void()> done);

    // True when the finished run was made for exactly these shown groups, protection and rules (its
    // marks stay for takeMarks).
    static bool hasMarksFor(const ResultState &state, const AutoMarkRules &rules);
    // The marks of the finished run when it was made for exactly these shown groups, protection and
    // rules; they are handed out once.
    static bool takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks);

    // How many times a result large enough for a worker was marked in place on the GUI thread
    // instead (autoMarkAllGroups without a run's marks); logged as it happens.
    static int largeMarkingsInPlace();
    static void noteMarkingInPlace(const ResultState &state);
};
