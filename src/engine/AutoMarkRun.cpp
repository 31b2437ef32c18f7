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
#include <optional>
#include <thread>

namespace {

bool sameRules(const AutoMarkRules &a, const AutoMarkRules &b)
{
    return a.order == b.order && a.fileFormatPriorities == b.fileFormatPriorities
        && a.folderPriorities == b.folderPriorities && a.photosLibraryRoot == b.photosLibraryRoot;
}

// What one run marked and for what. The worker fills everything but `rules` (set before it starts)
// under `handOver`; the GUI thread reads it only once it is handed over. `source` is read by the
// worker alone, once, while the results are locked.
struct Outcome {
    const ResultState *source = nullptr;
    // The shown files in group order, flat, with the end of each group and each file's isProtected.
    std::vector<ImageFilePtr> files;
    std::vector<std::size_t> groupEnds;
    std::vector<char> protection;
    AutoMarkRules rules;
    std::vector<std::vector<int>> marks;
};

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

// On the worker: notes what `outcome` is made for and gives the records the worker marks, copies of
// the shown ones.
ImageGroups takeCopy(Outcome &outcome)
{
    const ImageGroups &shown = outcome.source->imageDirectories;
    std::size_t count = 0;
    for (const ImageGroup &group : shown)
        count += group.size();
    outcome.files.reserve(count);
    outcome.groupEnds.reserve(shown.size());
    outcome.protection.reserve(count);
    ImageGroups copies;
    copies.reserve(shown.size());
    for (const ImageGroup &group : shown) {
        ImageGroup &copied = copies.emplace_back();
        copied.reserve(group.size());
        for (const ImageFilePtr &file : group) {
            outcome.files.push_back(file);
            outcome.protection.push_back(file && file->isProtected ? 1 : 0);
            copied.push_back(ruleCopyOf(file));
        }
        outcome.groupEnds.push_back(outcome.files.size());
    }
    return copies;
}

std::atomic<bool> running{false};
std::mutex finishedLock;
std::unique_ptr<Outcome> finished; // guarded by finishedLock
// Orders every hand-over between the threads: what the GUI thread wrote before a run before the
// worker's copy, the copy before the GUI thread's next write, the marks before the GUI thread reads
// them.
std::mutex handOver;
// Guarded by handOver: the thread that took the last run's copy, once it holds it.
std::optional<std::thread::id> copier;
int inPlace = 0; // GUI thread only

// One pass over the shown files, allocating nothing.
bool fits(const Outcome &outcome, const ResultState &state, const AutoMarkRules &rules)
{
    const ImageGroups &shown = state.imageDirectories;
    if (shown.size() != outcome.groupEnds.size() || !sameRules(outcome.rules, rules))
        return false;
    std::size_t k = 0;
    for (std::size_t g = 0; g < shown.size(); ++g) {
        if (shown[g].size() != outcome.groupEnds[g] - k)
            return false;
        for (const ImageFilePtr &file : shown[g]) {
            if (file != outcome.files[k] || (file && file->isProtected ? 1 : 0) != outcome.protection[k])
                return false;
            ++k;
        }
    }
    return true;
}

// Lets go of `outcome` on Qt's shared pool: the references it holds to every shown record are
// dropped there rather than one by one on the GUI thread. Handed over inside handOver, like a run.
void releaseOffTheGuiThread(std::unique_ptr<Outcome> outcome)
{
    std::lock_guard<std::mutex> hold(handOver);
    QThreadPool::globalInstance()->start([outcome = std::shared_ptr<Outcome>(std::move(outcome))]() mutable {
        // Once the lock is had, everything the GUI thread did before the hand-over comes before.
        handOver.lock();
        handOver.unlock();
        outcome.reset();
    });
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
    std::unique_ptr<Outcome> unclaimed;
    {
        std::lock_guard<std::mutex> hold(finishedLock);
        unclaimed = std::move(finished);
    }
    auto outcome = std::make_shared<Outcome>();
    outcome->source = &state;
    outcome->rules = std::move(rules);
    QPointer<QObject> receiver(context);
    emit AutoMarkRunSignals::instance().runningChanged(true);
    std::lock_guard<std::mutex> hold(handOver);
    copier.reset();
    // On Qt's shared pool, which the application waits for when it ends: a quit in the middle of a
    // marking never leaves the worker running while the program tears down. The task is handed over
    // inside handOver, so the worker's copy comes after every write the GUI thread made before.
    QThreadPool::globalInstance()->start([outcome, unclaimed = std::shared_ptr<Outcome>(std::move(unclaimed)),
                                          receiver = std::move(receiver), done = std::move(done)]() mutable {
        ResultState copy;
        {
            // The copy is the only read of the shown records off the GUI thread. It is taken while
            // the results are locked (runningChanged): nothing on the GUI thread writes them until
            // the marks are handed back under handOver.
            std::lock_guard<std::mutex> hold(handOver);
            copy.imageDirectories = takeCopy(*outcome);
            outcome->source = nullptr;
            copier = std::this_thread::get_id();
        }
        // An earlier run's outcome nobody took is let go here, off the GUI thread.
        unclaimed.reset();
        copy.normalize();
        AutoMarkValueCache cache;
        autoMarkAllGroups(copy, cache, outcome->rules);
        std::lock_guard<std::mutex> hold(handOver);
        outcome->marks = std::move(copy.selectedIndexArray);
        // Handed to the GUI thread; the application object lives as long as there is one.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            // The receiver's guard is moved on, never copied or let go here: its count is kept by Qt,
            // whose atomics a thread sanitizer does not see.
            [outcome, receiver = std::move(receiver), done = std::move(done)] {
                bool deliver = false;
                std::unique_ptr<Outcome> unwanted;
                {
                    std::lock_guard<std::mutex> hold(handOver);
                    running = false;
                    deliver = receiver && done;
                    auto made = std::make_unique<Outcome>(std::move(*outcome));
                    if (deliver) {
                        std::lock_guard<std::mutex> keep(finishedLock);
                        finished = std::move(made);
                    } else {
                        unwanted = std::move(made);
                    }
                }
                if (unwanted)
                    releaseOffTheGuiThread(std::move(unwanted));
                emit AutoMarkRunSignals::instance().runningChanged(false);
                if (deliver)
                    done();
            },
            Qt::QueuedConnection);
    });
    return true;
}

std::optional<std::thread::id> AutoMarkRun::copyTakenBy()
{
    // Never waits for the worker: while it holds the lock, its copy is not complete yet or its marks
    // are on their way.
    std::unique_lock<std::mutex> hold(handOver, std::try_to_lock);
    return hold.owns_lock() ? copier : std::nullopt;
}

bool AutoMarkRun::hasMarksFor(const ResultState &state, const AutoMarkRules &rules)
{
    std::lock_guard<std::mutex> hold(finishedLock);
    return finished && fits(*finished, state, rules);
}

bool AutoMarkRun::takeMarks(const ResultState &state, const AutoMarkRules &rules, std::vector<std::vector<int>> &marks)
{
    std::unique_ptr<Outcome> outcome;
    {
        std::lock_guard<std::mutex> hold(finishedLock);
        outcome = std::move(finished);
    }
    if (!outcome)
        return false;
    const bool taken = fits(*outcome, state, rules);
    // The marks replaced go with the outcome, and are let go off the GUI thread with it.
    if (taken)
        marks.swap(outcome->marks);
    releaseOffTheGuiThread(std::move(outcome));
    return taken;
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
