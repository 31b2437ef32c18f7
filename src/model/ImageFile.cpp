#include "model/ImageFile.h"

#include "model/PropertyNumber.h"
#include "platform/FileStat.h"
#include "platform/ImageSource.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>

namespace {

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
    static const QRegularExpression layout(QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = layout.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime result(date, time); // local time
    if (!result.isValid())
        return std::nullopt;
    return result;
}

ImageFile::ImageFile(const QUrl &fileUrl)
{
    const std::optional<platform::FileStat> stat = platform::FileStat::of(fileUrl.toLocalFile());
    *this = ImageFile(fileUrl, stat ? &*stat : nullptr);
}

ImageFile::ImageFile(const QUrl &fileUrl, const platform::FileStat *stat, Dates dates)
{
    const QString name = fileUrl.fileName();
    if (!name.isEmpty())
        fileName = name;
    url = fileUrl;

    const QString localPath = fileUrl.toLocalFile();
    if (stat) {
        identity = FileIdentity{stat->device, stat->inode};
        scannedSize = stat->size;
        if (stat->hasModificationTime)
            scannedModificationTime = FileTime{stat->modificationSeconds, stat->modificationNanoseconds};
        if (stat->hasChangeTime)
            scannedChangeTime = FileTime{stat->changeSeconds, stat->changeNanoseconds};
    }

    // Properties are absent exactly when the file is no image format we identify; then the record
    // keeps only its name, URL and stat facts.
    properties = platform::ImageSource(localPath).properties();
    if (properties) {
        const QVariant tiff = properties->value(platform::ImageProperty::TIFFDictionary);
        if (tiff.typeId() == QMetaType::QVariantMap) {
            const QVariant orientation = tiff.toMap().value(platform::ImageProperty::TIFFOrientation);
            if (isInteger(orientation))
                isOrientation = orientation.toLongLong() != 1;
        }
        const QVariant gps = properties->value(platform::ImageProperty::GPSDictionary);
        if (gps.typeId() == QMetaType::QVariantMap) {
            const QVariantMap gpsMap = gps.toMap();
            if (const auto lat = propertyNumber(gpsMap.value(platform::ImageProperty::GPSLatitude)))
                latitude = *lat;
            if (const auto lon = propertyNumber(gpsMap.value(platform::ImageProperty::GPSLongitude)))
                longitude = *lon;
        }
    }
    if (dates == Dates::Read)
        readDates(stat);
}

void ImageFile::readDates(const platform::FileStat *stat)
{
    if (stat)
        scannedModificationDate = stat->modificationDate();
    if (!properties)
        return;
    const QVariant tiff = properties->value(platform::ImageProperty::TIFFDictionary);
    if (tiff.typeId() == QMetaType::QVariantMap) {
        const QVariant dateTime = tiff.toMap().value(platform::ImageProperty::TIFFDateTime);
        if (dateTime.typeId() == QMetaType::QString)
            captureDate = parseExifDateTime(dateTime.toString());
    }
    // Without a capture date, the birth time from the same stat (absent when the file could not be
    // stat'ed or its file system keeps none).
    if (!captureDate && stat)
        creationDate = stat->creationDate();
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
