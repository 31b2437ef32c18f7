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
        logWarning(lcServices) << QStringLiteral("Photos album \"%1\" is not available; %2 items not moved")
                                      .arg(albumName, QString::number(ids.size()));
        return false;
    }
    if (!photos.addItems(ids, albumName)) {
        logWarning(lcServices) << QStringLiteral("%1 items could not be added to the Photos album \"%2\"")
                                      .arg(QString::number(ids.size()), albumName);
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
        logWarning(lcServices) << "The login item could not be removed";
        return std::nullopt;
    }
    return platform::LoginItems::autostartFilePath();
}
