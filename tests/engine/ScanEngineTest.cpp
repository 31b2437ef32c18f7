#include "engine/ScanEngine.h"

#include "platform/UserDefaults.h"
#include "engine/ScanPublication.h"
#include "services/MVNAssistance.h"
#include "support/HostileFiles.h"
#include "support/ScanFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <thread>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using scanfixtures::entryFor;
using scanfixtures::RecordingProgress;

namespace {

class ScanEngineTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::shared_ptr<ScanFlags> flags = std::make_shared<ScanFlags>();
    ScanSettings settings = ScanSettings::defaults();

    QString path(const QString &name) const { return dir.filePath(name); }

    void photo(const QString &name, quint32 seed, int quality = 90)
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(scanfixtures::writeJpeg(path(name), scanfixtures::makePhoto(seed), quality));
    }
    void copy(const QString &from, const QString &to)
    {
        QDir().mkpath(QFileInfo(path(to)).path());
        ASSERT_TRUE(QFile::copy(path(from), path(to)));
    }
    void bytes(const QString &name, int size, char fill = 'x')
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(scanfixtures::writeFile(path(name), QByteArray(size, fill)));
    }

    ScanEngine engine(ScanProgress *progress = nullptr, unsigned threads = 4)
    {
        ScanEngine result(flags, settings, progress);
        result.setCollectionPause(std::chrono::milliseconds(0));
        result.setThreadCount(threads);
        return result;
    }

    static QStringList names(const std::vector<ImageFilePtr> &files)
    {
        QStringList result;
        for (const auto &file : files)
            result << QFileInfo(file->path()).fileName();
        return result;
    }
    QStringList collectedNames(const std::vector<InitialDirectory> &entries, unsigned threads = 4)
    {
        auto collected = engine(nullptr, threads).collectFiles(entries);
        EXPECT_TRUE(collected.has_value());
        return collected ? names(collected->files) : QStringList{};
    }
};

TEST_F(ScanEngineTest, FilterByExtensionSizeAndKind)
{
    photo("a.jpg", 1);
    photo("B.JPG", 2);
    bytes("broken.jpg", 5000);
    bytes("clip.mp4", 5000);
    bytes("notes.txt", 5000);
    bytes("noextension", 5000);
    photo(".hidden.jpg", 3);
    const quint64 sizeOfA = quint64(QFileInfo(path("a.jpg")).size());
    const std::vector<InitialDirectory> entries = {entryFor(dir.path())};

    // Listing order is name order.
    EXPECT_EQ(collectedNames(entries), (QStringList{"B.JPG", "a.jpg"}));

    // A file of exactly the minimum size is dropped; one byte larger passes.
    settings.minimumFileSize = sizeOfA;
    EXPECT_FALSE(collectedNames(entries).contains("a.jpg"));
    settings.minimumFileSize = sizeOfA - 1;
    EXPECT_TRUE(collectedNames(entries).contains("a.jpg"));

    // Videos are collected, unread, when the switch is on.
    settings.minimumFileSize = 1024;
    settings.scanVideos = true;
    auto collected = engine().collectFiles(entries);
    ASSERT_TRUE(collected.has_value());
    EXPECT_EQ(names(collected->files), (QStringList{"B.JPG", "a.jpg", "clip.mp4"}));
    EXPECT_TRUE(collected->files[2]->isVideo);
    EXPECT_FALSE(collected->files[0]->isVideo);
    EXPECT_EQ(collected->sizes[1], sizeOfA);

    // An extension the user removed from the scan list is not collected.
    settings.scanExtensions.removeAll("jpg");
    EXPECT_EQ(collectedNames(entries), (QStringList{"clip.mp4"}));
}

