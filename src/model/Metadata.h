#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QUrl>
#include <nlohmann/json_fwd.hpp>

#include <optional>

// The date used for an item that has none: 1 January of the year 1, 00:00 UTC.
QDateTime distantPast();
// A date-time in UTC (time spec UTC) from a date and time, or from milliseconds since the epoch.
QDateTime utcDateTime(QDate date, QTime time);
QDateTime utcFromMSecsSinceEpoch(qint64 msecs);

// A file or folder as listed for the user (one row of the scan list and the folder lists).
struct Metadata {
    QString name;            // display name of the item
    QDateTime date;          // content modification date; distantPast() when there is none
    qint64 size = 0;         // bytes; 0 for folders and when the size is unknown
    QImage icon;             // the item's icon; a null image when none could be had
    QColor color;            // a colour slot: always the plain default colour, never coded
    bool isFolder = false;   // a directory (packages included)
    std::optional<QUrl> url; // the item
    bool isIcon = false;     // icon is the item's own icon (not the empty stand-by image)

    Metadata();
    Metadata(std::optional<QUrl> url, QString name, QDateTime date, qint64 size, QImage icon, bool isFolder,
             QColor color, bool isIcon);
};

// JSON form: members "name" (text), "date" (ISO 8601 text in UTC with milliseconds), "size"
// (integer), "icon" (PNG data as base64 text, null when the icon gives no PNG data), "isFolder",
// "url" (URL text, null when absent), "isIcon". There is no member for `color`.
// Reading requires all seven members ("url" and "icon" may be null) and throws
// nlohmann::json::exception on a missing or mistyped one. Icon data that is no PNG, or
// past the bounds of an icon (512 KiB of PNG data, 1024 pixels a side), gives the null image
// without being decoded; every record read carries the default colour.
void to_json(nlohmann::json &json, const Metadata &value);
void from_json(const nlohmann::json &json, Metadata &value);

// PNG data of an image; empty when the image is null or cannot be encoded.
QByteArray pngData(const QImage &image);
