// The roads that decode a file's picture: the grid's thumbnail, the hash of a similar scan (the
// embedded thumbnail or the comparable thumbnail, then the grey bitmap) and the part of the picture
// the preview shows when zoomed in.

#include "FuzzInput.h"
#include "engine/MVNTwinsift.h"
#include "engine/ScanSettings.h"
#include "platform/ImageSource.h"
#include "services/ImageHelpers.h"

#include <QRect>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = fuzz::writeInput(data, size);
    if (path.isEmpty())
        return 0;
    const platform::ImageSource source(path);
    const QSize full = fuzz::claimedSize(source);
    if (fuzz::decodesTooLong(source, full))
        return 0;
    (void)source.thumbnailOutcome(kThumbnailMaxPixel, true);
    (void)MVNTwinsift().twk(path, ScanSettings().hashBitmapSize);
    // The preview's zoomed part: the middle of the picture, at a size smaller than its own pixels.
    const QRect middle(full.width() / 4, full.height() / 4, std::max(1, full.width() / 2),
                       std::max(1, full.height() / 2));
    (void)source.region(middle, QSize(200, 150), true);
    return 0;
}
