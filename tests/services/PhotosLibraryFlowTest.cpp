#include "services/PhotosLibraryFlow.h"

#include "model/ModuleState.h"
#include "platform/Dispatch.h"
#include "platform/PhotosApp.h"
#include "support/PhotosFixtures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using photos_fixtures::Item;
using platform::PhotosApp;

namespace {

InitialDirectory entryFor(const QString &path, bool ticked = true)
{
    InitialDirectory entry;
    entry.url = QUrl::fromLocalFile(path);
    entry.isChecked = ticked;
    return entry;
}

QStringList pathsOf(const std::vector<InitialDirectory> &list)
{
    QStringList paths;
    for (const auto &entry : list)
        paths << (entry.url ? entry.url->toLocalFile() : QString("<no url>"));
    return paths;
}

// The home screen as the flow sees it: a working list, the Scan sheet and the alerts, with the
// answers given by the test.
class PhotosFlowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedTable = localizationTable;
        localizationTable = QVariantMap{
            {"IDS_TWK_215", "Photos is open"},   {"IDS_TWK_217", "Quit Photos"},
            {"IDS_TWK_218", "Skip Library"},     {"IDS_TWK_4101", "Photos is still open"},
            {"IDS_TWK_4102", "Left out: %@"},    {"IDS_TWK_4104", "Cannot read %@"},
            {"IDS_TWK_4108", "Damaged."},        {"IDS_TWK_4109", "Scan without it or cancel."},
            {"IDS_TWK_4110", "Scan Without It"}, {"IDS_TWK_4111", "Cancel"},
        };
        PhotosApp::shared().setProcessName(QString());
        PhotosApp::shared().setAlbumStorePath(dir.filePath("albums.sqlite"));

        PhotosLibraryFlow::Callbacks callbacks;
        callbacks.initialDirectories = [this]() -> std::vector<InitialDirectory> & { return list; };
        callbacks.startScan = [this] {
            ++scans;
            photosRunningAtScan = PhotosApp::shared().isRunning();
            scanned = list;
        };
        callbacks.askToQuitPhotos = [this](const PhotosLibraryAlert &alert, std::function<void(bool)> answer) {
            alerts << alert.messageText + "|" + alert.buttonTitles.join(",");
            quitAnswer = std::move(answer);
        };
        callbacks.photosDidNotQuit = [this](const PhotosLibraryAlert &alert, std::function<void()> done) {
            alerts << alert.messageText + "|" + alert.informativeText;
            notQuitDone = std::move(done);
        };
        callbacks.libraryUnreadable = [this](const PhotosLibraryAlert &alert, const QString &path,
                                             std::function<void(bool)> answer) {
            alerts << alert.messageText + "|" + alert.informativeText + "|" + alert.buttonTitles.join(",");
            unreadablePaths << path;
            unreadableAnswer = std::move(answer);
        };
        flow = std::make_unique<PhotosLibraryFlow>(callbacks);
        flow->quitWaitMs = 10000;
    }

    void TearDown() override
    {
        flow.reset();
        localizationTable = savedTable;
        PhotosApp::shared().setProcessName(QString());
    }

    QString newerLibrary(const QString &name)
    {
        const QString path = dir.filePath(name);
        photos_fixtures::NewerLibrary library(path,
                                              {
                                                  {"N-1", "A", "IMG_1.JPG", "IMG_1.JPG", 10, false, true, {}},
                                                  {"N-2", "B", "IMG_2.JPG", "IMG_2.JPG", 20, false, true, {"Twinsift"}},
                                              });
        EXPECT_TRUE(library.ok()) << qPrintable(library.error());
        return path;
    }

    QString olderLibrary(const QString &name)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(photos_fixtures::makeOlderLibrary(path, {{"O-1", "2020/01", "a.jpg", "", 5, false, true, {}}}));
        return path;
    }

    // Starts a process standing in for Photos; program is "/bin/sleep" or "/bin/sh".
    void startPhotos(const QString &program, const QStringList &arguments)
    {
        QString name;
        const auto copy = photos_fixtures::uniqueProgramCopy(dir.path(), program, &name);
        ASSERT_TRUE(copy);
        photosProcess.start(*copy, arguments);
        ASSERT_TRUE(photosProcess.waitForStarted(5000));
        PhotosApp::shared().setProcessName(name);
        ASSERT_TRUE(PhotosApp::shared().isRunning());
    }

    // Runs the event loop until the read on the worker has ended and the flow waits for an
    // answer, has started the scan or has given up.
    bool settled()
    {
        return platform::Dispatch::runMainLoopUntil([this] { return !flow->isReading(); }, 30000);
    }

    QTemporaryDir dir;
    std::optional<QVariantMap> savedTable;
    std::vector<InitialDirectory> list;
    std::vector<InitialDirectory> scanned;
    int scans = 0;
    bool photosRunningAtScan = false;
    QStringList alerts;
    QStringList unreadablePaths;
    std::function<void(bool)> quitAnswer;
    std::function<void()> notQuitDone;
    std::function<void(bool)> unreadableAnswer;
    std::unique_ptr<PhotosLibraryFlow> flow;
    QProcess photosProcess;
};

} // namespace

