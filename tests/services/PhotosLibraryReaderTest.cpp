#include "services/PhotosLibraryReader.h"

#include "model/ModuleState.h"
#include "platform/SqliteConnection.h"
#include "support/PhotosFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using photos_fixtures::Item;
using Failure = PhotosLibraryReader::Failure;

namespace {

// Each test program has its own cache folder (see TestMain), so the copies stay apart from those
// of programs run side by side.
class PhotosReaderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString package(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

const QString kOddName = QString::fromUtf8("Ann's \"best\" Grüße 東京.jpg");

std::vector<Item> newerItems()
{
    return {
        {"U-PLAIN", "A", "IMG_0001.JPG", "IMG_0001.JPG", 1234, false, true, {}},
        {"U-ODD", "0", kOddName, kOddName, 55, false, true, {"Holidays"}},
        {"U-REMOVED", "B", "IMG_0003.HEIC", "IMG_0003.HEIC", 77, false, true, {"Twinsift"}},
        {"U-BOTH", "B", "IMG_0004.JPG", "IMG_0004.JPG", 88, false, true, {"Twinsift", "Holidays"}},
        {"U-BOTH2", "C", "IMG_0005.JPG", "IMG_0005.JPG", 99, false, true, {"Holidays", "Twinsift"}},
        {"U-MISSING", "D", "IMG_0006.MOV", "Clip.mov", 4096, false, false, {"Twinsift ", "twinsift"}},
        {"U-TRASHED", "E", "IMG_0007.JPG", "IMG_0007.JPG", 10, true, true, {}},
    };
}

// What reads left in the cache folder: copies and their folders.
QStringList copiesInCache()
{
    return QDir(userCacheFolder()).entryList({"photosTempTWK*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

QStringList uuidsOf(const std::vector<PhotoLibraryProperties> &items)
{
    QStringList uuids;
    for (const auto &item : items)
        uuids << item.RKVuuid;
    return uuids;
}

} // namespace

TEST_F(PhotosReaderTest, LibraryFormIsToldByItsFiles)
{
    const QString newer = package("New.photoslibrary");
    photos_fixtures::writeFile(newer + "/database/Photos.sqlite", "");
    const QString older = package("Old.photoslibrary");
    photos_fixtures::writeFile(older + "/database/photos.db", "");
    const QString upgraded = package("Upgraded.photoslibrary");
    photos_fixtures::writeFile(upgraded + "/database/photos.db", "");
    photos_fixtures::writeFile(upgraded + "/database/Photos.sqlite", "");
    const QString onlyMasters = package("Masters.photoslibrary");
    QDir().mkpath(onlyMasters + "/Masters");
    const QString empty = package("Empty.photoslibrary");
    QDir().mkpath(empty);

    auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(newer + "/");
    ASSERT_TRUE(files);
    EXPECT_EQ(files->form, PhotosLibraryForm::Newer);
    EXPECT_EQ(files->package, newer);
    EXPECT_EQ(files->database, newer + "/database/Photos.sqlite");
    EXPECT_EQ(files->wal, newer + "/database/Photos.sqlite-wal");
    EXPECT_EQ(files->shm, newer + "/database/Photos.sqlite-shm");
    EXPECT_EQ(files->lock, newer + "/database/Photos.sqlite.lock");

    files = PhotosLibraryReader::locatePhotosDatabaseFiles(older);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->form, PhotosLibraryForm::Older);
    EXPECT_EQ(files->database, older + "/database/photos.db");
    EXPECT_EQ(files->wal, older + "/database/photos.db-wal");
    EXPECT_TRUE(files->lock.isEmpty());

    EXPECT_EQ(PhotosLibraryReader::locatePhotosDatabaseFiles(upgraded)->form, PhotosLibraryForm::Newer);
    // The originals folder alone tells the form; the missing database shows up when reading.
    files = PhotosLibraryReader::locatePhotosDatabaseFiles(onlyMasters);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->form, PhotosLibraryForm::Older);
    EXPECT_EQ(PhotosLibraryReader().openPhotosDatabaseCopy(*files).failure, Failure::DatabaseMissing);

    EXPECT_FALSE(PhotosLibraryReader::locatePhotosDatabaseFiles(empty));
    EXPECT_FALSE(PhotosLibraryReader::locatePhotosDatabaseFiles(package("Nowhere.photoslibrary")));
}

TEST_F(PhotosReaderTest, NewerFormGivesItemsWithTheirPropertiesAndLeavesOutRemovedDuplicates)
{
    const QString lib = package(QString::fromUtf8("Bibliothèque \"Ann's\".photoslibrary"));
    photos_fixtures::NewerLibrary fixture(lib, newerItems());
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    const QByteArray original = photos_fixtures::readFile(lib + "/database/Photos.sqlite");

    PhotosLibraryReader reader;
    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);
    const auto read = reader.openPhotosDatabaseCopy(*files);
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    EXPECT_EQ(reader.firstMatched, "26");
    EXPECT_EQ(reader.secondMatched, "3");

    // In "Twinsift" (alone or beside another album) and trashed items are left out; album titles
    // that only look alike are not the album.
    EXPECT_EQ(uuidsOf(read.photosLibrary), QStringList({"U-PLAIN", "U-ODD", "U-MISSING"}));

    const PhotoLibraryProperties &odd = read.photosLibrary[1];
    EXPECT_TRUE(odd.RKMuuid.isEmpty());
    EXPECT_EQ(odd.RKMimagePath, "0");
    EXPECT_EQ(odd.RKMFilSize, "55");
    EXPECT_EQ(odd.RKVuuid, "U-ODD");
    EXPECT_TRUE(odd.RKVmodelId.isEmpty());
    EXPECT_EQ(odd.RKVfilename, kOddName);
    EXPECT_TRUE(odd.RKAVMId.isEmpty());
    EXPECT_EQ(odd.OriginalFileName, kOddName);
    EXPECT_EQ(read.photosLibrary[2].OriginalFileName, "Clip.mov");

    const auto entries = PhotosLibraryReader::photosLibraryEntries(*files, read.photosLibrary);
    ASSERT_EQ(entries.size(), 3u);
    for (const InitialDirectory &entry : entries) {
        EXPECT_TRUE(entry.isPhotoLibrary);
        EXPECT_TRUE(entry.isChecked);
        ASSERT_TRUE(entry.photoLibraryProperties);
        ASSERT_TRUE(entry.url);
    }
    EXPECT_EQ(entries[0].url->toLocalFile(), lib + "/originals/A/IMG_0001.JPG");
    EXPECT_EQ(entries[1].url->toLocalFile(), lib + "/originals/0/" + kOddName);
    EXPECT_EQ(*entries[1].photoLibraryProperties, odd);
    ASSERT_TRUE(entries[1].file) << "the original exists, so its attributes were read";
    EXPECT_FALSE(entries[1].file->isFolder);
    EXPECT_EQ(entries[2].url->toLocalFile(), lib + "/originals/D/IMG_0006.MOV");
    EXPECT_FALSE(entries[2].file) << "missing original: entry without attributes";

    // The library itself is untouched; the copy is gone with the read.
    EXPECT_EQ(photos_fixtures::readFile(lib + "/database/Photos.sqlite"), original);
    EXPECT_EQ(copiesInCache(), QStringList());
    // An item's album by the item's key (the items' keys count from 101): none, or its key and
    // title; a key is a value, never part of the query.
    QTemporaryDir scratch;
    const QString copyPath = scratch.filePath("Photos.sqlite");
    ASSERT_TRUE(QFile::copy(lib + "/database/Photos.sqlite", copyPath));
    platform::SqliteConnection copy;
    ASSERT_TRUE(copy.open(copyPath, platform::SqliteConnection::Mode::ReadOnly));
    const auto albumOf = [&](const QString &key) {
        const auto album = reader.lookupColumnValue(copy, key);
        return QStringList{album.keyName, album.albumName};
    };
    EXPECT_EQ(albumOf("101"), QStringList({"", ""}));
    EXPECT_EQ(albumOf("102"), QStringList({"1", "Holidays"}));
    EXPECT_EQ(albumOf("103"), QStringList({"2", "Twinsift"}));
    EXPECT_EQ(albumOf("101 OR 1=1"), QStringList({"", ""}));
}

TEST_F(PhotosReaderTest, FirstLibrariesOfTheNewerFormAndOtherTableNumbers)
{
    const QString lib = package("Early.photoslibrary");
    photos_fixtures::NewerOptions options;
    options.genericAssetTable = true;
    options.albumTableNumber = 7;
    options.assetNumber = 12;
    photos_fixtures::NewerLibrary fixture(lib, newerItems(), options);
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());

