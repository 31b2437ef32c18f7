#pragma once

#include "engine/AutoMarkAccessors.h"
#include "engine/AutoMarkRules.h"
#include "model/ImageFile.h"
#include "platform/ImageSource.h"

#include <QDateTime>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>
#include <set>

namespace automarkfixtures {

// A result file at `path` (no file needs to exist), with the values the marking rules read.
inline ImageFilePtr file(const QString &path)
{
    auto made = std::make_shared<ImageFile>();
    made->url = QUrl::fromLocalFile(path);
    made->fileName = made->url->fileName();
    made->properties = QVariantMap();
    return made;
}

inline ImageFilePtr sized(const QString &path, double width, double height)
{
    ImageFilePtr made = file(path);
    (*made->properties)[platform::ImageProperty::PixelWidth] = width;
    (*made->properties)[platform::ImageProperty::PixelHeight] = height;
    return made;
}

inline ImageFilePtr withDpi(ImageFilePtr made, double x, double y)
{
    (*made->properties)[platform::ImageProperty::DPIWidth] = x;
    (*made->properties)[platform::ImageProperty::DPIHeight] = y;
    return made;
}

inline ImageFilePtr protectedFile(ImageFilePtr made)
{
    made->isProtected = true;
    return made;
}

// Accessors that answer from tables keyed by the file's path; a path not in a table has no value.
struct FakeValues {
    std::map<QString, quint64> sizes;
    std::map<QString, QDateTime> modificationDates;
    std::set<QString> withMetadata;

    AutoMarkAccessors accessors() const
    {
        AutoMarkAccessors a;
        a.fileSize = [this](const ImageFile &f) -> std::optional<quint64> {
            auto it = sizes.find(f.path());
            return it == sizes.end() ? std::nullopt : std::optional<quint64>(it->second);
        };
        a.modificationDate = [this](const ImageFile &f) -> std::optional<QDateTime> {
            auto it = modificationDates.find(f.path());
            return it == modificationDates.end() ? std::nullopt : std::optional<QDateTime>(it->second);
        };
        a.hasMetadataTags = [this](const ImageFile &f) { return withMetadata.count(f.path()) > 0; };
        return a;
    }
};

inline AutoMarkRules rulesOf(std::vector<SelectionPriority> order)
{
    AutoMarkRules rules;
    rules.order = std::move(order);
    rules.photosLibraryRoot = QStringLiteral("file:///home/tester/Pictures/Photos%20Library.photoslibrary/");
    return rules;
}

using K = SelectionPriority::Kind;

} // namespace automarkfixtures
