#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Bridges to the Photos application and to the login items. Made with the default constructor,
// used for one call and dropped; no state is kept between calls. Photos is reached only through
// platform::PhotosApp.
class MVNMemory
{
public:
    // The album that receives the Photos items removed as duplicates.
    static const QString albumName; // "Twinsift"

    // Puts the items (Photos item identifiers, the RKVuuid of each item) into the album "Twinsift",
    // making the album first when Photos has none of that name. Returns whether the items reached
    // the album: false when Photos refuses automation, an identifier is empty, the album cannot
    // be made or the items cannot be recorded; then none of them was added. An empty list
    // succeeds once the album exists. Blocks its thread until Photos answers.
    bool movePhotosInPhotoLibrary(const QStringList &ids);

    // Makes the album "Twinsift" in Photos. True when Photos has the album afterwards.
    bool createAlbumInPhotosLibrary();

    // Finds this application's login item and takes it out of the login items. Returns the entry
    // that was found (the path of its autostart file), or absent when there was none or it could
    // not be taken out.
    std::optional<QString> itemRefInLoginItems();
};