    PhotosLibraryReader reader;
    const auto read = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(lib));
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    EXPECT_EQ(reader.firstMatched, "7");
    EXPECT_EQ(reader.secondMatched, "12");
    EXPECT_EQ(uuidsOf(read.photosLibrary), QStringList({"U-PLAIN", "U-ODD", "U-MISSING"}));
}

TEST_F(PhotosReaderTest, RowsStillInTheWriteAheadLogAreRead)
{
    const QString lib = package("Live.photoslibrary");
    photos_fixtures::NewerOptions options;
    options.keepOpenWithWal = true;
    photos_fixtures::NewerLibrary fixture(lib, newerItems(), options);
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    ASSERT_GT(QFileInfo(lib + "/database/Photos.sqlite-wal").size(), 0);
    const QByteArray wal = photos_fixtures::readFile(lib + "/database/Photos.sqlite-wal");

    PhotosLibraryReader reader;
    const auto read = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(lib));
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    EXPECT_EQ(uuidsOf(read.photosLibrary), QStringList({"U-PLAIN", "U-ODD", "U-MISSING"}));
    EXPECT_EQ(photos_fixtures::readFile(lib + "/database/Photos.sqlite-wal"), wal) << "the live log is untouched";

    // A second read replaces the copies of the first.
    const auto again = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(lib));
    ASSERT_EQ(again.failure, Failure::None) << qPrintable(again.detail);
    EXPECT_EQ(again.photosLibrary.size(), 3u);
}

