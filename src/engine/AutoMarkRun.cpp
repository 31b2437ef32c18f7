#include "engine/AutoMarkRun.h"

#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkRunSignals.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ResultState.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
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

// What one run marked and for what. `groups` and `protection` stay on the GUI thread; the worker
// reads `copies` and `rules` and writes `marks`, each side under `handOver`.
struct Outcome {
    ImageGroups groups;
    std::vector<char> protection; // isProtected of every file, group after group
    ImageGroups copies;
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

// A record of its own holding what the rules and the value readers look at. The texts, dates and
// property maps are shared with the original (Qt's implicit sharing counts atomically), so the
// copy costs a few counter increments per file; the hash and the rest are left out.
ImageFilePtr ruleCopyOf(const ImageFilePtr &file)
{
    if (!file)
        return nullptr;
    auto copy = std::make_shared<ImageFile>();
    copy->fileName = file->fileName;
    copy->isPhotoLibrary = file->isPhotoLibrary;
    copy->url = file->url;
    copy->properties = file->properties;
    copy->isProtected = file->isProtected;
    copy->isVideo = file->isVideo;
    copy->captureDate = file->captureDate;
    copy->creationDate = file->creationDate;
    return copy;
}

std::atomic<bool> running{false};
std::mutex finishedLock;
std::unique_ptr<Outcome> finished; // guarded by finishedLock
std::mutex handOver;               // orders the copy before the worker and the marks after it
int inPlace = 0;                   // GUI thread only

bool fits(const Outcome &outcome, const ResultState &state, const AutoMarkRules &rules)
{
    if (outcome.groups.size() != state.imageDirectories.size() || !sameRules(outcome.rules, rules))
        return false;
    for (std::size_t g = 0; g < outcome.groups.size(); ++g)
        if (outcome.groups[g] != state.imageDirectories[g])
            return false;
    return outcome.protection == protectionOf(state.imageDirectories);
}

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
    auto outcome = std::make_shared<Outcome>();
    QPointer<QObject> receiver(context);
    // Every hand-over between the threads (the task to the worker, the marks back) is made and
    // taken under handOver, so the copy is complete before the worker reads it and the marks before
    // the GUI thread does, whatever order the pool and the event queue give.
    std::lock_guard<std::mutex> hold(handOver);
    outcome->groups = state.imageDirectories;
    outcome->protection = protectionOf(outcome->groups);
    outcome->copies.reserve(outcome->groups.size());
    for (const ImageGroup &group : outcome->groups) {
        ImageGroup &copied = outcome->copies.emplace_back();
        copied.reserve(group.size());
        for (const ImageFilePtr &file : group)
            copied.push_back(ruleCopyOf(file));
    }
    outcome->rules = std::move(rules);
    emit AutoMarkRunSignals::instance().runningChanged(true);
    // On Qt's shared pool, which the application waits for when it ends: a quit in the middle of a
    // marking never leaves the worker running while the program tears down.
    QThreadPool::globalInstance()->start([outcome, receiver, done = std::move(done)]() mutable {
        std::lock_guard<std::mutex> hold(handOver);
        ResultState copy;
        copy.imageDirectories = std::move(outcome->copies);
        copy.normalize();
        AutoMarkValueCache cache;
        autoMarkAllGroups(copy, cache, outcome->rules);
        outcome->marks = std::move(copy.selectedIndexArray);
        // Handed to the GUI thread; the application object lives as long as there is one.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [outcome, receiver, done = std::move(done)] {
                bool deliver = false;
                {
                    std::lock_guard<std::mutex> hold(handOver);
                    running = false;
                    deliver = receiver && done;
                    if (deliver) {
                        std::lock_guard<std::mutex> keep(finishedLock);
                        finished = std::make_unique<Outcome>(std::move(*outcome));
                    }
                }
                emit AutoMarkRunSignals::instance().runningChanged(false);
                if (deliver)
                    done();
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool AutoMarkRun::hasMarksFor(const ResultState &state, const AutoMarkRules &rules)
{
    std::lock_guard<std::mutex> hold(finishedLock);
    return finished && fits(*finished, state, rules);
}

bool AutoMarkRun::takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks)
{
    std::lock_guard<std::mutex> hold(finishedLock);
    if (!finished)
        return false;
    std::unique_ptr<Outcome> outcome = std::move(finished);
    if (!fits(*outcome, state, rules))
        return false;
    marks = std::move(outcome->marks);
    return true;
}

int AutoMarkRun::largeMarkingsInPlace()
{
    return inPlace;
}

void AutoMarkRun::noteMarkingInPlace(const ResultState &state)
{
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()
        || !wantsWorker(state))
        return;
    ++inPlace;
    logDebug(lcEngine) << "a result of" << state.shownGroupCount() << "groups was marked in place on the GUI thread";
}