TEST_F(ScanEngineTest, OneFileReachedThroughSeveralPathsIsCollectedOnce)
{
    photo("root/a.jpg", 1);
    photo("root/sub/b.jpg", 2);
    copy("root/a.jpg", "root/sub/a-copy.jpg");
    ASSERT_EQ(::link(QFile::encodeName(path("root/a.jpg")).constData(),
                     QFile::encodeName(path("root/hardlink.jpg")).constData()),
              0);
    ASSERT_TRUE(QFile::link(path("root/a.jpg"), path("root/symlink.jpg")));

    const std::vector<InitialDirectory> entries = {
        entryFor(path("root")),
        entryFor(path("root/sub")),          // overlapping root
        entryFor(path("root/sub/../a.jpg")), // the same file under another spelling
        entryFor(path("root/symlink.jpg")),  // a link (its own size is tiny)
    };
    auto collected = engine().collectFiles(entries);
    ASSERT_TRUE(collected.has_value());
    // a.jpg and its hard link are one file; the copy is another file.
    EXPECT_EQ(names(collected->files), (QStringList{"a.jpg", "a-copy.jpg", "b.jpg"}));

    // So the exact scan pairs the file with its copy, never with itself.
    auto outcome = engine().sendDataToScanVC(entries, false);
    ASSERT_TRUE(outcome.completed);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    EXPECT_EQ(names((*outcome.sendData)[0]), (QStringList{"a.jpg", "a-copy.jpg"}));
}