TEST_F(PhotosReaderTest, OlderFormMapsItsColumnsAndListsEachOriginalOnce)
{
    const QString lib = package(QString::fromUtf8("Älter.photoslibrary"));
    const std::vector<Item> items = {
        {"V-1", "2019/05/01/20190501-101010", "IMG_1.JPG", "", 321, false, true, {}},
        {"V-2", "2019/05/02/20190502-101010", kOddName, "", 654, false, true, {"Twinsift"}},
        {"V-3", "2019/05/03/20190503-101010", "IMG_3.JPG", "", 1, true, true, {}},
        {"V-4", "2019/05/04/20190504-101010", "IMG_4.JPG", "", 2, false, false, {}},
    };
    QString error;
    ASSERT_TRUE(photos_fixtures::makeOlderLibrary(lib, items, {{0, "V-1-COPY"}}, &error)) << qPrintable(error);

    PhotosLibraryReader reader;
    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);
    const auto read = reader.openPhotosDatabaseCopy(*files);
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    // No album test in this form; the trashed item is left out; the duplicated photo shares one
    // original and is listed once, by its latest version.
    EXPECT_EQ(uuidsOf(read.photosLibrary), QStringList({"V-1-COPY", "V-2", "V-4"}));

    const PhotoLibraryProperties &second = read.photosLibrary[1];
    EXPECT_EQ(second.RKMuuid, "M-V-2");
    EXPECT_EQ(second.RKMimagePath, "2019/05/02/20190502-101010/" + kOddName);
    EXPECT_EQ(second.RKMFilSize, "654");
    EXPECT_EQ(second.RKVuuid, "V-2");
    EXPECT_EQ(second.RKVmodelId, "M-V-2");
    EXPECT_EQ(second.RKVfilename, kOddName);
    EXPECT_EQ(second.RKAVMId, "502");
    EXPECT_EQ(second.OriginalFileName, kOddName);

    const auto entries = PhotosLibraryReader::photosLibraryEntries(*files, read.photosLibrary);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].url->toLocalFile(), lib + "/Masters/2019/05/02/20190502-101010/" + kOddName);
    EXPECT_TRUE(entries[1].file);
    EXPECT_FALSE(entries[2].file) << "missing original";
    EXPECT_EQ(copiesInCache(), QStringList());
}

