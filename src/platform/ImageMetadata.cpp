#include "platform/ImageMetadata.h"

#include "platform/DecodeBudget.h"
#include "platform/HeifContext.h"
#include "platform/ImageSource.h"
#include "platform/JpegDecoding.h"
#include "platform/Log.h"
#include "platform/MetadataBound.h"
#include "platform/PngChunks.h"
#include "platform/PngDecoder.h"
#include "platform/RegularFile.h"
#include "platform/TiffDecoder.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cmath>
#include <exception>

namespace platform::imaging {

namespace {

// A metadata block that broke off while it was read: what came before it is kept.
void logPartialMetadata(const QString &path, const QString &why)
{
    logWarning(lcPlatform) << QStringLiteral("Metadata of %1 read only in part: %2").arg(path, why);
}

QString trimmedText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    while (s.endsWith(QChar(0)))
        s.chop(1);
    return s.trimmed();
}

bool isRational(Exiv2::TypeId type)
{
    return type == Exiv2::unsignedRational || type == Exiv2::signedRational;
}

bool isInteger(Exiv2::TypeId type)
{
    switch (type) {
    case Exiv2::unsignedByte:
    case Exiv2::unsignedShort:
    case Exiv2::unsignedLong:
    case Exiv2::signedByte:
    case Exiv2::signedShort:
    case Exiv2::signedLong:
    case Exiv2::tiffIfd:
        return true;
    default:
        return false;
    }
}

double rationalAt(const Exiv2::Exifdatum &datum, long i)
{
    // An unsigned rational is read as the unsigned pair it is: the library's signed conversion
    // would turn numerators and denominators from 2^31 on negative.
    if (datum.typeId() == Exiv2::unsignedRational) {
        if (const auto *value = dynamic_cast<const Exiv2::URationalValue *>(&datum.value());
            value && i >= 0 && size_t(i) < value->value_.size()) {
            const Exiv2::URational r = value->value_[size_t(i)];
            if (r.second == 0)
                return 0.0;
            return double(r.first) / double(r.second);
        }
    }
    const Exiv2::Rational r = datum.toRational(i);
    if (r.second == 0)
        return 0.0;
    return double(r.first) / double(r.second);
}

// One Exif field as a property value: text, a number, or a list of numbers.
std::optional<QVariant> exifValue(const Exiv2::Exifdatum &datum, bool forceList)
{
    const Exiv2::TypeId type = datum.typeId();
    const long count = long(datum.count());
    if (count <= 0)
        return std::nullopt;
    if (type == Exiv2::asciiString || type == Exiv2::comment)
        return QVariant(trimmedText(datum.toString()));
    if (count > 64)
        return std::nullopt; // strip tables and similar bulk data
    QVariantList list;
    for (long i = 0; i < count; ++i) {
        if (isRational(type))
            list.append(rationalAt(datum, i));
        else if (type == Exiv2::tiffFloat || type == Exiv2::tiffDouble)
            list.append(double(datum.toFloat(i)));
        else if (isInteger(type) || type == Exiv2::undefined)
            list.append(qint64(exiv::integerAt(datum, size_t(i))));
        else
            return QVariant(trimmedText(datum.toString()));
    }
    if (list.size() == 1 && !forceList)
        return list.first();
    return QVariant(list);
}

// Numerator and denominator of rational i, read as rationalAt reads it (0/1 for a zero denominator).
std::pair<__int128, __int128> rationalPairAt(const Exiv2::Exifdatum &datum, long i)
{
    if (datum.typeId() == Exiv2::unsignedRational) {
        if (const auto *value = dynamic_cast<const Exiv2::URationalValue *>(&datum.value());
            value && i >= 0 && size_t(i) < value->value_.size()) {
            const Exiv2::URational r = value->value_[size_t(i)];
            if (r.second == 0)
                return {0, 1};
            return {__int128(r.first), __int128(r.second)};
        }
    }
    const Exiv2::Rational r = datum.toRational(i);
    if (r.second == 0)
        return {0, 1};
    return {__int128(r.first), __int128(r.second)};
}

// Decimal degrees from the three degree/minute/second rationals of a GPS position. The sum is
// formed exactly as one fraction and divided once, so a position written as 49 49' 19.056" reads
// 49.82196 (the nearest number), not a value a few units off in the last place.
std::optional<double> gpsDegrees(const Exiv2::Exifdatum &datum)
{
    if (!isRational(datum.typeId()) || datum.count() < 1)
        return std::nullopt;
    static const __int128 scale[3] = {1, 60, 3600};
    __int128 numerator = 0, denominator = 1;
    for (long i = 0; i < 3 && i < long(datum.count()); ++i) {
        auto [n, d] = rationalPairAt(datum, i);
        if (d < 0) {
            n = -n;
            d = -d;
        }
        d *= scale[i];
        // numerator/denominator + n/d; every factor is below 2^44, so nothing overflows.
        numerator = numerator * d + n * denominator;
        denominator *= d;
        __int128 a = numerator < 0 ? -numerator : numerator, b = denominator;
        while (b != 0) {
            const __int128 t = a % b;
            a = b;
            b = t;
        }
        if (a > 1) {
            numerator /= a;
            denominator /= a;
        }
    }
    const __int128 exact = __int128(1) << 53;
    const __int128 magnitude = numerator < 0 ? -numerator : numerator;
    const double value = magnitude <= exact && denominator <= exact
        ? double(numerator) / double(denominator)
        : double(static_cast<long double>(numerator) / static_cast<long double>(denominator));
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QString iptcKeyName(const std::string &tag)
{
    if (tag == "Copyright")
        return QStringLiteral("CopyrightNotice");
    if (tag == "Caption")
        return QStringLiteral("Caption/Abstract");
    return QString::fromStdString(tag);
}

// Dots per inch converted from a metric density; 2835 dots per metre is meant as 72 dpi, so a
// value within a twentieth of a whole number is taken as that number.
double inchesFromMetric(double value)
{
    const double whole = std::round(value);
    return std::fabs(value - whole) < 0.05 ? whole : value;
}

// Resolution stored in a JPEG's JFIF header or a PNG's pHYs chunk (before its picture data), in
// dots per inch.
std::optional<std::pair<double, double>> containerResolution(const QByteArray &head)
{
    if (head.size() >= 18 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8 && quint8(head[2]) == 0xFF
        && quint8(head[3]) == 0xE0 && head.mid(6, 5) == QByteArray("JFIF\0", 5)) {
        const int units = quint8(head[13]);
        const double x = qFromBigEndian<quint16>(head.constData() + 14);
        const double y = qFromBigEndian<quint16>(head.constData() + 16);
        if (units == 1 && x > 0 && y > 0)
            return std::make_pair(x, y);
        if (units == 2 && x > 0 && y > 0)
            return std::make_pair(inchesFromMetric(x * 2.54), inchesFromMetric(y * 2.54));
        return std::nullopt;
    }
    const auto inHead = [&head](qint64 offset, qint64 length) -> const char * {
        return offset >= 0 && length >= 0 && offset <= head.size() - length ? head.constData() + offset : nullptr;
    };
    PngChunkWalk walk(inHead, head.size());
    PngChunk chunk;
    while (walk.next(chunk) && !chunk.is("IDAT") && !chunk.is("IEND")) {
        if (!chunk.is("pHYs") || chunk.length != 9)
            continue;
        const char *data = inHead(chunk.dataOffset(), 9);
        if (!data)
            return std::nullopt;
        const double x = qFromBigEndian<quint32>(data), y = qFromBigEndian<quint32>(data + 4);
        if (quint8(data[8]) == 1 && x > 0 && y > 0)
            return std::make_pair(inchesFromMetric(x * 0.0254), inchesFromMetric(y * 0.0254));
        return std::nullopt;
    }
    return std::nullopt;
}

QVariantMap makeTag(const QString &ns, const QString &prefix, const QString &name, const QVariant &value,
                    MetadataTagType type)
{
    QVariantMap tag;
    tag.insert(QStringLiteral("namespace"), ns);
    tag.insert(QStringLiteral("prefix"), prefix);
    tag.insert(QStringLiteral("name"), name);
    if (value.isValid())
        tag.insert(QStringLiteral("value"), value);
    tag.insert(QStringLiteral("type"), int(type));
    return tag;
}

// Pixel size and sample layout of a picture of `size` pixels whose reader gives `pixelFormat`.
void addPixelProperties(QVariantMap &props, QSize size, QImage::Format pixelFormat)
{
    if (size.isValid()) {
        props.insert(ImageProperty::PixelWidth, qint64(size.width()));
        props.insert(ImageProperty::PixelHeight, qint64(size.height()));
    }
    if (pixelFormat > QImage::Format_Invalid && pixelFormat < QImage::NImageFormats) {
        const bool grey = pixelFormat == QImage::Format_Grayscale8 || pixelFormat == QImage::Format_Grayscale16
            || pixelFormat == QImage::Format_Mono || pixelFormat == QImage::Format_MonoLSB
            || pixelFormat == QImage::Format_Alpha8;
        const bool wide = pixelFormat == QImage::Format_Grayscale16 || pixelFormat == QImage::Format_RGBX64
            || pixelFormat == QImage::Format_RGBA64 || pixelFormat == QImage::Format_RGBA64_Premultiplied;
        props.insert(ImageProperty::Depth, qint64(wide ? 16 : 8));
        props.insert(ImageProperty::ColorModel, grey ? QStringLiteral("Gray") : QStringLiteral("RGB"));
        if (QImage::toPixelFormat(pixelFormat).alphaUsage() == QPixelFormat::UsesAlpha)
            props.insert(QStringLiteral("HasAlpha"), true);
    }
}

// Pixel size and sample layout as Qt's image reader for `format` reports them from the header.
// False when the reader could not tell the pixel size.
bool addReaderProperties(QVariantMap &props, const RegularFile &file, const QByteArray &format)
{
    const std::unique_ptr<QFile> device = file.device();
    QImageReader reader(device.get(), format);
    const QSize size = statedSize(reader);
    // Qt's JPEG handler leaves its pixel format unset (uninitialised) when the header cannot be
    // read, so the format is asked only after a good header; and a value outside the known
    // formats is never used.
    if (format == "jpeg" && !size.isValid())
        return false;
    addPixelProperties(props, size, reader.imageFormat());
    return size.isValid();
}

} // namespace

QString currentExceptionText()
{
    try {
        throw;
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

QByteArray readHead(const RegularFile &file, qint64 length)
{
    return file.readAt(0, length);
}

std::unique_ptr<Exiv2::Image> openExiv(const QString &path, const RegularFile &file)
{
    // Past the bounds of metadata the library is not asked: the picture stands without it.
    if (!metadataMayBeRead(path, file))
        return nullptr;
    // The metadata library opens by path: it is given the path of the checked descriptor.
    const QString descriptorPath = QFile::decodeName(file.descriptorPath());
    ImageSource::initializeLibraries();
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(descriptorPath).toStdString());
        if (!image.get())
            return nullptr;
        // Pictures only: the library's video readers (AVI, QuickTime and MP4, Matroska, ASF) follow
        // a damaged file's nested blocks for minutes and a gigabyte, and no picture needs them.
        if (image->mimeType().rfind("video/", 0) == 0) {
            logDebug(lcPlatform) << QStringLiteral("No metadata read from %1: a video container").arg(path);
            return nullptr;
        }
        image->readMetadata();
        return std::unique_ptr<Exiv2::Image>(image.release());
    } catch (...) {
        // Formats exiv2 does not know land here as well as damaged ones: the picture may still show.
        logDebug(lcPlatform) << QStringLiteral("No metadata read from %1: %2").arg(path, currentExceptionText());
        return nullptr;
    }
}

QString typeForFormat(const QByteArray &format)
{
    const QByteArray f = format.toLower();
    if (f == "jpeg" || f == "jpg")
        return QStringLiteral("public.jpeg");
    if (f == "png")
        return QStringLiteral("public.png");
    if (f == "tiff" || f == "tif")
        return QStringLiteral("public.tiff");
    if (f == "gif")
        return QStringLiteral("com.compuserve.gif");
    if (f == "bmp")
        return QStringLiteral("com.microsoft.bmp");
    if (f == "ico")
        return QStringLiteral("com.microsoft.ico");
    if (f == "icns")
        return QStringLiteral("com.apple.icns");
    if (f == "webp")
        return QStringLiteral("org.webmproject.webp");
    return QStringLiteral("public.") + QString::fromLatin1(f);
}

std::optional<QByteArray> qtFormat(const RegularFile &file)
{
    const std::unique_ptr<QFile> device = file.device();
    QImageReader reader(device.get());
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return std::nullopt;
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return std::nullopt;
    return format;
}

void addMetadataProperties(const QString &path, QVariantMap &props, Exiv2::Image *image, const QByteArray &head)
{
    QVariantMap tiff, exif, gps, iptc;
    std::optional<double> xResolution, yResolution;
    qint64 resolutionUnit = 2;
    if (image) {
        try {
            for (const Exiv2::Exifdatum &datum : image->exifData()) {
                const std::string group = datum.groupName();
                const QString tag = QString::fromStdString(datum.tagName());
                if (group == "Image") {
                    const bool list = false;
                    if (auto value = exifValue(datum, list))
                        tiff.insert(tag, *value);
                } else if (group == "Photo") {
                    if (tag == QLatin1String("MakerNote"))
                        continue;
                    if (auto value = exifValue(datum, tag == QLatin1String("ISOSpeedRatings")))
                        exif.insert(tag, *value);
                } else if (group == "GPSInfo") {
                    QString name = tag.startsWith(QLatin1String("GPS")) ? tag.mid(3) : tag;
                    if (name == QLatin1String("Latitude") || name == QLatin1String("Longitude")
                        || name == QLatin1String("DestLatitude") || name == QLatin1String("DestLongitude")) {
                        if (auto degrees = gpsDegrees(datum))
                            gps.insert(name, *degrees);
                    } else if (name == QLatin1String("TimeStamp") && datum.count() == 3 && isRational(datum.typeId())) {
                        const double h = rationalAt(datum, 0), m = rationalAt(datum, 1), s = rationalAt(datum, 2);
                        gps.insert(name,
                                   QStringLiteral("%1:%2:%3")
                                       .arg(qint64(h), 2, 10, QLatin1Char('0'))
                                       .arg(qint64(m), 2, 10, QLatin1Char('0'))
                                       .arg(s, 5, 'f', 2, QLatin1Char('0')));
                    } else if (auto value = exifValue(datum, false)) {
                        gps.insert(name, *value);
                    }
                }
            }
            if (auto it = tiff.constFind(QStringLiteral("XResolution")); it != tiff.constEnd())
                xResolution = it->toDouble();
            if (auto it = tiff.constFind(QStringLiteral("YResolution")); it != tiff.constEnd())
                yResolution = it->toDouble();
            if (auto it = tiff.constFind(QStringLiteral("ResolutionUnit")); it != tiff.constEnd())
                resolutionUnit = it->toLongLong();
            for (const Exiv2::Iptcdatum &datum : image->iptcData()) {
                if (datum.groupName() != "Application2")
                    continue;
                const QString key = iptcKeyName(datum.tagName());
                const QString text = trimmedText(datum.toString());
                if (datum.tagName() == "RecordVersion")
                    continue;
                auto it = iptc.find(key);
                if (it == iptc.end()) {
                    if (key == QLatin1String("Keywords"))
                        iptc.insert(key, QVariantList{text});
                    else
                        iptc.insert(key, text);
                } else if (it->typeId() == QMetaType::QVariantList) {
                    QVariantList list = it->toList();
                    list.append(text);
                    *it = list;
                } else {
                    *it = QVariantList{*it, text};
                }
            }
        } catch (...) {
            // A damaged metadata block leaves what was read so far.
            logPartialMetadata(path, currentExceptionText());
        }
    }

    if (!tiff.isEmpty())
        props.insert(ImageProperty::TIFFDictionary, tiff);
    if (!exif.isEmpty())
        props.insert(ImageProperty::ExifDictionary, exif);
    if (!gps.isEmpty())
        props.insert(ImageProperty::GPSDictionary, gps);
    if (!iptc.isEmpty())
        props.insert(ImageProperty::IPTCDictionary, iptc);
    if (auto it = tiff.constFind(QStringLiteral("Orientation")); it != tiff.constEnd())
        props.insert(ImageProperty::Orientation, *it);

    // Resolution in dots per inch: the Exif resolution first, else the container's own.
    if (xResolution && yResolution && *xResolution > 0 && *yResolution > 0
        && (resolutionUnit == 2 || resolutionUnit == 3)) {
        if (resolutionUnit == 3) {
            props.insert(ImageProperty::DPIWidth, inchesFromMetric(*xResolution * 2.54));
            props.insert(ImageProperty::DPIHeight, inchesFromMetric(*yResolution * 2.54));
        } else {
            props.insert(ImageProperty::DPIWidth, *xResolution);
            props.insert(ImageProperty::DPIHeight, *yResolution);
        }
    } else if (auto dpi = containerResolution(head)) {
        props.insert(ImageProperty::DPIWidth, dpi->first);
        props.insert(ImageProperty::DPIHeight, dpi->second);
    }
}

qint64 exifOrientation(const QString &path, Exiv2::Image &image)
{
    try {
        const Exiv2::ExifData &exif = image.exifData();
        const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it != exif.end() && it->count() > 0)
            return qint64(exiv::integerAt(*it, 0));
    } catch (...) {
        logPartialMetadata(path, currentExceptionText());
    }
    return 1;
}