TEST_F(ScanEngineTest, LinkedRootFolderIsScannedAtItsTargetOnce)
{
    photo("disk/Pictures/a.jpg", 1);
    photo("disk/Pictures/sub/b.jpg", 2);
    photo("elsewhere/c.jpg", 3);
    // A link below the root is not followed.
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("disk/Pictures/linked-elsewhere")));
    ASSERT_TRUE(QFile::link(path("disk/Pictures"), path("Pictures")));

    EXPECT_EQ(collectedNames({entryFor(path("Pictures"))}), (QStringList{"a.jpg", "b.jpg"}));
    // The link and its target both listed: every file once.
    EXPECT_EQ(collectedNames({entryFor(path("Pictures")), entryFor(path("disk/Pictures"))}),
              (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(collectedNames({entryFor(path("disk/Pictures")), entryFor(path("Pictures"))}),
              (QStringList{"a.jpg", "b.jpg"}));
}

TEST_F(ScanEngineTest, LinkGivenAsASingleFileIsCollectedAsItsTargetOnce)
{
    // With no minimum size, the link's own few bytes would pass the size test.
    settings.minimumFileSize = 0;
    photo("photos/a.jpg", 1);
    copy("photos/a.jpg", "photos/a-copy.jpg");
    ASSERT_TRUE(QFile::link(path("photos/a.jpg"), path("dropped-link.jpg")));
    ASSERT_TRUE(QFile::link(path("photos/a-copy.jpg"), path("photos/link-below.jpg")));

    auto collected = engine().collectFiles({entryFor(path("dropped-link.jpg"))});
    ASSERT_TRUE(collected.has_value());
    ASSERT_EQ(collected->files.size(), 1u);
    EXPECT_EQ(collected->files[0]->path(), QFileInfo(path("photos/a.jpg")).canonicalFilePath());

    // The link beside its target is never a second photo: the exact scan pairs a.jpg with its copy
    // only, and a link below the folder is not collected.
    const std::vector<InitialDirectory> entries = {entryFor(path("photos")), entryFor(path("dropped-link.jpg"))};
    EXPECT_EQ(collectedNames(entries), (QStringList{"a-copy.jpg", "a.jpg"}));
    auto outcome = engine().sendDataToScanVC(entries, false);
    ASSERT_TRUE(outcome.completed);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    EXPECT_EQ(names((*outcome.sendData)[0]), (QStringList{"a-copy.jpg", "a.jpg"}));

    // A Photos library item never follows a link.
    InitialDirectory item = entryFor(path("dropped-link.jpg"));
    item.isPhotoLibrary = true;
    item.photoLibraryProperties = PhotoLibraryProperties{};
    EXPECT_TRUE(collectedNames({item}).isEmpty());

    // Neither does anything that is not a regular file count.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600), 0);
    EXPECT_TRUE(collectedNames({entryFor(path("pipe.jpg"))}).isEmpty());
}

TEST_F(ScanEngineTest, EntryWithANulInItsPathIsSkipped)
{
    photo("album/sub/a.jpg", 1);
    // An entry as a damaged settings file or library row could make it: the part before the NUL
    // is a folder.
    InitialDirectory entry = entryFor(path("album"));
    ASSERT_TRUE(entry.file && entry.file->isFolder);
    entry.url = QUrl::fromLocalFile(path("album") + QChar(u'\0') + QStringLiteral("/sub"));
    ASSERT_TRUE(entry.url->toLocalFile().contains(QChar(u'\0')));
    InitialDirectory single = entryFor(path("album/sub/a.jpg"));
    single.url = QUrl::fromLocalFile(path("album/sub/a.jpg") + QChar(u'\0') + QStringLiteral(".jpg"));

    EXPECT_TRUE(collectedNames({entry, single}).isEmpty());
    EXPECT_FALSE(sharedAssistance().listFiles(*entry.url, flags));
}

TEST_F(ScanEngineTest, EntriesThatAreUncheckedMissingOrFromThePhotosLibrary)
{
    photo("folder/a.jpg", 1);
    photo("single.jpg", 2);
    photo("item.jpg", 3);
    InitialDirectory unchecked = entryFor(path("folder"));
    unchecked.isChecked = false;
    InitialDirectory missing = entryFor(path("single.jpg"));
    InitialDirectory item = entryFor(path("item.jpg"));
    item.isPhotoLibrary = true;
    PhotoLibraryProperties properties;
    properties.RKVuuid = "uuid-1";
    properties.OriginalFileName = "IMG_0001.JPG";
    item.photoLibraryProperties = properties;
    InitialDirectory noFile;
    noFile.url = QUrl::fromLocalFile(path("folder"));
    ASSERT_TRUE(QFile::remove(path("single.jpg")));

    auto collected = engine().collectFiles({unchecked, missing, item, noFile});
    ASSERT_TRUE(collected.has_value());
    ASSERT_EQ(collected->files.size(), 1u);
    const ImageFile &record = *collected->files[0];
    EXPECT_TRUE(record.isPhotoLibrary);
    EXPECT_EQ(record.photoLibraryProperties, properties);
    EXPECT_EQ(record.fileName, QString("IMG_0001.JPG"));
}

TEST_F(ScanEngineTest, ParallelCollectionKeepsTheListingOrder)
{
    for (int i = 0; i < 40; ++i) {
        if (i % 7 == 3)
            bytes(QString("d%1/broken%2.png").arg(i % 3).arg(i), 3000);
        else
            photo(QString("d%1/p%2.jpg").arg(i % 3).arg(i, 2, 10, QChar('0')), quint32(i), 60);
    }
    const std::vector<InitialDirectory> entries = {entryFor(dir.path())};
    RecordingProgress sequential, parallel;
    auto one = engine(&sequential, 1).collectFiles(entries);
    auto many = engine(&parallel, 6).collectFiles(entries);
    ASSERT_TRUE(one && many);
    EXPECT_EQ(names(one->files).size(), 34);
    EXPECT_EQ(names(one->files), names(many->files));
    EXPECT_EQ(sequential.calls, parallel.calls);
}

TEST_F(ScanEngineTest, RemovePhotosLibraryRootsRemovesTheFirstOnly)
{
    InitialDirectory noUrl;
    std::vector<InitialDirectory> entries = {noUrl, entryFor("/pictures/A.photoslibrary"), entryFor("/pictures/folder"),
                                             entryFor("/pictures/B.PhotosLibrary")};
    ScanEngine::removePhotosLibraryRoots(entries);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].url.has_value());
    EXPECT_EQ(entries[1].url->path(), "/pictures/folder");
    EXPECT_EQ(entries[2].url->path(), "/pictures/B.PhotosLibrary");
}

