// An exact scan reads only the grouped records in full (the others are kept from their stat and
// first bytes): it must publish exactly what the plain order gives, where every candidate is read
// in full while it is collected and the groups are made from those records. And the collection,
// which reads the dates of the records on its own thread, must give every record exactly as the
// record's constructor reads it.

#include "engine/ExactGrouping.h"
#include "engine/ScanEngine.h"

#include "support/ScanFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using scanfixtures::entryFor;
using scanfixtures::RecordingProgress;

namespace {

void expectSameRecord(const ImageFile &a, const ImageFile &b)
{
    const std::string where = a.path().toStdString();
    EXPECT_EQ(a.fileName, b.fileName) << where;
    EXPECT_EQ(a.md5, b.md5) << where;
    EXPECT_EQ(a.photoLibraryProperties.has_value(), b.photoLibraryProperties.has_value()) << where;
    if (a.photoLibraryProperties && b.photoLibraryProperties) {
        EXPECT_EQ(a.photoLibraryProperties->OriginalFileName, b.photoLibraryProperties->OriginalFileName) << where;
        EXPECT_EQ(a.photoLibraryProperties->RKMuuid, b.photoLibraryProperties->RKMuuid) << where;
    }
    EXPECT_EQ(a.isPhotoLibrary, b.isPhotoLibrary) << where;
    EXPECT_EQ(a.url, b.url) << where;
    EXPECT_EQ(a.properties, b.properties) << where;
    EXPECT_EQ(a.isOrientation, b.isOrientation) << where;
    EXPECT_EQ(a.isProtected, b.isProtected) << where;
    EXPECT_EQ(a.isVideo, b.isVideo) << where;
    EXPECT_EQ(a.imageUint64Hash, b.imageUint64Hash) << where;
    EXPECT_EQ(a.matchingPercentage, b.matchingPercentage) << where;
    EXPECT_EQ(a.captureDate, b.captureDate) << where;
    if (a.captureDate && b.captureDate) {
        EXPECT_EQ(a.captureDate->timeSpec(), b.captureDate->timeSpec()) << where;
    }
    EXPECT_EQ(a.latitude, b.latitude) << where;
    EXPECT_EQ(a.longitude, b.longitude) << where;
    EXPECT_EQ(a.creationDate, b.creationDate) << where;
    EXPECT_EQ(a.isSelected, b.isSelected) << where;
    EXPECT_EQ(a.identity, b.identity) << where;
    EXPECT_EQ(a.scannedSize, b.scannedSize) << where;
    EXPECT_EQ(a.scannedModificationDate, b.scannedModificationDate) << where;
    if (a.scannedModificationDate && b.scannedModificationDate) {
        EXPECT_EQ(a.scannedModificationDate->timeSpec(), b.scannedModificationDate->timeSpec()) << where;
    }
    EXPECT_EQ(a.signedLatitude(), b.signedLatitude()) << where;
    EXPECT_EQ(a.signedLongitude(), b.signedLongitude()) << where;
}

} // namespace

