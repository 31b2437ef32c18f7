#include "platform/HeifContext.h"

#include "platform/ImageSource.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

namespace platform::imaging {

bool headIsHeif(const QByteArray &head)
{
    if (head.size() < 12)
        return false;
    return heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), int(head.size()))
        == heif_filetype_yes_supported;
}

HeifContext::~HeifContext()
{
    if (handle)
        heif_image_handle_release(handle);
    if (ctx)
        heif_context_free(ctx);
}

bool HeifContext::open(const RegularFile &file)
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

std::optional<QImage> decodeHeifHandle(heif_image_handle *handle, bool applyOrientation)
{
    heif_decoding_options *options = heif_decoding_options_alloc();
    options->ignore_transformations = applyOrientation ? 0 : 1;
    heif_image *image = nullptr;
    const heif_error error =
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options);
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

namespace {

void logHeifUnreadable(const QString &path)
{
    logSkippedFile(lcPlatform(), path, SkipReason::Damaged, QStringLiteral("libheif cannot decode it"));
}

} // namespace

bool HeifContext::openOrLog(const QString &path, const RegularFile &file)
{
    if (open(file))
        return true;
    logHeifUnreadable(path);
    return false;
}

QSize HeifContext::size() const
{
    return QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

std::optional<QImage> decodeHeifOrLog(const QString &path, heif_image_handle *handle, bool applyOrientation)
{
    std::optional<QImage> image = decodeHeifHandle(handle, applyOrientation);
    if (!image)
        logHeifUnreadable(path);
    return image;
}

} // namespace platform::imaging
