#include "FuzzInput.h"

#include "platform/ImageSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

namespace {

int inputFile = -1;
QString inputPath;
QCoreApplication *application = nullptr;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

void removeInput()
{
    if (!inputPath.isEmpty())
        ::unlink(QFile::encodeName(inputPath).constData());
}

constexpr qint64 kMaxFuzzedPixels = 4'000'000;

} // namespace

QSize claimedSize(const platform::ImageSource &source)
{
    const std::optional<QVariantMap> props = source.properties();
    if (!props)
        return QSize(64, 64);
    QSize claimed(props->value(platform::ImageProperty::PixelWidth).toInt(),
                  props->value(platform::ImageProperty::PixelHeight).toInt());
    // A GIF is painted on the logical screen its header states, whatever its frame's size.
    QFile file(source.path());
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(10);
        if (head.size() == 10 && head.startsWith("GIF")) {
            claimed = claimed.expandedTo(QSize(qFromLittleEndian<quint16>(head.constData() + 6),
                                               qFromLittleEndian<quint16>(head.constData() + 8)));
        }
    }
    return claimed;
}

bool decodesTooLong(const platform::ImageSource &source, QSize claimed)
{
    const qint64 pixels = qint64(claimed.width()) * claimed.height();
    return pixels > kMaxFuzzedPixels && pixels <= platform::ImageSource::maxFullDecodePixels()
        && source.typeIdentifier() != QStringLiteral("public.jpeg");
}

const QString &writeInput(const uint8_t *data, size_t size)
{
    static const QString none;
    if (inputFile < 0) {
        // Made at the first input, so that the parent of libFuzzer's -fork and -jobs modes makes
        // none. A process killed, crashed or timed out never removes its file: the files of
        // processes that are gone are removed here.
        const QString folder =
            QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QStringList left = QDir(folder).entryList({QStringLiteral("twinsift-fuzz-*")}, QDir::Files);
        for (const QString &name : left) {
            bool number = false;
            const pid_t pid = pid_t(name.mid(14).toLongLong(&number));
            if (number && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                QFile::remove(folder + QLatin1Char('/') + name);
        }
        inputPath = QStringLiteral("%1/twinsift-fuzz-%2").arg(folder).arg(::getpid());
        inputFile = ::open(QFile::encodeName(inputPath).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (inputFile < 0)
            std::abort();
        std::atexit(removeInput);
    }
    if (::ftruncate(inputFile, 0) != 0)
        return none;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::pwrite(inputFile, data + written, size - written, off_t(written));
        if (n <= 0)
            return none;
        written += size_t(n);
    }
    return inputPath;
}

} // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (!fuzz::application) {
        fuzz::application = new QCoreApplication(*argc, *argv); // lives as long as the process
        if (qEnvironmentVariableIsEmpty("TWINSIFT_FUZZ_LOG"))
            qInstallMessageHandler(fuzz::dropMessage);
    }
    return 0;
}
