#include "engine/AutoMarkRun.h"

#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ResultState.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

bool sameRules(const AutoMarkRules &a, const AutoMarkRules &b)
{
    return a.order == b.order && a.fileFormatPriorities == b.fileFormatPriorities
        && a.folderPriorities == b.folderPriorities && a.photosLibraryRoot == b.photosLibraryRoot;
}

// What one run marked and for what.
struct Outcome {
    ImageGroups groups;
    std::vector<char> protection; // isProtected of every file, group after group
    AutoMarkRules rules;
    std::vector<std::vector<int>> marks;
};

std::vector<char> protectionOf(const ImageGroups &groups)
{
    std::vector<char> flags;
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group)
            flags.push_back(file && file->isProtected ? 1 : 0);
    return flags;
}

std::atomic<bool> running{false};
std::mutex finishedLock;
std::unique_ptr<Outcome> finished; // guarded by finishedLock

} // namespace

bool AutoMarkRun::wantsWorker(const ResultState &state)
{
    int files = 0;
    for (const ImageGroup &group : state.imageDirectories) {
        files += int(group.size());
        if (files >= workerFileCount)
            return true;
    }
    return false;
}

bool AutoMarkRun::isRunning()
{
    return running.load();
}

bool AutoMarkRun::start(const ResultState &state, AutoMarkRules rules, QObject *context, std::function<void()> done)
{
    if (running.exchange(true))
        return false;
    {
        std::lock_guard<std::mutex> hold(finishedLock);
        finished.reset();
    }
    // Copies of the records' pointers: while the run lasts the results' controls are locked, so no
    // record changes under the worker.
    auto outcome = std::make_shared<Outcome>();
    outcome->groups = state.imageDirectories;
    outcome->protection = protectionOf(outcome->groups);
    outcome->rules = std::move(rules);
    QPointer<QObject> receiver(context);
    // On Qt's shared pool, which the application waits for when it ends: a quit in the middle of a
    // marking never leaves the worker running while the program tears down.
    QThreadPool::globalInstance()->start([outcome, receiver, done = std::move(done)]() mutable {
        ResultState copy;
        copy.imageDirectories = outcome->groups;
        copy.normalize();
        AutoMarkValueCache cache;
        autoMarkAllGroups(copy, cache, outcome->rules);
        outcome->marks = std::move(copy.selectedIndexArray);
        // Handed to the GUI thread; the application object lives as long as there is one.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [outcome, receiver, done = std::move(done)] {
                running = false;
                if (!receiver || !done)
                    return;
                {
                    std::lock_guard<std::mutex> hold(finishedLock);
                    finished = std::make_unique<Outcome>(std::move(*outcome));
                }
                done();
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool AutoMarkRun::takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks)
{
    std::lock_guard<std::mutex> hold(finishedLock);
    if (!finished)
        return false;
    std::unique_ptr<Outcome> outcome = std::move(finished);
    if (outcome->groups.size() != state.imageDirectories.size() || !sameRules(outcome->rules, rules))
        return false;
    for (std::size_t g = 0; g < outcome->groups.size(); ++g)
        if (outcome->groups[g] != state.imageDirectories[g])
            return false;
    if (outcome->protection != protectionOf(state.imageDirectories))
        return false;
    marks = std::move(outcome->marks);
    return true;
}