TEST_F(PhotosReaderTest, TwoReadsAtOnceEachReadTheirOwnLibraryFromAPrivateCopy)
{
    const QString first = package("First.photoslibrary");
    const QString second = package("Second.photoslibrary");
    photos_fixtures::NewerLibrary firstFixture(first, newerItems());
    photos_fixtures::NewerLibrary secondFixture(
        second,
        {{"S-1", "A", "S1.JPG", "S1.JPG", 5, false, true, {}}, {"S-2", "B", "S2.JPG", "S2.JPG", 6, false, true, {}}});
    ASSERT_TRUE(firstFixture.ok() && secondFixture.ok());
    const QStringList firstItems{"U-PLAIN", "U-ODD", "U-MISSING"};
    const QStringList secondItems{"S-1", "S-2"};

    // The second read runs whole while the first is under way (from the first's stop check,
    // which runs while it copies and reads). Meanwhile the copies lie in folders only this user
    // can enter.
    PhotosLibraryReader::ReadResult secondRead;
    bool secondStarted = false;
    QSet<QString> privateFolders;
    PhotosLibraryReader reader;
    reader.shouldStop = [&] {
        if (!secondStarted) {
            secondStarted = true;
            PhotosLibraryReader other;
            other.shouldStop = [&] {
                for (const QFileInfo &folder : QDir(userCacheFolder()).entryInfoList({"photosTempTWK-*"}, QDir::Dirs)) {
                    struct stat info = {};
                    if (::lstat(QFile::encodeName(folder.filePath()).constData(), &info) == 0
                        && (info.st_mode & 0777) == 0700)
                        privateFolders.insert(folder.fileName());
                }
                return false;
            };
            secondRead = other.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(second));
        }
        return false;
    };
    const auto firstRead = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(first));
    ASSERT_TRUE(secondStarted);
    EXPECT_EQ(firstRead.failure, Failure::None) << qPrintable(firstRead.detail);
    EXPECT_EQ(secondRead.failure, Failure::None) << qPrintable(secondRead.detail);
    EXPECT_EQ(uuidsOf(firstRead.photosLibrary), firstItems);
    EXPECT_EQ(uuidsOf(secondRead.photosLibrary), secondItems);
    EXPECT_EQ(privateFolders.size(), 2) << "the first read's folder and the second's";
    EXPECT_EQ(copiesInCache(), QStringList());
}

TEST_F(PhotosReaderTest, UnreadableDatabasesAreReportedWithTheirCause)
{
    PhotosLibraryReader reader;

    // The copy cannot be put in place: a file stands where the cache folder goes.
    const QString lib = package("Blocked.photoslibrary");
    photos_fixtures::NewerLibrary fixture(lib, newerItems());
    const QString cache = userCacheFolder();
    ASSERT_TRUE(QDir().rename(cache, cache + ".aside"));
    ASSERT_TRUE(photos_fixtures::writeFile(cache, "occupied"));
    const auto blocked = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(lib));
    EXPECT_EQ(blocked.failure, Failure::CopyFailed);
    EXPECT_TRUE(blocked.detail.contains(cache)) << qPrintable(blocked.detail);
    ASSERT_TRUE(QFile::remove(cache));
    ASSERT_TRUE(QDir().rename(cache + ".aside", cache));

    // A log left under the fixed name of earlier versions, even one that cannot be taken away, is
    // never read with this library's database.
    const QString staleLog = photosTempCopyPaths(true).wal;
    ASSERT_TRUE(QDir().mkpath(staleLog + "/occupied"));
    EXPECT_EQ(reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(lib)).failure,
              Failure::None);
    ASSERT_TRUE(QDir(staleLog).removeRecursively());

    const QString garbage = package("Garbage.photoslibrary");
    photos_fixtures::writeFile(garbage + "/database/Photos.sqlite", QByteArray(8192, 'x'));
    EXPECT_EQ(reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(garbage)).failure,
              Failure::ReadFailed);

    const QString foreign = package("Foreign.photoslibrary");
    {
        photos_fixtures::Db db((QDir().mkpath(foreign + "/database"), foreign + "/database/photos.db"));
        db.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, text VARCHAR)");
    }
    const auto read = reader.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(foreign));
    EXPECT_EQ(read.failure, Failure::ReadFailed);
    EXPECT_TRUE(read.detail.contains("RKVersion")) << qPrintable(read.detail);
    EXPECT_TRUE(read.photosLibrary.empty());
}

