#include "platform/ImageSource.h"

#include "platform/CachedFileIo.h"
#include "platform/ExivCompat.h"
#include "platform/JpegHeader.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QPainter>
#include <QTextStream>
#include <QTransform>

#include <libheif/heif.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

void exivLogToNowhere(int, const char *)
{
    // The metadata library reports every oddity of a damaged file; those are expected while a scan
    // reads thousands of files and are not shown on the terminal.
}

// Bytes of a JPEG read to tell whether it may embed an Exif thumbnail.
constexpr qint64 kThumbnailHintLength = 64 * 1024;

QByteArray readHead(const RegularFile &file, qint64 length)
{
    return file.readAt(0, length);
}

bool headIsHeif(const QByteArray &head)
{
    if (head.size() < 12)
        return false;
    return heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), int(head.size()))
           == heif_filetype_yes_supported;
}

// The metadata library opens by path: it is given the path of the checked descriptor.
std::unique_ptr<Exiv2::Image> openExiv(const RegularFile &file)
{
    const QString path = QFile::decodeName(file.descriptorPath());
    ImageSource::initializeLibraries();
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (!image.get())
            return nullptr;
        image->readMetadata();
        return std::unique_ptr<Exiv2::Image>(image.release());
    } catch (const std::exception &) {
        return nullptr;
    } catch (...) {
        return nullptr;
    }
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
    case Exiv2::unsignedByte: case Exiv2::unsignedShort: case Exiv2::unsignedLong:
    case Exiv2::signedByte: case Exiv2::signedShort: case Exiv2::signedLong:
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

quint16 be16(const QByteArray &b, int at)
{
    return quint16((quint8(b[at]) << 8) | quint8(b[at + 1]));
}

quint32 be32(const QByteArray &b, int at)
{
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16)
           | (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

// Dots per inch converted from a metric density; 2835 dots per metre is meant as 72 dpi, so a
// value within a twentieth of a whole number is taken as that number.
double inchesFromMetric(double value)
{
    const double whole = std::round(value);
    return std::fabs(value - whole) < 0.05 ? whole : value;
}

// Resolution stored in a JPEG's JFIF header or a PNG's pHYs chunk, in dots per inch.
std::optional<std::pair<double, double>> containerResolution(const QByteArray &head)
{
    if (head.size() >= 18 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8 && quint8(head[2]) == 0xFF
        && quint8(head[3]) == 0xE0 && head.mid(6, 5) == QByteArray("JFIF\0", 5)) {
        const int units = quint8(head[13]);
        const double x = be16(head, 14), y = be16(head, 16);
        if (units == 1 && x > 0 && y > 0)
            return std::make_pair(x, y);
        if (units == 2 && x > 0 && y > 0)
            return std::make_pair(inchesFromMetric(x * 2.54), inchesFromMetric(y * 2.54));
        return std::nullopt;
    }
    if (head.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8))) {
        int at = 8;
        while (at + 8 <= head.size()) {
            const quint32 length = be32(head, at);
            const QByteArray type = head.mid(at + 4, 4);
            if (type == "IDAT" || type == "IEND")
                break;
            if (type == "pHYs" && length == 9 && at + 17 <= head.size()) {
                const double x = be32(head, at + 8), y = be32(head, at + 12);
                if (quint8(head[at + 16]) == 1 && x > 0 && y > 0)
                    return std::make_pair(inchesFromMetric(x * 0.0254), inchesFromMetric(y * 0.0254));
                return std::nullopt;
            }
            if (length > quint32(head.size()))
                break;
            at += 12 + int(length);
        }
    }
    return std::nullopt;
}

struct HeifContext {
    heif_context *ctx = nullptr;
    heif_image_handle *handle = nullptr;
    ~HeifContext()
    {
        if (handle)
            heif_image_handle_release(handle);
        if (ctx)
            heif_context_free(ctx);
    }
    bool open(const RegularFile &file)
    {
        ImageSource::initializeLibraries();
        ctx = heif_context_alloc();
        if (!ctx)
            return false;
        // Read through the checked descriptor's path: the very file that was checked.
        if (heif_context_read_from_file(ctx, file.descriptorPath().constData(), nullptr).code != heif_error_Ok)
            return false;
        return heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok && handle;
    }
};

std::optional<QImage> decodeHeifHandle(heif_image_handle *handle, bool applyOrientation)
{
    heif_decoding_options *options = heif_decoding_options_alloc();
    options->ignore_transformations = applyOrientation ? 0 : 1;
    heif_image *image = nullptr;
    const heif_error error = heif_decode_image(handle, &image, heif_colorspace_RGB,
                                               heif_chroma_interleaved_RGBA, options);
    heif_decoding_options_free(options);
    if (error.code != heif_error_Ok || !image)
        return std::nullopt;
    int stride = 0;
    const uint8_t *data = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    std::optional<QImage> result;
    if (data && width > 0 && height > 0)
        result = QImage(data, width, height, stride, QImage::Format_RGBA8888).copy();
    heif_image_release(image);
    return result;
}

