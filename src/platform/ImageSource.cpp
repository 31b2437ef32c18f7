#include "platform/ImageSource.h"

#include "platform/CachedFileIo.h"
#include "platform/FileManager.h"
#include "platform/JpegHeader.h"

#include <QFile>
#include <QImageReader>
#include <QTextStream>

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <mutex>

namespace platform {

namespace {

void exivLogToNowhere(int, const char *)
{
    // The metadata library reports every oddity of a damaged file; those are expected while a scan
    // reads thousands of files and are not shown on the terminal.
}

QByteArray readHead(const QString &path, qint64 length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(length);
}

bool headIsHeif(const QByteArray &head)
{
    if (head.size() < 12)
        return false;
    return heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), int(head.size()))
           == heif_filetype_yes_supported;
}

std::unique_ptr<Exiv2::Image> openExiv(const QString &path)
{
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
            list.append(qint64(datum.toLong(i)));
        else
            return QVariant(trimmedText(datum.toString()));
    }
    if (list.size() == 1 && !forceList)
        return list.first();
    return QVariant(list);
}

// Decimal degrees from the three degree/minute/second rationals of a GPS position.
std::optional<double> gpsDegrees(const Exiv2::Exifdatum &datum)
{
    if (!isRational(datum.typeId()) || datum.count() < 1)
        return std::nullopt;
    double value = rationalAt(datum, 0);
    if (datum.count() >= 2)
        value += rationalAt(datum, 1) / 60.0;
    if (datum.count() >= 3)
        value += rationalAt(datum, 2) / 3600.0;
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
    bool open(const QString &path)
    {
        ImageSource::initializeLibraries();
        ctx = heif_context_alloc();
        if (!ctx)
            return false;
        if (heif_context_read_from_file(ctx, QFile::encodeName(path).constData(), nullptr).code != heif_error_Ok)
            return false;
        return heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok && handle;
    }
};