TEST_F(PhotosReaderTest, StoredPathsThatLeaveThePackageOrNameNoFileAreSkipped)
{
    PhotosLibraryFiles newer{"/lib.photoslibrary", PhotosLibraryForm::Newer, {}, {}, {}, {}};
    PhotosLibraryFiles older{"/lib.photoslibrary", PhotosLibraryForm::Older, {}, {}, {}, {}};
    auto item = [](QString dir, QString name) {
        PhotoLibraryProperties p;
        p.RKMimagePath = dir;
        p.RKVfilename = name;
        return p;
    };
    EXPECT_EQ(PhotosLibraryReader::originalFilePath(newer, item("A", "x..jpg")),
              "/lib.photoslibrary/originals/A/x..jpg");
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(newer, item("A", "")));
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(newer, item("", "a.jpg")));
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(newer, item("../../etc", "passwd")));
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(newer, item("A", "../b.jpg")));
    EXPECT_EQ(PhotosLibraryReader::originalFilePath(older, item("2019/a.jpg", "")),
              "/lib.photoslibrary/Masters/2019/a.jpg");
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(older, item("/etc/passwd", "")));
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(older, item("2019/../../x", "")));

    // The entry taken is printed (after the line for its file, which is not there); the one skipped
    // is logged as a warning, not printed.
    testing::internal::CaptureStdout();
    const auto entries = PhotosLibraryReader::photosLibraryEntries(newer, {item("A", ""), item("A", "b.jpg")});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error reading file attributes\nPhotos library item: /lib.photoslibrary/originals/A/b.jpg ()\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].url->toLocalFile(), "/lib.photoslibrary/originals/A/b.jpg");
}

namespace {

// Runs `work` in a child process and gives its exit status: absent when the child did not end
// within `seconds` (it is then killed), -1 when it was killed by a signal. The child may write at
// most 64 MB per file, so a read that would fill the disk ends the child instead.
std::optional<int> exitStatusWithin(int seconds, const std::function<int()> &work)
{
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{64u << 20, 64u << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(work());
    }
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ::usleep(50000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return std::nullopt;
}

int readFailure(const PhotosLibraryFiles &files)
{
    return int(PhotosLibraryReader().openPhotosDatabaseCopy(files).failure);
}

} // namespace

TEST_F(PhotosReaderTest, OnlyTheDatabaseAndItsLogAreCopiedEachWithinItsCap)
{
    const QString lib = package("Capped.photoslibrary");
    photos_fixtures::NewerLibrary fixture(lib, newerItems());
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    ASSERT_TRUE(photos_fixtures::writeFile(lib + "/database/Photos.sqlite-shm", "shared memory"));
    const QString log = lib + "/database/Photos.sqlite-wal";
    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);

    // A log of 256 MiB that is nearly all holes would be written out in full: refused, and no
    // copy is left to be read.
    {
        QFile sparse(log);
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(qint64(256) << 20));
    }
    PhotosLibraryReader reader;
    const auto holes = reader.openPhotosDatabaseCopy(*files);
    EXPECT_EQ(holes.failure, Failure::CopyFailed);
    EXPECT_TRUE(holes.detail.contains("sparse")) << qPrintable(holes.detail);
    EXPECT_EQ(copiesInCache(), QStringList());

    // A log above the cap is refused as well.
    QByteArray bytes(3 << 20, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 4096);
    ASSERT_TRUE(photos_fixtures::writeFile(log, bytes));
    reader.maxCopyBytes = 2 << 20;
    const auto large = reader.openPhotosDatabaseCopy(*files);
    EXPECT_EQ(large.failure, Failure::CopyFailed);
    EXPECT_TRUE(large.detail.contains("larger than")) << qPrintable(large.detail);

    // Within the cap the database and the log are copied; the shared-memory and lock files never.
    reader.maxCopyBytes = 4 << 20;
    const auto read = reader.openPhotosDatabaseCopy(*files);
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    EXPECT_EQ(uuidsOf(read.photosLibrary), QStringList({"U-PLAIN", "U-ODD", "U-MISSING"}));
    EXPECT_EQ(copiesInCache(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(photosDatabasePaths().tempCopyLockFile));
}