TEST_F(ScanEngineTest, CompletedScansAndTheirProgress)
{
    photo("a.jpg", 1);
    copy("a.jpg", "b.jpg");
    photo("c.jpg", 3);
    RecordingProgress progress;
    auto outcome = engine(&progress).sendDataToScanVC({entryFor(dir.path())}, false);
    ASSERT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.collectedCount, 3);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    EXPECT_EQ(names((*outcome.sendData)[0]), (QStringList{"a.jpg", "b.jpg"}));
    // The keys of the grouped files come with the result, and travel with it to the results.
    ASSERT_TRUE(outcome.fileKeys);
    EXPECT_EQ(outcome.fileKeys->entryCount(), 2);
    const QVariant keys = ScanPublication::decide(outcome.sendData, false, outcome.fileKeys).userInfo.value("fileKeys");
    EXPECT_EQ(keys.value<std::shared_ptr<ResultFileKeys>>(), outcome.fileKeys);
    const std::vector<std::string> expected = {
        "collect 1 33", "complete IDS_TWK_35",
        "animated 0",   "start 3",
        "percent 25", // digest of position 1 (i * 75 / n)
        "dup 1",        "dup 2",
        "percent 83", // pairing of position 1 (75 + i * 25 / n)
    };
    EXPECT_EQ(progress.calls, expected);

    // Nothing to scan: the collection step is shown complete twice and the result is the empty
    // list, not absent.
    RecordingProgress empty;
    auto none = engine(&empty).sendDataToScanVC({}, true);
    ASSERT_TRUE(none.completed);
    ASSERT_TRUE(none.sendData.has_value());
    EXPECT_TRUE(none.sendData->empty());
    EXPECT_FALSE(none.fileKeys);
    EXPECT_EQ(empty.calls, (std::vector<std::string>{"complete IDS_TWK_35", "animated 0", "complete IDS_TWK_35"}));
}

TEST_F(ScanEngineTest, SimilarScanOfAFolder)
{
    const QImage original = scanfixtures::makePhoto(21, 1024, 768);
    auto save = [&](const QString &name, const QImage &image, int quality, const QString &when) {
        ASSERT_TRUE(scanfixtures::writeJpeg(path(name), image, quality));
        scanfixtures::ExifFields fields;
        fields.dateTime = when;
        ASSERT_TRUE(scanfixtures::writeExif(path(name), fields));
    };
    save("1.jpg", original, 92, "2023:08:01 10:00:00");
    save("2.jpg", scanfixtures::makePhoto(22, 1024, 768), 92, "2023:08:01 10:00:00");
    save("3.jpg", original.scaled(512, 384), 80, "2023:08:01 10:00:01");
    save("4.jpg", original, 92, "2023:08:01 11:00:00");
    auto outcome = engine().sendDataToScanVC({entryFor(dir.path())}, true);
    ASSERT_TRUE(outcome.completed);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    EXPECT_EQ(names((*outcome.sendData)[0]), (QStringList{"1.jpg", "3.jpg"}));
    EXPECT_GE((*outcome.sendData)[0][1]->matchingPercentage, 90.0f);
}

namespace {

std::mutex loggedMutex;
QStringList logged;

void keepMessage(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    std::lock_guard<std::mutex> lock(loggedMutex);
    logged << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category ? context.category : ""), message);
}

} // namespace