std::optional<QImage> decodeHeif(const QString &path, bool applyOrientation)
{
    HeifContext heif;
    if (!heif.open(path))
        return std::nullopt;
    heif_decoding_options *options = heif_decoding_options_alloc();
    options->ignore_transformations = applyOrientation ? 0 : 1;
    heif_image *image = nullptr;
    const heif_error error = heif_decode_image(heif.handle, &image, heif_colorspace_RGB,
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

std::optional<QByteArray> qtFormat(const QString &path)
{
    QImageReader reader(path);
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
void addReaderProperties(QVariantMap &props, const QString &path, const QByteArray &format)
{
    QImageReader reader(path, format);
    const QSize size = reader.size();
    if (size.isValid()) {
        props.insert(ImageProperty::PixelWidth, qint64(size.width()));
        props.insert(ImageProperty::PixelHeight, qint64(size.height()));
    }
    // Qt's JPEG handler leaves its pixel format unset (uninitialised) when the header cannot be
    // read, so the format is asked only after a good header; and a value outside the known
    // formats is never used.
    if (format == "jpeg" && !size.isValid())
        return;
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
// 18 bytes, so this shorter head gives it as the 64 KiB head of the plain path does.
constexpr qint64 kJpegHeadLength = 8 * 1024;
constexpr qint64 kJpegHeaderSearch = 256 * 1024;

struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() { ::close(fd); }
};

// The properties of a file that starts with the JPEG signature, read through one open: the head
// is read once, the frame header is parsed from it, and exiv2 reads the metadata from the same
// descriptor. Gives exactly what propertiesByImageReaders gives for such a file: Qt's image
// readers pick their JPEG handler for any data starting with FF D8 (no handler probed before it
// accepts that signature), the header facts are taken from the bytes only when the reading is
// certain (else from Qt's reader, as there), and exiv2 meets the same bytes and the same stream
// behaviour as through its own file input. Absent when the file is no such JPEG or cannot be
// opened here; the caller then takes the plain path.
std::optional<QVariantMap> jpegProperties(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    DescriptorCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    QByteArray head(qsizetype(std::min<qint64>(qint64(st.st_size), kJpegHeadLength)), Qt::Uninitialized);
    qint64 have = 0;
    while (have < head.size()) {
        const ssize_t got = ::pread(fd, head.data() + have, size_t(head.size() - have), off_t(have));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        have += got;
    }
    head.resize(have);
    if (head.size() < 2 || quint8(head[0]) != 0xFF || quint8(head[1]) != 0xD8)
        return std::nullopt;

    auto io = std::make_unique<CachedFileIo>(native.toStdString(), fd, qint64(st.st_size), head);
    QVariantMap props;
    auto facts = readJpegHeader(reinterpret_cast<const unsigned char *>(head.constData()), size_t(head.size()));
    if (!facts && qint64(st.st_size) > head.size()) {
        // Metadata segments larger than the head before the frame header: look further.
        const QByteArray &more = io->prefix(kJpegHeaderSearch);
        facts = readJpegHeader(reinterpret_cast<const unsigned char *>(more.constData()), size_t(more.size()));
    }
    if (facts && (facts->components == 1 || facts->components == 3 || facts->components == 4)) {
        // Qt's JPEG handler: one component is Grayscale8, three or four are RGB32.
        props.insert(ImageProperty::PixelWidth, qint64(facts->width));
        props.insert(ImageProperty::PixelHeight, qint64(facts->height));
        props.insert(ImageProperty::Depth, qint64(8));
        props.insert(ImageProperty::ColorModel,
                     facts->components == 1 ? QStringLiteral("Gray") : QStringLiteral("RGB"));
    } else {
        addReaderProperties(props, path, QByteArrayLiteral("jpeg"));
    }

    ImageSource::initializeLibraries();
    std::unique_ptr<Exiv2::Image> image;
    try {
        Exiv2::BasicIo::AutoPtr input(io.release());
        Exiv2::Image::AutoPtr opened = Exiv2::ImageFactory::open(input);
        if (opened.get()) {
            opened->readMetadata();
            image.reset(opened.release());
        }
    } catch (...) {
        image.reset();
    }
    addMetadataProperties(props, image.get(), head);
    return props;
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
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

bool ImageSource::isHeif() const
{
    return headIsHeif(readHead(path_, 64));
}

std::optional<QString> ImageSource::typeIdentifier() const
{
    if (!FileManager::isRegularFile(path_))
        return std::nullopt;
    if (isHeif())
        return QStringLiteral("public.heic");
    if (const auto format = qtFormat(path_))
        return typeForFormat(*format);
    return std::nullopt;
}

bool ImageSource::startsWithJpegSignature(const QString &path)
{
    if (path.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    DescriptorCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    unsigned char signature[2] = {0, 0};
    ssize_t got = 0;
    do {
        got = ::pread(fd, signature, 2, 0);
    } while (got < 0 && errno == EINTR);
    return got == 2 && signature[0] == 0xFF && signature[1] == 0xD8;
}

std::optional<QVariantMap> ImageSource::properties() const
{
    if (!FileManager::isRegularFile(path_))
        return std::nullopt;
    if (auto props = jpegProperties(path_))
        return props;
    return propertiesByImageReaders();
}

std::optional<QVariantMap> ImageSource::propertiesByImageReaders() const
{
    if (!FileManager::isRegularFile(path_))
        return std::nullopt;
    const QByteArray head = readHead(path_, 64 * 1024);
    const bool heif = headIsHeif(head.left(64));
    std::optional<QByteArray> format;
    if (!heif) {
        format = qtFormat(path_);
        if (!format)
            return std::nullopt;
    }

    QVariantMap props;
    // Pixel size and sample layout, read from the header without decoding pixels.
    if (heif) {
        HeifContext ctx;
        if (!ctx.open(path_))
            return std::nullopt;
        props.insert(ImageProperty::PixelWidth, qint64(heif_image_handle_get_width(ctx.handle)));
        props.insert(ImageProperty::PixelHeight, qint64(heif_image_handle_get_height(ctx.handle)));
        const int bits = heif_image_handle_get_luma_bits_per_pixel(ctx.handle);
        if (bits > 0)
            props.insert(ImageProperty::Depth, qint64(bits));
        props.insert(ImageProperty::ColorModel, QStringLiteral("RGB"));
        if (heif_image_handle_has_alpha_channel(ctx.handle))
            props.insert(QStringLiteral("HasAlpha"), true);
    } else {
        addReaderProperties(props, path_, *format);
    }

    addMetadataProperties(props, openExiv(path_).get(), head);
    return props;
}

std::optional<QVariantList> ImageSource::metadataTags() const
{
    if (!typeIdentifier())
        return std::nullopt;
    QVariantList tags;
    auto image = openExiv(path_);
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
    if (!FileManager::isRegularFile(path_))
        return std::nullopt;
    if (isHeif())
        return decodeHeif(path_, applyOrientation);
    QImageReader reader(path_);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(applyOrientation);
    QImage result = reader.read();
    if (result.isNull())
        return std::nullopt;
    return result;
}

std::optional<QImage> ImageSource::thumbnail(int maxPixel, bool applyOrientation) const
{
    if (!FileManager::isRegularFile(path_) || maxPixel <= 0)
        return std::nullopt;
    if (isHeif()) {
        auto full = decodeHeif(path_, applyOrientation);
        if (!full)
            return std::nullopt;
        if (std::max(full->width(), full->height()) > maxPixel)
            *full = full->scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return full;
    }
    QImageReader reader(path_);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(applyOrientation);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > maxPixel && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio));
    QImage result = reader.read();
    if (result.isNull())
        return std::nullopt;
    if (std::max(result.width(), result.height()) > maxPixel)
        result = result.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return result;
}

} // namespace platform
