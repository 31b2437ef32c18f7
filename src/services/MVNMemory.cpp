#include "services/MVNMemory.h"

#include "platform/LoginItems.h"
#include "platform/PhotosApp.h"

#include <cstdio>

const QString MVNMemory::albumName = QStringLiteral("Twinsift");

bool MVNMemory::movePhotosInPhotoLibrary(const QStringList &ids)
{
    platform::PhotosApp &photos = platform::PhotosApp::shared();
    if (!photos.albumName(albumName) && !createAlbumInPhotosLibrary()) {
        std::fprintf(stdout, "Photos album \"%s\" is not available; %lld items not moved\n",
                     qPrintable(albumName), static_cast<long long>(ids.size()));
        return false;
    }
    if (!photos.addItems(ids, albumName)) {
        std::fprintf(stdout, "%lld items could not be added to the Photos album \"%s\"\n",
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
        std::fprintf(stdout, "The login item could not be removed\n");
        return std::nullopt;
    }
    return platform::LoginItems::autostartFilePath();
}
