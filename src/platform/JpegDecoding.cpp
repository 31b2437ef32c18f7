#include "platform/JpegDecoding.h"

#include "platform/CachedFileIo.h"
#include "platform/DecodeBudget.h"
#include "platform/ExivCompat.h"
#include "platform/ImageMetadata.h"
#include "platform/ImageSource.h"
#include "platform/Log.h"
#include "platform/PngDecoder.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace platform::imaging {

namespace {

const unsigned char *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

// The bytes of an opened JPEG: from its head while they lie in it, else read anew from the file.
JpegMoreBytes bytesOf(const OpenedJpeg &opened, const RegularFile &file)
{
    return [&opened, &file](qint64 offset, qint64 length) {
        const QByteArray &head = opened.head;
        if (offset < head.size())
            return QByteArray::fromRawData(head.constData() + offset,
                                           qsizetype(std::min(length, head.size() - offset)));
        return file.readAt(offset, length);
    };
}

// The frame header of an opened JPEG as the system JPEG library reads it: the strict reading when
// it answers (the plain layout of nearly every file), else the library's own reading. Both read
// through windows that are not kept, no further than the walk that opened the file let its head
// reach. Absent when the library refuses the header.
std::optional<JpegHeaderFacts> jpegFacts(const OpenedJpeg &opened, const RegularFile &file)
{
    if (opened.refused)
        return std::nullopt;
    const auto facts = readJpegHeader(bytesOf(opened, file), opened.size);
    if (facts && (facts->components == 1 || facts->components == 3 || facts->components == 4))
        return facts;
    const JpegMoreBytes more = [&file](qint64 offset, qint64 length) { return file.readAt(offset, length); };
    return decodeJpegHeader(bytesOf(opened.head), size_t(opened.head.size()), std::min(opened.size, kMaxJpegHeadBytes),
                            more);
}

} // namespace

std::optional<OpenedJpeg> openJpeg(const QString &path, const RegularFile &file, qint64 headLength, JpegExtent extent)
{
    OpenedJpeg opened;
    opened.fd = file.descriptor();
    opened.size = file.size();
    opened.head = file.readAt(0, std::min<qint64>(opened.size, headLength));
    const QByteArray &head = opened.head;
    if (head.size() < 2 || quint8(head[0]) != 0xFF || quint8(head[1]) != 0xD8)
        return std::nullopt;
    const JpegMarkerCount count = countJpegMarkers(bytesOf(opened, file), opened.size, extent);
    opened.metadataBytes = count.metadataBytes;
    const QString refusal = count.refusal();
    if (!refusal.isEmpty()) {
        opened.refused = true;
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged, refusal);
    }
    return opened;
}

bool embeddedJpegMayBeDecoded(const QString &path, const unsigned char *data, qint64 size, qint64 *metadataBytes)
{
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return true;
    const JpegMoreBytes bytesAt = [data](qint64 offset, qint64 length) {
        return QByteArray::fromRawData(reinterpret_cast<const char *>(data) + offset, qsizetype(length));
    };
    const JpegMarkerCount count = countJpegMarkers(bytesAt, size, JpegExtent::ThroughEnd);
    if (metadataBytes)
        *metadataBytes = count.metadataBytes;
    const QString refusal = count.refusal();
    if (refusal.isEmpty())
        return true;
    logSkippedFile(lcPlatform(), path, SkipReason::Damaged, QStringLiteral("its embedded picture holds ") + refusal);
    return false;
}

JpegReading jpegProperties(const QString &path, const RegularFile &file)
{
    JpegReading reading;
    const QByteArray native = QFile::encodeName(path);
    std::optional<OpenedJpeg> opened = openJpeg(path, file, kJpegHeadLength);
    if (!opened)
        return reading;
    reading.isJpeg = true;

    const auto facts = jpegFacts(*opened, file);
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
        // Past the bounds of metadata (its Exif block's directories counted) the library is not asked.
        exiv::ImagePtr exiv;
        if (metadataMayBeRead(path, file))
            exiv = exiv::openImage(
                exiv::IoPtr(new CachedFileIo(native.toStdString(), opened->fd, opened->size, opened->head)));
        if (exiv.get()) {
            exiv->readMetadata();
            image.reset(exiv.release());
        }
    } catch (...) {
        // The picture's own facts stand; only its metadata is left out.
        logWarning(lcPlatform)
            << QStringLiteral("Metadata of %1 could not be read: %2").arg(path, currentExceptionText());
        image.reset();
    }
    addMetadataProperties(path, props, image.get(), opened->head);
    reading.props = std::move(props);
    return reading;
}

