#include "model/ModuleState.h"
#include "model/NotificationNames.h"
#include "model/SettingsKeys.h"

#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(ModuleState, SettingsStartAtTheirLaunchValues)
{
    EXPECT_EQ(minimumFileSize, 1024u);
    EXPECT_EQ(similarityThreshold, 81);
    EXPECT_EQ(hashBitmapSize, 72);
    EXPECT_EQ(timeThreshold, 1);
    EXPECT_DOUBLE_EQ(distanceThreshold, 1.0);
    EXPECT_TRUE(confirmBeforeDeletingPhotos);
    EXPECT_TRUE(showAutoMarkAlert);
    EXPECT_TRUE(backToHomeAlert);
    EXPECT_FALSE(isScanPaused);
    EXPECT_FALSE(resultsContainVideos);
    EXPECT_FALSE(movedToPhotosAlbum);
    EXPECT_EQ(languageList, QStringList{"English"});
    EXPECT_EQ(SettingsKey::isPopUp, "IsPopUpTWK");
    EXPECT_EQ(NotificationName::reloadTableView, "ReloadTableViewNotification");
    EXPECT_TRUE(excludedFolders.empty());
    EXPECT_TRUE(protectedFolders.empty());
    EXPECT_TRUE(fileFormatPriorities.empty());
    EXPECT_TRUE(folderPriorities.empty());
    for (const QString *text : {&scannedFilesCountText, &scannedFilesSizeText, &photosMovedCountText,
                                &photosMovedSizeText, &trashedCountText, &trashedSizeText})
        EXPECT_TRUE(text->isEmpty());
}

TEST(ModuleState, ExtensionListsTakeHeicAndHeifAsPhotos)
{
    EXPECT_EQ(supportedFormatDescriptionList.size(), 38);
    EXPECT_EQ(supportedFormatDescriptionList.at(19), "High Efficiency Image Format (.heic, .heif)");
    EXPECT_EQ(allExtensions.size(), 57);
    EXPECT_EQ(allExtensions.count("GIF"), 1);
    EXPECT_EQ(imageExtensions.size(), 32);
    for (const char *photo : {"heic", "heif", "jpg", "png", "tif"}) {
        EXPECT_TRUE(allExtensions.contains(photo)) << photo;
        EXPECT_TRUE(imageExtensions.contains(photo)) << photo;
    }
    for (const char *video : {"mov", "mp4", "flc", "qtif"}) {
        EXPECT_TRUE(allExtensions.contains(video)) << video;
        EXPECT_FALSE(imageExtensions.contains(video)) << video;
    }
    for (const QString &extension : imageExtensions)
        EXPECT_TRUE(allExtensions.contains(extension)) << extension.toStdString();
}

TEST(ModuleState, ScanExtensionsAreACopyOfAllExtensions)
{
    const QStringList saved = scanExtensions;
    EXPECT_EQ(scanExtensions, allExtensions);
    scanExtensions.removeAll("mov");
    EXPECT_TRUE(allExtensions.contains("mov"));
    scanExtensions = saved;
}

TEST(ModuleState, ExcludedSystemFoldersAreTheLinuxOnesInOrder)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(excludedSystemFolderList(),
              (QStringList{"/usr", home + "/.local", home + "/.local/share/Trash", home + "/Dropbox", "/sys", "/var",
                           "/opt"}));
}

TEST(ModuleState, PhotosDatabasePathsStartAtTheDefaultLibrary)
{
    const QString database = QDir::homePath() + "/Pictures/Photos Library.photoslibrary/database/";
    const PhotosDatabasePaths &paths = photosDatabasePaths();
    EXPECT_EQ(paths.libraryDatabase, database + "photos.db");
    EXPECT_EQ(paths.libraryDatabaseWal, database + "photos.db-wal");
    EXPECT_EQ(paths.libraryDatabaseShm, database + "photos.db-shm");
    EXPECT_EQ(paths.libraryLockFile, database + "Photos.sqlite.lock");

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    EXPECT_EQ(paths.tempCopyLockFile, cache + "/photosTempTWK.sqlite.lock");
    EXPECT_TRUE(QDir(cache).exists());

    const PhotosTempCopyPaths newer = photosTempCopyPaths(true);
    EXPECT_EQ(newer.database, cache + "/photosTempTWK.sqlite");
    EXPECT_EQ(newer.wal, cache + "/photosTempTWK.sqlite-wal");
    EXPECT_EQ(newer.shm, cache + "/photosTempTWK.sqlite-shm");
    const PhotosTempCopyPaths older = photosTempCopyPaths(false);
    EXPECT_EQ(older.database, cache + "/photosTempTWK.db");
    EXPECT_EQ(older.shm, cache + "/photosTempTWK.db-shm");
}

TEST(ModuleState, ThemeColours)
{
    EXPECT_EQ(themeColors[0], QColor(183, 183, 183));
    EXPECT_EQ(themeColors[5], QColor(Qt::white));
    EXPECT_EQ(themeColors[3], themeColors[6]);
    EXPECT_EQ(themeColors[8], QColor(9, 171, 9));
    EXPECT_EQ(themeColors[11], QColor::fromRgbF(1.0f / 6.0f, 1.0f / 6.0f, 1.0f / 6.0f));
    EXPECT_EQ(themeColors[11], themeColors[12]);
    EXPECT_EQ(themeColors[15], QColor(72, 72, 72));
}
