// The roads that decode a file's picture: the grid's thumbnail, the hash of a similar scan (the
// embedded thumbnail or the comparable thumbnail, then the grey bitmap) and the part of the picture
// the preview shows when zoomed in.

#include "FuzzInput.h"
#include "engine/MVNTwinsift.h"
#include "engine/ScanSettings.h"
#include "platform/ImageSource.h"
#include "services/ImageHelpers.h"

#include <QRect>

namespace {

constexpr qint64 kMaxFuzzedPixels = 4'000'000;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = fuzz::writeInput(data, size);
    if (path.isEmpty())
        return 0;
    const platform::ImageSource source(path);
    // The size its header claims. A picture within the full-decode cap costs its pixels on every
    // road, a few seconds at the cap under the sanitizers: past the limit per input, and no fault.
    // So only small pictures are decoded whole here; larger ones only when they are JPEGs (decoded
    // at a reduced scale) or past the cap (refused, or shown by a preview, at once).
    QSize full(64, 64);
    const std::optional<QVariantMap> props = source.properties();
    if (props)
        full = QSize(props->value(platform::ImageProperty::PixelWidth).toInt(),
                     props->value(platform::ImageProperty::PixelHeight).toInt());
    const qint64 pixels = qint64(full.width()) * full.height();
    if (pixels > kMaxFuzzedPixels && pixels <= platform::ImageSource::maxFullDecodePixels()
        && source.typeIdentifier() != QStringLiteral("public.jpeg"))
        return 0;
    (void)source.thumbnailOutcome(kThumbnailMaxPixel, true);
    (void)MVNTwinsift().twk(path, ScanSettings().hashBitmapSize);
    // The preview's zoomed part: the middle of the picture, at a size smaller than its own pixels.
    const QRect middle(full.width() / 4, full.height() / 4, std::max(1, full.width() / 2),
                       std::max(1, full.height() / 2));
    (void)source.region(middle, QSize(200, 150), true);
    return 0;
}