// Files that merely start with the JPEG signature are no photos: two identical ones form no exact
// group, and a similar scan passes them, and a JPEG cut short after its header, without a word
// from the decoders.
TEST_F(ScanEngineTest, JunkJpegsAreDroppedQuietly)
{
    QByteArray noise(3000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QDir().mkpath(path("junk"));
    ASSERT_TRUE(scanfixtures::writeFile(path("junk/a.jpg"), QByteArray("\xFF\xD8", 2) + noise));
    ASSERT_TRUE(scanfixtures::writeFile(path("junk/b.jpg"), QByteArray("\xFF\xD8", 2) + noise));
    ASSERT_TRUE(scanfixtures::writeFile(path("junk/c.jpg"), QByteArray("\xFF\xD8\xFF\xE1\xFF\xF0", 6) + noise));
    ASSERT_TRUE(scanfixtures::writeFile(path("junk/d.jpg"), QByteArray("\xFF\xD8\xFF\xE1\xFF\xF0", 6) + noise));
    photo("cut/whole.jpg", 41);
    QFile whole(path("cut/whole.jpg"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    ASSERT_TRUE(scanfixtures::writeFile(path("cut/half1.jpg"), bytes.left(bytes.size() / 2)));
    ASSERT_TRUE(scanfixtures::writeFile(path("cut/half2.jpg"), bytes.left(bytes.size() / 2)));

    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    const auto exact = engine().sendDataToScanVC({entryFor(path("junk"))}, false);
    const auto similar = engine().sendDataToScanVC({entryFor(path("junk")), entryFor(path("cut"))}, true);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(exact.completed);
    EXPECT_EQ(exact.collectedCount, 0);
    EXPECT_TRUE(exact.sendData && exact.sendData->empty());
    ASSERT_TRUE(similar.completed);
    EXPECT_EQ(similar.collectedCount, 3); // the whole photo and its two halves
    // Each junk file is named once as left out, over both scans; the decoders add nothing.
    QStringList expected;
    for (const char *name : {"a", "b", "c", "d"})
        expected << QStringLiteral("twinsift.engine: Left out %1: damaged")
                        .arg(path(QStringLiteral("junk/%1.jpg").arg(name)));
    logged.sort();
    EXPECT_EQ(logged, expected) << logged.join(QLatin1Char('\n')).toStdString();
}

// Every file a scan leaves out is logged once, with its path and why; the good photo is not. No
// line, the debug lines included, shows a name raw: not of a file left out, nor of one whose
// metadata the library refuses.
TEST_F(ScanEngineTest, EachLeftOutFileIsLoggedOnceWithItsReason)
{
    photo("mixed/good.jpg", 51);
    photo("mixed/copy.jpg", 51);
    bytes("mixed/damaged.jpg", 4000, 'q');
    // Past the smallest size collected, with bytes after its end chunk.
    ASSERT_TRUE(
        scanfixtures::writeFile(path("mixed/headerless.png"), hostile::pngWithoutHeader() + QByteArray(2000, 'q')));
    photo("mixed/unreadable.jpg", 52);
    // A file without permissions stops every reader but root; under root that case is not checked.
    ASSERT_EQ(::chmod(QFile::encodeName(path("mixed/unreadable.jpg")).constData(), 0), 0);
    const bool canReadAnything = ::geteuid() == 0;
    // A progressive JPEG whose frame header claims 40000 x 40000 pixels: its decoder would keep
    // gigabytes of coefficients, so it is never decoded.
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        ASSERT_TRUE(writer.write(scanfixtures::makePhoto(53)));
    }
    const qsizetype frame = jpeg.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(frame, 0);
    jpeg.replace(frame + 5, 4, QByteArray("\x9C\x40\x9C\x40", 4));
    ASSERT_TRUE(scanfixtures::writeFile(path("mixed/oversized.jpg"), jpeg));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("mixed/pipe.jpg")).constData(), 0600), 0);
    // Names that would forge a line of their own or steer the terminal, one that is not UTF-8 (it
    // cannot be stat'ed under its decoded name), and a sub-folder nobody but root may read.
    bytes("mixed/forged\nLeft out elsewhere.jpg", 4000, 'q');
    bytes("mixed/escape\x1b[2J.jpg", 4000, 'q');
    const QByteArray latin1Name = QFile::encodeName(path("mixed/")) + "caf\xe9.jpg";
    ASSERT_TRUE(scanfixtures::writeFile(QFile::decodeName(QFile::encodeName(path("mixed/")) + "cafe.jpg"), "x"));
    ASSERT_EQ(::rename(QFile::encodeName(path("mixed/cafe.jpg")).constData(), latin1Name.constData()), 0);
    photo("mixed/locked/inside.jpg", 54);
    ASSERT_EQ(::chmod(QFile::encodeName(path("mixed/locked")).constData(), 0), 0);
    // Photos under such names whose metadata the library refuses (an Exif block whose TIFF header
    // points past its end, an ICC profile whose two parts do not join); of the second no thumbnail
    // can be made either (its quantization tables are taken out).
    photo("meta.jpg", 55);
    QFile photoFile(path("meta.jpg"));
    ASSERT_TRUE(photoFile.open(QIODevice::ReadOnly));
    const auto segment = [](char marker, const QByteArray &payload) {
        const int length = int(payload.size()) + 2;
        return QByteArray("\xFF", 1) + marker + char(length >> 8) + char(length & 0xFF) + payload;
    };
    const QByteArray refused =
        hostile::jpegWith(photoFile.readAll(), hostile::JpegSpot::AfterSoi,
                          segment('\xE1', QByteArray("Exif\0\0MM\0\x2A\xFF\xFF\xFF\xF0", 14))
                              + segment('\xE2', QByteArray("ICC_PROFILE\0\x02\x01", 14) + QByteArray(10, '\0'))
                              + segment('\xE2', QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(10, '\0')));
    QByteArray undecodable = refused;
    for (qsizetype at; (at = undecodable.indexOf("\xFF\xDB")) > 0;)
        undecodable.remove(at, 2 + (uchar(undecodable[at + 2]) << 8 | uchar(undecodable[at + 3])));
    ASSERT_TRUE(scanfixtures::writeFile(path("mixed/meta\nLeft out elsewhere.jpg"), refused));
    ASSERT_TRUE(scanfixtures::writeFile(path("mixed/meta\x1b[2J.jpg"), undecodable));

    logged.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("twinsift.*.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    const auto exact = engine().sendDataToScanVC({entryFor(path("mixed"))}, false);
    const auto similar = engine().sendDataToScanVC({entryFor(path("mixed"))}, true);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ::chmod(QFile::encodeName(path("mixed/locked")).constData(), 0700);
    ::unlink(latin1Name.constData()); // a name the temporary folder's removal cannot spell
    ASSERT_TRUE(exact.completed && similar.completed);
    ASSERT_EQ(exact.sendData->size(), 1u);
    for (const QString &line : logged)
        EXPECT_FALSE(std::any_of(line.begin(), line.end(), [](QChar c) {
            return c.category() == QChar::Other_Control;
        })) << line.toStdString();

    const auto linesNaming = [](const QString &file) {
        return logged.filter(QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(file))));
    };
    EXPECT_TRUE(linesNaming(QStringLiteral("good.jpg")).isEmpty());
    EXPECT_TRUE(linesNaming(QStringLiteral("copy.jpg")).isEmpty());
    const std::vector<std::pair<QString, QString>> leftOut = {
        {QStringLiteral("damaged.jpg"), QStringLiteral(": damaged")},
        {QStringLiteral("headerless.png"), QStringLiteral(": damaged (no header chunk")},
        {QStringLiteral("oversized.jpg"), QStringLiteral(": too large")},
        {QStringLiteral("pipe.jpg"), QStringLiteral(": not a regular file")},
        {QStringLiteral("unreadable.jpg"), QStringLiteral(": unreadable")},
        {QStringLiteral("forged\\x0aLeft out elsewhere.jpg"), QStringLiteral(": damaged")},
        {QStringLiteral("escape\\x1b[2J.jpg"), QStringLiteral(": damaged")},
        {QFile::decodeName("caf\xe9.jpg"), QStringLiteral(": unreadable (the name is not valid")},
        {QStringLiteral("locked"), QStringLiteral(": unreadable (Permission denied)")},
    };
    for (const auto &[file, reason] : leftOut) {
        if ((file == QLatin1String("unreadable.jpg") || file == QLatin1String("locked")) && canReadAnything)
            continue; // root reads a file or folder without permissions
        const QStringList lines = linesNaming(file);
        ASSERT_EQ(lines.size(), 1) << file.toStdString() << "\n" << logged.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines[0].contains(path(QStringLiteral("mixed/") + file))) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(reason)) << lines[0].toStdString();
    }
    for (const QString &file :
         {QStringLiteral("meta\\x0aLeft out elsewhere.jpg"), QStringLiteral("meta\\x1b[2J.jpg")}) {
        const QStringList lines = linesNaming(file);
        EXPECT_FALSE(lines.isEmpty()) << file.toStdString() << "\n" << logged.join(QLatin1Char('\n')).toStdString();
        for (const QString &line : lines)
            EXPECT_TRUE(line.contains(path(QStringLiteral("mixed/") + file))) << line.toStdString();
    }
    EXPECT_EQ(linesNaming(QStringLiteral("meta\\x1b[2J.jpg")).filter(QStringLiteral(": damaged")).size(), 1);
}

