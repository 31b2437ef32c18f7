#include "model/ModuleState.h"

#include "model/TextLookup.h"

#include <QDir>
#include <QStandardPaths>

// ---- Thresholds and settings ----

quint64 minimumFileSize = 1024;
int similarityThreshold = 81;
int hashBitmapSize = 72;
int timeThreshold = 1;
double distanceThreshold = 1.0;

// ---- Alert switches ----

bool confirmBeforeDeletingPhotos = true;
bool showAutoMarkAlert = true;
bool backToHomeAlert = true;

// ---- Flags and shared objects ----

bool isScanPaused = false;
bool resultsContainVideos = false;
bool movedToPhotosAlbum = false;
std::optional<QVariantMap> localizationTable;
QStringList languageList = {QStringLiteral("English")};

// ---- Fixed vocabularies ----

const QStringList supportedFormatDescriptionList = {
    // Image formats
    QStringLiteral("JPEG image (.jpg, .jpeg, .jpe)"),
    QStringLiteral("Graphics Interchange Format (.gif)"),
    QStringLiteral("Portable Network Graphics Image (.png)"),
    QStringLiteral("TIFF Image (.tiff, .tif)"),
    QStringLiteral("Windows Bitmap Image (.bmp)"),
    QStringLiteral("Windows Icon Image (.ico)"),
    QStringLiteral("JPEG 2000 Image (.jp2, .j2k, .jpf, .jpx, .jpm, .mj2)"),
    QStringLiteral("Apple Icons Image (.icns)"),
    QStringLiteral("Encapsulate PostScript (.eps)"),
    QStringLiteral("FLC Animation (.flc, .fli, .cel)"),
    QStringLiteral("FlashPix Image (.fpx)"),
    QStringLiteral("MacPaint Image (.pntg)"),
    QStringLiteral("Multi Picture Object Image (.mpo)"),
    QStringLiteral("OpenEXR image (.exr)"),
    QStringLiteral("QuickDraw Picture (.pict, .pct, .pic)"),
    QStringLiteral("QuickTime Image (.qtif, .qti)"),
    QStringLiteral("Radiance (.rgbe, .xyze, .rad, .HDR, .pic)"),
    QStringLiteral("Silicon Graphics Image (.sgi)"),
    QStringLiteral("Truevision TGA Image (.tga)"),
    QStringLiteral("High Efficiency Image Format (.heic, .heif)"),
    // Video formats
    QStringLiteral("Moving Picture Experts Group (.MPEG)"),
    QStringLiteral("Advanced Video Coding (MPEG-4 AVC) (.MP4, .AVC)"),
    QStringLiteral("Digital Video Express (.DivX)"),
    QStringLiteral("Apple QuickTime Movie (.MOV)"),
    QStringLiteral("Xvid-Encoded Video File (XviD)"),
    QStringLiteral("(.MPG)"),
    QStringLiteral("Audio Video Interleave (.AVI)"),
    QStringLiteral("WebM Video File (.WEBM)"),
    QStringLiteral("Digital Video File (.DV)"),
    QStringLiteral("3GPP Media File (.3GPP)"),
    QStringLiteral("iTunes Video File(M4V)"),
    QStringLiteral("3GPP Multimedia File (.3GP)"),
    QStringLiteral("3GPP2 Multimedia File (.3GPP2)"),
    QStringLiteral("MPEG-2 Video File (.MPEG2)"),
    QStringLiteral("MPEG-1"),
    QStringLiteral("MPA File Extension (.MPA)"),
    QStringLiteral("Flash Video (.FLV)"),
    QStringLiteral("Windows Media Redirector File (.WMX)"),
};

// HEIC and HEIF photos are both listed (the format list above names the two as one image format).
const QStringList allExtensions = {
    QStringLiteral("jpeg"),   QStringLiteral("jpg"),    QStringLiteral("jpe"),    QStringLiteral("gif"),
    QStringLiteral("GIF"),    QStringLiteral("png"),    QStringLiteral("tiff"),   QStringLiteral("tif"),
    QStringLiteral("bmp"),    QStringLiteral("ico"),    QStringLiteral("jp2"),    QStringLiteral("jpf"),
    QStringLiteral("jpx"),    QStringLiteral("j2k"),    QStringLiteral("j2c"),    QStringLiteral("icns"),
    QStringLiteral("eps"),    QStringLiteral("flc"),    QStringLiteral("fli"),    QStringLiteral("cel"),
    QStringLiteral("fpx"),    QStringLiteral("pntg"),   QStringLiteral("mpo"),    QStringLiteral("exr"),
    QStringLiteral("pict"),   QStringLiteral("pct"),    QStringLiteral("pic"),    QStringLiteral("qtif"),
    QStringLiteral("qti"),    QStringLiteral("rgbe"),   QStringLiteral("xyze"),   QStringLiteral("rad"),
    QStringLiteral("hdr"),    QStringLiteral("sgi"),    QStringLiteral("tga"),    QStringLiteral("heic"),
    QStringLiteral("heif"),   QStringLiteral("mpeg"),   QStringLiteral("mpeg-4"), QStringLiteral("avc"),
    QStringLiteral("mp4"),    QStringLiteral("divx"),   QStringLiteral("mov"),    QStringLiteral("xvid"),
    QStringLiteral("mpg"),    QStringLiteral("avi"),    QStringLiteral("webm"),   QStringLiteral("dv"),
    QStringLiteral("3gpp"),   QStringLiteral("m4v"),    QStringLiteral("3gp"),    QStringLiteral("3gpp2"),
    QStringLiteral("mpeg-2"), QStringLiteral("mpeg-1"), QStringLiteral("mpa"),    QStringLiteral("flv"),
    QStringLiteral("wmx"),
};