std::optional<QVariantMap> propertiesByImageReaders(const QString &path)
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    if (const auto jpeg = openJpeg(path, *file, kJpegHeadLength); jpeg && jpeg->refused)
        return std::nullopt;
    const QByteArray head = readHead(*file, 64 * 1024);
    const bool heif = headIsHeif(head.left(64));
    std::optional<QByteArray> format;
    if (headIsPng(head)) {
        format = QByteArrayLiteral("png");
    } else if (headIsTiff(head)) {
        format = QByteArrayLiteral("tiff");
    } else if (!heif) {
        format = qtFormat(*file);
        if (!format)
            return std::nullopt;
    }

    QVariantMap props;
    // Pixel size and sample layout, read from the header without decoding pixels.
    if (headIsPng(head)) {
        // Through our own reader of a PNG's header, as its pixels are: a damaged file is logged
        // once and libpng prints nothing.
        const PngDecoder png(path, *file);
        if (png.isValid()) {
            props.insert(ImageProperty::PixelWidth, qint64(png.size().width()));
            props.insert(ImageProperty::PixelHeight, qint64(png.size().height()));
            props.insert(ImageProperty::Depth, qint64(png.bitDepth() == 16 ? 16 : 8));
            props.insert(ImageProperty::ColorModel, png.isGrey() ? QStringLiteral("Gray") : QStringLiteral("RGB"));
            if (png.hasAlpha())
                props.insert(QStringLiteral("HasAlpha"), true);
        }
    } else if (heif) {
        HeifContext ctx;
        if (!ctx.open(*file))
            return std::nullopt;
        props.insert(ImageProperty::PixelWidth, qint64(heif_image_handle_get_width(ctx.handle)));
        props.insert(ImageProperty::PixelHeight, qint64(heif_image_handle_get_height(ctx.handle)));
        const int bits = heif_image_handle_get_luma_bits_per_pixel(ctx.handle);
        if (bits > 0)
            props.insert(ImageProperty::Depth, qint64(bits));
        props.insert(ImageProperty::ColorModel, QStringLiteral("RGB"));
        if (heif_image_handle_has_alpha_channel(ctx.handle))
            props.insert(QStringLiteral("HasAlpha"), true);
    } else if (*format == "tiff") {
        SkipRecord record;
        const TiffDecoder tiff(path, *file);
        if (tiff.isValid())
            addPixelProperties(props, tiff.size(), tiff.format());
        else if (record.reason() == SkipReason::TooLarge)
            return props; // nor is the metadata library given fields that large
    } else if (*format == "webp" && !webpMayBeRead(path, *file)) {
        return props; // Qt's reader would take the file whole, exiv2 its chunks
    } else if (!addReaderProperties(props, *file, *format) && *format == "jpeg") {
        return std::nullopt; // a JPEG whose frame header cannot be read
    }

    addMetadataProperties(path, props, openExiv(path, *file).get(), head);
    return props;
}