TEST_F(ScanEngineTest, StopEndsTheScanWithoutResult)
{
    for (int i = 0; i < 20; ++i)
        photo(QString("p%1.jpg").arg(i), 5);
    struct StopAtFirstCall : RecordingProgress {
        std::shared_ptr<ScanFlags> flags;
        void showCollectProgress(qint64 collected, int percent) override
        {
            RecordingProgress::showCollectProgress(collected, percent);
            flags->isFirstStepAbort = true;
            flags->isSecondStepAbort = true;
        }
    } progress;
    progress.flags = flags;
    auto outcome = engine(&progress).sendDataToScanVC({entryFor(dir.path())}, false);
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.sendData.has_value());
    EXPECT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(ScanPublication::decide(outcome.sendData, false).kind, ScanPublication::Kind::Nothing);
}

// A file replaced by a pipe after it was collected is left out of the exact scan at once: no worker
// waits on the pipe, the scan finishes with the other copies.
TEST_F(ScanEngineTest, FileSwappedForAPipeAfterCollectionIsLeftOut)
{
    photo("a.jpg", 1);
    copy("a.jpg", "b.jpg");
    copy("a.jpg", "c.jpg");
    const QByteArray pipe = QFile::encodeName(path("b.jpg"));
    struct SwapAtGrouping : RecordingProgress {
        QByteArray pipe;
        void showGroupingStart(qint64 count) override
        {
            RecordingProgress::showGroupingStart(count);
            ASSERT_EQ(::unlink(pipe.constData()), 0);
            ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
        }
    } progress;
    progress.pipe = pipe;
    auto scan = std::async(std::launch::async,
                           [&] { return engine(&progress).sendDataToScanVC({entryFor(dir.path())}, false); });
    const bool finished = scan.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    while (scan.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        ::close(::open(pipe.constData(), O_RDWR | O_NONBLOCK)); // releases workers stuck on the pipe
    ASSERT_TRUE(finished);
    auto outcome = scan.get();
    ASSERT_TRUE(outcome.completed);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    EXPECT_EQ(names((*outcome.sendData)[0]), (QStringList{"a.jpg", "c.jpg"}));
}

// Files swapped for a pipe while their properties are read (the test swaps each one as soon as
// the scan opens it): the reason a file is left out comes from the scan's own open, so no worker
// opens the pipe again and waits on it, and each file is named once.
TEST_F(ScanEngineTest, FileSwappedForAPipeWhileItsPropertiesAreReadIsLeftOutAtOnce)
{
    constexpr int kFiles = 48;
    QTemporaryDir pipes;
    for (int i = 0; i < kFiles; ++i) {
        bytes(QString("scan/f%1.png").arg(i), 3000, 'q');
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipes.filePath(QString("f%1.png").arg(i))).constData(), 0600), 0);
    }
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(path("scan")).constData(), IN_OPEN), 0);
    std::thread swapper([&] {
        QSet<QString> swapped;
        alignas(inotify_event) char buffer[4096];
        while (swapped.size() < kFiles) {
            const ssize_t got = ::read(watch, buffer, sizeof buffer);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                const QString name = event->len ? QString::fromLocal8Bit(event->name) : QString();
                if (name.isEmpty() || swapped.contains(name))
                    continue;
                swapped.insert(name);
                ::rename(QFile::encodeName(pipes.filePath(name)).constData(),
                         QFile::encodeName(path("scan/" + name)).constData());
            }
        }
    });

    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    auto scan =
        std::async(std::launch::async, [&] { return engine().sendDataToScanVC({entryFor(path("scan"))}, false); });
    const bool finished = scan.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    while (scan.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        for (int i = 0; i < kFiles; ++i) // releases workers stuck on a pipe
            ::close(::open(QFile::encodeName(path(QString("scan/f%1.png").arg(i))).constData(), O_RDWR | O_NONBLOCK));
    }
    qInstallMessageHandler(previous);
    ::close(watch); // ends the swapper when some file was never opened
    swapper.join();
    EXPECT_TRUE(finished) << "a worker waited on a pipe swapped in";
    for (int i = 0; i < kFiles; ++i) {
        const QString name = QString("f%1.png").arg(i);
        const QStringList lines = logged.filter(path("scan/" + name) + ":");
        ASSERT_EQ(lines.size(), 1) << name.toStdString() << "\n" << logged.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines[0].contains(": not a regular file") || lines[0].contains(": damaged"))
            << lines[0].toStdString();
    }
}

