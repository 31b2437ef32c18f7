#include "engine/AutoMarkAccessors.h"

#include "services/MVNAssistance.h"

AutoMarkAccessors AutoMarkAccessors::fromServices()
{
    AutoMarkAccessors accessors;
    accessors.fileSize = [](const ImageFile &file) -> std::optional<quint64> {
        if (!file.url)
            return std::nullopt;
        return sharedAssistance().fileSize(file.path());
    };
    accessors.modificationDate = [](const ImageFile &file) -> std::optional<QDateTime> {
        if (!file.url)
            return std::nullopt;
        return sharedAssistance().modificationDate(file.path());
    };
    accessors.hasMetadataTags = [](const ImageFile &file) {
        if (!file.url)
            return false;
        const std::optional<QVariantList> tags = sharedAssistance().imageMetadataTags(*file.url);
        return tags && !tags->isEmpty();
    };
    return accessors;
}