std::optional<QVariantList> metadataTags(const QString &path)
{
    if (!ImageSource(path).typeIdentifier())
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    if (const auto jpeg = openJpeg(path, *file, kJpegHeadLength); jpeg && jpeg->refused)
        return std::nullopt;
    QVariantList tags;
    auto image = openExiv(path, *file);
    if (!image)
        return tags;
    try {
        static const QString tiffNs = QStringLiteral("http://ns.adobe.com/tiff/1.0/");
        static const QString exifNs = QStringLiteral("http://ns.adobe.com/exif/1.0/");
        static const QString iptcNs = QStringLiteral("http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/");
        for (const Exiv2::Exifdatum &datum : image->exifData()) {
            const std::string group = datum.groupName();
            QString ns, prefix;
            if (group == "Image") {
                ns = tiffNs;
                prefix = QStringLiteral("tiff");
            } else if (group == "Photo" || group == "GPSInfo") {
                ns = exifNs;
                prefix = QStringLiteral("exif");
            } else {
                continue;
            }
            const QString name = QString::fromStdString(datum.tagName());
            if (name == QLatin1String("MakerNote"))
                continue;
            const auto value = exifValue(datum, false);
            if (!value)
                continue;
            if (value->typeId() == QMetaType::QVariantList) {
                QVariantList items;
                for (const QVariant &v : value->toList())
                    items.append(v.toString());
                tags.append(makeTag(ns, prefix, name, items, MetadataTagType::ArrayOrdered));
            } else {
                tags.append(makeTag(ns, prefix, name, value->toString(), MetadataTagType::String));
            }
        }
        for (const Exiv2::Iptcdatum &datum : image->iptcData()) {
            if (datum.groupName() != "Application2" || datum.tagName() == "RecordVersion")
                continue;
            tags.append(makeTag(iptcNs, QStringLiteral("Iptc4xmpCore"), iptcKeyName(datum.tagName()),
                                trimmedText(datum.toString()), MetadataTagType::String));
        }
        for (const Exiv2::Xmpdatum &datum : image->xmpData()) {
            const std::string prefix = datum.groupName();
            QString ns;
            try {
                ns = QString::fromStdString(Exiv2::XmpProperties::ns(prefix));
            } catch (...) {
                // A prefix exiv2 has no namespace for: the tag is kept without one.
                logDebug(lcPlatform) << QStringLiteral("No XMP namespace for prefix %1 in %2: %3")
                                            .arg(QString::fromStdString(prefix), path, currentExceptionText());
            }
            MetadataTagType type = MetadataTagType::String;
            QVariant value;
            switch (datum.typeId()) {
            case Exiv2::xmpBag:
            case Exiv2::xmpSeq:
            case Exiv2::xmpAlt: {
                type = datum.typeId() == Exiv2::xmpBag ? MetadataTagType::ArrayUnordered
                    : datum.typeId() == Exiv2::xmpSeq  ? MetadataTagType::ArrayOrdered
                                                       : MetadataTagType::AlternateArray;
                QVariantList items;
                for (long i = 0; i < long(datum.count()); ++i)
                    items.append(QString::fromStdString(datum.toString(i)));
                value = items;
                break;
            }
            case Exiv2::langAlt:
                type = MetadataTagType::AlternateText;
                value = trimmedText(datum.toString());
                break;
            default:
                value = trimmedText(datum.toString());
                break;
            }
            tags.append(
                makeTag(ns, QString::fromStdString(prefix), QString::fromStdString(datum.tagName()), value, type));
        }
    } catch (...) {
        // Keep the tags read before the damaged part.
        logPartialMetadata(path, currentExceptionText());
    }
    return tags;
}

} // namespace platform::imaging
