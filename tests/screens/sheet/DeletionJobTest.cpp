#include "support/ScanSheetFixtures.h"

#include "engine/Deletion.h"

#include <thread>

using namespace scansheet_test;

namespace {

class DeletionJobTest : public SheetTestBase {};

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
    EXPECT_EQ(items[0].expectedSize, QFileInfo(a2).size());
    EXPECT_TRUE(items[0].identity.has_value());
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
    callbacks.trashItem = [&](const QString &path, QString *error) {
        if (path == a2) {
            *error = QStringLiteral("Operation not permitted");
            return false;
        }
        return platform::FileManager::trashItem(path).ok;
    };
    DeletionJob job(makeDeletionSnapshot(state), std::make_shared<ScanFlags>(), callbacks);
    const DeletionOutcome outcome = job.run();

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

TEST_F(DeletionJobTest, AStopWhilePausedHandsNothingOver)
{
    const QString a = writePhoto(QStringLiteral("j/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("j/a2.jpg"));
    ResultState state;
    state.setResults({{record(a), record(a2)}});
    state.mark(0, 1);

    auto flags = std::make_shared<ScanFlags>();
    flags->isPaused = true;
    DeletionJob job(makeDeletionSnapshot(state), flags, {});
    DeletionOutcome outcome;
    std::thread worker([&] { outcome = job.run(); });
    flags->isFirstStepAbort = true;
    job.wake();
    worker.join();

    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.visited, 0);
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    EXPECT_TRUE(QFile::exists(a2));
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
    callbacks.trashItem = [](const QString &, QString *) {
        ADD_FAILURE() << "a Photos item must not be trashed";
        return false;
    };
    DeletionJob job(makeDeletionSnapshot(state), std::make_shared<ScanFlags>(), callbacks);
    jobPointer = &job;
    const DeletionOutcome outcome = job.run();
    if (answering.joinable())
        answering.join();

    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(outcome.photosPermissionRefused);
    ASSERT_EQ(outcome.photoItems.size(), 1u);
    EXPECT_EQ(outcome.photoItems[0].photoId, QStringLiteral("uuid-7"));
    EXPECT_EQ(outcome.totalRemoveTrash, 0);
    EXPECT_TRUE(QFile::exists(item));
}

} // namespace
