#include "model/InitialDirectory.h"

#include "model/JsonFields.h"
#include "platform/Log.h"
#include "platform/PathSafety.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeDatabase>
#include <QThread>
#include <QTimeZone>

#include <sys/stat.h>

namespace {

// The themed icon of the item's type; the null image when no theme offers one or when no
// graphical application runs on this thread (icons are pixmaps, which live on the GUI thread).
QImage themedIcon(const QString &path, bool isFolder)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return {};
    QIcon icon;
    if (isFolder) {
        icon = QIcon::fromTheme(QStringLiteral("folder"));
    } else {
        static const QMimeDatabase database;
        const QMimeType type = database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    }
    if (icon.isNull())
        return {};
    return icon.pixmap(64, 64).toImage();
}

} // namespace

QString plainPath(const QUrl &url)
{
    QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

InitialDirectory::InitialDirectory(const QUrl &url)
    : url(url)
{
    const QString path = plainPath(url);
    const std::optional<QByteArray> native = platform::PathSafety::nativePath(path);
    struct stat info = {};
    if (!native || ::lstat(native->constData(), &info) != 0) {
        platform::printLine(QStringLiteral("Error reading file attributes"));
        return;
    }
    // An entry is a root of the scan list: one that is a symbolic link stands for its target, so a
    // link to a folder is a folder (listed at its target) and a link to a file describes that file.
    // A dangling link stays described as the link it is.
    if (S_ISLNK(info.st_mode)) {
        struct stat target = {};
        if (::stat(native->constData(), &target) == 0)
            info = target;
    }

    const bool folder = S_ISDIR(info.st_mode);
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        name = path;
    const qint64 modifiedMs =
        static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + static_cast<qint64>(info.st_mtim.tv_nsec) / 1000000;
    const QDateTime date = utcFromMSecsSinceEpoch(modifiedMs);
    const qint64 size = S_ISREG(info.st_mode) ? static_cast<qint64>(info.st_size) : 0;
    const QImage icon = themedIcon(path, folder);

    file = Metadata(url, name, date.isValid() ? date : distantPast(), size, icon, folder, QColor(), !icon.isNull());
}

void to_json(nlohmann::json &json, const InitialDirectory &value)
{
    json = nlohmann::json::object();
    if (value.md5)
        json["md5"] = jsonfields::text(*value.md5);
    if (value.url)
        json["url"] = jsonfields::text(value.url->toString(QUrl::FullyEncoded));
    if (value.file)
        json["file"] = *value.file;
    if (value.photoLibraryProperties)
        json["photoLibraryProperties"] = *value.photoLibraryProperties;
    json["isPhotoLibrary"] = value.isPhotoLibrary;
    json["isChecked"] = value.isChecked;
}

void from_json(const nlohmann::json &json, InitialDirectory &value)
{
    InitialDirectory read;
    if (!json.is_object())
        jsonfields::mistyped(json, "InitialDirectory", "an object");
    // A missing member and a null one both leave the field absent.
    const auto present = [&json](const char *key) { return json.contains(key) && !json.at(key).is_null(); };
    if (present("md5"))
        read.md5 = jsonfields::requireString(json, "md5");
    if (present("url")) {
        const nlohmann::json &text = json.at("url");
        const QUrl url(jsonfields::stringValue(text, "url"), QUrl::StrictMode);
        if (!url.isValid())
            jsonfields::mistyped(text, "url", "a URL");
        read.url = url;
    }
    if (present("file"))
        read.file = json.at("file").get<Metadata>();
    if (present("photoLibraryProperties"))
        read.photoLibraryProperties = json.at("photoLibraryProperties").get<PhotoLibraryProperties>();
    read.isPhotoLibrary = jsonfields::requireBool(json, "isPhotoLibrary");
    read.isChecked = jsonfields::requireBool(json, "isChecked");
    value = std::move(read);
}
