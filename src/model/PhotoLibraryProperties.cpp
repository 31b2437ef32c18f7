#include "model/PhotoLibraryProperties.h"

#include "model/JsonFields.h"

void to_json(nlohmann::json &json, const PhotoLibraryProperties &value)
{
    using jsonfields::text;
    json = nlohmann::json::object();
    json["RKMuuid"] = text(value.RKMuuid);
    json["RKMimagePath"] = text(value.RKMimagePath);
    json["RKMFilSize"] = text(value.RKMFilSize);
    json["RKVuuid"] = text(value.RKVuuid);
    json["RKVmodelId"] = text(value.RKVmodelId);
    json["RKVfilename"] = text(value.RKVfilename);
    json["RKAVMId"] = text(value.RKAVMId);
    json["OriginalFileName"] = text(value.OriginalFileName);
}

void from_json(const nlohmann::json &json, PhotoLibraryProperties &value)
{
    using jsonfields::requireString;
    PhotoLibraryProperties read;
    read.RKMuuid = requireString(json, "RKMuuid");
    read.RKMimagePath = requireString(json, "RKMimagePath");
    read.RKMFilSize = requireString(json, "RKMFilSize");
    read.RKVuuid = requireString(json, "RKVuuid");
    read.RKVmodelId = requireString(json, "RKVmodelId");
    read.RKVfilename = requireString(json, "RKVfilename");
    read.RKAVMId = requireString(json, "RKAVMId");
    read.OriginalFileName = requireString(json, "OriginalFileName");
    value = std::move(read);
}
