// The roads a video file takes: the scan's record (the type and the properties read as for any
// file, the dates) and its hash for an exact match; the previews' check of the container (the
// demuxer and its streams, what tells whether the player takes it, the checked file handed on) and,
// for a file with a video's name that holds another format, its picture; and the grid's thumbnail,
// the first frame (or that picture), which is also the still of a video the player does not take.

#include "FuzzInput.h"
#include "model/ImageFile.h"
#include "platform/FileStat.h"
#include "platform/ImageSource.h"
#include "platform/RegularFile.h"
#include "platform/VideoContainer.h"
#include "services/ImageHelpers.h"
#include "services/MVNAssistance.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = fuzz::writeInput(data, size);
    if (path.isEmpty())
        return 0;
    const QUrl url = QUrl::fromLocalFile(path);
    const std::optional<platform::FileStat> stat = platform::FileStat::of(path);
    const ImageFile record(url, stat ? &*stat : nullptr);
    (void)sharedAssistance().fileMD5(url);

    bool otherFormat = false;
    {
        const platform::VideoContainer video(path);
        otherFormat = video.isOtherFormat();
        (void)video.refusal();
        if (video.isVideo()) {
            (void)video.containerName();
            (void)video.averageFrameRate();
            if (const std::shared_ptr<const platform::RegularFile> file = video.file())
                (void)file->descriptorPath();
        }
    }
    if (otherFormat) {
        // A picture: decoded on these roads in its bounds, as by the picture target.
        const platform::ImageSource source(path);
        if (fuzz::decodesTooLong(source, fuzz::claimedSize(source)))
            return 0;
        (void)source.thumbnailOutcome(kThumbnailMaxPixel, true);
    }
    (void)sharedAssistance().videoThumbnail(url, kThumbnailMaxPixel, kThumbnailMaxPixel);
    return 0;
}
