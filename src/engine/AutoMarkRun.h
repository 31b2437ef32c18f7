#pragma once

#include "engine/AutoMarkRules.h"
#include "model/ImageFile.h"

#include <QObject>

#include <functional>
#include <vector>

class ResultState;

// Auto Select of every shown group of a large result, off the GUI thread. start() copies the shown
// groups, their protection and the rules; a worker reads the file values the rules need and runs the
// cascade over the copy; then `done` runs on the GUI thread. There the command that asked for the
// marking runs as usual: autoMarkAllGroups() takes the marks the worker made, as long as the shown
// groups, their protection and the rules are still those of the copy, so the marks are exactly
// those of a marking in place.
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

    // The marks of the finished run when it was made for exactly these shown groups, protection and
    // rules; they are handed out once.
    static bool takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks);
};
