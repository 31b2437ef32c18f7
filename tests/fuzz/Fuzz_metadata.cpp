// The roads that read what a file is and what it says, as a scan reads them for each file: the
// type, the frame header check that lets a scan defer a JPEG, the scan's record (the properties,
// the capture date and the place) and the metadata tags the assistant and the inspector show.

#include "FuzzInput.h"
#include "model/ImageFile.h"
#include "platform/FileStat.h"
#include "platform/ImageSource.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = fuzz::writeInput(data, size);
    if (path.isEmpty())
        return 0;
    const platform::ImageSource source(path);
    (void)source.typeIdentifier();
    (void)platform::ImageSource::hasJpegFrameHeader(path);
    const std::optional<platform::FileStat> stat = platform::FileStat::of(path);
    const ImageFile record(QUrl::fromLocalFile(path), stat ? &*stat : nullptr);
    (void)record.signedLatitude();
    (void)record.signedLongitude();
    (void)source.metadataTags();
    return 0;
}