std::optional<QImage> decodeHeif(const RegularFile &file, bool applyOrientation)
{
    HeifContext heif;
    if (!heif.open(file))
        return std::nullopt;
    return decodeHeifHandle(heif.handle, applyOrientation);
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

// Pixel size and sample layout as Qt's image reader for `format` reports them from the header.
// False when the reader could not tell the pixel size.
bool addReaderProperties(QVariantMap &props, const RegularFile &file, const QByteArray &format)
{
    const std::unique_ptr<QFile> device = file.device();
    QImageReader reader(device.get(), format);
    const QSize size = reader.size();
    if (size.isValid()) {
        props.insert(ImageProperty::PixelWidth, qint64(size.width()));
        props.insert(ImageProperty::PixelHeight, qint64(size.height()));
    }
    // Qt's JPEG handler leaves its pixel format unset (uninitialised) when the header cannot be
    // read, so the format is asked only after a good header; and a value outside the known
    // formats is never used.
    if (format == "jpeg" && !size.isValid())
        return false;
    const QImage::Format pixelFormat = reader.imageFormat();
    if (pixelFormat > QImage::Format_Invalid && pixelFormat < QImage::NImageFormats) {
        const bool grey = pixelFormat == QImage::Format_Grayscale8 || pixelFormat == QImage::Format_Grayscale16
                          || pixelFormat == QImage::Format_Mono || pixelFormat == QImage::Format_MonoLSB
                          || pixelFormat == QImage::Format_Alpha8;
        const bool wide = pixelFormat == QImage::Format_Grayscale16 || pixelFormat == QImage::Format_RGBX64
                          || pixelFormat == QImage::Format_RGBA64
                          || pixelFormat == QImage::Format_RGBA64_Premultiplied;
        props.insert(ImageProperty::Depth, qint64(wide ? 16 : 8));
        props.insert(ImageProperty::ColorModel, grey ? QStringLiteral("Gray") : QStringLiteral("RGB"));
        if (QImage::toPixelFormat(pixelFormat).alphaUsage() == QPixelFormat::UsesAlpha)
            props.insert(QStringLiteral("HasAlpha"), true);
    }
    return size.isValid();
}

// Adds the Exif, GPS and IPTC dictionaries read by exiv2 (image may be null: no metadata), the
// orientation and the resolution (Exif first, else the JPEG/PNG container's, from head).
void addMetadataProperties(QVariantMap &props, Exiv2::Image *image, const QByteArray &head)
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
                        gps.insert(name, QStringLiteral("%1:%2:%3")
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



// The JPEG reading starts from the first 8 KiB (the metadata of most photos ends before that; the
// input reads further when it does not). The resolution in a JPEG's own header lies in its first
// 18 bytes, so this shorter head gives it as the 64 KiB head of the plain path does. A file of up to
// kJpegHeaderSearch bytes is read whole at the first look further, and its header is then read from
// memory.
constexpr qint64 kJpegHeadLength = 8 * 1024;
constexpr qint64 kJpegHeaderSearch = 256 * 1024;

// A file opened for the JPEG reading: its descriptor (owned by the RegularFile it was read from),
// size and first bytes.
struct OpenedJpeg {
    int fd = -1;
    qint64 size = 0;
    QByteArray head;
    // More marker segments before the first scan than any camera writes: no library or reader may
    // see the file, its header is unreadable on every road.
    bool refused = false;
};

// Reads the head of a file that starts with the JPEG signature; absent for any other file. A file
// with a flood of marker segments is refused here, with a line in the log naming it.
std::optional<OpenedJpeg> openJpeg(const QString &path, const RegularFile &file, qint64 headLength)
{
    OpenedJpeg opened;
    opened.fd = file.descriptor();
    opened.size = file.size();
    opened.head = file.readAt(0, std::min<qint64>(opened.size, headLength));
    const QByteArray &head = opened.head;
    if (head.size() < 2 || quint8(head[0]) != 0xFF || quint8(head[1]) != 0xD8)
        return std::nullopt;
    const JpegMoreBytes bytesAt = [&](qint64 offset, qint64 length) {
        if (offset + length <= head.size())
            return QByteArray::fromRawData(head.constData() + offset, qsizetype(length));
        return file.readAt(offset, length);
    };
    const int segments = jpegSegmentsBeforeScan(bytesAt, opened.size, kMaxJpegSegmentsBeforeScan);
    if (segments > kMaxJpegSegmentsBeforeScan) {
        opened.refused = true;
        qWarning().noquote() << QStringLiteral("Skipped %1: more than %2 marker segments before its picture data")
                                    .arg(path)
                                    .arg(kMaxJpegSegmentsBeforeScan);
    }
    return opened;
}

const unsigned char *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

// The frame header of an opened JPEG as the system JPEG library reads it: the strict reading of
// the first bytes when it answers (the plain layout of nearly every file), else the library's own
// reading from memory. Absent when the library refuses the header.
std::optional<JpegHeaderFacts> jpegFacts(const OpenedJpeg &opened, CachedFileIo &io)
{
    if (opened.refused)
        return std::nullopt;
    auto facts = readJpegHeader(bytesOf(opened.head), size_t(opened.head.size()));
    QByteArray searched = opened.head;
    if (!facts && opened.size > opened.head.size()) {
        // Metadata segments larger than the head before the frame header: look further.
        searched = io.prefix(kJpegHeaderSearch);
        facts = readJpegHeader(bytesOf(searched), size_t(searched.size()));
    }
    if (facts && (facts->components == 1 || facts->components == 3 || facts->components == 4))
        return facts;
    // `searched` keeps its bytes while the cache grows behind it.
    const JpegMoreBytes more = [&io](qint64 offset, qint64 length) {
        const QByteArray &cache = io.prefix(offset + length);
        return offset < cache.size() ? cache.mid(offset, length) : QByteArray();
    };
    return decodeJpegHeader(bytesOf(searched), size_t(searched.size()), opened.size, more);
}

// The reading of a file through jpegProperties.
struct JpegReading {
    bool isJpeg = false;              // a regular file starting with FF D8, opened here
    std::optional<QVariantMap> props; // absent when its frame header cannot be read
};

// The properties of a file that starts with the JPEG signature, read through one open: the head
// is read once, the frame header is parsed from it (or from the whole file held in memory when it
// is small), and exiv2 reads the metadata from the same descriptor. Gives exactly what
// propertiesByImageReaders gives for such a file: Qt's image readers pick their JPEG handler for
// any data starting with FF D8 (no handler probed before it accepts that signature), the header
// facts are those the JPEG library gives Qt's reader, and exiv2 meets the same bytes and the same
// stream behaviour as through its own file input. A JPEG whose frame header cannot be read has no
// properties. Not a JPEG reading when the file is no such JPEG or cannot be opened here; the
// caller then takes the plain path.
JpegReading jpegProperties(const QString &path, const RegularFile &file)
{
    JpegReading reading;
    const QByteArray native = QFile::encodeName(path);
    std::optional<OpenedJpeg> opened = openJpeg(path, file, kJpegHeadLength);
    if (!opened)
        return reading;
    reading.isJpeg = true;

    auto io = std::make_unique<CachedFileIo>(native.toStdString(), opened->fd, opened->size, opened->head);
    const auto facts = jpegFacts(*opened, *io);
    if (!facts)
        return reading;
    QVariantMap props;
    props.insert(ImageProperty::PixelWidth, qint64(facts->width));
    props.insert(ImageProperty::PixelHeight, qint64(facts->height));
    if (facts->components == 1 || facts->components == 3 || facts->components == 4) {
        // Qt's JPEG handler: one component is Grayscale8, three or four are RGB32.
        props.insert(ImageProperty::Depth, qint64(8));
        props.insert(ImageProperty::ColorModel,
                     facts->components == 1 ? QStringLiteral("Gray") : QStringLiteral("RGB"));
    }

    ImageSource::initializeLibraries();
    std::unique_ptr<Exiv2::Image> image;
    try {
        exiv::ImagePtr exiv = exiv::openImage(exiv::IoPtr(io.release()));
        if (exiv.get()) {
            exiv->readMetadata();
            image.reset(exiv.release());
        }
    } catch (...) {
        image.reset();
    }
    addMetadataProperties(props, image.get(), opened->head);
    reading.props = std::move(props);
    return reading;
}

// --- Decoding at a bounded cost ---

// A picture is never decoded at full size above this many pixels; a JPEG is decoded at a reduced
// scale straight from its compressed data, whatever its size, as long as the decoder's memory
// stays within kMaxDecodeBytes.
constexpr qint64 kMaxFullDecodePixels = 50'000'000;
constexpr qint64 kMaxDecodeBytes = 100 * 1024 * 1024;
// A decode that needs more than kMaxDecodeBytes (a progressive JPEG keeps all its coefficients
// while it decodes: some 146 MB for a 48 MP photo) runs alone, up to this much: 1 GB, or a quarter
// of the machine's memory when that is less. Enough for progressive photos of about 100 MP and more.
qint64 maxAloneDecodeBytes()
{
    static const qint64 cap = [] {
        constexpr qint64 ceiling = qint64(1024) * 1024 * 1024;
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return ceiling;
        return std::clamp<qint64>(qint64(pages) * pageSize / 4, kMaxDecodeBytes, ceiling);
    }();
    return cap;
}
// All decodes running at once (the parallel hash pass, the thumbnail workers) share this much.
constexpr qint64 kDecodeBudgetBytes = 320 * 1024 * 1024;

// The memory decodes in flight may use together: a decode waits until its estimate fits, and one
// larger than the whole budget runs alone.
class DecodeBudget {
public:
    explicit DecodeBudget(qint64 bytes) : bytes_(std::clamp<qint64>(bytes, 0, kDecodeBudgetBytes))
    {
        std::unique_lock<std::mutex> lock(mutex());
        condition().wait(lock, [&] { return used() == 0 || used() + bytes_ <= kDecodeBudgetBytes; });
        used() += bytes_;
    }
    ~DecodeBudget()
    {
        {
            std::lock_guard<std::mutex> lock(mutex());
            used() -= bytes_;
        }
        condition().notify_all();
    }
    DecodeBudget(const DecodeBudget &) = delete;
    DecodeBudget &operator=(const DecodeBudget &) = delete;

private:
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    static std::condition_variable &condition()
    {
        static std::condition_variable c;
        return c;
    }
    static qint64 &used()
    {
        static qint64 u = 0;
        return u;
    }
    qint64 bytes_;
};

QSize fitWithin(QSize size, int maxPixel)
{
    if (!size.isValid() || (size.width() <= maxPixel && size.height() <= maxPixel))
        return size;
    const QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return QSize(std::max(1, scaled.width()), std::max(1, scaled.height()));
}

// Qt's image transformation for an Exif orientation value.
QImageIOHandler::Transformations transformationOf(qint64 orientation)
{
    switch (orientation) {
    case 2: return QImageIOHandler::TransformationMirror;
    case 3: return QImageIOHandler::TransformationRotate180;
    case 4: return QImageIOHandler::TransformationFlip;
    case 5: return QImageIOHandler::TransformationFlipAndRotate90;
    case 6: return QImageIOHandler::TransformationRotate90;
    case 7: return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8: return QImageIOHandler::TransformationRotate270;
    default: return QImageIOHandler::TransformationNone;
    }
}

// Turns an image as Qt's readers do for the transformation.
QImage transformed(QImage image, QImageIOHandler::Transformations transformation)
{
    if (transformation == QImageIOHandler::TransformationNone || image.isNull())
        return image;
    if (transformation == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image = image.mirrored(transformation & QImageIOHandler::TransformationMirror,
                           transformation & QImageIOHandler::TransformationFlip);
    if (transformation & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

qint64 exifOrientation(Exiv2::Image &image)
{
    try {
        const Exiv2::ExifData &exif = image.exifData();
        const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it != exif.end() && it->count() > 0)
            return qint64(exiv::integerAt(*it, 0));
    } catch (...) {
    }
    return 1;
}

// A small embedded picture (an Exif thumbnail or a preview) decoded from memory, within the caps.
std::optional<QImage> decodeEmbedded(const Exiv2::byte *data, long size)
{
    if (!data || size <= 0)
        return std::nullopt;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size2 = reader.size();
    if (!size2.isValid() || qint64(size2.width()) * size2.height() > kMaxFullDecodePixels)
        return std::nullopt;
    DecodeBudget budget(qint64(size2.width()) * size2.height() * 4);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

// The largest preview the file embeds (camera files keep one or more beside the Exif thumbnail),
// turned upright when asked, longer side at most maxPixel.
std::optional<QImage> largestPreview(const RegularFile &file, int maxPixel, bool applyOrientation)
{
    // The metadata library opens by path: it is given the path of the checked descriptor.
    const QString path = QFile::decodeName(file.descriptorPath());
    ImageSource::initializeLibraries();
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (!image.get())
            return std::nullopt;
        image->readMetadata();
        Exiv2::PreviewManager manager(*image);
        const Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();
        if (list.empty())
            return std::nullopt;
        // The list runs from the smallest to the largest.
        const Exiv2::PreviewImage preview = manager.getPreviewImage(list.back());
        auto decoded = decodeEmbedded(preview.pData(), long(preview.size()));
        if (!decoded)
            return std::nullopt;
        QImage result = *decoded;
        const QSize target = fitWithin(result.size(), maxPixel);
        if (target != result.size())
            result = result.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (applyOrientation)
            result = transformed(result, transformationOf(exifOrientation(*image)));
        return result;
    } catch (...) {
        return std::nullopt;
    }
}

// The frame header of the JPEG `file` at `path`; absent when it is none or cannot be read.
// `isJpeg`, when given, tells whether the file starts with the JPEG signature.
std::optional<JpegHeaderFacts> jpegFactsOf(const QString &path, const RegularFile &file, bool *isJpeg = nullptr)
{
    const QByteArray native = QFile::encodeName(path);
    std::optional<OpenedJpeg> opened = openJpeg(path, file, kJpegHeadLength);
    if (isJpeg)
        *isJpeg = opened.has_value();
    if (!opened)
        return std::nullopt;
    CachedFileIo io(native.toStdString(), opened->fd, opened->size, opened->head);
    return jpegFacts(*opened, io);
}

// Memory a JPEG decode asked for `target` takes: the output at the scale Qt's reader picks (the
// smallest of 1/1, 1/2, 1/4, 1/8 that still gives at least the target), Qt's own reduction of it,
// and the coefficient buffer of a progressive or multi-scan picture.
qint64 jpegDecodeBytes(const JpegHeaderFacts &facts, QSize target)
{
    int denominator = 1;
    for (int d : {8, 4, 2}) {
        if (facts.width / d >= target.width() && facts.height / d >= target.height()) {
            denominator = d;
            break;
        }
    }
    const qint64 scaledWidth = (qint64(facts.width) + denominator - 1) / denominator;
    const qint64 scaledHeight = (qint64(facts.height) + denominator - 1) / denominator;
    return scaledWidth * scaledHeight * 4 + qint64(target.width()) * target.height() * 4 + facts.bufferedBytes;
}

// The budget a decode needing `bytes` takes: its own size, or all of it when it is one of the
// large decodes that run alone.
qint64 budgetShare(qint64 bytes)
{
    return bytes > kMaxDecodeBytes ? kDecodeBudgetBytes : bytes;
}

// Tells the log that a picture is left undecoded because its decoder would pass the cap.
void logDecodeTooLarge(const QString &path, int width, int height, qint64 bytes)
{
    constexpr qint64 megabyte = 1024 * 1024;
    qWarning().noquote() << QStringLiteral("Skipped %1 (%2 x %3 pixels): decoding it would take %4 MB, more than "
                                           "the %5 MB allowed")
                                .arg(path)
                                .arg(width)
                                .arg(height)
                                .arg((bytes + megabyte - 1) / megabyte)
                                .arg(maxAloneDecodeBytes() / megabyte);
}

// Qt's image readers report the decoders' complaints about damaged files (through logging
// categories under "qt.gui.imageio" and the plug-ins' "qt.imageformats"); a scan meets thousands of
// such files and the unreadable ones are skipped by design, so those messages are kept off the
// terminal. Other categories keep the filter installed before.
QLoggingCategory::CategoryFilter previousCategoryFilter = nullptr;

void quietImageReaders(QLoggingCategory *category)
{
    if (previousCategoryFilter)
        previousCategoryFilter(category);
    const char *name = category->categoryName();
    if (qstrncmp(name, "qt.gui.imageio", 14) == 0 || qstrncmp(name, "qt.imageformats", 15) == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        category->setEnabled(QtWarningMsg, false);
    }
}

// A HEIC/HEIF picture decoded and reduced to at most maxPixel on its longer side. Above the pixel
// cap only an embedded thumbnail is decoded (the decoder has no reduced scale).
std::optional<QImage> heifThumbnail(const RegularFile &file, int maxPixel, bool applyOrientation)
{
    HeifContext heif;
    if (!heif.open(file))
        return std::nullopt;
    const qint64 pixels = qint64(heif_image_handle_get_width(heif.handle)) * heif_image_handle_get_height(heif.handle);
    std::optional<QImage> image;
    if (pixels <= kMaxFullDecodePixels) {
        DecodeBudget budget(pixels * 8); // the decoded planes and their RGBA conversion
        image = decodeHeifHandle(heif.handle, applyOrientation);
    } else {
        const int count = heif_image_handle_get_number_of_thumbnails(heif.handle);
        if (count <= 0)
            return std::nullopt;
        std::vector<heif_item_id> ids(static_cast<size_t>(count));
        heif_image_handle_get_list_of_thumbnail_IDs(heif.handle, ids.data(), count);
        heif_image_handle *best = nullptr;
        qint64 bestPixels = 0;
        for (heif_item_id id : ids) {
            heif_image_handle *thumb = nullptr;
            if (heif_image_handle_get_thumbnail(heif.handle, id, &thumb).code != heif_error_Ok || !thumb)
                continue;
            const qint64 thumbPixels = qint64(heif_image_handle_get_width(thumb)) * heif_image_handle_get_height(thumb);
            if (thumbPixels <= kMaxFullDecodePixels && thumbPixels > bestPixels) {
                if (best)
                    heif_image_handle_release(best);
                best = thumb;
                bestPixels = thumbPixels;
            } else {
                heif_image_handle_release(thumb);
            }
        }
        if (!best)
            return std::nullopt;
        {
            DecodeBudget budget(bestPixels * 8);
            image = decodeHeifHandle(best, applyOrientation);
        }
        heif_image_handle_release(best);
    }
    if (!image)
        return std::nullopt;
    if (std::max(image->width(), image->height()) > maxPixel)
        *image = image->scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

// Where a point of the stored picture (size `stored`) lies once Qt's reader has turned it by
// `transformation` (as transformed() turns it).
QTransform uprightTransform(QSize stored, QImageIOHandler::Transformations transformation)
{
    const qreal w = stored.width(), h = stored.height();
    if (transformation == QImageIOHandler::TransformationRotate270)
        return QTransform(0, -1, 1, 0, 0, w); // (x, y) -> (y, w - x)
    QTransform turn;
    if (transformation & QImageIOHandler::TransformationMirror)
        turn *= QTransform(-1, 0, 0, 1, w, 0);
    if (transformation & QImageIOHandler::TransformationFlip)
        turn *= QTransform(1, 0, 0, -1, 0, h);
    if (transformation & QImageIOHandler::TransformationRotate90)
        turn *= QTransform(0, 1, -1, 0, h, 0); // (x, y) -> (h - y, x)
    return turn;
}

// The size `part` takes fitted within `size`, never larger than itself.
QSize partOutputSize(QSize part, QSize size)
{
    if (part.width() <= size.width() && part.height() <= size.height())
        return part;
    const QSize fitted = part.scaled(size, Qt::KeepAspectRatio);
    return QSize(std::max(1, fitted.width()), std::max(1, fitted.height()));
}

// The part `wanted` (upright full-size pixels) drawn at `output` from a decode that covers
// `covers` of the picture.
QImage drawnPart(const QImage &decoded, const QRectF &covers, const QRect &wanted, QSize output)
{
    const qreal scaleX = decoded.width() / covers.width();
    const qreal scaleY = decoded.height() / covers.height();
    const QRectF source = QRectF((wanted.x() - covers.x()) * scaleX, (wanted.y() - covers.y()) * scaleY,
                                 wanted.width() * scaleX, wanted.height() * scaleY)
                              .intersected(QRectF(decoded.rect()));
    if (source.isEmpty())
        return {};
    QImage part(output, decoded.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (part.isNull())
        return {};
    part.fill(Qt::transparent);
    QPainter painter(&part);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(part.rect()), decoded, source);
    return part;
}

// The part of a HEIC/HEIF picture: decoded whole (never above the pixel cap), then cut.
std::optional<QImage> heifRegion(const RegularFile &file, const QRect &rect, QSize size, bool applyOrientation)
{
    HeifContext heif;
    if (!heif.open(file))
        return std::nullopt;
    const qint64 pixels = qint64(heif_image_handle_get_width(heif.handle)) * heif_image_handle_get_height(heif.handle);
    if (pixels > kMaxFullDecodePixels)
        return std::nullopt;
    std::optional<QImage> image;
    {
        DecodeBudget budget(budgetShare(pixels * 8));
        image = decodeHeifHandle(heif.handle, applyOrientation);
    }
    if (!image)
        return std::nullopt;
    const QRect wanted = rect.intersected(image->rect());
    if (wanted.isEmpty())
        return std::nullopt;
    QImage part = drawnPart(*image, QRectF(image->rect()), wanted, partOutputSize(wanted.size(), size));
    if (part.isNull())
        return std::nullopt;
    return part;
}

} // namespace

ImageSource::ImageSource(const QString &path) : path_(path)
{
}

void ImageSource::initializeLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::LogMsg::setHandler(exivLogToNowhere);
        // The XMP toolkit behind exiv2 keeps global state; metadata is read on several threads at
        // once, so every use of it goes through one lock.
        static std::recursive_mutex xmpLock;
        Exiv2::XmpParser::initialize(
            [](void *, bool lock) {
                if (lock)
                    xmpLock.lock();
                else
                    xmpLock.unlock();
            },
            nullptr);
        // libheif sets itself up lazily on first use, which is not safe when several threads
        // decode at once; setting it up here, once, removes that race.
        heif_init(nullptr);
        previousCategoryFilter = QLoggingCategory::installFilter(quietImageReaders);
        exiv::enableBmff();
    });
}

std::optional<QString> ImageSource::typeIdentifier() const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (headIsHeif(readHead(*file, 64)))
        return QStringLiteral("public.heic");
    if (const auto format = qtFormat(*file))
        return typeForFormat(*format);
    return std::nullopt;
}