std::optional<JpegHeaderFacts> jpegFactsOf(const QString &path, const RegularFile &file, bool *isJpeg,
                                           JpegExtent extent)
{
    std::optional<OpenedJpeg> opened = openJpeg(path, file, kJpegHeadLength, extent);
    if (isJpeg)
        *isJpeg = opened.has_value();
    if (!opened)
        return std::nullopt;
    auto facts = jpegFacts(*opened, file);
    if (facts)
        facts->metadataBytes = opened->metadataBytes;
    return facts;
}

qint64 keptMetadataBytes(qint64 metadataBytes)
{
    // The segments in the library's pool, Qt's copies of the Exif and profile data, and the comments
    // as text (two bytes a character, once as read and once in the description it builds).
    return metadataBytes * 5;
}

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
    return scaledWidth * scaledHeight * 4 + qint64(target.width()) * target.height() * 4 + facts.bufferedBytes
        + keptMetadataBytes(facts.metadataBytes);
}

bool hasJpegFrameHeader(const QString &path)
{
    if (path.isEmpty())
        return false;
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return false;
    std::optional<OpenedJpeg> opened = openJpeg(path, *file, kJpegHeadLength);
    if (!opened || opened->refused)
        return false;
    return readJpegHeader(bytesOf(*opened, *file), std::min(opened->size, kJpegHeaderSearch)).has_value();
}

namespace {

// Qt's GIF reader tells the size of the first frame but paints every frame on the logical screen
// the header states: a screen of 8000 x 8000 behind a frame of 33 x 0 takes 256 MB. A frame of no
// area is damaged, and a screen past the pixel cap is too large, before the reader decodes.
bool gifMayBeDecoded(const QString &path, const RegularFile &file, QImageReader &reader)
{
    const QByteArray head = file.readAt(0, 10);
    const QSize frame = reader.size();
    if (head.size() < 10 || frame.isEmpty()) {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged, QStringLiteral("a frame of no area"));
        return false;
    }
    const int width = qFromLittleEndian<quint16>(head.constData() + 6);
    const int height = qFromLittleEndian<quint16>(head.constData() + 8);
    if (qint64(std::max(width, frame.width())) * std::max(height, frame.height()) > kMaxFullDecodePixels) {
        logTooManyPixels(path, std::max(width, frame.width()), std::max(height, frame.height()));
        return false;
    }
    return true;
}

} // namespace

bool openReader(const QString &path, const RegularFile &file, std::unique_ptr<QFile> &device, QImageReader &reader,
                std::optional<JpegHeaderFacts> &facts, bool &isJpeg)
{
    facts = jpegFactsOf(path, file, &isJpeg, JpegExtent::ThroughEnd);
    if (isJpeg && !facts) {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged, QStringLiteral("no readable frame header"));
        return false;
    }
    device = file.device();
    reader.setDevice(device.get());
    if (isJpeg) {
        reader.setFormat(QByteArrayLiteral("jpeg"));
        return true;
    }
    reader.setDecideFormatFromContent(true);
    if (reader.format().isEmpty()) {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged,
                       QStringLiteral("not a picture format that can be read"));
        return false;
    }
    if (reader.format() == "gif" && !gifMayBeDecoded(path, file, reader))
        return false;
    if (reader.format() == "icns" && !icnsIsWellFormed(file)) {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged, QStringLiteral("an icon entry runs past the file"));
        return false;
    }
    if (reader.format() == "webp" && !webpMayBeRead(path, file))
        return false;
    // A TIFF is read by TiffDecoder alone.
    if (reader.format() == "tiff") {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged,
                       QStringLiteral("not a picture format that can be read"));
        return false;
    }
    return true;
}

} // namespace platform::imaging
