#pragma once
// Helpers for tests of the file services: temporary folders, images written by Qt, tags written
// by exiv2, HEIC made by heif-enc and clips made by ffmpeg. Everything is made small and in a
// temporary folder that goes away with the test.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <exiv2/exiv2.hpp>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

// Points HOME and the XDG configuration, data and cache folders at a fresh temporary folder for
// the lifetime of the object (restoring the previous values afterwards), so that the standard
// locations start empty.
class TempHome
{
public:
    TempHome()
    {
        const QString root = dir_.path();
        set("HOME", root);
        set("XDG_CONFIG_HOME", root + "/.config");
        set("XDG_DATA_HOME", root + "/.local/share");
        set("XDG_CACHE_HOME", root + "/.cache");
    }
    ~TempHome()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first);
            else
                qputenv(it->first, it->second);
        }
    }
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    void set(const char *name, const QString &value)
    {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        QDir().mkpath(value);
        qputenv(name, value.toUtf8());
    }
    QTemporaryDir dir_;
    std::vector<std::pair<const char *, QByteArray>> saved_;
};

inline bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(data) == data.size();
}

// An image with a distinctive picture: left half red, right half blue, a green square at top left.
inline QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    painter.fillRect(0, 0, std::max(1, width / 4), std::max(1, height / 4), Qt::green);
    painter.end();
    return image;
}

inline bool writeImage(const QString &path, int width, int height, const char *format, int quality = 80)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return testPicture(width, height).save(path, format, quality);
}

using Tags = std::vector<std::pair<std::string, std::string>>;

// Writes Exif ("Exif.*"), IPTC ("Iptc.*") and XMP ("Xmp.*") entries with exiv2; each value is
// given as text in the tag's own type (e.g. "33/1 54/1 0/1" for a GPS position).
inline bool writeTags(const QString &path, const Tags &tags)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        for (const auto &[key, value] : tags) {
            if (key.rfind("Exif.", 0) == 0 && Exiv2::ExifKey(key).defaultTypeId() == Exiv2::unsignedRational) {
                // Parsed here: newer exiv2 reads unsigned rationals from text only up to 2^31 - 1.
                Exiv2::URationalValue rationals;
                std::istringstream in(value);
                std::string pair;
                while (in >> pair) {
                    const auto slash = pair.find('/');
                    rationals.value_.emplace_back(std::stoul(pair.substr(0, slash)),
                                                  std::stoul(pair.substr(slash + 1)));
                }
                image->exifData()[key].setValue(&rationals);
            } else if (key.rfind("Exif.", 0) == 0)
                image->exifData()[key] = value;
            else if (key.rfind("Iptc.", 0) == 0)
                image->iptcData()[key] = value;
            else if (key.rfind("Xmp.", 0) == 0)
                image->xmpData()[key] = value;
        }
        image->writeMetadata();
        return true;
    } catch (...) {
        return false;
    }
}

inline bool haveTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

inline bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A small HEIC made by heif-enc from a PNG; empty when the tool is missing or fails.
inline QString makeHeic(const QString &dir, const QString &name, int width, int height)
{
    if (!haveTool(QStringLiteral("heif-enc")))
        return {};
    const QString png = dir + QStringLiteral("/heic-source.png");
    const QString heic = dir + QLatin1Char('/') + name;
    if (!writeImage(png, width, height, "PNG"))
        return {};
    if (!run(QStringLiteral("heif-enc"), {QStringLiteral("-q"), QStringLiteral("50"), QStringLiteral("-o"), heic, png}))
        return {};
    return QFile::exists(heic) ? heic : QString();
}