bool ImageSource::hasJpegFrameHeader(const QString &path)
{
    if (path.isEmpty())
        return false;
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return false;
    const QByteArray native = QFile::encodeName(path);
    std::optional<OpenedJpeg> opened = openJpeg(path, *file, kJpegHeadLength);
    if (!opened || opened->refused)
        return false;
    if (readJpegHeader(bytesOf(opened->head), size_t(opened->head.size())))
        return true;
    if (opened->size <= opened->head.size())
        return false;
    CachedFileIo io(native.toStdString(), opened->fd, opened->size, opened->head);
    const QByteArray &more = io.prefix(kJpegHeaderSearch);
    return readJpegHeader(bytesOf(more), size_t(more.size())).has_value();
}

std::optional<QVariantMap> ImageSource::properties() const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    JpegReading jpeg = jpegProperties(path_, *file);
    if (jpeg.isJpeg)
        return std::move(jpeg.props);
    return propertiesByImageReaders();
}

std::optional<QVariantMap> ImageSource::propertiesByImageReaders() const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (const auto jpeg = openJpeg(path_, *file, kJpegHeadLength); jpeg && jpeg->refused)
        return std::nullopt;
    const QByteArray head = readHead(*file, 64 * 1024);
    const bool heif = headIsHeif(head.left(64));
    std::optional<QByteArray> format;
    if (!heif) {
        format = qtFormat(*file);
        if (!format)
            return std::nullopt;
    }

    QVariantMap props;
    // Pixel size and sample layout, read from the header without decoding pixels.
    if (heif) {
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
    } else if (!addReaderProperties(props, *file, *format) && *format == "jpeg") {
        return std::nullopt; // a JPEG whose frame header cannot be read
    }

    addMetadataProperties(props, openExiv(*file).get(), head);
    return props;
}

