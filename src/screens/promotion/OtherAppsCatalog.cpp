#include "screens/promotion/OtherAppsCatalog.h"

#include "platform/AppInstalled.h"

#include <mutex>

namespace OtherAppsCatalog {

namespace {

QString web(const char *page)
{
    // The campaign keys tell the project where the visit came from.
    return QString::fromLatin1(page) + QStringLiteral("?utm_source=twinsift&utm_campaign=otherapps");
}

QString store(const char *appStreamId)
{
    return QStringLiteral("appstream://") + QString::fromLatin1(appStreamId);
}

const std::array<App, kRowCount> &apps()
{
    static const std::array<App, kRowCount> table = {{
        {{"org.darktable.darktable", "darktable"},
         "org.darktable.darktable",
         "darktable",
         "Develop raw photos and sort them on a virtual light table",
         "Photography",
         ":/images/otherapp-darktable.png",
         web("https://www.darktable.org/")},
        {{"twinsift"},
         "twinsift",
         "Twinsift",
         "Find duplicate and similar photos and keep one of each",
         "Photography",
         ":/images/otherapp-twinsift.png",
         web("https://twinsift.app/")},
        {{"org.kde.digikam", "digikam"},
         "org.kde.digikam",
         "digiKam",
         "Organise, tag and edit large photo collections",
         "Photography",
         ":/images/otherapp-digikam.png",
         web("https://www.digikam.org/")},
        {{"org.kde.krita", "krita"},
         "org.kde.krita",
         "Krita",
         "Paint, draw and retouch your pictures",
         "Graphics",
         ":/images/otherapp-krita.png",
         web("https://krita.org/")},
        {{"org.gimp.GIMP", "gimp"},
         "org.gimp.GIMP",
         "GIMP",
         "Retouch photos and compose images in layers",
         "Graphics",
         ":/images/otherapp-gimp.png",
         web("https://www.gimp.org/")},
        {{"com.rawtherapee.RawTherapee", "rawtherapee"},
         "com.rawtherapee.RawTherapee",
         "RawTherapee",
         "Turn raw camera files into finished photos",
         "Photography",
         ":/images/otherapp-rawtherapee.png",
         web("https://www.rawtherapee.com/")},
        {{"org.gnome.Shotwell", "shotwell"},
         "org.gnome.Shotwell",
         "Shotwell",
         "Import, organise and share your photos",
         "Photography",
         ":/images/otherapp-shotwell.png",
         web("https://wiki.gnome.org/Apps/Shotwell")},
        {{"org.inkscape.Inkscape", "inkscape"},
         "org.inkscape.Inkscape",
         "Inkscape",
         "Draw vector graphics, logos and diagrams",
         "Graphics",
         ":/images/otherapp-inkscape.png",
         store("org.inkscape.Inkscape")},
        {{"org.gnome.gThumb", "gthumb"},
         "org.gnome.gThumb",
         "gThumb",
         "View, browse and organise your images",
         "Viewer",
         ":/images/otherapp-gthumb.png",
         store("org.gnome.gThumb")},
        {{"org.kde.gwenview"},
         "org.kde.gwenview",
         "Gwenview",
         "A fast image viewer with simple editing",
         "Viewer",
         ":/images/otherapp-gwenview.png",
         store("org.kde.gwenview")},
        {{"net.sourceforge.hugin", "hugin"},
         "net.sourceforge.hugin",
         "Hugin",
         "Stitch your photos into panoramas",
         "Photography",
         ":/images/otherapp-hugin.png",
         store("net.sourceforge.hugin")},
        {{"org.geeqie.Geeqie", "geeqie"},
         "org.geeqie.Geeqie",
         "Geeqie",
         "A light image viewer and photo collection browser",
         "Viewer",
         ":/images/otherapp-geeqie.png",
         store("org.geeqie.Geeqie")},
        {{"org.nomacs.ImageLounge"},
         "org.nomacs.ImageLounge",
         "nomacs",
         "An image viewer that compares photos side by side",
         "Viewer",
         ":/images/otherapp-nomacs.png",
         store("org.nomacs.ImageLounge")},
        {{"org.kde.kdenlive"},
         "org.kde.kdenlive",
         "Kdenlive",
         "Edit your videos on a multi-track timeline",
         "Video",
         ":/images/otherapp-kdenlive.png",
         store("org.kde.kdenlive")},
        {{"org.shotcut.Shotcut", "shotcut"},
         "org.shotcut.Shotcut",
         "Shotcut",
         "Cut and convert videos of many formats",
         "Video",
         ":/images/otherapp-shotcut.png",
         store("org.shotcut.Shotcut")},
        {{"net.fasterland.converseen", "converseen"},
         "net.fasterland.converseen",
         "Converseen",
         "Convert and resize many images at once",
         "Graphics",
         ":/images/otherapp-converseen.png",
         store("net.fasterland.converseen")},
        {{"net.damonlynch.rapid_photo_downloader"},
         "net.damonlynch.rapid_photo_downloader",
         "Rapid Photo Downloader",
         "Copy photos and videos from cameras and cards, renamed and backed up",
         "Photography",
         ":/images/otherapp-rapidphotodownloader.png",
         store("net.damonlynch.rapid_photo_downloader")},
    }};
    return table;
}

} // namespace

const App *row(int number)
{
    if (number < 1 || number > kRowCount)
        return nullptr;
    return &apps()[size_t(number - 1)];
}

std::optional<QUrl> rowLink(int number)
{
    const App *app = row(number);
    if (!app || app->link.isEmpty())
        return std::nullopt;
    const QUrl url(app->link, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

QImage rowIcon(int number)
{
    const App *app = row(number);
    return app ? QImage(app->icon) : QImage();
}

int promotedRow(int k)
{
    if (k < 1 || k > kPromotedCount)
        return 0;
    return k == 1 ? 1 : k + 1;
}

std::optional<QUrl> promotedAppLink(int k)
{
    // Each link is made once, on first use, from whichever thread asks first.
    static std::array<std::once_flag, kPromotedCount> once;
    static std::array<std::optional<QUrl>, kPromotedCount> links;
    if (k < 1 || k > kPromotedCount)
        return std::nullopt;
    std::call_once(once[size_t(k - 1)], [k] { links[size_t(k - 1)] = rowLink(promotedRow(k)); });
    return links[size_t(k - 1)];
}

const std::array<std::array<int, kRowCount>, kRowCount> &displayOrders()
{
    static const std::array<std::array<int, kRowCount>, kRowCount> orders = {{
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 12, 11, 14, 15, 16, 17},
        {6, 2, 4, 8, 3, 10, 7, 9, 1, 5, 13, 12, 11, 14, 15, 16, 17},
        {10, 7, 4, 8, 5, 9, 3, 6, 1, 2, 13, 12, 11, 14, 15, 16, 17},
        {8, 3, 9, 6, 5, 1, 4, 10, 2, 7, 13, 12, 11, 14, 15, 16, 17},
        {7, 10, 5, 9, 3, 2, 6, 8, 4, 1, 13, 12, 11, 14, 15, 16, 17},
        {3, 5, 4, 10, 9, 8, 1, 6, 7, 2, 13, 12, 11, 14, 15, 16, 17},
        {7, 4, 9, 1, 5, 2, 8, 3, 10, 6, 13, 12, 11, 14, 15, 16, 17},
        {5, 9, 4, 2, 1, 10, 7, 3, 6, 8, 13, 12, 11, 14, 15, 16, 17},
        {7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 12, 11, 14, 15, 16, 17},
        {7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 11, 12, 14, 15, 16, 17},
        {11, 12, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 14, 15, 16, 17},
        {12, 11, 10, 7, 1, 2, 4, 6, 3, 5, 8, 9, 13, 14, 15, 16, 17},
        {13, 12, 11, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 14, 15, 16, 17},
        {14, 12, 11, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 15, 16, 17},
        {15, 12, 11, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 14, 16, 17},
        {16, 12, 11, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 14, 15, 17},
        {17, 12, 11, 7, 1, 2, 4, 10, 6, 3, 5, 8, 9, 13, 14, 15, 16},
    }};
    return orders;
}

bool isRowInstalled(int number, const std::function<bool(const QString &)> &isInstalled)
{
    const App *app = row(number);
    if (!app)
        return false;
    for (const QString &id : app->desktopIds)
        if (isInstalled ? isInstalled(id) : platform::isAppInstalled(id))
            return true;
    return false;
}

} // namespace OtherAppsCatalog