// Photos are decoded as images, HEIC and HEIF included; every other collected extension is a video.
const QStringList imageExtensions = {
    QStringLiteral("jpeg"), QStringLiteral("jpg"),  QStringLiteral("jpe"),  QStringLiteral("gif"),
    QStringLiteral("GIF"),  QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),
    QStringLiteral("bmp"),  QStringLiteral("ico"),  QStringLiteral("jp2"),  QStringLiteral("jpf"),
    QStringLiteral("jpx"),  QStringLiteral("j2k"),  QStringLiteral("j2c"),  QStringLiteral("icns"),
    QStringLiteral("eps"),  QStringLiteral("fpx"),  QStringLiteral("pntg"), QStringLiteral("mpo"),
    QStringLiteral("exr"),  QStringLiteral("pict"), QStringLiteral("pct"),  QStringLiteral("pic"),
    QStringLiteral("rgbe"), QStringLiteral("xyze"), QStringLiteral("rad"),  QStringLiteral("hdr"),
    QStringLiteral("sgi"),  QStringLiteral("tga"),  QStringLiteral("heic"), QStringLiteral("heif"),
};

// ---- Lists edited at run time ----

QStringList scanExtensions = allExtensions;
std::vector<InitialDirectory> excludedFolders;
std::vector<SelectionPriority> selectionPriorityOrder = defaultSelectionPriorityOrder();
std::vector<InitialDirectory> protectedFolders;
std::vector<bool> protectedSubFolderFlags;
std::vector<FileFormat> fileFormatPriorities;
std::vector<FolderPreferences> folderPriorities;

std::vector<AutoMark> defaultAutoMarkRules()
{
    struct Row {
        const char *nameKey;
        std::initializer_list<const char *> ruleKeys;
    };
    // In rule-index order: the criteria of the default order.
    const Row rows[] = {
        {"IDS_TWK_143", {"IDS_TWK_144"}},                // Photos library
        {"IDS_TWK_141", {"IDS_TWK_142"}},                // image dimensions
        {"IDS_TWK_131", {"IDS_TWK_132"}},                // resolution
        {"IDS_TWK_133", {"IDS_TWK_134"}},                // file size
        {"IDS_TWK_135", {"IDS_TWK_136", "IDS_TWK_137"}}, // capture date
        {"IDS_TWK_124", {"IDS_TWK_154"}},                // file format
        {"IDS_TWK_139", {"IDS_TWK_140"}},                // metadata
        {"IDS_TWK_138", {"IDS_TWK_136", "IDS_TWK_137"}}, // modification date
        {"IDS_TWK_145", {"IDS_TWK_146"}},                // folder priority
    };
    std::vector<AutoMark> rules;
    int index = 0;
    for (const Row &row : rows) {
        AutoMark rule;
        rule.index = index;
        rule.isUse = true;
        rule.priority = index + 1;
        rule.name = localizedText(QString::fromLatin1(row.nameKey));
        for (const char *key : row.ruleKeys)
            rule.rule.append(localizedText(QString::fromLatin1(key)));
        rule.comboIndex = 0;
        rules.push_back(std::move(rule));
        ++index;
    }
    return rules;
}

// ---- Folders of the user ----

const QStringList &excludedSystemFolderList()
{
    static const QStringList list = [] {
        const QString home = QDir::homePath();
        return QStringList{
            QStringLiteral("/usr"),
            home + QStringLiteral("/.local"),
            home + QStringLiteral("/.local/share/Trash"),
            home + QStringLiteral("/Dropbox"),
            QStringLiteral("/sys"),
            QStringLiteral("/var"),
            QStringLiteral("/opt"),
        };
    }();
    return list;
}

QString userCacheFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.cache/twinsift");
    QDir().mkpath(folder);
    return folder;
}

PhotosDatabasePaths &photosDatabasePaths()
{
    static PhotosDatabasePaths paths = [] {
        const QString database = QDir::homePath() + QStringLiteral("/Pictures/Photos Library.photoslibrary/database/");
        PhotosDatabasePaths made;
        made.libraryDatabase = database + QStringLiteral("photos.db");
        made.libraryDatabaseWal = made.libraryDatabase + QStringLiteral("-wal");
        made.libraryDatabaseShm = made.libraryDatabase + QStringLiteral("-shm");
        made.libraryLockFile = database + QStringLiteral("Photos.sqlite.lock");
        made.tempCopyLockFile = userCacheFolder() + QStringLiteral("/photosTempTWK.sqlite.lock");
        return made;
    }();
    return paths;
}

PhotosTempCopyPaths photosTempCopyPaths(bool newerLibraryFormat)
{
    const QString base = userCacheFolder()
        + (newerLibraryFormat ? QStringLiteral("/photosTempTWK.sqlite") : QStringLiteral("/photosTempTWK.db"));
    return {base, base + QStringLiteral("-wal"), base + QStringLiteral("-shm")};
}

// ---- Summary texts ----

QString scannedFilesCountText;
QString scannedFilesSizeText;
QString resultCountText;
QString resultSizeText;
QString photosMovedCountText;
QString photosMovedSizeText;
QString trashedCountText;
QString trashedSizeText;