std::optional<QVariantList> ImageSource::metadataTags() const
{
    if (!typeIdentifier())
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (const auto jpeg = openJpeg(path_, *file, kJpegHeadLength); jpeg && jpeg->refused)
        return std::nullopt;
    QVariantList tags;
    auto image = openExiv(*file);
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
            }
            MetadataTagType type = MetadataTagType::String;
            QVariant value;
            switch (datum.typeId()) {
            case Exiv2::xmpBag:
            case Exiv2::xmpSeq:
            case Exiv2::xmpAlt: {
                type = datum.typeId() == Exiv2::xmpBag   ? MetadataTagType::ArrayUnordered
                       : datum.typeId() == Exiv2::xmpSeq ? MetadataTagType::ArrayOrdered
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
            tags.append(makeTag(ns, QString::fromStdString(prefix), QString::fromStdString(datum.tagName()), value,
                                type));
        }
    } catch (...) {
        // Keep the tags read before the damaged part.
    }
    return tags;
}

std::optional<QImage> ImageSource::image(bool applyOrientation) const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (headIsHeif(readHead(*file, 64)))
        return decodeHeif(*file, applyOrientation);
    if (const auto jpeg = openJpeg(path_, *file, kJpegHeadLength); jpeg && jpeg->refused)
        return std::nullopt;
    const std::unique_ptr<QFile> device = file->device();
    QImageReader reader(device.get());
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(applyOrientation);
    QImage result = reader.read();
    if (result.isNull())
        return std::nullopt;
    return result;
}