TEST_F(PhotosReaderTest, ALargeLibraryIsReadOrRefusedWithinOneTimeLimitForTheWholeRead)
{
    // 3,000 items more and a join table of 1,500,000 rows whose item column has no index (the
    // copy stays below the file size limit of the forked reader).
    const QString lib = package("Large.photoslibrary");
    {
        photos_fixtures::NewerLibrary fixture(lib, newerItems());
        ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    }
    QString error;
    const int kept = photos_fixtures::addManyItems(lib, 3000, 1500000, &error);
    ASSERT_GT(kept, 0) << qPrintable(error);
    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);

    // With the usual limit the read ends, read or refused, long before a generous bound.
    const auto status = exitStatusWithin(60, [&] {
        const auto read = PhotosLibraryReader().openPhotosDatabaseCopy(*files);
        if (read.failure == Failure::None)
            return read.photosLibrary.size() == size_t(kept) + 3 ? 0 : 1;
        return read.failure == Failure::ReadFailed && read.detail.contains("longer than") ? 2 : 3;
    });
    EXPECT_TRUE(status == 0 || status == 2) << (status ? *status : -1);

    // The album of removed duplicates is found for every item, as one lookup per item finds it.
    PhotosLibraryReader reader;
    const auto read = reader.openPhotosDatabaseCopy(*files);
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    QStringList expected = {"U-PLAIN", "U-ODD", "U-MISSING"};
    for (int i = 0; i < 3000; ++i) {
        if (i % 10 != 0)
            expected << QString("BULK-%1").arg(i);
    }
    EXPECT_EQ(uuidsOf(read.photosLibrary), expected);

    // The limit is for the whole read: one that cannot finish in it is refused, with nothing read.
    reader.readTimeLimit = std::chrono::milliseconds(1);
    const auto late = reader.openPhotosDatabaseCopy(*files);
    EXPECT_EQ(late.failure, Failure::ReadFailed);
    EXPECT_EQ(late.detail, "the read ran longer than 1 ms");
    EXPECT_TRUE(late.photosLibrary.empty());
}

TEST_F(PhotosReaderTest, PipesAndLinksInPlaceOfTheDatabaseFilesAreRefusedNotWaitedOn)
{
    // A pipe stands where the database should be: refused at once.
    const QString pipe = package("Pipe.photoslibrary");
    ASSERT_TRUE(QDir().mkpath(pipe + "/database") && QDir().mkpath(pipe + "/originals"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe + "/database/Photos.sqlite").constData(), 0600), 0);
    const auto pipeFiles = PhotosLibraryReader::locatePhotosDatabaseFiles(pipe);
    ASSERT_TRUE(pipeFiles);
    EXPECT_EQ(exitStatusWithin(10, [&] { return readFailure(*pipeFiles); }), int(Failure::DatabaseMissing));

    // A pipe in place of the write-ahead log: the log is left out, the database is read.
    const QString pipeLog = package("PipeLog.photoslibrary");
    photos_fixtures::NewerLibrary fixture(pipeLog, newerItems());
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipeLog + "/database/Photos.sqlite-wal").constData(), 0600), 0);
    const auto logFiles = PhotosLibraryReader::locatePhotosDatabaseFiles(pipeLog);
    ASSERT_TRUE(logFiles);
    EXPECT_EQ(exitStatusWithin(10, [&] { return readFailure(*logFiles); }), int(Failure::None));

    // A link in place of the database is not followed.
    const QString linked = package("Linked.photoslibrary");
    ASSERT_TRUE(QDir().mkpath(linked + "/database") && QDir().mkpath(linked + "/originals"));
    ASSERT_TRUE(QFile::link(pipeLog + "/database/Photos.sqlite", linked + "/database/Photos.sqlite"));
    const auto linkFiles = PhotosLibraryReader::locatePhotosDatabaseFiles(linked);
    ASSERT_TRUE(linkFiles);
    EXPECT_EQ(PhotosLibraryReader().openPhotosDatabaseCopy(*linkFiles).failure, Failure::DatabaseMissing);
}

TEST_F(PhotosReaderTest, AnEndlessViewInPlaceOfTheItemTableIsRefused)
{
    const QString lib = package("Endless.photoslibrary");
    {
        photos_fixtures::NewerLibrary fixture(lib, newerItems());
        ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    }
    {
        photos_fixtures::Db db(lib + "/database/Photos.sqlite");
        db.exec("DROP TABLE ZASSET;"
                "CREATE VIEW ZASSET AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r)"
                " SELECT n AS Z_PK, 3 AS Z_ENT, 'U' || n AS ZUUID, 'f.jpg' AS ZFILENAME, 'A' AS ZDIRECTORY,"
                " 0 AS ZDATECREATED, 0 AS ZTRASHEDSTATE FROM r;");
        ASSERT_TRUE(db.ok()) << qPrintable(db.error());
    }
    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);
    EXPECT_EQ(exitStatusWithin(20, [&] { return readFailure(*files); }), int(Failure::ReadFailed));

    const auto read = PhotosLibraryReader().openPhotosDatabaseCopy(*files);
    EXPECT_EQ(read.failure, Failure::ReadFailed);
    EXPECT_TRUE(read.detail.contains("ZASSET")) << qPrintable(read.detail);
    EXPECT_TRUE(read.photosLibrary.empty());

    // A stop request ends a read as well.
    const QString plain = package("Plain.photoslibrary");
    photos_fixtures::NewerLibrary fixture(plain, newerItems());
    PhotosLibraryReader stopped;
    stopped.shouldStop = [] { return true; };
    EXPECT_EQ(stopped.openPhotosDatabaseCopy(*PhotosLibraryReader::locatePhotosDatabaseFiles(plain)).failure,
              Failure::ReadFailed);
}

