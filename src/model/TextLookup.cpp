#include "model/TextLookup.h"

#include "model/ModuleState.h"
#include "model/TableTextFormatter.h"

#include <QCoreApplication>

QString localizedText(const QString &key)
{
    if (!localizationTable)
        return {};
    const auto entry = localizationTable->constFind(key);
    if (entry == localizationTable->constEnd())
        return {};
    if (entry->typeId() != QMetaType::QString)
        return {};
    return entry->toString();
}

QString substitutePlaceholders(QString text, const QStringList &arguments)
{
    return TableTextFormatter::format(text, arguments);
}

std::optional<QString> appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return std::nullopt;
    return version;
}