namespace {

// Points `reader` at the picture `file` at `path`, read through `device`. A file that starts with the
// JPEG signature goes to the JPEG reader without probing every image plug-in (which takes a lock that
// several decoding threads would queue on), and its frame header is read into `facts`. False for a
// broken JPEG header or a file no plug-in reads.
bool openReader(const QString &path, const RegularFile &file, std::unique_ptr<QFile> &device, QImageReader &reader,
                std::optional<JpegHeaderFacts> &facts, bool &isJpeg)
{
    facts = jpegFactsOf(path, file, &isJpeg);
    if (isJpeg && !facts)
        return false;
    device = file.device();
    reader.setDevice(device.get());
    if (isJpeg) {
        reader.setFormat(QByteArrayLiteral("jpeg"));
        return true;
    }
    reader.setDecideFormatFromContent(true);
    return !reader.format().isEmpty();
}

} // namespace

std::optional<QImage> ImageSource::thumbnail(int maxPixel, bool applyOrientation) const
{
    if (maxPixel <= 0)
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (headIsHeif(readHead(*file, 64)))
        return heifThumbnail(*file, maxPixel, applyOrientation);

    bool isJpeg = false;
    std::optional<JpegHeaderFacts> facts;
    std::unique_ptr<QFile> device;
    QImageReader reader;
    if (!openReader(path_, *file, device, reader, facts, isJpeg))
        return std::nullopt;
    reader.setAutoTransform(applyOrientation);
    qint64 estimate = 0;
    if (isJpeg) {
        // Always decoded at reduced scale (the decoder's DCT scaling); the memory that takes is told
        // by the frame header.
        const QSize stored(facts->width, facts->height);
        const QSize target = fitWithin(stored, maxPixel);
        estimate = jpegDecodeBytes(*facts, target);
        if (estimate > maxAloneDecodeBytes()) {
            auto preview = largestPreview(*file, maxPixel, applyOrientation);
            if (!preview)
                logDecodeTooLarge(path_, facts->width, facts->height, estimate);
            return preview;
        }
        if (target != stored)
            reader.setScaledSize(target);
    } else {
        const QSize size = reader.size();
        if (size.isValid()) {
            const qint64 pixels = qint64(size.width()) * size.height();
            const QSize target = fitWithin(size, maxPixel);
            if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
                estimate = qint64(target.width()) * target.height() * 4;
                if (target != size)
                    reader.setScaledSize(target);
            } else {
                // Decoded whole, then reduced: never above the pixel cap.
                if (pixels > kMaxFullDecodePixels)
                    return largestPreview(*file, maxPixel, applyOrientation);
                estimate = pixels * 4;
            }
        } else {
            estimate = kMaxDecodeBytes;
        }
    }
    QImage result;
    {
        DecodeBudget budget(budgetShare(estimate));
        result = reader.read();
    }
    if (result.isNull())
        return std::nullopt;
    if (std::max(result.width(), result.height()) > maxPixel)
        result = result.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return result;
}

