#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace platform {

// Reader of XML property lists: dict -> QVariantMap, array -> QVariantList, string -> QString,
// integer -> qint64, real -> double, true/false -> bool, data -> QByteArray, date -> QDateTime.
// A file that cannot be read or parsed gives no value (and one diagnostic line).
class PropertyList
{
public:
    static std::optional<QVariant> parse(const QByteArray &xml);
    static std::optional<QVariant> loadFile(const QString &path);
};

} // namespace platform
