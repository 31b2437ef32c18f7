#include "platform/DecodeBudget.h"

#include "platform/Log.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
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
    qCWarning(lcPlatform).noquote()
        << QStringLiteral("Skipped %1 (%2 x %3 pixels): decoding it would take %4 MB, more than "
                          "the %5 MB allowed")
               .arg(path)
               .arg(width)
               .arg(height)
               .arg((bytes + megabyte - 1) / megabyte)
               .arg(maxAloneDecodeBytes() / megabyte);
}

DecodeBudget::DecodeBudget(qint64 bytes) : bytes_(std::clamp<qint64>(bytes, 0, kDecodeBudgetBytes))
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

} // namespace platform::imaging