std::optional<QImage> ImageSource::region(const QRect &rect, QSize size, bool applyOrientation) const
{
    if (rect.isEmpty() || size.isEmpty())
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    if (headIsHeif(readHead(*file, 64)))
        return heifRegion(*file, rect, size, applyOrientation);

    bool isJpeg = false;
    std::optional<JpegHeaderFacts> facts;
    std::unique_ptr<QFile> device;
    QImageReader reader;
    if (!openReader(path_, *file, device, reader, facts, isJpeg))
        return std::nullopt;
    // Cut and reduced as stored, then turned here: the reader's cut is in stored pixels.
    reader.setAutoTransform(false);
    const QSize stored = isJpeg ? QSize(facts->width, facts->height) : reader.size();
    if (!stored.isValid())
        return std::nullopt;
    const QImageIOHandler::Transformations turn =
        applyOrientation ? reader.transformation() : QImageIOHandler::TransformationNone;
    const QTransform toUpright = uprightTransform(stored, turn);
    const QRect upright = toUpright.mapRect(QRectF(QPointF(0, 0), QSizeF(stored))).toRect();
    const QRect wanted = rect.intersected(QRect(QPoint(0, 0), upright.size()));
    if (wanted.isEmpty())
        return std::nullopt;
    const QSize output = partOutputSize(wanted.size(), size);
    const bool sideways = turn & QImageIOHandler::TransformationRotate90;
    const QSize storedOutput = sideways ? output.transposed() : output;
    const QRect part =
        toUpright.inverted().mapRect(QRectF(wanted)).toAlignedRect().intersected(QRect(QPoint(0, 0), stored));

    QRect clip = part;
    int denominator = 1;
    qint64 estimate = 0;
    if (isJpeg) {
        // The smallest of the decoder's scales 1/8, 1/4, 1/2 that still gives the output; the cut
        // then lies on that scale's pixel grid (a side at the picture's edge loses less than one
        // output pixel), as the reader needs to cut at reduced scale.
        for (int d : {8, 4, 2}) {
            if (part.width() / d < storedOutput.width() || part.height() / d < storedOutput.height())
                continue;
            const int left = part.left() / d * d;
            const int top = part.top() / d * d;
            const int right = std::min((part.right() + d) / d * d, stored.width() / d * d);
            const int bottom = std::min((part.bottom() + d) / d * d, stored.height() / d * d);
            if (right > left && bottom > top) {
                denominator = d;
                clip = QRect(left, top, right - left, bottom - top);
                break;
            }
        }
        const qint64 decoded = qint64(clip.width() / denominator) * (clip.height() / denominator) * 4;
        estimate = facts->bufferedBytes + decoded * 2 + qint64(output.width()) * output.height() * 4
                   + qint64(stored.width()) * 4;
        if (estimate > maxAloneDecodeBytes()) {
            logDecodeTooLarge(path_, stored.width(), stored.height(), estimate);
            return std::nullopt;
        }
        reader.setScaledSize(clip.size() / denominator);
    } else {
        const qint64 pixels = qint64(stored.width()) * stored.height();
        if (pixels > kMaxFullDecodePixels)
            return std::nullopt;
        estimate = pixels * 4 + qint64(clip.width()) * clip.height() * 8 + qint64(output.width()) * output.height() * 4;
    }
    reader.setClipRect(clip);
    QImage decoded;
    {
        DecodeBudget budget(budgetShare(estimate));
        decoded = reader.read();
    }
    if (decoded.isNull())
        return std::nullopt;
    decoded = transformed(std::move(decoded), turn);
    const QRectF covers = toUpright.mapRect(QRectF(clip));
    QImage result = drawnPart(decoded, covers, wanted, output);
    if (result.isNull())
        return std::nullopt;
    return result;
}

