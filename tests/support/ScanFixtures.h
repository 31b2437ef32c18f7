#pragma once

// Helpers of the scan tests: made-up photos written as JPEG files, with capture time, orientation
// and GPS position written by exiv2, and records built without files.

#include "model/ImageFile.h"
#include "model/InitialDirectory.h"
#include "engine/ScanProgress.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>

#include <exiv2/exiv2.hpp>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace scanfixtures {

// A smooth picture of random soft blobs over a gradient, different for every seed, so that two seeds
// give unrelated pictures and one seed the same picture at any size.
inline QImage makePhoto(quint32 seed, int width = 320, int height = 240)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor::fromHsv(random.bounded(360), 120, 90 + random.bounded(120)));
    background.setColorAt(1, QColor::fromHsv(random.bounded(360), 160, 40 + random.bounded(160)));
    painter.fillRect(image.rect(), background);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 24; ++i) {
        const double x = random.bounded(1.0) * width;
        const double y = random.bounded(1.0) * height;
        const double r = (0.05 + random.bounded(0.25)) * std::min(width, height);
        QRadialGradient blob(QPointF(x, y), r);
        const QColor colour = QColor::fromHsv(random.bounded(360), 200, 40 + random.bounded(215));
        blob.setColorAt(0, colour);
        QColor edge = colour;
        edge.setAlpha(0);
        blob.setColorAt(1, edge);
        painter.setBrush(blob);
        painter.drawEllipse(QPointF(x, y), r, r);
    }
    painter.end();
    return image;
}

inline bool writeJpeg(const QString &path, const QImage &image, int quality = 90)
{
    return image.save(path, "JPEG", quality);
}

struct ExifFields {
    std::optional<QString> dateTime; // "yyyy:MM:dd HH:mm:ss"
    std::optional<int> orientation;  // 1..8
    std::optional<double> latitude;  // signed degrees
    std::optional<double> longitude; // signed degrees
};

inline std::string rationalDegrees(double value)
{
    const double magnitude = std::abs(value);
    const long micro = long(std::llround(magnitude * 1000000.0));
    return std::to_string(micro) + "/1000000 0/1 0/1";
}

// Lets `edit` change the file's EXIF block and writes it back; false when exiv2 refuses.
inline bool editExif(const QString &path, const std::function<void(Exiv2::ExifData &)> &edit)
{
    try {
        auto opened = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        std::unique_ptr<Exiv2::Image> image(opened.release());
        if (!image)
            return false;
        image->readMetadata();
        edit(image->exifData());
        image->writeMetadata();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// Writes the fields into the file's EXIF block; false when exiv2 refuses.
inline bool writeExif(const QString &path, const ExifFields &fields)
{
    return editExif(path, [&](Exiv2::ExifData &exif) {
        if (fields.dateTime)
            exif["Exif.Image.DateTime"] = fields.dateTime->toStdString();
        if (fields.orientation)
            exif["Exif.Image.Orientation"] = uint16_t(*fields.orientation);
        if (fields.latitude) {
            auto value = Exiv2::Value::create(Exiv2::unsignedRational);
            value->read(rationalDegrees(*fields.latitude));
            exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), value.get());
            exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string(*fields.latitude < 0 ? "S" : "N");
        }
        if (fields.longitude) {
            auto value = Exiv2::Value::create(Exiv2::unsignedRational);
            value->read(rationalDegrees(*fields.longitude));
            exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), value.get());
            exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string(*fields.longitude < 0 ? "W" : "E");
        }
    });
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size();
}

// A scan-list entry for a folder or a single file, as the scan-list screen makes it.
inline InitialDirectory entryFor(const QString &path)
{
    return InitialDirectory(QUrl::fromLocalFile(path));
}

// Records every progress call as a line of text, in order.
class RecordingProgress : public ScanProgress
{
public:
    std::vector<std::string> calls;
    std::mutex mutex;

    void add(std::string line)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(std::move(line));
    }
    void showCollectProgress(qint64 collected, int percent) override
    {
        add("collect " + std::to_string(collected) + " " + std::to_string(percent));
    }
    void showStepComplete(const QString &key) override { add("complete " + key.toStdString()); }
    void setRingAnimated(bool animated) override { add(std::string("animated ") + (animated ? "1" : "0")); }
    void showGroupingStart(qint64 count) override { add("start " + std::to_string(count)); }
    void showGroupingPercent(int percent) override { add("percent " + std::to_string(percent)); }
    void showDuplicateCount(qint64 count) override { add("dup " + std::to_string(count)); }
    void showProcessedFiles(qint64 done, qint64 total) override
    {
        add("processed " + std::to_string(done) + "/" + std::to_string(total));
    }
    void logHashPercent(int percent) override { add("log " + std::to_string(percent)); }
};

} // namespace scanfixtures
