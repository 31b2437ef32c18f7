#include "model/TextLookup.h"

#include "model/ModuleState.h"

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
    static const QString placeholder = QStringLiteral("%@");
    qsizetype from = 0;
    for (const QString &argument : arguments) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at < 0)
            break;
        text.replace(at, placeholder.size(), argument);
        from = at + argument.size();
    }
    return text;
}

std::optional<QString> appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return std::nullopt;
    return version;
}