// A one-second clip of width x height made by ffmpeg, optionally marked for display rotation (in
// degrees); empty when the tool is missing or fails.
inline QString makeClip(const QString &dir, const QString &name, int width, int height, int rotation = 0)
{
    if (!haveTool(QStringLiteral("ffmpeg")))
        return {};
    const QString clip = dir + QLatin1Char('/') + name;
    QStringList arguments{QStringLiteral("-v"),
                          QStringLiteral("error"),
                          QStringLiteral("-y"),
                          QStringLiteral("-f"),
                          QStringLiteral("lavfi"),
                          QStringLiteral("-i"),
                          QStringLiteral("testsrc=size=%1x%2:rate=5").arg(width).arg(height),
                          QStringLiteral("-t"),
                          QStringLiteral("1"),
                          QStringLiteral("-pix_fmt"),
                          QStringLiteral("yuv420p")};
    const QString plain = rotation != 0 ? dir + QStringLiteral("/unturned-") + name : clip;
    arguments << plain;
    if (!run(QStringLiteral("ffmpeg"), arguments))
        return {};
    // The display rotation is set by a second pass that copies the stream: FFmpeg 6 and later take it
    // as an input option (counter-clockwise degrees), older ones as the stream's "rotate" tag.
    if (rotation != 0
        && !run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                 QStringLiteral("-display_rotation:v:0"), QString::number(-rotation), QStringLiteral("-i"), plain,
                 QStringLiteral("-c"), QStringLiteral("copy"), clip})
        && !run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), plain,
                 QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-metadata:s:v:0"),
                 QStringLiteral("rotate=%1").arg(rotation), clip}))
        return {};
    return QFile::exists(clip) ? clip : QString();
}

// A clip of a few frames in each container the video check takes, as cameras, phones and the web
// write them, plus the streams that tell no frame rate (Ogg with Theora and with VP8, raw MPEG-4)
// and Theora in Matroska; empty when ffmpeg or one of its encoders is missing.
inline QStringList clipsOfEveryContainer(const QString &dir)
{
    if (!haveTool(QStringLiteral("ffmpeg")))
        return {};
    const std::vector<std::pair<const char *, QStringList>> clips{
        {"clip.mp4", {"-c:v", "libx264"}},    {"clip.mov", {"-c:v", "libx264"}},
        {"clip.m4v", {"-c:v", "libx264"}},    {"theora.mkv", {"-c:v", "libtheora"}},
        {"clip.webm", {"-c:v", "libvpx"}},    {"clip.avi", {"-c:v", "mpeg4"}},
        {"clip.3gp", {"-c:v", "mpeg4"}},      {"clip.mts", {"-c:v", "libx264", "-f", "mpegts"}},
        {"clip.mpg", {"-c:v", "mpeg1video"}}, {"clip.flv", {"-c:v", "flv"}},
        {"clip.wmv", {"-c:v", "wmv2"}},       {"theora.ogg", {"-c:v", "libtheora"}},
        {"vp8.ogg", {"-c:v", "libvpx"}},      {"raw-mpeg4.m4v", {"-c:v", "mpeg4", "-f", "m4v"}},
    };
    QStringList made;
    for (const auto &[name, codec] : clips) {
        const QString clip = dir + QLatin1Char('/') + QLatin1String(name);
        const QStringList arguments =
            QStringList{"-v", "error", "-y",       "-f",     "lavfi", "-i", "testsrc=size=64x48:rate=25",
                        "-t", "0.4",   "-pix_fmt", "yuv420p"}
            + codec + QStringList{clip};
        if (!run(QStringLiteral("ffmpeg"), arguments))
            return {};
        made << clip;
    }
    return made;
}

// True when a player's source is `file` opened through a descriptor of this process (the way the
// previews hand a checked video to the player), not by its path.
inline bool isDescriptorOf(const QUrl &source, const QUrl &file)
{
    const QString opened = source.toLocalFile();
    return opened.startsWith(QLatin1String("/proc/self/fd/"))
        && QFileInfo(opened).canonicalFilePath() == QFileInfo(file.toLocalFile()).canonicalFilePath();
}

// A real sample file shipped by Debian's forensics-samples-files package (photos of a phone with
// Exif and GPS data, an exact-duplicate pair, short clips); empty when the package is not installed.
inline QString realSample(const QString &relativePath)
{
    const QString path = QStringLiteral("/usr/share/forensics-samples/") + relativePath;
    return QFile::exists(path) ? path : QString();
}

} // namespace fixtures
