#pragma once

#include "model/ImageFile.h"

#include <QDateTime>

#include <functional>
#include <optional>

// How the marking rules read the facts of a file that are not kept on its ImageFile record: its
// size and modification date from the file system and whether its image carries metadata tags.
// The application reads them through the file services (usually through an AutoMarkValueCache, so
// each file is read once per marking); tests hand in the values directly.
struct AutoMarkAccessors {
    // Size in bytes of the file; absent when it cannot be read.
    std::function<std::optional<quint64>(const ImageFile &)> fileSize;
    // Modification date of the file; absent when it cannot be read.
    std::function<std::optional<QDateTime>(const ImageFile &)> modificationDate;
    // True when the file's image metadata holds at least one tag.
    std::function<bool(const ImageFile &)> hasMetadataTags;

    // Reads every value afresh through the shared file services (MVNAssistance).
    static AutoMarkAccessors fromServices();
};