TEST_F(ScanEngineTest, PauseHoldsTheWorkerUntilResumed)
{
    for (int i = 0; i < 12; ++i)
        photo(QString("p%1.jpg").arg(i, 2, 10, QChar('0')), quint32(i % 4));
    struct PauseAtFirstCall : RecordingProgress {
        std::shared_ptr<ScanFlags> flags;
        std::atomic<int> count{0};
        void showCollectProgress(qint64 collected, int percent) override
        {
            RecordingProgress::showCollectProgress(collected, percent);
            if (count++ == 0)
                flags->isPaused = true;
        }
    } progress;
    progress.flags = flags;
    std::atomic<bool> done{false};
    ScanOutcome outcome;
    std::thread worker([&] {
        outcome = engine(&progress).sendDataToScanVC({entryFor(dir.path())}, false);
        done = true;
    });
    // Wait until the pause holds the worker (or, were it ignored, the scan ends).
    for (int i = 0; i < 10000 && flags->heldThreads.load() == 0 && !done.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GT(flags->heldThreads.load(), 0);
    EXPECT_FALSE(done.load());
    EXPECT_EQ(progress.count.load(), 1);
    flags->isPaused = false;
    worker.join();
    ASSERT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.sendData->size(), 4u); // seeds 0..3, three copies each

    // A stop while paused ends the scan without the pause being lifted.
    progress.count = 0;
    auto stopped = std::async(std::launch::async,
                              [&] { return engine(&progress).sendDataToScanVC({entryFor(dir.path())}, false); });
    for (int i = 0; i < 10000 && flags->heldThreads.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(flags->heldThreads.load(), 0);
    flags->isFirstStepAbort = true;
    const bool ended = stopped.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    flags->isPaused = false; // lets a scan that ignored the stop end, so the test does not hang
    EXPECT_TRUE(ended);
    EXPECT_FALSE(stopped.get().completed);
}

TEST(ScanPublicationTest, DecisionFollowsTheResult)
{
    EXPECT_EQ(ScanPublication::decide(std::nullopt, true).kind, ScanPublication::Kind::Nothing);
    EXPECT_EQ(ScanPublication::decide(ImageGroups{}, true).kind, ScanPublication::Kind::NoSimilarPhotosFound);
    ImageGroups groups = {{std::make_shared<ImageFile>(), std::make_shared<ImageFile>()}};
    const auto publication = ScanPublication::decide(groups, false);
    ASSERT_EQ(publication.kind, ScanPublication::Kind::SelectedFiles);
    EXPECT_EQ(publication.userInfo.value("isSimilarScan").toBool(), false);
    const ImageGroups delivered = publication.userInfo.value("data").value<ImageGroups>();
    EXPECT_EQ(delivered, groups);
}

TEST(ScanSettingsTest, SnapshotReadsTheVideoSwitchAsTheIntegerOne)
{
    auto &defaults = platform::UserDefaults::standard();
    defaults.removeObject("ScanVideoFilesInExactMatchTWK");
    EXPECT_FALSE(ScanSettings::snapshot().scanVideos);
    defaults.setInteger("ScanVideoFilesInExactMatchTWK", 1);
    EXPECT_TRUE(ScanSettings::snapshot().scanVideos);
    defaults.setInteger("ScanVideoFilesInExactMatchTWK", 0);
    EXPECT_FALSE(ScanSettings::snapshot().scanVideos);
    defaults.setBool("ScanVideoFilesInExactMatchTWK", true);
    EXPECT_FALSE(ScanSettings::snapshot().scanVideos);
    defaults.removeObject("ScanVideoFilesInExactMatchTWK");
    const ScanSettings settings = ScanSettings::snapshot();
    EXPECT_EQ(settings.minimumFileSize, 1024u);
    EXPECT_EQ(settings.hashBitmapSize, 72);
    EXPECT_EQ(settings.timeThreshold, 1);
    EXPECT_EQ(settings.distanceThreshold, 1.0);
}

} // namespace
