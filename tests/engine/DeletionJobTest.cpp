#include "support/DeletionFixtures.h"

#include "engine/Deletion.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace deletion_test;

namespace {

class DeletionJobTest : public DeletionTestBase
{
};

TEST_F(DeletionJobTest, SnapshotFollowsTheMarksInGroupAndMarkOrder)
{
    const QString a = writePhoto(QStringLiteral("j/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("j/a2.jpg"));
    const QString b = writePhoto(QStringLiteral("j/b.jpg"), 2);
    const QString b2 = copyFile(b, QStringLiteral("j/b2.jpg"));
    const QString c = writePhoto(QStringLiteral("j/c.jpg"), 3);
    const QString c2 = copyFile(c, QStringLiteral("j/c2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2)}, {record(b), record(b2)}, {record(c), record(c2)}});
    state.mark(2, 1);
    state.mark(2, 0);
    state.mark(0, 1);

    const std::vector<DeletionItem> items = makeDeletionSnapshot(state);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].path, a2);
    EXPECT_EQ(items[1].path, c2);
    EXPECT_EQ(items[2].path, c);
    EXPECT_EQ(items[1].group, 2);
    EXPECT_EQ(items[1].row, 1);
    EXPECT_EQ(items[0].absoluteUrl, QUrl::fromLocalFile(a2).toString());
    ASSERT_TRUE(items[0].scanned.has_value());
    EXPECT_EQ(items[0].scanned->size, quint64(QFileInfo(a2).size()));
    EXPECT_TRUE(items[0].scanned->hasChangeTime);
    // The unmarked files of each group travel with its marked ones.
    ASSERT_TRUE(items[0].keepers && items[1].keepers);
    ASSERT_EQ(items[0].keepers->size(), 1u);
    EXPECT_EQ((*items[0].keepers)[0].path, a);
    EXPECT_TRUE(items[1].keepers->empty());
}

// The marked files of a group share one list of its unmarked files, so the snapshot grows with
// the files, not with marked times unmarked.
TEST_F(DeletionJobTest, MarkedFilesOfAGroupShareOneKeeperList)
{
    const QString a = writePhoto(QStringLiteral("s/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("s/a2.jpg"));
    const QString a3 = copyFile(a, QStringLiteral("s/a3.jpg"));
    const QString a4 = copyFile(a, QStringLiteral("s/a4.jpg"));
    const QString b = writePhoto(QStringLiteral("s/b.jpg"), 2);
    const QString b2 = copyFile(b, QStringLiteral("s/b2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2), record(a3), record(a4)}, {record(b), record(b2)}});
    state.mark(0, 3);
    state.mark(0, 1);
    state.mark(1, 0);

    const std::vector<DeletionItem> items = makeDeletionSnapshot(state);
    ASSERT_EQ(items.size(), 3u);
    ASSERT_TRUE(items[0].keepers && items[1].keepers && items[2].keepers);
    EXPECT_EQ(items[0].keepers.get(), items[1].keepers.get());
    EXPECT_NE(items[0].keepers.get(), items[2].keepers.get());
    ASSERT_EQ(items[0].keepers->size(), 2u);
    EXPECT_EQ((*items[0].keepers)[0].path, a);
    EXPECT_EQ((*items[0].keepers)[1].path, a3);
    ASSERT_EQ(items[2].keepers->size(), 1u);
    EXPECT_EQ((*items[2].keepers)[0].path, b2);
}

TEST_F(DeletionJobTest, OnlySuccessfulMovesAreCountedAndFailuresKeepTheirReason)
{
    const QString a = writePhoto(QStringLiteral("j/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("j/a2.jpg"));
    const QString a3 = copyFile(a, QStringLiteral("j/a3.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2), record(a3)}});
    state.mark(0, 1);
    state.mark(0, 2);

    QStringList visited;
    DeletionJob::Callbacks callbacks;
    callbacks.visiting = [&](const DeletionProgress &p) { visited << p.currentPath; };
    callbacks.trashItem = [&](const QString &path, const platform::FileStat *expected, platform::Cancellable *cancel) {
        if (path == a2) {
            platform::TrashResult refused;
            refused.error = QStringLiteral("Operation not permitted");
            return refused;
        }
        return platform::FileManager::trashItem(path, expected, cancel);
    };
    DeletionJob job(makeDeletionSnapshot(state), std::make_shared<ScanFlags>(), callbacks);
    const DeletionOutcome outcome = job.deleteSelectedFiles();

    EXPECT_EQ(visited, (QStringList{a2, a3}));
    EXPECT_EQ(outcome.visited, 2);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.totalRemoveTrash, 1);
    EXPECT_EQ(outcome.totalSizeRemoveTrash, quint64(QFileInfo(a).size()));
    EXPECT_EQ(outcome.trashedUrls, (std::vector<QString>{QUrl::fromLocalFile(a3).toString()}));
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].kind, DeletionProblem::Kind::MoveFailed);
    EXPECT_EQ(outcome.problems[0].reason, QStringLiteral("Operation not permitted"));
    EXPECT_TRUE(QFile::exists(a2));
    EXPECT_FALSE(QFile::exists(a3));
    EXPECT_TRUE(QFile::exists(a));
}

class DeletionPauseTest : public DeletionTestBase
{
protected:
    QString writeSmall(const QString &relative, const QByteArray &bytes)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        out.close(); // the record takes the file as written
        return file;
    }
    // `count` groups of a kept file and a marked copy, small files of their own contents; returns
    // the marked files in mark order and the kept ones in `kept`.
    QStringList markCopies(ResultState &state, int count, const QString &folder, QStringList &kept)
    {
        ImageGroups groups;
        QStringList marked;
        for (int g = 0; g < count; ++g) {
            const QByteArray bytes = QByteArray::number(g).repeated(300);
            const QString keep = writeSmall(folder + QStringLiteral("/%1/keep%1.jpg").arg(g), bytes);
            const QString copy = writeSmall(folder + QStringLiteral("/%1/copy%1.jpg").arg(g), bytes);
            groups.push_back({record(keep), record(copy)});
            kept << keep;
            marked << copy;
        }
        state.setResults(groups);
        for (int g = 0; g < count; ++g)
            state.mark(g, 1);
        return marked;
    }
    int inTrash() const { return int(QDir(trashFiles()).entryList(QDir::Files).size()); }
};

// The pause switch flipped every fraction of a millisecond while a deletion over two thousand
// files runs: every marked file reaches the Trash, every kept file stays as it was. The walk holds
// on the flags' own switch, whose every write wakes it, so no flip leaves it asleep.
TEST_F(DeletionPauseTest, PauseFlippedRapidlyMovesEveryMarkedFileAndNothingElse)
{
    ResultState state;
    QStringList kept;
    const QStringList marked = markCopies(state, 1000, QStringLiteral("t"), kept);
    auto flags = std::make_shared<ScanFlags>();
    DeletionJob job(makeDeletionSnapshot(state), flags, {});
    std::atomic<bool> done{false};
    std::atomic<int> flips{0};
    std::thread toggler([&] {
        while (!done.load()) {
            flags->isPaused = !flags->isPaused.load();
            ++flips;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const DeletionOutcome outcome = job.deleteSelectedFiles();
    done = true;
    toggler.join();

    EXPECT_GT(flips.load(), 2);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.visited, 1000);
    EXPECT_EQ(outcome.totalRemoveTrash, 1000);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_EQ(inTrash(), 1000);
    for (const QString &file : marked)
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
    for (int g = 0; g < kept.size(); ++g) {
        QFile keep(kept[g]);
        ASSERT_TRUE(keep.open(QIODevice::ReadOnly)) << kept[g].toStdString();
        EXPECT_EQ(keep.readAll(), QByteArray::number(g).repeated(300));
    }
}

// A stop while the walk holds in a pause ends it there: the job returns with the pause still on,
// having moved only what it had moved before the pause.
TEST_F(DeletionPauseTest, AStopDuringAPauseEndsTheWalkWhilePaused)
{
    ResultState state;
    QStringList kept;
    const QStringList marked = markCopies(state, 20, QStringLiteral("p"), kept);
    auto flags = std::make_shared<ScanFlags>();
    DeletionJob::Callbacks callbacks;
    // The user pauses after the fifth file.
    callbacks.progressed = [&](const DeletionProgress &progress) {
        if (progress.visited == 5)
            flags->isPaused = true;
    };
    DeletionJob job(makeDeletionSnapshot(state), flags, callbacks);
    DeletionOutcome outcome;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        outcome = job.deleteSelectedFiles();
        returned = true;
    });
    for (int i = 0; i < 10000 && flags->heldThreads.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(flags->heldThreads.load(), 1);
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(inTrash(), 5);

    flags->isFirstStepAbort = true;
    job.cancel();
    worker.join();
    EXPECT_TRUE(flags->isPaused.load());
    EXPECT_EQ(flags->heldThreads.load(), 0);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.visited, 5);
    EXPECT_EQ(outcome.totalRemoveTrash, 5);
    EXPECT_EQ(inTrash(), 5);
    for (int i = 0; i < marked.size(); ++i)
        EXPECT_EQ(QFile::exists(marked[i]), i >= 5) << marked[i].toStdString();
    for (const QString &file : kept)
        EXPECT_TRUE(QFile::exists(file));

    // Paused before the first file, the stop of the other step ends it just the same.
    auto pausedFlags = std::make_shared<ScanFlags>();
    pausedFlags->isPaused = true;
    DeletionJob paused(makeDeletionSnapshot(state), pausedFlags, {});
    std::thread second([&] { outcome = paused.deleteSelectedFiles(); });
    for (int i = 0; i < 10000 && pausedFlags->heldThreads.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    pausedFlags->isSecondStepAbort = true;
    second.join();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.visited, 0);
    EXPECT_EQ(inTrash(), 5);
}

TEST_F(DeletionJobTest, PhotosItemsWaitForThePermissionAnswerAndAreNeverTrashed)
{
    const QString a = writePhoto(QStringLiteral("j/a.jpg"), 1);
    const QString item = copyFile(a, QStringLiteral("j/lib/item.jpg"));
    ImageFilePtr photos = record(item);
    photos->isPhotoLibrary = true;
    photos->photoLibraryProperties = PhotoLibraryProperties{};
    photos->photoLibraryProperties->RKVuuid = QStringLiteral("uuid-7");
    ResultState state;
    state.setResults({{record(a), photos}});
    state.mark(0, 1);

    DeletionJob *jobPointer = nullptr;
    DeletionJob::Callbacks callbacks;
    int asked = 0;
    std::thread answering;
    callbacks.requestPhotosPermission = [&] {
        ++asked;
        // The answer comes from another thread, as the main thread's alert would give it.
        answering = std::thread([&] { jobPointer->answerPhotosPermission(false); });
    };
    callbacks.trashItem = [](const QString &, const platform::FileStat *, platform::Cancellable *) {
        ADD_FAILURE() << "a Photos item must not be trashed";
        return platform::TrashResult();
    };
    DeletionJob job(makeDeletionSnapshot(state), std::make_shared<ScanFlags>(), callbacks);
    jobPointer = &job;
    const DeletionOutcome outcome = job.deleteSelectedFiles();
    if (answering.joinable())
        answering.join();

    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(outcome.photosPermissionRefused);
    ASSERT_EQ(outcome.photoItems.size(), 1u);
    EXPECT_EQ(outcome.photoItems[0].photoId, QStringLiteral("uuid-7"));
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    EXPECT_TRUE(QFile::exists(item));
}

// Writes new contents of the same size into a file and sets its modification time back, as an
// editing tool that keeps the time would; only the change time shows it.
void editInPlaceKeepingTheTime(const QString &file)
{
    const auto before = platform::FileStat::of(file);
    ASSERT_TRUE(before);
    ::usleep(20000); // the change time moves on visibly
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray data = f.readAll();
    ASSERT_FALSE(data.isEmpty());
    data[data.size() / 2] = char(data[data.size() / 2] ^ 0x5a);
    f.seek(0);
    f.write(data);
    f.close();
    struct timespec times[2] = {{0, UTIME_OMIT}, {before->modificationSeconds, long(before->modificationNanoseconds)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
    const auto after = platform::FileStat::of(file);
    ASSERT_EQ(after->size, before->size);
    ASSERT_EQ(after->modificationSeconds, before->modificationSeconds);
    ASSERT_EQ(after->modificationNanoseconds, before->modificationNanoseconds);
}

// A copy always stays: when the unmarked file of a group was removed, or changed in place since
// the scan, the marked files of that group stay where they are, each with the reason.
TEST_F(DeletionJobTest, MarkedFilesStayWhenNoUnmarkedCopyIsLeftAsScanned)
{
    const QString a = writePhoto(QStringLiteral("k/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("k/a2.jpg"));
    const QString b = writePhoto(QStringLiteral("k/b.jpg"), 2);
    const QString b2 = copyFile(b, QStringLiteral("k/b2.jpg"));
    const QString b3 = copyFile(b, QStringLiteral("k/b3.jpg"));
    const QString c = writePhoto(QStringLiteral("k/c.jpg"), 3);
    const QString c2 = copyFile(c, QStringLiteral("k/c2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2)}, {record(b), record(b2), record(b3)}, {record(c), record(c2)}});
    state.mark(0, 1);
    state.mark(1, 1);
    state.mark(1, 2);
    state.mark(2, 1);
    std::vector<DeletionItem> items = makeDeletionSnapshot(state);

    ASSERT_TRUE(QFile::remove(a)); // the copy that was to stay is gone
    editInPlaceKeepingTheTime(b);  // the copy that was to stay is no longer the same photo
    DeletionJob job(std::move(items), std::make_shared<ScanFlags>(), {});
    const DeletionOutcome outcome = job.deleteSelectedFiles();

    EXPECT_TRUE(QFile::exists(a2));
    EXPECT_TRUE(QFile::exists(b2));
    EXPECT_TRUE(QFile::exists(b3));
    EXPECT_FALSE(QFile::exists(c2));
    EXPECT_TRUE(QFile::exists(c));
    EXPECT_EQ(outcome.totalRemoveTrash, 1);
    EXPECT_EQ(outcome.trashedUrls, (std::vector<QString>{QUrl::fromLocalFile(c2).toString()}));
    ASSERT_EQ(outcome.problems.size(), 3u);
    EXPECT_EQ(outcome.problems[0].path, a2);
    EXPECT_EQ(outcome.problems[0].kind, DeletionProblem::Kind::KeeperGone);
    EXPECT_EQ(outcome.problems[1].path, b2);
    EXPECT_EQ(outcome.problems[1].kind, DeletionProblem::Kind::KeeperChanged);
    EXPECT_EQ(outcome.problems[2].path, b3);
    EXPECT_EQ(outcome.problems[2].kind, DeletionProblem::Kind::KeeperChanged);
}

// A whole group marked has no copy to keep: none of it moves.
TEST_F(DeletionJobTest, AGroupMarkedInFullStays)
{
    const QString a = writePhoto(QStringLiteral("k/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("k/a2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2)}});
    state.mark(0, 0);
    state.mark(0, 1);
    DeletionJob job(makeDeletionSnapshot(state), std::make_shared<ScanFlags>(), {});
    const DeletionOutcome outcome = job.deleteSelectedFiles();
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(a2));
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    EXPECT_EQ(outcome.problems.size(), 2u);
}

// A marked file edited in place since the scan, size and modification time kept, is not the file
// the user marked: it stays.
TEST_F(DeletionJobTest, AMarkedFileEditedInPlaceWithItsTimeKeptStays)
{
    const QString a = writePhoto(QStringLiteral("k/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("k/a2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2)}});
    state.mark(0, 1);
    std::vector<DeletionItem> items = makeDeletionSnapshot(state);
    editInPlaceKeepingTheTime(a2);
    DeletionJob job(std::move(items), std::make_shared<ScanFlags>(), {});
    const DeletionOutcome outcome = job.deleteSelectedFiles();
    EXPECT_TRUE(QFile::exists(a2));
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].kind, DeletionProblem::Kind::Changed);
}

// The stop during a move: the move in progress is cancelled through the job's cancellable, the
// file stays and the walk ends there.
TEST_F(DeletionJobTest, AStopDuringAMoveCancelsItAndEndsTheWalk)
{
    const QString a = writePhoto(QStringLiteral("c/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("c/a2.jpg"));
    const QString a3 = copyFile(a, QStringLiteral("c/a3.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2), record(a3)}});
    state.mark(0, 1);
    state.mark(0, 2);

    auto flags = std::make_shared<ScanFlags>();
    DeletionJob *jobPointer = nullptr;
    int moves = 0;
    bool sawCancel = false;
    DeletionJob::Callbacks callbacks;
    callbacks.trashItem = [&](const QString &path, const platform::FileStat *expected, platform::Cancellable *cancel) {
        ++moves;
        // The user stops while this move runs (the stop action raises the flag, then cancels).
        std::thread stopper([&] {
            flags->isFirstStepAbort = true;
            jobPointer->cancel();
        });
        stopper.join();
        sawCancel = cancel && cancel->isCancelled();
        return platform::FileManager::trashItem(path, expected, cancel);
    };
    DeletionJob job(makeDeletionSnapshot(state), flags, callbacks);
    jobPointer = &job;
    const DeletionOutcome outcome = job.deleteSelectedFiles();

    EXPECT_EQ(moves, 1);
    EXPECT_TRUE(sawCancel);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_TRUE(QFile::exists(a2));
    EXPECT_TRUE(QFile::exists(a3));
}

} // namespace