TEST_F(PhotosFlowTest, WithoutATickedLibraryTheScanStartsAtOnce)
{
    const QString folder = dir.filePath("Pictures");
    const QString library = newerLibrary("Unticked.photoslibrary");
    list = {entryFor(folder), entryFor(library, false)};

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(pathsOf(scanned), QStringList({folder, library})) << "the scan sheet drops the library itself";
    EXPECT_TRUE(flow->photosLibraryEntries().empty());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(PhotosFlowTest, TickedLibrariesOfBothFormsAreReadInListOrder)
{
    const QString folder = dir.filePath("Pictures");
    const QString first = newerLibrary("First.photoslibrary");
    const QString unticked = olderLibrary("Unticked.photoslibrary");
    const QString last = olderLibrary("Last.PhotosLibrary");
    list = {entryFor(first), entryFor(folder), entryFor(unticked, false), entryFor(last),
            entryFor(first + "/originals/A/IMG_1.JPG")};

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_TRUE(flow->isReading()) << "the libraries are read on the worker";
    EXPECT_TRUE(settled());
    ASSERT_EQ(scans, 1);
    EXPECT_FALSE(flow->isBusy());
    EXPECT_TRUE(alerts.isEmpty());
    // Library entries and anything inside a package leave the list; the items follow the rest.
    EXPECT_EQ(pathsOf(scanned),
              QStringList({folder, first + "/originals/A/IMG_1.JPG", last + "/Masters/2020/01/a.jpg"}));
    EXPECT_FALSE(scanned[0].isPhotoLibrary);
    EXPECT_TRUE(scanned[1].isPhotoLibrary);
    EXPECT_EQ(scanned[1].photoLibraryProperties->RKVuuid, "N-1");
    EXPECT_EQ(scanned[2].photoLibraryProperties->RKVuuid, "O-1");
    EXPECT_EQ(photosDatabasePaths().libraryDatabase, last + "/database/photos.db");
    EXPECT_EQ(photosDatabasePaths().libraryDatabaseWal, last + "/database/photos.db-wal");
}

TEST_F(PhotosFlowTest, FoldersWhoseNamesMerelyContainTheExtensionStayInTheList)
{
    const QString library = newerLibrary("Lib.photoslibrary");
    const QString export_ = dir.filePath("Trip.photoslibrary-export");
    const QString backup = dir.filePath("old.photoslibrary.bak/Pictures");
    const QString named = dir.filePath("my.photoslibrary photos");
    list = {entryFor(export_), entryFor(library), entryFor(backup), entryFor(named), entryFor(library + "/originals")};

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_TRUE(settled());
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(pathsOf(scanned), QStringList({export_, backup, named, library + "/originals/A/IMG_1.JPG"}));

    // Skipping the libraries leaves the same folders in the list.
    list = {entryFor(export_), entryFor(library), entryFor(backup)};
    flow->skipPhotosLibrary();
    ASSERT_EQ(scans, 2);
    EXPECT_EQ(pathsOf(scanned), QStringList({export_, backup}));
}

TEST_F(PhotosFlowTest, AnUnreadableLibraryIsNamedAndTheUserChooses)
{
    const QString folder = dir.filePath("Pictures");
    const QString broken = dir.filePath("Broken \"One\".photoslibrary");
    photos_fixtures::writeFile(broken + "/database/Photos.sqlite", QByteArray(4096, 'x'));
    const QString good = newerLibrary("Good.photoslibrary");
    list = {entryFor(folder), entryFor(broken), entryFor(good)};

    // Cancel: no scan, and the home screen can start again.
    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_TRUE(settled());
    ASSERT_TRUE(unreadableAnswer);
    EXPECT_EQ(unreadablePaths, QStringList({broken}));
    EXPECT_EQ(alerts.value(0),
              "Cannot read Broken \"One\".photoslibrary|Damaged. Scan without it or cancel.|Scan Without It,Cancel");
    EXPECT_TRUE(flow->isBusy());
    EXPECT_FALSE(flow->scanOrReadPhotosLibrary()) << "one run at a time";
    unreadableAnswer(false);
    unreadableAnswer(true); // a second answer is ignored
    EXPECT_EQ(scans, 0);
    EXPECT_FALSE(flow->isBusy());

    // Scan without it: the other library is still read.
    unreadableAnswer = nullptr;
    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_TRUE(settled());
    ASSERT_TRUE(unreadableAnswer);
    unreadableAnswer(true);
    EXPECT_TRUE(settled());
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(pathsOf(scanned), QStringList({folder, good + "/originals/A/IMG_1.JPG"}));
}

TEST_F(PhotosFlowTest, PhotosRunningAndTheLibrarySkipped)
{
    const QString library = newerLibrary("Lib.photoslibrary");
    list = {entryFor(dir.filePath("Pictures")), entryFor(library)};
    startPhotos("/bin/sleep", {"30"});

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_EQ(alerts, QStringList({"Photos is open|Quit Photos,Skip Library"}));
    ASSERT_TRUE(quitAnswer);
    EXPECT_EQ(scans, 0) << "nothing happens before the answer";
    quitAnswer(false);
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(pathsOf(scanned), QStringList({dir.filePath("Pictures")}));
    EXPECT_TRUE(flow->photosLibraryEntries().empty());
    EXPECT_TRUE(PhotosApp::shared().isRunning()) << "Photos keeps running";
    photos_fixtures::stopChild(photosProcess);
}

TEST_F(PhotosFlowTest, PhotosQuitsBeforeTheDatabaseIsCopied)
{
    const QString library = newerLibrary("Lib.photoslibrary");
    list = {entryFor(library)};
    startPhotos("/bin/sleep", {"30"});

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    ASSERT_TRUE(quitAnswer);
    quitAnswer(true);
    EXPECT_EQ(scans, 0) << "the wait runs on the event loop";
    EXPECT_TRUE(platform::Dispatch::runMainLoopUntil([this] { return scans > 0; }, 15000));
    ASSERT_EQ(scans, 1);
    EXPECT_FALSE(photosRunningAtScan);
    EXPECT_EQ(pathsOf(scanned), QStringList({library + "/originals/A/IMG_1.JPG"}));
    photos_fixtures::stopChild(photosProcess);
}

TEST_F(PhotosFlowTest, PhotosThatDoesNotQuitLeavesTheLibraryOut)
{
    const QString library = newerLibrary("Kept Open.photoslibrary");
    list = {entryFor(dir.filePath("Pictures")), entryFor(library)};
    startPhotos("/bin/sh", {"-c", "trap '' TERM; echo ready; while :; do sleep 1; done"});
    ASSERT_TRUE(photosProcess.waitForReadyRead(5000));
    flow->quitWaitMs = 300;

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    ASSERT_TRUE(quitAnswer);
    quitAnswer(true);
    EXPECT_TRUE(platform::Dispatch::runMainLoopUntil([this] { return bool(notQuitDone); }, 15000));
    ASSERT_TRUE(notQuitDone);
    EXPECT_EQ(alerts.value(1), "Photos is still open|Left out: Kept Open.photoslibrary");
    EXPECT_EQ(scans, 0);
    notQuitDone();
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(pathsOf(scanned), QStringList({dir.filePath("Pictures")}));
    photos_fixtures::stopChild(photosProcess);
}

TEST_F(PhotosFlowTest, StopEndsAReadInProgressAndNoScanStarts)
{
    // A library large enough that its read is still running when the stop comes.
    const QString library = newerLibrary("Large.photoslibrary");
    QString error;
    ASSERT_GT(photos_fixtures::addManyItems(library, 3000, 2000000, &error), 0) << qPrintable(error);
    list = {entryFor(dir.filePath("Pictures")), entryFor(library)};

    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    ASSERT_TRUE(flow->isReading());
    EXPECT_EQ(scans, 0) << "the read does not hold up the event loop";
    flow->stopReading();
    EXPECT_TRUE(settled());
    EXPECT_EQ(scans, 0);
    EXPECT_TRUE(unreadablePaths.isEmpty()) << "a stop is no unreadable library";
    EXPECT_FALSE(flow->isBusy());
    EXPECT_EQ(pathsOf(list), QStringList({dir.filePath("Pictures"), library})) << "the working list is as it was";

    // The next Scan reads the same library to its end.
    EXPECT_TRUE(flow->scanOrReadPhotosLibrary());
    EXPECT_TRUE(settled());
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(scanned.size(), 1u + 1u + 2700u);
}
