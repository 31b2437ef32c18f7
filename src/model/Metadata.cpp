#include "model/Metadata.h"

#include "model/JsonFields.h"
#include "platform/PngDecoder.h"

#include <QBuffer>
#include <QTimeZone>

// Qt 6.5 moved from time specs to time zones; both roads give a date-time whose spec is UTC.
QDateTime utcDateTime(QDate date, QTime time)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime(date, time, QTimeZone::UTC);
#else
    return QDateTime(date, time, Qt::UTC);
#endif
}

QDateTime utcFromMSecsSinceEpoch(qint64 msecs)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::UTC);
#else
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
#endif
}

QDateTime distantPast()
{
    return utcDateTime(QDate(1, 1, 1), QTime(0, 0));
}

Metadata::Metadata()
    : date(distantPast())
{
}

Metadata::Metadata(std::optional<QUrl> url, QString name, QDateTime date, qint64 size, QImage icon, bool isFolder,
                   QColor color, bool isIcon)
    : name(std::move(name))
    , date(std::move(date))
    , size(size)
    , icon(std::move(icon))
    , color(std::move(color))
    , isFolder(isFolder)
    , url(std::move(url))
    , isIcon(isIcon)
{
}

QByteArray pngData(const QImage &image)
{
    if (image.isNull())
        return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return data;
}

namespace {

QString dateText(const QDateTime &date)
{
    const QDateTime value = date.isValid() ? date : distantPast();
    return value.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime readDate(const nlohmann::json &object)
{
    const nlohmann::json &value = jsonfields::member(object, "date");
    const QString text = jsonfields::stringValue(value, "date");
    QDateTime date = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!date.isValid())
        jsonfields::mistyped(value, "date", "an ISO 8601 date");
    return date;
}

std::optional<QUrl> readUrl(const nlohmann::json &object, const char *key)
{
    const nlohmann::json &value = jsonfields::member(object, key);
    if (value.is_null())
        return std::nullopt;
    const QUrl url(jsonfields::stringValue(value, key), QUrl::StrictMode);
    if (!url.isValid())
        jsonfields::mistyped(value, key, "a URL");
    return url;
}

// The icons written are 64 x 64 points (a few kilobytes of PNG, four times the pixels on a
// high-density screen); stored data past these bounds is no icon of ours and is not decoded.
constexpr qsizetype kMaxIconBytes = 512 * 1024;
constexpr int kMaxIconSide = 1024;

QImage readIcon(const nlohmann::json &object)
{
    const nlohmann::json &value = jsonfields::member(object, "icon");
    // An icon that gave no PNG data was written as null: it reads back as the empty image.
    if (value.is_null())
        return {};
    const QString text = jsonfields::stringValue(value, "icon");
    if (text.size() > (kMaxIconBytes + 2) / 3 * 4)
        return {};
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    // Read as the PNG it was written as (no other reader probes it), through the program's own PNG
    // reader (libpng's complaints about damaged data reach no terminal; no file to name, so no line
    // in the log either), and only once its header tells a size within the bound.
    using platform::imaging::ReductionAxis;
    platform::imaging::PngDecoder png(QString(), decoded.decoded, platform::imaging::PngRole::Embedded);
    const QSize size = png.size();
    if (!png.isValid() || size.width() > kMaxIconSide || size.height() > kMaxIconSide)
        return {};
    return png
        .decodeReduced(ReductionAxis::plain(size.width(), size.width()),
                       ReductionAxis::plain(size.height(), size.height()))
        .value_or(QImage());
}

} // namespace

void to_json(nlohmann::json &json, const Metadata &value)
{
    json = nlohmann::json::object();
    json["name"] = jsonfields::text(value.name);
    json["date"] = jsonfields::text(dateText(value.date));
    json["size"] = static_cast<std::int64_t>(value.size);
    const QByteArray png = pngData(value.icon);
    if (png.isEmpty())
        json["icon"] = nullptr;
    else
        json["icon"] = png.toBase64().toStdString();
    json["isFolder"] = value.isFolder;
    if (value.url)
        json["url"] = jsonfields::text(value.url->toString(QUrl::FullyEncoded));
    else
        json["url"] = nullptr;
    json["isIcon"] = value.isIcon;
}

void from_json(const nlohmann::json &json, Metadata &value)
{
    Metadata read;
    read.name = jsonfields::requireString(json, "name");
    read.date = readDate(json);
    read.size = jsonfields::requireInt64(json, "size");
    read.icon = readIcon(json);
    read.isFolder = jsonfields::requireBool(json, "isFolder");
    read.url = readUrl(json, "url");
    read.isIcon = jsonfields::requireBool(json, "isIcon");
    value = std::move(read);
}
