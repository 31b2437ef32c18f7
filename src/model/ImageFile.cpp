#include "model/ImageFile.h"

#include "platform/FileManager.h"
#include "platform/ImageSource.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>

namespace {

std::optional<double> doubleValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

bool isInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

std::optional<QString> gpsReference(const std::optional<QVariantMap> &properties, const char *key)
{
    if (!properties)
        return std::nullopt;
    const QVariant gps = properties->value(platform::ImageProperty::GPSDictionary);
    if (gps.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant ref = gps.toMap().value(QLatin1String(key));
    if (ref.typeId() != QMetaType::QString)
        return std::nullopt;
    return ref.toString().trimmed().toUpper();
}

} // namespace

std::optional<QDateTime> parseExifDateTime(const QString &text)
{
    // Fixed layout, parsed by hand: the Gregorian calendar and C digits whatever the user's locale.
    static const QRegularExpression layout(
        QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = layout.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime result(date, time, Qt::LocalTime);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

ImageFile::ImageFile(const QUrl &fileUrl)
{
    const QString name = fileUrl.fileName();
    if (!name.isEmpty())
        fileName = name;
    url = fileUrl;

    const QString localPath = fileUrl.toLocalFile();
    if (const auto attributes = platform::FileManager::attributes(localPath)) {
        identity = FileIdentity{attributes->device, attributes->inode};
        scannedSize = attributes->size;
        scannedModificationDate = attributes->modificationDate;
    }

    // Properties are absent exactly when the file is no image format we identify; then the record
    // keeps only its name and URL.
    properties = platform::ImageSource(localPath).properties();
    if (!properties)
        return;

    if (properties) {
        const QVariant tiff = properties->value(platform::ImageProperty::TIFFDictionary);
        if (tiff.typeId() == QMetaType::QVariantMap) {
            const QVariantMap tiffMap = tiff.toMap();
            const QVariant orientation = tiffMap.value(platform::ImageProperty::TIFFOrientation);
            if (isInteger(orientation))
                isOrientation = orientation.toLongLong() != 1;
            const QVariant dateTime = tiffMap.value(platform::ImageProperty::TIFFDateTime);
            if (dateTime.typeId() == QMetaType::QString)
                captureDate = parseExifDateTime(dateTime.toString());
        }
    }

    if (!captureDate)
        creationDate = platform::FileManager::creationDate(localPath);

    if (properties) {
        const QVariant gps = properties->value(platform::ImageProperty::GPSDictionary);
        if (gps.typeId() == QMetaType::QVariantMap) {
            const QVariantMap gpsMap = gps.toMap();
            if (const auto lat = doubleValue(gpsMap.value(platform::ImageProperty::GPSLatitude)))
                latitude = *lat;
            if (const auto lon = doubleValue(gpsMap.value(platform::ImageProperty::GPSLongitude)))
                longitude = *lon;
        }
    }
}

std::optional<double> ImageFile::signedLatitude() const
{
    if (!latitude)
        return std::nullopt;
    const auto ref = gpsReference(properties, platform::ImageProperty::GPSLatitudeRef);
    return (ref && *ref == QLatin1String("S")) ? -std::abs(*latitude) : *latitude;
}

std::optional<double> ImageFile::signedLongitude() const
{
    if (!longitude)
        return std::nullopt;
    const auto ref = gpsReference(properties, platform::ImageProperty::GPSLongitudeRef);
    return (ref && *ref == QLatin1String("W")) ? -std::abs(*longitude) : *longitude;
}

QString ImageFile::path() const
{
    return url ? url->toLocalFile() : QString();
}
