#pragma once

#include <QString>
#include <nlohmann/json_fwd.hpp>

// What the Photos-library reader knows of one library item: enough to find its original file and to
// hand the item to the album. The fields are kept as the reader found them, as text, and are not
// interpreted here. `RKVuuid` is the identifier given to the album.
struct PhotoLibraryProperties {
    QString RKMuuid;
    QString RKMimagePath;
    QString RKMFilSize;
    QString RKVuuid;
    QString RKVmodelId;
    QString RKVfilename;
    QString RKAVMId;
    QString OriginalFileName;

    bool operator==(const PhotoLibraryProperties &) const = default;
};

// JSON form: one text member per field, named as the field. Every member is written; reading
// requires all eight as texts and throws nlohmann::json::exception otherwise.
void to_json(nlohmann::json &json, const PhotoLibraryProperties &value);
void from_json(const nlohmann::json &json, PhotoLibraryProperties &value);
