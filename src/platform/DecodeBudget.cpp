#include "platform/DecodeBudget.h"

#include "platform/Log.h"

#include <QImageReader>

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>

namespace platform::imaging {

namespace {

std::mutex budgetLock;
std::condition_variable budgetFreed;
qint64 budgetUsed = 0;

} // namespace

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

qint64 budgetShare(qint64 bytes)
{
    return bytes > kMaxDecodeBytes ? kDecodeBudgetBytes : bytes;
}

void logDecodeTooLarge(const QString &path, int width, int height, qint64 bytes)
{
    constexpr qint64 megabyte = 1024 * 1024;
    logSkippedFile(lcPlatform(), path, SkipReason::TooLarge,
                   QStringLiteral("%1 x %2 pixels: decoding it would take %3 MB, more than the %4 MB allowed")
                       .arg(width)
                       .arg(height)
                       .arg((bytes + megabyte - 1) / megabyte)
                       .arg(maxAloneDecodeBytes() / megabyte));
    SkipRecord::noteSkippedPixels(width, height);
}

void logTooManyPixels(const QString &path, int width, int height)
{
    logSkippedFile(lcPlatform(), path, SkipReason::TooLarge,
                   QStringLiteral("%1 x %2 pixels, more than are ever decoded in full").arg(width).arg(height));
    SkipRecord::noteSkippedPixels(width, height);
}

QSize statedSize(const QImageReader &reader)
{
    QSize size = reader.size();
    if (size.width() > 0 && size.height() < 0 && size.height() > std::numeric_limits<int>::min()
        && reader.format() == "bmp")
        size.setHeight(-size.height());
    return size;
}

void logReadFailed(const QString &path, const QImageReader &reader)
{
    // Qt refuses a picture past its allocation limit (which counts the picture as decoded, after any
    // reduction) with no reason of its own.
    const QSize size = statedSize(reader);
    const QSize decoded = reader.scaledSize().isValid() ? reader.scaledSize() : size;
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (decoded.isValid() && limit > 0 && qint64(decoded.width()) * decoded.height() * 4 > limit) {
        logSkippedFile(
            lcPlatform(), path, SkipReason::TooLarge,
            QStringLiteral("%1 x %2 pixels, more than Qt's reader takes").arg(size.width()).arg(size.height()));
        SkipRecord::noteSkippedPixels(size.width(), size.height());
        return;
    }
    logSkippedFile(lcPlatform(), path, SkipReason::Damaged, reader.errorString());
}

DecodeBudget::DecodeBudget(qint64 bytes)
    : bytes_(std::clamp<qint64>(bytes, 0, kDecodeBudgetBytes))
{
    std::unique_lock<std::mutex> lock(budgetLock);
    budgetFreed.wait(lock, [&] { return budgetUsed == 0 || budgetUsed + bytes_ <= kDecodeBudgetBytes; });
    budgetUsed += bytes_;
}

DecodeBudget::~DecodeBudget()
{
    {
        std::lock_guard<std::mutex> lock(budgetLock);
        budgetUsed -= bytes_;
    }
    budgetFreed.notify_all();
}

std::optional<QImage> readWithinBudget(const QString &path, QImageReader &reader, qint64 estimate,
                                       const std::function<QImage(QImage)> &finish)
{
    DecodeBudget budget(budgetShare(estimate));
    QImage image = reader.read();
    if (image.isNull()) {
        logReadFailed(path, reader);
        return std::nullopt;
    }
    QImage result = finish(std::move(image));
    if (result.isNull())
        return std::nullopt;
    return result;
}

} // namespace platform::imaging
