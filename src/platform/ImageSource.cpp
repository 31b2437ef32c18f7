#include "platform/ImageSource.h"

// The one door to a picture file. The work is done by job: ImageMetadata (format, properties,
// tags) with MetadataBound (how much metadata exiv2 is given), JpegDecoding (the quick JPEG road), DecodeBudget (the
// cost bounds), ImageThumbnails (whole pictures reduced, embedded previews) and ImagePreviews (parts of a picture),
// with HeifContext for HEIF files. Here: setting up the libraries once and handing each call to its job.

#include "platform/DecodeBudget.h"
#include "platform/ExivCompat.h"
#include "platform/HeifContext.h"
#include "platform/ImageMetadata.h"
#include "platform/ImagePreviews.h"
#include "platform/ImageThumbnails.h"
#include "platform/JpegDecoding.h"
#include "platform/Log.h"
#include "platform/PngDecoder.h"
#include "platform/TiffDecoder.h"
#include "platform/RegularFile.h"

#include <QImageReader>
#include <QLoggingCategory>

#include <libheif/heif.h>

#include <memory>
#include <mutex>

namespace platform {

using namespace imaging;

namespace {

DecodeOutcome::Reason reasonOf(SkipReason reason)
{
    switch (reason) {
    case SkipReason::Unreadable:
    case SkipReason::NotRegularFile:
        return DecodeOutcome::Reason::Unreadable;
    case SkipReason::TooLarge:
        return DecodeOutcome::Reason::TooLarge;
    case SkipReason::RefusedFormat:
        return DecodeOutcome::Reason::RefusedKind;
    case SkipReason::Damaged:
        break;
    }
    return DecodeOutcome::Reason::Damaged;
}

void exivLogToNowhere(int, const char *)
{
    // The metadata library reports every oddity of a damaged file; those are expected while a scan
    // reads thousands of files and are not shown on the terminal.
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

} // namespace

DecodeOutcome::DecodeOutcome(QImage picture)
    : picture_(std::move(picture))
{
}

DecodeOutcome::DecodeOutcome(Reason reason, QSize pixels)
    : reason_(reason)
    , pixels_(reason == Reason::TooLarge ? pixels : QSize())
{
}

std::optional<QImage> DecodeOutcome::toOptional() &&
{
    if (picture_.isNull())
        return std::nullopt;
    return std::move(picture_);
}

ImageSource::ImageSource(const QString &path, std::function<bool()> shouldStop)
    : path_(path)
    , shouldStop_(std::move(shouldStop))
{
    initializeLibraries();
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
        routeTiffMessagesToLog();
        previousCategoryFilter = QLoggingCategory::installFilter(quietImageReaders);
        // Qt's readers refuse a picture whose decoded image would pass this many megabytes; the
        // default differs between Qt releases (128 in 6.4, 256 in 6.8), so the same files would be
        // read on one release and left out on the other. Set here, it covers the largest picture
        // decoded in full (kMaxFullDecodePixels at 4 bytes a pixel) on every release; the decode
        // budget bounds the memory.
        static_assert(kMaxFullDecodePixels * 4 <= qint64(256) * 1024 * 1024);
        QImageReader::setAllocationLimit(256);
        exiv::enableBmff();
    });
}

std::optional<QString> ImageSource::typeIdentifier() const
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path_);
    if (!file)
        return std::nullopt;
    const QByteArray head = readHead(*file, 64);
    if (headIsHeif(head))
        return QStringLiteral("public.heic");
    if (headIsPng(head))
        return QStringLiteral("public.png");
    if (const auto format = qtFormat(*file))
        return typeForFormat(*format);
    return std::nullopt;
}

bool ImageSource::hasJpegFrameHeader(const QString &path)
{
    return imaging::hasJpegFrameHeader(path);
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
    return imaging::propertiesByImageReaders(path_);
}

std::optional<QVariantList> ImageSource::metadataTags() const
{
    return imaging::metadataTags(path_);
}

std::optional<QImage> ImageSource::thumbnail(int maxPixel, bool applyOrientation) const
{
    return thumbnailOutcome(maxPixel, applyOrientation).toOptional();
}

DecodeOutcome ImageSource::thumbnailOutcome(int maxPixel, bool applyOrientation) const
{
    return outcomeOf([&] {
        return imaging::decodeThumbnail(path_, maxPixel, applyOrientation, imaging::DecoderShrink::ToTheTarget,
                                        shouldStop_);
    });
}

template <typename Decode>
DecodeOutcome ImageSource::outcomeOf(const Decode &decode) const
{
    const SkipRecord record;
    std::optional<QImage> picture = decode();
    if (picture && !picture->isNull())
        return DecodeOutcome(std::move(*picture));
    if (const std::optional<SkipReason> &reason = record.reason())
        return DecodeOutcome(reasonOf(*reason), record.pixels());
    // No line: a decode the stop switch ended, or a file that vanished (refused quietly).
    if (shouldStop_ && shouldStop_())
        return DecodeOutcome(DecodeOutcome::Reason::Stopped);
    if (const auto refusal = RegularFile::lastScannedRefusal(); refusal && refusal->path == path_)
        return DecodeOutcome(reasonOf(refusal->reason));
    return DecodeOutcome(DecodeOutcome::Reason::Damaged);
}

std::optional<QImage> ImageSource::comparableThumbnail(int maxPixel, bool applyOrientation) const
{
    return imaging::decodeThumbnail(path_, maxPixel, applyOrientation, imaging::DecoderShrink::ToTwiceTheTarget,
                                    shouldStop_);
}

std::optional<QImage> ImageSource::embeddedThumbnail(bool applyOrientation) const
{
    return imaging::embeddedThumbnail(path_, applyOrientation);
}

std::optional<QImage> ImageSource::region(const QRect &rect, QSize size, bool applyOrientation) const
{
    return imaging::decodeRegion(path_, rect, size, applyOrientation, shouldStop_);
}

std::shared_ptr<void> ImageSource::reserveDecodeMemory(qint64 bytes)
{
    return std::make_shared<imaging::DecodeBudget>(bytes);
}

qint64 ImageSource::maxFullDecodePixels()
{
    return imaging::kMaxFullDecodePixels;
}

} // namespace platform
