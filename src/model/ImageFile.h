#pragma once

#include "model/PhotoLibraryProperties.h"

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
struct FileStat;
}

// Device and inode of a file, so that one file reached through two scan-list entries is collected
// once.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity &) const = default;
};

// A file time as the file system keeps it, at full precision.
struct FileTime {
    qint64 seconds = 0;
    quint32 nanoseconds = 0;
    bool operator==(const FileTime &) const = default;
};

// One photo or video found by a scan. Records are shared (std::shared_ptr<ImageFile>) between the
// result groups, the result screens and the deletion, so a change made through one holder (say
// isProtected) is seen by all. They are filled on the scan worker and, once the groups are
// published, touched on the main thread only.
//
// Pixel size, resolution and the other image facts are not copied into fields: readers look them up
// in `properties` (keys in platform/ImageSource.h, e.g. "PixelWidth", "{TIFF}" -> "Orientation").
class ImageFile
{
public:
    ImageFile() = default;
    // Reads the file name, the image properties of image 0, the capture date, the GPS position and,
    // without a capture date, the file's creation date. Never fails: an unreadable file gives a
    // record with only fileName and url set.
    explicit ImageFile(const QUrl &url);
    // The same, with the file's stat (platform::FileStat::of the URL's path) already taken by the
    // caller: the file is not stat'ed again, and its birth time is turned into a date only when it
    // is used. A null `stat` stands for a file that could not be stat'ed. With Dates::Later the
    // three dates (scannedModificationDate, captureDate, creationDate) are left for readDates:
    // turning a time into a local date takes a process-wide lock, so a parallel scan does that
    // part on one thread.
    enum class Dates { Read, Later };
    ImageFile(const QUrl &url, const platform::FileStat *stat, Dates dates = Dates::Read);
    static std::shared_ptr<ImageFile> make(const QUrl &url) { return std::make_shared<ImageFile>(url); }
    static std::shared_ptr<ImageFile> make(const QUrl &url, const platform::FileStat *stat, Dates dates = Dates::Read)
    {
        return std::make_shared<ImageFile>(url, stat, dates);
    }
    // Sets the dates from `stat` and the properties read, exactly as the constructor does.
    void readDates(const platform::FileStat *stat);

    std::optional<QString> fileName;
    std::optional<QString> md5; // 32 lowercase hex digits; "" when the digest was stopped
    std::optional<PhotoLibraryProperties> photoLibraryProperties;
    bool isPhotoLibrary = false;
    std::optional<QUrl> url;
    std::optional<QVariantMap> properties; // image properties of image 0
    bool isOrientation = false;            // TIFF orientation present and not 1
    bool isProtected = false;
    bool isVideo = false;
    std::optional<std::vector<uint64_t>> imageUint64Hash; // perceptual hash words
    float matchingPercentage = 100.0f;
    std::optional<QDateTime> captureDate;  // TIFF "DateTime"
    std::optional<double> latitude;        // GPS "Latitude" magnitude as stored (no sign)
    std::optional<double> longitude;       // GPS "Longitude" magnitude as stored (no sign)
    std::optional<QDateTime> creationDate; // file birth time, read only without a capture date
    bool isSelected = false;

    std::optional<FileIdentity> identity;             // device and inode when the file could be stat'ed
    std::optional<quint64> scannedSize;               // size when the record was made
    std::optional<QDateTime> scannedModificationDate; // modification time when the record was made
    // The same time at full precision, and the status change time (ctime), which no user tool can
    // set back: together they tell a file edited in place since the scan.
    std::optional<FileTime> scannedModificationTime;
    std::optional<FileTime> scannedChangeTime;

    // The position with its hemisphere applied: "S" latitudes and "W" longitudes are negative.
    // Absent when the magnitude is absent.
    std::optional<double> signedLatitude() const;
    std::optional<double> signedLongitude() const;

    // The local path of url ("" without a url).
    QString path() const;
};

using ImageFilePtr = std::shared_ptr<ImageFile>;
using ImageGroup = std::vector<ImageFilePtr>;
using ImageGroups = std::vector<ImageGroup>;

// Parses a TIFF/EXIF date text "yyyy:MM:dd HH:mm:ss" as local wall-clock time, with a fixed
// Gregorian calendar and the C locale. Absent when the text does not have that exact layout.
std::optional<QDateTime> parseExifDateTime(const QString &text);