TEST(DeferredReading, ExactScanPublishesWhatFullReadingGives)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&](const QString &name) { return dir.filePath(name); };
    auto put = [&](const QString &name, const QByteArray &data) {
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(scanfixtures::writeFile(path(name), data));
    };
    auto readAll = [&](const QString &name) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };

    std::mt19937 random(11);
    std::vector<QString> made;
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("a/p%1.jpg").arg(i);
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(scanfixtures::writeJpeg(
            path(name), scanfixtures::makePhoto(quint32(i), 96 + int(random() % 3) * 8, 64), 60 + int(random() % 30)));
        scanfixtures::ExifFields exif;
        if (random() % 3 != 0)
            exif.dateTime = QStringLiteral("2020:01:%1 10:00:%2")
                                .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                .arg(i % 60, 2, 10, QLatin1Char('0'));
        if (random() % 4 == 0)
            exif.orientation = int(1 + random() % 8);
        if (random() % 3 == 0) {
            exif.latitude = -40.0 + double(random() % 8000) / 100.0;
            exif.longitude = -120.0 + double(random() % 24000) / 100.0;
        }
        if (exif.dateTime || exif.orientation || exif.latitude) {
            ASSERT_TRUE(scanfixtures::writeExif(path(name), exif));
        }
        made.push_back(name);
    }
    // Exact copies in other folders, some twice.
    for (int i = 0; i < 40; i += 3) {
        put(QStringLiteral("b/copy%1.jpg").arg(i), readAll(made[size_t(i)]));
        if (i % 2 == 0)
            put(QStringLiteral("c/again%1.JPG").arg(i), readAll(made[size_t(i)]));
    }
    // PNG twins (read in full while collected), broken JPEGs with twins (FF D8 and then little),
    // random bytes named as photos, tiny files, and videos (bytes named .mp4) with twins.
    QImage picture = scanfixtures::makePhoto(99, 64, 48);
    QDir().mkpath(path("d"));
    ASSERT_TRUE(picture.save(path("d/twin1.png"), "PNG"));
    put("d/twin2.png", readAll("d/twin1.png"));
    const QByteArray cut = readAll(made[0]).left(1500);
    put("d/cut1.jpg", cut);
    put("d/cut2.jpg", cut);
    QByteArray noise(3000, '\0');
    for (auto &c : noise)
        c = char(random() & 0xFF);
    put("d/noise1.jpg", noise);
    put("d/noise2.jpg", noise);
    put("d/small1.jpg", QByteArray("\xFF\xD8small", 7));
    put("d/small2.jpg", QByteArray("\xFF\xD8small", 7));
    QByteArray clip(5000, 'v');
    put("e/clip1.mp4", clip);
    put("e/clip2.mov", clip);
    put("e/clip3.mp4", clip + "x");

    for (const bool videos : {false, true}) {
        ScanSettings settings = ScanSettings::defaults();
        settings.scanVideos = videos;

        // A single-file entry standing for a Photos library item, and overlapping roots.
        InitialDirectory library = entryFor(path(made[3]));
        library.isPhotoLibrary = true;
        PhotoLibraryProperties properties;
        properties.OriginalFileName = QStringLiteral("IMG_0003.JPG");
        properties.RKMuuid = QStringLiteral("uuid-3");
        library.photoLibraryProperties = properties;
        const std::vector<InitialDirectory> entries{library, entryFor(dir.path()), entryFor(path("b"))};

        for (const unsigned threads : {1u, 4u}) {
            auto flags = std::make_shared<ScanFlags>();
            RecordingProgress progress;
            ScanEngine engine(flags, settings, &progress);
            engine.setCollectionPause(std::chrono::milliseconds(0));
            engine.setThreadCount(threads);
            const ScanOutcome outcome = engine.sendDataToScanVC(entries, false);
            ASSERT_TRUE(outcome.completed);
            ASSERT_TRUE(outcome.sendData);

            // The plain order: every record read while collected, then grouped.
            auto plainFlags = std::make_shared<ScanFlags>();
            RecordingProgress plainProgress;
            ScanEngine plainEngine(plainFlags, settings, &plainProgress);
            plainEngine.setThreadCount(threads);
            auto collected = plainEngine.collectFiles(entries);
            ASSERT_TRUE(collected);
            // Each collected record (its dates read on the collecting thread) is the record its own
            // constructor makes, with the scan-list entry's facts.
            for (const ImageFilePtr &record : collected->files) {
                ImageFile fresh(*record->url);
                fresh.fileName = record->fileName;
                fresh.isPhotoLibrary = record->isPhotoLibrary;
                fresh.photoLibraryProperties = record->photoLibraryProperties;
                fresh.isVideo = record->isVideo;
                expectSameRecord(*record, fresh);
            }
            EXPECT_EQ(outcome.collectedCount, qint64(collected->files.size()));
            plainProgress.showStepComplete(QStringLiteral("IDS_TWK_35"));
            plainProgress.setRingAnimated(false);
            plainProgress.showGroupingStart(qint64(collected->files.size()));
            ExactGrouping grouping(plainFlags, &plainProgress, threads);
            auto groups = grouping.exactGroups(collected->files, collected->sizes);
            ASSERT_TRUE(groups);

            ASSERT_EQ(outcome.sendData->size(), groups->size());
            EXPECT_GE(groups->size(), 15u);
            for (size_t g = 0; g < groups->size(); ++g) {
                ASSERT_EQ((*outcome.sendData)[g].size(), (*groups)[g].size());
                for (size_t m = 0; m < (*groups)[g].size(); ++m)
                    expectSameRecord(*(*outcome.sendData)[g][m], *(*groups)[g][m]);
            }
            // The same progress, call for call.
            EXPECT_EQ(progress.calls, plainProgress.calls);
        }
    }
}
