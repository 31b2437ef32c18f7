#pragma once

#include "model/Metadata.h"
#include "model/PhotoLibraryProperties.h"

#include <QString>
#include <QUrl>
#include <nlohmann/json_fwd.hpp>

#include <optional>

// One entry of the scan list (a folder, a single file or a Photos library), and the element of the
// protected-folder and excluded-folder lists. A plain value, copied freely.
struct InitialDirectory {
    std::optional<QString> md5;
    std::optional<QUrl> url;
    std::optional<Metadata> file;
    std::optional<PhotoLibraryProperties> photoLibraryProperties;
    bool isPhotoLibrary = false;
    bool isChecked = true;

    InitialDirectory() = default;

    // The entry for a URL: `url` set and `file` built from the item's attributes (name, icon,
    // modification date, size, folder flag). A symbolic link is described by its target (a link to
    // a folder is a folder), under the link's own name and URL; a dangling link is described as
    // itself. When the attributes cannot be read (missing item, no permission, not a local file,
    // a path holding a NUL character) it prints "Error reading file attributes" and leaves `file`
    // absent. The other fields keep their initial values.
    explicit InitialDirectory(const QUrl &url);
};

// The file-system path of a local URL without trailing slashes ("/" stays "/"); "" for a URL that
// is no local file.
QString plainPath(const QUrl &url);

// JSON form: "md5", "url", "file", "photoLibraryProperties" only when present; "isPhotoLibrary"
// and "isChecked" always. Reading: the four optional members may be missing; the two flags are
// required Booleans. Throws nlohmann::json::exception on failure.
void to_json(nlohmann::json &json, const InitialDirectory &value);
void from_json(const nlohmann::json &json, InitialDirectory &value);