TEST_F(PhotosReaderTest, ItemsResolveInsideThePackageOnly)
{
    const QString lib = package("Links.photoslibrary");
    const std::vector<Item> items = {
        {"U-IN", "A", "in.jpg", "in.jpg", 10, false, true, {}},
        {"U-LINK-IN", "A", "link-in.jpg", "link-in.jpg", 10, false, false, {}},
        {"U-LINK-OUT", "A", "link-out.jpg", "link-out.jpg", 10, false, false, {}},
        {"U-FOLDER-OUT", "Outside", "x.jpg", "x.jpg", 10, false, false, {}},
    };
    photos_fixtures::NewerLibrary fixture(lib, items);
    ASSERT_TRUE(fixture.ok()) << qPrintable(fixture.error());
    ASSERT_TRUE(photos_fixtures::writeFile(dir.filePath("outside/secret.jpg"), "not the library's"));
    ASSERT_TRUE(photos_fixtures::writeFile(dir.filePath("outside/x.jpg"), "not the library's"));
    ASSERT_TRUE(QFile::link(lib + "/originals/A/in.jpg", lib + "/originals/A/link-in.jpg"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside/secret.jpg"), lib + "/originals/A/link-out.jpg"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), lib + "/originals/Outside"));

    const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(lib);
    ASSERT_TRUE(files);
    const auto read = PhotosLibraryReader().openPhotosDatabaseCopy(*files);
    ASSERT_EQ(read.failure, Failure::None) << qPrintable(read.detail);
    ASSERT_EQ(read.photosLibrary.size(), 4u);
    const auto entries = PhotosLibraryReader::photosLibraryEntries(*files, read.photosLibrary);
    QStringList uuids;
    for (const InitialDirectory &entry : entries)
        uuids << entry.photoLibraryProperties->RKVuuid;
    EXPECT_EQ(uuids, QStringList({"U-IN", "U-LINK-IN"}));
    const QString real = QFileInfo(lib + "/originals/A/in.jpg").canonicalFilePath();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].url->toLocalFile(), real);
    EXPECT_EQ(entries[1].url->toLocalFile(), real) << "a link inside the package stands for its target";

    // A stored path holding a NUL character names no file.
    PhotoLibraryProperties withNul;
    withNul.RKMimagePath = QStringLiteral("A");
    withNul.RKVfilename = QStringLiteral("in.jpg") + QChar(u'\0') + QStringLiteral("x");
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(*files, withNul));
    withNul.RKMimagePath = QStringLiteral("A") + QChar(u'\0');
    withNul.RKVfilename = QStringLiteral("in.jpg");
    EXPECT_FALSE(PhotosLibraryReader::originalFilePath(*files, withNul));
}

TEST(PhotosRegexTest, MatchesInOrderAndRejectsABadPattern)
{
    EXPECT_EQ(PhotosLibraryReader::regexMatches(PhotosLibraryReader::pattern, "Z_26ASSETS"),
              QStringList({"Z_26ASSETS"}));
    EXPECT_TRUE(PhotosLibraryReader::regexMatches(PhotosLibraryReader::pattern, "Z_FOK_3ASSETS").isEmpty());
    EXPECT_EQ(PhotosLibraryReader::regexMatches(PhotosLibraryReader::pattern1, "Z_26ASSETS").join(""), "26");
    EXPECT_EQ(PhotosLibraryReader::regexMatches(PhotosLibraryReader::pattern1, "Z2_26ASSETS").join(""), "226");
    EXPECT_TRUE(PhotosLibraryReader::regexMatches("([0-9", "Z_26ASSETS").isEmpty());
}