std::optional<QImage> ImageSource::embeddedThumbnail(bool applyOrientation) const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    // Most photos hold no thumbnail: a look at a JPEG's first segments spares them the metadata
    // library's open and parse.
    const std::optional<OpenedJpeg> jpeg = openJpeg(path_, *file, kThumbnailHintLength);
    if (jpeg && jpeg->refused)
        return std::nullopt;
    const QByteArray head = jpeg ? jpeg->head : readHead(*file, kThumbnailHintLength);
    if (!jpegMayHoldExifThumbnail(reinterpret_cast<const unsigned char *>(head.constData()), size_t(head.size())))
        return std::nullopt;
    auto image = openExiv(*file);
    if (!image)
        return std::nullopt;
    try {
        Exiv2::ExifThumbC thumb(image->exifData());
        const Exiv2::DataBuf data = thumb.copy();
        auto decoded = decodeEmbedded(exiv::bytes(data), long(exiv::byteCount(data)));
        if (!decoded)
            return std::nullopt;
        // The picture's own size, as stored (the thumbnail is stored the same way round).
        qint64 width = image->pixelWidth();
        qint64 height = image->pixelHeight();
        if (const auto facts = jpegFactsOf(path_, *file)) {
            width = facts->width;
            height = facts->height;
        }
        if (width <= 0 || height <= 0)
            return std::nullopt;
        // A thumbnail of other proportions (black bands around it, or left behind by an editor
        // that cropped the picture) does not stand for the picture.
        const double pictureRatio = double(width) / double(height);
        const double thumbRatio = double(decoded->width()) / double(decoded->height());
        if (std::fabs(thumbRatio - pictureRatio) > 0.03 * pictureRatio)
            return std::nullopt;
        if (applyOrientation)
            *decoded = transformed(*decoded, transformationOf(exifOrientation(*image)));
        return decoded;
    } catch (...) {
        return std::nullopt;
    }
}

std::shared_ptr<void> ImageSource::reserveDecodeMemory(qint64 bytes)
{
    return std::make_shared<DecodeBudget>(bytes);
}

qint64 ImageSource::maxFullDecodePixels()
{
    return kMaxFullDecodePixels;
}

} // namespace platform
