#include "services/MVNMemory.h"
#include "platform/Log.h"

#include "platform/LoginItems.h"
#include "platform/PhotosApp.h"

#include <cstdio>

const QString MVNMemory::albumName = QStringLiteral("Twinsift");

bool MVNMemory::movePhotosInPhotoLibrary(const QStringList &ids)
{
    platform::PhotosApp &photos = platform::PhotosApp::shared();
    if (!photos.albumName(albumName) && !createAlbumInPhotosLibrary()) {
        qCWarning(lcServices, "Photos album \"%s\" is not available; %lld items not moved", qPrintable(albumName),
                  static_cast<long long>(ids.size()));
        return false;
    }
    if (!photos.addItems(ids, albumName)) {
        qCWarning(lcServices, "%lld items could not be added to the Photos album \"%s\"",
                  static_cast<long long>(ids.size()), qPrintable(albumName));
        return false;
    }
    return true;
}

bool MVNMemory::createAlbumInPhotosLibrary()
{
    return platform::PhotosApp::shared().createAlbum(albumName);
}

std::optional<QString> MVNMemory::itemRefInLoginItems()
{
    if (!platform::LoginItems::contains())
        return std::nullopt;
    if (!platform::LoginItems::remove()) {
        qCWarning(lcServices, "The login item could not be removed");
        return std::nullopt;
    }
    return platform::LoginItems::autostartFilePath();
}
