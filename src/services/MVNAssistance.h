#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// File services shared by the scan and the screens. Stateless; every operation may be called from
// any thread. Failures never throw: they give the absent result documented per operation (and
// leave one diagnostic line where the cause would otherwise be lost).
class MVNAssistance
{
public:
    // Every regular file below `folder` (recursively), in listing order: hidden entries, package
    // folders and symbolic links are not entered, and nothing inside a ".photoslibrary" package or
    // a "Photo Booth Library" folder is listed. Absent when the folder cannot be listed. When
    // flags->isFirstStepAbort is set during the walk, the files collected so far are returned.
    std::optional<std::vector<QUrl>> listFiles(const QUrl &folder,
                                               const std::shared_ptr<ScanFlags> &flags = nullptr) const;

    // MD5 of the file's contents as 32 lowercase hexadecimal digits, read in 1 MiB chunks. Absent
    // when the file cannot be opened or a read fails; "" when flags->isSecondStepAbort is set.
    std::optional<QString> fileMD5(const QUrl &file, const std::shared_ptr<ScanFlags> &flags = nullptr) const;

    std::optional<quint64> fileSize(const QString &path) const;
    std::optional<QString> fileSizeText(const QString &path) const;
    // "%lu bytes" below 1023, then "%.1f KB", "%.1f MB", "%.1f GB" with 1023 as the step.
    static QString sizeText(quint64 bytes);

    // Number of records in all groups (no file is read).
    static qint64 totalItemCount(const ImageGroups &groups);
    // (record count, size text of their total size); both absent when any record's size cannot be
    // read (or a record has no url).
    std::pair<std::optional<qint64>, std::optional<QString>> totalSizeText(const ImageGroups &groups) const;

    std::optional<QDateTime> modificationDate(const QString &path) const;
    // The file system's birth time; absent where the file system keeps none.
    std::optional<QDateTime> creationDate(const QString &path) const;

    // The property list `name`.plist shipped with the application (":/<name>.plist"); absent when
    // missing or not a dictionary at the root.
    std::optional<QVariantMap> loadPropertyList(const QString &name) const;

    // The metadata tags of image 0: each a map with "namespace", "prefix", "name", "value" (when
    // present), "type" (int) and "qualifiers" (when any). Absent when the file is not a readable
    // image; empty when it has no tags.
    std::optional<QVariantList> imageMetadataTags(const QUrl &file) const;

    // The video's first frame (display rotation applied) scaled to fit width x height with its
    // aspect ratio kept (full size when either is 0); absent when no frame can be read.
    std::optional<QImage> videoThumbnail(const QUrl &file, int width, int height) const;

    // True when an application with this desktop-file id is installed (XDG application folders).
    bool isAppInstalled(const QString &bundleIdentifier) const;
};

// The one shared instance; created on first use, lives until the program ends.
MVNAssistance &sharedAssistance();
